#pragma once

// What the context menu is made of: its command offsets and the thumbnail it shows at its top. The
// menu's methods belong to ShellExtension (ContextMenu.cpp).
#include <windows.h>

#include "pipeline/DecodeRequest.h"
#include "pipeline/ImageModel.h"

// Command offsets from the first identifier the shell gives QueryContextMenu.
enum MenuCommand : UINT {
  kCommandView = 0,
  kCommandPrint,
  kCommandTiledWallpaper,
  kCommandCenteredWallpaper,
  kCommandRestoreWallpaper,
  kCommandToBmp,
  kCommandToJpeg,
  kCommandOptions,
  kCommandAbout,
  kCommandHelp,
  kCommandsReserved = 11,  // offsets 0..10, the last without an item
};
