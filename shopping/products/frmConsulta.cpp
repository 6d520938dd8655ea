#include "products/frmConsulta.h"

#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Regional.h"
#include "forms/Servicos.h"
#include "products/frmCadastraProduto.h"

namespace mercanota {
namespace {

const char kSemProdutos[] = "<Não Existe Produto Cadastrado>";

// Layout in twips, within the background panel: the logo at the left, a column of labelled controls
// beside it, the details and the buttons at the bottom.
constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 4340;
constexpr int kEsquerdaColuna = 1560;
constexpr int kLarguraColuna = 5700;
constexpr int kAlturaRotulo = 270;

const Comando<frmConsulta> kComandos[] = {
    {frmConsulta::kCmbProduto, CBN_SELCHANGE, &frmConsulta::cmbProduto_Click},
    {frmConsulta::kLstMarcaComplemento, LBN_SELCHANGE, &frmConsulta::lstMarcaComplemento_Click},
    {frmConsulta::kCmdOkay, BN_CLICKED, &frmConsulta::cmdOkay_Click},
    {frmConsulta::kCmdExcluir, BN_CLICKED, &frmConsulta::cmdExcluir_Click},
    {frmConsulta::kCmdCancelar, BN_CLICKED, &frmConsulta::cmdCancelar_Click},
};

std::string TextoDaLinha(HWND combo, LRESULT indice) {
  const LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(indice), 0);
  if (n == CB_ERR) return {};
  std::string texto(static_cast<size_t>(n) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(indice), reinterpret_cast<LPARAM>(texto.data()));
  texto.resize(static_cast<size_t>(n));
  return texto;
}

// The chosen product name, as the combo shows it.
std::string NomeEscolhido(HWND combo) {
  const LRESULT indice = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return indice == CB_ERR ? std::string() : TextoDaLinha(combo, indice);
}

}  // namespace

Formulario::Projeto frmConsulta::Desenho() const {
  return DesenhoDeTarefa("Consulta de Produtos", kLarguraCliente, kAlturaCliente);
}

void frmConsulta::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTituloFundo = CriaTitulo(kPnlTituloFundo, "Consulta de Produtos", kLarguraCliente, pnlFundo);
  pnlID = CriaIdentificador(kPnlID, kLarguraCliente, pnlTituloFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kConsulta, pnlFundo);

  // Created in tab order: the name, the brand list, then the buttons.
  int topo = kTopoDosDados;
  const auto rotulo = [&](int indice, const char* texto) {
    pnlLabelDados[indice] = CriaRotuloDaColuna(kPnlLabelDados0 + indice, texto, kEsquerdaColuna, &topo, kLarguraColuna,
                                               kAlturaRotulo, pnlFundo);
  };
  rotulo(0, "Nome do Produto:");
  // The height given to a drop-down list is that of its open list.
  cmbProduto = CriaControle("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kCmbProduto, kEsquerdaColuna,
                            topo, kLarguraColuna, 2400, pnlFundo);
  topo += 420;
  rotulo(1, "Marca e Complemento:");
  lstMarcaComplemento =
      CriaControle("LISTBOX", "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, kLstMarcaComplemento,
                   kEsquerdaColuna, topo, kLarguraColuna, 1260, pnlFundo, WS_EX_CLIENTEDGE);
  topo += 1260 + 90;
  rotulo(2, "Adicionais:");

  const int alturaAdicionais = kLadoDoBotao;
  const int larguraBotoes = 3 * kLadoDoBotao + 2 * kMargem;
  const int esquerdaBotoes = kEsquerdaColuna + kLarguraColuna - larguraBotoes;
  pnlAdicionais = CriaPainel(kPnlAdicionais, "", kEsquerdaColuna, topo, esquerdaBotoes - kMargem - kEsquerdaColuna,
                             alturaAdicionais, Chanfro::kRebaixado, pnlFundo);
  DefineCores(pnlAdicionais, RGB(0, 0, 0), RGB(255, 255, 255));
  DefineAlinhamento(pnlAdicionais, DT_LEFT | DT_WORDBREAK | DT_VCENTER);

  cmdOkay = CriaBotaoFigura(kCmdOkay, Pictograma::kOk, esquerdaBotoes, topo, kLadoDoBotao,
                            "Clique aqui para alterar os dados do produto atual", pnlFundo);
  cmdExcluir = CriaBotaoFigura(kCmdExcluir, Pictograma::kExcluir, esquerdaBotoes + kLadoDoBotao + kMargem, topo,
                               kLadoDoBotao, "Clique aqui para excluir este produto do cadastro", pnlFundo);
  cmdCancelar = CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, esquerdaBotoes + 2 * (kLadoDoBotao + kMargem),
                                topo, kLadoDoBotao, "Clique aqui para retornar", pnlFundo);

  // The arrow points at the details of the chosen entry.
  imgSetaApontaDica = CriaFigura(kImgSetaApontaDica, Pictograma::kSeta, kMargem + 360, topo, kEsquerdaColuna - 600,
                                 alturaAdicionais, pnlFundo);
}

bool frmConsulta::Form_Load() {
  AtualizaComboProduto();
  // Choosing the first name has shown its brands; a catalogue without entries has closed the window.
  return Carregado();
}

bool frmConsulta::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

