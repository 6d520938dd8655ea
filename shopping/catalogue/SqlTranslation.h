#pragma once
// The catalogue's statements are written for the original engine's dialect: "Delete * From", literals in
// single or double quotes (a doubled quote standing for one), prices and quantities as regional decimal
// texts. SQLite reads double quotes as identifiers and knows neither the star after Delete nor regional
// numbers, so each statement is translated before it runs: every literal becomes a bound parameter (a
// value can then never become SQL), the star goes, and a literal written into PrecoUnitario or Quantidade
// becomes a number so that those columns sort and add up numerically; a sort by a name column is given the
// program's order of names.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Regional.h"

namespace mercanota {

struct SqlParameter {
  enum class Kind { kText, kReal };
  Kind kind = Kind::kText;
  std::string text;  // UTF-8, as stored
  double real = 0;
};

struct TranslatedStatement {
  std::string sql;  // SQLite SQL with one "?" per parameter
  std::vector<SqlParameter> parameters;
};

// False, with a message in Windows-1252, for a text outside the small dialect the catalogue uses (one
// statement; words, numbers, quoted literals and the punctuation ( ) , = * < > . + -), for an unfinished
// literal, and for a literal in a numeric column that is not a regional number.
bool TranslateStatement(std::string_view statement, const RegionalSettings& regional, TranslatedStatement* out,
                        std::string* error);

// Whether `column` holds numbers that the statements give as regional decimal texts.
bool IsNumericColumn(std::string_view column);

// Whether `column` holds names (of products, brands, complements, saved lists): a statement that sorts by
// one is translated to sort it under kOrdemDosNomes, the collation that the catalogue adapter registers on
// its connections (Portuguese order: accented letters beside their plain ones, letter case ignored).
bool IsNameColumn(std::string_view column);
inline constexpr char kOrdemDosNomes[] = "CATALOGO";

}  // namespace mercanota
