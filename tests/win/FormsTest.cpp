// The window infrastructure the forms of mercanota share: timed waits, modal showing, the input box,
// the hourglass and the pointer glide.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "forms/Formulario.h"
#include "forms/ModuloGlobal.h"
#include "forms/frmInputBox.h"
#include "app/frmPrincipal.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

// A small form with one button, for the tests.
class FormDeTeste : public Formulario {
public:
  HWND cmdOk = nullptr;
  int cliques = 0;
  std::vector<std::string> eventos;

protected:
  Projeto Desenho() const override {
    Projeto p;
    p.legenda = "Teste";
    p.larguraTwips = 3000;
    p.alturaTwips = 2000;
    return p;
  }
  void CriaControles() override { cmdOk = CriaBotaoFigura(100, Pictograma::kOk, 120, 120, 555, "Okay", nullptr); }
  bool Form_Load() override {
    eventos.push_back("Load");
    return true;
  }
  void Form_Unload() override { eventos.push_back("Unload"); }
  bool AoComando(int id, int, HWND) override {
    if (id != 100) return false;
    ++cliques;
    return true;
  }
};

TEST(Waits, ProcessEventsUntilTheClockHasRunTheTime) {
  AmbienteDeTeste ambiente;
  ambiente.relogio.passo = 0.1;
  FormDeTeste form;
  ASSERT_TRUE(form.Carrega());
  // A click posted during the wait is handled during the wait.
  int ticks = 0;
  ambiente.relogio.aoAvancar = [&](double) {
    if (++ticks == 3) PostMessageA(form.cmdOk, BM_CLICK, 0, 0);
  };
  const double antes = ambiente.relogio.agora;
  EXPECT_TRUE(EsperaSegundos(1.5));
  EXPECT_NEAR(ambiente.relogio.agora - antes, 1.5, 1e-9);
  EXPECT_EQ(form.cliques, 1);
  EXPECT_EQ(ticks, 15);
  EXPECT_TRUE(EsperaSegundos(0));  // a zero wait still processes events once
}

TEST(Waits, EndWhenTheProgramEnds) {
  AmbienteDeTeste ambiente;
  ambiente.relogio.aoAvancar = [&](double) { PostQuitMessage(7); };
  EXPECT_FALSE(EsperaSegundos(60));
  EXPECT_LT(ambiente.relogio.agora, 1001.0);
  // The end is left for the program's outer loop to see.
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

// A modal form keeps its owner disabled until it is unloaded, then gives it back.
TEST(Forms, ModalFormDisablesItsOwnerUntilUnloaded) {
  AmbienteDeTeste ambiente;
  FormDeTeste dono;
  ASSERT_TRUE(dono.Carrega());
  dono.Mostra();
  FormDeTeste modal;
  bool donoDesabilitado = false;
  bool modalVisivel = false;
  // The test acts from inside the modal loop through a timer.
  static FormDeTeste* alvo;
  static bool* desabilitado;
  static bool* visivel;
  static HWND donoJanela;
  alvo = &modal;
  desabilitado = &donoDesabilitado;
  visivel = &modalVisivel;
  donoJanela = dono.hWnd();
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    *desabilitado = !IsWindowEnabled(donoJanela);
    *visivel = IsWindowVisible(alvo->hWnd()) != FALSE;
    SendMessageA(alvo->cmdOk, BM_CLICK, 0, 0);
    SendMessageA(alvo->hWnd(), WM_CLOSE, 0, 0);
  });
  ASSERT_NE(timer, 0u);
  modal.MostraModal(dono.hWnd());
  EXPECT_TRUE(donoDesabilitado);
  EXPECT_TRUE(modalVisivel);
  EXPECT_EQ(modal.cliques, 1);
  EXPECT_FALSE(modal.Carregado());
  EXPECT_EQ(modal.eventos, (std::vector<std::string>{"Load", "Unload"}));
  EXPECT_TRUE(IsWindowEnabled(dono.hWnd()));
  // Loaded again, it starts afresh.
  ASSERT_TRUE(modal.Carrega(dono.hWnd()));
  EXPECT_EQ(modal.eventos, (std::vector<std::string>{"Load", "Unload", "Load"}));
  modal.Descarrega();
  dono.Descarrega();
}

TEST(Forms, ControlsArePlacedInTwipsAndFoundByIdentifier) {
  AmbienteDeTeste ambiente;
  FormDeTeste form;
  ASSERT_TRUE(form.Carrega());
  EXPECT_EQ(form.Controle(100), form.cmdOk);
  EXPECT_EQ(form.Controle(999), nullptr);
  RECT r;
  GetWindowRect(form.cmdOk, &r);
  MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, PixelsX(120));
  EXPECT_EQ(r.top, PixelsY(120));
  EXPECT_EQ(r.right - r.left, PixelsX(555));
  EXPECT_EQ(form.Dica(form.cmdOk), "Okay");
  GetWindowRect(form.hWnd(), &r);
  EXPECT_EQ(r.right - r.left, PixelsX(3000));
  EXPECT_EQ(r.bottom - r.top, PixelsY(2000));
}

