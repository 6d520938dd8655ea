#pragma once
// The base of every window of the program: a class that owns a top-level window and its controls, laid
// out in twips as the windows were designed, with handlers named after their controls and events.
//
// A form goes through the same steps as the windows it models: Carrega creates the window and its
// controls hidden and runs Form_Load (a caller may then fill controls before showing it); Mostra shows it;
// MostraModal shows it over its owner, which stays disabled until the form is unloaded, and returns only
// then; Descarrega (or the close box, after Form_QueryUnload agrees) runs Form_Unload and destroys it.
// The C++ object outlives its window and may be loaded again.
//
// Controls:
//   CriaControle     any window class (edit, list box, combo box, button, ...)
//   CriaRotulo       a label (static text)
//   CriaPainel       a 3-D panel: colour, bevel, caption; it may hold controls of its own
//   CriaFigura       a picture (one of the Pictograma drawings)
//   CriaBotaoFigura  a square picture button with a tool tip (Enter presses it when it has the focus)
//   CriaCaixaComMascara  an edit control that keeps to a mask, "##/##/####" with prompt "_" for dates
// Panels pass their children's notifications up, so every handler of a form sees WM_COMMAND from every
// control wherever it sits.
#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "forms/GuardasGdi.h"
#include "forms/Painel.h"
#include "forms/Pictogramas.h"

namespace mercanota {

// Layout units: 1440 twips to the logical inch, 15 twips to the pixel on a 96-dpi screen.
int TwipsPorPixelX();
int TwipsPorPixelY();
int PixelsX(int twips);
int PixelsY(int twips);

// The text of a window or control, and setting it.
std::string TextoDe(HWND janela);
void DefineTexto(HWND janela, const std::string& texto);

// A row of a form's command table: a control or menu item, the notification that runs its handler
// (kQualquerNotificacao: every one) and the handler.
template <typename F>
struct Comando {
  int id;
  int notificacao;
  void (F::*acao)();
};
constexpr int kQualquerNotificacao = -1;

// Runs the handler that `tabela` gives `id` and `notificacao`. True when the table knows the identifier,
// so that a notification without a handler goes no further either.
template <typename F, size_t N>
bool DespachaComando(F& form, const Comando<F> (&tabela)[N], int id, int notificacao) {
  for (const Comando<F>& c : tabela) {
    if (c.id != id) continue;
    if (c.notificacao == kQualquerNotificacao || c.notificacao == notificacao) (form.*c.acao)();
    return true;
  }
  return false;
}

class Formulario {
public:
  virtual ~Formulario();
  Formulario(const Formulario&) = delete;
  Formulario& operator=(const Formulario&) = delete;

  // Creates the window hidden and runs Form_Load. False when the window could not be created or
  // Form_Load refused (the window is then gone).
  bool Carrega(HWND dono = nullptr);
  void Mostra();
  void MostraModal(HWND dono = nullptr);
  // Takes input from the owner now, as the modal showing does, until the form is unloaded: for work a form
  // does inside its loading, before the modal showing would take it (the guided tour's scripts).
  void DesabilitaDono();
  // Unload: Form_Unload, then the window and its controls go; the owner of a modal form is enabled again.
  void Descarrega();

  bool Carregado() const { return hwnd_ != nullptr; }
  bool Modal() const { return modal_; }
  HWND hWnd() const { return hwnd_; }
  // A control of this form by its identifier, wherever it sits.
  HWND Controle(int id) const;
  // The tool tip text of a control ("" when it has none).
  std::string Dica(HWND controle) const;

  // The form that owns a top-level (or MDI child) window, or null.
  static Formulario* DaJanela(HWND janela);

  // Gets every message meant for this form or its controls before it is dispatched: menu shortcuts,
  // the form's own key preview (VisualizaTecla) and keyboard navigation between controls. True when used.
  virtual bool PreTraduzMensagem(MSG& msg);

protected:
  struct Projeto {
    std::string legenda;
    DWORD estilo = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    DWORD estiloEstendido = 0;
    int larguraTwips = 4800;  // outer size, frame included (unless areaCliente)
    int alturaTwips = 3600;
    bool areaCliente = false;  // the size is the client area's, and the frame comes on top of it
    bool centraliza = true;    // over the owner, or on the screen
    COLORREF fundo = GetSysColor(COLOR_BTNFACE);
    bool navegacaoPorTeclado = true;  // Tab, arrows, Enter and Esc between controls
    HWND clienteMdi = nullptr;        // set for a child window of the main window's MDI client
    bool maximizada = false;          // shown maximized the first time
  };

