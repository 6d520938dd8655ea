#pragma once

// What the module sets up once per process when it is attached, and what every command reads from it.
#include <windows.h>

#include "pipeline/PathHelpers.h"

extern HINSTANCE ModuleInstance;
extern HICON ProductIcon;  // icon 2000
extern HICON BlinkIcon;    // icon 2001, the About box's other frame
// The help file: the module's own path with ".hlp" for its extension, or with the ending its string
// table gives for the user's language ("-ptb.hlp": lumetta32-ptb.hlp) when that file is there.
extern char HelpFilePath[kPathBufferSize];

// The help-file path for a module file name: the file part's extension replaced by `ending`; a name
// without one serves as it is. A dot in a folder name never counts, so the path stays in that folder.
void HelpPathForModule(const char* moduleFileName, char* out, const char* ending = ".hlp");

// DllMain's two halves: everything above plus the settings and print options from the registry, and
// the settings back into the registry.
void AttachModule(HINSTANCE instance);
void DetachModule();
