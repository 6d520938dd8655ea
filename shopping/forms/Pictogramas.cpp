#include "forms/Pictogramas.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "forms/GuardasGdi.h"

namespace mercanota {
namespace {

using Ponto = std::pair<double, double>;

constexpr COLORREF kTinta = RGB(40, 40, 40);
constexpr COLORREF kBranco = RGB(255, 255, 255);
constexpr COLORREF kPapel = RGB(250, 250, 240);
constexpr COLORREF kVerde = RGB(30, 150, 60);
constexpr COLORREF kAzul = RGB(30, 90, 190);
constexpr COLORREF kAzulClaro = RGB(170, 210, 245);
constexpr COLORREF kVermelho = RGB(200, 40, 40);
constexpr COLORREF kMarrom = RGB(150, 95, 45);
constexpr COLORREF kCinza = RGB(150, 150, 150);
constexpr COLORREF kPrata = RGB(205, 205, 210);
constexpr COLORREF kAmarelo = RGB(245, 200, 40);
constexpr COLORREF kSemCor = 0xFFFFFFFF;

// Draws on a 32 x 32 design grid scaled into a square centred in the area.
class Pintor {
public:
  Pintor(HDC dc, const RECT& area, bool habilitado) : dc_(dc), habilitado_(habilitado) {
    const int largura = area.right - area.left;
    const int altura = area.bottom - area.top;
    const int lado = std::min(largura, altura);
    escala_ = lado / 32.0;
    x0_ = area.left + (largura - lado) / 2;
    y0_ = area.top + (altura - lado) / 2;
  }

