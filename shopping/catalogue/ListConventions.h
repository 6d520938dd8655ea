#pragma once

// Names every list window agrees on. The built-in empty list is never stored; the sentinel entry ends
// every product list that is walked. Product identifiers used by the list windows lie in
// 1..kMaxProdutosDaLista.
namespace mercanota {

extern const char* const kListaPadrao;  // "Lista Padrão"
extern const char* const kItemPadrao;   // "Ítem Padrão"

constexpr int kMaxProdutosDaLista = 1000;

}  // namespace mercanota
