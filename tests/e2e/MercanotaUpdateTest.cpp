// mercanota.exe's price update from its toolbar, against this test's own HTTP server on 127.0.0.1 (given
// to the program through MERCANOTA_UPDATE_URL): the window shows the server's status line, then the
// summary, and closes itself. The catalogue is left in e2e-atualizacao beside this program, where the
// next test reads it with the stock sqlite3 shell. The prices have decimal commas, as the shop's server
// writes them and as the program reads them under Portuguese (Brazil) regional settings.
// Winsock must come before <windows.h>.
#include "ServidorHttpLocal.h"

#include <gtest/gtest.h>

#include <string>

#include "BuildFolders.h"
#include "UiDriver.h"

namespace {

const char kPrincipal[] = "Mercanota";
const char kSplash[] = "Abertura do Mercanota";
const char kAtualizacao[] = "Atualiza\xE7\xE3o via Internet";
const char kCmdInternet[] = "#105";
const char kPnlStatus[] = "#101";

// Inserts two entries, then updates the first of them; the pause leaves time to look at the window.
const char kTexto[] =
    "INFO Recebendo os pre\xE7os de hoje . . .* TEMP 3* PROD;Arroz;Vale Verde;5 kg;22,45;05/12/2026;* "
    "PROD;Leite;Serra;1 litro;4,99;05/12/2026;* PROD;Arroz;Vale Verde;5 kg;24,9;06/12/2026;* ";

std::string PreparaPasta() {
  const std::string pasta = uidriver::ExecutableFolder() + "e2e-atualizacao\\";
  CreateDirectoryA(pasta.c_str(), nullptr);
  for (const char* arquivo : {"Registro.mdb", "atualiza.dat"}) DeleteFileA((pasta + arquivo).c_str());
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

// Polls the control until it shows `esperado`; what it showed last.
std::string EsperaTexto(HWND controle, const std::string& esperado, DWORD prazo) {
  std::string texto;
  for (DWORD t = 0; t < prazo; t += 20, Sleep(20)) {
    texto = uidriver::GetText(controle);
    if (texto == esperado) break;
  }
  return texto;
}

TEST(MercanotaUpdate, ToolbarButtonAppliesTheServersTextAndShowsTheSummary) {
  ServidorHttpLocal servidor;
  ASSERT_TRUE(servidor.Ativo());
  servidor.Responde(kTexto);
  const std::string pasta = PreparaPasta();
  ASSERT_FALSE(pasta.empty()) << "the catalogue tool could not make an empty catalogue";

  SetEnvironmentVariableA("MERCANOTA_UPDATE_URL", servidor.Endereco().c_str());
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + pasta + "mercanota.exe\"", pasta));
  SetEnvironmentVariableA("MERCANOTA_UPDATE_URL", nullptr);
  const DWORD pid = program.Id();
  HWND principal = uidriver::WaitTopWindow(kPrincipal, 15000, pid);
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSplash, 15000, pid));

  ASSERT_TRUE(uidriver::Click(uidriver::WaitControl(principal, kCmdInternet, 5000)));
  HWND janela = uidriver::WaitTopWindow(kAtualizacao, 10000, pid);
  ASSERT_NE(janela, nullptr) << uidriver::DescribeTopWindows();
  HWND status = uidriver::WaitControl(janela, kPnlStatus, 5000);
  ASSERT_NE(status, nullptr) << uidriver::DescribeControls(janela);
  EXPECT_EQ(EsperaTexto(status, "Recebendo os pre\xE7os de hoje . . .", 5000), "Recebendo os pre\xE7os de hoje . . .");
  const std::string resumo =
      "Resultado da Atualiza\xE7\xE3o:\r\n\r\nProdutos Inseridos: 2\r\n\r\nProdutos Atualizados: 1";
  EXPECT_EQ(EsperaTexto(status, resumo, 10000), resumo);
  EXPECT_FALSE(IsWindowEnabled(principal)) << "modal over the main window";
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kAtualizacao, 15000, pid)) << "the summary closes the window";
  uidriver::MessageBoxInfo caixa;
  EXPECT_FALSE(uidriver::WaitMessageBox(&caixa, 300, pid)) << "unexpected box: " << caixa.text;
  EXPECT_EQ(servidor.Pedidos(), 1);

  ASSERT_TRUE(uidriver::RequestClose(principal));
  DWORD saida = 1234;
  ASSERT_TRUE(program.WaitExit(10000, &saida)) << "mercanota.exe did not end";
  EXPECT_EQ(saida, 0u);
}

}  // namespace
