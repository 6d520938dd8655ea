#include "forms/Eventos.h"

#include "forms/Formulario.h"
#include "forms/Servicos.h"

namespace mercanota {
namespace {

Ponteiro g_ponteiro = Ponteiro::kPadrao;

}  // namespace

void DespachaMensagem(MSG& msg) {
  if (msg.hwnd) {
    if (Formulario* form = Formulario::DaJanela(GetAncestor(msg.hwnd, GA_ROOT))) {
      if (form->PreTraduzMensagem(msg)) return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

bool ProcessaEventos() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    DespachaMensagem(msg);
  }
  return true;
}

bool EsperaSegundos(double segundos) {
  Relogio& relogio = *Ambiente().relogio;
  const double fim = relogio.Agora() + segundos;
  for (;;) {
    if (!ProcessaEventos()) return false;
    const double agora = relogio.Agora();
    if (agora >= fim) return true;
    relogio.AguardaEventos(fim - agora);
  }
}

void DefinePonteiro(Ponteiro ponteiro) {
  g_ponteiro = ponteiro;
  // Shown at once; the forms keep it through WM_SETCURSOR while the pointer moves.
  SetCursor(LoadCursorA(nullptr, ponteiro == Ponteiro::kAmpulheta ? IDC_WAIT : IDC_ARROW));
}

Ponteiro PonteiroAtual() { return g_ponteiro; }

}  // namespace mercanota
