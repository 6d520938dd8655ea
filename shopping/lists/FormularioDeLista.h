#pragma once
// What the list windows share beyond the task-window look: drawing their lists with tick boxes, and the
// text of their saved-list combos.
#include <windows.h>

#include <string>

#include "forms/FormularioDeTarefa.h"

namespace mercanota {

class FormularioDeLista : public FormularioDeTarefa {
protected:
  LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The text of an editable combo: what its edit field shows.
  static std::string TextoDoCombo(HWND combo);
  // A choice from the combo's list, as the user makes it: the edit field takes the chosen entry's text
  // (the combo itself updates it only after telling its parent).
  static void AcompanhaEscolha(HWND combo);
  // Chooses entry i of the combo and shows its text.
  static void EscolheNoCombo(HWND combo, int i);
};

}  // namespace mercanota
