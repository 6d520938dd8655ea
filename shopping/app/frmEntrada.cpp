#include "app/frmEntrada.h"

#include "forms/Eventos.h"
#include "forms/Servicos.h"
#include "app/frmPrincipal.h"

namespace mercanota {
namespace {

constexpr COLORREF kFundo = RGB(24, 82, 64);
constexpr COLORREF kTitulo = RGB(255, 255, 255);
constexpr COLORREF kTexto = RGB(225, 240, 230);
constexpr COLORREF kAviso = RGB(255, 214, 90);

enum : int {
  kPnlFundo = 100,
  kPnlFundoLogo,
  kImage1,
  kLblTituloJanela,
  kImgFigura,
  kLblMsg,
  kLblSom,
};

}  // namespace

Formulario::Projeto frmEntrada::Desenho() const {
  Projeto p;
  // The caption is never shown (the window has no title bar); it names the window for the task list.
  p.legenda = "Abertura do Mercanota";
  p.estilo = WS_POPUP | WS_BORDER;
  p.estiloEstendido = WS_EX_TOOLWINDOW;
  p.larguraTwips = 7230;
  p.alturaTwips = 3270;
  p.navegacaoPorTeclado = false;
  return p;
}

void frmEntrada::CriaControles() {
  pnlFundo = CriaPainel(kPnlFundo, "", 0, 0, 7200, 3240, Chanfro::kElevado);
  DefineCores(pnlFundo, kTexto, kFundo);

  pnlFundoLogo = CriaPainel(kPnlFundoLogo, "", 240, 240, 2400, 2400, Chanfro::kRebaixado, pnlFundo);
  DefineCores(pnlFundoLogo, kTexto, RGB(255, 255, 255));
  Image1 = CriaFigura(kImage1, Pictograma::kCarrinho, 180, 180, 2040, 2040, pnlFundoLogo);

  lblTituloJanela = CriaRotulo(kLblTituloJanela, "Mercanota", 2880, 240, 4080, 840, pnlFundo);
  DefineFonte(lblTituloJanela, "Times New Roman", 36, true, true);
  DefineCores(lblTituloJanela, kTitulo, kFundo);

  imgFigura = CriaFigura(kImgFigura, Pictograma::kListaCompras, 2940, 1260, 600, 600, pnlFundo);
  lblMsg = CriaRotulo(kLblMsg,
                      "Sua lista de compras do supermercado: os produtos, as marcas e os pre\xE7os, "
                      "prontos para imprimir.",
                      3720, 1260, 3240, 1200, pnlFundo);
  DefineFonte(lblMsg, "Arial", 10);
  DefineCores(lblMsg, kTexto, kFundo);

  lblSom = CriaRotulo(kLblSom, "", 240, 2790, 6840, 300, pnlFundo);
  DefineCores(lblSom, kAviso, kFundo);
}

void frmEntrada::FicaNaFrente() {
  RECT r;
  GetWindowRect(hWnd(), &r);
  SetWindowPos(hWnd(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

// The program is ending while the start-up waits (its main window was closed from outside).
bool frmEntrada::Interrompe() {
  ampulheta_.reset();
  Descarrega();
  return false;
}

bool frmEntrada::Form_Load() {
  Mostra();
  if (!Ambiente().som->Toca(CaminhoAplicativo() + "\\10_24.wav")) {
    SetWindowTextA(lblSom, "    ** Observação: Os arquivos de som não poderão ser tocados neste computador.");
  }
  FicaNaFrente();
  ampulheta_.emplace();
  if (!EsperaSegundos(2)) return Interrompe();

  frmPrincipal& principal = Principal();
  if (!principal.Carrega()) {
    // The catalogue could not be opened: the program has ended (or a test recorded the end).
    ampulheta_.reset();
    Descarrega();
    return false;
  }
  principal.Mostra();
  EnableWindow(principal.hWnd(), FALSE);
  // The main window's activation is finished by messages still queued (under Wine they raise it once
  // more); the splash goes in front after them.
  ProcessaEventos();
  FicaNaFrente();
  if (!EsperaSegundos(2)) return Interrompe();

  ampulheta_.reset();
  EnableWindow(principal.hWnd(), TRUE);
  Descarrega();
  SetForegroundWindow(principal.hWnd());
  return true;
}

}  // namespace mercanota
