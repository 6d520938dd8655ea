#include "lists/FormularioDeLista.h"

#include "lists/ListaMarcavel.h"

namespace mercanota {

LRESULT FormularioDeLista::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MEASUREITEM:
      if (lista::Mede(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), hWnd())) return TRUE;
      break;
    case WM_DRAWITEM:
      if (lista::Desenha(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
  }
  return FormularioDeTarefa::TrataMensagem(msg, wParam, lParam);
}

std::string FormularioDeLista::TextoDoCombo(HWND combo) { return TextoDe(combo); }

void FormularioDeLista::AcompanhaEscolha(HWND combo) {
  const LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (i == CB_ERR) return;
  const LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n == CB_ERR) return;
  std::string texto(static_cast<size_t>(n) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texto.data()));
  texto.resize(static_cast<size_t>(n));
  DefineTexto(combo, texto);
}

void FormularioDeLista::EscolheNoCombo(HWND combo, int i) {
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  AcompanhaEscolha(combo);
}

}  // namespace mercanota
