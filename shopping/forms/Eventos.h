#pragma once
// The message pump shared by the program's loops (the main loop, modal windows, timed waits), the timed
// waits themselves and the screen's mouse pointer.
#include <windows.h>

namespace mercanota {

// Gives a message to the form it belongs to (menu shortcuts, key preview, keyboard navigation between
// controls) and otherwise translates and dispatches it.
void DespachaMensagem(MSG& msg);

// Processes every pending window event, then returns. False when the program is ending (WM_QUIT was
// seen; it is posted again for the outer loops).
bool ProcessaEventos();

// Waits `segundos` on the clock of Ambiente(), processing window events meanwhile, so the windows keep
// repainting and answering. False when the program is ending.
bool EsperaSegundos(double segundos);

// The pointer over every window of the program, as the forms' screen pointer sets it.
enum class Ponteiro { kPadrao, kAmpulheta };
void DefinePonteiro(Ponteiro ponteiro);
Ponteiro PonteiroAtual();

// The hourglass for the length of a scope; the default pointer afterwards.
class ComAmpulheta {
public:
  ComAmpulheta() { DefinePonteiro(Ponteiro::kAmpulheta); }
  ~ComAmpulheta() { DefinePonteiro(Ponteiro::kPadrao); }
  ComAmpulheta(const ComAmpulheta&) = delete;
  ComAmpulheta& operator=(const ComAmpulheta&) = delete;

  // What `acao` returns, with the hourglass while it runs (and the default pointer again before the caller
  // tells the user anything).
  template <typename Acao>
  static auto Durante(Acao acao) {
    const ComAmpulheta ampulheta;
    return acao();
  }
};

}  // namespace mercanota
