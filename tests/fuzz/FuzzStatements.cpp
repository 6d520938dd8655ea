// libFuzzer target: hostile values through the catalogue's statement builders and its engine adapter.
// The input is up to seven values separated by NUL bytes (an edit box never yields one): name, brand,
// complement, date, price, list name and quantity. Every statement built from them must be read by the
// adapter as one statement of the catalogue's dialect; an entry inserted with them must be found again
// by its name, brand and complement and read back unchanged (after the character-set boundary), and a
// price or quantity that is no number must be refused, not stored. Each input runs in a transaction that
// is rolled back, so the catalogue stays empty between inputs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Charset.h"
#include "catalogue/Regional.h"
#include "catalogue/SqlTranslation.h"
#include "catalogue/Statements.h"

namespace {

using namespace mercanota;

void Require(bool condition) {
  if (!condition) std::abort();
}

CatalogueDatabase& Catalogue() {
  static CatalogueDatabase* db = [] {
    auto* opened = new CatalogueDatabase;
    // In memory-backed storage where there is some: every input writes and rolls back a transaction.
    const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::string path = (folder / ("statements-" + std::to_string(getpid()) + ".mdb")).string();
    std::string error;
    Require(CatalogueDatabase::CreateCatalogueFile(path, true, &error) && opened->OpenDatabase(path));
    std::atexit([] { std::filesystem::remove(path); });
    return opened;
  }();
  return *db;
}

// What the catalogue gives back for a text it stored: the same text through the file's UTF-8.
std::string Stored(std::string_view value) { return Utf8ToCp1252(Cp1252ToUtf8(value)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> v(7);
  size_t field = 0;
  for (size_t i = 0; i < size && field < v.size(); ++i) {
    if (data[i] == 0)
      ++field;
    else
      v[field] += char(data[i]);
  }
  const std::string &name = v[0], &brand = v[1], &complement = v[2], &date = v[3], &price = v[4], &list = v[5],
                    &quantity = v[6];
  const RegionalSettings& regional = Regional();

  // Every builder's text is one statement whose values all became parameters.
  const std::string texts[] = {
      sql::SelectBrandsOfName(name),
      sql::InsertProduct(name, brand, complement, date, price),
      sql::UpdateProduct(7, name, brand, complement, date, price),
      sql::UpdateProductPrice(7, name, brand, complement, price, date),
      sql::SelectIdOfEntry(name, brand, complement),
      sql::SelectBrandsAndComplements(name),
      sql::SelectEntryDetails(name, brand, complement),
      sql::SelectBrandsByPrice(name),
      sql::SelectEntriesByPrice(name),
      sql::SelectIdsOfList(list),
      sql::DeleteList(list),
      sql::SelectQuantity(list, 7),
      sql::InsertListLine(list, 7, quantity),
  };
  for (size_t i = 0; i < std::size(texts); ++i) {
    TranslatedStatement translated;
    std::string error;
    if (TranslateStatement(texts[i], regional, &translated, &error)) {
      Require(translated.sql.find_first_of("'\"") == std::string::npos);
    } else {
      // Only the statements that write a price or a quantity may be refused (for a value that is no
      // number), never one whose values are all texts.
      Require(i == 1 || i == 2 || i == 3 || i == 12);
    }
  }
  long long parsed = 0;
  sql::ParseId(name, &parsed);

  CatalogueDatabase& db = Catalogue();
  Require(db.BeginTrans());
  double number = 0;
  const bool priceIsNumber = ParseNumber(price, &number, regional);
  const bool inserted = db.Execute(sql::InsertProduct(name, brand, complement, date, price));
  if (inserted) {
    Recordset ids;
    Require(db.CreateSnapshot(sql::SelectIdOfEntry(name, brand, complement), &ids) && ids.RowCount() == 1);
    const long long id = ids.Fields("ID_Produto").AsInteger();
    Recordset entry;
    Require(db.CreateSnapshot(sql::SelectProductById(id), &entry) && entry.RowCount() == 1);
    Require(entry.Fields("Produto").AsText() == Stored(name) && entry.Fields("Marca").AsText() == Stored(brand) &&
            entry.Fields("Complemento").AsText() == Stored(complement) &&
            entry.Fields("DataPesquisa").AsText() == Stored(date));
    if (db.Execute(sql::InsertListLine(list, id, quantity))) {
      Recordset lines;
      Require(db.CreateSnapshot(sql::SelectQuantity(list, id), &lines) && lines.RowCount() == 1);
      Require(db.Execute(sql::DeleteList(list)) && db.RecordsAffected() == 1);
    }
    Require(db.Execute(sql::DeleteProduct(id)) && db.RecordsAffected() == 1);
  } else {
    Require(!priceIsNumber || db.LastError() != CatalogueError::kBadStatement);
  }
  db.Rollback();
  return 0;
}
