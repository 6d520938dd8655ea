#include "lists/frmMontaLista.h"

#include <commctrl.h>

#include <cstdio>
#include <set>

#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "lists/RelatorioDaLista.h"
#include "catalogue/RelatorioDeCompras.h"
#include "forms/Servicos.h"
#include "lists/VisitaGuiada.h"
#include "products/frmCadastraProduto.h"

namespace mercanota {
namespace {

constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 4880;
constexpr int kEsquerdaColuna = 1560;
constexpr int kLarguraColuna = 5700;
constexpr int kAlturaRotulo = 270;
constexpr int kMaxQuantidade = 8;  // characters of the quantity box
// The largest quantity a saved list gives back whole: the saved-list window reads it as an Integer.
constexpr long long kQuantidadeMaxima = 32767;

// The identifier sits out of sight at the end of the entry, after 99 blanks.
std::string TextoDaMarca(const std::string& marca, const std::string& complemento, long long id) {
  char codigo[32];
  std::snprintf(codigo, sizeof codigo, "%05lld", id);
  return marca + "; " + complemento + std::string(99, ' ') + "--> Id. " + codigo;
}

bool SoDigitos(const std::string& texto) {
  for (char c : texto) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The whole number a quantity text holds; anything else (a pasted text) counts as none.
Currency QuantidadeDoTexto(const std::string& texto) {
  Currency q;
  if (texto.empty() || !SoDigitos(texto) || !ParseCurrency(texto, &q)) q.scaled = 0;
  return q;
}

std::string TextoDaQuantidade(Currency q) { return CurrencyToText(q); }

std::string Maiusculas(std::string texto) {
  for (char& c : texto) {
    const unsigned char u = static_cast<unsigned char>(c);
    // Windows-1252: a-z and the accented small letters (but the division sign) have capitals 32 below.
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) c = static_cast<char>(u - 0x20);
  }
  return texto;
}

bool IdNaTabela(long long id) { return id >= 1 && id <= kMaxProdutosDaLista; }

const Comando<frmMontaLista> kComandos[] = {
    {frmMontaLista::kLstMarca, LBN_SELCHANGE, &frmMontaLista::lstMarca_Click},
    {frmMontaLista::kCmdGerarLista, BN_CLICKED, &frmMontaLista::cmdGerarLista_Click},
    {frmMontaLista::kCmdVoltarProduto, BN_CLICKED, &frmMontaLista::cmdVoltarProduto_Click},
    {frmMontaLista::kCmdCadastrarNovo, BN_CLICKED, &frmMontaLista::cmdCadastrarNovo_Click},
    {frmMontaLista::kCmdCancelar, BN_CLICKED, &frmMontaLista::cmdCancelar_Click},
};

}  // namespace

Formulario::Projeto frmMontaLista::Desenho() const {
  return DesenhoDeTarefa("Montagem da Lista de Compras", kLarguraCliente, kAlturaCliente);
}

void frmMontaLista::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTitulo = CriaTitulo(kPnlTitulo, "Produto", kLarguraCliente, pnlFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kCarrinho, pnlFundo);

  int topo = kTopoDosDados;
  const auto rotulo = [&](int indice, const char* texto) {
    pnlLabelDados[indice] = CriaRotuloDaColuna(kPnlLabelDados0 + indice, texto, kEsquerdaColuna, &topo, kLarguraColuna,
                                               kAlturaRotulo, pnlFundo);
  };
  rotulo(0, "Selecione Marca e Complemento:");
  lstMarca = CriaControle("LISTBOX", "", lista::kEstilo, kLstMarca, kEsquerdaColuna, topo, kLarguraColuna, 2000,
                          pnlFundo, WS_EX_CLIENTEDGE);
  topo += 2000 + 60;
  rotulo(1, "Quantidade:");
  txtQtd = CriaControle("EDIT", "0", ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP, kTxtQtd, kEsquerdaColuna, topo, 1200, 315,
                        pnlFundo, WS_EX_CLIENTEDGE);
  SendMessageA(txtQtd, EM_LIMITTEXT, kMaxQuantidade, 0);
  spnQtd = CriaControle(UPDOWN_CLASSA, "", UDS_ARROWKEYS, kSpnQtd, kEsquerdaColuna + 1200, topo, 255, 315, pnlFundo);
  // The position stays in the middle: each press is a step up or down, the box holds the value.
  SendMessageA(spnQtd, UDM_SETRANGE32, 0, 100);
  SendMessageA(spnQtd, UDM_SETPOS32, 0, 50);
  pnlDica = CriaDica(kPnlDica, "Selecione a marca e a quantidade do produto.", kEsquerdaColuna + 1600, topo,
                     kLarguraColuna - 1600, 315, pnlFundo);
  imgSetaApontaDica = CriaFigura(kImgSetaApontaDica, Pictograma::kSeta, kMargem + 240, topo - 120,
                                 kEsquerdaColuna - 480, 555, pnlFundo);
  topo += 315 + 240;

