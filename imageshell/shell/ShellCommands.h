#pragma once

// The operations behind the context menu's commands that live outside the menu itself (the viewer,
// which stands above this folder, is opened by the module directly). Each holds the module loaded while
// it runs.
#include <windows.h>

// Prints the one image at `path`, with the print setup and the system's print dialog, at the scale of
// the print options.
void PrintImageFile(const char* path);
// The viewer's print: its zoom as the scale and the part of the zoomed image it shows, the frame as the
// owner. The options chosen, scale included, are kept for the next print.
void PrintImageFromViewer(HWND owner, const char* path, int zoom, const RECT& visible);
// Desktop wallpaper from the image at `path` (tiled or centred); a null path restores the previous one.
void SetWallpaperFromMenu(const char* path, bool tiled);
// A BMP or JPEG copy of the image beside it.
enum class ConversionFormat { Jpeg = 0, Bmp = 2 };
void ConvertImageFromMenu(const char* path, ConversionFormat format);
