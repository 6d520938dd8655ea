#include "model/Shop.h"

#include "catalogue/ListConventions.h"
#include "catalogue/Statements.h"

namespace mercanota {
namespace {

// The columns of the two tables, as the statements select them.
constexpr char kId[] = "ID_Produto";
constexpr char kName[] = "Produto";
constexpr char kBrand[] = "Marca";
constexpr char kComplement[] = "Complemento";
constexpr char kDate[] = "DataPesquisa";
constexpr char kPrice[] = "PrecoUnitario";
constexpr char kList[] = "Nome_Salvar";
constexpr char kQuantity[] = "Quantidade";

Currency PriceOf(const Recordset& rows) {
  Currency price;
  if (!CurrencyFromDouble(rows.Fields(kPrice).AsDouble(), &price)) price.scaled = 0;
  return price;
}

// Every value of one column.
bool Column(CatalogueDatabase& db, const std::string& statement, const char* column, std::vector<std::string>* out) {
  out->clear();
  Recordset rows;
  if (!db.CreateSnapshot(statement, &rows)) return false;
  out->reserve(rows.RowCount());
  for (; !rows.Eof(); rows.MoveNext()) out->push_back(rows.Fields(column).AsText());
  return true;
}

bool InTable(long long id) { return id >= 1 && id <= kMaxProdutosDaLista; }

}  // namespace

bool ParseProductId(std::string_view text, long long* id) { return sql::ParseId(text, id); }

bool Shop::HasProducts(bool* any) const {
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectAllProducts(), &rows)) return false;
  *any = !rows.Eof();
  return true;
}

bool Shop::Names(std::vector<std::string>* names, bool afterEdit) const {
  return Column(*db_, afterEdit ? sql::SelectDistinctNamesAfterEdit() : sql::SelectDistinctNames(), kName, names);
}

bool Shop::NameIsRegistered(std::string_view name, bool* registered) const {
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectBrandsOfName(name), &rows)) return false;
  *registered = !rows.Eof();
  return true;
}

bool Shop::BrandsOf(std::string_view name, std::vector<Product>* entries) const {
  entries->clear();
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectBrandsAndComplements(name), &rows)) return false;
  for (; !rows.Eof(); rows.MoveNext()) {
    Product p;
    p.brand = rows.Fields(kBrand).AsText();
    p.complement = rows.Fields(kComplement).AsText();
    entries->push_back(std::move(p));
  }
  return true;
}

bool Shop::Find(std::string_view name, std::string_view brand, std::string_view complement, Product* entry,
                bool* found) const {
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectEntryDetails(name, brand, complement), &rows)) return false;
  *found = !rows.Eof();
  if (!*found) return true;
  entry->id = rows.Fields(kId).AsInteger();
  entry->name = std::string(name);
  entry->brand = std::string(brand);
  entry->complement = std::string(complement);
  entry->price = PriceOf(rows);
  entry->date = rows.Fields(kDate).AsText();
  return true;
}

bool Shop::ProductById(long long id, Product* entry, bool* found) const {
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectProductById(id), &rows)) return false;
  *found = !rows.Eof();
  if (!*found) return true;
  entry->id = rows.Fields(kId).AsInteger();
  entry->name = rows.Fields(kName).AsText();
  entry->brand = rows.Fields(kBrand).AsText();
  entry->complement = rows.Fields(kComplement).AsText();
  entry->price = PriceOf(rows);
  entry->date = rows.Fields(kDate).AsText();
  return true;
}

bool Shop::ListUsing(long long id, std::string* list, bool* found) const {
  Recordset rows;
  if (!db_->CreateSnapshot(sql::SelectListsUsingProduct(id), &rows)) return false;
  *found = !rows.Eof();
  if (*found) *list = rows.Fields(kList).AsText();
  return true;
}

