// lumetta-menu: does with lumetta32.dll exactly what the file manager does with a registered
// context-menu handler, for people on Wine (whose file manager loads no third-party handlers), for the
// tests and for screenshots.
//   lumetta-menu [--list] [--invoke N] [--no-owner-draw] [--time] [--keys KEYS] FILE...
//   lumetta-menu [--time] --thumbnail SIZE FILE OUT.bmp
// The registered class is created through COM, given the files as a CF_HDROP data object and asked for
// its items in a real popup menu. Without options the menu is shown at the pointer and the chosen
// command is invoked; --list prints the items instead (position, identifier, kind, text, one line
// each, submenus indented) and --invoke runs command offset N without showing the menu.
// --no-owner-draw asks only for IContextMenu, as shells do that draw no items for handlers. --time
// prints how long QueryContextMenu took (the thumbnail's decode is most of it). --keys types keys into
// the shown menu as a person would, "d" down, "r" right, "u" up, "l" left, "e" enter (for screenshots
// of a submenu, or of what a command opens).
// --thumbnail does what the file manager's icon view does with a registered thumbnail handler: the
// class named for FILE's extension (under the extension's key, else under SystemFileAssociations) is
// created through COM, given a stream on FILE, asked for GetThumbnail(SIZE), and the bitmap is written
// to OUT.bmp; --time prints how long GetThumbnail took.
// Exit status: 0 when the module could be unloaded afterwards, 3 when it could not, 1 when the
// handler could not be created, 2 bad usage.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DropDataObject.h"

namespace {

const CLSID kHandlerClass = {0x672386AE, 0x5F5E, 0x4D0E, {0x94, 0xCC, 0x44, 0x6F, 0x33, 0xF0, 0xD8, 0x31}};
constexpr UINT kFirstId = 1;
constexpr UINT kLastId = 0x7FFF;

// The owner window forwards the menu's owner-draw messages to the handler, as the file manager's
// window does.
IContextMenu2* g_menu2 = nullptr;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_INITMENUPOPUP:
      if (g_menu2 && (message == WM_INITMENUPOPUP || wParam == 0)) {
        g_menu2->HandleMenuMsg(message, wParam, lParam);
        return message == WM_INITMENUPOPUP ? 0 : TRUE;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      char title[MAX_PATH + 20];
      GetWindowTextA(window, title, sizeof title);
      RECT r;
      GetClientRect(window, &r);
      DrawTextA(dc, title, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_PATH_ELLIPSIS);
      EndPaint(window, &paint);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Keys to type once the menu is up; typed from a timer, as TrackPopupMenu runs its own loop.
std::string g_keys;

void CALLBACK TypeKeys(HWND window, UINT, UINT_PTR timer, DWORD) {
  KillTimer(window, timer);
  for (char key : g_keys) {
    WORD vk = key == 'd' ? VK_DOWN : key == 'u' ? VK_UP : key == 'r' ? VK_RIGHT : key == 'l' ? VK_LEFT : VK_RETURN;
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
  }
}

const char* Kind(UINT type) {
  if (type & MFT_SEPARATOR) return "separator";
  if (type & MFT_OWNERDRAW) return "owner-drawn";
  if (type & MFT_BITMAP) return "bitmap";
  return "text";
}

void PrintMenu(HMENU menu, int depth) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE | MIIM_STRING | MIIM_BITMAP | MIIM_DATA;
    item.dwTypeData = text;
    item.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, UINT(i), TRUE, &item)) continue;
    const char* kind = item.hSubMenu ? "submenu" : Kind(item.fType);
    if (!item.hSubMenu && !(item.fType & (MFT_SEPARATOR | MFT_OWNERDRAW)) && item.hbmpItem && !text[0]) kind = "bitmap";
    // A submenu item's identifier is its menu handle, which says nothing to a reader.
    if (item.hSubMenu)
      std::printf("%*s%d - %s %s\n", depth * 2, "", i, kind, text);
    else
      std::printf("%*s%d %u %s %s\n", depth * 2, "", i, item.wID, kind, text);
    if (item.hSubMenu) PrintMenu(item.hSubMenu, depth + 1);
  }
}

// The owner-drawn item's size as the handler measures it.
void PrintMeasures(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    if (!GetMenuItemInfoA(menu, UINT(i), TRUE, &item) || !(item.fType & MFT_OWNERDRAW)) continue;
    MEASUREITEMSTRUCT measure = {ODT_MENU, 0, item.wID, 0, 0, item.dwItemData};
    if (g_menu2) g_menu2->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    std::printf("measure %u %ux%u\n", item.wID, measure.itemWidth, measure.itemHeight);
  }
}

