#include "forms/CaixaComMascara.h"

#include <memory>

#include "catalogue/MascaraDeEntrada.h"

namespace mercanota {
namespace {

const char kPropriedade[] = "MercanotaMascara";

struct Caixa {
  MascaraDeEntrada mascara;
  WNDPROC anterior;
};

Caixa* CaixaDe(HWND hwnd) { return static_cast<Caixa*>(GetPropA(hwnd, kPropriedade)); }

MascaraDeEntrada::Estado LeEstado(HWND hwnd, Caixa& c) {
  MascaraDeEntrada::Estado e;
  const int n = static_cast<int>(CallWindowProcA(c.anterior, hwnd, WM_GETTEXTLENGTH, 0, 0));
  e.texto.assign(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int lidos = static_cast<int>(
      CallWindowProcA(c.anterior, hwnd, WM_GETTEXT, e.texto.size(), reinterpret_cast<LPARAM>(e.texto.data())));
  e.texto.resize(static_cast<size_t>(lidos > 0 ? lidos : 0));
  DWORD inicio = 0, fim = 0;
  CallWindowProcA(c.anterior, hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&inicio), reinterpret_cast<LPARAM>(&fim));
  e.inicio = inicio;
  e.fim = fim;
  return e;
}

void EscreveEstado(HWND hwnd, Caixa& c, const MascaraDeEntrada::Estado& e) {
  // Only a real change goes to the control, so that its parent hears of changes and of nothing else.
  if (e.texto != LeEstado(hwnd, c).texto)
    CallWindowProcA(c.anterior, hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.texto.c_str()));
  CallWindowProcA(c.anterior, hwnd, EM_SETSEL, e.inicio, e.fim);
}

// Applies an edit of the mask to the control; a refused one beeps, as the control does at its limit.
template <typename Edicao>
void Edita(HWND hwnd, Caixa& c, Edicao edicao) {
  MascaraDeEntrada::Estado e = LeEstado(hwnd, c);
  const bool aceita = edicao(e);
  EscreveEstado(hwnd, c, e);
  if (!aceita) MessageBeep(MB_OK);
}

std::string TextoDaAreaDeTransferencia(HWND dono) {
  std::string texto;
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(dono)) return texto;
  if (HANDLE dados = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(dados))) {
      // The clipboard's text is only as long as its memory block, whatever its terminator.
      const SIZE_T limite = GlobalSize(dados);
      SIZE_T n = 0;
      while (n < limite && p[n] != '\0') ++n;
      texto.assign(p, n);
      GlobalUnlock(dados);
    }
  }
  CloseClipboard();
  return texto;
}

LRESULT CALLBACK ProcedimentoCaixa(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Caixa* c = CaixaDe(hwnd);
  if (!c) return DefWindowProcA(hwnd, msg, wParam, lParam);
  const MascaraDeEntrada& m = c->mascara;
  switch (msg) {
    case WM_CHAR: {
      const auto ch = static_cast<char>(wParam);
      if (wParam == VK_BACK) {
        Edita(hwnd, *c, [&](auto& e) { return m.Apaga(e); });
        return 0;
      }
      // Control characters (Ctrl+C, Ctrl+V, Ctrl+X, Tab, Enter ...) keep their meaning; the control turns
      // the clipboard ones into the messages handled below.
      if (wParam < 0x20 || wParam == 0x7F || wParam > 0xFF) break;
      Edita(hwnd, *c, [&](auto& e) { return m.Digita(e, ch); });
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_DELETE) {
        if (GetKeyState(VK_SHIFT) < 0) {
          SendMessageA(hwnd, WM_CUT, 0, 0);
        } else {
          Edita(hwnd, *c, [&](auto& e) { return m.Exclui(e); });
        }
        return 0;
      }
      if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0) {
        SendMessageA(hwnd, WM_PASTE, 0, 0);
        return 0;
      }
      break;
    case WM_PASTE: {
      const std::string texto = TextoDaAreaDeTransferencia(hwnd);
      Edita(hwnd, *c, [&](auto& e) { return m.Cola(e, texto); });
      return 0;
    }
    case EM_REPLACESEL: {
      const std::string texto = lParam ? reinterpret_cast<const char*>(lParam) : "";
      Edita(hwnd, *c, [&](auto& e) { return m.Cola(e, texto) || texto.empty(); });
      return 0;
    }
    case WM_CUT:
    case WM_CLEAR: {
      // Both act on the selection only.
      const MascaraDeEntrada::Estado antes = LeEstado(hwnd, *c);
      if (antes.inicio == antes.fim) return 0;
      if (msg == WM_CUT) CallWindowProcA(c->anterior, hwnd, WM_COPY, 0, 0);
      Edita(hwnd, *c, [&](auto& e) { return m.Exclui(e); });
      return 0;
    }
    case WM_UNDO:
    case EM_UNDO: return 0;
    case EM_CANUNDO: return FALSE;
    case WM_CONTEXTMENU: return 0;
    case WM_SETTEXT: {
      const std::string texto = m.Ajusta(lParam ? reinterpret_cast<const char*>(lParam) : "");
      return CallWindowProcA(c->anterior, hwnd, msg, wParam, reinterpret_cast<LPARAM>(texto.c_str()));
    }
    case WM_GETDLGCODE:
      // Tabbing into the box does not select its text: an empty box puts the caret on the first place to
      // type in (below); whoever owns the box decides about a filled one.
      return CallWindowProcA(c->anterior, hwnd, msg, wParam, lParam) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
    case WM_SETFOCUS: {
      const LRESULT r = CallWindowProcA(c->anterior, hwnd, msg, wParam, lParam);
      MascaraDeEntrada::Estado e = LeEstado(hwnd, *c);
      if (m.Vazia(e.texto) && e.inicio == e.fim) {
        const size_t campo = m.ProximoCampo(0);
        CallWindowProcA(c->anterior, hwnd, EM_SETSEL, campo, campo);
      }
      return r;
    }
    case WM_NCDESTROY: {
      const WNDPROC anterior = c->anterior;
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(anterior));
      RemovePropA(hwnd, kPropriedade);
      const std::unique_ptr<Caixa> fim(c);
      return CallWindowProcA(anterior, hwnd, msg, wParam, lParam);
    }
  }
  return CallWindowProcA(c->anterior, hwnd, msg, wParam, lParam);
}

}  // namespace

bool AplicaMascara(HWND edit, const std::string& mascara, char prompt) {
  if (!IsWindow(edit) || TemMascara(edit)) return IsWindow(edit) != FALSE;
  auto nova = std::make_unique<Caixa>(Caixa{MascaraDeEntrada(mascara, prompt), nullptr});
  if (!SetPropA(edit, kPropriedade, nova.get())) return false;
  // The box's window owns it from here; WM_NCDESTROY frees it.
  Caixa* c = nova.release();
  c->anterior =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProcedimentoCaixa)));
  SendMessageA(edit, EM_LIMITTEXT, mascara.size(), 0);
  SetWindowTextA(edit, c->mascara.Vazio().c_str());
  return true;
}

bool TemMascara(HWND janela) { return CaixaDe(janela) != nullptr; }

}  // namespace mercanota
