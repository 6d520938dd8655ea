// The launcher's entry into the viewer.
#include <windows.h>

#include "viewer/ViewerWindow.h"

// rundll32 entry: ShowImage(hwnd, instance, path, showCommand); only the path counts.
extern "C" void CALLBACK ShowImage(HWND, HINSTANCE, LPSTR path, int) {
  if (path) lumetta::RunViewer(path);
}