  Formulario() = default;

  virtual Projeto Desenho() const = 0;
  virtual void CriaControles() {}
  virtual bool Form_Load() { return true; }
  // False keeps the window open when its close box is used.
  virtual bool Form_QueryUnload() { return true; }
  virtual void Form_Unload() {}
  // WM_COMMAND from a control, a menu or a shortcut; false passes it on to ProcessamentoPadrao.
  virtual bool AoComando(int /*id*/, int /*notificacao*/, HWND /*controle*/) { return false; }
  // Key preview of WM_KEYDOWN, WM_KEYUP and WM_CHAR and their system-key forms (keys pressed with Alt):
  // true when the key was used up and must not reach the control.
  virtual bool VisualizaTecla(MSG& /*msg*/) { return false; }
  // Every message of the window; the default handles the form's own needs and passes the rest on.
  virtual LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam);
  // What an unhandled message gets (DefWindowProcA; an MDI frame uses DefFrameProcA).
  virtual LRESULT ProcessamentoPadrao(UINT msg, WPARAM wParam, LPARAM lParam);
  // The MDI client of a frame, for the MDI system keys; null for other forms.
  virtual HWND ClienteMdi() const { return nullptr; }

  // Controls; positions and sizes in twips within `pai` (the form when null).
  HWND CriaControle(const char* classe, const char* texto, DWORD estilo, int id, int esquerda, int topo, int largura,
                    int altura, HWND pai = nullptr, DWORD estiloEstendido = 0);
  HWND CriaRotulo(int id, const char* texto, int esquerda, int topo, int largura, int altura, HWND pai = nullptr,
                  DWORD alinhamento = SS_LEFT);
  HWND CriaPainel(int id, const char* legenda, int esquerda, int topo, int largura, int altura,
                  Chanfro chanfro = Chanfro::kElevado, HWND pai = nullptr);
  HWND CriaFigura(int id, Pictograma figura, int esquerda, int topo, int largura, int altura, HWND pai = nullptr);
  HWND CriaBotaoFigura(int id, Pictograma figura, int esquerda, int topo, int lado, const char* dica,
                       HWND pai = nullptr);
  HWND CriaCaixaComMascara(int id, const char* mascara, char prompt, int esquerda, int topo, int largura, int altura,
                           HWND pai = nullptr);

  void DefineDica(HWND controle, const char* texto);
  // Colours of a label or panel.
  void DefineCores(HWND controle, COLORREF texto, COLORREF fundo);
  void DefineFonte(HWND controle, const char* face, int pontos, bool negrito = false, bool italico = false);
  // Panels: how the caption sits (DT_CENTER, DT_LEFT, DT_RIGHT; multi-line with DT_WORDBREAK).
  void DefineAlinhamento(HWND painel, UINT formato);
  void DefineAceleradores(HACCEL aceleradores) { aceleradores_ = aceleradores; }

private:
  struct Cores {
    COLORREF texto;
    COLORREF fundo;
    ObjetoGdi<HBRUSH> pincel;
  };

  static LRESULT CALLBACK ProcedimentoJanela(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CoresDoControle(HDC dc, HWND controle);
  bool DesenhaItem(const DRAWITEMSTRUCT& item);
  void LiberaRecursos();
  void DestroiJanela();

  HWND hwnd_ = nullptr;
  bool filhaMdi_ = false;
  bool maximizar_ = false;
  HWND dicas_ = nullptr;
  HWND donoDesabilitado_ = nullptr;
  HWND foco_ = nullptr;  // the control to give the focus back to
  bool modal_ = false;
  bool descarregando_ = false;
  bool navegacao_ = true;
  ObjetoGdi<HBRUSH> fundo_;
  HACCEL aceleradores_ = nullptr;
  std::unordered_map<HWND, Cores> cores_;
  std::unordered_map<HWND, Pictograma> botoes_;
  std::unordered_map<HWND, std::string> textosDasDicas_;
  std::vector<ObjetoGdi<HFONT>> fontes_;
};

}  // namespace mercanota
