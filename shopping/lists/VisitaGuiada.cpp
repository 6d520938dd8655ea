#include "lists/VisitaGuiada.h"

#include <cmath>

#include "forms/Eventos.h"
#include "forms/Formulario.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"

namespace mercanota::visita {
namespace {

const char kSemSom[] =
    "Desculpe, mas esta ajuda está disponível apenas para micros multimídia, pois ela utiliza recursos de som "
    "para explicar como funciona o processo de criação de lista de compras. Utilize a ajuda (pressione F1) para "
    "obter uma ajuda escrita de como gerar esta lista.";

// Whatever way the tour ends (also when the program ends half-way), the main window takes input again and
// help mode is over.
class FimDaVisita {
public:
  explicit FimDaVisita(HWND principal) : principal_(principal) {}
  ~FimDaVisita() {
    ModuloGlobal::ModoDeAjuda = false;
    if (IsWindow(principal_)) EnableWindow(principal_, TRUE);
  }
  FimDaVisita(const FimDaVisita&) = delete;
  FimDaVisita& operator=(const FimDaVisita&) = delete;

private:
  HWND principal_;
};

}  // namespace

void Toca(const char* arquivo) { Ambiente().som->Toca(CaminhoAplicativo() + arquivo); }

POINT PontoDoControle(HWND controle, int dx, int dy) {
  RECT janela{}, rc{};
  GetWindowRect(GetAncestor(controle, GA_ROOT), &janela);
  GetWindowRect(controle, &rc);
  POINT dentro{rc.left, rc.top};
  ScreenToClient(GetParent(controle), &dentro);
  const double tx = TwipsPorPixelX();
  const double ty = TwipsPorPixelY();
  const double esquerda = janela.left * tx + dentro.x * tx;
  const double topo = janela.top * ty + dentro.y * ty;
  return POINT{static_cast<LONG>(std::lround(esquerda / tx)) + dx, static_cast<LONG>(std::lround(topo / ty)) + dy};
}

void ApontaPara(HWND controle, int dx, int dy) {
  const POINT p = PontoDoControle(controle, dx, dy);
  ModuloGlobal::MoveCursorPara(p.x, p.y);
}

bool Marca(HWND lista, int i) {
  if (i < 0 || i >= lista::ListCount(lista)) return false;
  lista::DefineSelected(lista, i, true);
  InvalidateRect(lista, nullptr, TRUE);
  UpdateWindow(lista);
  return true;
}

PonteiroEscondido::PonteiroEscondido() {
  while (ShowCursor(FALSE) >= 0) {
  }
}

PonteiroEscondido::~PonteiroEscondido() { ShowCursor(TRUE); }

void ExplicarComoGerar(const JanelaPrincipal& principal) {
  // Its windows are on show and the main window takes clicks while they are: a second start would run a
  // second tour inside the first.
  if (ModuloGlobal::ModoDeAjuda) return;
  ModuloGlobal::ModoDeAjuda = true;
  if (Ambiente().som->Dispositivos() == 0) {
    MsgBox(kSemSom, MB_OK | MB_ICONSTOP, "Advertência:");
    ModuloGlobal::ModoDeAjuda = false;
    return;
  }
  const FimDaVisita fim(principal.janela);
  EnableWindow(principal.janela, FALSE);
  {
    const PonteiroEscondido escondido;
    Toca(kMsg101);
    if (!EsperaSegundos(7)) return;
  }
  Toca(kMsg102);
  ApontaPara(principal.cmdGeraListaCompras, 15, 15 + 50);
  if (!EsperaSegundos(6.5)) return;

  // Enabled for the generator to take as its owner and give activation back to when it closes; the pause
  // after that takes no input.
  EnableWindow(principal.janela, TRUE);
  principal.geraLista();
  EnableWindow(principal.janela, FALSE);
  if (!EsperaSegundos(1.2) || !EsperaSegundos(0.5)) return;

  Toca(kMsg108);
  ModuloGlobal::ModoDeAjuda = false;
  EnableWindow(principal.janela, TRUE);
  ApontaPara(principal.cmdImprimirListaCompras, 15, 65);
}

}  // namespace mercanota::visita
