// The catalogue database adapter on a real SQLite file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/CatalogueDatabase.h"
#include "DemoCatalogue.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"

namespace {

using namespace mercanota;

std::string TempPath(const std::string& name) { return testing::TempDir() + "mercanota_" + name; }

std::string CurrentTestName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

class Catalogue : public testing::Test {
protected:
  void SetUp() override {
    SetRegional(RegionalSettings::PortugueseBrazil());
    path_ = TempPath(CurrentTestName() + ".mdb");
    std::string error;
    ASSERT_TRUE(CatalogueDatabase::CreateCatalogueFile(path_, true, &error)) << error;
    ASSERT_TRUE(db_.OpenDatabase(path_)) << db_.LastErrorText();
  }
  void TearDown() override {
    db_.Close();
    std::remove(path_.c_str());
    SetRegional(RegionalSettings::PortugueseBrazil());
  }

  void Insert(const std::string& name, const std::string& brand, const std::string& complement,
              const std::string& price) {
    ASSERT_TRUE(db_.Execute(sql::InsertProduct(name, brand, complement, "01/03/2025", price))) << db_.LastErrorText();
  }

  // One column of every row of a query.
  std::vector<std::string> Column(const std::string& statement, const char* column) {
    Recordset rs;
    EXPECT_TRUE(db_.CreateSnapshot(statement, &rs)) << db_.LastErrorText();
    std::vector<std::string> values;
    for (; !rs.Eof(); rs.MoveNext()) values.push_back(rs.Fields(column).AsText());
    rs.Close();
    return values;
  }

  long long IdOf(const std::string& name, const std::string& brand, const std::string& complement) {
    Recordset rs;
    EXPECT_TRUE(db_.CreateSnapshot(sql::SelectIdOfEntry(name, brand, complement), &rs));
    return rs.Eof() ? -1 : rs.Fields("ID_Produto").AsInteger();
  }

  // What another SQLite program sees in the file.
  std::string RawQuery(const std::string& query) {
    sqlite3* raw = nullptr;
    std::string out;
    if (sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(raw, query.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
          if (!out.empty()) out += '|';
          const unsigned char* text = sqlite3_column_text(st, 0);
          out += text ? reinterpret_cast<const char*>(text) : "NULL";
        }
      }
      sqlite3_finalize(st);
    }
    sqlite3_close(raw);
    return out;
  }

  std::string path_;
  CatalogueDatabase db_;
};

TEST(CatalogueOpen, MissingOrForeignFilesFailAndNothingIsCreated) {
  CatalogueDatabase db;
  const std::string missing = TempPath("missing.mdb");
  std::remove(missing.c_str());
  EXPECT_FALSE(db.OpenDatabase(missing));
  EXPECT_EQ(db.LastError(), CatalogueError::kCannotOpen);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(std::ifstream(missing).good()) << "opening must never create the file";

  const std::string text = TempPath("text.mdb");
  std::ofstream(text) << "Produtos;Compras\n";
  const std::string empty = TempPath("empty.mdb");
  std::ofstream{empty};
  const std::string tableless = TempPath("tableless.mdb");
  std::remove(tableless.c_str());
  sqlite3* raw = nullptr;
  sqlite3_open(tableless.c_str(), &raw);
  sqlite3_exec(raw, "CREATE TABLE Produtos (Produto TEXT)", nullptr, nullptr, nullptr);
  sqlite3_close(raw);

  for (const std::string& path : {text, empty, tableless, testing::TempDir()}) {
    EXPECT_FALSE(db.OpenDatabase(path)) << path;
    EXPECT_EQ(db.LastError(), CatalogueError::kCannotOpen) << path;
    EXPECT_FALSE(db.LastErrorText().empty());
    EXPECT_FALSE(db.IsOpen());
    Recordset rs;
    EXPECT_FALSE(db.CreateSnapshot(sql::SelectAllProducts(), &rs));
    EXPECT_EQ(db.LastError(), CatalogueError::kNotOpen);
  }
  std::remove(text.c_str());
  std::remove(empty.c_str());
  std::remove(tableless.c_str());
}

