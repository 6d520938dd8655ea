// user_locale_test DECIMAL GROUP DECEMBER: the regional settings mercanota takes from the Windows user
// locale are those of the locale the test runs under (CTest starts it under Portuguese (Brazil) and under
// English (United States)). Exit status 0 when they match.
#include <cstdio>
#include <string>

#include "catalogue/Regional.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: user_locale_test DECIMAL GROUP DECEMBER\n");
    return 2;
  }
  const mercanota::RegionalSettings r = mercanota::RegionalSettings::FromUserLocale();
  int falhas = 0;
  const auto confere = [&](const char* o_que, const std::string& obtido, const std::string& esperado) {
    if (obtido == esperado) return;
    std::fprintf(stderr, "%s: got \"%s\", expected \"%s\"\n", o_que, obtido.c_str(), esperado.c_str());
    ++falhas;
  };
  confere("decimal separator", std::string(1, r.decimalSeparator), argv[1]);
  confere("group separator", std::string(1, r.groupSeparator), argv[2]);
  confere("December", r.monthNames[11], argv[3]);
  // A price typed the local way goes through to its canonical text.
  std::string preco;
  const std::string digitado = std::string("1") + argv[2] + "234" + argv[1] + "50";
  confere("typed price", mercanota::NormalizePriceText(digitado, &preco, r) ? preco : "(refused)",
          std::string("1234") + argv[1] + "5");
  return falhas == 0 ? 0 : 1;
}
