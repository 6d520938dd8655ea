// Printing, wallpaper and conversion come with their own windows and writers; until they are in the
// module, their commands are accepted and do nothing.
#include "ShellCommands.h"

#include "ObjectCount.h"

void (*ViewerOpener)(const char* path) = nullptr;

void OpenViewer(const char* path) {
  if (ViewerOpener) ViewerOpener(path);
}

void PrintImageFile(const char*) { ObjectCountHold hold; }

void SetWallpaperFromMenu(const char*, bool) { ObjectCountHold hold; }

void ConvertImageFromMenu(const char*, ConversionFormat) { ObjectCountHold hold; }