TEST(CatalogueOpen, CreatingNeverOverwritesUnlessAsked) {
  const std::string path = TempPath("create.mdb");
  std::string error;
  ASSERT_TRUE(CatalogueDatabase::CreateCatalogueFile(path, true, &error)) << error;
  EXPECT_FALSE(CatalogueDatabase::CreateCatalogueFile(path, false, &error));
  EXPECT_NE(error.find("existe"), std::string::npos) << error;
  EXPECT_TRUE(CatalogueDatabase::CreateCatalogueFile(path, true, &error)) << error;
  std::remove(path.c_str());
}

// A catalogue of an earlier version, whose product name was declared and indexed under a collation only
// the program knew, is converted when it is first opened: the same rows and identifiers, the next
// identifier kept past deleted ones, and from then on any SQLite program counts, sorts and changes it.
TEST(CatalogueOpen, AnOlderCatalogueIsConvertedOnceLosingNothing) {
  const std::string path = TempPath("antigo.mdb");
  std::remove(path.c_str());
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  sqlite3_create_collation(
      raw, "CATALOGO", SQLITE_UTF8, nullptr, [](void*, int la, const void* a, int lb, const void* b) {
        const int r = sqlite3_strnicmp(static_cast<const char*>(a), static_cast<const char*>(b), la < lb ? la : lb);
        return r != 0 ? r : la - lb;
      });
  ASSERT_EQ(sqlite3_exec(raw,
                         "CREATE TABLE Produtos (ID_Produto INTEGER PRIMARY KEY AUTOINCREMENT,"
                         " Produto TEXT NOT NULL COLLATE CATALOGO, Marca TEXT COLLATE NOCASE,"
                         " Complemento TEXT COLLATE NOCASE, DataPesquisa TEXT, PrecoUnitario REAL);"
                         "CREATE TABLE Compras (Nome_Salvar TEXT NOT NULL COLLATE NOCASE, ID_Produto INTEGER NOT NULL,"
                         " Quantidade REAL);"
                         "CREATE INDEX ProdutosPorNome ON Produtos(Produto);"
                         "INSERT INTO Produtos VALUES (1, 'Sal', 'Litoral', '1 kg', '01/03/2025', 2.99);"
                         "INSERT INTO Produtos VALUES (2, 'arroz', NULL, '5 kg', NULL, 22.45);"
                         "INSERT INTO Produtos VALUES (7, 'Feij\xC3\xA3o', 'Boa', '', '02/03/2025', 8.5);"
                         "INSERT INTO Produtos VALUES (9, 'Caf\xC3\xA9', 'X', 'Y', 'Z', 1);"
                         "DELETE FROM Produtos WHERE ID_Produto = 9;"
                         "INSERT INTO Compras VALUES ('Semana', 7, 2), ('Semana', 2, 1.5);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(raw);
  sqlite3_close(raw);
  const char kLinhas[] =
      "SELECT group_concat(ID_Produto || ';' || Produto || ';' || ifnull(Marca, '-') || ';' || Complemento || ';' ||"
      " ifnull(DataPesquisa, '-') || ';' || PrecoUnitario, '|') FROM (SELECT * FROM Produtos ORDER BY ID_Produto)";
  const std::string linhas =
      "1;Sal;Litoral;1 kg;01/03/2025;2.99|2;arroz;-;5 kg;-;22.45|7;Feij\xC3\xA3o;Boa;;02/03/2025;8.5";

  // What the stock engine, without the program's collation, makes of the file: before, and after.
  const auto Stock = [&path](const char* query) {
    sqlite3* db = nullptr;
    std::string out = "?";
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, query, -1, &st, nullptr) != SQLITE_OK) {
      out = std::string("error: ") + sqlite3_errmsg(db);
    } else if (sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(st, 0);
      out = text ? reinterpret_cast<const char*>(text) : "NULL";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
  };
  EXPECT_NE(Stock("SELECT count(*) FROM Produtos ORDER BY Produto").find("error"), std::string::npos);

  CatalogueDatabase db;
  const auto Nomes = [&db] {
    Recordset rs;
    EXPECT_TRUE(db.CreateSnapshot(sql::SelectDistinctNames(), &rs)) << db.LastErrorText();
    std::vector<std::string> nomes;
    for (; !rs.Eof(); rs.MoveNext()) nomes.push_back(rs.Fields("Produto").AsText());
    return nomes;
  };
  const std::vector<std::string> nomes{"arroz", "Feij\xE3o", "Sal"};
  // Another program writing to the file: it stays as it is for now, and the program works on it as before.
  sqlite3* outro = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &outro), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(outro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_TRUE(db.OpenDatabase(path)) << db.LastErrorText();
  sqlite3_exec(outro, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(outro);
  EXPECT_EQ(Nomes(), nomes);
  db.Close();
  EXPECT_NE(Stock("SELECT count(*) FROM Produtos ORDER BY Produto").find("error"), std::string::npos);

  ASSERT_TRUE(db.OpenDatabase(path)) << db.LastErrorText();
  EXPECT_EQ(Nomes(), nomes);
  db.Close();

  EXPECT_EQ(Stock(kLinhas), linhas);
  EXPECT_EQ(Stock("SELECT group_concat(Nome_Salvar || ';' || ID_Produto || ';' || Quantidade, '|') FROM Compras"),
            "Semana;7;2.0|Semana;2;1.5");
  EXPECT_EQ(Stock("PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Stock("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%CATALOGO%'"), "0");
  EXPECT_EQ(Stock("SELECT group_concat(name) FROM sqlite_master WHERE tbl_name = 'Produtos' AND type = 'index'"),
            "ProdutosPorNome");
  EXPECT_EQ(Stock("SELECT group_concat(Produto, ',') FROM (SELECT Produto FROM Produtos WHERE Produto = 'SAL')"),
            "Sal");
  // The identifiers of deleted entries are not given again.
  EXPECT_EQ(Stock("INSERT INTO Produtos (Produto) VALUES ('Leite') RETURNING ID_Produto"), "10");

  // Opened again: nothing more to convert, and nothing changed.
  ASSERT_TRUE(db.OpenDatabase(path)) << db.LastErrorText();
  db.Close();
  EXPECT_EQ(Stock("SELECT count(*) FROM Produtos"), "4");
  EXPECT_EQ(Stock("PRAGMA integrity_check"), "ok");
  std::remove(path.c_str());
}

// A name with an apostrophe or a double quote is stored, found, changed and deleted like any other.
TEST_F(Catalogue, QuotesInValuesRoundTrip) {
  Insert("D'Ajuda", "Marca \"Boa\"", "1/2 kg", "3,5");
  Insert("Outro", "x", "y", "1");
  EXPECT_EQ(Column(sql::SelectBrandsOfName("D'Ajuda"), "Marca"), std::vector<std::string>{"Marca \"Boa\""});
  const long long id = IdOf("D'Ajuda", "Marca \"Boa\"", "1/2 kg");
  ASSERT_GT(id, 0);
  EXPECT_EQ(RawQuery("SELECT Produto FROM Produtos WHERE ID_Produto = " + std::to_string(id)), "D'Ajuda");

  ASSERT_TRUE(db_.Execute(sql::UpdateProduct(id, "D'Ajuda 2", "Marca \"Boa\"", "y'z", "02/03/2025", "4,5")));
  Recordset rs;
  ASSERT_TRUE(db_.CreateSnapshot(sql::SelectProductById(id), &rs));
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("Produto").AsText(), "D'Ajuda 2");
  EXPECT_EQ(rs.Fields("Complemento").AsText(), "y'z");
  EXPECT_EQ(rs.Fields("PrecoUnitario").AsText(), "4,5");

  ASSERT_TRUE(db_.Execute(sql::InsertListLine("Lista d'Ajuda", id, "2")));
  EXPECT_EQ(Column(sql::SelectSavedListNames(), "Nome_Salvar"), std::vector<std::string>{"Lista d'Ajuda"});
  EXPECT_EQ(Column(sql::SelectIdsOfList("Lista d'Ajuda"), "ID_Produto"), std::vector<std::string>{std::to_string(id)});
  ASSERT_TRUE(db_.Execute(sql::DeleteList("Lista d'Ajuda")));
  EXPECT_EQ(db_.RecordsAffected(), 1);
  ASSERT_TRUE(db_.Execute(sql::DeleteProduct(id)));
  EXPECT_EQ(Column(sql::SelectDistinctNames(), "Produto"), std::vector<std::string>{"Outro"});
}

// Whatever a value holds, it stays a value: it neither widens a Where clause nor adds a statement.
TEST_F(Catalogue, InjectionAttemptsStayValues) {
  Insert("Arroz", "a", "b", "1");
  Insert("Feijão", "a", "b", "2");
  const std::string attacks[] = {"x' or '1'='1", "x' or ''='", "x\" or \"\"=\"", "x'; Delete * From Produtos; --",
                                 "x' --"};
  for (const std::string& attack : attacks) {
    Recordset rs;
    ASSERT_TRUE(db_.CreateSnapshot(sql::SelectBrandsOfName(attack), &rs)) << attack << ": " << db_.LastErrorText();
    EXPECT_TRUE(rs.Eof()) << attack;
    ASSERT_TRUE(db_.Execute(sql::DeleteList(attack))) << attack;
    EXPECT_EQ(db_.RecordsAffected(), 0) << attack;
    ASSERT_TRUE(db_.Execute(sql::InsertProduct(attack, attack, attack, attack, "0"))) << attack;
    EXPECT_GT(IdOf(attack, attack, attack), 0) << attack;
  }
  EXPECT_EQ(Column(sql::SelectAllProducts(), "Produto").size(), 2u + std::size(attacks));
  // Texts that try to escape the dialect are refused before they reach the engine.
  for (const char* raw : {"Select * From Produtos; Delete From Produtos", "Select * From Produtos -- x",
                          "Select * From Produtos Where Produto = ?", "Select * From Produtos Where Produto = 'x"}) {
    Recordset rs;
    EXPECT_FALSE(db_.CreateSnapshot(raw, &rs)) << raw;
    EXPECT_EQ(db_.LastError(), CatalogueError::kBadStatement) << raw;
  }
}

struct OrderCase {
  RegionalSettings regional;
  std::vector<std::string> typed;       // each price is also the entry's brand
  std::vector<std::string> brandOrder;  // cheapest first
  std::vector<std::string> shown;       // the prices as the fields give them back
};

// Prices given as regional texts are stored as numbers, so brands come cheapest first and another SQLite
// program reads them as numbers too.
TEST_F(Catalogue, RegionalPricesAreStoredAsNumbersAndSortNumerically) {
  const OrderCase cases[] = {
      {RegionalSettings::PortugueseBrazil(),
       {"10,5", "9,99", "100", "1.000,25", "0,5"},
       {"0,5", "9,99", "10,5", "100", "1.000,25"},
       {"0,5", "9,99", "10,5", "100", "1000,25"}},
      {RegionalSettings::EnglishUnitedStates(),
       {"10.5", "9.99", "100", "1,000.25", ".5"},
       {".5", "9.99", "10.5", "100", "1,000.25"},
       {"0.5", "9.99", "10.5", "100", "1000.25"}},
  };
  for (const OrderCase& c : cases) {
    SetRegional(c.regional);
    ASSERT_TRUE(db_.Execute("Delete * From Produtos"));
    for (const std::string& price : c.typed) Insert("Caf\xE9", price, "-", price);
    EXPECT_EQ(Column(sql::SelectBrandsByPrice("Caf\xE9"), "Marca"), c.brandOrder);
    EXPECT_EQ(Column(sql::SelectEntriesByPrice("Caf\xE9"), "PrecoUnitario"), c.shown);
  }
  EXPECT_EQ(RawQuery("SELECT DISTINCT typeof(PrecoUnitario) FROM Produtos"), "real");
  EXPECT_EQ(RawQuery("SELECT PrecoUnitario FROM Produtos ORDER BY PrecoUnitario LIMIT 1"), "0.5");
}

TEST_F(Catalogue, QuantitiesAreNumbersAndDatesStayAsTyped) {
  Insert("Leite", "a", "b", "5,29");
  const long long id = IdOf("Leite", "a", "b");
  ASSERT_TRUE(db_.Execute(sql::InsertListLine("Feira", id, "2,5")));
  Recordset rs;
  ASSERT_TRUE(db_.CreateSnapshot(sql::SelectQuantity("Feira", id), &rs));
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("Quantidade").kind(), Field::Kind::kReal);
  EXPECT_EQ(rs.Fields("Quantidade").AsDouble(), 2.5);
  EXPECT_EQ(rs.Fields("Quantidade").AsText(), "2,5");
  EXPECT_EQ(RawQuery("SELECT typeof(Quantidade) FROM Compras"), "real");

  for (const char* date : {"__/__/____", "31/02/2025", "07/12/2026", "quando der"}) {
    ASSERT_TRUE(db_.Execute(sql::UpdateProduct(id, "Leite", "a", "b", date, "5,29")));
    Recordset row;
    ASSERT_TRUE(db_.CreateSnapshot(sql::SelectEntryDetails("Leite", "a", "b"), &row));
    EXPECT_EQ(row.Fields("DataPesquisa").AsText(), date);
    EXPECT_EQ(row.Fields("DataPesquisa").kind(), Field::Kind::kText);
  }
}

// Texts live as Windows-1252 in the program and as UTF-8 in the file.
TEST_F(Catalogue, TextIsUtf8OnDiskAndWindows1252InTheProgram) {
  Insert(
      "A\xE7\xFA"
      "car",
      "Doce Vida", "<N\xE3o Possue>", "4,29");
  EXPECT_EQ(RawQuery("SELECT Produto || '/' || Complemento FROM Produtos"),
            "A\xC3\xA7\xC3\xBA"
            "car/<N\xC3\xA3o Possue>");
  EXPECT_EQ(Column(sql::SelectDistinctNames(), "Produto"), std::vector<std::string>{"A\xE7\xFA"
                                                                                    "car"});
}

// Accented names sort beside their plain letters and names compare without regard to letter case.
TEST_F(Catalogue, NamesSortAsPortugueseAndCompareWithoutCase) {
  for (const char* name : {"Ovos", "\xD3leo de Soja", "Arroz", "\xC1gua Mineral", "Zebra",
                           "a\xE7\xFA"
                           "car",
                           "Acucar"}) {
    Insert(name, "m", "c", "1");
  }
  EXPECT_EQ(Column(sql::SelectDistinctNames(), "Produto"),
            (std::vector<std::string>{"Acucar",
                                      "a\xE7\xFA"
                                      "car",
                                      "\xC1gua Mineral", "Arroz", "\xD3leo de Soja", "Ovos", "Zebra"}));
  EXPECT_EQ(Column(sql::SelectBrandsOfName("ARROZ"), "Marca"), std::vector<std::string>{"m"});
  EXPECT_EQ(Column(sql::SelectBrandsOfName("acucar"), "Marca"), std::vector<std::string>{"m"});
}

TEST_F(Catalogue, FailuresAreReportedAndChangeNothing) {
  Insert("Arroz", "a", "b", "1");
  struct Failure {
    const char* sql;
    CatalogueError error;
  } failures[] = {
      {"Select Nada From Produtos", CatalogueError::kEngine},
      {"Select * From Nenhuma", CatalogueError::kEngine},
      {"Selec * From Produtos", CatalogueError::kEngine},
      {"Insert Into Produtos(Produto,PrecoUnitario) Values(\"x\",\"doze\")", CatalogueError::kBadStatement},
      {"Update Produtos Set PrecoUnitario = \"1,2,3\" Where ID_Produto = 1", CatalogueError::kBadStatement},
      {"Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values(\"L\",1,\"\")", CatalogueError::kBadStatement},
      {"", CatalogueError::kBadStatement},
      {"Select * From Produtos Where Produto = [x]", CatalogueError::kBadStatement},
  };
  for (const auto& f : failures) {
    EXPECT_FALSE(db_.Execute(f.sql)) << f.sql;
    EXPECT_EQ(db_.LastError(), f.error) << f.sql << ": " << db_.LastErrorText();
    EXPECT_FALSE(db_.LastErrorText().empty()) << f.sql;
  }
  // A snapshot is only ever a read.
  Recordset rs;
  EXPECT_FALSE(db_.CreateSnapshot(sql::DeleteProduct(1), &rs));
  EXPECT_EQ(db_.LastError(), CatalogueError::kNotAQuery);
  EXPECT_EQ(Column(sql::SelectAllProducts(), "PrecoUnitario"), std::vector<std::string>{"1"});
  // A success clears the last error.
  ASSERT_TRUE(db_.CreateSnapshot(sql::SelectAllProducts(), &rs));
  EXPECT_EQ(db_.LastError(), CatalogueError::kNone);

  db_.Close();
  db_.Close();
  EXPECT_FALSE(db_.Execute(sql::DeleteProduct(1)));
  EXPECT_EQ(db_.LastError(), CatalogueError::kNotOpen);
}

TEST_F(Catalogue, SnapshotsReadFieldsByNameForwards) {
  Insert("Arroz", "Vale Verde", "5 kg", "22,45");
  Recordset rs;
  ASSERT_TRUE(db_.CreateSnapshot(sql::SelectProductById(IdOf("Arroz", "Vale Verde", "5 kg")), &rs));
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("marca").AsText(), "Vale Verde");
  EXPECT_EQ(rs.Fields("PRECOUNITARIO").AsDouble(), 22.45);
  EXPECT_EQ(rs.Fields("ID_Produto").kind(), Field::Kind::kInteger);
  EXPECT_TRUE(rs.Fields("Nome_Salvar").IsNull());
  EXPECT_FALSE(rs.HasField("Nome_Salvar"));
  // The snapshot is a copy: a change made while it is open does not reach it.
  ASSERT_TRUE(db_.Execute(sql::DeleteProduct(IdOf("Arroz", "Vale Verde", "5 kg"))));
  EXPECT_EQ(rs.Fields("Produto").AsText(), "Arroz");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Fields("Produto").IsNull());
}

