#pragma once
// Numbers and dates as the user's regional settings write them. Prices travel through the program as
// regional decimal texts ("12,5" under Portuguese (Brazil), "12.5" under English (United States)) and are
// shown with two decimals; survey dates are "dd/mm/yyyy" texts whatever the locale.
#include <array>
#include <string>
#include <string_view>

namespace mercanota {

struct RegionalSettings {
  char decimalSeparator = ',';
  char groupSeparator = '.';
  std::array<std::string, 12> monthNames;  // full names in the locale's language, January first

  static RegionalSettings PortugueseBrazil();
  static RegionalSettings EnglishUnitedStates();
  // The Windows user locale; on other systems, Portuguese (Brazil).
  static RegionalSettings FromUserLocale();
};

// The settings every conversion uses unless given others: Portuguese (Brazil) until the program (or a
// test) sets them.
const RegionalSettings& Regional();
void SetRegional(const RegionalSettings& settings);

// An amount of money as the platform's currency type keeps it: a whole number of ten-thousandths.
struct Currency {
  static constexpr long long kScale = 10000;
  long long scaled = 0;
  bool IsZero() const { return scaled == 0; }
  double ToDouble() const { return static_cast<double>(scaled) / kScale; }
};

// A regional decimal text: optional blanks and sign, digits (grouped in threes by the group separator, if
// at all), an optional decimal separator and fraction. False for anything else, including an empty text.
// Currency keeps four decimals (rounded half away from zero) and fails beyond its range.
bool ParseCurrency(std::string_view text, Currency* amount, const RegionalSettings& r = Regional());
bool ParseNumber(std::string_view text, double* value, const RegionalSettings& r = Regional());

// The shortest regional text of an amount or number: 1.5 -> "1,5", 12 -> "12" (Portuguese (Brazil)).
std::string CurrencyToText(Currency amount, const RegionalSettings& r = Regional());
std::string NumberToText(double value, const RegionalSettings& r = Regional());

// The format "0.00": at least one integer digit, exactly two decimals, the regional decimal separator and
// no grouping (12.5 -> "12,50"). Halves round away from zero, as they do for currency amounts.
std::string FormatTwoDecimals(double value, const RegionalSettings& r = Regional());

// A typed price made canonical: converted to currency and back to text ("1,50" -> "1,5"). False when the
// text is not a number.
bool NormalizePriceText(std::string_view text, std::string* normalized, const RegionalSettings& r = Regional());

struct Date {
  int day = 1;
  int month = 1;
  int year = 2000;
};

bool IsRealDate(const Date& date);
// "dd/mm/yyyy".
std::string DateText(const Date& date);
// Exactly "dd/mm/yyyy" (as the date box's mask gives it) naming a real calendar day.
bool ParseDateText(std::string_view text, Date* date);
Date Today();
std::string TodayText();

}  // namespace mercanota
