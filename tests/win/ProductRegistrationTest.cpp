// The product registration window driven in this process, its message boxes answered from a script and
// its rows read back from the catalogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"
#include "products/frmCadastraProduto.h"
#include "app/frmPrincipal.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kSemNome[] =
    "Imposs\xEDvel salvar registro que n\xE3o possue Nome. Favor preencher corretamente o campo Nome do Produto.";
const char kDataInvalida[] =
    "A data informada n\xE3o \xE9 uma data v\xE1lida. Deseja que o programa assuma a data de hoje como a data da "
    "Pesquisa?";
const char kCancelaCadastro[] = "Voc\xEA est\xE1 certo de que deseja cancelar o cadastro deste produto?";
const char kCancelaAlteracao[] =
    "Voc\xEA est\xE1 certo de que deseja cancelar as altera\xE7\xF5"
    "es para este produto?";

std::string PrecoZero(const std::string& nome) {
  return "Voc\xEA est\xE1 certo de que o pre\xE7o unit\xE1rio para " + nome + " \xE9 R$ 0,00 ?";
}

std::string JaCadastrado(const std::string& nome) {
  return "Voc\xEA j\xE1 possue '" + nome +
         "' cadastrado. Pode ser que voc\xEA esteje tentando cadastrar o mesmo produto, por\xE9m com marcas "
         "diferentes. Prosseguir com o Cadastro?";
}

// A catalogue row as the stock shell would show it (the price as the program reads it back).
struct Linha {
  std::string produto, marca, complemento, data, preco;
  bool operator==(const Linha&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Linha& l) {
  return os << "{" << l.produto << " | " << l.marca << " | " << l.complemento << " | " << l.data << " | " << l.preco
            << "}";
}

class Registration : public testing::Test {
protected:
  void SetUp() override {
    ambiente_.CriaCatalogo({{"Arroz", "Vale Verde", "5 kg", "22,45"}});
    ASSERT_TRUE(ModuloGlobal::AbreBancoDados());
    ASSERT_TRUE(form_.Carrega());
    form_.Mostra();
    teste::ProcessaPendentes();
  }
  void TearDown() override {
    Modificadores(false, false);
    form_.Descarrega();
    EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
  }

  void Preenche(const char* nome, const char* marca, const char* complemento, const char* data, const char* preco) {
    DefineTexto(form_.txtProduto, nome);
    DefineTexto(form_.txtMarca, marca);
    DefineTexto(form_.txtComplemento, complemento);
    DefineTexto(form_.mskDataPesquisa, data);
    DefineTexto(form_.txtPrecoUnitario, preco);
  }

  // The save button pressed as a click would press it.
  void Salva() {
    SendMessageA(form_.cmdOkay, BM_CLICK, 0, 0);
    teste::ProcessaPendentes();
  }

  // Every box shown since the last call: text, title and style.
  std::vector<teste::DialogosRoteirizados::Mostrado> Caixas() {
    auto m = ambiente_.dialogos.mostrados;
    ambiente_.dialogos.mostrados.clear();
    return m;
  }

  std::vector<Linha> Linhas() {
    std::vector<Linha> linhas;
    Recordset r;
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select * From Produtos", &r));
    for (; !r.Eof(); r.MoveNext()) {
      linhas.push_back({r.Fields("Produto").AsText(), r.Fields("Marca").AsText(), r.Fields("Complemento").AsText(),
                        r.Fields("DataPesquisa").AsText(), r.Fields("PrecoUnitario").AsText()});
    }
    return linhas;
  }

