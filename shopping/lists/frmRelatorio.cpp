#include "lists/frmRelatorio.h"

#include <list>
#include <memory>

namespace mercanota {
namespace {

HWND g_clienteMdi = nullptr;

// The report windows live until the user closes them, long after the builder that made them has
// returned; their objects are kept here and let go once their windows are gone.
std::list<std::unique_ptr<frmRelatorio>>& Relatorios() {
  static std::list<std::unique_ptr<frmRelatorio>> relatorios;
  return relatorios;
}

void EsqueceFechados() {
  Relatorios().remove_if([](const std::unique_ptr<frmRelatorio>& r) { return !r->Carregado(); });
}

}  // namespace

void frmRelatorio::DefineClienteMdi(HWND cliente) { g_clienteMdi = cliente; }

frmRelatorio* frmRelatorio::Novo(const std::string& texto) {
  EsqueceFechados();
  if (!g_clienteMdi) return nullptr;
  auto relatorio = std::make_unique<frmRelatorio>();
  if (!relatorio->Carrega()) return nullptr;
  // The edit control's limit is the length it keeps, whatever the list's size.
  SendMessageA(relatorio->txtTexto, EM_SETLIMITTEXT, texto.size() + 65536, 0);
  DefineTexto(relatorio->txtTexto, texto);
  relatorio->Mostra();
  SendMessageA(g_clienteMdi, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(relatorio->hWnd()), 0);
  SetFocus(relatorio->txtTexto);
  Relatorios().push_back(std::move(relatorio));
  return Relatorios().back().get();
}

frmRelatorio* frmRelatorio::DaJanela(HWND janela) { return dynamic_cast<frmRelatorio*>(Formulario::DaJanela(janela)); }

void frmRelatorio::FechaTodos() {
  for (auto& r : Relatorios()) r->Descarrega();
  Relatorios().clear();
}

Formulario::Projeto frmRelatorio::Desenho() const {
  Projeto p;
  p.legenda = "Lista de Compras";
  p.estilo = WS_CHILD | WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  p.larguraTwips = 11400;
  p.alturaTwips = 6000;
  p.centraliza = false;
  p.clienteMdi = g_clienteMdi;
  p.navegacaoPorTeclado = false;  // Tab, Enter and Esc belong to the text
  return p;
}

void frmRelatorio::CriaControles() {
  txtTexto = CriaControle(
      "EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
      kTxtTexto, 0, 0, 1000, 1000, nullptr, WS_EX_CLIENTEDGE);
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(10, GetDeviceCaps(DcDaJanela().get(), LOGPIXELSY), 72);
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynA(lf.lfFaceName, "Courier New", LF_FACESIZE);
  fonte_.reset(CreateFontIndirectA(&lf));
  SendMessageA(txtTexto, WM_SETFONT, reinterpret_cast<WPARAM>(fonte_.get()), TRUE);
  RECT r;
  GetClientRect(hWnd(), &r);
  Form_Resize(r.right, r.bottom);
}

void frmRelatorio::Form_Resize(int largura, int altura) {
  if (txtTexto) MoveWindow(txtTexto, 0, 0, largura, altura, TRUE);
}

LRESULT frmRelatorio::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      Form_Resize(LOWORD(lParam), HIWORD(lParam));
      break;  // the MDI child's default handling keeps its own state
    case WM_SETFOCUS:
      if (txtTexto) SetFocus(txtTexto);
      break;
    case WM_DESTROY: txtTexto = nullptr; break;
  }
  return Formulario::TrataMensagem(msg, wParam, lParam);
}

}  // namespace mercanota
