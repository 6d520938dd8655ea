#pragma once
// The printed shopping list: an 80-column text with a title, one line per product and brand to buy
// (quantity, name, brand and complement, unit price, line total), the grand total and the maker's contact
// lines. Every line, the last one included, ends in CR LF, so the text goes unchanged into a multi-line
// edit control and onto paper.
//
// Both list windows that print a list collect the lines in the order they walk them and hand them to one
// RelatorioDeCompras, so the two reports can never differ in layout.
//
// Amounts are kept exactly as the currency type keeps them: the grand total is the sum of the exact
// quantity x price products, never of the rounded line texts. A value wider than its column widens its
// line instead of losing digits; an amount beyond the currency range is shown as a run of "#", which no
// one can read as a number.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Regional.h"

namespace mercanota {

// The maker's contact lines at the foot of every list.
extern const char* const kTelefoneDoFabricante;
extern const char* const kEmailDoFabricante;
extern const char* const kInternetDoFabricante;

struct ItemDaLista {
  long long quantidade = 0;  // whole units
  std::string produto;
  std::string marca;
  std::string complemento;
  Currency precoUnitario;
};

class RelatorioDeCompras {
public:
  // Starts the text with the title (the list's name and the date, "dd/mmmm/yyyy" with the locale's month
  // name), an empty line, the column header and the ruler.
  RelatorioDeCompras(std::string_view nomeDaLista, const Date& data, const RegionalSettings& r = Regional());

  // Adds one item line and its amount to the grand total.
  void Adiciona(const ItemDaLista& item);
  // The dash line, the total line, two empty lines and the footer; the finished text. Call once.
  std::string Conclui();

  // The grand total so far, and whether it left the currency range.
  Currency Total() const { return total_; }
  bool Estourou() const { return estouro_; }

private:
  const RegionalSettings& r_;
  std::string texto_;
  Currency total_;
  bool estouro_ = false;
};

// The whole report in one call.
std::string TextoDaListaDeCompras(std::string_view nomeDaLista, const Date& data, const std::vector<ItemDaLista>& itens,
                                  const RegionalSettings& r = Regional());

// A price as the catalogue returns it (a floating number) in currency, rounded to four decimals; false
// when it lies outside the currency range.
bool CurrencyFromDouble(double valor, Currency* amount);

}  // namespace mercanota
