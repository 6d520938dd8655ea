#pragma once

// Placement and error reporting shared by the extension's dialogs (Windows only).
#include <windows.h>

// Centres `window` over `over` (its parent when none; the desktop when that is no window or is
// minimised) and keeps it on the screen.
void CenterWindow(HWND window, HWND over);

// Shows the system's text for GetLastError() in an information box with this caption; false when the
// system has no text for it.
bool ShowSystemError(const char* caption);

// A text of the module's string table in the user's language, with its first "%s" replaced by `value`;
// `fallback` (English) when the table has no such string. The result is cut to fit `out`.
void LoadTextWith(HINSTANCE instance, UINT id, const char* fallback, const char* value, char* out, size_t size);

// Every message box of the extension's commands goes through this function; tests put a recording one
// in place (null restores MessageBoxA).
using MessageBoxFunction = int (*)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxFunction(MessageBoxFunction function);
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
