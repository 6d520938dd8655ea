// mercanota's main window driven in this process: its commands, menu, shortcuts and toolbar.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "forms/Formulario.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Statements.h"
#include "app/frmPrincipal.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kCatalogoVazio[] =
    "Imposs\xEDvel prosseguir. Para que este bot\xE3o tenha fun\xE7\xE3o voc\xEA deve primeiro salvar um produto na "
    "lista de produtos.";

class MainWindow : public testing::Test {
protected:
  void Abre(bool comProdutos) {
    if (comProdutos) {
      ambiente_.CriaCatalogo({{"Arroz", "Vale Verde", "5 kg", "22,45"}});
    } else {
      ambiente_.CriaCatalogo();
    }
    ASSERT_TRUE(Principal().Carrega());
    Principal().Mostra();
    teste::ProcessaPendentes();
  }

  HWND Janela() { return Principal().hWnd(); }

  // Presses a key (with Ctrl and Shift as given) on the main window, through the program's pump.
  void Tecla(UINT tecla, bool ctrl = false, bool shift = false) {
    BYTE estado[256];
    GetKeyboardState(estado);
    BYTE antes[256];
    CopyMemory(antes, estado, sizeof estado);
    estado[VK_CONTROL] = ctrl ? 0x80 : 0;
    estado[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(estado);
    PostMessageA(Janela(), WM_KEYDOWN, tecla, 1);
    teste::ProcessaPendentes();
    PostMessageA(Janela(), WM_KEYUP, tecla, 0xC0000001);
    teste::ProcessaPendentes();
    SetKeyboardState(antes);
  }

  void Comando(int id) {
    PostMessageA(Janela(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    teste::ProcessaPendentes();
  }

  std::vector<std::string> Textos() { return ambiente_.dialogos.TomaTextos(); }

  AmbienteDeTeste ambiente_;
};

TEST_F(MainWindow, ExitQuestionNoChangesNothingYesClosesTheCatalogueAndEnds) {
  Abre(true);
  ambiente_.dialogos.Responde(IDNO);
  Principal().cmdSair_Click();
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  const auto m = ambiente_.dialogos.mostrados[0];
  EXPECT_EQ(m.texto,
            "Confirma Sa\xED"
            "da do Programa?");
  EXPECT_EQ(m.titulo, "Finalizando...");
  EXPECT_EQ(m.estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));  // Yes is the default
  EXPECT_TRUE(ambiente_.encerramentos.empty());
  EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.IsOpen());
  EXPECT_TRUE(Principal().Carregado());

  // The menu's Sair asks the same question; Yes closes the catalogue and ends the program.
  ambiente_.dialogos.Responde(IDYES);
  Comando(frmPrincipal::kMnuSair);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 2u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[1].texto, m.texto);
  EXPECT_EQ(ambiente_.encerramentos, std::vector<int>{0});
  EXPECT_FALSE(ModuloGlobal::CatalogueDatabase.IsOpen());
}

TEST_F(MainWindow, CloseBoxEndsWithoutAQuestion) {
  Abre(true);
  SendMessageA(Janela(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(ambiente_.dialogos.mostrados.empty());
  EXPECT_FALSE(Principal().Carregado());
  EXPECT_FALSE(ModuloGlobal::CatalogueDatabase.IsOpen());
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program's loop must end";
  EXPECT_EQ(quit.wParam, 0u);
}

// The query window and the list generator are refused over an empty catalogue, from the toolbar, the
// menu and the shortcut keys alike; registration is not. With a product they go through.
TEST_F(MainWindow, EmptyCatalogueRefusesQueryAndGeneratorButNotRegistration) {
  Abre(false);
  Principal().cmdConsultar_Click();
  Principal().cmdGeraListaCompras_Click();
  Comando(frmPrincipal::kMnuVisualizaAltera);
  Comando(frmPrincipal::kMnuMontarManualmente);
  Tecla('A', true);
  Tecla(VK_F4);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 6u);
  for (const auto& m : ambiente_.dialogos.mostrados) {
    EXPECT_EQ(m.texto, kCatalogoVazio);
    EXPECT_EQ(m.titulo, "Erro:");
    EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
  ambiente_.dialogos.mostrados.clear();

  // Each opening of the registration window is closed by its cancel button (no name: no question).
  int cadastros = 0;
  for (int i = 0; i < 3; ++i) {
    ambiente_.AoAbrir("Cadastro de Produtos", [&](Formulario& f) {
      ++cadastros;
      EXPECT_TRUE(f.Modal());
      EXPECT_FALSE(IsWindowEnabled(Janela()));
      EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao) << "the registration window sets the default pointer";
      SendMessageA(f.Controle(IDCANCEL), BM_CLICK, 0, 0);
    });
  }
  Principal().cmdCadastrarProdutos_Click();
  Comando(frmPrincipal::kMnuCadastrarNovo);
  Tecla('N', true);
  EXPECT_EQ(cadastros, 3);
  EXPECT_TRUE(Textos().empty());
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_TRUE(IsWindowEnabled(Janela()));

  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(sql::InsertProduct("Arroz", "a", "b", "01/03/2025", "1")));
  int consultas = 0;
  for (int i = 0; i < 2; ++i) {
    ambiente_.AoAbrir("Consulta de Produtos", [&](Formulario& f) {
      ++consultas;
      EXPECT_TRUE(f.Modal());
      SendMessageA(f.hWnd(), WM_CLOSE, 0, 0);
    });
  }
  int geradores = 0;
  for (int i = 0; i < 2; ++i) {
    ambiente_.AoAbrir("Lista de Compras", [&](Formulario& f) {
      ++geradores;
      EXPECT_TRUE(f.Modal());
      SendMessageA(f.hWnd(), WM_CLOSE, 0, 0);
    });
  }
  Principal().cmdConsultar_Click();
  Tecla('A', true);
  Principal().cmdGeraListaCompras_Click();
  Tecla(VK_F4);
  EXPECT_EQ(consultas, 2);
  EXPECT_EQ(geradores, 2);
  EXPECT_TRUE(Textos().empty());
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
}

