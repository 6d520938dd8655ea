#include "lists/frmGeraListaCompras.h"

#include <cstdlib>
#include <ctime>

#include "forms/Eventos.h"
#include "catalogue/ListConventions.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"
#include "lists/ProdutosDaLista.h"
#include "lists/VisitaGuiada.h"
#include "lists/frmMontaLista.h"

namespace mercanota {
namespace {

constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 6270;
constexpr int kEsquerdaColuna = 1560;
constexpr int kLarguraColuna = 5700;
constexpr int kAlturaRotulo = 270;

const char* const kDicas[] = {
    "Dica: Utilize o teclado para selecionar os produtos. A barra de espaços ou a tecla enter servem para marcar ou "
    "desmarcar ítens.",
    "Dica: Salve sempre a sua lista de compras, assim, você não precisará fazê-la várias vezes sempre que for às "
    "compras.",
    "Dica: A Lista Padrão é uma lista vazia. Sempre que você quiser excluir todos os produtos marcados para compra, "
    "selecione Lista Padrão.",
    "Dica: Para saber o que faz cada botão, basta colocar o cursor do mouse em cima do botão e aguardar 1 segundo.",
};

const Comando<frmGeraListaCompras> kComandos[] = {
    {frmGeraListaCompras::kCmbListaPadrao, CBN_SELCHANGE, &frmGeraListaCompras::cmbListaPadrao_Click},
    {frmGeraListaCompras::kCmdGerarLista, BN_CLICKED, &frmGeraListaCompras::cmdGerarLista_Click},
    {frmGeraListaCompras::kCmdDeleteListaCompras, BN_CLICKED, &frmGeraListaCompras::cmdDeleteListaCompras_Click},
    {frmGeraListaCompras::kCmdCancelar, BN_CLICKED, &frmGeraListaCompras::cmdCancelar_Click},
};

}  // namespace

Formulario::Projeto frmGeraListaCompras::Desenho() const {
  return DesenhoDeTarefa("Lista de Compras", kLarguraCliente, kAlturaCliente);
}

void frmGeraListaCompras::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTituloFundo = CriaTitulo(kPnlTituloFundo, "Lista de Compras", kLarguraCliente, pnlFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kListaCompras, pnlFundo);

  int topo = kTopoDosDados;
  const auto rotulo = [&](int indice, const char* texto) {
    pnlLabelDados[indice] = CriaRotuloDaColuna(kPnlLabelDados0 + indice, texto, kEsquerdaColuna, &topo, kLarguraColuna,
                                               kAlturaRotulo, pnlFundo);
  };
  // Created in tab order: the product list first, as the tips say the keyboard works there.
  rotulo(0, "Nome do Produto:");
  lstProdutos = CriaControle("LISTBOX", "", lista::kEstilo, kLstProdutos, kEsquerdaColuna, topo, kLarguraColuna, 2400,
                             pnlFundo, WS_EX_CLIENTEDGE);
  topo += 2400 + 60;
  rotulo(1, "Lista de Compras Atual:");
  cmbListaPadrao = CriaControle("COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                                kCmbListaPadrao, kEsquerdaColuna, topo, kLarguraColuna, 2400, pnlFundo);
  topo += 420;
  rotulo(2, "Mensagem:");
  pnlDicas = CriaDica(kPnlDicas, "", kEsquerdaColuna, topo, kLarguraColuna, 720, pnlFundo);
  // The arrow points at the tip from under the logo.
  imgSetaApontaDica =
      CriaFigura(kImgSetaApontaDica, Pictograma::kSeta, kMargem + 240, topo, kEsquerdaColuna - 480, 720, pnlFundo);
  topo += 720 + 120;

  const int larguraBotoes = 3 * kLadoDoBotao + 2 * kMargem;
  const int esquerdaBotoes = kEsquerdaColuna + kLarguraColuna - larguraBotoes;
  lblInstrucao = CriaRotulo(kLblInstrucao,
                            "Marque os produtos a serem adicionados à lista de compras, então clique em Gerar Lista, "
                            "1º botão.",
                            kMargem * 2, topo + 90, esquerdaBotoes - 3 * kMargem, kLadoDoBotao - 90, pnlFundo);
  cmdGerarLista = CriaBotaoFigura(kCmdGerarLista, Pictograma::kOk, esquerdaBotoes, topo, kLadoDoBotao,
                                  "Clique aqui para gerar a lista de compras", pnlFundo);
  cmdDeleteListaCompras =
      CriaBotaoFigura(kCmdDeleteListaCompras, Pictograma::kExcluir, esquerdaBotoes + kLadoDoBotao + kMargem, topo,
                      kLadoDoBotao, "Clique aqui para excluir do cadastro a lista de compras atual", pnlFundo);
  cmdCancelar = CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, esquerdaBotoes + 2 * (kLadoDoBotao + kMargem),
                                topo, kLadoDoBotao, "Clique aqui para retornar", pnlFundo);
}

bool frmGeraListaCompras::Form_Load() {
  ExibeDica();
  // Choosing "Lista Padrão" in the combo rebuilds the product list (AtualizaQuadroDeLista): on a shop's
  // catalogue a second rebuild of the same list would double the wait. An empty catalogue has closed the
  // window.
  AtualizaListaDeCompras();
  if (Carregado() && ModuloGlobal::ModoDeAjuda) ProssegueHelp();
  return Carregado();
}

bool frmGeraListaCompras::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

bool frmGeraListaCompras::VisualizaTecla(MSG& msg) {
  if (msg.hwnd != lstProdutos) return false;
  // Enter toggles the current entry's tick; it does not reach the dialog keys.
  if ((msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) || (msg.message == WM_CHAR && msg.wParam == '\r')) {
    lstProdutos_KeyPress(13);
    return true;
  }
  return false;
}

