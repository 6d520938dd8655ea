#include "DemoCatalogue.h"

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/ListConventions.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"

namespace mercanota {
namespace {

struct DemoProduct {
  const char* name;
  const char* brand;
  const char* complement;
  const char* date;
  const char* price;  // as typed under Portuguese (Brazil)
};

// The brands are invented. Produce is sold without brand, as the registration window stores it.
const DemoProduct kProducts[] = {
    {"Arroz", "Grão Dourado", "Tipo 1, 5 kg", "03/03/2025", "24,90"},
    {"Arroz", "Vale Verde", "Tipo 1, 5 kg", "03/03/2025", "22,45"},
    {"Arroz", "Grão Dourado", "Integral, 1 kg", "03/03/2025", "7,99"},
    {"Feijão Carioca", "Sabor do Campo", "1 kg", "03/03/2025", "8,49"},
    {"Feijão Carioca", "Boa Mesa", "1 kg", "03/03/2025", "7,89"},
    {"Feijão Preto", "Boa Mesa", "1 kg", "03/03/2025", "9,29"},
    {"Açúcar", "Serra Azul", "Refinado, 1 kg", "03/03/2025", "4,59"},
    {"Açúcar", "Serra Azul", "Cristal, 5 kg", "03/03/2025", "19,90"},
    {"Açúcar", "Doce Vida", "Refinado, 1 kg", "03/03/2025", "4,29"},
    {"Café", "Estrela do Sul", "Tradicional, 500 g", "05/03/2025", "17,90"},
    {"Café", "Fazendinha", "Extraforte, 500 g", "05/03/2025", "15,49"},
    {"Café", "Estrela do Sul", "Tradicional, 250 g", "05/03/2025", "9,49"},
    {"Óleo de Soja", "Pérola", "900 ml", "05/03/2025", "7,49"},
    {"Óleo de Soja", "Tropical", "900 ml", "05/03/2025", "6,99"},
    {"Leite", "Fazendinha", "Integral, 1 litro", "05/03/2025", "5,29"},
    {"Leite", "Vale Verde", "Desnatado, 1 litro", "05/03/2025", "5,49"},
    {"Macarrão", "Boa Mesa", "Espaguete, 500 g", "05/03/2025", "4,79"},
    {"Macarrão", "Casa Nova", "Parafuso, 500 g", "05/03/2025", "4,99"},
    {"Farinha de Trigo", "Pérola", "Tipo 1, 1 kg", "05/03/2025", "5,49"},
    {"Sal", "Litoral", "Refinado, 1 kg", "05/03/2025", "2,99"},
    {"Ovos", "Fazendinha", "Brancos, dúzia", "07/03/2025", "11,9"},
    {"Ovos", "Fazendinha", "Vermelhos, dúzia", "07/03/2025", "13,9"},
    {"Manteiga", "Vale Verde", "Com sal, 200 g", "07/03/2025", "12,9"},
    {"Margarina", "Boa Mesa", "Cremosa, 500 g", "07/03/2025", "8,99"},
    {"Pão de Forma", "Casa Nova", "Tradicional, 500 g", "07/03/2025", "8,49"},
    {"Pão de Forma", "Casa Nova", "Integral, 450 g", "07/03/2025", "11,29"},
    {"Molho de Tomate", "Tropical", "Sachê, 340 g", "07/03/2025", "2,89"},
    {"Molho de Tomate", "Sabor do Campo", "Tradicional, 340 g", "07/03/2025", "3,19"},
    {"Biscoito", "Doce Vida", "Cream cracker, 400 g", "07/03/2025", "6,49"},
    {"Biscoito", "Doce Vida", "Recheado de chocolate, 140 g", "07/03/2025", "3,29"},
    {"Queijo Muçarela", "Vale Verde", "Fatiado, kg", "10/03/2025", "49,9"},
    {"Banana", "<Não Possue>", "Nanica, kg", "10/03/2025", "5,99"},
    {"Tomate", "<Não Possue>", "<Nenhum>", "10/03/2025", "8,99"},
    {"Batata", "<Não Possue>", "Inglesa, kg", "10/03/2025", "6,49"},
    {"Cebola", "<Não Possue>", "<Nenhum>", "10/03/2025", "5,79"},
    {"Água Mineral", "Serra Azul", "Sem gás, 1,5 litro", "10/03/2025", "2,99"},
    {"Água Mineral", "Litoral", "Com gás, 500 ml", "10/03/2025", "2,49"},
    {"Sabão em Pó", "Brilho", "1 kg", "12/03/2025", "14,9"},
    {"Sabão em Pó", "Limpeza Total", "1,6 kg", "12/03/2025", "21,9"},
    {"Detergente", "Brilho", "Neutro, 500 ml", "12/03/2025", "2,49"},
    {"Detergente", "Limpeza Total", "Limão, 500 ml", "12/03/2025", "2,39"},
    {"Papel Higiênico", "Maciez", "Folha dupla, 12 rolos", "12/03/2025", "19,9"},
    {"Papel Higiênico", "Maciez", "Folha simples, 4 rolos", "12/03/2025", "5,49"},
    {"Creme Dental", "Sorriso", "90 g", "12/03/2025", "4,99"},
    {"Sabonete", "Sorriso", "Erva-doce, 90 g", "12/03/2025", "2,19"},
};

struct DemoLine {
  const char* list;
  const char* name;
  const char* brand;
  const char* complement;
  const char* quantity;
};

const DemoLine kLists[] = {
    {"Compras do Mês", "Arroz", "Vale Verde", "Tipo 1, 5 kg", "1"},
    {"Compras do Mês", "Feijão Carioca", "Boa Mesa", "1 kg", "2"},
    {"Compras do Mês", "Açúcar", "Doce Vida", "Refinado, 1 kg", "2"},
    {"Compras do Mês", "Café", "Estrela do Sul", "Tradicional, 500 g", "2"},
    {"Compras do Mês", "Óleo de Soja", "Tropical", "900 ml", "2"},
    {"Compras do Mês", "Leite", "Fazendinha", "Integral, 1 litro", "12"},
    {"Compras do Mês", "Macarrão", "Boa Mesa", "Espaguete, 500 g", "3"},
    {"Compras do Mês", "Sabão em Pó", "Brilho", "1 kg", "1"},
    {"Compras do Mês", "Papel Higiênico", "Maciez", "Folha dupla, 12 rolos", "1"},
    {"Compras do Mês", "Creme Dental", "Sorriso", "90 g", "2"},
    {"Café da Manhã", "Pão de Forma", "Casa Nova", "Integral, 450 g", "1"},
    {"Café da Manhã", "Manteiga", "Vale Verde", "Com sal, 200 g", "1"},
    {"Café da Manhã", "Leite", "Vale Verde", "Desnatado, 1 litro", "2"},
    {"Café da Manhã", "Queijo Muçarela", "Vale Verde", "Fatiado, kg", "0,5"},
    {"Café da Manhã", "Banana", "<Não Possue>", "Nanica, kg", "1,5"},
};

}  // namespace

bool FillDemoCatalogue(CatalogueDatabase& db, std::string* error) {
  // The texts above are written the Brazilian way, whatever the machine that builds the catalogue.
  const RegionalSettings saved = Regional();
  SetRegional(RegionalSettings::PortugueseBrazil());
  const auto fail = [&] {
    *error = db.LastErrorText();
    SetRegional(saved);
    return false;
  };

  for (const DemoProduct& p : kProducts) {
    if (!db.Execute(sql::InsertProduct(p.name, p.brand, p.complement, p.date, p.price))) return fail();
  }
  for (const DemoLine& line : kLists) {
    Recordset entry;
    if (!db.CreateSnapshot(sql::SelectIdOfEntry(line.name, line.brand, line.complement), &entry)) return fail();
    if (entry.Eof()) {
      *error = std::string("Produto da lista de demonstração não cadastrado: ") + line.name;
      SetRegional(saved);
      return false;
    }
    const long long id = entry.Fields("ID_Produto").AsInteger();
    if (!db.Execute(sql::InsertListLine(line.list, id, line.quantity))) return fail();
  }
  SetRegional(saved);
  return true;
}

}  // namespace mercanota
