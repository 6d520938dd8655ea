#pragma once
// The walk both report builders make: over a working list of product names whose last entry is the
// sentinel, from the first entry to the one before the last; for each ticked name its catalogue entries,
// cheapest first; an item line for every entry the quantity table says to buy. The text is the
// portable RelatorioDeCompras; it opens in a new report window.
#include <windows.h>

#include <functional>
#include <string>

namespace mercanota {

// The units to buy of a catalogue entry (0 or less: not bought).
using QuantidadeDoItem = std::function<long long(long long idProduto)>;

// Builds the report of `lista` under the hourglass, leaving the list's cursor on its last entry. False
// when a query failed (the user has been told).
bool MontaRelatorio(HWND lista, const std::string& nomeDaLista, const QuantidadeDoItem& quantidade, std::string* texto);

// MontaRelatorio, then a new report window with the text. False when nothing could be shown.
bool GeraRelatorio(HWND lista, const std::string& nomeDaLista, const QuantidadeDoItem& quantidade);

}  // namespace mercanota
