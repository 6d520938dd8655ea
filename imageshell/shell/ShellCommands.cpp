// Printing comes with its own dialog; until it is in the module, its command is accepted and does nothing.
// The viewer stands on this folder, so it hands in its opener (ViewerOpener) rather than being called by name.
#include "ShellCommands.h"

#include "FileServices.h"
#include "ModuleState.h"
#include "ObjectCount.h"

void (*ViewerOpener)(const char* path) = nullptr;

void OpenViewer(const char* path) {
  if (ViewerOpener) ViewerOpener(path);
}

void PrintImageFile(const char*) { ObjectCountHold hold; }

void SetWallpaperFromMenu(const char* path, bool tiled) {
  ObjectCountHold hold;
  SetWallpaper(ModuleInstance, nullptr, "Lumetta32", path, tiled);
}

void ConvertImageFromMenu(const char* path, ConversionFormat format) {
  ObjectCountHold hold;
  ConvertImage(nullptr, path, int(format));
}
