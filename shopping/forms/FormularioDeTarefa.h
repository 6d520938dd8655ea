#pragma once
// The look shared by the task windows that the main window opens modally (registration, query, lists,
// price update): a fixed dialog frame around a raised background panel, a dark title bar in a serif face
// with the identifier panel at its right end, a logo picture at the left, label panels before the boxes,
// a tip panel, and square picture buttons.
#include "forms/Formulario.h"

namespace mercanota {

class FormularioDeTarefa : public Formulario {
protected:
  static constexpr int kLadoDoBotao = 615;  // picture buttons, in twips
  static constexpr int kMargem = 120;
  static constexpr int kAlturaDoTitulo = 660;
  static constexpr int kTopoDosDados = 960;  // the first row below the title

  // A modal task window whose client area is `largura` x `altura` twips.
  Projeto DesenhoDeTarefa(const char* legenda, int largura, int altura) const;

  HWND CriaFundo(int id, int largura, int altura);
  // The title bar across the top of the background panel.
  HWND CriaTitulo(int id, const char* titulo, int larguraDoFundo, HWND fundo);
  // The identifier panel ("-" until an entry is chosen), inside the title bar at its right end.
  HWND CriaIdentificador(int id, int larguraDoFundo, HWND titulo);
  // The logo: a sunken white square at the left, below the title, with the window's picture.
  HWND CriaLogo(int idPainel, int idFigura, Pictograma figura, HWND fundo);
  // A label panel: its text right-aligned against the box it names.
  HWND CriaRotuloDeDados(int id, const char* texto, int esquerda, int topo, int largura, int altura, HWND fundo);
  // A label standing above the control it names, in a column of such pairs: its text at the bottom left;
  // *topo moves down past it.
  HWND CriaRotuloDaColuna(int id, const char* texto, int esquerda, int* topo, int largura, int altura, HWND fundo);
  // A tip: wrapped text on a pale sunken panel.
  HWND CriaDica(int id, const char* texto, int esquerda, int topo, int largura, int altura, HWND fundo);
};

}  // namespace mercanota
