// mercanota.exe on an empty catalogue, driven as a person would: two products registered through the
// toolbar, looked at in the query window opened from the menu bar, one deleted. The catalogue is left in
// the test's folder (e2e-produtos\Preços beside this program), where the next test reads it with the
// stock sqlite3 shell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiDriver.h"
#include "BuildFolders.h"

namespace {

const char kPrincipal[] = "Mercanota";
const char kSplash[] = "Abertura do Mercanota";
const char kCadastro[] = "Cadastro de Produtos";
const char kConsulta[] = "Consulta de Produtos";

// Control identifiers of the windows.
const char kCmdCadastrarProdutos[] = "#101";
const char kTxtProduto[] = "#101";
const char kTxtMarca[] = "#102";
const char kTxtComplemento[] = "#103";
const char kMskDataPesquisa[] = "#104";
const char kTxtPrecoUnitario[] = "#105";
const char kCmdSalvar[] = "#1";
const char kCmdCancelarCadastro[] = "#2";
const char kCmbProduto[] = "#101";
const char kLstMarcaComplemento[] = "#102";
const char kCmdExcluir[] = "#104";
const char kPnlAdicionais[] = "#105";
const char kPnlID[] = "#106";

// The program's own folder for this test, made afresh: the program, its sound and an empty catalogue
// made by the catalogue tool, in a folder whose name has an accent, as a shop's often has.
std::string PreparaPasta() {
  CreateDirectoryA((uidriver::ExecutableFolder() + "e2e-produtos").c_str(), nullptr);
  const std::string pasta = uidriver::ExecutableFolder() + "e2e-produtos\\Pre\xE7os\\";
  CreateDirectoryA(pasta.c_str(), nullptr);
  DeleteFileA((pasta + "Registro.mdb").c_str());
  for (const char* arquivo : {"mercanota.exe", "10_24.wav"}) {
    CopyFileA((BinFolder() + arquivo).c_str(), (pasta + arquivo).c_str(), FALSE);
  }
  uidriver::Program ferramenta;
  DWORD saida = 1;
  if (!ferramenta.Start("\"" + BinFolder() + "mkcatalogue.exe\" \"" + pasta + "Registro.mdb\"") ||
      !ferramenta.WaitExit(30000, &saida) || saida != 0) {
    return {};
  }
  return pasta;
}

// Polls until the control shows `esperado`; returns what it shows last.
std::string EsperaTexto(HWND controle, const std::string& esperado, DWORD prazo = 5000) {
  std::string texto;
  for (DWORD t = 0; t < prazo; t += 20, Sleep(20)) {
    texto = uidriver::GetText(controle);
    if (texto == esperado) break;
  }
  return texto;
}

// A price in the user's regional format: Preco("9", "90") is "9,90" under Brazil's settings.
std::string Preco(const std::string& reais, const std::string& centavos) {
  char separador[8] = ",";
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separador, sizeof separador);
  return reais + separador + centavos;
}

bool DetalhesSao(const std::string& texto, const std::string& preco, const std::string& data) {
  return texto == "Pre\xE7o Unit\xE1rio: R$ " + preco + "\r\nData da Pesquisa: " + data;
}

class MercanotaProducts : public testing::Test {
protected:
  HWND Controle(HWND janela, const char* seletor) {
    HWND h = uidriver::WaitControl(janela, seletor, 5000);
    EXPECT_NE(h, nullptr) << seletor << "\n" << uidriver::DescribeControls(janela);
    return h;
  }
  void Digita(HWND janela, const char* seletor, const std::string& texto) {
    HWND caixa = Controle(janela, seletor);
    if (!caixa) return;
    uidriver::SetFocusTo(caixa);
    uidriver::TypeText(caixa, texto);
  }
  // Waits for a message box, checks it and presses `botao`.
  void Responde(const char* titulo, const std::string& texto, int padrao, int botao) {
    uidriver::MessageBoxInfo caixa;
    ASSERT_TRUE(uidriver::WaitMessageBox(&caixa, 10000, pid_)) << "no message box: " << texto;
    EXPECT_EQ(caixa.title, titulo);
    EXPECT_EQ(caixa.text, texto);
    EXPECT_EQ(caixa.buttons.size(), 2u);
    EXPECT_EQ(caixa.defaultId, padrao);
    ASSERT_TRUE(uidriver::AnswerMessageBox(caixa, botao));
  }
  void NenhumaCaixa() {
    uidriver::MessageBoxInfo caixa;
    EXPECT_FALSE(uidriver::WaitMessageBox(&caixa, 300, pid_)) << "unexpected box: " << caixa.text;
  }

  DWORD pid_ = 0;
};

