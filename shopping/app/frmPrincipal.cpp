#include "app/frmPrincipal.h"

#include <commctrl.h>
#include <shellapi.h>

#include <iterator>

#include "forms/Eventos.h"
#include "forms/Impressora.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"
#include "lists/VisitaGuiada.h"
#include "products/frmCadastraProduto.h"
#include "products/frmConsulta.h"
#include "lists/frmGeraListaCompras.h"
#include "update/frmInternet.h"
#include "lists/frmRelatorio.h"
#include "lists/frmSelecionaLista.h"

namespace mercanota {
namespace {

// The maker's web page, opened by the Help menu.
const char kSiteDoFabricante[] = "http://www.tarvelo.com.br/";

// The toolbar, in twips: square buttons 555 on a side, 630 apart, a wider gap before the help button.
constexpr int kLadoDoBotao = 555;
constexpr int kTopoDosBotoes = 45;
constexpr int kAlturaDaBarra = 645;

struct BotaoDaBarra {
  int id;
  HWND frmPrincipal::*controle;
  int esquerda;
  Pictograma figura;
  const char* dica;
};

const BotaoDaBarra kBotoes[] = {
    {frmPrincipal::kCmdCadastrarProdutos, &frmPrincipal::cmdCadastrarProdutos, 45, Pictograma::kCadastro,
     "Cadastro de Produtos"},
    {frmPrincipal::kCmdConsultar, &frmPrincipal::cmdConsultar, 675, Pictograma::kConsulta,
     "Consulta e Alteração de Produto"},
    {frmPrincipal::kCmdGeraListaCompras, &frmPrincipal::cmdGeraListaCompras, 1305, Pictograma::kListaCompras,
     "Clique aqui para gerar uma lista de compras"},
    {frmPrincipal::kCmdGeraListaDireto, &frmPrincipal::cmdGeraListaDireto, 1935, Pictograma::kListaSalva,
     "Clique aqui para gerar uma lista de compras diretamente do arquivo de lista salvo"},
    {frmPrincipal::kCmdInternet, &frmPrincipal::cmdInternet, 2565, Pictograma::kInternet,
     "Clique aqui para atualizar os preços dos produtos diretamente via internet"},
    {frmPrincipal::kCmdImprimirListaCompras, &frmPrincipal::cmdImprimirListaCompras, 3195, Pictograma::kImpressora,
     "Clique aqui para imprimir a lista de compras selecionada"},
    {frmPrincipal::kCmdAjuda, &frmPrincipal::cmdAjuda, 4095, Pictograma::kAjuda,
     "Clique aqui para obter ajuda sobre o programa"},
    {frmPrincipal::kCmdSair, &frmPrincipal::cmdSair, 4725, Pictograma::kSair,
     "Clique aqui para encerrar este programa"},
};

// Each toolbar button and the menu item that mirrors it run the same handler. Every notification counts:
// menus send 0, shortcuts 1.
const Comando<frmPrincipal> kComandos[] = {
    {frmPrincipal::kCmdCadastrarProdutos, kQualquerNotificacao, &frmPrincipal::cmdCadastrarProdutos_Click},
    {frmPrincipal::kMnuCadastrarNovo, kQualquerNotificacao, &frmPrincipal::cmdCadastrarProdutos_Click},
    {frmPrincipal::kCmdConsultar, kQualquerNotificacao, &frmPrincipal::cmdConsultar_Click},
    {frmPrincipal::kMnuVisualizaAltera, kQualquerNotificacao, &frmPrincipal::cmdConsultar_Click},
    {frmPrincipal::kCmdGeraListaCompras, kQualquerNotificacao, &frmPrincipal::cmdGeraListaCompras_Click},
    {frmPrincipal::kMnuMontarManualmente, kQualquerNotificacao, &frmPrincipal::cmdGeraListaCompras_Click},
    {frmPrincipal::kCmdGeraListaDireto, kQualquerNotificacao, &frmPrincipal::cmdGeraListaDireto_Click},
    {frmPrincipal::kMnuGerarDeSalvo, kQualquerNotificacao, &frmPrincipal::cmdGeraListaDireto_Click},
    {frmPrincipal::kCmdInternet, kQualquerNotificacao, &frmPrincipal::cmdInternet_Click},
    {frmPrincipal::kMnuInternet, kQualquerNotificacao, &frmPrincipal::cmdInternet_Click},
    {frmPrincipal::kCmdImprimirListaCompras, kQualquerNotificacao, &frmPrincipal::cmdImprimirListaCompras_Click},
    {frmPrincipal::kMnuImprimirLista, kQualquerNotificacao, &frmPrincipal::cmdImprimirListaCompras_Click},
    {frmPrincipal::kCmdAjuda, kQualquerNotificacao, &frmPrincipal::cmdAjuda_Click},
    {frmPrincipal::kCmdSair, kQualquerNotificacao, &frmPrincipal::cmdSair_Click},
    {frmPrincipal::kMnuSair, kQualquerNotificacao, &frmPrincipal::cmdSair_Click},
    {frmPrincipal::kMnuExplicarGerando, kQualquerNotificacao, &frmPrincipal::mnuExplicarGerando_Click},
    {frmPrincipal::kMnuSiteInternet, kQualquerNotificacao, &frmPrincipal::mnuSiteInternet_Click},
    {frmPrincipal::kMnuExibefAjuda, kQualquerNotificacao, &frmPrincipal::mnuExibefAjuda_Click},
};

}  // namespace

frmPrincipal& Principal() {
  static frmPrincipal principal;
  return principal;
}

Formulario::Projeto frmPrincipal::Desenho() const {
  Projeto p;
  p.legenda = "Mercanota";
  p.estilo = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  p.larguraTwips = 12000;
  p.alturaTwips = 9000;
  p.fundo = GetSysColor(COLOR_APPWORKSPACE);
  p.maximizada = true;
  return p;
}

void frmPrincipal::CriaControles() {
  CriaMenu();

  picToolBox = CriaPainel(kPicToolBox, "", 0, 0, 12000, kAlturaDaBarra, Chanfro::kElevado);
  for (const BotaoDaBarra& b : kBotoes) {
    this->*b.controle = CriaBotaoFigura(b.id, b.figura, b.esquerda, kTopoDosBotoes, kLadoDoBotao, b.dica, picToolBox);
  }

  sbrStatus =
      CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hWnd(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSbrStatus)), GetModuleHandleA(nullptr), nullptr);

  CLIENTCREATESTRUCT ccs{};
  ccs.hWindowMenu = nullptr;
  ccs.idFirstChild = 50000;
  mdiClient_ = CreateWindowExA(
      WS_EX_CLIENTEDGE, "MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
      0, 0, hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kClienteMdi)), GetModuleHandleA(nullptr), &ccs);
  RECT r;
  GetClientRect(hWnd(), &r);
  Dimensiona(r.right, r.bottom);
  frmRelatorio::DefineClienteMdi(mdiClient_);
}