  // A key pressed on a control while the given modifiers are held, through the program's pump.
  void Pressiona(HWND controle, UINT tecla, bool shift, bool ctrl = false) {
    Modificadores(shift, ctrl);
    PostMessageA(controle, WM_KEYDOWN, tecla, 1);
    teste::ProcessaPendentes();
  }
  // A key let go while the given modifiers are (still) held.
  void Solta(HWND controle, UINT tecla, bool shift, bool ctrl = false) {
    Modificadores(shift, ctrl);
    PostMessageA(controle, WM_KEYUP, tecla, 0xC0000001);
    teste::ProcessaPendentes();
  }
  static void Modificadores(bool shift, bool ctrl) {
    BYTE estado[256] = {};
    estado[VK_SHIFT] = shift ? 0x80 : 0;
    estado[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(estado);
  }

  void Digita(HWND controle, const std::string& texto) {
    for (unsigned char c : texto) PostMessageA(controle, WM_CHAR, c, 1);
    teste::ProcessaPendentes();
  }

  AmbienteDeTeste ambiente_;
  frmCadastraProduto form_;
};

const Linha kArroz{"Arroz", "Vale Verde", "5 kg", "01/03/2025", "22,45"};

// Entry 1 as the query window hands it over for editing.
Product Entrada(const char* nome, const char* data) {
  Product p;
  p.id = 1;
  p.name = nome;
  p.brand = "Vale Verde";
  p.complement = "5 kg";
  p.price = Currency{224500};
  p.date = data;
  return p;
}

TEST_F(Registration, ControlsInTabOrderWithTheirLimitsAndTips) {
  EXPECT_EQ(TextoDe(form_.hWnd()), "Cadastro de Produtos");
  EXPECT_EQ(TextoDe(form_.pnlTituloFundo), "Cadastro de Produtos");
  EXPECT_EQ(TextoDe(form_.pnlID), "-");
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "__/__/____");
  struct Controle {
    HWND caixa;
    const char* rotulo;
    int limite;
  };
  const Controle ordem[] = {
      {form_.txtProduto, "Nome do Produto:", 50}, {form_.txtMarca, "Marca:", 30},
      {form_.txtComplemento, "Complemento:", 30}, {form_.mskDataPesquisa, "Data da Pesquisa:", 10},
      {form_.txtPrecoUnitario, "Pre\xE7o:", 8},
  };
  HWND anterior = nullptr;
  for (size_t i = 0; i < std::size(ordem); ++i) {
    EXPECT_EQ(TextoDe(form_.pnlLabelDados[i]), ordem[i].rotulo);
    EXPECT_EQ(SendMessageA(ordem[i].caixa, EM_GETLIMITTEXT, 0, 0), ordem[i].limite) << ordem[i].rotulo;
    if (anterior) {
      EXPECT_EQ(GetNextDlgTabItem(form_.hWnd(), anterior, FALSE), ordem[i].caixa) << ordem[i].rotulo;
    }
    anterior = ordem[i].caixa;
  }
  EXPECT_EQ(GetNextDlgTabItem(form_.hWnd(), form_.txtPrecoUnitario, FALSE), form_.cmdOkay);
  EXPECT_EQ(GetNextDlgTabItem(form_.hWnd(), form_.cmdOkay, FALSE), form_.cmdCancelar);
  EXPECT_TRUE(GetWindowLongA(form_.txtPrecoUnitario, GWL_STYLE) & ES_RIGHT);
  EXPECT_EQ(form_.Dica(form_.cmdOkay), "Clique aqui para salvar o registro no banco de dados");
  EXPECT_EQ(form_.Dica(form_.cmdCancelar), "Clique aqui para cancelar a edi\xE7\xE3o");
}

// The save steps in order: each case fills the boxes, answers the boxes it expects and ends with the rows
// of the catalogue. Refusals leave the window open with the values in place.
TEST_F(Registration, SaveStepsWithTheirQuestionsAndWhatIsStored) {
  const std::string hoje = TodayText();
  struct Caso {
    const char* nome;
    const char* campos[5];  // name, brand, complement, date, price
    std::vector<int> respostas;
    std::vector<std::string> caixas;
    std::vector<Linha> novas;  // rows added after the existing one
    const char* precoNaCaixa;  // the price box afterwards (null: emptied for the next entry)
  };
  const Caso casos[] = {
      {"no name", {"", "Marca", "", "12/03/2025", "1"}, {}, {kSemNome}, {}, "1"},
      {"blank name", {"   ", "", "", "12/03/2025", "1"}, {}, {kSemNome}, {}, "1"},
      {"price typed with a comma",
       {"Sal", "Litoral", "1 kg", "12/03/2025", "3,50"},
       {},
       {},
       {{"Sal", "Litoral", "1 kg", "12/03/2025", "3,5"}},
       nullptr},
      {"price with grouping",
       {"TV", "Tela", "42", "12/03/2025", "1.234,5"},
       {},
       {},
       {{"TV", "Tela", "42", "12/03/2025", "1234,5"}},
       nullptr},
      {"empty price confirmed as zero",
       {"Sacola", "", "", "12/03/2025", ""},
       {IDYES},
       {PrecoZero("Sacola")},
       {{"Sacola", "<N\xE3o Possue>", "<Nenhum>", "12/03/2025", "0"}},
       nullptr},
      {"empty price refused", {"Sacola", "", "", "12/03/2025", ""}, {IDNO}, {PrecoZero("Sacola")}, {}, "0"},
      {"price that is no number", {"Sacola", "", "", "12/03/2025", "abc"}, {IDNO}, {PrecoZero("Sacola")}, {}, "0"},
      {"zero confirmed, then the date refused",
       {"Sacola", "", "", "31/02/2025", "0"},
       {IDYES, IDNO},
       {PrecoZero("Sacola"), kDataInvalida},
       {},
       "0,00"},
      {"empty date becomes today",
       {"Sal", "Litoral", "1 kg", "", "2"},
       {IDYES},
       {kDataInvalida},
       {{"Sal", "Litoral", "1 kg", hoje, "2"}},
       nullptr},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    Preenche(c.campos[0], c.campos[1], c.campos[2], c.campos[3], c.campos[4]);
    for (int r : c.respostas) ambiente_.dialogos.Responde(r);
    Salva();
    std::vector<std::string> textos;
    for (const auto& m : Caixas()) textos.push_back(m.texto);
    EXPECT_EQ(textos, c.caixas);
    std::vector<Linha> esperadas{kArroz};
    esperadas.insert(esperadas.end(), c.novas.begin(), c.novas.end());
    EXPECT_EQ(Linhas(), esperadas);
    EXPECT_TRUE(form_.Carregado());
    EXPECT_EQ(TextoDe(form_.txtPrecoUnitario), c.precoNaCaixa ? c.precoNaCaixa : "");
    if (c.novas.empty()) {
      EXPECT_EQ(TextoDe(form_.txtProduto), c.campos[0]) << "a refusal keeps what was typed";
    } else {
      // Saved: the next entry starts afresh, with the date kept.
      EXPECT_EQ(TextoDe(form_.txtProduto), "");
      EXPECT_EQ(TextoDe(form_.txtMarca), "");
      EXPECT_EQ(TextoDe(form_.mskDataPesquisa), c.novas[0].data);
      EXPECT_EQ(GetFocus(), form_.txtProduto);
      ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute("Delete * From Produtos Where ID_Produto > 1"));
    }
  }
}