std::string TextoDoItem(HMENU menu, int posicao) {
  char texto[256] = {};
  GetMenuStringA(menu, posicao, texto, sizeof texto, MF_BYPOSITION);
  return texto;
}

TEST_F(MainWindow, MenuCaptionsInOrder) {
  Abre(true);
  HMENU barra = GetMenu(Janela());
  ASSERT_EQ(barra, Principal().Menu());
  const std::vector<std::vector<std::string>> esperado = {
      {"&Arquivo", "I&mprimir Lista", "-", "Sai&r"},
      {"&Cadastro", "Cadastrar &Novo \xCDtem\tCtrl+N", "Visualizar e &Alterar Dados\tCtrl+A"},
      {"&Pesquisa", "Montar Lista &Manualmente\tF4", "Criar Lista &Direto de Arquivo Salvo\tF5", "-",
       "Atualizar Via &Internet\tShift+Ctrl+F12"},
      {"A&juda", "Explicar Como Gerar uma Lista de Compras", "-", "&Acesasr o Site de Tarvelo\xAE na Internet", "-",
       "E&xibir o Arquivo de Ajuda\tF1"},
  };
  ASSERT_EQ(GetMenuItemCount(barra), static_cast<int>(esperado.size()));
  for (size_t i = 0; i < esperado.size(); ++i) {
    EXPECT_EQ(TextoDoItem(barra, static_cast<int>(i)), esperado[i][0]);
    HMENU sub = GetSubMenu(barra, static_cast<int>(i));
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(esperado[i].size() - 1)) << esperado[i][0];
    for (size_t j = 1; j < esperado[i].size(); ++j) {
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE;
      GetMenuItemInfoA(sub, static_cast<UINT>(j - 1), TRUE, &info);
      const std::string texto = (info.fType & MFT_SEPARATOR) ? "-" : TextoDoItem(sub, static_cast<int>(j - 1));
      EXPECT_EQ(texto, esperado[i][j]) << esperado[i][0] << " item " << j;
    }
  }
}

TEST_F(MainWindow, ShortcutKeysAreThoseOfTheMenu) {
  Abre(true);
  struct Atalho {
    int comando;
    WORD tecla;
    BYTE modificadores;
  };
  const Atalho esperado[] = {
      {frmPrincipal::kMnuCadastrarNovo, 'N', FVIRTKEY | FCONTROL},
      {frmPrincipal::kMnuVisualizaAltera, 'A', FVIRTKEY | FCONTROL},
      {frmPrincipal::kMnuMontarManualmente, VK_F4, FVIRTKEY},
      {frmPrincipal::kMnuGerarDeSalvo, VK_F5, FVIRTKEY},
      {frmPrincipal::kMnuInternet, VK_F12, FVIRTKEY | FCONTROL | FSHIFT},
      {frmPrincipal::kMnuExibefAjuda, VK_F1, FVIRTKEY},
  };
  ACCEL tabela[16];
  const int n = CopyAcceleratorTableA(Principal().Aceleradores(), tabela, 16);
  ASSERT_EQ(n, static_cast<int>(std::size(esperado)));
  for (const Atalho& a : esperado) {
    bool achado = false;
    for (int i = 0; i < n; ++i) {
      if (tabela[i].cmd != a.comando) continue;
      achado = true;
      EXPECT_EQ(tabela[i].key, a.tecla) << a.comando;
      EXPECT_EQ(tabela[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), a.modificadores) << a.comando;
    }
    EXPECT_TRUE(achado) << a.comando;
  }
}

