#pragma once
// The panel control: a 3-D box with a background colour, a bevel, a caption that may wrap and, for
// pictures, one of the Pictograma drawings. Panels hold controls of their own and pass what those controls
// tell their parent on up, so the form's handlers hear from every control wherever it sits.
#include <windows.h>

#include "forms/GuardasGdi.h"
#include "forms/Pictogramas.h"

namespace mercanota {

enum class Chanfro { kNenhum, kElevado, kRebaixado };

// What a panel keeps; it belongs to the panel's window and goes with it.
struct Painel {
  Painel();

  // Colours of the caption and the background; the background brush follows.
  void DefineCores(COLORREF novoTexto, COLORREF novoFundo);

  COLORREF texto;
  COLORREF fundo;
  ObjetoGdi<HBRUSH> pincel;
  Chanfro chanfro = Chanfro::kElevado;
  Pictograma figura = Pictograma::kNenhum;
  UINT formato = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  HFONT fonte = nullptr;  // the font set with WM_SETFONT; its owner frees it
};

// The window class of panels, registered on the first call.
const char* ClasseDoPainel();

// The panel of a window, or null when the window is no panel.
Painel* PainelDe(HWND hwnd);

}  // namespace mercanota