int Usage() {
  std::fputs(
      "usage: lumetta-menu [--list] [--invoke N] [--no-owner-draw] [--time] [--keys KEYS] FILE...\n"
      "       lumetta-menu [--time] --thumbnail SIZE FILE OUT.bmp\n",
      stderr);
  return 2;
}

// The thumbnail handler the registry names for `path`'s extension, as the file manager looks it up.
bool RegisteredThumbnailHandler(const char* path, CLSID* clsid) {
  const char* dot = std::strrchr(path, '.');
  if (!dot || std::strpbrk(dot, "\\/")) return false;
  const std::string handler = "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
  for (std::string key : {std::string(dot) + handler, "SystemFileAssociations\\" + std::string(dot) + handler}) {
    char text[64] = {};
    LONG size = sizeof text;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS) continue;
    WCHAR wide[64];
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
    if (SUCCEEDED(CLSIDFromString(wide, clsid))) return true;
  }
  return false;
}

// A 32-bit top-down DIB section written as a bottom-up 32-bit BMP file.
bool WriteBitmapFile(HBITMAP bitmap, const char* out) {
  DIBSECTION dib = {};
  if (GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32 || !dib.dsBm.bmBits)
    return false;
  // A thumbnail handler's bitmap is top-down by contract (GDI does not always say so in dsBmih).
  const int width = dib.dsBm.bmWidth, height = dib.dsBm.bmHeight;
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  info.biSizeImage = DWORD(width) * 4 * DWORD(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* f = std::fopen(out, "wb");
  if (!f) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1;
  for (int y = height - 1; ok && y >= 0; --y) {
    ok = std::fwrite(static_cast<const char*>(dib.dsBm.bmBits) + size_t(y) * dib.dsBm.bmWidthBytes, 4, size_t(width),
                     f) == size_t(width);
  }
  return std::fclose(f) == 0 && ok;
}

int Thumbnail(int size, const char* path, const char* out, bool time) {
  CLSID clsid;
  if (!RegisteredThumbnailHandler(path, &clsid)) {
    std::fprintf(stderr, "lumetta-menu: no thumbnail handler is registered for %s\n", path);
    return 1;
  }
  IInitializeWithStream* init = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IInitializeWithStream,
                                reinterpret_cast<void**>(&init));
  IStream* stream = nullptr;
  if (SUCCEEDED(hr)) hr = SHCreateStreamOnFileA(path, STGM_READ | STGM_SHARE_DENY_WRITE, &stream);
  if (SUCCEEDED(hr)) hr = init->Initialize(stream, STGM_READ);
  // The file manager lets the stream go once the handler is initialised.
  if (stream) stream->Release();
  IThumbnailProvider* provider = nullptr;
  if (SUCCEEDED(hr)) hr = init->QueryInterface(__uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider));
  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  if (SUCCEEDED(hr)) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    hr = provider->GetThumbnail(UINT(size), &bitmap, &alpha);
    QueryPerformanceCounter(&end);
    if (time)
      std::printf("get-thumbnail %.2f ms\n",
                  double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  if (provider) provider->Release();
  if (init) init->Release();
  int status = 0;
  if (FAILED(hr)) {
    std::fprintf(stderr, "lumetta-menu: no thumbnail of %s (0x%08lX)\n", path, static_cast<unsigned long>(hr));
    status = 1;
  } else if (!WriteBitmapFile(bitmap, out)) {
    std::fprintf(stderr, "lumetta-menu: cannot write %s\n", out);
    status = 1;
  } else {
    BITMAP b = {};
    GetObjectA(bitmap, sizeof b, &b);
    std::printf("thumbnail %dx%d %s\n", int(b.bmWidth), int(b.bmHeight), alpha == WTSAT_ARGB ? "argb" : "rgb");
  }
  if (bitmap) DeleteObject(bitmap);
  CoFreeUnusedLibraries();
  return status;
}

}  // namespace

