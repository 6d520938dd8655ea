// The list windows driven in this process with scripted answers: the generator applying and deleting
// saved lists, the assembly walk with its quantity rules and its save, the saved-list window printing a
// list again, and the report windows they open in the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/RelatorioDeCompras.h"
#include "catalogue/Statements.h"
#include "lists/frmGeraListaCompras.h"
#include "lists/frmMontaLista.h"
#include "app/frmPrincipal.h"
#include "lists/frmRelatorio.h"
#include "lists/frmSelecionaLista.h"
#include "products/frmCadastraProduto.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kMontagem[] = "Montagem da Lista de Compras";
const char kSalvar[] =
    "Voc\xEA acabou de montar sua Lista de Compras. Deseja que o programa salve-a para que voc\xEA possa "
    "utilizar-se dela mais tarde?";
const char kNaoSalvou[] =
    "Para gerar uma nova lista de compras com estes produtos, voc\xEA dever\xE1 entr\xE1-los novamente.";
const char kCancelaGravacao[] = "Voc\xEA realmente deseja cancelar a grava\xE7\xE3o desta lista de compras?";
const char kAssumeUm[] =
    "Voc\xEA n\xE3o especificou quantidade para um produto assinalado. Deseja que o programa assuma o valor 1 "
    "(um) para a quantidade?";
const char kListaPadraoII[] =
    "Esta lista n\xE3o pode ser salvar como 'Lista Padr\xE3o', pois j\xE1 existe uma lista com esta "
    "denomina\xE7\xE3o. O Nome da lista foi alterada para 'Lista Padr\xE3o II'.";
const char kSemAnterior[] =
    "Desculpe, mas n\xE3o existem produtos selecionados anteriormente ao que voc\xEA est\xE1 selecionando.";

// Identifiers 1 to 6; the names sort Arroz, Caf\xE9, Feij\xE3o, Leite, Sal.
const std::vector<AmbienteDeTeste::Produto> kCatalogo = {
    {"Arroz", "Vale Verde", "5 kg", "22,45"},      // 1
    {"Arroz", "Gr\xE3o Dourado", "5 kg", "24,9"},  // 2
    {"Caf\xE9", "Estrela", "500 g", "15"},         // 3
    {"Feij\xE3o", "Boa Mesa", "1 kg", "8,5"},      // 4
    {"Sal", "Litoral", "1 kg", "3,5"},             // 5
    {"Leite", "Fazendinha", "1 litro", "5,29"},    // 6
};

std::vector<std::string> Entradas(HWND lista) {
  std::vector<std::string> out;
  for (int i = 0; i < lista::ListCount(lista); ++i) out.push_back(lista::Item(lista, i));
  return out;
}

std::vector<std::string> Marcadas(HWND lista) {
  std::vector<std::string> out;
  for (int i = 0; i < lista::ListCount(lista); ++i) {
    if (lista::Selected(lista, i)) out.push_back(lista::Item(lista, i));
  }
  return out;
}

std::vector<std::string> EntradasDoCombo(HWND combo) {
  std::vector<std::string> out;
  const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char texto[256] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texto));
    out.push_back(texto);
  }
  return out;
}