  const int larguraBotoes = 4 * kLadoDoBotao + 3 * kMargem;
  const int esquerdaBotoes = kEsquerdaColuna + kLarguraColuna - larguraBotoes;
  pnlMes = CriaPainel(kPnlMes, "<-Volta ao produto anterior Avança para o próximo Ítem->", kMargem, topo,
                      esquerdaBotoes - 2 * kMargem, kLadoDoBotao, Chanfro::kRebaixado, pnlFundo);
  DefineAlinhamento(pnlMes, DT_CENTER | DT_WORDBREAK | DT_VCENTER);
  cmdVoltarProduto = CriaBotaoFigura(kCmdVoltarProduto, Pictograma::kSetaEsquerda, esquerdaBotoes, topo, kLadoDoBotao,
                                     "Clique aqui para voltar ao produto anterior", pnlFundo);
  cmdGerarLista = CriaBotaoFigura(kCmdGerarLista, Pictograma::kSeta, esquerdaBotoes + kLadoDoBotao + kMargem, topo,
                                  kLadoDoBotao, "Clique aqui para prosseguir com o próximo produto", pnlFundo);
  cmdCadastrarNovo =
      CriaBotaoFigura(kCmdCadastrarNovo, Pictograma::kCadastro, esquerdaBotoes + 2 * (kLadoDoBotao + kMargem), topo,
                      kLadoDoBotao, "Clique aqui para cadastar um novo ítem", pnlFundo);
  cmdCancelar = CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, esquerdaBotoes + 3 * (kLadoDoBotao + kMargem),
                                topo, kLadoDoBotao, "Clique aqui para retornar", pnlFundo);
}

bool frmMontaLista::Form_Load() {
  for (auto& q : QuantidadePorProduto) q.scaled = 0;
  lista::DefineListIndex(lstProdutos_, 0);
  AtualizaProdutoNaVariavel();
  lista::DefineListIndex(lstProdutos_, 0);
  AtualizaProduto();
  // The walk may have ended at once (nothing that can be bought was ticked): the window is gone.
  if (Carregado() && ModuloGlobal::ModoDeAjuda) ConfereHelp();
  return Carregado();
}

bool frmMontaLista::Form_QueryUnload() {
  return MsgBox("Você está certo de que deseja cancelar esta edição da lista?",
                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") != IDNO;
}

bool frmMontaLista::AoComando(int id, int notificacao, HWND) {
  if (id == kTxtQtd) {
    if (notificacao == EN_CHANGE) txtQtd_Change();
    if (notificacao == EN_SETFOCUS) txtQtd_GotFocus();
    return true;
  }
  return DespachaComando(*this, kComandos, id, notificacao);
}

LRESULT frmMontaLista::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY) {
    const auto* cabecalho = reinterpret_cast<const NMHDR*>(lParam);
    if (cabecalho->hwndFrom == spnQtd && cabecalho->code == UDN_DELTAPOS) {
      const auto* passo = reinterpret_cast<const NMUPDOWN*>(lParam);
      if (passo->iDelta > 0) spnQtd_SpinUp();
      if (passo->iDelta < 0) spnQtd_SpinDown();
      return TRUE;  // the position itself never moves
    }
  }
  return FormularioDeLista::TrataMensagem(msg, wParam, lParam);
}

