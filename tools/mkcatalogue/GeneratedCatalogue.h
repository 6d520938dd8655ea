#pragma once
#include <string>

namespace mercanota {

class CatalogueDatabase;

// Fills an empty catalogue with `count` entries of a shop's size: names made of a product and a variety
// ("Biscoito Recheado Morango"), three to five brands and sizes per name, prices between one and a few
// hundred reais. The same count always gives the same catalogue. False, with the database's message,
// when a statement fails.
bool FillGeneratedCatalogue(CatalogueDatabase& db, long long count, std::string* error);

}  // namespace mercanota
