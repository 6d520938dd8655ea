#include "viewer/ImageView.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>

#include "pipeline/GdiGuards_win.h"

namespace lumetta {

namespace {

constexpr char kClassName[] = "ImageViewWndClass";
constexpr UINT_PTR kAnimationTimer = 1;
// Lets the pacing thread go on only once the input that ended a slice has been answered: timer messages
// come after input, posted ones before it.
constexpr UINT_PTR kResumeTimer = 2;
constexpr DWORD kStopWaitMs = 3000;
constexpr int kWholeInvalidateRows = 100;

int Clamp(int value, int high) { return std::max(0, std::min(value, high)); }

RECT ToRect(const ViewRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A key or button waits in the window thread's queue.
bool InputWaiting() { return HIWORD(GetQueueStatus(QS_KEY | QS_MOUSEBUTTON)) != 0; }

void CursorPointInClient(HWND window, POINT* point) {
  GetCursorPos(point);
  ScreenToClient(window, point);
}

}  // namespace

ImageView::ImageView(HINSTANCE instance, HWND ownerWindow) : owner(ownerWindow) {
  handCursor = LoadCursorA(instance, "HandCursor");
  handClosedCursor = LoadCursorA(instance, "HandClosedCursor");
  arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
  busyCursor = LoadCursorA(nullptr, IDC_APPSTARTING);
  readyEvent = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  background = CreateSolidBrush(RGB(0, 0, 0));

  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kClassName, &wc)) {
    wc = WNDCLASSA{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &ImageView::ClassProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
  }
  RECT client{};
  GetClientRect(owner, &client);
  CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right - client.left,
                  client.bottom - client.top, owner, nullptr, instance, this);
}

ImageView::~ImageView() {
  StopPacing(true);
  if (readyEvent) CloseHandle(readyEvent);
  if (stopEvent) CloseHandle(stopEvent);
  if (handCursor) DestroyCursor(handCursor);
  if (handClosedCursor) DestroyCursor(handClosedCursor);
  if (window && IsWindow(window)) {
    KillTimer(window, kAnimationTimer);
    DestroyWindow(window);
  }
  window = nullptr;
  ReleaseHeldFrame();
  if (image) image->ReleaseAll();
  if (background) DeleteObject(background);
}

void ImageView::UnregisterWindowClass(HINSTANCE instance) { UnregisterClassA(kClassName, instance); }

LRESULT CALLBACK ImageView::ClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto self = reinterpret_cast<ImageView*>(GetWindowLongPtrA(hwnd, 0));
  if (message == WM_NCCREATE) {
    self = static_cast<ImageView*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    self->window = hwnd;
  }
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = self->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, 0, 0);
    self->window = nullptr;
  }
  return result;
}

int ImageView::PageWidth() const { return image ? image->GetOutputWidth(frameIndex) : 0; }
int ImageView::PageHeight() const { return image ? image->GetOutputHeight(frameIndex) : 0; }

void ImageView::ClampScroll() {
  scrollX = Clamp(scrollX, maxScrollX);
  scrollY = Clamp(scrollY, maxScrollY);
}

void ImageView::Layout() {
  if (!image || PageWidth() <= 0) {
    SetPosition(0, 0, 0, 0);
    return;
  }
  RECT client{};
  GetClientRect(owner, &client);
  ViewRect place = ViewPlacement(client.right - client.left, client.bottom - client.top, ZoomedWidth(), ZoomedHeight());
  SetPosition(place.left, place.top, place.right - place.left, place.bottom - place.top);
}

void ImageView::SetPosition(int x, int y, int cx, int cy) {
  SetWindowPos(window, nullptr, x, y, cx, cy, SWP_NOCOPYBITS | SWP_NOZORDER);
  InvalidateRect(window, nullptr, FALSE);
  if (image) {
    maxScrollX = std::max(0, ZoomedWidth() - cx);
    maxScrollY = std::max(0, ZoomedHeight() - cy);
    ClampScroll();
  }
}

