#pragma once

// The file-level services of the extension: the desktop wallpaper from an image (and back to the one
// before), a BMP or JPEG copy of an image beside it, and a file's description from its folder's
// "descript.ion". Windows only; they show their own progress and message boxes.
#include <windows.h>

#include "shell/WindowHelpers.h"

// Sets the wallpaper from `path` (tiled or centred), or restores the previous one when `path` is null.
// `caption` is the caption of its message boxes. True on success.
bool SetWallpaper(HINSTANCE instance, HWND owner, const char* caption, const char* path, bool tiled);

// Writes a JPEG (format 0) or BMP (format 2) copy of the image at `path` under the first free name
// beside it. True on success and when the user declines to replace a file.
bool ConvertImage(HWND owner, const char* path, int format);

// The description of the file at `path` in its folder's "descript.ion", in the ANSI code page, or null.
// The caller frees it with delete[].
char* ReadFileDescription(const char* path);

// The message boxes of these services go through the extension's one (see SetMessageBoxFunction).
inline void SetFileServicesMessageBox(MessageBoxFunction function) { SetMessageBoxFunction(function); }
