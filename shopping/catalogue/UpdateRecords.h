#pragma once
// The price-update text, as the maker's server publishes it and atualiza.dat keeps it: one line holding a
// run of records, each ended by "*" and a filler character. A record is a four-letter tag, a separator
// and a body:
//   PROD  name;brand;complement;price;date;  inserts or updates one catalogue entry
//   MNSG  text                                a message for the user
//   TEMP  seconds                             a pause
//   INFO  text                                the update window's status line
// Any other tag is ignored. This is the portable part of the update: splitting, decoding and the
// statement a price record runs. Everything here treats the text as hostile: the number of records is
// bounded, every field is checked, and values reach SQL only through the catalogue's quoting.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Regional.h"

namespace mercanota::update {

constexpr size_t kMaxRecords = 1000;

// The text up to its first line break (CR or LF): only the first line of an update text is ever read.
std::string_view FirstLine(std::string_view text);

// Splits a text into its records: every "*" ends one and the character after it is skipped. What follows
// the last "*" is no record. False when the text holds more than kMaxRecords records (`records` is then
// left empty, so that none of them is applied).
bool SplitRecords(std::string_view text, std::vector<std::string>* records);

enum class Tag { kProd, kMnsg, kTemp, kInfo, kOther };

struct PriceRecord {
  std::string name;
  std::string brand;
  std::string complement;
  std::string price;  // a regional decimal text, as sent
  std::string date;   // normally "dd/mm/yyyy", stored as sent
};

struct Record {
  Tag tag = Tag::kOther;
  std::string body;   // everything after the tag and its separator
  PriceRecord price;  // the fields of a PROD record
};

enum class DecodeStatus {
  kOk,
  kTooShort,          // fewer than five characters: not even a tag and its separator
  kMissingSeparator,  // a PROD record with fewer than five ";"-ended fields
};

DecodeStatus DecodeRecord(std::string_view record, Record* decoded);

// The length of a TEMP pause: the number the body begins with (blanks skipped, "." as the decimal point),
// 0 when it begins with none or is negative, and never more than a day.
double PauseSeconds(std::string_view body);

// The statement a PROD record runs: an update of the entry `existingId` (price as a currency amount,
// price before date) or, when `existingId` is null, an insert (price as a floating-point number). The
// price is read under `regional` and written back in the same format. False when it is not a number,
// or one so large or so small that it has no plain decimal text.
bool PriceStatement(const PriceRecord& record, const long long* existingId, std::string* sql,
                    const RegionalSettings& regional = Regional());

}  // namespace mercanota::update
