#pragma once
// Every SQL text the program sends to the catalogue, one function each, so that the program's operations
// (model/) build their statements in one place. For plain values the texts are exactly those the catalogue
// has always been given (mixed-case keywords, "Delete * From", double-quoted literals in Values, bare
// identifiers).
//
// Values are spliced between quotes; a quote character of the same kind inside a value is doubled, so a
// name such as D'Ajuda is stored and found like any other and no value can end its literal early and add
// or change a clause. The engine adapter reads a doubled quote back as one. Identifiers are numbers and
// stand bare.
#include <string>
#include <string_view>

namespace mercanota::sql {

// 1. Any product at all (the main window refuses some commands while the catalogue is empty).
std::string SelectAllProducts();
// 2. Brands already registered under a name.
std::string SelectBrandsOfName(std::string_view name);
// 3. A new catalogue entry. `price` is a regional decimal text.
std::string InsertProduct(std::string_view name, std::string_view brand, std::string_view complement,
                          std::string_view date, std::string_view price);
// 4. An entry changed by hand (date before price).
std::string UpdateProduct(long long id, std::string_view name, std::string_view brand, std::string_view complement,
                          std::string_view date, std::string_view price);
// 5. An entry changed by the price update (price before date).
std::string UpdateProductPrice(long long id, std::string_view name, std::string_view brand, std::string_view complement,
                               std::string_view price, std::string_view date);
// 6. The identifier of the entry with this name, brand and complement.
std::string SelectIdOfEntry(std::string_view name, std::string_view brand, std::string_view complement);
// 7. The distinct product names, ascending (after a delete, and for the list windows).
std::string SelectDistinctNames();
// 8. The same, as issued after an edit.
std::string SelectDistinctNamesAfterEdit();
// 9. Brands and complements of a name.
std::string SelectBrandsAndComplements(std::string_view name);
// 10. Identifier, survey date and price of one entry.
std::string SelectEntryDetails(std::string_view name, std::string_view brand, std::string_view complement);
// 11. A whole entry, to edit it.
std::string SelectProductById(long long id);
// 12. The saved lists that use an entry.
std::string SelectListsUsingProduct(long long id);
// 13. Deletes an entry.
std::string DeleteProduct(long long id);
// 14. The entries of a name, cheapest first, for choosing a brand.
std::string SelectBrandsByPrice(std::string_view name);
// 15. The whole entries of a name, cheapest first, for the printed list.
std::string SelectEntriesByPrice(std::string_view name);
// 16. The name of an entry.
std::string SelectNameById(long long id);
// 17. The entries of a saved list.
std::string SelectIdsOfList(std::string_view list);
// 18. The names of the saved lists, ascending.
std::string SelectSavedListNames();
// 19. Deletes a saved list.
std::string DeleteList(std::string_view list);
// 20. The quantity of an entry in a saved list.
std::string SelectQuantity(std::string_view list, long long id);
// 21. One line of a saved list. `quantity` is a regional decimal text.
std::string InsertListLine(std::string_view list, long long id, std::string_view quantity);

// The identifier shown in a window's identifier panel, as a number. False for anything that is not a
// whole number (the panel shows "-" while no entry is chosen).
bool ParseId(std::string_view text, long long* id);

}  // namespace mercanota::sql