void frmPrincipal::CriaMenu() {
  HMENU arquivo = CreatePopupMenu();
  AppendMenuA(arquivo, MF_STRING, kMnuImprimirLista, "I&mprimir Lista");
  AppendMenuA(arquivo, MF_SEPARATOR, 0, nullptr);  // mnuNulo
  AppendMenuA(arquivo, MF_STRING, kMnuSair, "Sai&r");

  HMENU cadastro = CreatePopupMenu();
  AppendMenuA(cadastro, MF_STRING, kMnuCadastrarNovo, "Cadastrar &Novo Ítem\tCtrl+N");
  AppendMenuA(cadastro, MF_STRING, kMnuVisualizaAltera, "Visualizar e &Alterar Dados\tCtrl+A");

  HMENU pesquisa = CreatePopupMenu();
  AppendMenuA(pesquisa, MF_STRING, kMnuMontarManualmente, "Montar Lista &Manualmente\tF4");
  AppendMenuA(pesquisa, MF_STRING, kMnuGerarDeSalvo, "Criar Lista &Direto de Arquivo Salvo\tF5");
  AppendMenuA(pesquisa, MF_SEPARATOR, 0, nullptr);  // mnuNulos
  AppendMenuA(pesquisa, MF_STRING, kMnuInternet, "Atualizar Via &Internet\tShift+Ctrl+F12");

  HMENU ajuda = CreatePopupMenu();
  AppendMenuA(ajuda, MF_STRING, kMnuExplicarGerando, "Explicar Como Gerar uma Lista de Compras");
  AppendMenuA(ajuda, MF_SEPARATOR, 0, nullptr);  // mnuNuloTres
  AppendMenuA(ajuda, MF_STRING, kMnuSiteInternet, "&Acesasr o Site de Tarvelo® na Internet");
  AppendMenuA(ajuda, MF_SEPARATOR, 0, nullptr);  // mnuNuloII
  AppendMenuA(ajuda, MF_STRING, kMnuExibefAjuda, "E&xibir o Arquivo de Ajuda\tF1");

  menu_ = CreateMenu();
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(arquivo), "&Arquivo");
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(cadastro), "&Cadastro");
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(pesquisa), "&Pesquisa");
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(ajuda), "A&juda");
  SetMenu(hWnd(), menu_);

  ACCEL atalhos[] = {
      {FVIRTKEY | FCONTROL, 'N', kMnuCadastrarNovo},
      {FVIRTKEY | FCONTROL, 'A', kMnuVisualizaAltera},
      {FVIRTKEY, VK_F4, kMnuMontarManualmente},
      {FVIRTKEY, VK_F5, kMnuGerarDeSalvo},
      {FVIRTKEY | FCONTROL | FSHIFT, VK_F12, kMnuInternet},
      {FVIRTKEY, VK_F1, kMnuExibefAjuda},
  };
  aceleradores_ = CreateAcceleratorTableA(atalhos, static_cast<int>(std::size(atalhos)));
  DefineAceleradores(aceleradores_);
}

