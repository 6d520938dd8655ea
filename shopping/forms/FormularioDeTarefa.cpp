#include "forms/FormularioDeTarefa.h"

namespace mercanota {
namespace {

constexpr COLORREF kFundoDoTitulo = RGB(24, 82, 64);
constexpr COLORREF kTextoDoTitulo = RGB(255, 255, 255);
constexpr COLORREF kFundoDaDica = RGB(255, 252, 220);
constexpr COLORREF kTextoDaDica = RGB(70, 60, 20);
constexpr int kLadoDoLogo = 1320;
constexpr int kLarguraDoIdentificador = 960;

}  // namespace

Formulario::Projeto FormularioDeTarefa::DesenhoDeTarefa(const char* legenda, int largura, int altura) const {
  Projeto p;
  p.legenda = legenda;
  p.estilo = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  p.estiloEstendido = WS_EX_DLGMODALFRAME;
  p.larguraTwips = largura;
  p.alturaTwips = altura;
  p.areaCliente = true;
  return p;
}

HWND FormularioDeTarefa::CriaFundo(int id, int largura, int altura) {
  return CriaPainel(id, "", 0, 0, largura, altura, Chanfro::kElevado);
}

HWND FormularioDeTarefa::CriaTitulo(int id, const char* titulo, int larguraDoFundo, HWND fundo) {
  HWND h = CriaPainel(id, titulo, kMargem, kMargem, larguraDoFundo - 2 * kMargem, kAlturaDoTitulo, Chanfro::kRebaixado,
                      fundo);
  DefineCores(h, kTextoDoTitulo, kFundoDoTitulo);
  DefineFonte(h, "Times New Roman", 18, true, true);
  return h;
}

HWND FormularioDeTarefa::CriaIdentificador(int id, int larguraDoFundo, HWND titulo) {
  const int larguraDoTitulo = larguraDoFundo - 2 * kMargem;
  HWND h = CriaPainel(id, "-", larguraDoTitulo - kLarguraDoIdentificador - kMargem, 150, kLarguraDoIdentificador,
                      kAlturaDoTitulo - 300, Chanfro::kRebaixado, titulo);
  DefineCores(h, RGB(0, 0, 0), RGB(255, 255, 255));
  DefineDica(h, "Código do produto no cadastro");
  return h;
}

HWND FormularioDeTarefa::CriaLogo(int idPainel, int idFigura, Pictograma figura, HWND fundo) {
  HWND painel = CriaPainel(idPainel, "", kMargem, kTopoDosDados, kLadoDoLogo, kLadoDoLogo, Chanfro::kRebaixado, fundo);
  DefineCores(painel, RGB(0, 0, 0), RGB(255, 255, 255));
  CriaFigura(idFigura, figura, 120, 120, kLadoDoLogo - 240, kLadoDoLogo - 240, painel);
  return painel;
}

HWND FormularioDeTarefa::CriaRotuloDeDados(int id, const char* texto, int esquerda, int topo, int largura, int altura,
                                           HWND fundo) {
  HWND h = CriaPainel(id, texto, esquerda, topo, largura, altura, Chanfro::kNenhum, fundo);
  DefineAlinhamento(h, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  return h;
}

HWND FormularioDeTarefa::CriaRotuloDaColuna(int id, const char* texto, int esquerda, int* topo, int largura, int altura,
                                            HWND fundo) {
  HWND h = CriaRotuloDeDados(id, texto, esquerda, *topo, largura, altura, fundo);
  DefineAlinhamento(h, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
  *topo += altura + 15;
  return h;
}

HWND FormularioDeTarefa::CriaDica(int id, const char* texto, int esquerda, int topo, int largura, int altura,
                                  HWND fundo) {
  HWND h = CriaPainel(id, texto, esquerda, topo, largura, altura, Chanfro::kRebaixado, fundo);
  DefineCores(h, kTextoDaDica, kFundoDaDica);
  DefineAlinhamento(h, DT_LEFT | DT_WORDBREAK | DT_VCENTER);
  return h;
}

}  // namespace mercanota
