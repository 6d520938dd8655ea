// The price-update text: splitting, decoding and the statements its price records run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/Regional.h"
#include "catalogue/UpdateRecords.h"

namespace {

using namespace mercanota;
using namespace mercanota::update;

// What the update would do with a text, one line per record: "PROD name|brand|complement|price|date",
// "MNSG body", "TEMP <seconds>", "INFO body", "other"; "short" or "no ;" for a record that fails, and
// "too many" alone when the text is refused before any record.
std::vector<std::string> Decoded(std::string_view text) {
  std::vector<std::string> records;
  if (!SplitRecords(FirstLine(text), &records)) return {"too many"};
  std::vector<std::string> out;
  for (const std::string& r : records) {
    Record d;
    switch (DecodeRecord(r, &d)) {
      case DecodeStatus::kTooShort: out.push_back("short"); continue;
      case DecodeStatus::kMissingSeparator: out.push_back("no ;"); continue;
      case DecodeStatus::kOk: break;
    }
    switch (d.tag) {
      case Tag::kProd:
        out.push_back("PROD " + d.price.name + "|" + d.price.brand + "|" + d.price.complement + "|" + d.price.price +
                      "|" + d.price.date);
        break;
      case Tag::kMnsg: out.push_back("MNSG " + d.body); break;
      case Tag::kTemp: out.push_back("TEMP " + std::to_string(PauseSeconds(d.body))); break;
      case Tag::kInfo: out.push_back("INFO " + d.body); break;
      case Tag::kOther: out.push_back("other"); break;
    }
  }
  return out;
}

std::string Repeated(const std::string& record, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += record;
  return text;
}

TEST(UpdateRecords, TextsSplitAndDecodeAsTheWindowAppliesThem) {
  const std::string arroz = "PROD;Arroz;Vale Verde;5 kg;22,45;01/03/2025;";
  const struct {
    const char* what;
    std::string text;
    std::vector<std::string> expected;
  } cases[] = {
      {"empty text", "", {}},
      {"no star, no record", arroz, {}},
      {"final star and filler", arroz + "* ", {"PROD Arroz|Vale Verde|5 kg|22,45|01/03/2025"}},
      {"final star without filler", arroz + "*", {"PROD Arroz|Vale Verde|5 kg|22,45|01/03/2025"}},
      {"the filler is skipped whatever it is, text after the last star is none",
       "INFO Linha um**MNSG Ol\xE1!*#TEMP 3*xPROD;sem fim",
       {"INFO Linha um", "MNSG Ol\xE1!", "TEMP 3.000000"}},
      {"separator ignored, body from the sixth character, tags exact",
       "TEMPx2.5 s* TEMP abc* TEMP -4* TEMP 99999999999999999999999* prod;a;b;c;1;d;* XXXX yz* ",
       {"TEMP 2.500000", "TEMP 0.000000", "TEMP 0.000000", "TEMP 86400.000000", "other", "other"}},
      {"records shorter than a tag and separator", "PROD* * TEMP * ", {"short", "short", "TEMP 0.000000"}},
      {"a price record needs five ended fields; what follows the fifth is ignored",
       "PROD;a;b;c;1,5* PROD;a;b;c;1,5;d* PROD;;;;;;* PROD;a;b;c;1,5;d;extra;* ",
       {"no ;", "no ;", "PROD ||||", "PROD a|b|c|1,5|d"}},
      {"quotes and SQL stay inside their fields",
       "PROD;D'Ajuda \"A\";x' OR '1'='1;\"), (\"y\" --;1,5;01/01/2025;* ",
       {"PROD D'Ajuda \"A\"|x' OR '1'='1|\"), (\"y\" --|1,5|01/01/2025"}},
      {"only the first line is read", "INFO um* \r\nINFO dois* ", {"INFO um"}},
      {"a thousand records", Repeated("INFO x* ", 1000), std::vector<std::string>(1000, "INFO x")},
      {"one more is refused whole", Repeated("INFO x* ", 1001), {"too many"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Decoded(c.text), c.expected) << c.what;
}

// A price record's statement: the price read and rewritten in the regional format (currency for an
// update, a floating-point number for an insert), values quoted so that none can end its literal.
TEST(UpdateRecords, PriceStatementsQuoteValuesAndRefuseNonNumbers) {
  const RegionalSettings br = RegionalSettings::PortugueseBrazil();
  const RegionalSettings us = RegionalSettings::EnglishUnitedStates();
  const long long id = 7;
  std::string sql;

  ASSERT_TRUE(PriceStatement({"Arroz", "O'Hara", "5\" kg", "1.234,50000", "01/03/2025"}, &id, &sql, br));
  EXPECT_EQ(sql,
            "Update Produtos Set Produto = 'Arroz', Marca = 'O''Hara', Complemento = '5\" kg', "
            "PrecoUnitario = \"1234,5\", DataPesquisa = '01/03/2025' Where ID_Produto = 7");
  ASSERT_TRUE(PriceStatement({"A'", "B\"", "C", "0,12345", "d'"}, &id, &sql, br));
  EXPECT_NE(sql.find("PrecoUnitario = \"0,1235\""), std::string::npos) << sql;  // four decimals, as currency
  ASSERT_TRUE(PriceStatement({"A'", "B\"", "C", "2.5", "x\"); --"}, nullptr, &sql, us));
  EXPECT_EQ(sql,
            "Insert Into Produtos(Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) "
            "Values(\"A'\",\"B\"\"\",\"C\",\"x\"\"); --\",\"2.5\")");

  for (const char* price : {"", "abc", "1,5x", "1.5.5", "12345678901234567"}) {
    EXPECT_FALSE(PriceStatement({"a", "b", "c", price, "d"}, nullptr, &sql, br)) << price;
    EXPECT_FALSE(PriceStatement({"a", "b", "c", price, "d"}, &id, &sql, br)) << price;
  }
  // As money a tiny price is zero; as a number it has no plain text.
  EXPECT_FALSE(PriceStatement({"a", "b", "c", "0,00000001", "d"}, nullptr, &sql, br));
}

}  // namespace