void ImageView::UpdateScrollRange() {
  if (!image) {
    maxScrollX = maxScrollY = scrollX = scrollY = 0;
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  maxScrollX = std::max(0, ZoomedWidth() - int(client.right) - 2);
  maxScrollY = std::max(0, ZoomedHeight() - int(client.bottom) - 2);
  ClampScroll();
}

void ImageView::ScrollBy(int dx, int dy) {
  int oldX = scrollX, oldY = scrollY;
  int newX = Clamp(scrollX + dx, maxScrollX);
  int newY = Clamp(scrollY + dy, maxScrollY);
  if (newX == oldX && newY == oldY) return;
  scrollX = newX;
  scrollY = newY;
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  ScrollWindowEx(window, oldX - newX, oldY - newY, nullptr, nullptr, update, nullptr, 0);

  // Only the strips where new pixels enter need painting; anything else in the update region (a window
  // that covered ours) is painted with them in one go.
  RECT client{};
  GetClientRect(window, &client);
  RECT strips[2];
  int stripCount = 0;
  if (newX != oldX) {
    int w = std::abs(oldX - newX);
    strips[stripCount++] =
        newX > oldX ? RECT{client.right - w, 0, client.right, client.bottom} : RECT{0, 0, w, client.bottom};
  }
  if (newY != oldY) {
    int h = std::abs(oldY - newY);
    strips[stripCount++] =
        newY > oldY ? RECT{0, client.bottom - h, client.right, client.bottom} : RECT{0, 0, client.right, h};
  }
  HRGN stripRegion = CreateRectRgn(0, 0, 0, 0);
  for (int i = 0; i < stripCount; ++i) {
    HRGN one = CreateRectRgnIndirect(&strips[i]);
    CombineRgn(stripRegion, stripRegion, one, RGN_OR);
    DeleteObject(one);
  }
  HRGN outside = CreateRectRgn(0, 0, 0, 0);
  int rest = CombineRgn(outside, update, stripRegion, RGN_DIFF);
  if (rest == NULLREGION) {
    for (int i = 0; i < stripCount; ++i) {
      InvalidateRect(window, &strips[i], FALSE);
      UpdateWindow(window);
    }
  } else {
    InvalidateRgn(window, update, FALSE);
    UpdateWindow(window);
  }
  DeleteObject(outside);
  DeleteObject(stripRegion);
  DeleteObject(update);
}

void ImageView::SetZoom(int z) {
  if (z == zoom) return;
  z = std::max(z, 1);
  RECT client{};
  GetClientRect(window, &client);
  scrollX = ScrollKeepingCentre(scrollX, client.right, zoom, z);
  scrollY = ScrollKeepingCentre(scrollY, client.bottom, zoom, z);
  zoom = z;
  UpdateScrollRange();
  InvalidateRect(window, nullptr, TRUE);
}

void ImageView::SetBackground(COLORREF colour) {
  if (background) DeleteObject(background);
  background = CreateSolidBrush(colour);
}

bool ImageView::SetImage(ImageFile* newImage, bool releaseOld, bool redraw) {
  StopDecoding();
  if (newImage == image) return true;
  ImageFile* old = image;
  image = newImage;
  ReleaseHeldFrame();
  if (KillTimer(window, kAnimationTimer) && old) old->SetPage(0);
  animation = Animation::Off;
  if (redraw) InvalidateRect(window, nullptr, TRUE);
  maxScrollX = maxScrollY = scrollX = scrollY = 0;
  if (image && (image->IsDecoding() || image->IsComplete())) {
    RefreshCursor();
    UpdateScrollRange();
  }
  if (old && old->GetPalette(frameIndex) && window) {
    HDC dc = GetDC(window);
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
  }
  lastPalette = nullptr;
  frameIndex = 0;
  if (releaseOld && old) old->ReleaseAll();
  POINT point;
  CursorPointInClient(window, &point);
  PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
  if (redraw) UpdateWindow(window);
  if (animate && image && image->IsComplete()) StartAnimation();
  return true;
}

void ImageView::StartDecoding(int priority) {
  pacingPriority = priority;
  decodeWaiting = false;
  if (threadRunning) return;
  // The step size is fixed for the run; the thread itself never reads the image, whose decoder the
  // window thread creates and destroys while the thread waits.
  pacingRows = image ? RowsPerStep(image->GetOutputWidth()) : 1;
  decodeOver = !image || image->IsComplete();
  threadRunning = 1;
  stopRequested = 0;
  ResetEvent(stopEvent);
  SetEvent(readyEvent);
  DWORD id = 0;
  if (thread) CloseHandle(thread);
  // The thread holds the module loaded until its last instruction: a module freed just after a viewer
  // closed must not unload the code the thread is still leaving by.
  pacingModule = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ImageView::PacingThread),
                     &pacingModule);
  thread = CreateThread(nullptr, 0, &ImageView::PacingThread, this, CREATE_SUSPENDED, &id);
  if (!thread) {
    if (pacingModule) FreeLibrary(pacingModule);
    threadRunning = 0;
    return;
  }
  SetThreadPriority(thread, priority);
  ResumeThread(thread);
}

