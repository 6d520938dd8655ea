#include "forms/Impressora.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace mercanota {
namespace {

std::vector<std::string> Linhas(const std::string& texto) {
  std::vector<std::string> linhas;
  std::string atual;
  for (size_t i = 0; i < texto.size(); ++i) {
    const char c = texto[i];
    if (c == '\r' || c == '\n') {
      linhas.push_back(atual);
      atual.clear();
      if (c == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') ++i;
    } else {
      atual.push_back(c);
    }
  }
  if (!atual.empty()) linhas.push_back(atual);
  return linhas;
}

// The text is made smaller, down to half the size asked for, so that its widest line fits the printable
// width of the paper; a line still wider at that size (a long note typed into the report) goes on to the
// next printed line rather than past the edge.
constexpr int kReducaoMaxima = 2;
// Some glyphs reach a little past their cell (a few hundredths of their width): the text keeps this
// margin, in points, on each side of the printable area, so that no ink falls where the printer cannot
// print.
constexpr int kMargemEmPontos = 2;

// The printer's device context, its font and the document, each given back on every path.
class Impressao {
public:
  ~Impressao() {
    if (dc_) {
      if (aberto_) AbortDoc(dc_);
      SelectObject(dc_, GetStockObject(SYSTEM_FONT));
      DeleteDC(dc_);
    }
    if (fonte_) DeleteObject(fonte_);
  }

  bool Abre(const std::string& documento, const std::string& face, int pontos, const std::vector<std::string>& linhas) {
    char impressora[512];
    DWORD tamanho = sizeof impressora;
    if (!GetDefaultPrinterA(impressora, &tamanho)) return false;
    dc_ = CreateDCA("WINSPOOL", impressora, nullptr, nullptr);
    if (!dc_) return false;
    margem_ = MulDiv(kMargemEmPontos, GetDeviceCaps(dc_, LOGPIXELSX), 72);
    largura_ = GetDeviceCaps(dc_, HORZRES) - 2 * margem_;
    if (largura_ <= 0 || !EscolheFonte(face, pontos, linhas)) return false;
    DOCINFOA di{};
    di.cbSize = sizeof di;
    di.lpszDocName = documento.c_str();
    if (StartDocA(dc_, &di) <= 0) return false;
    aberto_ = true;
    return true;
  }

  bool Imprime(const std::vector<std::string>& linhas) {
    const int alturaDaPagina = GetDeviceCaps(dc_, VERTRES);
    if (!NovaPagina()) return false;
    int y = 0;
    for (const std::string& linha : linhas) {
      size_t inicio = 0;
      do {
        const size_t cabe = QuantosCabem(linha, inicio);
        if (y > 0 && y + alturaDaLinha_ > alturaDaPagina) {
          if (EndPage(dc_) <= 0 || !NovaPagina()) return false;
          y = 0;
        }
        if (cabe > 0 && !TextOutA(dc_, margem_, y, linha.c_str() + inicio, static_cast<int>(cabe))) return false;
        y += alturaDaLinha_;
        inicio += cabe;
      } while (inicio < linha.size());
    }
    if (EndPage(dc_) <= 0) return false;
    if (EndDoc(dc_) <= 0) return false;
    aberto_ = false;
    return true;
  }

private:
  HFONT CriaFonte(const std::string& face, int altura) const {
    LOGFONTA lf{};
    lf.lfHeight = -altura;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
  }

  // The width of the widest line in the font selected.
  int MaisLarga(const std::vector<std::string>& linhas) const {
    int maior = 0;
    for (const std::string& linha : linhas) {
      SIZE s{};
      if (!linha.empty() && GetTextExtentPoint32A(dc_, linha.c_str(), static_cast<int>(linha.size()), &s)) {
        maior = std::max(maior, static_cast<int>(s.cx));
      }
    }
    return maior;
  }

  // The font at `pontos`, or at the largest size below it (to half of it) at which the widest line fits.
  bool EscolheFonte(const std::string& face, int pontos, const std::vector<std::string>& linhas) {
    int altura = MulDiv(pontos, GetDeviceCaps(dc_, LOGPIXELSY), 72);
    const int menor = std::max(1, altura / kReducaoMaxima);
    for (;;) {
      HFONT fonte = CriaFonte(face, altura);
      if (!fonte) return false;
      SelectObject(dc_, fonte);
      if (fonte_) DeleteObject(fonte_);
      fonte_ = fonte;
      const int largura = MaisLarga(linhas);
      if (largura <= largura_ || altura <= menor) return true;
      // Widths grow with the height, but not exactly in proportion (they are whole device units): the
      // proportional size first, then one unit at a time until the line fits.
      const int proporcional = MulDiv(altura, largura_, largura);
      altura = std::max(menor, std::min(altura - 1, proporcional));
    }
  }

  bool NovaPagina() {
    if (StartPage(dc_) <= 0) return false;
    // Some drivers reset the context at every page: the font is chosen again each time.
    SelectObject(dc_, fonte_);
    SetBkMode(dc_, TRANSPARENT);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc_, &tm);
    alturaDaLinha_ = tm.tmHeight + tm.tmExternalLeading;
    return alturaDaLinha_ > 0;
  }

  // How many characters of `linha` from `inicio` fit the printable width (at least one, so that a line
  // always advances).
  size_t QuantosCabem(const std::string& linha, size_t inicio) const {
    const int resto = static_cast<int>(linha.size() - inicio);
    if (resto <= 0) return 0;
    INT cabem = 0;
    SIZE s{};
    if (!GetTextExtentExPointA(dc_, linha.c_str() + inicio, resto, largura_, &cabem, nullptr, &s)) return resto;
    return static_cast<size_t>(std::clamp(cabem, 1, resto));
  }

  HDC dc_ = nullptr;
  HFONT fonte_ = nullptr;
  bool aberto_ = false;
  int margem_ = 0;
  int largura_ = 0;  // the printable width less the margins
  int alturaDaLinha_ = 0;
};

}  // namespace

bool ImpressoraDoSistema::Imprime(const std::string& documento, const std::string& texto, const std::string& fonte,
                                  int pontos) {
  const std::vector<std::string> linhas = Linhas(texto);
  Impressao impressao;
  return impressao.Abre(documento, fonte, pontos, linhas) && impressao.Imprime(linhas);
}

}  // namespace mercanota
