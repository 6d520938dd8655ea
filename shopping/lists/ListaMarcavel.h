#pragma once
// Lists whose entries carry tick boxes, as the list windows use them: a multiple-selection list box drawn
// by its form, where an entry's selected state is its tick and the caret is the current entry
// (ListIndex). Clicking an entry or pressing the space bar toggles its tick; the arrows move the caret
// without touching any tick. The list windows walk these lists by moving the caret one entry at a time.
#include <windows.h>

#include <string>

namespace mercanota::lista {

// The window styles of such a list (the form creates it with its own layout).
constexpr DWORD kEstilo =
    LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;

int ListCount(HWND lista);
// The current entry, -1 when the list is empty.
int ListIndex(HWND lista);
// Makes entry i current; false (nothing changes) when there is no such entry.
bool DefineListIndex(HWND lista, int i);
bool Selected(HWND lista, int i);
// Ticks or unticks entry i; the current entry stays where it was.
void DefineSelected(HWND lista, int i, bool marcado);
// The text of entry i, and of the current entry ("" when the list is empty).
std::string Item(HWND lista, int i);
std::string Text(HWND lista);
void AddItem(HWND lista, const std::string& texto);
void Clear(HWND lista);
int TickedCount(HWND lista);
// The first ticked entry from `desde` on, the last entry excluded (the walks never examine it); -1 when
// there is none. The walks go from ticked entry to ticked entry with it: moving the current entry over
// every unticked one of a long list would scroll and repaint it at every step.
int ProximaMarcada(HWND lista, int desde);

// The form's part of drawing such a list: true when the message was for one.
bool Mede(MEASUREITEMSTRUCT& medida, HWND form);
bool Desenha(const DRAWITEMSTRUCT& item);

}  // namespace mercanota::lista