DWORD WINAPI ImageView::PacingThread(void* param) {
  auto self = static_cast<ImageView*>(param);
  HMODULE module = self->pacingModule;
  HANDLE events[2] = {self->readyEvent, self->stopEvent};
  while (!self->decodeOver && !self->stopRequested) {
    DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 || self->decodeOver || self->stopRequested) break;
    PostMessageA(self->window, WM_USER, WPARAM(self->pacingRows), 0);
  }
  InterlockedExchange(&self->threadRunning, 0);
  if (module) FreeLibraryAndExitThread(module, 0);
  return 0;
}

void ImageView::StopDecoding() { StopPacing(false); }

// A view that goes on may leave a late thread behind after the beep; one that is being destroyed may
// not, since the thread reads it: it waits for the thread's end, which only needs the events set here.
void ImageView::StopPacing(bool forGood) {
  if (thread) {
    if (threadRunning) {
      InterlockedExchange(&stopRequested, 1);
      SetEvent(stopEvent);
      if (WaitForSingleObject(thread, kStopWaitMs) == WAIT_TIMEOUT) {
        MessageBeep(MB_ICONASTERISK);
        if (forGood) WaitForSingleObject(thread, INFINITE);
      }
      threadRunning = 0;
    }
    CloseHandle(thread);
    thread = nullptr;
  }
  MSG message;
  if (window) {
    KillTimer(window, kResumeTimer);
    while (PeekMessageA(&message, window, WM_USER, WM_USER, PM_REMOVE)) {
    }
  }
}

// One slice: steps of `rows` rows for about one frame's time (the slice that begins the decode ends
// after the first step that brings rows, so the first rows show as soon as they can), ended early by a waiting key or
// button or a new animation frame; then one paint of what the steps changed.
bool ImageView::DecodeSlice(int rows, bool redraw) {
  if (!image || image->IsComplete()) {
    decodeOver = true;
    return true;
  }
  const auto start = std::chrono::steady_clock::now();
  const bool beginning = !image->IsDecoding();
  if (beginning) {
    rowsArrived = false;
    DecodeRequest request;
    request.width = requestWidth;
    request.height = requestHeight;
    request.ditherMode = ditherMode;
    request.ditherTo16 = ditherTo16;
    request.fixedPalette = fixedPalette;
    request.deviceBitmap = deviceBitmap;
    bool gif = image->GetKind() == ImageKind::Gif;
    request.scanAllFrames = gif;
    request.allPages = animate && gif;
    if (!image->BeginDecode(request)) {
      image->EndDecode(false);
      decodeOver = true;
      SetImage(nullptr, true, true);
      return false;
    }
    UpdateScrollRange();
    if (animate) StartAnimation();
  }
  const bool whole = rows > kWholeInvalidateRows;
  const int page = image->GetCurrentPage();
  bool ok = true, changed = false, changedAll = false;
  ImageRect band{};
  for (;;) {
    int count = 0;
    ok = whole ? image->DecodeStep(rows, nullptr, nullptr) : image->DecodeStep(rows, &count, updateRects);
    if (!ok) break;
    if (image->GetCurrentPage() == frameIndex) {
      changedAll = changedAll || whole;
      for (int i = 0; i < std::clamp(count, 0, kUpdateRectRoom); ++i) {
        const ImageRect& r = updateRects[i];
        if (r.right <= r.left || r.bottom <= r.top) continue;
        band = changed ? ImageRect{std::min(band.left, r.left), std::min(band.top, r.top),
                                   std::max(band.right, r.right), std::max(band.bottom, r.bottom)}
                       : r;
        changed = true;
      }
    }
    if ((beginning && changed) || image->IsComplete() || image->GetCurrentPage() != page || InputWaiting()) break;
    if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kSliceMs)) break;
  }
  if (redraw && changedAll) InvalidateRect(window, nullptr, FALSE);
  // The first frame is whole once the decode has gone past it (or is over): it takes the held frame's place.
  if (heldFrame && (!ok || image->IsComplete() || image->GetCurrentPage() != 0)) ReleaseHeldFrame();
  if (!ok) {
    // A broken file stays as far as it came; starting it again would only fail again, for ever.
    image->EndDecode(false);
    decodeOver = true;
    RefreshCursor();
    InvalidateRect(window, nullptr, FALSE);
    return false;
  }
  bool complete = image->IsComplete();
  if (complete) {
    image->EndDecode(false);
    // An animation's first frames are gone by now: the image stands for the frame on screen.
    if (animation != Animation::Off) image->SetPage(frameIndex);
    decodeOver = true;
    RefreshCursor();
    // A reduced paint samples its source band on a scale of its own, so a row at the edge of the
    // decoded part can have been drawn from a row not yet decoded; the finished image is drawn once
    // more as a whole.
    if (redraw && zoom < 100) InvalidateRect(window, nullptr, FALSE);
  }
  if (redraw && changed && !changedAll) {
    RECT screen = ToRect(MapDecodedRect({band.left, band.top, band.right, band.bottom}, zoom, scrollX, scrollY));
    InvalidateRect(window, &screen, FALSE);
  }
  if (animation != Animation::Off) AnimationProgress();
  // Until the decode has brought rows (a decoder still reading what its first rows need) a slice paints
  // nothing: the first paint then shows them.
  rowsArrived = rowsArrived || changed || changedAll || complete;
  if (redraw && rowsArrived) UpdateWindow(window);
  return true;
}