void Escolhe(Formulario& form, HWND combo, int id, const std::string& nome) {
  const LRESULT i =
      SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(nome.c_str()));
  ASSERT_NE(i, CB_ERR) << nome;
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  SendMessageA(form.hWnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Ticks the named products as a click on each would.
void Marca(HWND lista, const std::vector<std::string>& nomes) {
  for (const std::string& nome : nomes) {
    for (int i = 0; i < lista::ListCount(lista); ++i) {
      if (lista::Item(lista, i) == nome) lista::DefineSelected(lista, i, true);
    }
  }
}

class ShoppingLists : public testing::Test {
protected:
  void SetUp() override {
    ambiente_.CriaCatalogo(kCatalogo);
    ASSERT_TRUE(Principal().Carrega());
    Principal().Mostra();
    // Two saved lists; "Semana" names an entry that has left the catalogue between two that remain.
    for (const char* linha :
         {"(\"Semana\",4,\"2\")", "(\"Semana\",99,\"1\")", "(\"Semana\",5,\"1\")", "(\"M\xEAs\",1,\"3\")"}) {
      ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
          std::string("Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values") + linha));
    }
    teste::ProcessaPendentes();
  }
  void TearDown() override {
    gerador_.Descarrega();
    frmRelatorio::FechaTodos();
    EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
  }
  void AbreGerador() {
    ASSERT_TRUE(gerador_.Carrega(Principal().hWnd()));
    gerador_.Mostra();
    teste::ProcessaPendentes();
  }
  // The rows of a saved list, "id:quantity" in identifier order.
  std::vector<std::string> Linhas(const std::string& lista) {
    Recordset r;
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot(
        "Select ID_Produto, Quantidade from Compras Where Nome_Salvar = '" + lista + "' order by ID_Produto", &r));
    std::vector<std::string> out;
    for (; !r.Eof(); r.MoveNext()) {
      out.push_back(std::to_string(r.Fields("ID_Produto").AsInteger()) + ":" +
                    std::to_string(r.Fields("Quantidade").AsInteger()));
    }
    return out;
  }
  // The text of the active report window ("" when there is none).
  std::string Relatorio() {
    const frmRelatorio* r = frmRelatorio::DaJanela(Principal().JanelaFilhaAtiva());
    return r ? TextoDe(r->txtTexto) : std::string();
  }
  std::vector<std::string> Textos() { return ambiente_.dialogos.TomaTextos(); }

  AmbienteDeTeste ambiente_;
  frmGeraListaCompras gerador_;
};

TEST_F(ShoppingLists, GeneratorAppliesAndDeletesSavedLists) {
  AbreGerador();
  EXPECT_EQ(EntradasDoCombo(gerador_.cmbListaPadrao),
            (std::vector<std::string>{"Lista Padr\xE3o", "M\xEAs", "Semana"}));
  EXPECT_EQ(TextoDe(gerador_.cmbListaPadrao), "Lista Padr\xE3o");
  EXPECT_EQ(Entradas(gerador_.lstProdutos),
            (std::vector<std::string>{"Arroz", "Caf\xE9", "Feij\xE3o", "Leite", "Sal"}));
  EXPECT_TRUE(Marcadas(gerador_.lstProdutos).empty());
  EXPECT_EQ(TextoDe(gerador_.pnlDicas).rfind("Dica: ", 0), 0u);

  // The entry deleted from the catalogue does not keep Sal, listed after it, from being ticked.
  Escolhe(gerador_, gerador_.cmbListaPadrao, frmGeraListaCompras::kCmbListaPadrao, "Semana");
  EXPECT_EQ(TextoDe(gerador_.cmbListaPadrao), "Semana");
  EXPECT_EQ(Marcadas(gerador_.lstProdutos), (std::vector<std::string>{"Feij\xE3o", "Sal"}));
  EXPECT_EQ(lista::ListIndex(gerador_.lstProdutos), 0);

  // Enter toggles the current entry; twice leaves it as it was.
  lista::DefineListIndex(gerador_.lstProdutos, 1);
  gerador_.lstProdutos_KeyPress(13);
  EXPECT_EQ(Marcadas(gerador_.lstProdutos), (std::vector<std::string>{"Caf\xE9", "Feij\xE3o", "Sal"}));
  gerador_.lstProdutos_KeyPress(13);
  EXPECT_EQ(Marcadas(gerador_.lstProdutos), (std::vector<std::string>{"Feij\xE3o", "Sal"}));

  Escolhe(gerador_, gerador_.cmbListaPadrao, frmGeraListaCompras::kCmbListaPadrao, "Lista Padr\xE3o");
  EXPECT_TRUE(Marcadas(gerador_.lstProdutos).empty());
  EXPECT_TRUE(Textos().empty());

  // Deleting: the built-in list is refused; No keeps the list; Yes deletes it and returns to the built-in one.
  gerador_.cmdDeleteListaCompras_Click();
  EXPECT_EQ(Textos(),
            std::vector<std::string>{"Desculpe, mas voc\xEA n\xE3o pode excluir a Lista Padr\xE3o do cadastro."});
  Escolhe(gerador_, gerador_.cmbListaPadrao, frmGeraListaCompras::kCmbListaPadrao, "M\xEAs");
  ambiente_.dialogos.Responde(IDNO);
  gerador_.cmdDeleteListaCompras_Click();
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].texto,
            "Voc\xEA tem certeza que deseja excluir do cadastro a lista: M\xEAs?");
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  Textos();
  EXPECT_EQ(Linhas("M\xEAs"), std::vector<std::string>{"1:3"});
  ambiente_.dialogos.Responde(IDYES);
  gerador_.cmdDeleteListaCompras_Click();
  Textos();
  EXPECT_TRUE(Linhas("M\xEAs").empty());
  EXPECT_EQ(EntradasDoCombo(gerador_.cmbListaPadrao), (std::vector<std::string>{"Lista Padr\xE3o", "Semana"}));
  EXPECT_EQ(TextoDe(gerador_.cmbListaPadrao), "Lista Padr\xE3o");

  // Generating with nothing ticked is refused and opens nothing.
  gerador_.cmdGerarLista_Click();
  ASSERT_EQ(Textos().size(), 1u);
  EXPECT_EQ(lista::ListCount(gerador_.lstProdutos), 5);
}

