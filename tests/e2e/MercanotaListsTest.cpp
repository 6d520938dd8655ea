// mercanota.exe on the demonstration catalogue, driven as a person would: three products ticked in the
// list generator, walked choosing a brand and a quantity each, saved under a new name; the report
// window's text checked against the list's own report builder, then printed, with a note of three pages
// added, on a PostScript printer installed in the Wine prefix for the test. The catalogue, the printed
// PostScript and the text it must hold are left in the test's folder (e2e-listas beside this program) for
// the stock sqlite3 shell and Ghostscript; screenshots of the windows are left there too. It runs under
// Portuguese (Brazil) regional settings, and once more under English (United States) in a folder of its
// own, since the report's dates and numbers follow the user's settings.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "BuildFolders.h"
#include "catalogue/RelatorioDeCompras.h"
#include "TestPrinter_win.h"
#include "UiDriver.h"

namespace {

const char kPrincipal[] = "Mercanota";
const char kSplash[] = "Abertura do Mercanota";
const char kGerador[] = "Lista de Compras";
const char kMontagem[] = "Montagem da Lista de Compras";
const char kSalvando[] = "Salvando...";
const char kSelecao[] = "Gerar Lista de Compras";

const char kImpressora[] = "Impressora de Teste";
const char kCmdGeraListaCompras[] = "#103";
const char kCmdGeraListaDireto[] = "#104";
const char kCmdImprimirListaCompras[] = "#106";
const char kLstProdutos[] = "#101";
const char kCmdGerarListaDoGerador[] = "#103";
const char kLstMarca[] = "#101";
const char kTxtQtd[] = "#102";
const char kCmdGerarListaDaMontagem[] = "#104";

// The user's regional settings, as Windows names them ("pt-BR").
std::string Localidade() {
  char nome[LOCALE_NAME_MAX_LENGTH] = "";
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNAME, nome, sizeof nome);
  return nome;
}

// The test's folder; a run under other regional settings than Brazil's keeps its files apart, named
// after them ("e2e-listas-en-US").
std::string Pasta() {
  const std::string localidade = Localidade();
  return uidriver::ExecutableFolder() + "e2e-listas" + (localidade == "pt-BR" ? "" : "-" + localidade) + "\\";
}

std::string PreparaPasta() {
  const std::string pasta = Pasta();
  CreateDirectoryA(pasta.c_str(), nullptr);
  DeleteFileA((pasta + "Registro.mdb").c_str());
  for (const char* arquivo : {"mercanota.exe", "10_24.wav"}) {
    CopyFileA((BinFolder() + arquivo).c_str(), (pasta + arquivo).c_str(), FALSE);
  }
  uidriver::Program ferramenta;
  DWORD saida = 1;
  if (!ferramenta.Start("\"" + BinFolder() + "mkcatalogue.exe\" --demo \"" + pasta + "Registro.mdb\"") ||
      !ferramenta.WaitExit(30000, &saida) || saida != 0) {
    return {};
  }
  return pasta;
}

// The default printer: Wine's PostScript driver on a plain A4 printer, its output going to the file
// `saida`. A printer of the same name left by an earlier run is replaced.
bool InstalaImpressora(const std::string& saida) {
  return testprinter::Install(kImpressora, uidriver::ExecutableFolder() + "impressora-de-teste.ppd", saida);
}