void frmGeraListaCompras::ZeraConteudoDeCompras() {
  for (size_t i = 1; i < ModuloGlobal::ProdutosDaLista.size(); ++i) ModuloGlobal::ProdutosDaLista[i].clear();
}

void frmGeraListaCompras::ExibeDica() {
  const std::time_t agora = std::time(nullptr);
  const std::tm* local = std::localtime(&agora);
  std::srand(local ? static_cast<unsigned>(local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec) : 0u);
  const int n = static_cast<int>(std::rand() / (RAND_MAX + 1.0) * 4);
  DefineTexto(pnlDicas, kDicas[n]);
}

void frmGeraListaCompras::AtualizaListaDeCompras() {
  std::vector<std::string> nomes;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.SavedListNames(&nomes); })) return;
  SendMessageA(cmbListaPadrao, CB_RESETCONTENT, 0, 0);
  SendMessageA(cmbListaPadrao, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kListaPadrao));
  for (const std::string& nome : nomes) {
    SendMessageA(cmbListaPadrao, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(nome.c_str()));
  }
  ZeraConteudoDeCompras();
  // Choosing the entry applies it at once: nothing ticked.
  EscolheNoCombo(cmbListaPadrao, 0);
  cmbListaPadrao_Click();
}

void frmGeraListaCompras::AtualizaQuadroDeLista() {
  if (!PreencheListaDeProdutos(lstProdutos)) Descarrega();
}

void frmGeraListaCompras::cmbListaPadrao_Click() {
  AcompanhaEscolha(cmbListaPadrao);
  if (!CarregaProdutosDaLista(TextoDoCombo(cmbListaPadrao))) return;
  AtualizaQuadroDeLista();
  if (Carregado() && IsWindowVisible(hWnd())) SetFocus(lstProdutos);
}

void frmGeraListaCompras::cmdDeleteListaCompras_Click() {
  const std::string nome = TextoDoCombo(cmbListaPadrao);
  if (nome == kListaPadrao) {
    MsgBox("Desculpe, mas você não pode excluir a Lista Padrão do cadastro.", MB_OK | MB_ICONINFORMATION,
           "Importante:");
    return;
  }
  if (MsgBox("Você tem certeza que deseja excluir do cadastro a lista: " + nome + "?",
             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") != IDYES) {
    return;
  }
  if (!ModuloGlobal::Altera([&](const Shop& loja) { return loja.DeleteList(nome); })) return;
  AtualizaListaDeCompras();  // back on "Lista Padrão", the product list rebuilt
}

void frmGeraListaCompras::cmdGerarLista_Click() {
  const int lembrado = lista::ListIndex(lstProdutos);
  if (lista::TickedCount(lstProdutos) == 0) {
    MsgBox(
        "Desculpe, mas você não pode gerar uma lista de compras sem antes selecionar 1 produto para compra. Por "
        "favor, selecione um produto e repita a operação.",
        MB_OK | MB_ICONSTOP, "Atenção:");
    lista::DefineListIndex(lstProdutos, lembrado);
    SetFocus(lstProdutos);
    return;
  }
  lista::AddItem(lstProdutos, kItemPadrao);
  {
    frmMontaLista montagem(lstProdutos, cmbListaPadrao);
    montagem.MostraModal(hWnd());
  }
  // Back on "Lista Padrão" with the saved names refreshed; the product list is rebuilt, the sentinel gone.
  if (Carregado()) AtualizaListaDeCompras();
}

void frmGeraListaCompras::cmdCancelar_Click() { Descarrega(); }

void frmGeraListaCompras::ProssegueHelp() {
  // Runs inside the loading, before the modal showing: the window shows itself, and ends by closing itself,
  // which its opener's modal showing takes quietly. Neither it nor the main window takes input meanwhile:
  // F4 there would open a second generator running this script again.
  const auto espera = [this](double segundos) { return EsperaSegundos(segundos) && Carregado(); };
  Mostra();
  DesabilitaDono();
  EnableWindow(hWnd(), FALSE);
  if (!espera(1.2)) return;
  visita::Toca(visita::kMsg103);
  if (!espera(5.5)) return;
  visita::ApontaPara(lstProdutos, 10, 13);
  visita::Marca(lstProdutos, 0);
  // The second entry; with a single name in the catalogue there is none, and the tour goes on with one.
  visita::ApontaPara(lstProdutos, 10, 33);
  visita::Marca(lstProdutos, 1);
  if (!espera(1.9)) return;
  visita::Toca(visita::kMsg104);
  visita::ApontaPara(cmdGerarLista, 15, 15);
  if (!espera(3)) return;
  // Enabled for the assembly window to give activation back to when it closes; that window's script takes
  // input from it again while it runs, and so does this one after it.
  EnableWindow(hWnd(), TRUE);
  cmdGerarLista_Click();  // the assembly window's own script runs inside
  if (IsWindow(hWnd())) EnableWindow(hWnd(), FALSE);
  if (!espera(3.5)) return;
  visita::Toca(visita::kMsg107);
  visita::ApontaPara(cmdCancelar, 15, 15);
  if (!espera(7.3)) return;
  cmdCancelar_Click();
}

void frmGeraListaCompras::lstProdutos_KeyPress(int KeyAscii) {
  if (KeyAscii != 13) return;
  const int i = lista::ListIndex(lstProdutos);
  if (i < 0) return;
  lista::DefineSelected(lstProdutos, i, !lista::Selected(lstProdutos, i));
}

}  // namespace mercanota
