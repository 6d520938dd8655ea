#pragma once

// Following ".lnk" files through the shell's link object (Windows only).
#include <windows.h>

// Reads the target path of a shortcut into targetOut (MAX_PATH characters plus terminator); with
// `resolve` the link is first resolved with resolveFlags. Returns the last HRESULT; on failure
// targetOut stays empty.
HRESULT ResolveShortcut(HWND ownerWindow, const char* linkPath, char* targetOut, DWORD resolveFlags, bool resolve);