void frmPrincipal::Dimensiona(int largura, int altura) {
  const int barra = PixelsY(kAlturaDaBarra);
  if (picToolBox) MoveWindow(picToolBox, 0, 0, largura, barra, TRUE);
  int status = 0;
  if (sbrStatus) {
    SendMessageA(sbrStatus, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(sbrStatus, &r);
    status = r.bottom - r.top;
    const int data = PixelsX(1500);
    int partes[2] = {largura - data > 0 ? largura - data : 0, -1};
    SendMessageA(sbrStatus, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(partes));
  }
  if (mdiClient_) {
    const int resto = altura - barra - status;
    MoveWindow(mdiClient_, 0, barra, largura, resto > 0 ? resto : 0, TRUE);
  }
}

bool frmPrincipal::Form_Load() {
  ModuloGlobal::ModoDeAjuda = false;
  if (!ModuloGlobal::AbreBancoDados()) return false;
  const std::string catalogo = "Catálogo: " + CaminhoAplicativo() + "\\Registro.mdb";
  SendMessageA(sbrStatus, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(catalogo.c_str()));
  const std::string hoje = TodayText();
  SendMessageA(sbrStatus, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(hoje.c_str()));
  return true;
}

bool frmPrincipal::Form_QueryUnload() {
  ModuloGlobal::CatalogueDatabase.Close();
  return true;
}

void frmPrincipal::Form_Unload() {
  DefineAceleradores(nullptr);
  if (aceleradores_) DestroyAcceleratorTable(aceleradores_);
  aceleradores_ = nullptr;
}

LRESULT frmPrincipal::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE:
      // Not passed on: the frame's default would stretch the MDI client over the toolbar.
      Dimensiona(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_ENDSESSION:
      if (wParam) ModuloGlobal::CatalogueDatabase.Close();
      return 0;
    case WM_DESTROY:
      frmRelatorio::DefineClienteMdi(nullptr);
      mdiClient_ = nullptr;
      menu_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return Formulario::TrataMensagem(msg, wParam, lParam);
}

LRESULT frmPrincipal::ProcessamentoPadrao(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefFrameProcA(hWnd(), mdiClient_, msg, wParam, lParam);
}

bool frmPrincipal::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

HWND frmPrincipal::JanelaFilhaAtiva() const {
  return mdiClient_ ? reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDIGETACTIVE, 0, 0)) : nullptr;
}

