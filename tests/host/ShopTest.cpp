// The program's operations on a real SQLite catalogue: products, names, saved lists and the printed
// list's items, and a saved list written in one transaction.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Regional.h"
#include "model/Shop.h"

namespace {

using namespace mercanota;

Currency Reais(long long centavos) { return Currency{centavos * 100}; }

Product Entry(std::string name, std::string brand, std::string complement, long long centavos,
              std::string date = "01/03/2025") {
  Product p;
  p.name = std::move(name);
  p.brand = std::move(brand);
  p.complement = std::move(complement);
  p.price = Reais(centavos);
  p.date = std::move(date);
  return p;
}

// "id:brand;complement", the way a list window would list an entry.
std::vector<std::string> Listed(const std::vector<Product>& entries) {
  std::vector<std::string> out;
  for (const Product& p : entries) out.push_back(std::to_string(p.id) + ":" + p.brand + ";" + p.complement);
  return out;
}

class ShopOnFile : public testing::Test {
protected:
  void SetUp() override {
    SetRegional(RegionalSettings::PortugueseBrazil());
    path_ =
        testing::TempDir() + "mercanota_shop_" + testing::UnitTest::GetInstance()->current_test_info()->name() + ".mdb";
    std::string error;
    ASSERT_TRUE(CatalogueDatabase::CreateCatalogueFile(path_, true, &error)) << error;
    ASSERT_TRUE(db_.OpenDatabase(path_)) << db_.LastErrorText();
    // Identifiers 1 to 6; Arroz has three entries (one repeated), Feijão two.
    for (const Product& p :
         {Entry("Arroz", "Vale Verde", "5 kg", 2245), Entry("Feij\xE3o", "Serra", "1 kg", 850),
          Entry("Arroz", "Tio", "1 kg", 590), Entry("caf\xE9", "Sul", "500 g", 1299),
          Entry("Feij\xE3o", "<N\xE3o Possue>", "<Nenhum>", 799), Entry("Arroz", "Vale Verde", "5 kg", 1900)}) {
      ASSERT_EQ(shop_.Register(p), Change::kDone) << db_.LastErrorText();
    }
  }
  void TearDown() override {
    db_.Close();
    std::remove(path_.c_str());
  }

  // The rows of a saved list, "id:quantity" in the order stored.
  std::vector<std::string> Lines(const std::string& list) {
    sqlite3* raw = nullptr;
    std::vector<std::string> out;
    sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, "SELECT ID_Produto, Quantidade FROM Compras WHERE Nome_Salvar = ? ORDER BY rowid", -1, &st,
                       nullptr);
    sqlite3_bind_text(st, 1, list.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
      out.push_back(std::to_string(sqlite3_column_int64(st, 0)) + ":" +
                    reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
    return out;
  }

  void Raw(const char* statement) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(raw, statement, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(raw);
  }

  std::string path_;
  CatalogueDatabase db_;
  Shop shop_{db_};
};

// What each reading gives back on the same catalogue.
TEST_F(ShopOnFile, ReadingsGiveTypedValues) {
  std::vector<std::string> names;
  ASSERT_TRUE(shop_.Names(&names));
  EXPECT_EQ(names, (std::vector<std::string>{"Arroz", "caf\xE9", "Feij\xE3o"})) << "accents and case aside";
  ASSERT_TRUE(shop_.Names(&names, true));
  EXPECT_EQ(names.size(), 3u);

  bool yes = false;
  ASSERT_TRUE(shop_.HasProducts(&yes));
  EXPECT_TRUE(yes);
  const struct {
    const char* name;
    bool registered;
  } registered[] = {{"Arroz", true}, {"ARROZ", true}, {"Caf\xE9", true}, {"Cafe", false}, {"Sal", false}};
  for (const auto& c : registered) {
    ASSERT_TRUE(shop_.NameIsRegistered(c.name, &yes));
    EXPECT_EQ(yes, c.registered) << c.name;
  }

  std::vector<Product> entries;
  ASSERT_TRUE(shop_.BrandsOf("Arroz", &entries));
  EXPECT_EQ(Listed(entries), (std::vector<std::string>{"0:Vale Verde;5 kg", "0:Tio;1 kg", "0:Vale Verde;5 kg"}))
      << "in the order registered";
  ASSERT_TRUE(shop_.EntriesByPrice("Arroz", &entries));
  EXPECT_EQ(Listed(entries), (std::vector<std::string>{"3:Tio;1 kg", "6:Vale Verde;5 kg", "1:Vale Verde;5 kg"}));
  EXPECT_TRUE(entries[0].name.empty()) << "only what the brand list needs";
  ASSERT_TRUE(shop_.EntriesByPrice("Feij\xE3o", &entries, true));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "Feij\xE3o");
  EXPECT_EQ(entries[0].price.scaled, 79900);
  EXPECT_EQ(entries[0].date, "01/03/2025");

