#include "products/frmCadastraProduto.h"

#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Regional.h"
#include "forms/Servicos.h"

namespace mercanota {
namespace {

const char kSemMarca[] = "<Não Possue>";
const char kSemComplemento[] = "<Nenhum>";
const char kDataVazia[] = "__/__/____";

// Layout in twips, within the background panel.
constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 4380;
constexpr int kEsquerdaRotulos = 1500;
constexpr int kLarguraRotulos = 1680;
constexpr int kEsquerdaCaixas = 3240;
constexpr int kPassoDasLinhas = 450;
constexpr int kAlturaCaixas = 315;

struct Campo {
  const char* rotulo;
  HWND frmCadastraProduto::*caixa;
  int id;
  int largura;
  int limite;
};

const Campo kCampos[] = {
    {"Nome do Produto:", &frmCadastraProduto::txtProduto, frmCadastraProduto::kTxtProduto, 4020,
     frmCadastraProduto::kMaxProduto},
    {"Marca:", &frmCadastraProduto::txtMarca, frmCadastraProduto::kTxtMarca, 2880, frmCadastraProduto::kMaxMarca},
    {"Complemento:", &frmCadastraProduto::txtComplemento, frmCadastraProduto::kTxtComplemento, 2880,
     frmCadastraProduto::kMaxComplemento},
    {"Data da Pesquisa:", &frmCadastraProduto::mskDataPesquisa, frmCadastraProduto::kMskDataPesquisa, 1200, 0},
    {"Preço:", &frmCadastraProduto::txtPrecoUnitario, frmCadastraProduto::kTxtPrecoUnitario, 1200,
     frmCadastraProduto::kMaxPreco},
};

const Comando<frmCadastraProduto> kComandos[] = {
    {frmCadastraProduto::kCmdOkay, BN_CLICKED, &frmCadastraProduto::cmdOkay_Click},
    {frmCadastraProduto::kCmdCancelar, BN_CLICKED, &frmCadastraProduto::cmdCancelar_Click},
    {frmCadastraProduto::kMskDataPesquisa, EN_SETFOCUS, &frmCadastraProduto::mskDataPesquisa_GotFocus},
};

// A text of blanks only is no text: a name would be stored as an entry nobody can see in a list, a brand
// or complement as a blank where the placeholder belongs.
bool SemTexto(const std::string& texto) { return texto.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

Formulario::Projeto frmCadastraProduto::Desenho() const {
  return DesenhoDeTarefa("Cadastro de Produtos", kLarguraCliente, kAlturaCliente);
}

void frmCadastraProduto::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTituloFundo = CriaTitulo(kPnlTituloFundo, "Cadastro de Produtos", kLarguraCliente, pnlFundo);
  pnlID = CriaIdentificador(kPnlID, kLarguraCliente, pnlTituloFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kCadastro, pnlFundo);

  // Created in tab order: each label panel, then its box.
  for (int i = 0; i < 5; ++i) {
    const Campo& c = kCampos[i];
    const int topo = kTopoDosDados + i * kPassoDasLinhas;
    pnlLabelDados[i] = CriaRotuloDeDados(kPnlLabelDados0 + i, c.rotulo, kEsquerdaRotulos, topo, kLarguraRotulos,
                                         kAlturaCaixas, pnlFundo);
    HWND caixa;
    if (c.id == kMskDataPesquisa) {
      caixa = CriaCaixaComMascara(c.id, "##/##/####", '_', kEsquerdaCaixas, topo, c.largura, kAlturaCaixas, pnlFundo);
    } else {
      const DWORD alinhamento = c.id == kTxtPrecoUnitario ? ES_RIGHT : ES_LEFT;
      caixa = CriaControle("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP | alinhamento, c.id, kEsquerdaCaixas, topo,
                           c.largura, kAlturaCaixas, pnlFundo, WS_EX_CLIENTEDGE);
      SendMessageA(caixa, EM_LIMITTEXT, static_cast<WPARAM>(c.limite), 0);
    }
    this->*c.caixa = caixa;
  }

  // The footer: the tip between two arrows that point at it, then the buttons.
  const int topo = kTopoDosDados + 5 * kPassoDasLinhas + 60;
  const int altura = kAlturaCliente - kMargem - topo;
  const int esquerdaCancelar = kLarguraCliente - kMargem - kLadoDoBotao;
  const int esquerdaOkay = esquerdaCancelar - kMargem - kLadoDoBotao;
  const int topoBotoes = topo + (altura - kLadoDoBotao) / 2;
  cmdOkay = CriaBotaoFigura(kCmdOkay, Pictograma::kOk, esquerdaOkay, topoBotoes, kLadoDoBotao,
                            "Clique aqui para salvar o registro no banco de dados", pnlFundo);
  cmdCancelar = CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, esquerdaCancelar, topoBotoes, kLadoDoBotao,
                                "Clique aqui para cancelar a edição", pnlFundo);