  void Retangulo(double x1, double y1, double x2, double y2, COLORREF preenchimento, COLORREF linha = kTinta) {
    Poligono({{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}, preenchimento, linha);
  }

  void Elipse(double x1, double y1, double x2, double y2, COLORREF preenchimento, COLORREF linha = kTinta,
              double espessura = 1) {
    Ferramentas f(*this, preenchimento, linha, espessura);
    const POINT a = P(x1, y1), b = P(x2, y2);
    ::Ellipse(dc_, a.x, a.y, b.x, b.y);
  }

  void Poligono(std::initializer_list<Ponto> pontos, COLORREF preenchimento, COLORREF linha = kTinta,
                double espessura = 1) {
    POINT p[16];
    int n = 0;
    for (const Ponto& q : pontos) {
      if (n < 16) p[n++] = P(q.first, q.second);
    }
    Ferramentas f(*this, preenchimento, linha, espessura);
    ::Polygon(dc_, p, n);
  }

  void Linha(std::initializer_list<Ponto> pontos, COLORREF cor, double espessura = 1) {
    POINT p[16];
    int n = 0;
    for (const Ponto& q : pontos) {
      if (n < 16) p[n++] = P(q.first, q.second);
    }
    Ferramentas f(*this, kSemCor, cor, espessura);
    ::Polyline(dc_, p, n);
  }

  void Texto(double x1, double y1, double x2, double y2, const char* texto, COLORREF cor, double altura) {
    const POINT a = P(x1, y1), b = P(x2, y2);
    RECT r{a.x, a.y, b.x, b.y};
    const ObjetoGdi<HFONT> fonte(CreateFontA(-static_cast<int>(std::lround(altura * escala_)), 0, 0, 0, FW_BOLD, FALSE,
                                             FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                             ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
    const Selecao selecao(dc_, fonte.get());
    const int modo = SetBkMode(dc_, TRANSPARENT);
    const COLORREF anterior = SetTextColor(dc_, Cor(cor));
    DrawTextA(dc_, texto, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc_, anterior);
    SetBkMode(dc_, modo);
  }

private:
  // Pen and brush selected for one shape; a disabled picture is drawn in greys of the same lightness.
  class Ferramentas {
  public:
    Ferramentas(Pintor& p, COLORREF preenchimento, COLORREF linha, double espessura)
        : caneta_(linha == kSemCor ? nullptr : CreatePen(PS_SOLID, Largura(p, espessura), p.Cor(linha))),
          pincel_(preenchimento == kSemCor ? nullptr : CreateSolidBrush(p.Cor(preenchimento))),
          comCaneta_(p.dc_, caneta_ ? static_cast<HGDIOBJ>(caneta_.get()) : GetStockObject(NULL_PEN)),
          comPincel_(p.dc_, pincel_ ? static_cast<HGDIOBJ>(pincel_.get()) : GetStockObject(NULL_BRUSH)) {}

  private:
    static int Largura(const Pintor& p, double espessura) {
      return std::max(1, static_cast<int>(std::lround(espessura * p.escala_)));
    }

    // Declared before the selections, so they are selected out before they are deleted.
    ObjetoGdi<HPEN> caneta_;
    ObjetoGdi<HBRUSH> pincel_;
    Selecao comCaneta_;
    Selecao comPincel_;
  };

  POINT P(double x, double y) const {
    return {x0_ + static_cast<LONG>(std::lround(x * escala_)), y0_ + static_cast<LONG>(std::lround(y * escala_))};
  }

  COLORREF Cor(COLORREF c) const {
    if (habilitado_) return c;
    const int luz = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
    const int cinza = 128 + luz / 2;
    return RGB(cinza, cinza, cinza);
  }

  HDC dc_;
  bool habilitado_;
  double escala_ = 1;
  int x0_ = 0;
  int y0_ = 0;
};

void Folha(Pintor& p) {
  p.Poligono({{6, 3}, {20, 3}, {25, 8}, {25, 29}, {6, 29}}, kPapel);
  p.Linha({{20, 3}, {20, 8}, {25, 8}}, kTinta);
  for (double y : {12.0, 16.0, 20.0}) p.Linha({{9, y}, {21, y}}, kCinza, 1.5);
}

}  // namespace

void DesenhaPictograma(HDC dc, const RECT& area, Pictograma pictograma, bool habilitado) {
  Pintor p(dc, area, habilitado);
  switch (pictograma) {
    case Pictograma::kNenhum: break;
    case Pictograma::kCadastro:
      Folha(p);
      p.Elipse(16, 16, 31, 31, kVerde);
      p.Linha({{23.5, 19}, {23.5, 28}}, kBranco, 3);
      p.Linha({{19, 23.5}, {28, 23.5}}, kBranco, 3);
      break;
    case Pictograma::kConsulta:
      Folha(p);
      p.Linha({{22, 22}, {30, 30}}, kMarrom, 4);
      p.Elipse(11, 11, 25, 25, kAzulClaro, kTinta, 2);
      break;
    case Pictograma::kListaCompras:
      p.Retangulo(5, 4, 27, 31, kMarrom);
      p.Retangulo(8, 7, 24, 28, kPapel);
      p.Retangulo(11, 2, 21, 7, kPrata);
      for (double y : {12.0, 18.0, 24.0}) {
        p.Linha({{9.5, y - 1}, {11.5, y + 1}, {15, y - 3}}, kVerde, 2);
        p.Linha({{16.5, y}, {22, y}}, kCinza, 1.5);
      }
      break;
    case Pictograma::kListaSalva:
      p.Poligono({{4, 3}, {25, 3}, {29, 7}, {29, 29}, {4, 29}}, kAzul);
      p.Retangulo(9, 3, 23, 12, kPrata);
      p.Retangulo(18, 5, 21, 10, kAzul, kAzul);
      p.Retangulo(7, 16, 26, 29, kPapel);
      for (double y : {20.0, 24.0}) p.Linha({{9, y}, {24, y}}, kCinza, 1.5);
      break;
    case Pictograma::kInternet:
      p.Elipse(3, 3, 29, 29, kAzul);
      p.Poligono({{8, 9}, {14, 7}, {15, 13}, {11, 17}, {8, 14}}, kVerde, kVerde);
      p.Poligono({{17, 16}, {24, 14}, {26, 20}, {20, 26}, {18, 22}}, kVerde, kVerde);
      p.Elipse(10, 3, 22, 29, kSemCor, kBranco);
      p.Linha({{16, 3}, {16, 29}}, kBranco);
      p.Linha({{3.5, 16}, {28.5, 16}}, kBranco);
      p.Linha({{6, 9.5}, {26, 9.5}}, kBranco);
      p.Linha({{6, 22.5}, {26, 22.5}}, kBranco);
      break;
    case Pictograma::kImpressora:
      p.Retangulo(9, 3, 23, 13, kPapel);
      p.Retangulo(3, 12, 29, 24, kPrata);
      p.Elipse(23, 15, 26, 18, kVerde, kVerde);
      p.Retangulo(9, 20, 23, 30, kPapel);
      for (double y : {24.0, 27.0}) p.Linha({{11, y}, {21, y}}, kCinza, 1);
      break;
    case Pictograma::kAjuda:
      p.Elipse(3, 3, 29, 29, kAzul);
      p.Texto(3, 3, 29, 29, "?", kBranco, 22);
      break;
    case Pictograma::kSair:
      p.Retangulo(5, 3, 19, 30, kMarrom);
      p.Poligono({{5, 3}, {13, 6}, {13, 31}, {5, 30}}, RGB(190, 130, 70));
      p.Elipse(10, 16, 12, 18, kAmarelo, kAmarelo);
      p.Poligono({{15, 13}, {22, 13}, {22, 9}, {30, 16.5}, {22, 24}, {22, 20}, {15, 20}}, kVermelho);
      break;
    case Pictograma::kCarrinho:
      p.Linha({{1, 5}, {6, 5}, {10, 21}, {27, 21}}, kTinta, 2);
      p.Poligono({{6, 8}, {30, 8}, {27, 18}, {9, 18}}, kAzulClaro, kAzul, 1.5);
      for (double x : {12.0, 17.0, 22.0, 27.0}) p.Linha({{x, 8}, {x - 0.5, 18}}, kAzul);
      p.Linha({{7.5, 13}, {28.5, 13}}, kAzul);
      p.Elipse(9, 23, 15, 29, kTinta);
      p.Elipse(21, 23, 27, 29, kTinta);
      break;
    case Pictograma::kOk: p.Linha({{5, 17}, {12, 25}, {27, 7}}, kVerde, 5); break;
    case Pictograma::kCancelar:
      p.Linha({{7, 7}, {25, 25}}, kVermelho, 5);
      p.Linha({{25, 7}, {7, 25}}, kVermelho, 5);
      break;
    case Pictograma::kExcluir:
      p.Retangulo(12, 3, 20, 7, kPrata);
      p.Retangulo(6, 6, 26, 9, kPrata);
      p.Poligono({{8, 9}, {24, 9}, {22, 30}, {10, 30}}, kCinza);
      for (double x : {12.5, 16.0, 19.5}) p.Linha({{x, 12}, {x, 27}}, kPrata, 1.5);
      break;
    case Pictograma::kSeta:
      p.Poligono({{2, 12}, {17, 12}, {17, 5}, {30, 16}, {17, 27}, {17, 20}, {2, 20}}, kAmarelo, kVermelho, 1.5);
      break;
    case Pictograma::kSetaEsquerda:
      p.Poligono({{30, 12}, {15, 12}, {15, 5}, {2, 16}, {15, 27}, {15, 20}, {30, 20}}, kAmarelo, kVermelho, 1.5);
      break;
  }
}

}  // namespace mercanota

namespace mercanota {

HICON IconeDoPrograma(int lado) {
  // Drawn on magenta, which then becomes the transparent part of the mask.
  constexpr COLORREF kTransparente = RGB(255, 0, 255);
  ObjetoGdi<HBITMAP> bitmapCor;
  ObjetoGdi<HBITMAP> bitmapMascara(CreateBitmap(lado, lado, 1, 1, nullptr));
  {
    const DcDaJanela tela;
    bitmapCor.reset(CreateCompatibleBitmap(tela.get(), lado, lado));
    const DcDeMemoria cor(tela.get());
    const DcDeMemoria mascara(tela.get());
    const Selecao comCor(cor.get(), bitmapCor.get());
    const Selecao comMascara(mascara.get(), bitmapMascara.get());

    RECT area{0, 0, lado, lado};
    const ObjetoGdi<HBRUSH> fundo(CreateSolidBrush(kTransparente));
    FillRect(cor.get(), &area, fundo.get());
    DesenhaPictograma(cor.get(), area, Pictograma::kCarrinho);
    // Mask: 1 where the picture is transparent. Then blacken those pixels of the colour bitmap, as an
    // icon's XOR image needs.
    SetBkColor(cor.get(), kTransparente);
    BitBlt(mascara.get(), 0, 0, lado, lado, cor.get(), 0, 0, SRCCOPY);
    SetBkColor(cor.get(), RGB(0, 0, 0));
    SetTextColor(cor.get(), RGB(255, 255, 255));
    BitBlt(cor.get(), 0, 0, lado, lado, mascara.get(), 0, 0, SRCAND);
  }
  // The icon gets copies of the two bitmaps, which are freed here.
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = bitmapCor.get();
  info.hbmMask = bitmapMascara.get();
  return CreateIconIndirect(&info);
}

}  // namespace mercanota
