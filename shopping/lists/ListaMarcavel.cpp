#include "lists/ListaMarcavel.h"

#include <vector>

#include "forms/GuardasGdi.h"

namespace mercanota::lista {

int ListCount(HWND lista) {
  const LRESULT n = SendMessageA(lista, LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

int ListIndex(HWND lista) {
  if (ListCount(lista) == 0) return -1;
  const LRESULT i = SendMessageA(lista, LB_GETCARETINDEX, 0, 0);
  return i == LB_ERR ? -1 : static_cast<int>(i);
}

bool DefineListIndex(HWND lista, int i) {
  if (i < 0 || i >= ListCount(lista)) return false;
  return SendMessageA(lista, LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE) != LB_ERR;
}

bool Selected(HWND lista, int i) {
  const LRESULT s = SendMessageA(lista, LB_GETSEL, static_cast<WPARAM>(i), 0);
  return s != LB_ERR && s > 0;
}

void DefineSelected(HWND lista, int i, bool marcado) {
  // Selecting may move the caret on some systems; the walk depends on it staying.
  const int atual = ListIndex(lista);
  SendMessageA(lista, LB_SETSEL, marcado ? TRUE : FALSE, static_cast<LPARAM>(i));
  if (atual >= 0 && ListIndex(lista) != atual) DefineListIndex(lista, atual);
}

std::string Item(HWND lista, int i) {
  const LRESULT n = SendMessageA(lista, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n == LB_ERR || n <= 0) return {};
  std::string texto(static_cast<size_t>(n) + 1, '\0');
  const LRESULT lidos = SendMessageA(lista, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texto.data()));
  texto.resize(lidos == LB_ERR ? 0 : static_cast<size_t>(lidos));
  return texto;
}

std::string Text(HWND lista) {
  const int i = ListIndex(lista);
  return i < 0 ? std::string() : Item(lista, i);
}

void AddItem(HWND lista, const std::string& texto) {
  SendMessageA(lista, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texto.c_str()));
}

void Clear(HWND lista) { SendMessageA(lista, LB_RESETCONTENT, 0, 0); }

int TickedCount(HWND lista) {
  const LRESULT n = SendMessageA(lista, LB_GETSELCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

int ProximaMarcada(HWND lista, int desde) {
  const int n = TickedCount(lista);
  if (n <= 0) return -1;
  std::vector<int> marcadas(static_cast<size_t>(n));
  const LRESULT lidas =
      SendMessageA(lista, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(marcadas.data()));
  const int ultima = ListCount(lista) - 1;
  for (LRESULT i = 0; i < lidas; ++i) {
    const int m = marcadas[static_cast<size_t>(i)];
    if (m >= desde && m < ultima) return m;  // the indices come in ascending order
  }
  return -1;
}

namespace {

bool EhListaMarcavel(HWND h) {
  char classe[16] = {};
  GetClassNameA(h, classe, sizeof classe);
  return lstrcmpiA(classe, "ListBox") == 0 &&
         (GetWindowLongPtrA(h, GWL_STYLE) & (LBS_OWNERDRAWFIXED | LBS_MULTIPLESEL)) ==
             (LBS_OWNERDRAWFIXED | LBS_MULTIPLESEL);
}

}  // namespace

bool Mede(MEASUREITEMSTRUCT& medida, HWND form) {
  if (medida.CtlType != ODT_LISTBOX) return false;
  // The list is being created: it cannot be asked for its font yet, so the entry is as tall as the
  // dialog font's line plus a little air for the box.
  const DcDaJanela dc(form);
  const Selecao fonte(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc.get(), &tm);
  medida.itemHeight = static_cast<UINT>(tm.tmHeight + 3);
  return true;
}

bool Desenha(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_LISTBOX || !EhListaMarcavel(item.hwndItem)) return false;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1)) {
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
  }
  const int altura = r.bottom - r.top;
  const int lado = altura - 4 > 13 ? 13 : altura - 4;
  RECT caixa{r.left + 2, r.top + (altura - lado) / 2, r.left + 2 + lado, r.top + (altura - lado) / 2 + lado};
  UINT estado = DFCS_BUTTONCHECK | DFCS_FLAT;
  if (item.itemState & ODS_SELECTED) estado |= DFCS_CHECKED;
  DrawFrameControl(dc, &caixa, DFC_BUTTON, estado);

  const std::string texto = Item(item.hwndItem, static_cast<int>(item.itemID));
  RECT t = r;
  t.left = caixa.right + 4;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(item.hwndItem) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  {
    const Selecao fonte(dc, reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0)));
    DrawTextA(dc, texto.c_str(), static_cast<int>(texto.size()), &t,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (item.itemState & ODS_FOCUS) {
    RECT foco = t;
    DrawTextA(dc, texto.c_str(), static_cast<int>(texto.size()), &foco,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    foco.top = r.top;
    foco.bottom = r.bottom;
    foco.left -= 1;
    foco.right += 1;
    DrawFocusRect(dc, &foco);
  }
  return true;
}

}  // namespace mercanota::lista
