#pragma once
// Process-wide state and procedures shared by every window of the program.
#include <array>
#include <string>
#include <string_view>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/ListConventions.h"

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

// A query and a command on the catalogue as every window runs them: the hourglass from just before the
// call to just after it; on failure the user is told why (MostraErroDoBancoDeDados) and the result is
// false, so the caller stops the operation. A command on a catalogue opened for reading is refused with
// the message the start showed.
bool Consulta(std::string_view sql, Recordset* linhas);
bool Executa(std::string_view sql);

// Tells the user why the last database operation failed (the windows call it where an error stops an
// operation).
void MostraErroDoBancoDeDados();

}  // namespace mercanota::ModuloGlobal
