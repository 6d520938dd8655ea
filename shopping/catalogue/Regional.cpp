#include "catalogue/Regional.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mercanota {
namespace {

RegionalSettings& Current() {
  static RegionalSettings settings = RegionalSettings::PortugueseBrazil();
  return settings;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a regional decimal text, with the group separators taken out.
struct DecimalParts {
  bool negative = false;
  std::string integer;
  std::string fraction;
};

bool SplitDecimal(std::string_view text, const RegionalSettings& r, DecimalParts* parts) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  text = text.substr(begin, end - begin);
  if (text.empty()) return false;

  size_t i = 0;
  if (text[i] == '-' || text[i] == '+') parts->negative = text[i++] == '-';

  // Group separators are accepted only where they belong (every third digit from the decimal separator),
  // so that "1.5" typed under Portuguese (Brazil) is refused rather than read as fifteen.
  int groupDigits = -1;  // digits since the last group separator; -1 before the first one
  for (; i < text.size() && text[i] != r.decimalSeparator; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      parts->integer.push_back(c);
      if (groupDigits >= 0) ++groupDigits;
    } else if (c == r.groupSeparator && !parts->integer.empty() && (groupDigits == -1 || groupDigits == 3)) {
      groupDigits = 0;
    } else {
      return false;
    }
  }
  if (groupDigits != -1 && groupDigits != 3) return false;
  if (i < text.size()) {
    for (++i; i < text.size(); ++i) {
      if (!IsDigit(text[i])) return false;
      parts->fraction.push_back(text[i]);
    }
  }
  return !parts->integer.empty() || !parts->fraction.empty();
}

// "1234" + "5" -> "1234.5", the text std::from_chars reads.
std::string PlainDecimal(const DecimalParts& parts) {
  std::string plain = parts.integer.empty() ? "0" : parts.integer;
  if (!parts.fraction.empty()) plain += "." + parts.fraction;
  return plain;
}

std::string WithDecimalSeparator(std::string text, const RegionalSettings& r) {
  for (char& c : text) {
    if (c == '.') c = r.decimalSeparator;
  }
  return text;
}

int DaysInMonth(int month, int year) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

RegionalSettings RegionalSettings::PortugueseBrazil() {
  RegionalSettings r;
  r.decimalSeparator = ',';
  r.groupSeparator = '.';
  r.monthNames = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                  "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
  return r;
}

RegionalSettings RegionalSettings::EnglishUnitedStates() {
  RegionalSettings r;
  r.decimalSeparator = '.';
  r.groupSeparator = ',';
  r.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                  "July",    "August",   "September", "October", "November", "December"};
  return r;
}

RegionalSettings RegionalSettings::FromUserLocale() {
  RegionalSettings r = PortugueseBrazil();
#ifdef _WIN32
  char buffer[80];
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 1) r.decimalSeparator = buffer[0];
  // Some locales group with a blank or not at all; a missing separator must never equal the decimal one.
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, sizeof buffer) > 1 &&
      buffer[0] != r.decimalSeparator) {
    r.groupSeparator = buffer[0];
  } else {
    r.groupSeparator = r.decimalSeparator == '.' ? ',' : '.';
  }
  for (int m = 0; m < 12; ++m) {
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + m, buffer, sizeof buffer) > 1)
      r.monthNames[m] = buffer;
  }
#endif
  return r;
}

const RegionalSettings& Regional() { return Current(); }

void SetRegional(const RegionalSettings& settings) { Current() = settings; }

bool ParseCurrency(std::string_view text, Currency* amount, const RegionalSettings& r) {
  DecimalParts parts;
  if (!SplitDecimal(text, r, &parts)) return false;
  // The largest amount is 922 337 203 685 477,5807; fifteen integer digits always fit once leading zeros
  // are gone, and the exact limit is checked below.
  size_t first = parts.integer.find_first_not_of('0');
  const std::string integer = first == std::string::npos ? "" : parts.integer.substr(first);
  if (integer.size() > 15) return false;

  unsigned long long scaled = 0;
  for (char c : integer) scaled = scaled * 10 + static_cast<unsigned>(c - '0');
  std::string fraction = parts.fraction;
  const bool roundUp = fraction.size() > 4 && fraction[4] >= '5';
  fraction.resize(4, '0');
  for (char c : fraction) scaled = scaled * 10 + static_cast<unsigned>(c - '0');
  if (roundUp) ++scaled;

  const unsigned long long limit = 9223372036854775807ull;
  if (scaled > limit) return false;
  amount->scaled = parts.negative ? -static_cast<long long>(scaled) : static_cast<long long>(scaled);
  return true;
}

bool ParseNumber(std::string_view text, double* value, const RegionalSettings& r) {
  DecimalParts parts;
  if (!SplitDecimal(text, r, &parts)) return false;
  const std::string plain = PlainDecimal(parts);
  double v = 0;
  const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), v);
  if (result.ec != std::errc() || result.ptr != plain.data() + plain.size() || !std::isfinite(v)) return false;
  *value = parts.negative ? -v : v;
  return true;
}

std::string CurrencyToText(Currency amount, const RegionalSettings& r) {
  const bool negative = amount.scaled < 0;
  // Negating the most negative amount would overflow; its magnitude fits the unsigned type.
  const unsigned long long magnitude =
      negative ? 0ull - static_cast<unsigned long long>(amount.scaled) : static_cast<unsigned long long>(amount.scaled);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / Currency::kScale);
  unsigned long long fraction = magnitude % Currency::kScale;
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04llu", fraction);
    std::string f = digits;
    f.erase(f.find_last_not_of('0') + 1);
    text += r.decimalSeparator + f;
  }
  return text;
}

std::string NumberToText(double value, const RegionalSettings& r) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";  // never "-0"
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return WithDecimalSeparator(buffer, r);
}

std::string FormatTwoDecimals(double value, const RegionalSettings& r) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  if (std::fabs(value) < 9e14) {
    // Round as a currency amount first (four decimals), then to cents, so that 2,675 shows 2,68 as the
    // amount the user typed rather than as its nearest binary fraction.
    const long long scaled = std::llround(value * Currency::kScale);
    const long long cents = (scaled + (scaled < 0 ? -50 : 50)) / 100;
    const unsigned long long magnitude = static_cast<unsigned long long>(cents < 0 ? -cents : cents);
    std::snprintf(buffer, sizeof buffer, "%s%llu.%02llu", cents < 0 ? "-" : "", magnitude / 100, magnitude % 100);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
  }
  return WithDecimalSeparator(buffer, r);
}

bool NormalizePriceText(std::string_view text, std::string* normalized, const RegionalSettings& r) {
  Currency amount;
  if (!ParseCurrency(text, &amount, r)) return false;
  *normalized = CurrencyToText(amount, r);
  return true;
}

bool IsRealDate(const Date& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.month, d.year);
}

std::string DateText(const Date& d) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", d.day % 100, d.month % 100, d.year % 10000);
  return buffer;
}

bool ParseDateText(std::string_view text, Date* date) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
  const auto number = [&](size_t at, size_t length, int* out) {
    int v = 0;
    for (size_t i = at; i < at + length; ++i) {
      if (!IsDigit(text[i])) return false;
      v = v * 10 + (text[i] - '0');
    }
    *out = v;
    return true;
  };
  Date d;
  if (!number(0, 2, &d.day) || !number(3, 2, &d.month) || !number(6, 4, &d.year) || !IsRealDate(d)) return false;
  *date = d;
  return true;
}

Date Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return Date{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

std::string TodayText() { return DateText(Today()); }

}  // namespace mercanota