// A child window of the main window's MDI client, as the list reports are.
class FilhaDeTeste : public Formulario {
public:
  HWND txtTexto = nullptr;

protected:
  Projeto Desenho() const override {
    Projeto p;
    p.legenda = "Lista de Compras";
    p.estilo = WS_OVERLAPPEDWINDOW | WS_CHILD;
    p.clienteMdi = Principal().ClienteMdi();
    return p;
  }
  void CriaControles() override {
    txtTexto = CriaControle("EDIT", "linha", ES_MULTILINE | ES_READONLY, 100, 0, 0, 3000, 2000);
  }
};

TEST(Forms, MdiChildFormsLiveInTheMainWindow) {
  AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo();
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  EXPECT_EQ(Principal().JanelaFilhaAtiva(), nullptr);
  {
    FilhaDeTeste filha;
    ASSERT_TRUE(filha.Carrega());
    filha.Mostra();
    teste::ProcessaPendentes();
    EXPECT_EQ(GetParent(filha.hWnd()), Principal().ClienteMdi());
    EXPECT_EQ(Principal().JanelaFilhaAtiva(), filha.hWnd());
    EXPECT_EQ(Formulario::DaJanela(filha.hWnd()), &filha);
    // The close box unloads it like any form.
    SendMessageA(filha.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(filha.Carregado());
    EXPECT_EQ(Principal().JanelaFilhaAtiva(), nullptr);
    ASSERT_TRUE(filha.Carrega());
  }
  // A form that goes away takes its window with it.
  EXPECT_EQ(Principal().JanelaFilhaAtiva(), nullptr);
}

// A report-like MDI child: its multi-line text takes Tab and Enter as text, and Esc does not close it.
class FilhaComTexto : public FilhaDeTeste {
protected:
  void CriaControles() override {
    txtTexto = CriaControle("EDIT", "", ES_MULTILINE | ES_WANTRETURN | WS_TABSTOP, 100, 0, 0, 3000, 2000);
  }
};

TEST(Forms, MdiChildTextKeepsTabEnterAndEsc) {
  AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo();
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  FilhaComTexto filha;
  ASSERT_TRUE(filha.Carrega());
  filha.Mostra();
  SetFocus(filha.txtTexto);
  teste::ProcessaPendentes();
  // Each key down is translated into its character by the program's pump.
  for (WPARAM tecla : {WPARAM{'A'}, WPARAM{VK_TAB}, WPARAM{VK_RETURN}, WPARAM{'B'}}) {
    PostMessageA(filha.txtTexto, WM_KEYDOWN, tecla, 1);
    teste::ProcessaPendentes();
  }
  PostMessageA(filha.txtTexto, WM_KEYDOWN, VK_ESCAPE, 1);
  teste::ProcessaPendentes();
  EXPECT_EQ(TextoDe(filha.txtTexto), "a\t\r\nb");
  EXPECT_TRUE(filha.Carregado());
  EXPECT_EQ(GetFocus(), filha.txtTexto);
}

// The system's input box: the typed text for OK, nothing for Cancel and for the close box.
TEST(Forms, InputBoxAnswersTypedTextOrNothing) {
  struct Caso {
    const char* digitado;
    int acao;  // IDOK, IDCANCEL or 0 for the close box
    const char* resposta;
  };
  const Caso casos[] = {
      {"Feira do m\xEAs", IDOK, "Feira do m\xEAs"},
      {"Feira", IDCANCEL, ""},
      {"Feira", 0, ""},
      {nullptr, IDOK, "Lista 1"},  // untouched: the default text
  };
  for (const Caso& c : casos) {
    static const Caso* atual;
    static frmInputBox* caixa;
    frmInputBox box("Informe o nome para salvar esta lista:", "Salvando...", "Lista 1");
    atual = &c;
    caixa = &box;
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      if (atual->digitado) SetWindowTextA(caixa->txtResposta, atual->digitado);
      if (atual->acao == 0) {
        SendMessageA(caixa->hWnd(), WM_CLOSE, 0, 0);
      } else {
        SendMessageA(atual->acao == IDOK ? caixa->cmdOk : caixa->cmdCancelar, BM_CLICK, 0, 0);
      }
    });
    box.MostraModal(nullptr);
    EXPECT_EQ(box.Resposta(), c.resposta) << (c.digitado ? c.digitado : "(default)") << " " << c.acao;
    EXPECT_FALSE(box.Carregado());
  }
}

TEST(Forms, HourglassLastsItsScope) {
  AmbienteDeTeste ambiente;
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  {
    ComAmpulheta ampulheta;
    EXPECT_EQ(PonteiroAtual(), Ponteiro::kAmpulheta);
  }
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
}

// Where the pointer is once the system has caught up (under Wine the position read back lags a moment
// behind the last move).
POINT PonteiroEm(POINT esperado) {
  POINT p{};
  for (int i = 0; i < 50; ++i) {
    GetCursorPos(&p);
    if (p.x == esperado.x && p.y == esperado.y) break;
    Sleep(20);
  }
  return p;
}

TEST(ModuloGlobal, MoveCursorParaGlidesToThePoint) {
  AmbienteDeTeste ambiente;
  SetCursorPos(200, 150);
  PonteiroEm({200, 150});
  ModuloGlobal::MoveCursorPara(260, 130);
  POINT p = PonteiroEm({260, 130});
  EXPECT_EQ(p.x, 260);
  EXPECT_EQ(p.y, 130);
  ModuloGlobal::MoveCursorPara(260, 130);
  p = PonteiroEm({260, 130});
  EXPECT_EQ(p.x, 260);
  EXPECT_EQ(p.y, 130);
}

}  // namespace