bool EscreveArquivo(const std::string& caminho, const std::string& texto) {
  HANDLE f = CreateFileA(caminho.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD escritos = 0;
  const BOOL ok = WriteFile(f, texto.data(), static_cast<DWORD>(texto.size()), &escritos, nullptr);
  CloseHandle(f);
  return ok && escritos == texto.size();
}

// Waits until the file exists and has stopped growing; its size.
DWORD EsperaArquivo(const std::string& caminho, DWORD prazo = 15000) {
  DWORD anterior = 0;
  for (DWORD t = 0; t < prazo; t += 250, Sleep(250)) {
    WIN32_FILE_ATTRIBUTE_DATA dados;
    if (!GetFileAttributesExA(caminho.c_str(), GetFileExInfoStandard, &dados)) continue;
    if (dados.nFileSizeLow > 0 && dados.nFileSizeLow == anterior) return anterior;
    anterior = dados.nFileSizeLow;
  }
  return anterior;
}

// The screen as a 24-bit BMP file in the test's folder, for a person to look at.
void SalvaTela(const std::string& nome) {
  Sleep(300);
  uidriver::SaveScreen(Pasta() + nome);
}

class MercanotaLists : public testing::Test {
protected:
  HWND Controle(HWND janela, const char* seletor) {
    HWND h = uidriver::WaitControl(janela, seletor, 5000);
    EXPECT_NE(h, nullptr) << seletor << "\n" << uidriver::DescribeControls(janela);
    return h;
  }
  // Chooses the brand entry that starts with `marca`, ticks it (Enter) and gives it a quantity.
  void EscolheMarca(HWND montagem, const std::string& marca, const std::string& quantidade) {
    HWND marcas = Controle(montagem, kLstMarca);
    std::string entrada;
    for (const std::string& e : uidriver::ListEntries(marcas)) {
      if (e.rfind(marca, 0) == 0) entrada = e;
    }
    ASSERT_FALSE(entrada.empty()) << marca;
    ASSERT_TRUE(uidriver::SelectEntry(marcas, entrada));
    uidriver::SetText(Controle(montagem, kTxtQtd), quantidade);
  }
  void Responde(const char* titulo, const std::string& texto, int botao) {
    uidriver::MessageBoxInfo caixa;
    ASSERT_TRUE(uidriver::WaitMessageBox(&caixa, 10000, pid_)) << "no message box: " << texto;
    EXPECT_EQ(caixa.title, titulo);
    EXPECT_EQ(caixa.text, texto);
    ASSERT_TRUE(uidriver::AnswerMessageBox(caixa, botao));
  }
  // Waits until the window shows the product `nome` in its title.
  bool MostraProduto(HWND montagem, const std::string& nome) {
    for (int i = 0; i < 250; ++i, Sleep(20)) {
      if (uidriver::FindControl(montagem, nome)) return true;
    }
    return false;
  }

  DWORD pid_ = 0;
};

TEST_F(MercanotaLists, TickWalkSaveAndReport) {
  const std::string pasta = PreparaPasta();
  ASSERT_FALSE(pasta.empty()) << "the catalogue tool could not make the demonstration catalogue";
  ASSERT_TRUE(InstalaImpressora(pasta + "impresso.ps")) << GetLastError();
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + pasta + "mercanota.exe\"", pasta));
  pid_ = program.Id();
  HWND principal = uidriver::WaitTopWindow(kPrincipal, 15000, pid_);
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSplash, 15000, pid_));

  ASSERT_TRUE(uidriver::Click(Controle(principal, kCmdGeraListaCompras)));
  HWND gerador = uidriver::WaitTopWindow(kGerador, 10000, pid_);
  ASSERT_NE(gerador, nullptr) << uidriver::DescribeTopWindows();
  HWND produtos = Controle(gerador, kLstProdutos);
  for (const char* nome : {"Arroz", "Caf\xE9", "Sal"}) ASSERT_TRUE(uidriver::SelectEntry(produtos, nome)) << nome;
  SalvaTela("gerador.bmp");

  ASSERT_TRUE(uidriver::Click(Controle(gerador, kCmdGerarListaDoGerador)));
  HWND montagem = uidriver::WaitTopWindow(kMontagem, 10000, pid_);
  ASSERT_NE(montagem, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(MostraProduto(montagem, "Arroz"));
  EscolheMarca(montagem, "Vale Verde; Tipo 1, 5 kg", "2");
  SalvaTela("montagem.bmp");
  ASSERT_TRUE(uidriver::Click(Controle(montagem, kCmdGerarListaDaMontagem)));
  ASSERT_TRUE(MostraProduto(montagem, "Caf\xE9"));
  EscolheMarca(montagem, "Fazendinha; Extraforte, 500 g", "3");
  // Enter in the quantity box goes on to the next product.
  ASSERT_TRUE(uidriver::PressKey(Controle(montagem, kTxtQtd), VK_RETURN));
  ASSERT_TRUE(MostraProduto(montagem, "Sal"));
  // A product with one brand arrives with it ticked.
  uidriver::SetText(Controle(montagem, kTxtQtd), "1");
  ASSERT_TRUE(uidriver::Click(Controle(montagem, kCmdGerarListaDaMontagem)));

  Responde("Importante:",
           "Voc\xEA acabou de montar sua Lista de Compras. Deseja que o programa salve-a para que voc\xEA possa "
           "utilizar-se dela mais tarde?",
           IDYES);
  HWND salvando = uidriver::WaitTopWindow(kSalvando, 10000, pid_);
  ASSERT_NE(salvando, nullptr) << uidriver::DescribeTopWindows();
  HWND nome = Controle(salvando, "#101");
  EXPECT_EQ(uidriver::GetText(nome), "Minha Lista Padr\xE3o");
  uidriver::SetText(nome,
                    "Churrasco de S\xE1"
                    "bado");
  SalvaTela("salvando.bmp");
  ASSERT_TRUE(uidriver::Click(Controle(salvando, "#1")));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kMontagem, 10000, pid_));

  // The report window, in the main window; the generator is back on the built-in list.
  HWND texto = nullptr;
  for (int i = 0; i < 250 && !texto; ++i, Sleep(20)) texto = uidriver::FindControl(principal, "Edit[0]");
  ASSERT_NE(texto, nullptr) << uidriver::DescribeControls(principal);
  const mercanota::RegionalSettings regional = mercanota::RegionalSettings::FromUserLocale();
  mercanota::SetRegional(regional);
  if (Localidade() == "pt-BR") {
    // Under Brazil's settings the report reads "09/dezembro/2026" and "22,45".
    EXPECT_EQ(regional.decimalSeparator, ',');
    EXPECT_EQ(regional.monthNames[11], "dezembro");
  }
  const std::string esperado =
      mercanota::TextoDaListaDeCompras("Lista Padr\xE3o", mercanota::Today(),
                                       {{2, "Arroz", "Vale Verde", "Tipo 1, 5 kg", mercanota::Currency{224500}},
                                        {3, "Caf\xE9", "Fazendinha", "Extraforte, 500 g", mercanota::Currency{154900}},
                                        {1, "Sal", "Litoral", "Refinado, 1 kg", mercanota::Currency{29900}}},
                                       regional);
  EXPECT_EQ(uidriver::GetText(texto), esperado);
  EXPECT_TRUE(uidriver::ListEntries(Controle(gerador, "#102")).size() >= 2);
  ASSERT_TRUE(uidriver::RequestClose(gerador));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kGerador, 5000, pid_));
  SalvaTela("relatorio.bmp");

  // Printed as it stands, a note of 180 lines added: the lines go on over the following pages. Its first
  // line is wider than the report's 80 columns, as a line with an over-wide value is: the whole text is
  // printed smaller, so that every line ends inside the printable area.
  std::string impresso = esperado;
  impresso += "Observa\xE7\xE3o: conferir " + std::string(60, '-') + " R$ 1.234.567,89\r\n";
  for (int i = 1; i <= 180; ++i) impresso += "Anota\xE7\xE3o " + std::to_string(i) + " do dia\r\n";
  ASSERT_TRUE(uidriver::SetText(texto, impresso));
  ASSERT_TRUE(EscreveArquivo(pasta + "impresso-esperado.txt", impresso));
  ASSERT_TRUE(uidriver::Click(Controle(principal, kCmdImprimirListaCompras)));
  EXPECT_GT(EsperaArquivo(pasta + "impresso.ps"), 0u) << "nothing reached the printer";
  uidriver::MessageBoxInfo caixa;
  EXPECT_FALSE(uidriver::WaitMessageBox(&caixa, 300, pid_)) << caixa.text;

  // A line too wide for the paper even at half the size goes on over the next printed lines, none of its
  // characters lost (impresso-largo.ps).
  ASSERT_TRUE(InstalaImpressora(pasta + "impresso-largo.ps")) << GetLastError();
  std::string largo = "Linha larga: ";
  for (int i = 0; i < 25; ++i) largo += "0123456789";
  largo += "\r\n" + esperado;
  ASSERT_TRUE(uidriver::SetText(texto, largo));
  ASSERT_TRUE(EscreveArquivo(pasta + "impresso-largo-esperado.txt", largo));
  ASSERT_TRUE(uidriver::Click(Controle(principal, kCmdImprimirListaCompras)));
  EXPECT_GT(EsperaArquivo(pasta + "impresso-largo.ps"), 0u) << "nothing reached the printer";
  EXPECT_FALSE(uidriver::WaitMessageBox(&caixa, 300, pid_)) << caixa.text;

  // The saved list printed again from the saved-list window: the same brands and quantities, under its name.
  ASSERT_TRUE(uidriver::Click(Controle(principal, kCmdGeraListaDireto)));
  HWND selecao = uidriver::WaitTopWindow(kSelecao, 10000, pid_);
  ASSERT_NE(selecao, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::SelectEntry(Controle(selecao, "#101"),
                                    "Churrasco de S\xE1"
                                    "bado"));
  SalvaTela("selecao.bmp");
  ASSERT_TRUE(uidriver::Click(Controle(selecao, "#103")));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSelecao, 10000, pid_));
  const std::string deNovo = mercanota::TextoDaListaDeCompras(
      "Churrasco de S\xE1"
      "bado",
      mercanota::Today(),
      {{2, "Arroz", "Vale Verde", "Tipo 1, 5 kg", mercanota::Currency{224500}},
       {3, "Caf\xE9", "Fazendinha", "Extraforte, 500 g", mercanota::Currency{154900}},
       {1, "Sal", "Litoral", "Refinado, 1 kg", mercanota::Currency{29900}}},
      regional);
  std::string visto;
  for (int i = 0; i < 250 && visto != deNovo; ++i, Sleep(20)) {
    if (HWND segundo = uidriver::FindControl(principal, "Edit[0]")) visto = uidriver::GetText(segundo);
  }
  EXPECT_EQ(visto, deNovo);

  ASSERT_TRUE(uidriver::RequestClose(principal));
  DWORD saida = 1234;
  ASSERT_TRUE(program.WaitExit(10000, &saida)) << "mercanota.exe did not end";
  EXPECT_EQ(saida, 0u);
}

}  // namespace
