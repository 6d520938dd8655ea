// The operations the list windows run on a shop's catalogue of 100 000 entries (about 25 000 names), with
// the name index mkcatalogue makes and on the same catalogue without it, saving a list, and the printed
// list's text.
//
// The catalogues are made once by the catalogue tool's generator in the working folder (list-bench.mdb
// and list-bench-sem-indices.mdb) and kept. Run from the benchmarks' folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/CatalogueDatabase.h"
#include "GeneratedCatalogue.h"
#include "catalogue/Regional.h"
#include "catalogue/RelatorioDeCompras.h"
#include "catalogue/Statements.h"
#include "model/Shop.h"

using namespace mercanota;

namespace {

constexpr long long kEntradas = 100000;

std::string Catalogo(bool indices) {
  const std::string arquivo = indices ? "list-bench.mdb" : "list-bench-sem-indices.mdb";
  if (std::FILE* f = std::fopen(arquivo.c_str(), "rb")) {
    std::fclose(f);
    return arquivo;
  }
  std::string erro;
  CatalogueDatabase db;
  if (!CatalogueDatabase::CreateCatalogueFile(arquivo, true, &erro) || !db.OpenDatabase(arquivo) ||
      !FillGeneratedCatalogue(db, kEntradas, &erro)) {
    std::fprintf(stderr, "list-bench: %s%s\n", erro.c_str(), db.LastErrorText().c_str());
    std::remove(arquivo.c_str());
    return {};
  }
  db.Close();
  if (!indices) {
    // A catalogue as made before the index existed.
    sqlite3* raw = nullptr;
    sqlite3_open(arquivo.c_str(), &raw);
    sqlite3_exec(raw, "DROP INDEX ProdutosPorNome; VACUUM;", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
  }
  return arquivo;
}

struct Aberto {
  CatalogueDatabase db;
  std::vector<std::string> nomes;
  bool ok = false;
  explicit Aberto(bool indices) {
    const std::string arquivo = Catalogo(indices);
    if (arquivo.empty() || !db.OpenDatabase(arquivo)) return;
    ok = Shop(db).Names(&nomes) && !nomes.empty();
  }
};

Aberto& Catalogo(int indices) {
  static Aberto com(true);
  static Aberto sem(false);
  return indices ? com : sem;
}

// Statement 7: every distinct name, in order, as the generator fills its list.
void BM_NomesDistintos(benchmark::State& state) {
  Aberto& c = Catalogo(static_cast<int>(state.range(0)));
  if (!c.ok) return state.SkipWithError("no catalogue");
  const Shop loja(c.db);
  std::vector<std::string> nomes;
  for (auto _ : state) {
    loja.Names(&nomes);
    benchmark::DoNotOptimize(nomes.size());
  }
  state.SetLabel(std::to_string(c.nomes.size()) + " names");
}
BENCHMARK(BM_NomesDistintos)->Arg(1)->Arg(0)->ArgName("indexes")->Unit(benchmark::kMillisecond);

// Statements 14 and 15: the entries of one name, cheapest first (a step of the walk; a product of the report).
void BM_MarcasDeUmNome(benchmark::State& state) {
  Aberto& c = Catalogo(static_cast<int>(state.range(0)));
  if (!c.ok) return state.SkipWithError("no catalogue");
  const Shop loja(c.db);
  std::vector<Product> entradas;
  size_t i = 0;
  for (auto _ : state) {
    const std::string& nome = c.nomes[(i += 7919) % c.nomes.size()];
    loja.EntriesByPrice(nome, &entradas, state.range(1) != 0);
    benchmark::DoNotOptimize(entradas.size());
  }
}
BENCHMARK(BM_MarcasDeUmNome)
    ->ArgsProduct({{1, 0}, {0, 1}})
    ->ArgNames({"indexes", "whole_rows"})
    ->Unit(benchmark::kMicrosecond);

// Saving a list of 100 lines over the one saved before under its name: in one transaction, as the program
// does, or as one delete and an insert a line, each its own write to the file.
void BM_SalvaLista(benchmark::State& state) {
  const std::string arquivo = "list-bench-salva.mdb";
  std::string erro;
  CatalogueDatabase db;
  if (!CatalogueDatabase::CreateCatalogueFile(arquivo, true, &erro) || !db.OpenDatabase(arquivo)) {
    return state.SkipWithError("no catalogue");
  }
  std::vector<ListLine> linhas;
  for (long long id = 1; id <= 100; ++id) linhas.push_back({id, Currency{(1 + id % 9) * Currency::kScale}});
  const Shop loja(db);
  for (auto _ : state) {
    if (state.range(0)) {
      loja.SaveList("Semana", linhas);
    } else {
      db.Execute(sql::DeleteList("Semana"));
      for (const ListLine& l : linhas) db.Execute(sql::InsertListLine("Semana", l.id, CurrencyToText(l.quantity)));
    }
  }
  db.Close();
  std::remove(arquivo.c_str());
}
BENCHMARK(BM_SalvaLista)->Arg(1)->Arg(0)->ArgName("one_transaction")->Unit(benchmark::kMillisecond);

// The printed list's text for every entry of the catalogue.
void BM_TextoDoRelatorio(benchmark::State& state) {
  std::vector<ItemDaLista> itens;
  for (long long i = 0; i < kEntradas; ++i) {
    itens.push_back({1 + i % 12, "Biscoito Recheado Morango Linha " + std::to_string(i % 9), "Boa Mesa", "Pacote c/ 4",
                     Currency{(100 + i % 29900) * 100}});
  }
  const RegionalSettings r = RegionalSettings::PortugueseBrazil();
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextoDaListaDeCompras("Lista Padr\xE3o", Date{8, 12, 2026}, itens, r).size());
  }
  state.SetItemsProcessed(state.iterations() * kEntradas);
}
BENCHMARK(BM_TextoDoRelatorio)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
