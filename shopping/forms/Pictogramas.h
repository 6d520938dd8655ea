#pragma once
// The pictures of the program's picture buttons and image controls, drawn with GDI at any size, so the
// program carries no bitmaps. Each is designed on a 32 x 32 grid and scaled into its rectangle.
#include <windows.h>

namespace mercanota {

enum class Pictograma {
  kNenhum,
  kCadastro,      // a sheet with a plus: register products
  kConsulta,      // a sheet under a magnifying glass: query and change
  kListaCompras,  // a clipboard with ticks: make a shopping list
  kListaSalva,    // a diskette: a list from a saved one
  kInternet,      // a globe: prices over the internet
  kImpressora,    // a printer
  kAjuda,         // a question mark
  kSair,          // a door with an arrow: leave
  kCarrinho,      // a shopping trolley: the program's emblem
  kOk,            // a tick
  kCancelar,      // a cross
  kExcluir,       // a waste bin
  kSeta,          // an arrow pointing right
  kSetaEsquerda,  // the same arrow pointing left
};

// Draws `pictograma` centred in `area`; a disabled one in greys.
void DesenhaPictograma(HDC dc, const RECT& area, Pictograma pictograma, bool habilitado = true);

// The program's icon (the trolley), made once; the system frees it when the program ends.
HICON IconeDoPrograma(int lado = 32);

}  // namespace mercanota