bool frmMontaLista::VisualizaTecla(MSG& msg) {
  const bool enter =
      (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) || (msg.message == WM_CHAR && msg.wParam == '\r');
  if (msg.hwnd == lstMarca) {
    if (enter) {
      lstMarca_KeyPress(13);
      return true;
    }
    // The arrows, and a typed letter (which moves to the next brand starting with it), move the current
    // entry without a notification; the quantity box must follow it.
    if ((msg.message == WM_KEYDOWN && (msg.wParam == VK_UP || msg.wParam == VK_DOWN || msg.wParam == VK_PRIOR ||
                                       msg.wParam == VK_NEXT || msg.wParam == VK_HOME || msg.wParam == VK_END)) ||
        (msg.message == WM_CHAR && msg.wParam > ' ')) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (lista::ListIndex(lstMarca) != marcaAtual_) lstMarca_Click();
      return true;
    }
    return false;
  }
  if (msg.hwnd == txtQtd) {
    if (enter) {
      txtQtd_KeyPress(13);
      return true;
    }
    if (msg.message == WM_CHAR) return !txtQtd_KeyPress(static_cast<int>(msg.wParam));
  }
  return false;
}

void frmMontaLista::AtualizaProdutoNaVariavel() {
  ComAmpulheta ampulheta;
  std::vector<std::string> nomes;
  for (int cursor = lista::ProximaMarcada(lstProdutos_, 0); cursor >= 0;
       cursor = lista::ProximaMarcada(lstProdutos_, cursor + 1)) {
    nomes.push_back(lista::Item(lstProdutos_, cursor));
  }
  // Entries beyond the quantity table are left out, and refused when their product is shown.
  std::vector<SavedQuantity> salvas;
  const bool lidas = ModuloGlobal::Loja().QuantitiesOfList(TextoDe(cmbListaPadrao_), nomes, &salvas);
  for (const SavedQuantity& s : salvas) {
    Currency q;
    if (!s.saved || !CurrencyFromDouble(s.quantity, &q)) q.scaled = 0;
    QuantidadePorProduto[static_cast<size_t>(s.id)] = q;
  }
  if (!lidas) ModuloGlobal::MostraErroDoBancoDeDados();
  lista::DefineListIndex(lstProdutos_, 0);
}

bool frmMontaLista::MostraMarcas(const std::string& produto) {
  DefineTexto(pnlTitulo, produto);
  std::vector<Product> marcas;
  if (!ModuloGlobal::Loja().EntriesByPrice(produto, &marcas)) {
    ModuloGlobal::MostraErroDoBancoDeDados();
    return false;
  }
  lista::Clear(lstMarca);
  ids_.clear();
  marcaAtual_ = -1;
  int n = -1;
  int escolhida = 0;
  std::string recusados;
  for (const Product& m : marcas) {
    const long long id = m.id;
    const std::string& marca = m.brand;
    const std::string& complemento = m.complement;
    if (!IdNaTabela(id)) {
      recusados += "\r\n" + marca + "; " + complemento + " (código " + std::to_string(id) + ")";
      continue;
    }
    ++n;
    lista::AddItem(lstMarca, TextoDaMarca(marca, complemento, id));
    ids_.push_back(id);
    if (QuantidadePorProduto[static_cast<size_t>(id)].scaled > 0) {
      lista::DefineSelected(lstMarca, n, true);
      escolhida = n;
    }
  }
  if (!recusados.empty()) {
    // The quantity table holds the identifiers 1 to 1000 only; an entry beyond it could be neither
    // remembered nor saved.
    DefinePonteiro(Ponteiro::kPadrao);
    MsgBox("Os ítens abaixo de " + produto + " têm código acima de " + std::to_string(kMaxProdutosDaLista) +
               " e não podem entrar numa lista de compras:" + recusados,
           MB_OK | MB_ICONSTOP, "Atenção:");
    DefinePonteiro(Ponteiro::kAmpulheta);
  }
  if (n >= 0) {
    DefineMarcaAtual(0);
    DefineMarcaAtual(escolhida);
  }
  return true;
}

