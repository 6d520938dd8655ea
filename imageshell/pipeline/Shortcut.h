#pragma once

// Reading ".lnk" files through the shell's link object (Windows only; defined in Shortcut_win.cpp).
// The window, flags and result are the platform's HWND, DWORD and HRESULT, kept opaque here so that the
// image model's headers stay free of <windows.h>.
namespace lumetta {

// Reads the target path of a shortcut into targetOut (MAX_PATH characters plus terminator); with
// `resolve` the link is first resolved with resolveFlags. Returns the last HRESULT; on failure
// targetOut stays empty.
long ResolveShortcut(void* ownerWindow, const char* linkPath, char* targetOut, unsigned long resolveFlags,
                     bool resolve);

}  // namespace lumetta