void ImageView::StartAnimation() {
  KillTimer(window, kAnimationTimer);
  animation = Animation::Off;
  if (!image || image->GetKind() != ImageKind::Gif) return;
  frameIndex = 0;
  animation = Animation::FirstFrame;
  AnimationProgress();
}

// After each slice: the first frame's time starts once a second frame exists (a still image never
// starts the timer, and so never repaints at rest), and a tick that found its frame missing is
// repeated as soon as the frame is there.
void ImageView::AnimationProgress() {
  if (!image) return;
  const bool decoding = image->IsDecoding();
  if (animation == Animation::FirstFrame) {
    // While decoding, the current page has been begun: its frame exists.
    const int frames = decoding ? image->GetCurrentPage() + 1 : image->GetPageCount();
    if (frames <= 1) return;
    int delay = 10;
    ImageExtras* extras = image->GetExtras();
    if (!extras || !extras->FrameDisplayTime(frameIndex, &delay)) delay = 10;
    SetTimer(window, kAnimationTimer, UINT(std::max(delay, 0) * 10), nullptr);
    animation = Animation::Showing;
  } else if (animation == Animation::WaitingForFrame && (!decoding || frameIndex + 1 < image->GetCurrentPage())) {
    AnimationTick();
  }
}

void ImageView::AnimationTick() {
  if (!image || animation == Animation::Off || animation == Animation::FirstFrame) return;
  const bool decoding = image->IsDecoding();
  if (decoding && frameIndex + 1 >= image->GetCurrentPage()) {
    // The next frame is not there yet: the decode ticks again when it is.
    KillTimer(window, kAnimationTimer);
    animation = Animation::WaitingForFrame;
    return;
  }
  const int next = frameIndex + 1;
  if (next >= image->GetPageCount()) {
    RestartAnimation();
    return;
  }
  int delay = 10;
  ImageExtras* extras = image->GetExtras();
  if (!extras || !extras->FrameDisplayTime(next, &delay)) delay = 10;
  SetTimer(window, kAnimationTimer, UINT(std::max(delay, 0) * 10), nullptr);
  animation = Animation::Showing;
  const int shown = frameIndex;
  frameIndex = next;
  image->ReleasePage(shown);
  if (!decoding) image->SetPage(frameIndex);
  if (decodeWaiting && !DecodeAhead()) {
    decodeWaiting = false;
    SetEvent(readyEvent);
  }
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

// An animation decodes the frame after the one on screen, then waits for the timer to move on.
bool ImageView::DecodeAhead() const {
  return animation != Animation::Off && image && image->IsDecoding() && image->GetCurrentPage() > frameIndex + 1;
}

// The last frame has had its time: the frames before it are gone, so the file is decoded again from
// its start. The last frame stays on screen until the first is whole, rather than the background or a
// part-decoded frame flashing up on every loop.
void ImageView::RestartAnimation() {
  KillTimer(window, kAnimationTimer);
  animation = Animation::Off;
  if (image->GetPageCount() <= 1) return;
  HoldShownFrame();
  image->ReleaseAll();
  // The image stood for the frame on screen; the decode starts again at the first.
  image->SetPage(0);
  frameIndex = 0;
  decodeOver = false;
  StartDecoding(pacingPriority);
}

// A copy of the frame on screen as it looks, device-independent so that it needs no palette of its own.
void ImageView::HoldShownFrame() {
  ReleaseHeldFrame();
  auto bitmap = reinterpret_cast<HBITMAP>(image->GetBitmap(frameIndex));
  if (!bitmap) bitmap = reinterpret_cast<HBITMAP>(image->GetFullColorBitmap(frameIndex));
  const int w = PageWidth(), h = PageHeight();
  if (!bitmap || w <= 0 || h <= 0) return;
  BITMAPINFO info = gdi::TopDown32Info(w, h);
  void* bits = nullptr;
  // Without room for the copy the loop goes on as before, the first frame showing as it comes in.
  gdi::Object<HBITMAP> copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    gdi::BitmapDc source(bitmap), target(copy.get());
    if (!source.get() || !target.get()) return;
    auto palette = reinterpret_cast<HPALETTE>(image->GetPalette(frameIndex));
    HPALETTE oldPalette = palette ? SelectPalette(source.get(), palette, FALSE) : nullptr;
    const bool copied = BitBlt(target.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
    if (oldPalette) SelectPalette(source.get(), oldPalette, TRUE);
    if (!copied) return;
  }
  heldFrame = copy.release();
  heldWidth = w;
  heldHeight = h;
}

void ImageView::ReleaseHeldFrame() {
  if (!heldFrame) return;
  DeleteObject(heldFrame);
  heldFrame = nullptr;
  if (window) InvalidateRect(window, nullptr, FALSE);
}

void ImageView::RefreshCursor() {
  if (!window) return;
  POINT point;
  CursorPointInClient(window, &point);
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
}

void ImageView::OnMouseMove(int x, int y) {
  bool decoding = image && image->IsDecoding();
  HCURSOR cursor = decoding ? busyCursor : arrowCursor;
  if (maxScrollX || maxScrollY) {
    if (dragging) {
      ScrollBy(dragX - x, dragY - y);
      dragX = x;
      dragY = y;
      cursor = handClosedCursor;
    } else if (!decoding) {
      cursor = handCursor;
    }
  }
  RECT client{};
  GetClientRect(window, &client);
  POINT point{x, y};
  if (PtInRect(&client, point) && cursor) SetCursor(cursor);
}

void ImageView::Paint(const PAINTSTRUCT& ps, HDC dc) {
  const RECT& p = ps.rcPaint;
  if (heldFrame) {
    PaintBitmap(p, dc, heldFrame, nullptr, heldWidth, heldHeight, ViewRect{0, 0, heldWidth, heldHeight});
    return;
  }
  HBITMAP bitmap = nullptr;
  if (image) {
    bitmap = reinterpret_cast<HBITMAP>(image->GetBitmap(frameIndex));
    if (!bitmap) bitmap = reinterpret_cast<HBITMAP>(image->GetFullColorBitmap(frameIndex));
  }
  if (!bitmap && !(image && image->GetKind() == ImageKind::Wmf)) {
    FillRect(dc, &p, background);
    return;
  }

  auto palette = reinterpret_cast<HPALETTE>(image->GetPalette(frameIndex));
  if (palette) {
    if (lastPalette && lastPalette != palette && GetDeviceCaps(dc, BITSPIXEL) == 8 &&
        !(image->GetKind() == ImageKind::Gif && image->GetPageCount() > 1)) {
      // A new palette changes what the old pixels look like: clear them rather than show them wrong.
      HDC whole = GetDC(window);
      RECT client{};
      GetClientRect(window, &client);
      FillRect(whole, &client, background);
      ReleaseDC(window, whole);
    }
    lastPalette = palette;
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }

  const int w = PageWidth(), h = PageHeight();
  if (image->GetKind() == ImageKind::Wmf) {
    ImageExtras* extras = image->GetExtras();
    auto metafile = extras ? static_cast<HENHMETAFILE>(extras->EnhancedMetafile()) : nullptr;
    FillRect(dc, &p, GetSysColorBrush(COLOR_WINDOW));
    if (metafile) {
      RECT target{0, 0, int((int64_t(w) * zoom + 99) / 100), int((int64_t(h) * zoom + 99) / 100)};
      OffsetRect(&target, -scrollX, -scrollY);
      PlayEnhMetaFile(dc, metafile, &target);
    }
    return;
  }

  ViewRect decoded{0, 0, w, h};
  if (!image->IsComplete() && image->GetCurrentPage() == frameIndex && image->IsDecoding()) {
    ImageRect r = image->GetUpdateRect();
    decoded = {r.left, r.top, r.right, r.bottom};
  }
  PaintBitmap(p, dc, bitmap, palette, w, h, decoded);
}

// The decoded part of a `width` x `height` picture into the area at the zoom and scroll; the rest of
// the area in the background colour.
void ImageView::PaintBitmap(const RECT& p, HDC dc, HBITMAP bitmap, HPALETTE palette, int w, int h,
                            const ViewRect& decoded) {
  PaintPlan plan = PlanPaint({p.left, p.top, p.right, p.bottom}, w, h, decoded, zoom, scrollX, scrollY);
  RECT clip = ToRect(plan.clip);
  HRGN clipRegion = CreateRectRgnIndirect(&clip);
  SelectClipRgn(dc, clipRegion);

  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  HPALETTE oldPalette = palette ? SelectPalette(memory, palette, FALSE) : nullptr;
  if (plan.sourceWidth > 0 && plan.sourceHeight > 0) {
    if (zoom == 100) {
      BitBlt(dc, plan.destX, plan.destY, plan.sourceWidth, plan.sourceHeight, memory, plan.sourceX, plan.sourceY,
             SRCCOPY);
    } else {
      int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, plan.destX, plan.destY, plan.destWidth, plan.destHeight, memory, plan.sourceX, plan.sourceY,
                 plan.sourceWidth, plan.sourceHeight, SRCCOPY);
      SetStretchBltMode(dc, oldMode);
    }
  }
  if (oldPalette) SelectPalette(memory, oldPalette, TRUE);
  SelectObject(memory, oldBitmap);
  DeleteDC(memory);
  SelectClipRgn(dc, nullptr);

  HRGN rest = CreateRectRgnIndirect(&p);
  CombineRgn(rest, rest, clipRegion, RGN_DIFF);
  FillRgn(dc, rest, background);
  DeleteObject(rest);
  DeleteObject(clipRegion);
}