bool frmConsulta::CarregaNomes(bool aposEdicao) {
  std::vector<std::string> nomes;
  // Told already when it fails; the list stays as it was.
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.Names(&nomes, aposEdicao); })) return true;
  if (nomes.empty()) return false;
  SendMessageA(cmbProduto, CB_RESETCONTENT, 0, 0);
  for (const std::string& nome : nomes) {
    SendMessageA(cmbProduto, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(nome.c_str()));
  }
  SendMessageA(cmbProduto, CB_SETCURSEL, 0, 0);
  cmbProduto_Click();
  return true;
}

void frmConsulta::AtualizaComboProduto() {
  if (CarregaNomes(false)) return;
  // The sentinel is no product: choosing it finds no brands, and the window closes.
  SendMessageA(cmbProduto, CB_RESETCONTENT, 0, 0);
  SendMessageA(cmbProduto, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kSemProdutos));
  SendMessageA(cmbProduto, CB_SETCURSEL, 0, 0);
  cmbProduto_Click();
}

void frmConsulta::AtualizaComboProdutoComID() {
  if (CarregaNomes(true)) return;
  MsgBox("Desculpe, mas para fazer-se uma consulta, primeiro deve existir algum produto cadastrado.",
         MB_OK | MB_ICONSTOP, "Erro:");
  Descarrega();
}

void frmConsulta::AtualizaMarcaComplemento() {
  if (!Carregado()) return;
  std::vector<Product> marcas;
  const std::string nome = NomeEscolhido(cmbProduto);
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.BrandsOf(nome, &marcas); })) return;
  if (marcas.empty()) {
    Descarrega();
    return;
  }
  SendMessageA(lstMarcaComplemento, LB_RESETCONTENT, 0, 0);
  entradas_.clear();
  for (Product& m : marcas) {
    Entrada e{std::move(m.brand), std::move(m.complement)};
    const std::string linha = e.marca + "; " + e.complemento;
    SendMessageA(lstMarcaComplemento, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(linha.c_str()));
    entradas_.push_back(std::move(e));
  }
  SendMessageA(lstMarcaComplemento, LB_SETCURSEL, 0, 0);
  lstMarcaComplemento_Click();
}

void frmConsulta::AtualizaAdicionais() {
  const LRESULT indice = SendMessageA(lstMarcaComplemento, LB_GETCURSEL, 0, 0);
  if (indice < 0 || static_cast<size_t>(indice) >= entradas_.size()) return;
  const Entrada& e = entradas_[static_cast<size_t>(indice)];
  Product detalhes;
  bool achada = false;
  const std::string nome = NomeEscolhido(cmbProduto);
  // Whether the query failed (the user has been told) or the entry is gone since the list was made (changed
  // by another program), no entry is chosen now: the identifier of the entry shown before would send a
  // change or a delete to the wrong product.
  if (!ModuloGlobal::Le(
          [&](const Shop& loja) { return loja.Find(nome, e.marca, e.complemento, &detalhes, &achada); }) ||
      !achada) {
    NenhumaEntradaEscolhida();
    return;
  }
  DefineTexto(pnlAdicionais, "Preço Unitário: R$ " + FormatTwoDecimals(detalhes.price.ToDouble()) +
                                 "\r\nData da Pesquisa: " + detalhes.date);
  DefineTexto(pnlID, std::to_string(detalhes.id));
  EnableWindow(cmdOkay, TRUE);
  EnableWindow(cmdExcluir, TRUE);
}

void frmConsulta::NenhumaEntradaEscolhida() {
  DefineTexto(pnlAdicionais, "");
  DefineTexto(pnlID, "-");
  EnableWindow(cmdOkay, FALSE);
  EnableWindow(cmdExcluir, FALSE);
}

void frmConsulta::cmbProduto_Click() { AtualizaMarcaComplemento(); }

void frmConsulta::lstMarcaComplemento_Click() { AtualizaAdicionais(); }

bool frmConsulta::IdEscolhido(long long* id) const { return ParseProductId(TextoDe(pnlID), id); }

void frmConsulta::FocoNoProduto() {
  if (Carregado()) SetFocus(cmbProduto);
}

void frmConsulta::cmdOkay_Click() {
  long long id = 0;
  if (!IdEscolhido(&id)) return;
  Product entrada;
  bool achada = false;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.ProductById(id, &entrada, &achada); })) return;
  if (achada) {
    const ComAmpulheta ampulheta;
    frmCadastraProduto cadastro;
    if (cadastro.Carrega(hWnd())) {
      cadastro.PreparaEdicao(entrada);
      cadastro.MostraModal(hWnd());
    }
  }
  // Saved or cancelled, the names are read again and the first one is chosen.
  AtualizaComboProdutoComID();
  FocoNoProduto();
}

void frmConsulta::cmdExcluir_Click() {
  long long id = 0;
  if (!IdEscolhido(&id)) return;
  if (MsgBox("Você está certo de que deseja excluir este produto do cadastro?",
             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") != IDYES) {
    return;
  }
  std::string lista;
  bool usado = false;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.ListUsing(id, &lista, &usado); })) return;
  if (usado) {
    MsgBox("Impossível excluir este produto da lista, pois a lista de compras denominada '" + lista +
               "' faz referência a este produto.",
           MB_OK | MB_ICONSTOP, "Erro:");
    return;
  }
  if (!ModuloGlobal::Altera([&](const Shop& loja) { return loja.Delete(id); })) return;
  AtualizaComboProduto();
  FocoNoProduto();  // the window may have closed: its last entry is gone
}

void frmConsulta::cmdCancelar_Click() { Descarrega(); }

}  // namespace mercanota
