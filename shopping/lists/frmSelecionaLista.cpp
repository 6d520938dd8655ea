#include "lists/frmSelecionaLista.h"

#include <cmath>

#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "lists/ProdutosDaLista.h"
#include "lists/RelatorioDaLista.h"
#include "forms/Servicos.h"

namespace mercanota {
namespace {

constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 3560;
constexpr int kEsquerdaColuna = 1560;
constexpr int kLarguraColuna = 5700;
const char kNenhumaLista[] = "<Nenhuma Lista Salva>";

const Comando<frmSelecionaLista> kComandos[] = {
    {frmSelecionaLista::kCmbListaPadrao, CBN_SELCHANGE, &frmSelecionaLista::cmbListaPadrao_Click},
    {frmSelecionaLista::kCmdGerarLista, BN_CLICKED, &frmSelecionaLista::cmdGerarLista_Click},
    {frmSelecionaLista::kCmdDeleteListaCompras, BN_CLICKED, &frmSelecionaLista::cmdDeleteListaCompras_Click},
    {frmSelecionaLista::kCmdCancelar, BN_CLICKED, &frmSelecionaLista::cmdCancelar_Click},
};

}  // namespace

int16_t QuantidadeDe16Bits(double quantidade) {
  if (std::isnan(quantidade)) return 0;
  const double arredondada = std::round(quantidade);
  if (arredondada >= 32767) return 32767;
  if (arredondada <= -32768) return -32768;
  return static_cast<int16_t>(arredondada);
}

Formulario::Projeto frmSelecionaLista::Desenho() const {
  return DesenhoDeTarefa("Gerar Lista de Compras", kLarguraCliente, kAlturaCliente);
}

void frmSelecionaLista::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTituloFundo = CriaTitulo(kPnlTituloFundo, "Gerar Lista de Compras", kLarguraCliente, pnlFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kListaSalva, pnlFundo);

  int topo = kTopoDosDados;
  lblInstrucao = CriaRotulo(kLblInstrucao,
                            "Selecione a Lista salva no cadastro para que o programa possa gerar uma lista de "
                            "compras automaticamente.",
                            kEsquerdaColuna, topo, kLarguraColuna, 480, pnlFundo);
  topo += 480 + 60;
  pnlLabelDados = CriaRotuloDeDados(kPnlLabelDados, "Lista de Compras Atual:", kEsquerdaColuna, topo, kLarguraColuna,
                                    270, pnlFundo);
  DefineAlinhamento(pnlLabelDados, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
  topo += 285;
  cmbListaPadrao = CriaControle("COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                                kCmbListaPadrao, kEsquerdaColuna, topo, kLarguraColuna, 2400, pnlFundo);
  // The working list of the report: never shown.
  lstProdutos = CriaControle("LISTBOX", "", lista::kEstilo & ~WS_TABSTOP, kLstProdutos, 0, 0, 100, 100, pnlFundo);
  ShowWindow(lstProdutos, SW_HIDE);
  topo += 420 + 240;

  const int larguraBotoes = 3 * kLadoDoBotao + 2 * kMargem;
  const int esquerdaBotoes = kEsquerdaColuna + kLarguraColuna - larguraBotoes;
  imgSetaApontaDica =
      CriaFigura(kImgSetaApontaDica, Pictograma::kSeta, esquerdaBotoes - 1200, topo, 1080, kLadoDoBotao, pnlFundo);
  cmdGerarLista = CriaBotaoFigura(kCmdGerarLista, Pictograma::kOk, esquerdaBotoes, topo, kLadoDoBotao,
                                  "Clique aqui para gerar a lista de compras", pnlFundo);
  cmdDeleteListaCompras =
      CriaBotaoFigura(kCmdDeleteListaCompras, Pictograma::kExcluir, esquerdaBotoes + kLadoDoBotao + kMargem, topo,
                      kLadoDoBotao, "Clique aqui para excluir do cadastro a lista de compras atual", pnlFundo);
  cmdCancelar = CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, esquerdaBotoes + 2 * (kLadoDoBotao + kMargem),
                                topo, kLadoDoBotao, "Clique aqui para retornar", pnlFundo);
}

bool frmSelecionaLista::Form_Load() {
  AtualizaListaCompra();
  return Carregado();
}

bool frmSelecionaLista::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

void frmSelecionaLista::cmbListaPadrao_Click() { AcompanhaEscolha(cmbListaPadrao); }

void frmSelecionaLista::AtualizaListaCompra() {
  std::vector<std::string> nomes;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.SavedListNames(&nomes); })) return;
  SendMessageA(cmbListaPadrao, CB_RESETCONTENT, 0, 0);
  if (nomes.empty()) {
    SendMessageA(cmbListaPadrao, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNenhumaLista));
    EscolheNoCombo(cmbListaPadrao, 0);
    return;
  }
  for (const std::string& nome : nomes) {
    SendMessageA(cmbListaPadrao, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(nome.c_str()));
  }
  EscolheNoCombo(cmbListaPadrao, 0);
}

