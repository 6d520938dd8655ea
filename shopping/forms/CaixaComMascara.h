#pragma once
// A masked entry box: an ordinary edit control that keeps to a MascaraDeEntrada. Typing, Backspace,
// Delete, cutting, pasting and setting its text as a whole all go through the mask's rules, so the
// control's text always has the mask's shape ("__/__/____" while empty). Undo and the edit control's own
// context menu, which would bypass the rules, are switched off.
#include <windows.h>

#include <string>

namespace mercanota {

// Makes `edit` a masked box and empties it. False when `edit` is not a window.
bool AplicaMascara(HWND edit, const std::string& mascara, char prompt);

// True when `janela` is a masked box.
bool TemMascara(HWND janela);

}  // namespace mercanota
