#include "catalogue/UpdateRecords.h"

#include "catalogue/Statements.h"

namespace mercanota::update {
namespace {

constexpr double kLongestPause = 24 * 60 * 60;

Tag TagOf(std::string_view tag) {
  // Compared exactly: "prod" is no price record.
  if (tag == "PROD") return Tag::kProd;
  if (tag == "MNSG") return Tag::kMnsg;
  if (tag == "TEMP") return Tag::kTemp;
  if (tag == "INFO") return Tag::kInfo;
  return Tag::kOther;
}

}  // namespace

std::string_view FirstLine(std::string_view text) {
  const size_t end = text.find_first_of("\r\n");
  return end == std::string_view::npos ? text : text.substr(0, end);
}

bool SplitRecords(std::string_view text, std::vector<std::string>* records) {
  records->clear();
  std::vector<std::string> found;
  std::string buffer;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '*') {
      buffer.push_back(text[i]);
      continue;
    }
    // A final "*" without its filler still ends its record.
    ++i;
    if (found.size() == kMaxRecords) return false;
    found.push_back(std::move(buffer));
    buffer.clear();
  }
  *records = std::move(found);
  return true;
}

DecodeStatus DecodeRecord(std::string_view record, Record* decoded) {
  *decoded = Record();
  if (record.size() < 5) return DecodeStatus::kTooShort;
  decoded->tag = TagOf(record.substr(0, 4));
  decoded->body = std::string(record.substr(5));
  if (decoded->tag != Tag::kProd) return DecodeStatus::kOk;

  std::string* const fields[] = {&decoded->price.name, &decoded->price.brand, &decoded->price.complement,
                                 &decoded->price.price, &decoded->price.date};
  std::string_view rest = decoded->body;
  for (std::string* field : fields) {
    const size_t end = rest.find(';');
    if (end == std::string_view::npos) {
      decoded->price = PriceRecord();
      return DecodeStatus::kMissingSeparator;
    }
    *field = std::string(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  return DecodeStatus::kOk;
}

double PauseSeconds(std::string_view body) {
  size_t i = 0;
  while (i < body.size() && (body[i] == ' ' || body[i] == '\t')) ++i;
  bool negative = false;
  if (i < body.size() && (body[i] == '-' || body[i] == '+')) negative = body[i++] == '-';
  double seconds = 0;
  // Digits past the longest pause change nothing, so the sum stays finite however long the body is.
  for (; i < body.size() && body[i] >= '0' && body[i] <= '9'; ++i) {
    if (seconds <= kLongestPause) seconds = seconds * 10 + (body[i] - '0');
  }
  if (i < body.size() && body[i] == '.') {
    double scale = 0.1;
    for (++i; i < body.size() && body[i] >= '0' && body[i] <= '9'; ++i, scale /= 10) seconds += (body[i] - '0') * scale;
  }
  if (negative) return 0;
  return seconds > kLongestPause ? kLongestPause : seconds;
}

bool PriceStatement(const PriceRecord& r, const long long* existingId, std::string* sql,
                    const RegionalSettings& regional) {
  if (existingId) {
    Currency amount;
    if (!ParseCurrency(r.price, &amount, regional)) return false;
    *sql =
        sql::UpdateProductPrice(*existingId, r.name, r.brand, r.complement, CurrencyToText(amount, regional), r.date);
  } else {
    double value = 0;
    if (!ParseNumber(r.price, &value, regional)) return false;
    // Very large and very small numbers come back in exponent form, which no price column takes.
    const std::string text = NumberToText(value, regional);
    double again = 0;
    if (!ParseNumber(text, &again, regional)) return false;
    *sql = sql::InsertProduct(r.name, r.brand, r.complement, r.date, text);
  }
  return true;
}

}  // namespace mercanota::update
