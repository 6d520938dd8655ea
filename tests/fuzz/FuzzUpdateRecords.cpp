// libFuzzer target: any bytes as a price-update text, split and decoded, every price record turned into
// both of its statements under both regional formats. Whatever the text, the statement must keep every
// value inside its literal: the catalogue's statement reader has to accept it as one statement.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/Regional.h"
#include "catalogue/SqlTranslation.h"
#include "catalogue/UpdateRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mercanota;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> records;
  if (!update::SplitRecords(update::FirstLine(text), &records)) return 0;
  static const RegionalSettings kRegional[] = {RegionalSettings::PortugueseBrazil(),
                                               RegionalSettings::EnglishUnitedStates()};
  for (const std::string& r : records) {
    update::Record decoded;
    if (update::DecodeRecord(r, &decoded) != update::DecodeStatus::kOk) continue;
    if (decoded.tag == update::Tag::kTemp) {
      const double seconds = update::PauseSeconds(decoded.body);
      if (!(seconds >= 0 && seconds <= 86400)) std::abort();
    }
    if (decoded.tag != update::Tag::kProd) continue;
    const long long id = 1;
    for (const RegionalSettings& regional : kRegional) {
      for (const long long* existing : {&id, static_cast<const long long*>(nullptr)}) {
        std::string sql;
        if (!update::PriceStatement(decoded.price, existing, &sql, regional)) continue;
        TranslatedStatement translated;
        std::string error;
        // Five values, five literals: one more or fewer means a value left its quotes.
        if (!TranslateStatement(sql, regional, &translated, &error) || translated.parameters.size() != 5) {
          std::abort();
        }
      }
    }
  }
  return 0;
}
