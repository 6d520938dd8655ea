#pragma once

// ImageView: the child window that shows one ImageFile at a zoom, decodes it progressively while it is
// on screen, lets the user drag it with a hand cursor and animates GIF frames. Decoding and painting
// happen on the window's thread; a second thread only paces the slices, so the window stays
// responsive while a large image comes in.
#include <windows.h>

#include "image/ImageFile.h"
#include "viewer/ViewerMath.h"

namespace lumetta {

class ImageView {
public:
  ImageView(HINSTANCE instance, HWND owner);
  virtual ~ImageView();
  ImageView(const ImageView&) = delete;
  ImageView& operator=(const ImageView&) = delete;

  // The class every view's window is made of, registered by the first view of the module.
  static void UnregisterWindowClass(HINSTANCE instance);

  bool SetImage(ImageFile* newImage, bool releaseOld, bool redraw);
  void Layout();
  void SetPosition(int x, int y, int cx, int cy);
  void UpdateScrollRange();
  void ScrollBy(int dx, int dy);
  void SetZoom(int percent);
  void SetBackground(COLORREF colour);
  void StartDecoding(int priority);
  void StopDecoding();
  bool DecodeSlice(int rows, bool redraw);
  void StartAnimation();
  void RefreshCursor();

  HWND Window() const { return window; }
  ImageFile* Image() const { return image; }
  int Zoom() const { return zoom; }
  int ScrollX() const { return scrollX; }
  int ScrollY() const { return scrollY; }
  int FrameIndex() const { return frameIndex; }
  bool ThreadRunning() const { return threadRunning; }

  // Decode request values (the frame asks for its own dithering).
  int requestWidth = 0;
  int requestHeight = 0;
  int ditherMode = 1;
  int ditherTo16 = 1;
  int fixedPalette = 0;
  int deviceBitmap = 0;
  bool animate = true;

protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void Paint(const PAINTSTRUCT& paint, HDC dc);

private:
  static LRESULT CALLBACK ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI PacingThread(void* self);
  void AnimationTick();
  void AnimationProgress();
  void RestartAnimation();
  void HoldShownFrame();
  void ReleaseHeldFrame();
  void PaintBitmap(const RECT& area, HDC dc, HBITMAP bitmap, HPALETTE palette, int width, int height,
                   const ViewRect& decoded);
  bool DecodeAhead() const;
  void StopPacing(bool forGood);
  void OnMouseMove(int x, int y);
  // Decoded extent of the shown page, and that extent at the current zoom.
  int PageWidth() const;
  int PageHeight() const;
  int ZoomedWidth() const { return int(int64_t(PageWidth()) * zoom / 100); }
  int ZoomedHeight() const { return int(int64_t(PageHeight()) * zoom / 100); }
  void ClampScroll();

  HWND owner;
  HWND window = nullptr;
  int maxScrollX = 0, maxScrollY = 0;
  int scrollX = 0, scrollY = 0;
  HCURSOR handCursor = nullptr, handClosedCursor = nullptr, arrowCursor = nullptr, busyCursor = nullptr;
  ImageFile* image = nullptr;
  HPALETTE lastPalette = nullptr;
  bool dragging = false;
  int dragX = 0, dragY = 0;
  HBRUSH background = nullptr;
  int zoom = 100;
  static constexpr int kUpdateRectRoom = 100;
  ImageRect updateRects[kUpdateRectRoom];
  // An animation holds only the frame on screen and the next ones being decoded: a frame is released
  // once the next one is shown, and after the last frame the file is decoded again from its start.
  enum class Animation {
    Off,
    FirstFrame,       // the first frame is up; its time starts once a second frame is known to exist
    Showing,          // the timer runs for the frame on screen
    WaitingForFrame,  // the frame's time is up and the next frame is still being decoded
  };
  Animation animation = Animation::Off;
  int frameIndex = 0;
  // While the first frame is decoded again after the last, a copy of the last stays on screen in its
  // place (the decode's own frames are released to restart it).
  HBITMAP heldFrame = nullptr;
  int heldWidth = 0, heldHeight = 0;
  int pacingPriority = THREAD_PRIORITY_NORMAL;
  bool decodeWaiting = false;  // the pacing waits until the frame on screen moves on
  HANDLE thread = nullptr;
  volatile LONG threadRunning = 0;
  volatile LONG stopRequested = 0;
  // Set by the window thread when the decode has ended (complete, failed or no image); the only
  // decode state the pacing thread reads.
  volatile bool decodeOver = false;
  int pacingRows = 1;
  bool rowsArrived = false;        // the decode under way has brought rows to paint
  HMODULE pacingModule = nullptr;  // the module the thread's code lives in, held while it runs
  HANDLE readyEvent = nullptr;
  HANDLE stopEvent = nullptr;
};

}  // namespace lumetta
