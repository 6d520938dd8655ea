#include <gtest/gtest.h>

#include <string>

#include "catalogue/ListConventions.h"

// The portable cores are compiled with the Windows programs' ANSI code page on every build, so the host
// tests see the same bytes the programs will.
TEST(Charset, TextsAreWindows1252) {
  EXPECT_EQ(std::string(mercanota::kItemPadrao), "\xCDtem Padr\xE3o");
  EXPECT_EQ(std::string(mercanota::kListaPadrao), "Lista Padr\xE3o");
}

#include "catalogue/Charset.h"

// Every byte of Windows-1252, the five undefined ones included, survives a trip through the UTF-8 file.
TEST(Charset, EveryWindows1252ByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = mercanota::Cp1252ToUtf8(all);
  EXPECT_EQ(mercanota::Utf8ToCp1252(utf8), all);
  EXPECT_EQ(mercanota::Cp1252ToUtf8("\x80\xE3"), "\xE2\x82\xAC\xC3\xA3");  // euro sign, a with tilde
}

// Text written into the file by another program may hold anything; nothing crashes and nothing is lost
// silently beyond the characters Windows-1252 cannot hold.
TEST(Charset, ForeignAndDamagedUtf8BecomesQuestionMarks) {
  const struct {
    std::string utf8;
    std::string cp1252;
  } cases[] = {
      {"\xE4\xB8\xAD", "?"},                 // a CJK character
      {"\xF0\x9F\x9B\x92", "?"},             // an emoji outside the BMP
      {"a\xC3", "a?"},                       // cut short
      {"\xC0\xAF", "??"},                    // overlong slash
      {"\xED\xA0\x80", "???"},               // a surrogate
      {"\xFF\xFE", "??"},                    // not UTF-8 at all
      {"\xC3\xA7\xE2\x80\x94", "\xE7\x97"},  // c cedilla, em dash
  };
  for (const auto& c : cases) EXPECT_EQ(mercanota::Utf8ToCp1252(c.utf8), c.cp1252);
}
