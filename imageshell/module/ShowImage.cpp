// The launcher's entry into the viewer.
#include <windows.h>

#include "pipeline/PathHelpers.h"
#include "viewer/ViewerWindow.h"

// rundll32 entry: ShowImage(hwnd, instance, path, showCommand); only the path counts, as a launcher
// gives it: a file type's command passes "%1" in quotes, a path typed with spaces may come either way.
extern "C" void CALLBACK ShowImage(HWND, HINSTANCE, LPSTR path, int) {
  char file[kPathBufferSize];
  if (path && UnquoteArgument(path, file) && file[0]) lumetta::RunViewer(file);
}
