// The product query window driven in this process: browsing names and brands, editing through the
// registration window, deleting, and closing itself when nothing is left to show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Statements.h"
#include "products/frmCadastraProduto.h"
#include "products/frmConsulta.h"
#include "app/frmPrincipal.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kExcluir[] = "Voc\xEA est\xE1 certo de que deseja excluir este produto do cadastro?";

std::vector<std::string> Entradas(HWND lista) {
  char classe[32] = {};
  GetClassNameA(lista, classe, sizeof classe);
  const bool combo = lstrcmpiA(classe, "ComboBox") == 0;
  std::vector<std::string> out;
  const LRESULT n = SendMessageA(lista, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char texto[256] = {};
    SendMessageA(lista, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texto));
    out.push_back(texto);
  }
  return out;
}

std::string Detalhes(const char* preco, const char* data) {
  return std::string("Pre\xE7o Unit\xE1rio: R$ ") + preco + "\r\nData da Pesquisa: " + data;
}

// The catalogue every case starts from (identifiers 1 to 6, all surveyed on 01/03/2025).
const std::vector<AmbienteDeTeste::Produto> kCatalogo = {
    {"Feij\xE3o", "<N\xE3o Possue>", "<Nenhum>", "8,5"},  // 1
    {"Arroz", "Vale Verde", "5 kg", "22,45"},             // 2
    {"Arroz", "Gr\xE3o Dourado", "5 kg", "24,9"},         // 3
    {"Sal", "Litoral", "1 kg", "3,50"},                   // 4
    {"Arroz", "Vale Verde", "5 kg", "19"},                // 5: the same brand and complement as 2
    {"Caf\xE9", "Fazenda; Sul", "500 g", "15"},           // 6: a brand holding the separator
};

class Query : public testing::Test {
protected:
  void Abre(const std::vector<AmbienteDeTeste::Produto>& produtos = kCatalogo) {
    ambiente_.CriaCatalogo(produtos);
    ASSERT_TRUE(ModuloGlobal::AbreBancoDados());
    ASSERT_TRUE(form_.Carrega());
    form_.Mostra();
    teste::ProcessaPendentes();
  }
  void TearDown() override {
    form_.Descarrega();
    EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
  }

