#include "forms/Formulario.h"

#include <commctrl.h>

#include "forms/CaixaComMascara.h"
#include "forms/Eventos.h"

namespace mercanota {
namespace {

const char kClasseFormulario[] = "MercanotaFormulario";

int PontosPorPolegada(int indice) {
  static const int x = [] {
    const int v = GetDeviceCaps(DcDaJanela().get(), LOGPIXELSX);
    return v > 0 ? v : 96;
  }();
  static const int y = [] {
    const int v = GetDeviceCaps(DcDaJanela().get(), LOGPIXELSY);
    return v > 0 ? v : 96;
  }();
  return indice == LOGPIXELSX ? x : y;
}

void RegistraClasses(WNDPROC procedimentoFormulario) {
  static bool registradas = false;
  if (registradas) return;
  registradas = true;

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedimentoFormulario;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hIcon = IconeDoPrograma(32);
  wc.hIconSm = IconeDoPrograma(16);
  wc.lpszClassName = kClasseFormulario;
  RegisterClassExA(&wc);
  ClasseDoPainel();
}

BOOL CALLBACK ProcuraPorId(HWND hwnd, LPARAM lParam) {
  auto* busca = reinterpret_cast<std::pair<int, HWND>*>(lParam);
  if (GetDlgCtrlID(hwnd) != busca->first) return TRUE;
  busca->second = hwnd;
  return FALSE;
}

TTTOOLINFOA InfoDaDica(HWND dono, HWND controle) {
  TTTOOLINFOA ti{};
  // The size the oldest common controls accept; the newer fields are not needed.
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = dono;
  ti.uId = reinterpret_cast<UINT_PTR>(controle);
  return ti;
}

}  // namespace

int TwipsPorPixelX() { return 1440 / PontosPorPolegada(LOGPIXELSX); }
int TwipsPorPixelY() { return 1440 / PontosPorPolegada(LOGPIXELSY); }
int PixelsX(int twips) { return MulDiv(twips, PontosPorPolegada(LOGPIXELSX), 1440); }
int PixelsY(int twips) { return MulDiv(twips, PontosPorPolegada(LOGPIXELSY), 1440); }

std::string TextoDe(HWND janela) {
  const int n = GetWindowTextLengthA(janela);
  if (n <= 0) return {};
  std::string texto(static_cast<size_t>(n) + 1, '\0');
  const int lidos = GetWindowTextA(janela, texto.data(), n + 1);
  texto.resize(static_cast<size_t>(lidos > 0 ? lidos : 0));
  return texto;
}

void DefineTexto(HWND janela, const std::string& texto) { SetWindowTextA(janela, texto.c_str()); }

Formulario::~Formulario() {
  if (hwnd_) {
    if (donoDesabilitado_) EnableWindow(donoDesabilitado_, TRUE);
    DestroiJanela();
  }
}

void Formulario::DestroiJanela() {
  // An MDI child is destroyed through its client, which otherwise keeps it as its active child.
  if (filhaMdi_) {
    SendMessageA(GetParent(hwnd_), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd_), 0);
  } else {
    DestroyWindow(hwnd_);
  }
}

Formulario* Formulario::DaJanela(HWND janela) {
  if (!janela) return nullptr;
  char classe[32] = {};
  GetClassNameA(janela, classe, sizeof classe);
  if (lstrcmpA(classe, kClasseFormulario) != 0) return nullptr;
  return reinterpret_cast<Formulario*>(GetWindowLongPtrA(janela, GWLP_USERDATA));
}

