#include "viewer/ViewerWindow.h"

#include <cstdio>
#include <cstring>

#include "shell/AboutBox.h"
#include "shell/ModuleState.h"
#include "shell/ObjectCount.h"
#include "shell/Settings.h"
#include "shell/ShellCommands.h"
#include "shell/WindowHelpers.h"
#include "viewer/ViewerMath.h"
#include "resources/resource.h"

namespace lumetta {

namespace {

constexpr char kFrameClass[] = "Lumetta";
constexpr int kMinTrackWidth = 100;
constexpr int kMinTrackHeight = 20;
constexpr int kLargestExtent = 32000;

ViewRect WorkArea() {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return {work.left, work.top, work.right, work.bottom};
}

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

}  // namespace

ViewerWindow::ViewerWindow(const char* path, bool loop) : ownLoop(loop) {
  ObjectCountUp();
  counted = true;
  wheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");

  image = std::make_unique<ImageFile>(path);
  if (!image->DetectKind()) {
    image.reset();
    return;
  }

  RECT size{0, 0, image->GetWidth(), image->GetHeight()};
  AdjustWindowRect(&size, WS_OVERLAPPEDWINDOW, FALSE);
  size.bottom += GetSystemMetrics(SM_CYBORDER);

  WNDCLASSA wc{};
  if (!GetClassInfoA(ModuleInstance, kFrameClass, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = &ViewerWindow::FrameProc;
    wc.hInstance = ModuleInstance;
    wc.hIcon = LoadIconA(ModuleInstance, MAKEINTRESOURCEA(2000));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kFrameClass;
    RegisterClassA(&wc);
  }
  CreateWindowExA(0, kFrameClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                  size.right - size.left + 1, size.bottom - size.top + 1, nullptr, nullptr, ModuleInstance, this);
  if (!window) return;

  view = std::make_unique<ImageView>(ModuleInstance, window);
  view->ditherMode = 4;
  view->ditherTo16 = 1;
  view->SetImage(image.get(), true, true);
  view->Layout();
  view->StartDecoding(THREAD_PRIORITY_NORMAL);
  ShowWindow(view->Window(), SW_SHOW);

  if (TheSettings.AutoShrink || TheSettings.AutoEnlarge)
    FitZoomToWorkArea(TheSettings.AutoShrink != 0, TheSettings.AutoEnlarge != 0);
  FitWindowToImage();
  UpdateTitle();

  sizing = true;
  ShowWindow(window, SW_SHOW);
  sizing = false;
}

ViewerWindow::~ViewerWindow() {
  if (window && IsWindow(window)) {
    // The object goes before its window: the window must not reach it any more.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  ReleaseState();
}

void ViewerWindow::ReleaseState() {
  view.reset();
  image.reset();
  if (counted) {
    counted = false;
    ObjectCountDown();
  }
}

LRESULT CALLBACK ViewerWindow::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto self = static_cast<ViewerWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window = hwnd;
    return 0;
  }
  auto self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_DESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->window = nullptr;
    if (self->ownLoop) {
      // ShowImage owns the object and cleans up once its loop has ended.
      PostQuitMessage(1);
    } else {
      delete self;
    }
    return 0;
  }
  return self->HandleMessage(message, wParam, lParam);
}

void ViewerWindow::SetZoom(int p) {
  zoom = p;
  zoomIndex = NearestZoomIndex(p);
  if (view) view->SetZoom(p);
  UpdateTitle();
}

void ViewerWindow::Zoomed(int index) {
  zoomIndex = index;
  zoom = ZoomSteps[index];
  SetZoom(zoom);
  FitWindowToImage();
}

void ViewerWindow::Enlarge() {
  if (!image) return;
  Zoomed(NextHigherZoomIndex(EffectivePercent(image->GetOutputWidth(), image->GetWidth(), zoom)));
}

void ViewerWindow::Reduce() {
  if (!image) return;
  Zoomed(NextLowerZoomIndex(EffectivePercent(image->GetOutputWidth(), image->GetWidth(), zoom)));
}

void ViewerWindow::ZoomTo100() {
  SetZoom(100);
  FitWindowToImage();
}

void ViewerWindow::FitToScreen() {
  FitZoomToWorkArea(true, true);
  FitWindowToImage();
}

void ViewerWindow::FitZoomToWorkArea(bool allowShrink, bool allowEnlarge) {
  if (!image || image->GetOutputWidth() == 0 || image->GetOutputHeight() == 0) return;
  ViewRect work = WorkArea();
  int cxFrame = GetSystemMetrics(SM_CXFRAME), cyFrame = GetSystemMetrics(SM_CYFRAME);
  int cyCaption = GetSystemMetrics(SM_CYCAPTION);
  int p = FitPercent(work.right - 4 * cxFrame - work.left, work.bottom - 4 * cyFrame - work.top - cyCaption,
                     image->GetWidth(), image->GetHeight());
  if (!allowShrink && p < 100) p = 100;
  if (!allowEnlarge && p > 100) p = 100;
  SetZoom(p);
}