void frmMontaLista::AtualizaProduto() {
  DefinePonteiro(Ponteiro::kAmpulheta);
  lista::Clear(lstMarca);
  ids_.clear();
  marcaAtual_ = -1;
  for (;;) {
    // The next ticked entry from the cursor on; the last entry (the sentinel) is never examined, and
    // the cursor stays on it when no ticked entry is left.
    const int cursor = lista::ListIndex(lstProdutos_);
    const int marcada = cursor < 0 ? -1 : lista::ProximaMarcada(lstProdutos_, cursor);
    const bool achou = marcada >= 0;
    lista::DefineListIndex(lstProdutos_, achou ? marcada : lista::ListCount(lstProdutos_) - 1);
    if (!achou) break;
    if (!MostraMarcas(lista::Text(lstProdutos_))) {
      DefinePonteiro(Ponteiro::kPadrao);
      return;
    }
    lista::DefineListIndex(lstProdutos_, lista::ListIndex(lstProdutos_) + 1);
    // A product none of whose entries could be listed is passed by.
    if (lista::ListCount(lstMarca) > 0) break;
  }
  DefinePonteiro(Ponteiro::kPadrao);

  if (lista::ListCount(lstMarca) == 1) {
    lista::DefineSelected(lstMarca, 0, true);
    SetFocus(lstMarca);
    SetFocus(txtQtd);
  } else {
    SetFocus(lstMarca);
  }
  if (lista::ListCount(lstMarca) == 0) Conclui();
}

void frmMontaLista::Conclui() {
  txtQtd_GotFocus();
  DefineTexto(pnlTitulo, "Tarvelo® Brasil");
  if (!ModuloGlobal::ModoDeAjuda) Salva();
  GeraListaNoPapel();
  Descarrega();
}