bool Formulario::Carrega(HWND dono) {
  if (hwnd_) return true;
  RegistraClasses(ProcedimentoJanela);
  const Projeto p = Desenho();
  navegacao_ = p.navegacaoPorTeclado;
  fundo_.reset(CreateSolidBrush(p.fundo));
  filhaMdi_ = p.clienteMdi != nullptr;
  maximizar_ = p.maximizada;

  int largura = PixelsX(p.larguraTwips);
  int altura = PixelsY(p.alturaTwips);
  if (p.areaCliente) {
    RECT r{0, 0, largura, altura};
    AdjustWindowRectEx(&r, p.estilo, FALSE, p.estiloEstendido);
    largura = r.right - r.left;
    altura = r.bottom - r.top;
  }
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (p.centraliza && !filhaMdi_) {
    RECT area;
    if (!dono || !GetWindowRect(dono, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    x = area.left + (area.right - area.left - largura) / 2;
    y = area.top + (area.bottom - area.top - altura) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  }
  if (filhaMdi_) {
    // An MDI child gets its creation parameter through the MDICREATESTRUCT the client makes.
    CreateWindowExA(p.estiloEstendido | WS_EX_MDICHILD, kClasseFormulario, p.legenda.c_str(), p.estilo & ~WS_VISIBLE, x,
                    y, largura, altura, p.clienteMdi, nullptr, GetModuleHandleA(nullptr), this);
  } else {
    CreateWindowExA(p.estiloEstendido, kClasseFormulario, p.legenda.c_str(), p.estilo & ~WS_VISIBLE, x, y, largura,
                    altura, dono, nullptr, GetModuleHandleA(nullptr), this);
  }
  if (!hwnd_) {
    LiberaRecursos();
    return false;
  }
  CriaControles();
  if (!Form_Load()) {
    if (hwnd_) DestroiJanela();
    return false;
  }
  return hwnd_ != nullptr;
}

void Formulario::Mostra() {
  if (!hwnd_ && !Carrega()) return;
  if (!hwnd_) return;
  ShowWindow(hwnd_, maximizar_ ? SW_SHOWMAXIMIZED : SW_SHOW);
  maximizar_ = false;
  UpdateWindow(hwnd_);
}

void Formulario::MostraModal(HWND dono) {
  if (!hwnd_ && !Carrega(dono ? dono : GetActiveWindow())) return;
  if (!hwnd_) return;  // Form_Load may have unloaded it
  DesabilitaDono();
  modal_ = true;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);

  MSG msg;
  while (hwnd_) {
    const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
      // The program is ending: leave the window to the outer loops' end and let them see WM_QUIT too.
      PostQuitMessage(r == 0 ? static_cast<int>(msg.wParam) : 1);
      Descarrega();
      break;
    }
    DespachaMensagem(msg);
  }
  modal_ = false;
}

void Formulario::DesabilitaDono() {
  HWND proprietario = hwnd_ ? GetWindow(hwnd_, GW_OWNER) : nullptr;
  if (proprietario && IsWindowEnabled(proprietario)) {
    EnableWindow(proprietario, FALSE);
    donoDesabilitado_ = proprietario;
  }
}

void Formulario::Descarrega() {
  if (!hwnd_ || descarregando_) return;
  descarregando_ = true;
  Form_Unload();
  // The owner comes back before the window goes, so that activation returns to it and not to another
  // program.
  if (donoDesabilitado_) {
    EnableWindow(donoDesabilitado_, TRUE);
    donoDesabilitado_ = nullptr;
  }
  if (hwnd_) DestroiJanela();
  descarregando_ = false;
}

HWND Formulario::Controle(int id) const {
  std::pair<int, HWND> busca{id, nullptr};
  if (hwnd_) EnumChildWindows(hwnd_, ProcuraPorId, reinterpret_cast<LPARAM>(&busca));
  return busca.second;
}

std::string Formulario::Dica(HWND controle) const {
  if (!dicas_) return {};
  // The tool tip control's own getters copy at most 80 characters, and some tips are longer: the text is
  // read from the form's copy, once the control confirms it has the tool.
  char curto[90] = {};
  TTTOOLINFOA ti = InfoDaDica(hwnd_, controle);
  ti.lpszText = curto;
  if (!SendMessageA(dicas_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti))) return {};
  const auto it = textosDasDicas_.find(controle);
  return it == textosDasDicas_.end() ? std::string() : it->second;
}

bool Formulario::PreTraduzMensagem(MSG& msg) {
  if (!hwnd_) return false;
  if (aceleradores_ && IsWindowEnabled(hwnd_) && TranslateAcceleratorA(hwnd_, aceleradores_, &msg)) return true;
  if (HWND cliente = ClienteMdi(); cliente && TranslateMDISysAccel(cliente, &msg)) return true;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      if (VisualizaTecla(msg)) return true;
      break;
  }
  // Enter presses the picture button that has the focus, as it would a push button; the dialog keys would
  // otherwise give it to the form's OK command whichever button it was.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && botoes_.count(msg.hwnd) && IsWindowEnabled(msg.hwnd)) {
    SendMessageA(msg.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  // The controls of an MDI child (a report's multi-line text, say) keep Tab, Enter and Esc: the frame's
  // navigation is for the frame's own controls.
  if (HWND cliente = ClienteMdi(); cliente && (msg.hwnd == cliente || IsChild(cliente, msg.hwnd))) return false;
  return navegacao_ && !filhaMdi_ && IsDialogMessageA(hwnd_, &msg);
}

