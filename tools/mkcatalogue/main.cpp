// mkcatalogue [--demo | --products N] [--replace] FILE
// Creates a catalogue file for mercanota: the tables Produtos and Compras with their indexes, empty, or
// (with --demo) filled with a demonstration catalogue and two saved lists, or (with --products N) with N
// generated entries of a shop's size. An existing FILE is kept unless --replace is given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Charset.h"
#include "DemoCatalogue.h"
#include "GeneratedCatalogue.h"

namespace {

// The program's texts are Windows-1252; a Linux terminal speaks UTF-8. (The path itself is passed on as
// given: it is the file system's own spelling.)
void PrintError(const std::string& cp1252) {
#ifdef _WIN32
  std::fprintf(stderr, "mkcatalogue: %s\n", cp1252.c_str());
#else
  std::fprintf(stderr, "mkcatalogue: %s\n", mercanota::Cp1252ToUtf8(cp1252).c_str());
#endif
}

int Usage() {
  std::fprintf(stderr, "usage: mkcatalogue [--demo | --products N] [--replace] FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool demo = false;
  long long products = -1;
  bool replace = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--demo") == 0) {
      demo = true;
    } else if (std::strcmp(argv[i], "--products") == 0 && i + 1 < argc) {
      char* end = nullptr;
      products = std::strtoll(argv[++i], &end, 10);
      if (*end != '\0' || products < 0 || products > 100000000) return Usage();
    } else if (std::strcmp(argv[i], "--replace") == 0) {
      replace = true;
    } else if (argv[i][0] == '-' || !path.empty()) {
      return Usage();
    } else {
      path = argv[i];
    }
  }
  if (path.empty() || (demo && products >= 0)) return Usage();

  std::string error;
  if (!mercanota::CatalogueDatabase::CreateCatalogueFile(path, replace, &error)) {
    PrintError(error);
    return 1;
  }
  if (!demo && products < 0) return 0;

  mercanota::CatalogueDatabase db;
  if (!db.OpenDatabase(path) ||
      !(demo ? mercanota::FillDemoCatalogue(db, &error) : mercanota::FillGeneratedCatalogue(db, products, &error))) {
    PrintError(db.LastErrorText().empty() ? error : db.LastErrorText());
    db.Close();
    std::remove(path.c_str());
    return 1;
  }
  db.Close();
  return 0;
}