  const int larguraSeta = 420;
  const int esquerdaDica = kMargem + larguraSeta + 60;
  const int larguraDica = esquerdaOkay - 2 * kMargem - larguraSeta - 60 - esquerdaDica;
  imgSetaApontaDica[0] =
      CriaFigura(kImgSetaApontaDica0, Pictograma::kSeta, kMargem, topo, larguraSeta, altura, pnlFundo);
  pnlDica = CriaDica(kPnlDica,
                     "Dica: para cadastrar outra marca do mesmo produto, mantenha a tecla Shift pressionada ao "
                     "salvar. O nome, o complemento e a data ficam para o próximo cadastro.",
                     esquerdaDica, topo, larguraDica, altura, pnlFundo);
  imgSetaApontaDica[1] = CriaFigura(kImgSetaApontaDica0 + 1, Pictograma::kSetaEsquerda, esquerdaDica + larguraDica + 60,
                                    topo, larguraSeta, altura, pnlFundo);
}

bool frmCadastraProduto::Form_Load() {
  // The caller showed the hourglass while the window was made.
  DefinePonteiro(Ponteiro::kPadrao);
  ShiftPressionado = false;
  dataGuardada_.reset();
  return true;
}

void frmCadastraProduto::PreparaEdicao(const Product& entrada) {
  const std::string& dataPesquisa = entrada.date;
  DefineTexto(pnlID, std::to_string(entrada.id));
  DefineTexto(txtProduto, entrada.name);
  DefineTexto(txtMarca, entrada.brand);
  DefineTexto(txtComplemento, entrada.complement);
  DefineTexto(mskDataPesquisa, dataPesquisa);
  DefineTexto(txtPrecoUnitario, FormatTwoDecimals(entrada.price.ToDouble()));
  // The box shows only a date of the mask's shape; a stored text of another shape (the price update stores
  // the server's dates as sent) shows as an empty mask. Either way the stored text is what is saved again
  // while the box shows what it showed here.
  dataGuardada_ = DataGuardada{dataPesquisa, TextoDe(mskDataPesquisa)};
}

bool frmCadastraProduto::DataIntocada() const {
  return dataGuardada_ && EmEdicao() && TextoDe(mskDataPesquisa) == dataGuardada_->mostrada;
}

std::string frmCadastraProduto::DataParaGravar() const {
  return DataIntocada() ? dataGuardada_->texto : TextoDe(mskDataPesquisa);
}

bool frmCadastraProduto::EmEdicao() const { return TextoDe(pnlID) != "-"; }

void frmCadastraProduto::LimpaCamposProduto() {
  DefineTexto(txtProduto, "");
  DefineTexto(txtMarca, "");
  DefineTexto(txtComplemento, "");
  DefineTexto(txtPrecoUnitario, "");
  SetFocus(txtProduto);  // refused while the box is disabled; nothing else to do then
}

bool frmCadastraProduto::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

// Shift alone: neither Ctrl nor Alt with it.
void frmCadastraProduto::Form_KeyDown() {
  ShiftPressionado = GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
}

void frmCadastraProduto::Form_KeyUp() { Form_KeyDown(); }

bool frmCadastraProduto::VisualizaTecla(MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: Form_KeyDown(); return false;
    case WM_KEYUP:
    case WM_SYSKEYUP: Form_KeyUp(); return false;
    case WM_CHAR:
      // Quotes are left out of everything typed here: a name is never meant to hold them, and every value
      // typed here ends up between quotes in a statement.
      return msg.wParam == '"' || msg.wParam == '\'';
  }
  return false;
}

void frmCadastraProduto::mskDataPesquisa_GotFocus() {
  const std::string texto = TextoDe(mskDataPesquisa);
  if (texto == kDataVazia) return;
  SendMessageA(mskDataPesquisa, EM_SETSEL, 0, static_cast<LPARAM>(texto.size() + 1));
}

bool frmCadastraProduto::ConfereNome() {
  if (!SemTexto(TextoDe(txtProduto))) return true;
  MsgBox("Impossível salvar registro que não possue Nome. Favor preencher corretamente o campo Nome do Produto.",
         MB_OK | MB_ICONSTOP, "Erro:");
  SetFocus(txtProduto);
  return false;
}

