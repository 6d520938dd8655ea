#pragma once
#include <string>

namespace mercanota {

class CatalogueDatabase;

// Fills an empty catalogue with a supermarket's worth of products (names with two or three brands and
// complements, produce without brand) and two saved lists. False, with the database's message, when a
// statement fails.
bool FillDemoCatalogue(CatalogueDatabase& db, std::string* error);

}  // namespace mercanota