LRESULT CALLBACK Formulario::ProcedimentoJanela(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Formulario* form;
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    form = (cs->dwExStyle & WS_EX_MDICHILD)
               ? reinterpret_cast<Formulario*>(reinterpret_cast<MDICREATESTRUCTA*>(cs->lpCreateParams)->lParam)
               : static_cast<Formulario*>(cs->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<Formulario*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!form) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT r = form->ProcessamentoPadrao(msg, wParam, lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    form->dicas_ = nullptr;
    form->LiberaRecursos();
    return r;
  }
  return form->TrataMensagem(msg, wParam, lParam);
}

LRESULT Formulario::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (AoComando(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return 0;
      break;
    case WM_CLOSE:
      if (Form_QueryUnload()) Descarrega();
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when the form is active again, the
      // first control in tab order the first time. An MDI frame leaves the focus to its active child.
      if (ClienteMdi() || filhaMdi_) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND foco = GetFocus();
        if (foco && IsChild(hwnd_, foco)) foco_ = foco;
      } else {
        if (!foco_ || !IsWindow(foco_) || !IsChild(hwnd_, foco_)) foco_ = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        if (foco_) {
          SetFocus(foco_);
          return 0;
        }
      }
      break;
    case WM_SETCURSOR:
      if (PonteiroAtual() == Ponteiro::kAmpulheta) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd_, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, fundo_.get());
      return 1;
    }
    case WM_DRAWITEM:
      if (DesenhaItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (const LRESULT pincel = CoresDoControle(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
        return pincel;
      break;
  }
  return ProcessamentoPadrao(msg, wParam, lParam);
}

LRESULT Formulario::ProcessamentoPadrao(UINT msg, WPARAM wParam, LPARAM lParam) {
  return filhaMdi_ ? DefMDIChildProcA(hwnd_, msg, wParam, lParam) : DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT Formulario::CoresDoControle(HDC dc, HWND controle) {
  if (auto it = cores_.find(controle); it != cores_.end()) {
    SetTextColor(dc, it->second.texto);
    SetBkColor(dc, it->second.fundo);
    return reinterpret_cast<LRESULT>(it->second.pincel.get());
  }
  // A label takes the colour of the panel or form it sits on.
  HWND pai = GetParent(controle);
  if (Painel* p = PainelDe(pai)) {
    SetBkColor(dc, p->fundo);
    return reinterpret_cast<LRESULT>(p->pincel.get());
  }
  if (pai == hwnd_) {
    LOGBRUSH lb{};
    GetObjectA(fundo_.get(), sizeof lb, &lb);
    SetBkColor(dc, lb.lbColor);
    return reinterpret_cast<LRESULT>(fundo_.get());
  }
  return 0;
}

bool Formulario::DesenhaItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  const auto it = botoes_.find(item.hwndItem);
  if (it == botoes_.end()) return false;
  RECT r = item.rcItem;
  const bool pressionado = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressionado ? DFCS_PUSHED : 0));
  RECT figura = r;
  InflateRect(&figura, -5, -5);
  if (pressionado) OffsetRect(&figura, 1, 1);
  DesenhaPictograma(item.hDC, figura, it->second, (item.itemState & ODS_DISABLED) == 0);
  if (item.itemState & ODS_FOCUS) {
    RECT foco = r;
    InflateRect(&foco, -3, -3);
    DrawFocusRect(item.hDC, &foco);
  }
  return true;
}

