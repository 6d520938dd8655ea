#pragma once
// Applying a saved list, as the generator and the saved-list window both do: its product names into the
// global ProdutosDaLista, then a list of every product name with those ticked.
#include <windows.h>

#include <string>

namespace mercanota {

// Fills slots 1.. of ModuloGlobal::ProdutosDaLista with the product names of the saved list `nome`, in
// the order of its rows, and empties the rest. A row whose entry has left the catalogue is skipped, so
// the names after it are not lost. False when a query failed (the user has been told).
bool CarregaProdutosDaLista(const std::string& nome);

// Fills `lista` with the distinct product names and ticks those in ProdutosDaLista; the cursor ends on
// the first entry. False (with the empty-catalogue message shown) when the catalogue has no entries, or
// when a query failed.
bool PreencheListaDeProdutos(HWND lista);

}  // namespace mercanota