TEST_F(Registration, MessagesCarryTheirTitlesIconsAndDefaultButtons) {
  Preenche("", "", "", "", "");
  Salva();
  Preenche("Sacola", "", "", "", "");
  ambiente_.dialogos.Responde(IDYES);
  ambiente_.dialogos.Responde(IDYES);
  Salva();
  Preenche("Arroz", "", "", "01/03/2025", "1");
  ambiente_.dialogos.Responde(IDYES);
  Salva();
  const auto caixas = Caixas();
  ASSERT_EQ(caixas.size(), 4u);
  EXPECT_EQ(caixas[0].titulo, "Erro:");
  EXPECT_EQ(caixas[0].estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(caixas[1].titulo, "Aten\xE7\xE3o:");  // the zero price: No is the default
  EXPECT_EQ(caixas[1].estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_EQ(caixas[2].titulo, "Erro:");  // the date: Yes is the default
  EXPECT_EQ(caixas[2].estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(caixas[3].texto, JaCadastrado("Arroz"));
  EXPECT_EQ(caixas[3].titulo, "Aten\xE7\xE3o:");
  EXPECT_EQ(caixas[3].estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  for (const auto& c : caixas) EXPECT_EQ(c.dono, form_.hWnd()) << c.texto;
}

TEST_F(Registration, RegisteredNameAsksOnceAndYesStoresASecondEntry) {
  Preenche("Arroz", "Vale Verde", "5 kg", "01/03/2025", "22,45");
  ambiente_.dialogos.Responde(IDNO);
  Salva();
  EXPECT_EQ(Caixas().size(), 1u);
  EXPECT_EQ(Linhas(), std::vector<Linha>{kArroz});
  EXPECT_EQ(TextoDe(form_.txtMarca), "Vale Verde") << "No keeps everything typed";

  ambiente_.dialogos.Responde(IDYES);
  Salva();
  EXPECT_EQ(Caixas().size(), 1u);
  EXPECT_EQ(Linhas(), (std::vector<Linha>{kArroz, kArroz}));
}

// Shift held while saving skips the registered-name question and keeps name, complement and date for
// the next brand; Ctrl or Alt with it, or a Shift released, does not.
TEST_F(Registration, ShiftSaveSkipsTheQuestionAndKeepsNameComplementAndDate) {
  EXPECT_FALSE(form_.ShiftPressionado);
  Preenche("Arroz", "Gr\xE3o Dourado", "5 kg", "01/03/2025", "24,90");
  Pressiona(form_.txtPrecoUnitario, VK_SHIFT, true);  // and held while the button is clicked
  EXPECT_TRUE(form_.ShiftPressionado);
  Salva();
  EXPECT_TRUE(Caixas().empty());
  EXPECT_EQ(Linhas(), (std::vector<Linha>{kArroz, {"Arroz", "Gr\xE3o Dourado", "5 kg", "01/03/2025", "24,9"}}));
  EXPECT_EQ(TextoDe(form_.txtProduto), "Arroz");
  EXPECT_EQ(TextoDe(form_.txtComplemento), "5 kg");
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "01/03/2025");
  EXPECT_EQ(TextoDe(form_.txtMarca), "");
  EXPECT_EQ(TextoDe(form_.txtPrecoUnitario), "");
  EXPECT_EQ(GetFocus(), form_.txtMarca);
  EXPECT_FALSE(form_.ShiftPressionado) << "reset after every save";

  Pressiona(form_.txtMarca, VK_SHIFT, true);
  EXPECT_TRUE(form_.ShiftPressionado);
  Pressiona(form_.txtMarca, 'A', true, true);  // Ctrl+Shift+A
  EXPECT_FALSE(form_.ShiftPressionado);
  Solta(form_.txtMarca, 'A', true, false);  // Ctrl let go: Shift alone again
  EXPECT_TRUE(form_.ShiftPressionado);
  Solta(form_.txtMarca, VK_SHIFT, false);  // let go before the click: the question comes back
  EXPECT_FALSE(form_.ShiftPressionado);
  DefineTexto(form_.txtMarca, "Tio Jo\xE3o");
  DefineTexto(form_.txtPrecoUnitario, "23");
  ambiente_.dialogos.Responde(IDYES);
  Salva();
  ASSERT_EQ(Caixas().size(), 1u);
  EXPECT_EQ(Linhas().size(), 3u);

  // Shift+Enter is the keyboard's way: saved without the question, the name kept.
  Preenche("Arroz", "Camponesa", "5 kg", "01/03/2025", "20");
  Pressiona(form_.txtPrecoUnitario, VK_RETURN, true);
  EXPECT_TRUE(Caixas().empty());
  EXPECT_EQ(Linhas().size(), 4u);
  EXPECT_EQ(TextoDe(form_.txtProduto), "Arroz");
}

// Quotes typed into any box never arrive. (A quote that reaches a box otherwise, pasted or stored by the
// price update, is stored and found as it is: the model's tests show it on the host.)
TEST_F(Registration, TypedQuotesHaveNoEffect) {
  for (HWND caixa : {form_.txtProduto, form_.txtMarca, form_.txtComplemento, form_.txtPrecoUnitario}) {
    SetFocus(caixa);
    Digita(caixa, "1\"2'3");
    EXPECT_EQ(TextoDe(caixa), "123");
  }
  SetFocus(form_.mskDataPesquisa);
  Digita(form_.mskDataPesquisa, "0'1\"032025");
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "01/03/2025");
}

// The date box keeps to its mask whatever is typed, pasted or set, and selects a filled date when the
// focus comes to it.
TEST_F(Registration, DateBoxKeepsItsMaskAndSelectsAFilledDateOnFocus) {
  SetFocus(form_.mskDataPesquisa);
  DWORD inicio = 99, fim = 99;
  SendMessageA(form_.mskDataPesquisa, EM_GETSEL, reinterpret_cast<WPARAM>(&inicio), reinterpret_cast<LPARAM>(&fim));
  EXPECT_EQ(inicio, 0u);
  EXPECT_EQ(fim, 0u) << "an empty box selects nothing";

  Digita(form_.mskDataPesquisa, "7x12/2026");
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "71/22/026_");
  PostMessageA(form_.mskDataPesquisa, WM_CHAR, VK_BACK, 1);
  PostMessageA(form_.mskDataPesquisa, WM_CHAR, VK_BACK, 1);
  teste::ProcessaPendentes();
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "71/22/0___");

  DefineTexto(form_.mskDataPesquisa, "07/12/2026");
  SetFocus(form_.txtPrecoUnitario);
  SetFocus(form_.mskDataPesquisa);
  SendMessageA(form_.mskDataPesquisa, EM_GETSEL, reinterpret_cast<WPARAM>(&inicio), reinterpret_cast<LPARAM>(&fim));
  EXPECT_EQ(inicio, 0u);
  EXPECT_EQ(fim, 10u);
  Digita(form_.mskDataPesquisa, "3");  // typing over the whole selection starts a new date
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "3_/__/____");

  DefineTexto(form_.mskDataPesquisa, "1/3/2025");
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "__/__/____");
  EXPECT_EQ(SendMessageA(form_.mskDataPesquisa, EM_UNDO, 0, 0), 0);
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "__/__/____");
}