  Product p;
  bool found = false;
  ASSERT_TRUE(shop_.Find("Arroz", "Vale Verde", "5 kg", &p, &found));
  ASSERT_TRUE(found);
  EXPECT_EQ(p.id, 1) << "the first of two equal entries";
  EXPECT_EQ(p.price.scaled, 224500);
  ASSERT_TRUE(shop_.Find("Arroz", "Vale Verde", "1 kg", &p, &found));
  EXPECT_FALSE(found);
  ASSERT_TRUE(shop_.ProductById(4, &p, &found));
  ASSERT_TRUE(found);
  EXPECT_EQ(p.name + "|" + p.brand + "|" + p.complement + "|" + CurrencyToText(p.price) + "|" + p.date,
            "caf\xE9|Sul|500 g|12,99|01/03/2025");
  ASSERT_TRUE(shop_.ProductById(99, &p, &found));
  EXPECT_FALSE(found);

  long long id = 0;
  EXPECT_TRUE(ParseProductId(" 12 ", &id));
  EXPECT_EQ(id, 12);
  EXPECT_FALSE(ParseProductId("-", &id));
}

// Register, change and delete, each as the catalogue then reads; a quote stays a value. A price stored
// beyond the currency range reads as zero.
TEST_F(ShopOnFile, ChangesAreReadBack) {
  Product p = Entry("D'Ajuda", "Marca \"Boa\"", "1/2 kg", 350, "02/03/2025");
  ASSERT_EQ(shop_.Register(p), Change::kDone);
  bool found = false;
  ASSERT_TRUE(shop_.Find("D'Ajuda", "Marca \"Boa\"", "1/2 kg", &p, &found));
  ASSERT_TRUE(found);
  EXPECT_EQ(p.id, 7);
  EXPECT_EQ(CurrencyToText(p.price), "3,5");
  ASSERT_TRUE(shop_.NameIsRegistered("D'Ajuda", &found));
  EXPECT_TRUE(found) << "the registration window asks before a second entry of the name";

  p.name = "D'Ajuda 2";
  p.price = Reais(451);
  p.date = "2025-03-02";
  ASSERT_EQ(shop_.Update(p), Change::kDone);
  Product back;
  ASSERT_TRUE(shop_.ProductById(7, &back, &found));
  EXPECT_EQ(back.name + "|" + CurrencyToText(back.price) + "|" + back.date, "D'Ajuda 2|4,51|2025-03-02");

  ASSERT_EQ(shop_.Delete(7), Change::kDone);
  ASSERT_TRUE(shop_.ProductById(7, &back, &found));
  EXPECT_FALSE(found);

  Raw("UPDATE Produtos SET PrecoUnitario = 1e300 WHERE ID_Produto = 4");
  ASSERT_TRUE(shop_.ProductById(4, &back, &found));
  EXPECT_EQ(back.price.scaled, 0);
}

// Saved lists: written whole (lines without a quantity left out), read back in order, the names of a
// list skipping an entry that left the catalogue, the quantities of every entry of the names asked.
TEST_F(ShopOnFile, SavedListsRoundTrip) {
  ASSERT_EQ(shop_.SaveList("Semana", {{3, Reais(200)}, {5, Currency{}}, {2, Currency{25000}}}), Change::kDone);
  ASSERT_EQ(shop_.SaveList("Feira d'Ontem", {{4, Reais(100)}, {1, Reais(100)}}), Change::kDone);
  EXPECT_EQ(Lines("Semana"), (std::vector<std::string>{"3:2.0", "2:2.5"}));

  std::vector<std::string> names;
  ASSERT_TRUE(shop_.SavedListNames(&names));
  EXPECT_EQ(names, (std::vector<std::string>{"Feira d'Ontem", "Semana"}));
  ASSERT_TRUE(shop_.NamesOfList("Semana", &names));
  EXPECT_EQ(names, (std::vector<std::string>{"Arroz", "Feij\xE3o"}));
  bool used = false;
  std::string list;
  ASSERT_TRUE(shop_.ListUsing(3, &list, &used));
  EXPECT_TRUE(used);
  EXPECT_EQ(list, "Semana");

  ASSERT_EQ(shop_.Delete(4), Change::kDone);  // the catalogue's own rule is the window's: here it just goes
  ASSERT_TRUE(shop_.NamesOfList("Feira d'Ontem", &names));
  EXPECT_EQ(names, std::vector<std::string>{"Arroz"});

  std::vector<SavedQuantity> quantities;
  ASSERT_TRUE(shop_.QuantitiesOfList("Semana", {"Arroz", "Feij\xE3o"}, &quantities));
  std::vector<std::string> seen;
  for (const SavedQuantity& q : quantities) {
    seen.push_back(std::to_string(q.id) + (q.saved ? "=" + NumberToText(q.quantity) : ""));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"3=2", "6", "1", "5", "2=2,5"}));

  // Saving again under a name replaces the list; deleting leaves the others.
  ASSERT_EQ(shop_.SaveList("Semana", {{6, Reais(300)}}), Change::kDone);
  EXPECT_EQ(Lines("Semana"), std::vector<std::string>{"6:3.0"});
  ASSERT_EQ(shop_.DeleteList("Semana"), Change::kDone);
  EXPECT_TRUE(Lines("Semana").empty());
  EXPECT_EQ(Lines("Feira d'Ontem").size(), 2u);
  ASSERT_TRUE(shop_.ListUsing(6, &list, &used));
  EXPECT_FALSE(used);
}

