// The module's ways into the viewer: the launcher export and the context menu's View command.
#include <windows.h>

#include "shell/ShellCommands.h"
#include "viewer/ViewerWindow.h"

namespace {
// The menu lives below the viewer and reaches it through this hook, set when the module is loaded.
const bool viewerHooked = (ViewerOpener = &lumetta::OpenViewerWindow, true);
}  // namespace

// rundll32 entry: ShowImage(hwnd, instance, path, showCommand); only the path counts.
extern "C" void CALLBACK ShowImage(HWND, HINSTANCE, LPSTR path, int) {
  if (path) lumetta::RunViewer(path);
}