void ViewerWindow::FitZoomToClient() {
  RECT client{};
  GetClientRect(window, &client);
  if (!image || image->GetOutputWidth() == 0 || image->GetOutputHeight() == 0) return;
  SetZoom(FitPercent(client.right + 1, client.bottom + 1, image->GetWidth(), image->GetHeight()));
}

void ViewerWindow::FitWindowToImage() {
  if (IsZoomed(window)) {
    if (view) view->Layout();
    return;
  }
  if (!view) return;
  sizing = true;
  int z = view->Zoom();
  ViewRect work = WorkArea();
  int winW = 500, winH = 100;
  ImageFile* shown = view->Image();
  if (shown && shown->GetOutputWidth() != 0) {
    int64_t sw = (int64_t(shown->GetOutputWidth()) * z - 1) / 100 + 1;
    int64_t sh = (int64_t(shown->GetOutputHeight()) * z - 1) / 100 + 1;
    RECT r{0, 0, int(std::min<int64_t>(sw, kLargestExtent)), int(std::min<int64_t>(sh, kLargestExtent))};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    winW = r.right - r.left;
    winH = r.bottom - r.top;
  }
  int cx, cy;
  FrameExtent(winW, winH, work.right - work.left, work.bottom - work.top, &cx, &cy);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(window, &placement);
  const RECT& n = placement.rcNormalPosition;
  int x, y;
  PlaceFrame({n.left, n.top, n.right, n.bottom}, work, cx, cy, &x, &y);
  SetWindowPos(window, HWND_TOP, x, y, cx, cy, SWP_NOCOPYBITS);
  UpdateWindow(window);
  sizing = false;
}

void ViewerWindow::UpdateTitle() {
  if (!image || !window) return;
  // The title is an ANSI window text, so the path stays in the ANSI code page: in the OEM one a
  // "promoção.jpg" would read "promo‡ao.jpg".
  const char* path = image->GetPath();
  char title[MAX_PATH * 2 + 64];
  FormatImageLabel(title, sizeof title - 32, path ? path : "", image->GetKind(), image->GetWidth(), image->GetHeight(),
                   image->GetBitsPerPixel(), true, false);
  size_t used = std::strlen(title);
  std::snprintf(title + used, sizeof title - used, " - %d%%", zoom);
  SetWindowTextA(window, title);
}

void ViewerWindow::Reload() {
  if (!view) return;
  ImageFile* shown = view->Image();
  view->SetImage(nullptr, true, true);
  view->SetImage(shown, true, true);
  view->StartDecoding(THREAD_PRIORITY_NORMAL);
}

void ViewerWindow::Print() {
  if (!image || !image->GetPath() || !view) return;
  // What the view shows, in zoomed pixels; the printing limits it to the image.
  RECT client{};
  GetClientRect(view->Window(), &client);
  const RECT visible{view->ScrollX(), view->ScrollY(), view->ScrollX() + client.right,
                     view->ScrollY() + client.bottom + 1};
  PrintImageFromViewer(window, image->GetPath(), zoom, visible);
}

void ViewerWindow::Wallpaper(bool tiled) {
  if (image && image->GetPath()) SetWallpaperFromMenu(image->GetPath(), tiled);
}

void ViewerWindow::ShowContextMenu(LPARAM position) {
  POINT at{short(LOWORD(position)), short(HIWORD(position))};
  if (at.x == -1 && at.y == -1) {
    RECT client{};
    GetClientRect(window, &client);
    at = {client.right / 2, client.bottom / 2};
    ClientToScreen(window, &at);
  }
  // Texts in the user's language from the module's string table, English where it has none.
  auto text = [](UINT id, const char* english) {
    static char buffer[100];
    LoadTextWith(ModuleInstance, id, english, nullptr, buffer, sizeof buffer);
    return buffer;
  };
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, kViewerPrint, text(IDS_VIEWER_PRINT, "&Print..."));
  HMENU wallpaper = CreatePopupMenu();
  AppendMenuA(wallpaper, MF_STRING, kViewerTiled, text(IDS_VIEWER_TILED, "&Tiled"));
  AppendMenuA(wallpaper, MF_STRING, kViewerCentered, text(IDS_VIEWER_CENTERED, "&Centered"));
  AppendMenuA(wallpaper, MF_STRING, kViewerRemoveWallpaper, text(IDS_VIEWER_RESTORE, "&Remove"));
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(wallpaper), text(IDS_VIEWER_WALLPAPER, "&Wallpaper"));
  HMENU zoomMenu = CreatePopupMenu();
  AppendMenuA(zoomMenu, MF_STRING, kViewerReduce, text(IDS_VIEWER_REDUCE, "&Reduce\tNUMPAD -"));
  AppendMenuA(zoomMenu, MF_STRING, kViewerEnlarge, text(IDS_VIEWER_ENLARGE, "&Enlarge\tNUMPAD +"));
  AppendMenuA(zoomMenu, MF_STRING, kViewer100, text(IDS_VIEWER_100, "&100%\tNUMPAD /"));
  AppendMenuA(zoomMenu, MF_STRING, kViewerFitToScreen, text(IDS_VIEWER_FIT, "&Fit to screen\tNUMPAD *"));
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoomMenu), text(IDS_VIEWER_ZOOM, "&Zoom"));
  AppendMenuA(menu, MF_STRING, kViewerReload, text(IDS_VIEWER_RELOAD, "&Reload\tSHIFT+F5"));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kViewerAbout, text(IDS_VIEWER_ABOUT, "&About..."));
  AppendMenuA(menu, MF_STRING, kViewerClose, text(IDS_VIEWER_CLOSE, "&Close\tEsc"));
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
}