TEST_F(Registration, CancelAsksOnlyForANamedNewEntryOrAnEdit) {
  // Named: asked; No stays.
  Preenche("Sal", "", "", "", "");
  ambiente_.dialogos.Responde(IDNO);
  SendMessageA(form_.cmdCancelar, BM_CLICK, 0, 0);
  auto caixas = Caixas();
  ASSERT_EQ(caixas.size(), 1u);
  EXPECT_EQ(caixas[0].texto, kCancelaCadastro);
  EXPECT_EQ(caixas[0].titulo, "Importante:");
  EXPECT_EQ(caixas[0].estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_TRUE(form_.Carregado());
  // Esc is the cancel button; Yes closes.
  ambiente_.dialogos.Responde(IDYES);
  Pressiona(form_.txtProduto, VK_ESCAPE, false);
  EXPECT_EQ(Caixas().size(), 1u);
  EXPECT_FALSE(form_.Carregado());

  // Unnamed: closed at once.
  ASSERT_TRUE(form_.Carrega());
  SendMessageA(form_.cmdCancelar, BM_CLICK, 0, 0);
  EXPECT_TRUE(Caixas().empty());
  EXPECT_FALSE(form_.Carregado());

  // Editing: its own question, even with the name emptied.
  ASSERT_TRUE(form_.Carrega());
  form_.PreparaEdicao(Entrada("", "01/03/2025"));
  ambiente_.dialogos.Responde(IDNO);
  SendMessageA(form_.cmdCancelar, BM_CLICK, 0, 0);
  caixas = Caixas();
  ASSERT_EQ(caixas.size(), 1u);
  EXPECT_EQ(caixas[0].texto, kCancelaAlteracao);
  EXPECT_TRUE(form_.Carregado());
  // The close box closes without a question.
  SendMessageA(form_.hWnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Caixas().empty());
  EXPECT_FALSE(form_.Carregado());
  EXPECT_EQ(Linhas(), std::vector<Linha>{kArroz}) << "nothing is written by cancelling";
}

TEST_F(Registration, EditModeUpdatesTheEntryAndCloses) {
  form_.PreparaEdicao(Entrada("Arroz", "01/03/2025"));
  EXPECT_EQ(TextoDe(form_.txtPrecoUnitario), "22,45");
  DefineTexto(form_.txtMarca, "");
  DefineTexto(form_.txtPrecoUnitario, "21,5");
  Pressiona(form_.txtPrecoUnitario, VK_RETURN, false);  // Enter saves
  EXPECT_TRUE(Caixas().empty()) << "no registered-name question when editing";
  EXPECT_FALSE(form_.Carregado());
  EXPECT_EQ(Linhas(), (std::vector<Linha>{{"Arroz", "<N\xE3o Possue>", "5 kg", "01/03/2025", "21,5"}}));
}

// The price update stores the server's dates as sent: such a text shows as an empty mask, and an edit that
// leaves the box alone stores it again as it was, without asking about it.
TEST_F(Registration, EditLeavingADateOfAnotherShapeAloneKeepsIt) {
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
      sql::UpdateProduct(1, "Arroz", "Vale Verde", "5 kg", "2025-03-01", "22,45")));
  form_.PreparaEdicao(Entrada("Arroz", "2025-03-01"));
  EXPECT_EQ(TextoDe(form_.mskDataPesquisa), "__/__/____");
  DefineTexto(form_.txtPrecoUnitario, "21,5");
  Salva();
  EXPECT_TRUE(Caixas().empty());
  EXPECT_FALSE(form_.Carregado());
  EXPECT_EQ(Linhas(), (std::vector<Linha>{{"Arroz", "Vale Verde", "5 kg", "2025-03-01", "21,5"}}));
}

