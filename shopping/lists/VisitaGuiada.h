#pragma once
// The spoken guided tour of list making: recorded explanations play while the program points at the
// controls and works the generator and the assembly window by itself. It is split in three scripts, each
// run by its own window: ExplicarComoGerar by the main window's Help menu, frmGeraListaCompras::
// ProssegueHelp and frmMontaLista::ConfereHelp by those windows at the end of their loading while
// ModuloGlobal::ModoDeAjuda is set. What they share is here.
//
// Each script stops where its window has gone or the program is ending, so that it never works on
// closed windows; the script of the window that opened it then goes on with its own steps.
#include <windows.h>

#include <functional>

namespace mercanota::visita {

// The tour's sounds, appended to the program's folder as they are.
inline constexpr const char kMsg101[] = "\\MSG_101.wav";
inline constexpr const char kMsg102[] = "\\MSG_102.WAV";
inline constexpr const char kMsg103[] = "\\MSG_103.WAV";
inline constexpr const char kMsg104[] = "\\MSG_104.WAV";
inline constexpr const char kMsg105[] = "\\MSG_105.WAV";
inline constexpr const char kMsg106[] = "\\MSG_106.WAV";
inline constexpr const char kMsg107[] = "\\MSG_107.WAV";
inline constexpr const char kMsg108[] = "\\MSG_108.WAV";

// Starts a sound and returns at once; a missing file or a failed start is silent, the script's own waits
// give the speech its time.
void Toca(const char* arquivo);

// Where the tour points at a control: the outer position of the window holding it plus the control's
// position inside its container, both in twips, in pixels rounded to the nearest, plus (dx, dy).
POINT PontoDoControle(HWND controle, int dx, int dy);
// Glides the pointer there.
void ApontaPara(HWND controle, int dx, int dy);

// Ticks entry i of a list with tick boxes and repaints it; false when the list has no such entry.
bool Marca(HWND lista, int i);

// The pointer hidden for the length of a scope: ShowCursor(FALSE) until the display counter is below zero
// (on a machine without a mouse it already is, and a wait for exactly -1 would never end), then once
// ShowCursor(TRUE).
class PonteiroEscondido {
public:
  PonteiroEscondido();
  ~PonteiroEscondido();
  PonteiroEscondido(const PonteiroEscondido&) = delete;
  PonteiroEscondido& operator=(const PonteiroEscondido&) = delete;
};

// The main window's script: from the first explanation to pointing at the print button. `geraLista` is the
// main window's generate command, which opens the generator (whose own script runs inside it).
struct JanelaPrincipal {
  HWND janela;
  HWND cmdGeraListaCompras;
  HWND cmdImprimirListaCompras;
  std::function<void()> geraLista;
};
void ExplicarComoGerar(const JanelaPrincipal& principal);

}  // namespace mercanota::visita
