#pragma once
// The program's own operations on its catalogue, on typed values: products (registered, changed, deleted,
// looked up by name, brand and identifier), the product names the list windows offer, saved lists (loaded,
// saved, deleted) and the lines of the printed list. The windows collect what is typed and show what comes
// back; every statement they cause is built here from catalogue/Statements.h, and every column is read
// here.
//
// The database is handed in: a Shop is a view of one open catalogue, cheap to make and to copy. Reads
// return false when a statement failed; changes say whether they were done, refused because the catalogue
// is write-protected (checked before anything runs), or failed. After a failure the database's
// LastErrorText says why, for the window to show.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Regional.h"
#include "catalogue/RelatorioDeCompras.h"

namespace mercanota {

// One catalogue entry. A read fills only what its statement selects (see each operation).
struct Product {
  long long id = 0;
  std::string name;
  std::string brand;
  std::string complement;
  Currency price;    // a stored price outside the currency range reads as zero
  std::string date;  // the survey date as stored: "dd/mm/yyyy" when typed, as sent by the price update
};

enum class Change {
  kDone,
  kReadOnly,  // the catalogue is write-protected: nothing was tried
  kFailed,    // the engine refused; nothing of the change is stored
};

// A line of a saved list: an entry and how many of it to buy.
struct ListLine {
  long long id = 0;
  Currency quantity;
};

// What a saved list holds for one entry of a product it names.
struct SavedQuantity {
  long long id = 0;
  bool saved = false;   // the list has a line for this entry
  double quantity = 0;  // as stored (0 when not saved)
};

// The identifier a window shows for the chosen entry, as a number. False for anything that is not a whole
// number (the windows show "-" while no entry is chosen).
bool ParseProductId(std::string_view text, long long* id);

class Shop {
public:
  explicit Shop(CatalogueDatabase& db) : db_(&db) {}
  CatalogueDatabase& Database() const { return *db_; }

  // Whether the catalogue has any entry.
  bool HasProducts(bool* any) const;
  // The distinct product names in the catalogue's order (accented letters beside their plain ones, case
  // ignored). `afterEdit` issues the text the query window uses after an edit.
  bool Names(std::vector<std::string>* names, bool afterEdit = false) const;
  // Whether some entry already has this name.
  bool NameIsRegistered(std::string_view name, bool* registered) const;
  // The brands and complements of a name, in the order they were registered (brand, complement filled).
  bool BrandsOf(std::string_view name, std::vector<Product>* entries) const;
  // The first entry with this name, brand and complement (id, price and date filled, name, brand and
  // complement as asked); `found` false when there is none.
  bool Find(std::string_view name, std::string_view brand, std::string_view complement, Product* entry,
            bool* found) const;
  // A whole entry; `found` false when there is none.
  bool ProductById(long long id, Product* entry, bool* found) const;
  // The first saved list that uses an entry; `found` false when none does.
  bool ListUsing(long long id, std::string* list, bool* found) const;
  // The entries of a name, cheapest first: with `whole`, every field; otherwise id, brand and complement.
  bool EntriesByPrice(std::string_view name, std::vector<Product>* entries, bool whole = false) const;

  // A new entry, from the name, brand, complement, price and date typed.
  Change Register(const Product& entry) const;
  // The entry `entry.id` changed to the other values.
  Change Update(const Product& entry) const;
  Change Delete(long long id) const;

  // The names of the saved lists, ascending.
  bool SavedListNames(std::vector<std::string>* names) const;
  // The product names of a saved list in the order of its lines, at most kMaxProdutosDaLista; a line
  // whose entry has left the catalogue is passed over.
  bool NamesOfList(std::string_view list, std::vector<std::string>* names) const;
  // What the saved list holds for every entry (identifiers 1 to kMaxProdutosDaLista, cheapest first) of
  // each of the names.
  bool QuantitiesOfList(std::string_view list, const std::vector<std::string>& names,
                        std::vector<SavedQuantity>* quantities) const;
  // Replaces the saved list `list` by `lines` (those with a quantity above zero) in one transaction: when
  // anything fails, the list stored before is still there.
  Change SaveList(std::string_view list, const std::vector<ListLine>& lines) const;
  Change DeleteList(std::string_view list) const;

  // The printed list's items for the names, in their order: each name's entries cheapest first, those
  // `units` says to buy (more than zero).
  template <class Units>
  bool ReportItems(const std::vector<std::string>& names, const Units& units, std::vector<ItemDaLista>* items) const {
    items->clear();
    std::vector<Product> entries;
    for (const std::string& name : names) {
      if (!EntriesByPrice(name, &entries, true)) return false;
      for (Product& e : entries) {
        const long long q = units(e.id);
        if (q <= 0) continue;
        items->push_back(ItemDaLista{q, std::move(e.name), std::move(e.brand), std::move(e.complement), e.price});
      }
    }
    return true;
  }

private:
  Change Run(const std::string& statement) const;

  CatalogueDatabase* db_;
};

}  // namespace mercanota
