// The viewer and printing come with their own windows; until they are in the module, their commands
// are accepted and do nothing.
#include "ShellCommands.h"

#include "FileServices.h"
#include "ModuleState.h"
#include "ObjectCount.h"

void OpenViewer(const char*) {}

void PrintImageFile(const char*) { ObjectCountHold hold; }

void SetWallpaperFromMenu(const char* path, bool tiled) {
  ObjectCountHold hold;
  SetWallpaper(ModuleInstance, nullptr, "Lumetta32", path, tiled);
}

void ConvertImageFromMenu(const char* path, ConversionFormat format) {
  ObjectCountHold hold;
  ConvertImage(nullptr, path, int(format));
}