  // Chooses an entry as a click would (the selection, then the notification to the window).
  void EscolheNome(const std::string& nome) {
    const LRESULT i = SendMessageA(form_.cmbProduto, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(nome.c_str()));
    ASSERT_NE(i, CB_ERR) << nome;
    SendMessageA(form_.cmbProduto, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(form_.hWnd(), WM_COMMAND, MAKEWPARAM(frmConsulta::kCmbProduto, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(form_.cmbProduto));
  }
  void EscolheLinha(int i) {
    SendMessageA(form_.lstMarcaComplemento, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(form_.hWnd(), WM_COMMAND, MAKEWPARAM(frmConsulta::kLstMarcaComplemento, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(form_.lstMarcaComplemento));
  }
  std::string NomeEscolhido() {
    char texto[256] = {};
    const LRESULT i = SendMessageA(form_.cmbProduto, CB_GETCURSEL, 0, 0);
    SendMessageA(form_.cmbProduto, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texto));
    return texto;
  }
  size_t Linhas() {
    Recordset r;
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select * From Produtos", &r));
    return r.RowCount();
  }
  std::vector<std::string> Textos() { return ambiente_.dialogos.TomaTextos(); }

  AmbienteDeTeste ambiente_;
  frmConsulta form_;
};

TEST_F(Query, OpensOnTheFirstNameWithItsFirstBrandChosen) {
  Abre();
  EXPECT_EQ(TextoDe(form_.hWnd()), "Consulta de Produtos");
  EXPECT_EQ(Entradas(form_.cmbProduto), (std::vector<std::string>{"Arroz", "Caf\xE9", "Feij\xE3o", "Sal"}));
  EXPECT_EQ(NomeEscolhido(), "Arroz");
  EXPECT_EQ(Entradas(form_.lstMarcaComplemento),
            (std::vector<std::string>{"Vale Verde; 5 kg", "Gr\xE3o Dourado; 5 kg", "Vale Verde; 5 kg"}));
  EXPECT_EQ(SendMessageA(form_.lstMarcaComplemento, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(TextoDe(form_.pnlAdicionais), Detalhes("22,45", "01/03/2025"));
  EXPECT_EQ(TextoDe(form_.pnlID), "2");
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_TRUE(Textos().empty());

  const std::vector<std::string> rotulos = {"Nome do Produto:", "Marca e Complemento:", "Adicionais:"};
  for (size_t i = 0; i < rotulos.size(); ++i) EXPECT_EQ(TextoDe(form_.pnlLabelDados[i]), rotulos[i]);
  EXPECT_EQ(form_.Dica(form_.cmdOkay), "Clique aqui para alterar os dados do produto atual");
  EXPECT_EQ(form_.Dica(form_.cmdExcluir), "Clique aqui para excluir este produto do cadastro");
  EXPECT_EQ(form_.Dica(form_.cmdCancelar), "Clique aqui para retornar");
}

// What each choice shows: placeholders listed as they were stored, prices with two decimals, repeated
// entries showing the first of them, and a brand holding "; " found by its own values.
TEST_F(Query, ChoicesShowTheirEntries) {
  Abre();
  struct Caso {
    const char* nome;
    int linha;
    std::vector<std::string> lista;
    std::string detalhes;
    const char* id;
  };
  const Caso casos[] = {
      {"Feij\xE3o", 0, {"<N\xE3o Possue>; <Nenhum>"}, Detalhes("8,50", "01/03/2025"), "1"},
      {"Sal", 0, {"Litoral; 1 kg"}, Detalhes("3,50", "01/03/2025"), "4"},
      {"Arroz",
       1,
       {"Vale Verde; 5 kg", "Gr\xE3o Dourado; 5 kg", "Vale Verde; 5 kg"},
       Detalhes("24,90", "01/03/2025"),
       "3"},
      {"Arroz",
       2,
       {"Vale Verde; 5 kg", "Gr\xE3o Dourado; 5 kg", "Vale Verde; 5 kg"},
       Detalhes("22,45", "01/03/2025"),
       "2"},
      {"Caf\xE9", 0, {"Fazenda; Sul; 500 g"}, Detalhes("15,00", "01/03/2025"), "6"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(c.nome) + " " + std::to_string(c.linha));
    EscolheNome(c.nome);
    if (c.linha) EscolheLinha(c.linha);
    EXPECT_EQ(Entradas(form_.lstMarcaComplemento), c.lista);
    EXPECT_EQ(TextoDe(form_.pnlAdicionais), c.detalhes);
    EXPECT_EQ(TextoDe(form_.pnlID), c.id);
  }
  EXPECT_TRUE(Textos().empty());
}

TEST_F(Query, DeleteAsksAndNoKeepsTheEntry) {
  Abre();
  ambiente_.dialogos.Responde(IDNO);
  SendMessageA(form_.cmdExcluir, BM_CLICK, 0, 0);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  const auto m = ambiente_.dialogos.mostrados[0];
  EXPECT_EQ(m.texto, kExcluir);
  EXPECT_EQ(m.titulo, "Aten\xE7\xE3o:");
  EXPECT_EQ(m.estilo, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_EQ(Linhas(), kCatalogo.size());

  // Yes deletes the chosen entry; the names are read again and the first one is chosen.
  EscolheLinha(1);
  ambiente_.dialogos.Responde(IDYES);
  SendMessageA(form_.cmdExcluir, BM_CLICK, 0, 0);
  EXPECT_EQ(Linhas(), kCatalogo.size() - 1);
  EXPECT_EQ(Entradas(form_.lstMarcaComplemento), (std::vector<std::string>{"Vale Verde; 5 kg", "Vale Verde; 5 kg"}));
  EXPECT_EQ(TextoDe(form_.pnlID), "2");
  EXPECT_EQ(GetFocus(), form_.cmbProduto);
}

TEST_F(Query, DeleteOfAnEntryInASavedListIsRefusedNamingTheFirstList) {
  Abre();
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(sql::InsertListLine("Feira da Semana", 2, "1")));
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute(sql::InsertListLine("Compras do M\xEAs", 2, "2")));
  ambiente_.dialogos.Responde(IDYES);
  SendMessageA(form_.cmdExcluir, BM_CLICK, 0, 0);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 2u);
  const auto m = ambiente_.dialogos.mostrados[1];
  EXPECT_EQ(m.texto,
            "Imposs\xEDvel excluir este produto da lista, pois a lista de compras denominada 'Feira da Semana' faz "
            "refer\xEAncia a este produto.");
  EXPECT_EQ(m.titulo, "Erro:");
  EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(Linhas(), kCatalogo.size());
  EXPECT_TRUE(form_.Carregado());
}

TEST_F(Query, DeletingTheOnlyBrandOfANameChoosesTheFirstRemainingName) {
  Abre();
  EscolheNome("Sal");
  ambiente_.dialogos.Responde(IDYES);
  SendMessageA(form_.cmdExcluir, BM_CLICK, 0, 0);
  EXPECT_EQ(Entradas(form_.cmbProduto), (std::vector<std::string>{"Arroz", "Caf\xE9", "Feij\xE3o"}));
  EXPECT_EQ(NomeEscolhido(), "Arroz");
  EXPECT_EQ(Entradas(form_.lstMarcaComplemento).size(), 3u);
  EXPECT_EQ(TextoDe(form_.pnlID), "2");
}

TEST_F(Query, DeletingTheLastEntryOfTheCatalogueClosesTheWindow) {
  Abre({{"Sal", "Litoral", "1 kg", "3,50"}});
  ambiente_.dialogos.Responde(IDYES);
  SendMessageA(form_.cmdExcluir, BM_CLICK, 0, 0);
  EXPECT_EQ(Textos(), std::vector<std::string>{kExcluir}) << "closed without a message of its own";
  EXPECT_FALSE(form_.Carregado());
  EXPECT_EQ(Linhas(), 0u);
}

TEST_F(Query, AnEmptyCatalogueLeavesNothingToShow) {
  ambiente_.CriaCatalogo();
  ASSERT_TRUE(ModuloGlobal::AbreBancoDados());
  EXPECT_FALSE(form_.Carrega());
  EXPECT_FALSE(form_.Carregado());
  EXPECT_TRUE(Textos().empty());
}

// Editing goes through the registration window, filled in from the entry; afterwards the names are read
// again and the first is chosen, whether the edit was saved or cancelled.
TEST_F(Query, EditThroughTheRegistrationWindow) {
  Abre();
  EscolheNome("Sal");
  int aberturas = 0;
  ambiente_.AoAbrir("Cadastro de Produtos", [&](Formulario& f) {
    ++aberturas;
    auto& cadastro = dynamic_cast<frmCadastraProduto&>(f);
    EXPECT_TRUE(cadastro.Modal());
    EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
    EXPECT_EQ(TextoDe(cadastro.pnlID), "4");
    EXPECT_EQ(TextoDe(cadastro.txtProduto), "Sal");
    EXPECT_EQ(TextoDe(cadastro.txtMarca), "Litoral");
    EXPECT_EQ(TextoDe(cadastro.txtComplemento), "1 kg");
    EXPECT_EQ(TextoDe(cadastro.mskDataPesquisa), "01/03/2025");
    EXPECT_EQ(TextoDe(cadastro.txtPrecoUnitario), "3,50");
    DefineTexto(cadastro.txtMarca, "Marinho");
    DefineTexto(cadastro.txtPrecoUnitario, "3,75");
    SendMessageA(cadastro.cmdOkay, BM_CLICK, 0, 0);
  });
  SendMessageA(form_.cmdOkay, BM_CLICK, 0, 0);
  EXPECT_EQ(aberturas, 1);
  EXPECT_TRUE(Textos().empty());
  EXPECT_EQ(NomeEscolhido(), "Arroz") << "the first name, not the edited one";
  EXPECT_EQ(GetFocus(), form_.cmbProduto);
  EscolheNome("Sal");
  EXPECT_EQ(Entradas(form_.lstMarcaComplemento), std::vector<std::string>{"Marinho; 1 kg"});
  EXPECT_EQ(TextoDe(form_.pnlAdicionais), Detalhes("3,75", "01/03/2025"));
  EXPECT_EQ(Linhas(), kCatalogo.size());

  // Cancelled: the same refresh.
  ambiente_.AoAbrir("Cadastro de Produtos", [&](Formulario& f) {
    ++aberturas;
    ambiente_.dialogos.Responde(IDYES);
    SendMessageA(f.Controle(IDCANCEL), BM_CLICK, 0, 0);
  });
  SendMessageA(form_.cmdOkay, BM_CLICK, 0, 0);
  EXPECT_EQ(aberturas, 2);
  EXPECT_EQ(NomeEscolhido(), "Arroz");
}

// Every entry gone while the edit window was open (another program emptied the catalogue): said so,
// and the query window closes.
// The details of the newly chosen entry cannot be read (told by the general error box): no entry is chosen,
// so neither a change nor a delete can reach the entry shown before; the next entry read enables them again.
TEST_F(Query, FailedDetailsLeaveNoEntryChosen) {
  Abre();
  EscolheNome("Arroz");
  ASSERT_NE(TextoDe(form_.pnlID), "-");
  ModuloGlobal::CatalogueDatabase.Close();
  EscolheLinha(1);
  EXPECT_EQ(Textos().size(), 1u);
  EXPECT_EQ(TextoDe(form_.pnlID), "-");
  EXPECT_EQ(TextoDe(form_.pnlAdicionais), "");
  EXPECT_FALSE(IsWindowEnabled(form_.cmdOkay));
  EXPECT_FALSE(IsWindowEnabled(form_.cmdExcluir));
  ASSERT_TRUE(ModuloGlobal::AbreBancoDados());
  EscolheLinha(0);
  EXPECT_NE(TextoDe(form_.pnlID), "-");
  EXPECT_TRUE(IsWindowEnabled(form_.cmdOkay));
  EXPECT_TRUE(IsWindowEnabled(form_.cmdExcluir));
}

TEST_F(Query, NothingLeftAfterAnEditIsReported) {
  Abre();
  ambiente_.AoAbrir("Cadastro de Produtos", [&](Formulario& f) {
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.Execute("Delete * From Produtos"));
    SendMessageA(f.hWnd(), WM_CLOSE, 0, 0);
  });
  SendMessageA(form_.cmdOkay, BM_CLICK, 0, 0);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  const auto m = ambiente_.dialogos.mostrados[0];
  EXPECT_EQ(m.texto, "Desculpe, mas para fazer-se uma consulta, primeiro deve existir algum produto cadastrado.");
  EXPECT_EQ(m.titulo, "Erro:");
  EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_FALSE(form_.Carregado());
}

// Opened by the main window's command, modally; Esc returns.
TEST(QueryFromTheMainWindow, OpensModallyAndEscReturns) {
  AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo(kCatalogo);
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  bool aberta = false;
  ambiente.AoAbrir("Consulta de Produtos", [&](Formulario& f) {
    aberta = true;
    EXPECT_TRUE(f.Modal());
    EXPECT_FALSE(IsWindowEnabled(Principal().hWnd()));
    auto& consulta = dynamic_cast<frmConsulta&>(f);
    PostMessageA(consulta.cmbProduto, WM_KEYDOWN, VK_ESCAPE, 1);
  });
  Principal().cmdConsultar_Click();
  EXPECT_TRUE(aberta);
  EXPECT_TRUE(IsWindowEnabled(Principal().hWnd()));
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_EQ(ambiente.modaisEsquecidos, 0);
}

}  // namespace