void ViewerWindow::OnCommand(int id) {
  switch (id) {
    case kViewerClose: PostMessageA(window, WM_CLOSE, 0, 0); break;
    case kViewerReload: Reload(); break;
    case kViewerPrint: Print(); break;
    case kViewerTiled: Wallpaper(true); break;
    case kViewerCentered: Wallpaper(false); break;
    case kViewerRemoveWallpaper: SetWallpaperFromMenu(nullptr, false); break;
    case kViewerAbout: AboutBox(ModuleInstance, window); break;
    case kViewerEnlarge: Enlarge(); break;
    case kViewerReduce: Reduce(); break;
    case kViewer100: ZoomTo100(); break;
    case kViewerFitToScreen: FitToScreen(); break;
    default: break;
  }
}

void ViewerWindow::OnKeyDown(WPARAM key) {
  const bool small = !KeyHeld(VK_SHIFT);
  RECT client{};
  if (view) GetClientRect(view->Window(), &client);
  const int stepX = small ? client.right / 10 : client.right;
  const int stepY = small ? client.bottom / 10 : client.bottom;
  switch (key) {
    case VK_ESCAPE: PostMessageA(window, WM_COMMAND, kViewerClose, 0); break;
    case VK_LEFT:
      if (view) view->ScrollBy(-stepX, 0);
      break;
    case VK_RIGHT:
      if (view) view->ScrollBy(stepX, 0);
      break;
    case VK_UP:
      if (view) view->ScrollBy(0, -stepY);
      break;
    case VK_DOWN:
      if (view) view->ScrollBy(0, stepY);
      break;
    case '8':
    case VK_MULTIPLY: FitToScreen(); break;
    case 'P':
      if (KeyHeld(VK_CONTROL)) PostMessageA(window, WM_COMMAND, kViewerPrint, 0);
      break;
    case VK_ADD:
    case VK_OEM_PLUS: Enlarge(); break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: Reduce(); break;
    case VK_DIVIDE:
    case VK_OEM_5: ZoomTo100(); break;
    case VK_F5: PostMessageA(window, WM_COMMAND, kViewerReload, 0); break;
    default: break;
  }
}

LRESULT ViewerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == wheelMessage && wheelMessage != 0) {
    int delta = int(wParam);
    if (KeyHeld(VK_CONTROL)) {
      if (delta < 0)
        Reduce();
      else if (delta > 0)
        Enlarge();
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        if (view && IsWindow(window) && !sizing && TheSettings.AutoFitWindow) FitZoomToClient();
        if (view) view->Layout();
      }
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETMINMAXINFO: {
      auto info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {kMinTrackWidth, kMinTrackHeight};
      return 0;
    }
    case WM_CONTEXTMENU: ShowContextMenu(lParam); return 0;
    case WM_KEYDOWN: OnKeyDown(wParam); return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) OnCommand(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      int delta = short(HIWORD(wParam));
      if (LOWORD(wParam) & MK_CONTROL) {
        if (delta < 0)
          Reduce();
        else if (delta > 0)
          Enlarge();
      }
      return DefWindowProcA(window, message, wParam, lParam);
    }
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

void OpenViewerWindow(const char* path) {
  auto viewer = new (std::nothrow) ViewerWindow(path);
  // Without a window nothing would ever free it.
  if (viewer && !viewer->Window()) delete viewer;
}

void RunViewer(const char* path) {
  ViewerWindow viewer(path, true);
  if (!viewer.Window()) return;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void UnregisterViewerClasses() {
  UnregisterClassA(kFrameClass, ModuleInstance);
  ImageView::UnregisterWindowClass(ModuleInstance);
}

}  // namespace lumetta