TEST_F(MercanotaProducts, RegisterTwoLookThemUpAndDeleteOne) {
  const std::string pasta = PreparaPasta();
  ASSERT_FALSE(pasta.empty()) << "the catalogue tool could not make an empty catalogue";
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + pasta + "mercanota.exe\"", pasta));
  pid_ = program.Id();
  HWND principal = uidriver::WaitTopWindow(kPrincipal, 15000, pid_);
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSplash, 15000, pid_));

  // Registration, from the toolbar.
  ASSERT_TRUE(uidriver::Click(Controle(principal, kCmdCadastrarProdutos)));
  HWND cadastro = uidriver::WaitTopWindow(kCadastro, 10000, pid_);
  ASSERT_NE(cadastro, nullptr) << uidriver::DescribeTopWindows();
  EXPECT_FALSE(IsWindowEnabled(principal)) << "modal over the main window";

  Digita(cadastro, kTxtProduto, "Feij\xE3o Preto");
  Digita(cadastro, kTxtMarca, "Boa \"Mesa\"");  // the quotes never arrive
  Digita(cadastro, kTxtComplemento, "1 kg");
  Digita(cadastro, kMskDataPesquisa, "12032025");
  Digita(cadastro, kTxtPrecoUnitario, Preco("9", "9"));
  EXPECT_EQ(uidriver::GetText(Controle(cadastro, kTxtMarca)), "Boa Mesa");
  EXPECT_EQ(uidriver::GetText(Controle(cadastro, kMskDataPesquisa)), "12/03/2025");
  ASSERT_TRUE(uidriver::Click(Controle(cadastro, kCmdSalvar)));
  NenhumaCaixa();
  EXPECT_EQ(EsperaTexto(Controle(cadastro, kTxtProduto), ""), "") << "emptied for the next entry";
  EXPECT_EQ(uidriver::GetText(Controle(cadastro, kMskDataPesquisa)), "12/03/2025") << "the date stays";

  // The second without brand, complement or price: the zero price must be confirmed.
  Digita(cadastro, kTxtProduto, "Arroz");
  ASSERT_TRUE(uidriver::Click(Controle(cadastro, kCmdSalvar)));
  Responde("Aten\xE7\xE3o:", "Voc\xEA est\xE1 certo de que o pre\xE7o unit\xE1rio para Arroz \xE9 R$ 0,00 ?", IDNO,
           IDYES);
  EXPECT_EQ(EsperaTexto(Controle(cadastro, kTxtProduto), ""), "");

  // Cancel with nothing typed closes at once.
  ASSERT_TRUE(uidriver::Click(Controle(cadastro, kCmdCancelarCadastro)));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kCadastro, 5000, pid_));
  NenhumaCaixa();
  EXPECT_TRUE(IsWindowEnabled(principal));

  // The query window, opened from the menu bar as a keyboard user would, lists both, the first name chosen.
  ASSERT_TRUE(uidriver::ChooseMenu(principal, "&Cadastro|Visualizar e &Alterar Dados"));
  HWND consulta = uidriver::WaitTopWindow(kConsulta, 10000, pid_);
  ASSERT_NE(consulta, nullptr) << uidriver::DescribeTopWindows();
  HWND nomes = Controle(consulta, kCmbProduto);
  HWND marcas = Controle(consulta, kLstMarcaComplemento);
  EXPECT_EQ(uidriver::ListEntries(nomes), (std::vector<std::string>{"Arroz", "Feij\xE3o Preto"}));
  EXPECT_EQ(uidriver::GetText(nomes), "Arroz");
  EXPECT_EQ(uidriver::ListEntries(marcas), std::vector<std::string>{"<N\xE3o Possue>; <Nenhum>"});
  const std::string adicionais = uidriver::GetText(Controle(consulta, kPnlAdicionais));
  EXPECT_TRUE(DetalhesSao(adicionais, Preco("0", "00"), "12/03/2025")) << testing::PrintToString(adicionais);
  EXPECT_EQ(uidriver::GetText(Controle(consulta, kPnlID)), "2");

  ASSERT_TRUE(uidriver::SelectEntry(nomes, "Feij\xE3o Preto"));
  EXPECT_EQ(uidriver::ListEntries(marcas), std::vector<std::string>{"Boa Mesa; 1 kg"});
  std::string feijao;
  for (int i = 0; i < 100 && !DetalhesSao(feijao, Preco("9", "90"), "12/03/2025"); ++i, Sleep(20)) {
    feijao = uidriver::GetText(Controle(consulta, kPnlAdicionais));
  }
  EXPECT_TRUE(DetalhesSao(feijao, Preco("9", "90"), "12/03/2025")) << feijao;
  EXPECT_EQ(uidriver::GetText(Controle(consulta, kPnlID)), "1");

  // Delete it: asked first, No being the default.
  ASSERT_TRUE(uidriver::Click(Controle(consulta, kCmdExcluir)));
  Responde("Aten\xE7\xE3o:", "Voc\xEA est\xE1 certo de que deseja excluir este produto do cadastro?", IDNO, IDYES);
  for (int i = 0; i < 100 && uidriver::ListEntries(nomes).size() != 1; ++i) Sleep(20);
  EXPECT_EQ(uidriver::ListEntries(nomes), std::vector<std::string>{"Arroz"});

  // Back, and out of the program by the close box.
  ASSERT_TRUE(uidriver::RequestClose(consulta));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kConsulta, 5000, pid_));
  ASSERT_TRUE(uidriver::RequestClose(principal));
  DWORD saida = 1234;
  ASSERT_TRUE(program.WaitExit(10000, &saida)) << "mercanota.exe did not end";
  EXPECT_EQ(saida, 0u);
}

}  // namespace