TEST_F(MainWindow, ToolbarButtonsAtTheirTwipsPositionsWithTipsInTabOrder) {
  Abre(true);
  struct Botao {
    HWND frmPrincipal::*controle;
    int esquerda;
    const char* dica;
  };
  const Botao esperado[] = {
      {&frmPrincipal::cmdCadastrarProdutos, 45, "Cadastro de Produtos"},
      {&frmPrincipal::cmdConsultar, 675, "Consulta e Altera\xE7\xE3o de Produto"},
      {&frmPrincipal::cmdGeraListaCompras, 1305, "Clique aqui para gerar uma lista de compras"},
      {&frmPrincipal::cmdGeraListaDireto, 1935,
       "Clique aqui para gerar uma lista de compras diretamente do arquivo de lista salvo"},
      {&frmPrincipal::cmdInternet, 2565,
       "Clique aqui para atualizar os pre\xE7os dos produtos diretamente via internet"},
      {&frmPrincipal::cmdImprimirListaCompras, 3195, "Clique aqui para imprimir a lista de compras selecionada"},
      {&frmPrincipal::cmdAjuda, 4095, "Clique aqui para obter ajuda sobre o programa"},
      {&frmPrincipal::cmdSair, 4725, "Clique aqui para encerrar este programa"},
  };
  frmPrincipal& p = Principal();
  HWND anterior = nullptr;
  for (const Botao& b : esperado) {
    HWND botao = p.*b.controle;
    ASSERT_NE(botao, nullptr) << b.dica;
    EXPECT_EQ(GetParent(botao), p.picToolBox);
    RECT r;
    GetWindowRect(botao, &r);
    MapWindowPoints(nullptr, p.picToolBox, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, PixelsX(b.esquerda)) << b.dica;
    EXPECT_EQ(r.right - r.left, PixelsX(555)) << b.dica;
    EXPECT_EQ(r.bottom - r.top, PixelsY(555)) << b.dica;
    EXPECT_EQ(p.Dica(botao), b.dica);
    EXPECT_TRUE(GetWindowLongA(botao, GWL_STYLE) & WS_TABSTOP);
    if (anterior) {
      EXPECT_EQ(GetNextDlgTabItem(Janela(), anterior, FALSE), botao) << b.dica;
    }
    anterior = botao;
  }
}

// Every toolbar button does what its menu item does.
TEST_F(MainWindow, ButtonsAndMenuItemsShareTheirHandlers) {
  Abre(false);
  SendMessageA(Principal().cmdConsultar, BM_CLICK, 0, 0);
  SendMessageA(Principal().cmdGeraListaCompras, BM_CLICK, 0, 0);
  teste::ProcessaPendentes();
  EXPECT_EQ(Textos(), std::vector<std::string>(2, kCatalogoVazio));
  ambiente_.dialogos.Responde(IDNO);
  SendMessageA(Principal().cmdSair, BM_CLICK, 0, 0);
  EXPECT_EQ(Textos(), std::vector<std::string>{"Confirma Sa\xED"
                                               "da do Programa?"});
}

TEST_F(MainWindow, HelpViewerThatCannotStartIsReported) {
  Abre(true);
  Ambiente().visualizadorAjuda = "visualizador-de-ajuda-inexistente";
  Tecla(VK_F1);
  Comando(frmPrincipal::kMnuExibefAjuda);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 2u);
  for (const auto& m : ambiente_.dialogos.mostrados) {
    EXPECT_EQ(m.texto, "Houve um erro ao tentar abrir o arquivo de Ajuda.");
    EXPECT_EQ(m.titulo, "Erro:");
    EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
  EXPECT_TRUE(Principal().Carregado());
}

// The viewer gets the help file as one argument even from a folder whose name has blanks.
TEST(Help, ViewerCommandLineNamesTheHelpFileBesideTheProgram) {
  AmbienteDeTeste ambiente;
  Ambiente().caminhoAplicativo = "C:\\Mercanota";
  EXPECT_EQ(ModuloGlobal::LinhaDeComandoDaAjuda(), "WinHlp32 C:\\Mercanota\\MercanotaK.HLP");
  Ambiente().caminhoAplicativo = "C:\\Arquivos de programas\\Mercanota";
  EXPECT_EQ(ModuloGlobal::LinhaDeComandoDaAjuda(), "WinHlp32 \"C:\\Arquivos de programas\\Mercanota\\MercanotaK.HLP\"");
}

TEST_F(MainWindow, PrintingWithoutAReportWindowSaysThereIsNoList) {
  Abre(true);
  Principal().cmdImprimirListaCompras_Click();
  Comando(frmPrincipal::kMnuImprimirLista);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 2u);
  for (const auto& m : ambiente_.dialogos.mostrados) {
    EXPECT_EQ(m.texto,
              "Desculpe, mas n\xE3o h\xE1 nenhuma lista de compras atualmente selecionada, primeiro crie-a, "
              "ent\xE3o repita a opera\xE7\xE3o.");
    EXPECT_EQ(m.titulo, "Erro:");
    EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
}

}  // namespace
