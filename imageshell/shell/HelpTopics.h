#pragma once

// Context help of the extension's dialogs: control identifier, help-file topic, ..., 0, 0, as
// WinHelpA's HELP_WM_HELP takes them.
#include <windows.h>

extern const DWORD OptionsPageHelpTopics[];
extern const DWORD PrintSetupHelpTopics[];

// Answers WM_HELP (for a control) and WM_CONTEXTMENU with the topic of the control under the question.
// True when the message was one of the two.
bool HandleHelpMessage(UINT message, WPARAM wParam, LPARAM lParam, const DWORD* topics);