// The price typed, as a currency amount under the regional settings. A box that holds no number counts as zero, which
// must be confirmed.
bool frmCadastraProduto::ConferePreco(Currency* preco) {
  Currency valor;
  if (!ParseCurrency(TextoDe(txtPrecoUnitario), &valor)) {
    DefineTexto(txtPrecoUnitario, "0");
    valor = Currency{};
  }
  if (valor.IsZero()) {
    const std::string nome = TextoDe(txtProduto);
    if (MsgBox("Você está certo de que o preço unitário para " + nome + " é R$ 0,00 ?",
               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Atenção:") != IDYES) {
      return false;
    }
    DefineTexto(txtPrecoUnitario, FormatTwoDecimals(0));
  }
  *preco = valor;
  return true;
}

bool frmCadastraProduto::ConfereData() {
  if (DataIntocada()) return true;
  Date data;
  if (ParseDateText(TextoDe(mskDataPesquisa), &data)) return true;
  if (MsgBox("A data informada não é uma data válida. Deseja que o programa assuma a data de hoje como a data "
             "da Pesquisa?",
             MB_YESNO | MB_ICONQUESTION, "Erro:") != IDYES) {
    return false;
  }
  DefineTexto(mskDataPesquisa, TodayText());
  return true;
}

void frmCadastraProduto::PreencheVazios() {
  if (SemTexto(TextoDe(txtComplemento))) DefineTexto(txtComplemento, kSemComplemento);
  if (SemTexto(TextoDe(txtMarca))) DefineTexto(txtMarca, kSemMarca);
  if (TextoDe(txtPrecoUnitario).empty()) DefineTexto(txtPrecoUnitario, FormatTwoDecimals(0));
}

bool frmCadastraProduto::GravaNovo(Currency preco) {
  const std::string nome = TextoDe(txtProduto);
  bool cadastrado = false;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.NameIsRegistered(nome, &cadastrado); })) return false;
  if (cadastrado && !ShiftPressionado) {
    if (MsgBox("Você já possue '" + nome +
                   "' cadastrado. Pode ser que você esteje tentando cadastrar o mesmo produto, porém com marcas "
                   "diferentes. Prosseguir com o Cadastro?",
               MB_YESNO | MB_ICONQUESTION, "Atenção:") != IDYES) {
      return false;
    }
  }

  Product entrada;
  entrada.name = nome;
  entrada.brand = TextoDe(txtMarca);
  entrada.complement = TextoDe(txtComplemento);
  entrada.date = TextoDe(mskDataPesquisa);
  entrada.price = preco;
  if (!ModuloGlobal::Altera([&](const Shop& loja) { return loja.Register(entrada); })) return false;
  if (ShiftPressionado) {
    DefineTexto(txtMarca, "");
    DefineTexto(txtPrecoUnitario, "");
    SetFocus(txtMarca);
  } else {
    LimpaCamposProduto();
  }
  return true;
}

bool frmCadastraProduto::GravaAlteracao(Currency preco) {
  Product entrada;
  if (!ParseProductId(TextoDe(pnlID), &entrada.id)) return false;
  entrada.name = TextoDe(txtProduto);
  entrada.brand = TextoDe(txtMarca);
  entrada.complement = TextoDe(txtComplemento);
  entrada.date = DataParaGravar();
  entrada.price = preco;
  if (!ModuloGlobal::Altera([&](const Shop& loja) { return loja.Update(entrada); })) return false;
  ShiftPressionado = false;
  Descarrega();
  return true;
}

void frmCadastraProduto::cmdOkay_Click() {
  if (!ConfereNome()) return;
  Currency preco;
  if (!ConferePreco(&preco)) return;
  if (!ConfereData()) return;
  PreencheVazios();
  if (EmEdicao()) {
    GravaAlteracao(preco);  // the window closes after the change
    return;
  }
  if (!GravaNovo(preco)) return;
  ShiftPressionado = false;
  if (ModuloGlobal::ModoCadastro == "CadastraUm") Descarrega();
}

void frmCadastraProduto::cmdCancelar_Click() {
  const char* pergunta = nullptr;
  if (EmEdicao()) {
    pergunta = "Você está certo de que deseja cancelar as alterações para este produto?";
  } else if (!SemTexto(TextoDe(txtProduto))) {
    pergunta = "Você está certo de que deseja cancelar o cadastro deste produto?";
  }
  if (pergunta && MsgBox(pergunta, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "Importante:") != IDYES) return;
  Descarrega();
}

}  // namespace mercanota