// Names that differ only in letter case are one product to the catalogue, which lists one spelling; a
// saved list that names the entry of the other is still ticked there.
TEST_F(ShoppingLists, ASavedEntryWhoseNameDiffersOnlyInCaseIsTicked) {
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
      "Insert Into Produtos(Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) "
      "Values(\"ARROZ\",\"Outra\",\"1 kg\",\"01/03/2025\",\"3\")"));
  Recordset r;
  ASSERT_TRUE(
      ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select ID_Produto from Produtos Where Marca = 'Outra'", &r));
  ASSERT_FALSE(r.Eof());
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
      "Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values(\"Caixa\"," +
      std::to_string(r.Fields("ID_Produto").AsInteger()) + ",\"2\")"));
  AbreGerador();
  const std::vector<std::string> nomes = Entradas(gerador_.lstProdutos);
  ASSERT_EQ(nomes.size(), 5u) << "one entry for both spellings";
  Escolhe(gerador_, gerador_.cmbListaPadrao, frmGeraListaCompras::kCmbListaPadrao, "Caixa");
  EXPECT_EQ(Marcadas(gerador_.lstProdutos), std::vector<std::string>{nomes[0]});
  EXPECT_TRUE(Textos().empty());
}

// A whole walk from a fresh list: quantity rules, going back twice from the third product, the save
// under a new name and the report, with the sentinel present only while the assembly window is open.
TEST_F(ShoppingLists, WalkWithQuantityRulesBackTwiceSaveAndReport) {
  AbreGerador();
  Marca(gerador_.lstProdutos, {"Arroz", "Caf\xE9", "Sal"});
  bool andou = false;
  ambiente_.AoAbrir(kMontagem, [&](Formulario& f) {
    auto& m = dynamic_cast<frmMontaLista&>(f);
    const std::vector<std::string> itens = Entradas(gerador_.lstProdutos);
    EXPECT_EQ(itens.back(), "\xCDtem Padr\xE3o");
    EXPECT_EQ(TextoDe(m.pnlTitulo), "Arroz");
    ASSERT_EQ(lista::ListCount(m.lstMarca), 2);
    EXPECT_EQ(lista::Item(m.lstMarca, 0), "Vale Verde; 5 kg" + std::string(99, ' ') + "--> Id. 00001");
    EXPECT_EQ(lista::Item(m.lstMarca, 1), "Gr\xE3o Dourado; 5 kg" + std::string(99, ' ') + "--> Id. 00002");
    EXPECT_TRUE(Marcadas(m.lstMarca).empty());

    // Next with nothing ticked only asks for a brand.
    m.cmdGerarLista_Click();
    EXPECT_EQ(Textos(), std::vector<std::string>{
                            "Por favor, assinale a marca e o complemento do produto a ser inserido na lista."});
    // The spin: up five times, down once; down never goes below 1, nor moves 0.
    m.lstMarca_KeyPress(13);
    EXPECT_EQ(Marcadas(m.lstMarca).size(), 1u);
    EXPECT_EQ(TextoDe(m.txtQtd), "0");
    m.spnQtd_SpinDown();
    EXPECT_EQ(TextoDe(m.txtQtd), "0");
    for (int i = 0; i < 5; ++i) m.spnQtd_SpinUp();
    m.spnQtd_SpinDown();
    EXPECT_EQ(TextoDe(m.txtQtd), "4");
    // More than a saved list can give back is refused in the box, which keeps the quantity it had.
    DefineTexto(m.txtQtd, "40000");
    EXPECT_EQ(Textos(), std::vector<std::string>{"Desculpe, mas a quantidade de um item n\xE3o pode passar de 32767."});
    EXPECT_EQ(TextoDe(m.txtQtd), "4");
    DefineTexto(m.txtQtd, "32767");
    EXPECT_TRUE(Textos().empty());
    DefineTexto(m.txtQtd, "4");
    // A quantity typed for a brand that is not ticked is dropped when going on.
    lista::DefineListIndex(m.lstMarca, 1);
    m.lstMarca_Click();
    DefineTexto(m.txtQtd, "7");
    m.cmdGerarLista_Click();

    // Caf\xE9 has one brand: it arrives ticked, with the focus in the quantity box, which takes digits only.
    EXPECT_EQ(TextoDe(m.pnlTitulo), "Caf\xE9");
    EXPECT_EQ(Marcadas(m.lstMarca).size(), 1u);
    EXPECT_EQ(GetFocus(), m.txtQtd);
    for (char c : std::string("a2,")) PostMessageA(m.txtQtd, WM_CHAR, static_cast<WPARAM>(c), 1);
    teste::ProcessaPendentes();
    EXPECT_EQ(TextoDe(m.txtQtd), "2");
    PostMessageA(m.txtQtd, WM_CHAR, '\r', 1);  // Enter is the next-product button
    teste::ProcessaPendentes();

    EXPECT_EQ(TextoDe(m.pnlTitulo), "Sal");
    m.cmdVoltarProduto_Click();
    EXPECT_EQ(TextoDe(m.pnlTitulo), "Caf\xE9");
    m.cmdVoltarProduto_Click();
    EXPECT_EQ(TextoDe(m.pnlTitulo), "Arroz");
    EXPECT_EQ(Marcadas(m.lstMarca), std::vector<std::string>{lista::Item(m.lstMarca, 0)});
    EXPECT_EQ(lista::ListIndex(m.lstMarca), 0);
    EXPECT_EQ(TextoDe(m.txtQtd), "4");
    // A letter typed in the brand list moves to the brand starting with it; the box shows its quantity.
    PostMessageA(m.lstMarca, WM_CHAR, 'g', 1);
    teste::ProcessaPendentes();
    EXPECT_EQ(lista::ListIndex(m.lstMarca), 1);
    EXPECT_EQ(TextoDe(m.txtQtd), "0");
    PostMessageA(m.lstMarca, WM_CHAR, 'v', 1);
    teste::ProcessaPendentes();
    EXPECT_EQ(lista::ListIndex(m.lstMarca), 0);
    EXPECT_EQ(TextoDe(m.txtQtd), "4");
    m.cmdVoltarProduto_Click();
    EXPECT_EQ(Textos(), std::vector<std::string>{kSemAnterior});
    m.cmdGerarLista_Click();
    EXPECT_EQ(TextoDe(m.txtQtd), "2");
    m.cmdGerarLista_Click();

    // Sal ticked without a quantity: 1 is assumed; then the save, under a new name.
    ambiente_.dialogos.Responde(IDYES);
    ambiente_.dialogos.Responde(IDYES);
    ambiente_.dialogos.RespondeTexto("Festa");
    m.cmdGerarLista_Click();
    andou = true;
  });
  gerador_.cmdGerarLista_Click();
  ASSERT_TRUE(andou);

  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 3u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].texto, kAssumeUm);
  EXPECT_EQ(ambiente_.dialogos.mostrados[1].texto, kSalvar);
  EXPECT_EQ(ambiente_.dialogos.mostrados[2].titulo, "Salvando...");
  EXPECT_EQ(ambiente_.dialogos.mostrados[2].padrao, "Minha Lista Padr\xE3o");
  Textos();
  EXPECT_EQ(Linhas("Festa"), (std::vector<std::string>{"1:4", "3:2", "5:1"}));

  // The generator is back on the built-in list, nothing ticked, the new list offered, no sentinel.
  EXPECT_EQ(Entradas(gerador_.lstProdutos),
            (std::vector<std::string>{"Arroz", "Caf\xE9", "Feij\xE3o", "Leite", "Sal"}));
  EXPECT_TRUE(Marcadas(gerador_.lstProdutos).empty());
  EXPECT_EQ(EntradasDoCombo(gerador_.cmbListaPadrao),
            (std::vector<std::string>{"Lista Padr\xE3o", "Festa", "M\xEAs", "Semana"}));

  const std::string esperado = TextoDaListaDeCompras("Lista Padr\xE3o", Today(),
                                                     {{4, "Arroz", "Vale Verde", "5 kg", Currency{224500}},
                                                      {2, "Caf\xE9", "Estrela", "500 g", Currency{150000}},
                                                      {1, "Sal", "Litoral", "1 kg", Currency{35000}}});
  EXPECT_EQ(Relatorio(), esperado);
}