TEST(DemoCatalogue, HasProductsWithSeveralBrandsAndTwoSavedLists) {
  const std::string path = TempPath("demo.mdb");
  std::string error;
  ASSERT_TRUE(CatalogueDatabase::CreateCatalogueFile(path, true, &error)) << error;
  CatalogueDatabase db;
  ASSERT_TRUE(db.OpenDatabase(path));
  SetRegional(RegionalSettings::EnglishUnitedStates());  // the demo is Brazilian whatever the machine
  ASSERT_TRUE(FillDemoCatalogue(db, &error)) << error;

  Recordset rs;
  ASSERT_TRUE(db.CreateSnapshot(sql::SelectAllProducts(), &rs));
  EXPECT_GE(rs.RowCount(), 40u);
  ASSERT_TRUE(db.CreateSnapshot(sql::SelectBrandsByPrice("Arroz"), &rs));
  EXPECT_EQ(rs.RowCount(), 3u);
  ASSERT_TRUE(db.CreateSnapshot(sql::SelectSavedListNames(), &rs));
  ASSERT_EQ(rs.RowCount(), 2u);
  ASSERT_TRUE(db.CreateSnapshot(sql::SelectEntriesByPrice("Caf\xE9"), &rs));
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("PrecoUnitario").AsDouble(), 9.49);
  db.Close();
  SetRegional(RegionalSettings::PortugueseBrazil());
  std::remove(path.c_str());
}

}  // namespace
