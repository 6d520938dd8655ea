#include "forms/Impressora.h"

#include <windows.h>

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

  bool Abre(const std::string& documento, const std::string& face, int pontos) {
    char impressora[512];
    DWORD tamanho = sizeof impressora;
    if (!GetDefaultPrinterA(impressora, &tamanho)) return false;
    dc_ = CreateDCA("WINSPOOL", impressora, nullptr, nullptr);
    if (!dc_) return false;
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(pontos, GetDeviceCaps(dc_, LOGPIXELSY), 72);
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    fonte_ = CreateFontIndirectA(&lf);
    if (!fonte_) return false;
    DOCINFOA di{};
    di.cbSize = sizeof di;
    di.lpszDocName = documento.c_str();
    if (StartDocA(dc_, &di) <= 0) return false;
    aberto_ = true;
    return true;
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

  bool Imprime(const std::vector<std::string>& linhas) {
    const int alturaDaPagina = GetDeviceCaps(dc_, VERTRES);
    if (!NovaPagina()) return false;
    int y = 0;
    for (const std::string& linha : linhas) {
      if (y > 0 && y + alturaDaLinha_ > alturaDaPagina) {
        if (EndPage(dc_) <= 0 || !NovaPagina()) return false;
        y = 0;
      }
      if (!linha.empty() && !TextOutA(dc_, 0, y, linha.c_str(), static_cast<int>(linha.size()))) return false;
      y += alturaDaLinha_;
    }
    if (EndPage(dc_) <= 0) return false;
    if (EndDoc(dc_) <= 0) return false;
    aberto_ = false;
    return true;
  }

private:
  HDC dc_ = nullptr;
  HFONT fonte_ = nullptr;
  bool aberto_ = false;
  int alturaDaLinha_ = 0;
};

}  // namespace

bool ImpressoraDoSistema::Imprime(const std::string& documento, const std::string& texto, const std::string& fonte,
                                  int pontos) {
  Impressao impressao;
  return impressao.Abre(documento, fonte, pontos) && impressao.Imprime(Linhas(texto));
}

}  // namespace mercanota