// An entry whose identifier lies beyond the quantity table is refused with a message, not written over
// another product's quantity; the other brands of the product stay available.
TEST_F(ShoppingLists, EntriesBeyondTheQuantityTableAreRefused) {
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
      "Insert Into Produtos(ID_Produto,Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) "
      "Values(\"1001\",\"Sal\",\"Mar Azul\",\"1 kg\",\"01/03/2025\",\"4\")"));
  AbreGerador();
  Marca(gerador_.lstProdutos, {"Sal"});
  bool viu = false;
  ambiente_.AoAbrir(kMontagem, [&](Formulario& f) {
    auto& m = dynamic_cast<frmMontaLista&>(f);
    viu = true;
    EXPECT_EQ(Entradas(m.lstMarca), std::vector<std::string>{"Litoral; 1 kg" + std::string(99, ' ') + "--> Id. 00005"});
    ambiente_.dialogos.Responde(IDYES);
    m.cmdCancelar_Click();
  });
  gerador_.cmdGerarLista_Click();
  ASSERT_TRUE(viu);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 2u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].texto,
            "Os \xEDtens abaixo de Sal t\xEAm c\xF3"
            "digo acima de 1000 e n\xE3o podem entrar numa lista de "
            "compras:\r\nMar Azul; 1 kg (c\xF3"
            "digo 1001)");
  EXPECT_EQ(ambiente_.dialogos.mostrados[1].texto,
            "Voc\xEA est\xE1 certo de que deseja cancelar esta edi\xE7\xE3o da lista?");
  EXPECT_EQ(Relatorio(), "") << "cancel prints nothing";
}