// A change that cannot be stored leaves everything as it was: a save that fails part-way (here an insert
// the file refuses; a full disk or a lost lock do the same) keeps the list saved before and says why; a
// catalogue opened for reading refuses every change before trying it.
TEST_F(ShopOnFile, ChangesThatCannotBeStoredLeaveEverythingAsItWas) {
  ASSERT_EQ(shop_.SaveList("Semana", {{1, Reais(100)}, {2, Reais(300)}}), Change::kDone);
  const std::vector<std::string> saved = {"1:1.0", "2:3.0"};
  Raw("CREATE TRIGGER recusa BEFORE INSERT ON Compras WHEN NEW.ID_Produto = 5 "
      "BEGIN SELECT RAISE(ABORT, 'linha recusada'); END;");
  ASSERT_TRUE(db_.OpenDatabase(path_));
  EXPECT_EQ(shop_.SaveList("Semana", {{3, Reais(100)}, {5, Reais(100)}, {6, Reais(100)}}), Change::kFailed);
  EXPECT_NE(db_.LastErrorText().find("linha recusada"), std::string::npos) << db_.LastErrorText();
  EXPECT_FALSE(db_.InTransaction());
  EXPECT_EQ(Lines("Semana"), saved);

  // The host's SQLite takes a URI, which is how a test opens a file read-only whoever runs it.
  ASSERT_TRUE(db_.OpenDatabase("file:" + path_ + "?mode=ro")) << db_.LastErrorText();
  ASSERT_TRUE(db_.IsReadOnly());
  Product p = Entry("Sal", "Mar", "1 kg", 300);
  p.id = 1;
  const Change refused[] = {shop_.Register(p), shop_.Update(p), shop_.Delete(1),
                            shop_.SaveList("Semana", {{3, Reais(100)}}), shop_.DeleteList("Semana")};
  for (Change c : refused) EXPECT_EQ(c, Change::kReadOnly);
  EXPECT_EQ(Lines("Semana"), saved);
  std::vector<Product> entries;
  ASSERT_TRUE(shop_.EntriesByPrice("Sal", &entries));
  EXPECT_TRUE(entries.empty());

  // Writable again, the next save works.
  ASSERT_TRUE(db_.OpenDatabase(path_));
  EXPECT_EQ(shop_.SaveList("Semana", {{3, Reais(100)}}), Change::kDone);
  EXPECT_EQ(Lines("Semana"), std::vector<std::string>{"3:1.0"});
}

// The printed list's items: each name's entries cheapest first, those with units to buy, whole.
TEST_F(ShopOnFile, ReportItemsFollowTheNamesAndThePrices) {
  std::vector<ItemDaLista> items;
  const auto units = [](long long id) -> long long { return id == 1 ? 2 : id == 3 ? 5 : id == 2 ? -1 : 0; };
  ASSERT_TRUE(shop_.ReportItems({"Feij\xE3o", "Arroz"}, units, &items));
  std::vector<std::string> seen;
  for (const ItemDaLista& i : items) {
    seen.push_back(std::to_string(i.quantidade) + " " + i.produto + " " + i.marca + " " + i.complemento + " " +
                   CurrencyToText(i.precoUnitario));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"5 Arroz Tio 1 kg 5,9", "2 Arroz Vale Verde 5 kg 22,45"}));
  ASSERT_TRUE(shop_.ReportItems({}, units, &items));
  EXPECT_TRUE(items.empty());
}

}  // namespace