// The query window and the list generator make no sense over an empty catalogue.
bool frmPrincipal::CatalogoTemProdutos() {
  bool algum = false;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.HasProducts(&algum); })) return false;
  if (!algum) {
    MsgBox(
        "Impossível prosseguir. Para que este botão tenha função você deve primeiro salvar um produto na lista "
        "de produtos.",
        MB_OK | MB_ICONSTOP, "Erro:");
    return false;
  }
  return true;
}

void frmPrincipal::cmdCadastrarProdutos_Click() {
  const ComAmpulheta ampulheta;
  frmCadastraProduto cadastro;
  cadastro.MostraModal(hWnd());
}

void frmPrincipal::cmdConsultar_Click() {
  if (!CatalogoTemProdutos()) return;
  const ComAmpulheta ampulheta;
  frmConsulta consulta;
  consulta.MostraModal(hWnd());
}

void frmPrincipal::cmdGeraListaCompras_Click() {
  if (!CatalogoTemProdutos()) return;
  frmGeraListaCompras gerador;
  gerador.MostraModal(hWnd());
}

void frmPrincipal::cmdGeraListaDireto_Click() {
  frmSelecionaLista selecao;
  selecao.MostraModal(hWnd());
}

void frmPrincipal::cmdInternet_Click() {
  const ComAmpulheta ampulheta;
  frmInternet internet;
  internet.MostraModal(hWnd());
}

void frmPrincipal::cmdImprimirListaCompras_Click() {
  const bool impresso = ComAmpulheta::Durante([this] {
    const frmRelatorio* relatorio = frmRelatorio::DaJanela(JanelaFilhaAtiva());
    Impressora* impressora = Ambiente().impressora;
    return relatorio && relatorio->txtTexto && impressora &&
           impressora->Imprime("Lista de Compras", TextoDe(relatorio->txtTexto), "Courier New", 12);
  });
  if (!impresso) {
    MsgBox(
        "Desculpe, mas não há nenhuma lista de compras atualmente selecionada, primeiro crie-a, então repita a "
        "operação.",
        MB_OK | MB_ICONSTOP, "Erro:");
  }
}

void frmPrincipal::cmdAjuda_Click() {
  POINT p;
  GetCursorPos(&p);
  TrackPopupMenu(GetSubMenu(menu_, 3), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, hWnd(), nullptr);
}

void frmPrincipal::cmdSair_Click() {
  if (MsgBox("Confirma Saída do Programa?", MB_YESNO | MB_ICONQUESTION, "Finalizando...") == IDNO) return;
  ModuloGlobal::CatalogueDatabase.Close();
  EncerraPrograma(0);
}

void frmPrincipal::mnuExplicarGerando_Click() {
  visita::ExplicarComoGerar(
      {hWnd(), cmdGeraListaCompras, cmdImprimirListaCompras, [this] { cmdGeraListaCompras_Click(); }});
}

void frmPrincipal::mnuSiteInternet_Click() {
  ShellExecuteA(hWnd(), nullptr, kSiteDoFabricante, nullptr, "c:\\", SW_SHOWNORMAL);
}

void frmPrincipal::mnuExibefAjuda_Click() { ModuloGlobal::ExibirAjuda(); }

}  // namespace mercanota