// A brand registered from the walk joins the product's brands unticked; the brands ticked before keep
// their ticks, also one ticked without a quantity yet.
TEST_F(ShoppingLists, ABrandRegisteredDuringTheWalkLeavesTheOtherTicks) {
  AbreGerador();
  Marca(gerador_.lstProdutos, {"Arroz"});
  bool andou = false;
  ambiente_.AoAbrir(kMontagem, [&](Formulario& f) {
    auto& m = dynamic_cast<frmMontaLista&>(f);
    m.lstMarca_KeyPress(13);  // Vale Verde, no quantity
    lista::DefineListIndex(m.lstMarca, 1);
    m.lstMarca_Click();
    m.lstMarca_KeyPress(13);
    DefineTexto(m.txtQtd, "3");  // Gr\xE3o Dourado, 3
    ambiente_.AoAbrir("Cadastro de Produtos", [&](Formulario& c) {
      auto& cadastro = dynamic_cast<frmCadastraProduto&>(c);
      EXPECT_EQ(TextoDe(cadastro.txtProduto), "Arroz");
      DefineTexto(cadastro.txtMarca, "Tio Nino");
      DefineTexto(cadastro.txtComplemento, "1 kg");
      DefineTexto(cadastro.txtPrecoUnitario, "4,5");
      SendMessageA(cadastro.cmdOkay, BM_CLICK, 0, 0);
    });
    m.cmdCadastrarNovo_Click();
    Textos();
    ASSERT_EQ(lista::ListCount(m.lstMarca), 3);
    EXPECT_EQ(Marcadas(m.lstMarca), (std::vector<std::string>{lista::Item(m.lstMarca, 1), lista::Item(m.lstMarca, 2)}));
    EXPECT_EQ(lista::Item(m.lstMarca, 0).rfind("Tio Nino; 1 kg", 0), 0u);
    ambiente_.dialogos.Responde(IDYES);  // 1 for Vale Verde
    ambiente_.dialogos.Responde(IDNO);   // not saved
    m.cmdGerarLista_Click();
    andou = true;
  });
  gerador_.cmdGerarLista_Click();
  ASSERT_TRUE(andou);
  EXPECT_EQ(Textos(), (std::vector<std::string>{kAssumeUm, kSalvar, kNaoSalvou}));
  EXPECT_EQ(Relatorio(), TextoDaListaDeCompras("Lista Padr\xE3o", Today(),
                                               {{1, "Arroz", "Vale Verde", "5 kg", Currency{224500}},
                                                {3, "Arroz", "Gr\xE3o Dourado", "5 kg", Currency{249000}}}));
}

