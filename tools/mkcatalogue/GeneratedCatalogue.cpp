#include "GeneratedCatalogue.h"

#include <cstdint>
#include <iterator>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"

namespace mercanota {
namespace {

const char* const kProdutos[] = {
    "Arroz",
    "Feijão",
    "Açúcar",
    "Café",
    "Leite",
    "Macarrão",
    "Biscoito",
    "Bolacha",
    "Sabonete",
    "Xampu",
    "Condicionador",
    "Detergente",
    "Iogurte",
    "Queijo",
    "Presunto",
    "Refrigerante",
    "Suco",
    "Chá",
    "Chocolate",
    "Sorvete",
    "Pão",
    "Bolo",
    "Farinha",
    "Fubá",
    "Aveia",
    "Cereal Matinal",
    "Achocolatado",
    "Creme de Leite",
    "Leite Condensado",
    "Molho de Tomate",
    "Extrato de Tomate",
    "Maionese",
    "Ketchup",
    "Mostarda",
    "Azeite",
    "Vinagre",
    "Tempero",
    "Caldo",
    "Sardinha",
    "Atum",
    "Milho Verde",
    "Ervilha",
    "Palmito",
    "Azeitona",
    "Geleia",
    "Margarina",
    "Manteiga",
    "Requeijão",
    "Salsicha",
    "Linguiça",
    "Frango",
    "Carne Moída",
    "Papel Higiênico",
    "Guardanapo",
    "Esponja",
    "Amaciante",
    "Sabão em Pó",
    "Desinfetante",
    "Creme Dental",
    "Desodorante",
    "Fralda",
    "Ração",
    "Granola",
    "Pipoca",
    "Batata Palha",
    "Salgadinho",
    "Torrada",
    "Gelatina",
    "Pudim",
    "Água de Coco",
};

const char* const kVariedades[] = {
    "Tradicional", "Integral", "Light",    "Diet",        "Zero",       "Orgânico", "Premium",  "Natural", "Morango",
    "Chocolate",   "Baunilha", "Limão",    "Laranja",     "Uva",        "Coco",     "Maracujá", "Pêssego", "Menta",
    "Ervas Finas", "Picante",  "Defumado", "Sem Lactose", "Sem Glúten", "Extra",    "Especial", "Caseiro", "Família",
    "Infantil",    "Fit",      "Gourmet",  "Recheado",    "Cremoso",    "Crocante", "Suave",    "Forte",
};

const char* const kMarcas[] = {
    "Boa Mesa",    "Vale Verde",   "Grão Dourado", "Sabor do Campo", "Serra Azul", "Doce Vida", "Estrela do Sul",
    "Fazendinha",  "Pérola",       "Tropical",     "Casa Nova",      "Litoral",    "Brilho",    "Limpeza Total",
    "Bem Viver",   "Campo Alegre", "Recanto",      "Sol Nascente",   "Mesa Farta", "Nativa",    "Primavera",
    "Aurora",      "Bom Gosto",    "Delícia",      "Ouro Fino",      "Paraíso",    "Rio Claro", "Santa Clara",
    "Três Marias", "Vila Rica",    "<Não Possue>",
};

const char* const kComplementos[] = {
    "100 g",  "200 g",   "250 g",     "400 g",    "500 g",       "1 kg",        "2 kg",    "5 kg", "200 ml", "350 ml",
    "500 ml", "1 litro", "1,5 litro", "2 litros", "Pacote c/ 4", "Caixa c/ 12", "Unidade", "Lata", "Sachê",  "<Nenhum>",
};

// A small fixed generator, so that a count always gives the same catalogue on every machine.
struct Sorteio {
  uint64_t estado;
  uint32_t Proximo() {
    estado = estado * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(estado >> 33);
  }
  size_t Ate(size_t n) { return static_cast<size_t>(Proximo() % n); }
};

std::string Nome(long long indice) {
  const long long produtos = static_cast<long long>(std::size(kProdutos));
  const long long variedades = static_cast<long long>(std::size(kVariedades));
  std::string nome = std::string(kProdutos[indice % produtos]) + " " + kVariedades[(indice / produtos) % variedades];
  // Past every pairing, names go on as further product lines of the same pair.
  if (const long long linha = indice / (produtos * variedades); linha > 0)
    nome += " Linha " + std::to_string(linha + 1);
  return nome;
}

}  // namespace

bool FillGeneratedCatalogue(CatalogueDatabase& db, long long count, std::string* error) {
  const RegionalSettings r = RegionalSettings::PortugueseBrazil();
  const RegionalSettings anterior = Regional();
  SetRegional(r);
  Sorteio sorteio{static_cast<uint64_t>(count) * 2654435761ULL + 1};
  bool ok = db.BeginTrans();
  // Four entries a name on average: three to five brands and sizes.
  long long nome = 0;
  for (long long feitos = 0; ok && feitos < count; ++nome) {
    const std::string produto = Nome(nome);
    const long long entradas = 3 + static_cast<long long>(sorteio.Ate(3));
    for (long long e = 0; ok && e < entradas && feitos < count; ++e, ++feitos) {
      Currency preco{static_cast<long long>(100 + sorteio.Ate(29900)) * 100};  // 1,00 to 299,99
      if (sorteio.Ate(4) == 0) preco.scaled /= 10;                             // cheap items are common
      char data[11];
      const int dia = 1 + static_cast<int>(sorteio.Ate(28));
      data[0] = static_cast<char>('0' + dia / 10);
      data[1] = static_cast<char>('0' + dia % 10);
      std::string dataTexto = std::string(data, 2) + "/03/2025";
      ok = db.Execute(sql::InsertProduct(produto, kMarcas[sorteio.Ate(std::size(kMarcas))],
                                         kComplementos[sorteio.Ate(std::size(kComplementos))], dataTexto,
                                         CurrencyToText(preco, r)));
    }
  }
  if (ok) ok = db.CommitTrans();
  if (!ok) {
    *error = db.LastErrorText();
    db.Rollback();
  }
  SetRegional(anterior);
  return ok;
}

}  // namespace mercanota