bool Shop::EntriesByPrice(std::string_view name, std::vector<Product>* entries, bool whole) const {
  entries->clear();
  Recordset rows;
  if (!db_->CreateSnapshot(whole ? sql::SelectEntriesByPrice(name) : sql::SelectBrandsByPrice(name), &rows)) {
    return false;
  }
  entries->reserve(rows.RowCount());
  for (; !rows.Eof(); rows.MoveNext()) {
    Product p;
    p.id = rows.Fields(kId).AsInteger();
    p.brand = rows.Fields(kBrand).AsText();
    p.complement = rows.Fields(kComplement).AsText();
    if (whole) {
      p.name = rows.Fields(kName).AsText();
      p.price = PriceOf(rows);
      p.date = rows.Fields(kDate).AsText();
    }
    entries->push_back(std::move(p));
  }
  return true;
}

Change Shop::Run(const std::string& statement) const {
  if (db_->IsReadOnly()) return Change::kReadOnly;
  return db_->Execute(statement) ? Change::kDone : Change::kFailed;
}

Change Shop::Register(const Product& e) const {
  return Run(sql::InsertProduct(e.name, e.brand, e.complement, e.date, CurrencyToText(e.price)));
}

Change Shop::Update(const Product& e) const {
  return Run(sql::UpdateProduct(e.id, e.name, e.brand, e.complement, e.date, CurrencyToText(e.price)));
}

Change Shop::Delete(long long id) const { return Run(sql::DeleteProduct(id)); }

bool Shop::SavedListNames(std::vector<std::string>* names) const {
  return Column(*db_, sql::SelectSavedListNames(), kList, names);
}

bool Shop::NamesOfList(std::string_view list, std::vector<std::string>* names) const {
  names->clear();
  Recordset lines;
  if (!db_->CreateSnapshot(sql::SelectIdsOfList(list), &lines)) return false;
  for (; !lines.Eof() && names->size() < static_cast<size_t>(kMaxProdutosDaLista); lines.MoveNext()) {
    Recordset product;
    if (!db_->CreateSnapshot(sql::SelectNameById(lines.Fields(kId).AsInteger()), &product)) return false;
    if (!product.Eof()) names->push_back(product.Fields(kName).AsText());
  }
  return true;
}

bool Shop::QuantitiesOfList(std::string_view list, const std::vector<std::string>& names,
                            std::vector<SavedQuantity>* quantities) const {
  quantities->clear();
  std::vector<Product> entries;
  for (const std::string& name : names) {
    if (!EntriesByPrice(name, &entries)) return false;
    for (const Product& e : entries) {
      // Never in a saved list: the list windows keep quantities for identifiers 1 to kMaxProdutosDaLista.
      if (!InTable(e.id)) continue;
      Recordset rows;
      if (!db_->CreateSnapshot(sql::SelectQuantity(list, e.id), &rows)) return false;
      SavedQuantity q;
      q.id = e.id;
      q.saved = !rows.Eof();
      q.quantity = q.saved ? rows.Fields(kQuantity).AsDouble() : 0;
      quantities->push_back(q);
    }
  }
  return true;
}

Change Shop::SaveList(std::string_view list, const std::vector<ListLine>& lines) const {
  if (db_->IsReadOnly()) return Change::kReadOnly;
  if (!db_->BeginTrans()) return Change::kFailed;
  bool ok = db_->Execute(sql::DeleteList(list));
  for (size_t i = 0; ok && i < lines.size(); ++i) {
    if (lines[i].quantity.scaled <= 0) continue;
    ok = db_->Execute(sql::InsertListLine(list, lines[i].id, CurrencyToText(lines[i].quantity)));
  }
  if (ok && db_->CommitTrans()) return Change::kDone;
  // Rolling back keeps the failing statement's message for the window to show.
  db_->Rollback();
  return Change::kFailed;
}

Change Shop::DeleteList(std::string_view list) const { return Run(sql::DeleteList(list)); }

}  // namespace mercanota
