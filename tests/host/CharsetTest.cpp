#include <gtest/gtest.h>

#include <string>

#include "ListConventions.h"

// The portable cores are compiled with the Windows programs' ANSI code page on every build, so the host
// tests see the same bytes the programs will.
TEST(Charset, TextsAreWindows1252) {
  EXPECT_EQ(std::string(mercanota::kItemPadrao), "\xCDtem Padr\xE3o");
  EXPECT_EQ(std::string(mercanota::kListaPadrao), "Lista Padr\xE3o");
}