HWND Formulario::CriaControle(const char* classe, const char* texto, DWORD estilo, int id, int esquerda, int topo,
                              int largura, int altura, HWND pai, DWORD estiloEstendido) {
  HWND h = CreateWindowExA(estiloEstendido, classe, texto, estilo | WS_CHILD | WS_VISIBLE, PixelsX(esquerda),
                           PixelsY(topo), PixelsX(largura), PixelsY(altura), pai ? pai : hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (h) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return h;
}

HWND Formulario::CriaRotulo(int id, const char* texto, int esquerda, int topo, int largura, int altura, HWND pai,
                            DWORD alinhamento) {
  return CriaControle("STATIC", texto, alinhamento | SS_NOPREFIX, id, esquerda, topo, largura, altura, pai);
}

HWND Formulario::CriaPainel(int id, const char* legenda, int esquerda, int topo, int largura, int altura,
                            Chanfro chanfro, HWND pai) {
  HWND h = CriaControle(ClasseDoPainel(), legenda, WS_CLIPSIBLINGS, id, esquerda, topo, largura, altura, pai,
                        WS_EX_CONTROLPARENT);
  if (Painel* p = h ? PainelDe(h) : nullptr) p->chanfro = chanfro;
  return h;
}

HWND Formulario::CriaFigura(int id, Pictograma figura, int esquerda, int topo, int largura, int altura, HWND pai) {
  HWND h = CriaPainel(id, "", esquerda, topo, largura, altura, Chanfro::kNenhum, pai);
  Painel* p = h ? PainelDe(h) : nullptr;
  if (!p) return h;
  p->figura = figura;
  // A picture has no background of its own: it shows what it sits on.
  LOGBRUSH lb{};
  if (const Painel* sob = PainelDe(GetParent(h))) {
    lb.lbColor = sob->fundo;
  } else {
    GetObjectA(fundo_.get(), sizeof lb, &lb);
  }
  DefineCores(h, p->texto, lb.lbColor);
  return h;
}

HWND Formulario::CriaBotaoFigura(int id, Pictograma figura, int esquerda, int topo, int lado, const char* dica,
                                 HWND pai) {
  HWND h = CriaControle("BUTTON", "", BS_OWNERDRAW | WS_TABSTOP, id, esquerda, topo, lado, lado, pai);
  if (!h) return nullptr;
  botoes_[h] = figura;
  if (dica) DefineDica(h, dica);
  return h;
}

HWND Formulario::CriaCaixaComMascara(int id, const char* mascara, char prompt, int esquerda, int topo, int largura,
                                     int altura, HWND pai) {
  HWND h =
      CriaControle("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, id, esquerda, topo, largura, altura, pai, WS_EX_CLIENTEDGE);
  if (h) AplicaMascara(h, mascara, prompt);
  return h;
}

void Formulario::DefineDica(HWND controle, const char* texto) {
  // Made with the first tip only: a topmost tool tip window owned by a form keeps Wine from making that
  // form topmost (the splash window must be).
  if (!dicas_) {
    dicas_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!dicas_) return;
    SendMessageA(dicas_, TTM_SETMAXTIPWIDTH, 0, 320);
  }
  TTTOOLINFOA ti = InfoDaDica(hwnd_, controle);
  SendMessageA(dicas_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  ti.lpszText = const_cast<char*>(texto);
  SendMessageA(dicas_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  textosDasDicas_[controle] = texto;
}

void Formulario::DefineCores(HWND controle, COLORREF texto, COLORREF fundo) {
  if (Painel* p = PainelDe(controle)) {
    p->DefineCores(texto, fundo);
  } else {
    cores_[controle] = Cores{texto, fundo, ObjetoGdi<HBRUSH>(CreateSolidBrush(fundo))};
  }
  InvalidateRect(controle, nullptr, TRUE);
}

void Formulario::DefineFonte(HWND controle, const char* face, int pontos, bool negrito, bool italico) {
  ObjetoGdi<HFONT> fonte(CreateFontA(
      -MulDiv(pontos, PontosPorPolegada(LOGPIXELSY), 72), 0, 0, 0, negrito ? FW_BOLD : FW_NORMAL, italico, FALSE, FALSE,
      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face));
  if (!fonte) return;
  SendMessageA(controle, WM_SETFONT, reinterpret_cast<WPARAM>(fonte.get()), TRUE);
  // Kept until the form's window is gone: the control draws with it until then.
  fontes_.push_back(std::move(fonte));
}

void Formulario::DefineAlinhamento(HWND painel, UINT formato) {
  if (Painel* p = PainelDe(painel)) {
    p->formato = formato;
    InvalidateRect(painel, nullptr, TRUE);
  }
}

void Formulario::LiberaRecursos() {
  cores_.clear();
  botoes_.clear();
  textosDasDicas_.clear();
  fontes_.clear();
  fundo_.reset();
  // A modal form destroyed from outside (its owner's end, say) must not leave its owner disabled.
  if (donoDesabilitado_ && IsWindow(donoDesabilitado_)) EnableWindow(donoDesabilitado_, TRUE);
  donoDesabilitado_ = nullptr;
  foco_ = nullptr;
}

}  // namespace mercanota