LRESULT ImageView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_USER: {
      LRESULT result = DecodeSlice(int(wParam), true);
      // An animation decodes one frame ahead and waits for the timer; a key waiting in the queue is
      // answered before the next slice, which a timer message (queued after input) then starts.
      if (DecodeAhead())
        decodeWaiting = true;
      else if (!(InputWaiting() && SetTimer(window, kResumeTimer, USER_TIMER_MINIMUM, nullptr)))
        SetEvent(readyEvent);
      return result;
    }
    case WM_TIMER:
      if (wParam == kAnimationTimer) AnimationTick();
      if (wParam == kResumeTimer) {
        KillTimer(window, kResumeTimer);
        SetEvent(readyEvent);
      }
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && image) {
        int cx = LOWORD(lParam), cy = HIWORD(lParam);
        int sw = ZoomedWidth(), sh = ZoomedHeight();
        maxScrollX = sw - cx > 0 ? sw - cx - 1 : 0;
        maxScrollY = sh - cy > 0 ? sh - cy - 1 : 0;
        scrollX = std::min(scrollX, maxScrollX);
        scrollY = std::min(scrollY, maxScrollY);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEMOVE: OnMouseMove(short(LOWORD(lParam)), short(HIWORD(lParam))); return 0;
    case WM_LBUTTONDOWN:
      if (maxScrollX || maxScrollY) {
        dragX = short(LOWORD(lParam));
        dragY = short(HIWORD(lParam));
        dragging = true;
        SetCapture(window);
        SetCursor(handClosedCursor);
      }
      return 0;
    case WM_LBUTTONUP:
      dragging = false;
      ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a dialog, a switch of task): the button may come up elsewhere,
      // and a drag left running would move the picture with a released button.
      dragging = false;
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      NMHDR header{};
      header.hwndFrom = window;
      header.idFrom = UINT_PTR(GetWindowLongPtrA(window, GWLP_ID));
      header.code = message == WM_LBUTTONDBLCLK ? UINT(NM_DBLCLK) : UINT(NM_RCLICK);
      SendMessageA(owner, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(ps, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED: InvalidateRect(window, nullptr, FALSE); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace lumetta
