// lists_timing.exe CATALOGUE: how long the list windows take on a big catalogue, in this process under
// Wine (not a test: it asserts nothing; run it by hand on a catalogue made with mkcatalogue --products N).
// Prints the time from the generate command to a filled and shown generator, and of each step of the
// walk over five products.
#include <windows.h>

#include <cstdio>
#include <string>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "lists/frmGeraListaCompras.h"
#include "lists/frmMontaLista.h"
#include "app/frmPrincipal.h"

using namespace mercanota;

namespace {

double Agora() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lists_timing CATALOGUE\n");
    return 2;
  }
  teste::AmbienteDeTeste ambiente;
  if (!CopyFileA(argv[1], (ambiente.pasta + "\\Registro.mdb").c_str(), FALSE)) return 1;
  if (!Principal().Carrega()) return 1;
  Principal().Mostra();
  teste::ProcessaPendentes();

  for (int i = 0; i < 3; ++i) {
    frmGeraListaCompras gerador;
    const double t0 = Agora();
    gerador.Carrega(Principal().hWnd());
    gerador.Mostra();
    const double t1 = Agora();
    std::printf("generator filled and shown: %.0f ms (%d names)\n", t1 - t0, lista::ListCount(gerador.lstProdutos));
    teste::ProcessaPendentes();
    gerador.Descarrega();
  }

  frmGeraListaCompras gerador;
  gerador.Carrega(Principal().hWnd());
  gerador.Mostra();
  for (const char* nome : {"Arroz Tradicional", "Feij\xE3o Tradicional", "Caf\xE9 Tradicional", "Leite Tradicional",
                           "Biscoito Tradicional"}) {
    const LRESULT i =
        SendMessageA(gerador.lstProdutos, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(nome));
    if (i >= 0) lista::DefineSelected(gerador.lstProdutos, static_cast<int>(i), true);
  }
  double inicio = Agora();
  ambiente.AoAbrir("Montagem da Lista de Compras", [&](Formulario& f) {
    auto& m = dynamic_cast<frmMontaLista&>(f);
    std::printf("assembly shown: %.0f ms\n", Agora() - inicio);
    for (int passo = 1; m.Carregado(); ++passo) {
      lista::DefineSelected(m.lstMarca, 0, true);
      DefineTexto(m.txtQtd, "1");
      if (lista::ListCount(m.lstMarca) == 0) break;
      const double t0 = Agora();
      m.cmdGerarLista_Click();
      std::printf("walk step %d: %.1f ms\n", passo, Agora() - t0);
    }
  });
  inicio = Agora();
  gerador.cmdGerarLista_Click();
  gerador.Descarrega();
  return 0;
}
