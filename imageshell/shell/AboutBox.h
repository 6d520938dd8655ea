#pragma once

#include <windows.h>

// The modal About box over `parent` (none: a topmost window of its own, with the product icon).
// The module stays loaded while it is open.
void AboutBox(HINSTANCE instance, HWND parent);
