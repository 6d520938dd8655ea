#pragma once

// Resource identifiers of lumetta32.dll, in numbered blocks per dialog.

// Progress dialog (wallpaper, printing).
#define IDD_PROGRESS 503
#define IDC_PROGRESS_TEXT 113
#define IDC_PROGRESS_BAR 130