void frmSelecionaLista::CarregaProdutos() { CarregaProdutosDaLista(TextoDoCombo(cmbListaPadrao)); }

bool frmSelecionaLista::CarregarLista() {
  if (PreencheListaDeProdutos(lstProdutos)) return true;
  Descarrega();
  return false;
}

void frmSelecionaLista::CarregarProdutos() {
  ComAmpulheta ampulheta;
  std::vector<std::string> nomes;
  for (int cursor = lista::ProximaMarcada(lstProdutos, 0); cursor >= 0;
       cursor = lista::ProximaMarcada(lstProdutos, cursor + 1)) {
    nomes.push_back(lista::Item(lstProdutos, cursor));
  }
  std::vector<SavedQuantity> salvas;
  const bool lidas = ModuloGlobal::Loja().QuantitiesOfList(TextoDoCombo(cmbListaPadrao), nomes, &salvas);
  for (const SavedQuantity& s : salvas) {
    QuantidadeDaLista[static_cast<size_t>(s.id)] = s.saved ? QuantidadeDe16Bits(s.quantity) : 0;
  }
  if (!lidas) ModuloGlobal::MostraErroDoBancoDeDados();
  lista::DefineListIndex(lstProdutos, 0);
}

void frmSelecionaLista::GeraListaPapel() {
  GeraRelatorio(lstProdutos, TextoDoCombo(cmbListaPadrao), [this](long long id) -> long long {
    if (id < 1 || id > kMaxProdutosDaLista) return 0;
    const int16_t q = QuantidadeDaLista[static_cast<size_t>(id)];
    return q >= 1 ? q : 0;
  });
}

void frmSelecionaLista::cmdGerarLista_Click() {
  if (TextoDoCombo(cmbListaPadrao) == kNenhumaLista) {
    MsgBox("Impossível gerar lista de compras pois não existe nenhuma lista salva.", MB_OK | MB_ICONSTOP, "Erro:");
    return;
  }
  for (auto& q : QuantidadeDaLista) q = 0;
  CarregaProdutos();
  if (!CarregarLista()) return;
  lista::AddItem(lstProdutos, kItemPadrao);
  CarregarProdutos();
  GeraListaPapel();
  Descarrega();
}

void frmSelecionaLista::cmdDeleteListaCompras_Click() {
  const std::string nome = TextoDoCombo(cmbListaPadrao);
  if (nome == kNenhumaLista) {
    MsgBox("Impossível apagar lista de compras pois não existe nenhuma lista salva.", MB_OK | MB_ICONSTOP, "Erro:");
    return;
  }
  if (MsgBox("Você tem certeza que deseja excluir do cadastro a lista: " + nome + "?",
             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") != IDYES) {
    return;
  }
  if (!ModuloGlobal::Altera([&](const Shop& loja) { return loja.DeleteList(nome); })) return;
  AtualizaListaCompra();
}

void frmSelecionaLista::cmdCancelar_Click() { Descarrega(); }

}  // namespace mercanota