// The end of a walk from a saved list, as each answer to the save leaves the catalogue; every one makes
// the report.
TEST_F(ShoppingLists, SavingFromASavedList) {
  struct Caso {
    const char* nome;
    std::vector<int> botoes;
    std::vector<std::string> nomes;  // the input box's answers
    std::vector<std::string> textos;
    const char* qtd;    // typed for Feij\xE3o
    const char* lista;  // where the rows went
    std::vector<std::string> linhas;
  };
  const std::vector<Caso> casos = {
      {"the proposed name replaces the list",
       {IDYES},
       {"Semana"},
       {kSalvar, "Informe o nome para salvar esta lista:"},
       "3",
       "Semana",
       {"4:3", "5:1"}},
      {"the built-in name in any case",
       {IDYES, IDOK},
       {"lista padr\xE3o"},
       {kSalvar, "Informe o nome para salvar esta lista:", kListaPadraoII},
       "4",
       "Lista Padr\xE3o II",
       {"4:4", "5:1"}},
      {"an empty name, then another",
       {IDYES, IDNO},
       {"", "Outra"},
       {kSalvar, "Informe o nome para salvar esta lista:", kCancelaGravacao, "Informe o nome para salvar esta lista:"},
       "5",
       "Outra",
       {"4:5", "5:1"}},
      {"No to saving", {IDNO, IDOK}, {}, {kSalvar, kNaoSalvou}, "9", "Semana", {"4:3", "5:1"}},
  };
  AbreGerador();
  int relatorios = 0;
  for (const Caso& c : casos) {
    Escolhe(gerador_, gerador_.cmbListaPadrao, frmGeraListaCompras::kCmbListaPadrao, "Semana");
    ASSERT_EQ(TextoDe(gerador_.cmbListaPadrao), "Semana") << c.nome;
    ambiente_.AoAbrir(kMontagem, [&](Formulario& f) {
      auto& m = dynamic_cast<frmMontaLista&>(f);
      // The saved brand arrives ticked with its saved quantity.
      EXPECT_EQ(TextoDe(m.pnlTitulo), "Feij\xE3o");
      EXPECT_EQ(Marcadas(m.lstMarca).size(), 1u);
      EXPECT_NE(TextoDe(m.txtQtd), "0");
      DefineTexto(m.txtQtd, c.qtd);
      m.cmdGerarLista_Click();
      EXPECT_EQ(TextoDe(m.pnlTitulo), "Sal");
      EXPECT_EQ(TextoDe(m.txtQtd), "1");
      for (int b : c.botoes) ambiente_.dialogos.Responde(b);
      for (const std::string& n : c.nomes) ambiente_.dialogos.RespondeTexto(n);
      m.cmdGerarLista_Click();
    });
    gerador_.cmdGerarLista_Click();
    EXPECT_EQ(Textos(), c.textos) << c.nome;
    EXPECT_EQ(Linhas(c.lista), c.linhas) << c.nome;
    ++relatorios;
    const std::string relatorio = Relatorio();
    EXPECT_EQ(relatorio.rfind("Lista de Compras 'Semana' Criada em ", 0), 0u) << c.nome;
    EXPECT_NE(relatorio.find(std::string("(  )    ") + c.qtd + " Feij\xE3o "), std::string::npos) << c.nome;
  }
  // Every report stayed open in a window of its own.
  HWND cliente = Principal().ClienteMdi();
  int janelas = 0;
  for (HWND h = GetWindow(cliente, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (frmRelatorio::DaJanela(h)) ++janelas;
  }
  EXPECT_EQ(janelas, relatorios);
}

// The saved-list window prints a list as it was saved, and says when there is none.
TEST_F(ShoppingLists, SavedListWindowPrintsAndDeletes) {
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(
      "Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values(\"Semana\",2,\"70000\")"));
  frmSelecionaLista selecao;
  ASSERT_TRUE(selecao.Carrega(Principal().hWnd()));
  EXPECT_EQ(EntradasDoCombo(selecao.cmbListaPadrao), (std::vector<std::string>{"M\xEAs", "Semana"}));
  EXPECT_FALSE(IsWindowVisible(selecao.lstProdutos));
  Escolhe(selecao, selecao.cmbListaPadrao, frmSelecionaLista::kCmbListaPadrao, "Semana");
  selecao.cmdGerarLista_Click();
  EXPECT_FALSE(selecao.Carregado());
  EXPECT_TRUE(Textos().empty());
  // The quantity beyond 16 bits is clamped, not wrapped; brands and quantities as saved, names in order.
  const std::string esperado = TextoDaListaDeCompras("Semana", Today(),
                                                     {{32767, "Arroz", "Gr\xE3o Dourado", "5 kg", Currency{249000}},
                                                      {2, "Feij\xE3o", "Boa Mesa", "1 kg", Currency{85000}},
                                                      {1, "Sal", "Litoral", "1 kg", Currency{35000}}});
  EXPECT_EQ(Relatorio(), esperado);

  frmSelecionaLista outra;
  ASSERT_TRUE(outra.Carrega(Principal().hWnd()));
  for (const char* nome : {"M\xEAs", "Semana"}) {
    Escolhe(outra, outra.cmbListaPadrao, frmSelecionaLista::kCmbListaPadrao, nome);
    ambiente_.dialogos.Responde(IDYES);
    outra.cmdDeleteListaCompras_Click();
  }
  Textos();
  EXPECT_EQ(EntradasDoCombo(outra.cmbListaPadrao), std::vector<std::string>{"<Nenhuma Lista Salva>"});
  EXPECT_EQ(TextoDe(outra.cmbListaPadrao), "<Nenhuma Lista Salva>");
  outra.cmdGerarLista_Click();
  outra.cmdDeleteListaCompras_Click();
  EXPECT_EQ(Textos(), (std::vector<std::string>{
                          "Imposs\xEDvel gerar lista de compras pois n\xE3o existe nenhuma lista salva.",
                          "Imposs\xEDvel apagar lista de compras pois n\xE3o existe nenhuma lista salva."}));
  outra.Descarrega();
}

}  // namespace
