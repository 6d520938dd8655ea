#pragma once

// ViewerWindow: the top-level frame that shows one image through an ImageView at a chosen zoom, sizes
// itself around it and answers the keyboard, the wheel and its popup menu. Opened by the context
// menu's View command (the object frees itself when its window goes) and by the ShowImage export
// (which runs a message loop of its own and cleans up after it).
#include <windows.h>

#include <memory>

#include "image/ImageFile.h"
#include "viewer/ImageView.h"

namespace lumetta {

// Frame command identifiers (popup menu and posted commands).
enum ViewerCommand : int {
  kViewerClose = 1001,
  kViewerReload = 1002,
  kViewerPrint = 1003,
  kViewerTiled = 1004,
  kViewerCentered = 1005,
  kViewerRemoveWallpaper = 1006,
  kViewerAbout = 1007,
  kViewerEnlarge = 1008,
  kViewerReduce = 1009,
  kViewer100 = 1010,
  kViewerFitToScreen = 1011,
};

class ViewerWindow {
public:
  // Opens and shows the viewer; Window() is null when the file cannot be shown.
  // With `ownLoop`, destroying the window ends the caller's message loop instead of freeing the object.
  explicit ViewerWindow(const char* path, bool ownLoop = false);
  virtual ~ViewerWindow();
  ViewerWindow(const ViewerWindow&) = delete;
  ViewerWindow& operator=(const ViewerWindow&) = delete;

  HWND Window() const { return window; }
  int Zoom() const { return zoom; }

  void Enlarge();
  void Reduce();
  void ZoomTo100();
  void FitToScreen();
  void SetZoom(int percent);
  void FitZoomToWorkArea(bool allowShrink, bool allowEnlarge);
  void FitZoomToClient();
  void FitWindowToImage();
  void UpdateTitle();
  void Reload();
  void Print();
  void Wallpaper(bool tiled);

protected:
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowContextMenu(LPARAM position);
  void OnKeyDown(WPARAM key);
  void OnCommand(int id);
  void Zoomed(int index);
  void ReleaseState();

  std::unique_ptr<ImageView> view;
  std::unique_ptr<ImageFile> image;
  HWND window = nullptr;
  UINT wheelMessage = 0;
  int zoomIndex = kZoomIndex100;
  int zoom = 100;
  bool sizing = false;
  bool ownLoop = false;
  bool counted = false;
};

// The View command: a viewer that lives on by itself (nothing stays when the file cannot be shown).
void OpenViewerWindow(const char* path);
// ShowImage's body: the viewer with its own message loop; returns when the window is closed, or at
// once when the file cannot be shown.
void RunViewer(const char* path);
// The viewer's window classes, unregistered as the module unloads: a module loaded again (an upgrade at
// the same address) would otherwise find the classes pointing at the old window procedures.
void UnregisterViewerClasses();

}  // namespace lumetta
