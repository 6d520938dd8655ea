// Regional number and date texts under Portuguese (Brazil) and English (United States).
#include <gtest/gtest.h>

#include <string>

#include "catalogue/Regional.h"

namespace {

using mercanota::Currency;
using mercanota::RegionalSettings;

const RegionalSettings kBrazil = RegionalSettings::PortugueseBrazil();
const RegionalSettings kUs = RegionalSettings::EnglishUnitedStates();

struct PriceCase {
  const char* typed;
  const char* stored;  // text placed in the statement
  const char* shown;   // "0.00"
};

// A typed price is converted to currency and back before it is stored, and shown with two decimals.
TEST(Regional, TypedPricesRoundTripUnderBothLocales) {
  const PriceCase brazil[] = {
      {"1,50", "1,5", "1,50"},
      {"1,5", "1,5", "1,50"},
      {"12", "12", "12,00"},
      {"0", "0", "0,00"},
      {"0,00", "0", "0,00"},
      {" 3,50 ", "3,5", "3,50"},
      {"1.234,56", "1234,56", "1234,56"},
      {",5", "0,5", "0,50"},
      {"2,675", "2,675", "2,68"},
      {"-4,1", "-4,1", "-4,10"},
      {"0,00005", "0,0001", "0,00"},
      {"7,", "7", "7,00"},
  };
  for (const auto& c : brazil) {
    std::string stored;
    ASSERT_TRUE(mercanota::NormalizePriceText(c.typed, &stored, kBrazil)) << c.typed;
    EXPECT_EQ(stored, c.stored) << c.typed;
    Currency amount;
    ASSERT_TRUE(mercanota::ParseCurrency(stored, &amount, kBrazil));
    EXPECT_EQ(mercanota::FormatTwoDecimals(amount.ToDouble(), kBrazil), c.shown) << c.typed;
  }
  const PriceCase us[] = {
      {"1.50", "1.5", "1.50"},
      {"1,234.5", "1234.5", "1234.50"},
      {"12", "12", "12.00"},
      {".25", "0.25", "0.25"},
  };
  for (const auto& c : us) {
    std::string stored;
    ASSERT_TRUE(mercanota::NormalizePriceText(c.typed, &stored, kUs)) << c.typed;
    EXPECT_EQ(stored, c.stored) << c.typed;
    Currency amount;
    ASSERT_TRUE(mercanota::ParseCurrency(stored, &amount, kUs));
    EXPECT_EQ(mercanota::FormatTwoDecimals(amount.ToDouble(), kUs), c.shown) << c.typed;
  }
}

// Texts that are not numbers under the locale fail, so the caller can treat them as it must (the
// registration window then asks about a zero price). A group separator out of place is not silently read
// as a thousands mark.
TEST(Regional, TextsThatAreNotNumbersAreRefused) {
  const char* brazilBad[] = {"",      "  ",     "abc",  "1,2,3", "1.5",
                             "12.34", "1.2345", "R$ 3", "3 4",   "1e3",
                             "-",     ",",      "--1",  "1,5x",  "999999999999999999"};
  for (const char* text : brazilBad) {
    Currency amount;
    double number;
    EXPECT_FALSE(mercanota::ParseCurrency(text, &amount, kBrazil)) << '"' << text << '"';
    if (std::string(text) != "999999999999999999") {
      EXPECT_FALSE(mercanota::ParseNumber(text, &number, kBrazil)) << '"' << text << '"';
    }
  }
  Currency amount;
  EXPECT_FALSE(mercanota::ParseCurrency("1,50", &amount, kUs));  // a grouping comma must be followed by three digits
  EXPECT_TRUE(mercanota::ParseCurrency("922337203685477,5807", &amount, kBrazil));
  EXPECT_EQ(amount.scaled, 9223372036854775807ll);
  EXPECT_FALSE(mercanota::ParseCurrency("922337203685477,5808", &amount, kBrazil));
}

TEST(Regional, NumbersAsTextAndWithTwoDecimals) {
  EXPECT_EQ(mercanota::NumberToText(12.5, kBrazil), "12,5");
  EXPECT_EQ(mercanota::NumberToText(12.5, kUs), "12.5");
  EXPECT_EQ(mercanota::NumberToText(3, kBrazil), "3");
  EXPECT_EQ(mercanota::NumberToText(-0.0, kBrazil), "0");
  EXPECT_EQ(mercanota::NumberToText(0.1 + 0.2, kBrazil), "0,3");
  EXPECT_EQ(mercanota::FormatTwoDecimals(0, kBrazil), "0,00");
  EXPECT_EQ(mercanota::FormatTwoDecimals(-0.001, kBrazil), "0,00");
  EXPECT_EQ(mercanota::FormatTwoDecimals(1234567.891, kUs), "1234567.89");
  EXPECT_EQ(mercanota::FormatTwoDecimals(0.125, kBrazil), "0,13");
  EXPECT_EQ(mercanota::FormatTwoDecimals(-0.125, kBrazil), "-0,13");
  double v = 0;
  ASSERT_TRUE(mercanota::ParseNumber("12,5", &v, kBrazil));
  EXPECT_EQ(v, 12.5);
  ASSERT_TRUE(mercanota::ParseNumber("12.5", &v, kUs));
  EXPECT_EQ(v, 12.5);
}

TEST(Regional, DatesAreDayMonthYearTexts) {
  EXPECT_EQ(mercanota::DateText({7, 3, 2025}), "07/03/2025");
  mercanota::Date d;
  ASSERT_TRUE(mercanota::ParseDateText("29/02/2024", &d));
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.year, 2024);
  for (const char* bad : {"__/__/____", "29/02/2023", "31/04/2025", "00/01/2025", "01/13/2025", "1/2/2025",
                          "01-02-2025", "01/02/0000", "01/02/20255", "ab/cd/efgh"}) {
    EXPECT_FALSE(mercanota::ParseDateText(bad, &d)) << bad;
  }
  const std::string today = mercanota::TodayText();
  EXPECT_TRUE(mercanota::ParseDateText(today, &d)) << today;
}

TEST(Regional, MonthNamesFollowTheLocale) {
  EXPECT_EQ(kBrazil.monthNames[11], "dezembro");
  EXPECT_EQ(kBrazil.monthNames[2], "mar\xE7o");
  EXPECT_EQ(kUs.monthNames[11], "December");
}

}  // namespace