void frmMontaLista::Salva() {
  if (MsgBox("Você acabou de montar sua Lista de Compras. Deseja que o programa salve-a para que você possa "
             "utilizar-se dela mais tarde?",
             MB_YESNO | MB_ICONQUESTION, "Importante:") == IDNO) {
    MsgBox("Para gerar uma nova lista de compras com estes produtos, você deverá entrá-los novamente.",
           MB_OK | MB_ICONINFORMATION, "Atenção:");
    return;
  }
  const std::string atual = TextoDe(cmbListaPadrao_);
  std::string nome = InputBox("Informe o nome para salvar esta lista:", "Salvando...",
                              atual == kListaPadrao ? std::string("Minha Lista Padrão") : atual);
  while (nome.empty()) {
    if (MsgBox("Você realmente deseja cancelar a gravação desta lista de compras?",
               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") == IDYES) {
      return;
    }
    nome = InputBox("Informe o nome para salvar esta lista:", "Salvando...", "");
  }
  if (Maiusculas(nome) == Maiusculas(kListaPadrao)) {
    MsgBox(
        "Esta lista não pode ser salvar como 'Lista Padrão', pois já existe uma lista com esta denominação. O "
        "Nome da lista foi alterada para 'Lista Padrão II'.",
        MB_OK | MB_ICONINFORMATION, "Importante:");
    nome = "Lista Padrão II";
  }
  // Written whole or not at all: the list saved before under the name survives a failure.
  std::vector<ListLine> linhas;
  for (size_t i = 1; i < QuantidadePorProduto.size(); ++i) {
    if (QuantidadePorProduto[i].scaled > 0) linhas.push_back({static_cast<long long>(i), QuantidadePorProduto[i]});
  }
  ModuloGlobal::Altera([&](const Shop& loja) { return loja.SaveList(nome, linhas); });
}

void frmMontaLista::GeraListaNoPapel() {
  GeraRelatorio(lstProdutos_, TextoDe(cmbListaPadrao_), [this](long long id) -> long long {
    if (!IdNaTabela(id)) return 0;
    const Currency q = QuantidadePorProduto[static_cast<size_t>(id)];
    return q.scaled > 0 ? q.scaled / Currency::kScale : 0;
  });
}

void frmMontaLista::ConfereHelp() {
  // Runs inside the loading, before the modal showing, on the first ticked product: the cheapest brand of
  // each of the two products the generator's script ticked, 2 of the first and 5 of the second.
  // The generator takes no input meanwhile: a saved list chosen there would rebuild the names under the walk.
  const auto espera = [this](double segundos) { return EsperaSegundos(segundos) && Carregado(); };
  // Closing this window gives the generator its input back, for activation; the pause after that, before
  // the generator's script goes on, takes none.
  const HWND gerador = GetWindow(hWnd(), GW_OWNER);
  const auto pausaDepoisDeFechar = [gerador](double segundos) {
    if (IsWindow(gerador)) EnableWindow(gerador, FALSE);
    EsperaSegundos(segundos);
  };
  Mostra();
  DesabilitaDono();
  EnableWindow(hWnd(), FALSE);
  if (!espera(2)) return;
  visita::ApontaPara(lstMarca, 10, 10);
  if (!espera(3.5)) return;
  visita::Toca(visita::kMsg105);
  if (!espera(2)) return;
  visita::Marca(lstMarca, 0);
  visita::ApontaPara(txtQtd, 15, 15);
  DefineTexto(txtQtd, "2");
  if (!espera(1.9)) return;
  visita::ApontaPara(cmdGerarLista, 15, 15);
  cmdGerarLista_Click();
  // With one product ticked the walk has ended here: the list is made and the window is gone.
  if (!Carregado()) return pausaDepoisDeFechar(2);
  if (!espera(2)) return;
  visita::ApontaPara(lstMarca, 10, 10);
  if (!espera(0.2)) return;
  visita::Marca(lstMarca, 0);
  if (!espera(0.1)) return;
  visita::ApontaPara(txtQtd, 15, 15);
  DefineTexto(txtQtd, "5");
  if (!espera(1)) return;
  visita::ApontaPara(cmdGerarLista, 15, 15);
  visita::Toca(visita::kMsg106);
  if (!espera(12)) return;
  EnableWindow(hWnd(), TRUE);
  cmdGerarLista_Click();  // no further product: no save question in help mode, the list is made, the window closes
  pausaDepoisDeFechar(2);
}

Currency* frmMontaLista::QuantidadeAtual() {
  const int i = lista::ListIndex(lstMarca);
  if (i < 0 || static_cast<size_t>(i) >= ids_.size()) return nullptr;
  return &QuantidadePorProduto[static_cast<size_t>(ids_[static_cast<size_t>(i)])];
}

void frmMontaLista::DefineMarcaAtual(int i) {
  if (lista::DefineListIndex(lstMarca, i)) lstMarca_Click();
}

void frmMontaLista::cmdGerarLista_Click() {
  if (lista::TickedCount(lstMarca) == 0) {
    MsgBox("Por favor, assinale a marca e o complemento do produto a ser inserido na lista.",
           MB_OK | MB_ICONINFORMATION, "Importante:");
    SetFocus(lstMarca);
    return;
  }
  const int n = lista::ListCount(lstMarca);
  for (int i = 0; i < n; ++i) {
    DefineMarcaAtual(i);
    Currency* q = QuantidadeAtual();
    if (!q) continue;
    if (lista::Selected(lstMarca, i)) {
      if (q->scaled == 0) {
        if (MsgBox("Você não especificou quantidade para um produto assinalado. Deseja que o programa assuma o valor "
                   "1 (um) para a quantidade?",
                   MB_YESNO | MB_ICONQUESTION, "Importante:") == IDNO) {
          return;
        }
        q->scaled = Currency::kScale;
      }
    } else {
      q->scaled = 0;
    }
  }
  AtualizaProduto();
}

void frmMontaLista::cmdVoltarProduto_Click() {
  const char* semAnterior =
      "Desculpe, mas não existem produtos selecionados anteriormente ao que você está selecionando.";
  const int cursor = lista::ListIndex(lstProdutos_);
  if (cursor < 2) {
    MsgBox(semAnterior, MB_OK | MB_ICONINFORMATION, "Erro:");
    return;
  }
  for (int i = cursor - 2; i >= 0; --i) {
    if (lista::Selected(lstProdutos_, i)) {
      lista::DefineListIndex(lstProdutos_, i);
      AtualizaProduto();
      return;
    }
  }
  MsgBox(semAnterior, MB_OK | MB_ICONINFORMATION, "Erro:");
}

void frmMontaLista::cmdCadastrarNovo_Click() {
  const std::string produto = TextoDe(pnlTitulo);
  DefinePonteiro(Ponteiro::kAmpulheta);
  {
    frmCadastraProduto cadastro;
    if (cadastro.Carrega(hWnd())) {
      DefineTexto(cadastro.txtProduto, produto);
      EnableWindow(cadastro.txtProduto, FALSE);
      ModuloGlobal::ModoCadastro = "CadastraUm";
      cadastro.MostraModal(hWnd());
      ModuloGlobal::ModoCadastro = "Padrão";
    }
  }
  if (!Carregado()) return;
  std::vector<Product> marcas;
  if (ModuloGlobal::Le([&](const Shop& loja) { return loja.EntriesByPrice(produto, &marcas); })) {
    size_t aceitas = 0;
    for (const Product& m : marcas) {
      if (IdNaTabela(m.id)) ++aceitas;
    }
    // A brand was added: the list is made again, its ticks from the quantities, and the brands ticked
    // before keep theirs, also those given no quantity yet.
    if (aceitas != static_cast<size_t>(lista::ListCount(lstMarca))) {
      std::set<long long> marcadas;
      for (size_t i = 0; i < ids_.size(); ++i) {
        if (lista::Selected(lstMarca, static_cast<int>(i))) marcadas.insert(ids_[i]);
      }
      DefinePonteiro(Ponteiro::kAmpulheta);
      MostraMarcas(produto);
      for (size_t i = 0; i < ids_.size(); ++i) {
        if (marcadas.count(ids_[i])) lista::DefineSelected(lstMarca, static_cast<int>(i), true);
      }
    }
  }
  SetFocus(lstMarca);
  DefinePonteiro(Ponteiro::kPadrao);
}

void frmMontaLista::cmdCancelar_Click() {
  if (Form_QueryUnload()) Descarrega();
}

void frmMontaLista::lstMarca_Click() {
  marcaAtual_ = lista::ListIndex(lstMarca);
  if (Currency* q = QuantidadeAtual()) DefineTexto(txtQtd, TextoDaQuantidade(*q));
}

void frmMontaLista::lstMarca_KeyPress(int KeyAscii) {
  if (KeyAscii != 13) return;
  const int i = lista::ListIndex(lstMarca);
  if (i >= 0 && !lista::Selected(lstMarca, i)) lista::DefineSelected(lstMarca, i, true);
  SetFocus(txtQtd);
}

void frmMontaLista::txtQtd_Change() {
  if (atualizandoQtd_) return;
  const std::string texto = TextoDe(txtQtd);
  if (texto.empty()) {
    atualizandoQtd_ = true;
    DefineTexto(txtQtd, "0");
    atualizandoQtd_ = false;
  }
  Currency* q = QuantidadeAtual();
  const Currency nova = QuantidadeDoTexto(texto.empty() ? "0" : texto);
  if (nova.scaled > kQuantidadeMaxima * Currency::kScale) {
    // Refused in the box itself: the report would print it, the saved list could not give it back.
    atualizandoQtd_ = true;
    DefineTexto(txtQtd, q ? TextoDaQuantidade(*q) : "0");
    atualizandoQtd_ = false;
    SendMessageA(txtQtd, EM_SETSEL, 0, -1);
    MsgBox("Desculpe, mas a quantidade de um item não pode passar de 32767.", MB_OK | MB_ICONSTOP, "Erro:");
    return;
  }
  if (q) *q = nova;
}

void frmMontaLista::txtQtd_GotFocus() {
  Currency* q = QuantidadeAtual();
  DefineTexto(txtQtd, q ? TextoDaQuantidade(*q) : "0");
  SendMessageA(txtQtd, EM_SETSEL, 0, -1);
}

bool frmMontaLista::txtQtd_KeyPress(int KeyAscii) {
  if (KeyAscii == 8) return true;
  if (KeyAscii == 13) {
    cmdGerarLista_Click();
    return false;
  }
  return KeyAscii >= '0' && KeyAscii <= '9';
}

void frmMontaLista::spnQtd_SpinUp() {
  txtQtd_GotFocus();
  Currency q = QuantidadeDoTexto(TextoDe(txtQtd));
  q.scaled += Currency::kScale;
  DefineTexto(txtQtd, TextoDaQuantidade(q));
  txtQtd_Change();
}

void frmMontaLista::spnQtd_SpinDown() {
  txtQtd_GotFocus();
  Currency q = QuantidadeDoTexto(TextoDe(txtQtd));
  if (q.scaled > Currency::kScale) {
    q.scaled -= Currency::kScale;
    DefineTexto(txtQtd, TextoDaQuantidade(q));
  }
  txtQtd_Change();
}

}  // namespace mercanota