// EnumThreadWindows callback: a visible top-level window of lumetta32 sets *found.
static BOOL CALLBACK ModuleWindowFound(HWND window, LPARAM found) {
  if (IsWindowVisible(window) &&
      GetWindowLongPtrA(window, GWLP_HINSTANCE) == LONG_PTR(GetModuleHandleA("lumetta32.dll"))) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

int main(int argc, char** argv) {
  bool list = false;
  bool ownerDraw = true;
  bool time = false;
  int invoke = -1;
  int thumbnail = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--thumbnail") == 0 && i + 1 < argc) {
      thumbnail = std::atoi(argv[++i]);
      if (thumbnail <= 0) return Usage();
    } else if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc) {
      g_keys = argv[++i];
    } else if (std::strcmp(argv[i], "--time") == 0) {
      time = true;
    } else if (std::strcmp(argv[i], "--no-owner-draw") == 0) {
      ownerDraw = false;
    } else if (std::strcmp(argv[i], "--invoke") == 0 && i + 1 < argc) {
      invoke = std::atoi(argv[++i]);
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return Usage();
    } else {
      // The file manager always hands over full paths.
      char full[MAX_PATH];
      if (!GetFullPathNameA(argv[i], MAX_PATH, full, nullptr)) return Usage();
      files.emplace_back(full);
    }
  }
  if (files.empty()) return Usage();
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (thumbnail) {
    if (files.size() != 2) return Usage();
    CoInitialize(nullptr);
    int status = Thumbnail(thumbnail, files[0].c_str(), files[1].c_str(), time);
    CoUninitialize();
    return status;
  }

  OleInitialize(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = OwnerProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "LumettaMenuOwner";
  RegisterClassA(&windowClass);
  std::string title = "Lumetta menu - " + files[0];
  HWND owner = CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 420, 90,
                               nullptr, nullptr, windowClass.hInstance, nullptr);

  int status = 1;
  IShellExtInit* init = nullptr;
  HRESULT hr = CoCreateInstance(kHandlerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init));
  if (FAILED(hr)) {
    std::fprintf(stderr, "lumetta-menu: the handler class is not available (0x%08lX); is it registered?\n",
                 static_cast<unsigned long>(hr));
  } else {
    auto data = new DropDataObject(files);
    hr = init->Initialize(nullptr, data, nullptr);
    data->Release();
    IContextMenu* menuHandler = nullptr;
    if (ownerDraw && SUCCEEDED(init->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&g_menu2))))
      menuHandler = g_menu2;
    else
      init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menuHandler));

    if (menuHandler) {
      HMENU menu = CreatePopupMenu();
      LARGE_INTEGER frequency, start, end;
      QueryPerformanceFrequency(&frequency);
      QueryPerformanceCounter(&start);
      hr = menuHandler->QueryContextMenu(menu, 0, kFirstId, kLastId, CMF_NORMAL);
      QueryPerformanceCounter(&end);
      if (time)
        std::printf("query-context-menu %.2f ms\n",
                    double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
      if (list) {
        std::printf("identifiers %u\n", unsigned(HRESULT_CODE(hr)));
        PrintMenu(menu, 0);
        PrintMeasures(menu);
      }
      UINT chosen = 0;
      if (invoke >= 0) {
        chosen = kFirstId + UINT(invoke);
      } else if (!list && GetMenuItemCount(menu) > 0) {
        ShowWindow(owner, SW_SHOWNORMAL);
        UpdateWindow(owner);
        POINT at;
        GetCursorPos(&at);
        SetForegroundWindow(owner);
        if (!g_keys.empty()) SetTimer(owner, 1, 700, TypeKeys);
        chosen = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
      }
      if (chosen >= kFirstId) {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.hwnd = owner;
        info.lpVerb = MAKEINTRESOURCEA(chosen - kFirstId);
        info.nShow = SW_SHOWNORMAL;
        hr = menuHandler->InvokeCommand(&info);
        if (list || invoke >= 0) std::printf("invoke %u 0x%08lX\n", chosen - kFirstId, static_cast<unsigned long>(hr));
      }
      DestroyMenu(menu);
      g_menu2 = nullptr;
      menuHandler->Release();
    }
    init->Release();

    // A command may leave a window of the module open on this thread (the viewer); the file manager
    // keeps running its message loop, and so does this program until those windows are gone.
    for (;;) {
      bool open = false;
      EnumThreadWindows(GetCurrentThreadId(), ModuleWindowFound, reinterpret_cast<LPARAM>(&open));
      if (!open) break;
      MSG message;
      if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }

    // What COM asks before it frees an unused in-process server.
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    HMODULE module = GetModuleHandleA("lumetta32.dll");
    auto canUnload =
        module ? reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")))
               : nullptr;
    hr = canUnload ? canUnload() : E_FAIL;
    if (list) std::printf("unload %s\n", hr == S_OK ? "yes" : "no");
    status = hr == S_OK ? 0 : 3;
    CoFreeUnusedLibraries();
  }
  DestroyWindow(owner);
  OleUninitialize();
  return status;
}
