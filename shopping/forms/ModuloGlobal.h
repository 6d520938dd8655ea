#pragma once
// Process-wide state and procedures shared by every window of the program.
#include <array>
#include <string>
#include <string_view>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/ListConventions.h"
#include "forms/Eventos.h"
#include "model/Shop.h"

namespace mercanota::ModuloGlobal {

// The open Registro.mdb: opened when the main window loads, closed when the program ends.
extern ::mercanota::CatalogueDatabase CatalogueDatabase;
// True while the spoken guided tour runs.
extern bool ModoDeAjuda;
// "CadastraUm" while the assembly window has the registration window open for one product, "Padrão"
// after it; empty at start.
extern std::string ModoCadastro;
// Product names of a saved list in slots 1 to kMaxProdutosDaLista; the first empty slot ends it.
extern std::array<std::string, kMaxProdutosDaLista + 1> ProdutosDaLista;

// Opens App.Path\Registro.mdb into CatalogueDatabase under the hourglass. When it cannot be opened, says
// so and ends the program (the call returns false only where ending is a test's recording). A catalogue
// that cannot be written is opened for reading, and the user is told so at once.
bool AbreBancoDados();

// Glides the mouse pointer visibly to the screen point (x, y), in pixels, processing window events at
// every step.
void MoveCursorPara(int x, int y);

// Starts the help viewer on App.Path\MercanotaK.HLP, maximized, without waiting for it; says so when it
// cannot be started.
void ExibirAjuda();
// The command line ExibirAjuda starts.
std::string LinhaDeComandoDaAjuda();

// The program's operations on the open catalogue.
Shop Loja();

// A reading and a change of the catalogue as every window runs them: the hourglass from just before the
// call to just after it; on failure the user is told why (MostraErroDoBancoDeDados) and the result is
// false, so the caller stops the operation. A change refused because the catalogue was opened for reading
// is told with the message the start showed.
template <class Leitura>
bool Le(const Leitura& leitura);
template <class Alteracao>
bool Altera(const Alteracao& alteracao);

// The message the start shows for a catalogue that cannot be written.
void AvisaSomenteLeitura();

// Tells the user why the last database operation failed (the windows call it where an error stops an
// operation).
void MostraErroDoBancoDeDados();

template <class Leitura>
bool Le(const Leitura& leitura) {
  Shop loja = Loja();
  const bool feito = ComAmpulheta::Durante([&] { return leitura(loja); });
  if (!feito) MostraErroDoBancoDeDados();
  return feito;
}

template <class Alteracao>
bool Altera(const Alteracao& alteracao) {
  Shop loja = Loja();
  Change resultado = Change::kFailed;
  ComAmpulheta::Durante([&] {
    resultado = alteracao(loja);
    return true;
  });
  if (resultado == Change::kReadOnly) AvisaSomenteLeitura();
  if (resultado == Change::kFailed) MostraErroDoBancoDeDados();
  return resultado == Change::kDone;
}

}  // namespace mercanota::ModuloGlobal