// Blanks are no brand or complement, as they are no name: the placeholders are stored.
TEST_F(Registration, BlankBrandAndComplementGetTheirPlaceholders) {
  Preenche("Feij\xE3o", "   ", " ", "01/03/2025", "8,5");
  Salva();
  EXPECT_TRUE(Caixas().empty());
  EXPECT_EQ(Linhas(), (std::vector<Linha>{kArroz, {"Feij\xE3o", "<N\xE3o Possue>", "<Nenhum>", "01/03/2025", "8,5"}}));
}

TEST_F(Registration, SingleEntryModeClosesAfterOneSave) {
  ModuloGlobal::ModoCadastro = "CadastraUm";
  DefineTexto(form_.txtProduto, "Arroz");
  EnableWindow(form_.txtProduto, FALSE);
  DefineTexto(form_.txtMarca, "Tio Jo\xE3o");
  DefineTexto(form_.mskDataPesquisa, "01/03/2025");
  DefineTexto(form_.txtPrecoUnitario, "23");
  ambiente_.dialogos.Responde(IDYES);  // Arroz is registered already
  Salva();
  EXPECT_EQ(Caixas().size(), 1u);
  EXPECT_FALSE(form_.Carregado());
  EXPECT_EQ(Linhas(), (std::vector<Linha>{kArroz, {"Arroz", "Tio Jo\xE3o", "<Nenhum>", "01/03/2025", "23"}}));
}

// Opened by the main window's command: modal over it, with the hourglass while it opens.
TEST(RegistrationFromTheMainWindow, SavesEntriesOneAfterAnotherUntilClosed) {
  AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo();
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  ambiente.AoAbrir("Cadastro de Produtos", [&](Formulario& f) {
    auto& cadastro = dynamic_cast<frmCadastraProduto&>(f);
    for (const char* nome : {"Leite", "Ovos"}) {
      DefineTexto(cadastro.txtProduto, nome);
      DefineTexto(cadastro.mskDataPesquisa, "05/03/2025");
      DefineTexto(cadastro.txtPrecoUnitario, "5,29");
      SendMessageA(cadastro.cmdOkay, BM_CLICK, 0, 0);
      EXPECT_TRUE(cadastro.Carregado());
    }
    SendMessageA(cadastro.cmdCancelar, BM_CLICK, 0, 0);
  });
  Principal().cmdCadastrarProdutos_Click();
  EXPECT_TRUE(ambiente.dialogos.mostrados.empty());
  Recordset r;
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot(sql::SelectDistinctNames(), &r));
  EXPECT_EQ(r.RowCount(), 2u);
  EXPECT_EQ(ambiente.modaisEsquecidos, 0);
}

}  // namespace
