#pragma once
// The printer seam: the program prints plain text on the default printer. The real one draws through
// GDI; tests install a real printer in their Wine prefix and read back what reached it.
#include <string>

namespace mercanota {

class Impressora {
public:
  virtual ~Impressora() = default;
  // Prints `texto` as a document named `documento`, one printed line per line of the text (CR LF, CR or
  // LF ends a line), in `fonte` at `pontos` points, from the top of the page; a page that is full goes
  // on to the next one, so no line is lost past the bottom. When the widest line would not fit the
  // paper's printable width the font is made smaller, down to half the size, until it does; a line still
  // too wide goes on to the next printed line, so no character is lost past the right edge either.
  // False when there is no printer or it fails (the document is then abandoned).
  virtual bool Imprime(const std::string& documento, const std::string& texto, const std::string& fonte,
                       int pontos) = 0;
};

class ImpressoraDoSistema : public Impressora {
public:
  bool Imprime(const std::string& documento, const std::string& texto, const std::string& fonte, int pontos) override;
};

}  // namespace mercanota
