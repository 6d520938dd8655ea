#pragma once

// Resource identifiers of lumetta32.dll, in numbered blocks per dialog.

// Icons: the product icon and the frame the About box blinks to.
#define IDI_LUMETTA 2000
#define IDI_LUMETTA_BLINK 2001

// Command help texts (1-11) and menu texts (12-21); id 5 is unused.
#define IDS_HELP_VIEW 1
#define IDS_HELP_PRINT 2
#define IDS_HELP_TILED 3
#define IDS_HELP_CENTERED 4
#define IDS_HELP_RESTORE 6
#define IDS_HELP_TO_BMP 7
#define IDS_HELP_TO_JPEG 8
#define IDS_HELP_ABOUT 9
#define IDS_HELP_HELP 10
#define IDS_HELP_OPTIONS 11
#define IDS_MENU_VIEW 12
#define IDS_MENU_PRINT 13
#define IDS_MENU_TILED 14
#define IDS_MENU_CENTERED 15
#define IDS_MENU_RESTORE 16
#define IDS_MENU_TO_BMP 17
#define IDS_MENU_TO_JPEG 18
#define IDS_MENU_OPTIONS 19
#define IDS_MENU_ABOUT 20
#define IDS_MENU_HELP 21

// Texts the dialogs set at run time, and the help file's name after the module's (each language names its
// own help file; the module falls back to ".hlp" when that file is missing).
#define IDS_HELP_FILE_EXTENSION 22
#define IDS_OPTIONS_CAPTION 23
#define IDS_PRINT_SETUP_CAPTION 24
#define IDS_ABOUT_VERSION 25

// The viewer's menu (26-38): its items, then its two submenus' items.
#define IDS_VIEWER_PRINT 26
#define IDS_VIEWER_WALLPAPER 27
#define IDS_VIEWER_ZOOM 28
#define IDS_VIEWER_RELOAD 29
#define IDS_VIEWER_ABOUT 30
#define IDS_VIEWER_CLOSE 31
#define IDS_VIEWER_TILED 32
#define IDS_VIEWER_CENTERED 33
#define IDS_VIEWER_RESTORE 34
#define IDS_VIEWER_REDUCE 35
#define IDS_VIEWER_ENLARGE 36
#define IDS_VIEWER_100 37
#define IDS_VIEWER_FIT 38

// About box.
#define IDD_ABOUT 100
#define IDC_ABOUT_VERSION 113
#define IDC_ABOUT_ICON 128

// Options page.
#define IDD_OPTIONS 104
#define IDC_OPT_SHRINK 1005
#define IDC_OPT_ENLARGE 1006
#define IDC_OPT_FIT_RESIZED 1007
#define IDC_OPT_IMAGE_EXTENSIONS 1009
#define IDC_OPT_ALL_EXTENSIONS 1010
#define IDC_OPT_NO_THUMBNAIL 1011

// Progress dialog (wallpaper, printing).
#define IDD_PROGRESS 503
#define IDC_PROGRESS_TEXT 113
#define IDC_PROGRESS_BAR 130

// Print setup dialog.
#define IDD_PRINT_SETUP 504
#define IDC_PRINT_CENTER 101
#define IDC_PRINT_TOP 102
#define IDC_PRINT_WINDOW_ONLY 103
#define IDC_PRINT_ENTIRE 104
#define IDC_PRINT_POSITION_GROUP 105
#define IDC_PRINT_CONTENT_GROUP 106
#define IDC_PRINT_ONE_PER_PAGE 123
#define IDC_PRINT_FILE_NAME 124
#define IDC_PRINT_FIT 125
#define IDC_PRINT_DESCRIPTION 126
#define IDC_PRINT_FILE_PATH 127
#define IDC_PRINT_IMAGE_INFO 128
