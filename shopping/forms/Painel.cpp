#include "forms/Painel.h"

#include <memory>

namespace mercanota {
namespace {

const char kClassePainel[] = "MercanotaPainel";

void PintaPainel(HWND hwnd, Painel& p) {
  const Pintura pintura(hwnd);
  HDC dc = pintura.get();
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, p.pincel.get());
  if (p.chanfro != Chanfro::kNenhum) {
    DrawEdge(dc, &r, p.chanfro == Chanfro::kElevado ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  if (p.figura != Pictograma::kNenhum) DesenhaPictograma(dc, r, p.figura, IsWindowEnabled(hwnd) != FALSE);

  char texto[1024];
  const int n = GetWindowTextA(hwnd, texto, sizeof texto);
  if (n <= 0) return;
  InflateRect(&r, -3, -1);
  const Selecao comFonte(dc, p.fonte ? p.fonte : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(hwnd) ? p.texto : GetSysColor(COLOR_GRAYTEXT));
  UINT formato = p.formato | DT_NOPREFIX;
  if ((formato & DT_SINGLELINE) == 0 && (formato & DT_VCENTER) != 0) {
    // DrawText centres only single lines; centre a wrapped caption by measuring it first.
    RECT medida = r;
    DrawTextA(dc, texto, n, &medida, (formato & ~DT_VCENTER) | DT_CALCRECT);
    const int sobra = (r.bottom - r.top) - (medida.bottom - medida.top);
    if (sobra > 0) r.top += sobra / 2;
    formato &= ~DT_VCENTER;
  }
  DrawTextA(dc, texto, n, &r, formato);
}

LRESULT CALLBACK ProcedimentoPainel(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Painel* p = reinterpret_cast<Painel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(std::make_unique<Painel>().release()));
      break;
    case WM_NCDESTROY:
      if (p) {
        const std::unique_ptr<Painel> fim(p);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      }
      break;
    case WM_PAINT:
      if (p) {
        PintaPainel(hwnd, *p);
        return 0;
      }
      break;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_SETFONT:
      if (p) p->fonte = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return p ? reinterpret_cast<LRESULT>(p->fonte) : 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

Painel::Painel()
    : texto(GetSysColor(COLOR_BTNTEXT)), fundo(GetSysColor(COLOR_BTNFACE)), pincel(CreateSolidBrush(fundo)) {}

void Painel::DefineCores(COLORREF novoTexto, COLORREF novoFundo) {
  texto = novoTexto;
  fundo = novoFundo;
  pincel.reset(CreateSolidBrush(novoFundo));
}

const char* ClasseDoPainel() {
  static const bool registrada = [] {
    WNDCLASSEXA painel{};
    painel.cbSize = sizeof painel;
    painel.lpfnWndProc = ProcedimentoPainel;
    painel.hInstance = GetModuleHandleA(nullptr);
    painel.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    painel.lpszClassName = kClassePainel;
    return RegisterClassExA(&painel) != 0;
  }();
  (void)registrada;
  return kClassePainel;
}

Painel* PainelDe(HWND hwnd) {
  char classe[32] = {};
  GetClassNameA(hwnd, classe, sizeof classe);
  if (lstrcmpA(classe, kClassePainel) != 0) return nullptr;
  return reinterpret_cast<Painel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace mercanota
