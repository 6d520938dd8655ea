// The printed shopping list against texts written out by hand: the columns, cutting and padding, the
// regional number formats, the exact grand total, over-wide values and the empty list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/RelatorioDeCompras.h"

namespace {

using mercanota::Currency;
using mercanota::Date;
using mercanota::ItemDaLista;
using mercanota::RegionalSettings;

ItemDaLista Item(long long quantidade, const char* produto, const char* marca, const char* complemento,
                 long long precoEmDezMilesimos) {
  return ItemDaLista{quantidade, produto, marca, complemento, Currency{precoEmDezMilesimos}};
}

std::string Linhas(const std::vector<std::string>& linhas) {
  std::string texto;
  for (const std::string& l : linhas) texto += l + "\r\n";
  return texto;
}

// The lines between the ruler and the dash line vary; the rest is fixed but for the title and the total.
std::string Esperado(const std::string& titulo, const std::vector<std::string>& itens, const std::string& total) {
  std::vector<std::string> l = {
      titulo,
      "",
      "     Qtd. Produto                  Marca; Complemento       Unit\xE1rio  (R$) Total",
      "---- ---- ------------------------ ------------------------ -------- -----------",
  };
  l.insert(l.end(), itens.begin(), itens.end());
  l.push_back(std::string(80, '-'));
  l.push_back("Total: ............................................................. " + total);
  l.push_back("");
  l.push_back("");
  l.push_back("Tarvelo\xAE Brasil:        Telefone : (11) 3555-0142");
  l.push_back("                        E-Mail   : contato@tarvelo.com.br");
  l.push_back("                        Internet : http://www.tarvelo.com.br/");
  return Linhas(l);
}

struct Caso {
  const char* nome;
  bool ingles;
  std::vector<ItemDaLista> itens;
  std::vector<std::string> linhas;
  const char* total;  // the last 11 columns of the total line
};

TEST(RelatorioDeCompras, TextsWrittenOutByHand) {
  const std::vector<Caso> casos = {
      {"one product, quantity 2 at three reais fifty",
       false,
       {Item(2, "Sal", "Litoral", "1 kg", 35000)},
       {"(  )    2 Sal                      Litoral; 1 kg                3,50        7,00"},
       "       7,00"},
      {"names cut at 24, thousands grouped, brands in the given order",
       false,
       {Item(1,
             "Queijo Mu\xE7"
             "arela Fatiado Especial",
             "Vale Verde do Sul", "Fatiado, kg", 12345000),
        Item(12,
             "Queijo Mu\xE7"
             "arela Fatiado Especial",
             "Boa Mesa", "<Nenhum>", 4990)},
       {"(  )    1 Queijo Mu\xE7"
        "arela Fatiado  Vale Verde do Sul; Fatia 1.234,50    1.234,50",
        "(  )   12 Queijo Mu\xE7"
        "arela Fatiado  Boa Mesa; <Nenhum>           0,50        5,99"},
       "   1.240,49"},
      {"the total sums the exact products, not the rounded line texts",
       false,
       {Item(1, "A", "B", "C", 50), Item(1, "A", "D", "E", 50), Item(1, "A", "F", "G", 50)},
       {"(  )    1 A                        B; C                         0,01        0,01",
        "(  )    1 A                        D; E                         0,01        0,01",
        "(  )    1 A                        F; G                         0,01        0,01"},
       "       0,02"},
      {"values wider than their columns widen the line",
       false,
       {Item(12345, "Arroz", "Gr\xE3o Dourado", "5 kg", 1234567800)},
       {"(  ) 12345 Arroz                    Gr\xE3o Dourado; 5 kg       123.456,78 1.524.073.949,10"},
       "1.524.073.949,10"},
      {"an empty list is still a whole report", false, {}, {}, "       0,00"},
      {"English settings",
       true,
       {Item(2, "Salt", "Coast", "1 kg", 35000), Item(3, "Cheese", "Green Valley", "kg", 12345000)},
       {"(  )    2 Salt                     Coast; 1 kg                  3.50        7.00",
        "(  )    3 Cheese                   Green Valley; kg         1,234.50    3,703.50"},
       "   3,710.50"},
  };
  const Date data{7, 12, 2026};
  for (const Caso& c : casos) {
    const RegionalSettings r =
        c.ingles ? RegionalSettings::EnglishUnitedStates() : RegionalSettings::PortugueseBrazil();
    const std::string titulo = c.ingles ? "Lista de Compras 'Lista Padr\xE3o' Criada em 07/December/2026"
                                        : "Lista de Compras 'Lista Padr\xE3o' Criada em 07/dezembro/2026";
    EXPECT_EQ(mercanota::TextoDaListaDeCompras("Lista Padr\xE3o", data, c.itens, r),
              Esperado(titulo, c.linhas, c.total))
        << c.nome;
  }
}

// Amounts beyond the currency range are never shown as a wrong number; the lines before stay exact.
TEST(RelatorioDeCompras, AmountsBeyondTheCurrencyRangeShowAsHashes) {
  const RegionalSettings r = RegionalSettings::PortugueseBrazil();
  mercanota::RelatorioDeCompras relatorio("X", Date{1, 1, 2027}, r);
  relatorio.Adiciona(Item(2, "A", "B", "C", 10000));
  EXPECT_FALSE(relatorio.Estourou());
  relatorio.Adiciona(Item(99999999, "A", "B", "C", 1000000000000000LL));
  EXPECT_TRUE(relatorio.Estourou());
  const std::string texto = relatorio.Conclui();
  EXPECT_NE(texto.find("        2,00\r\n"), std::string::npos);
  EXPECT_NE(texto.find("100.000.000.000,00 ###########\r\n"), std::string::npos) << texto;
  EXPECT_NE(texto.find(std::string(61, '.') + " ###########\r\n"), std::string::npos) << texto;

  Currency c;
  EXPECT_TRUE(mercanota::CurrencyFromDouble(3.5, &c));
  EXPECT_EQ(c.scaled, 35000);
  EXPECT_TRUE(mercanota::CurrencyFromDouble(0.00005, &c));
  EXPECT_EQ(c.scaled, 1);
  EXPECT_FALSE(mercanota::CurrencyFromDouble(1e20, &c));
}

}  // namespace
