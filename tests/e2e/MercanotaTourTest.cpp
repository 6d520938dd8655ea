// The guided tour of list making in mercanota.exe on the demonstration catalogue, in real time, started
// from the Help menu: screenshots while it ticks products in the generator, while it gives the second
// product its quantity in the assembly window, and at its end with the report in the main window (left in
// e2e-visita beside this program, for a person to look at); the report it leaves and the main window
// taking input again. Wine gets a sound card that plays nothing (asound-mudo.conf), since the tour needs a
// wave output device.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "BuildFolders.h"
#include "RelatorioDeCompras.h"
#include "UiDriver.h"

namespace {

const char kPrincipal[] = "Mercanota";
const char kSplash[] = "Abertura do Mercanota";
const char kGerador[] = "Lista de Compras";
const char kMontagem[] = "Montagem da Lista de Compras";
const int kMnuExplicarGerando = 207;
const char kAcucar[] =
    "A\xE7\xFA"
    "car";

std::string Pasta() { return uidriver::ExecutableFolder() + "e2e-visita\\"; }

std::string PreparaPasta() {
  const std::string pasta = Pasta();
  CreateDirectoryA(pasta.c_str(), nullptr);
  DeleteFileA((pasta + "Registro.mdb").c_str());
  for (const char* arquivo : {"mercanota.exe", "10_24.wav", "MSG_101.wav", "MSG_102.WAV", "MSG_103.WAV", "MSG_104.WAV",
                              "MSG_105.WAV", "MSG_106.WAV", "MSG_107.WAV", "MSG_108.WAV"}) {
    if (!CopyFileA((BinFolder() + arquivo).c_str(), (pasta + arquivo).c_str(), FALSE)) return {};
  }
  uidriver::Program ferramenta;
  DWORD saida = 1;
  if (!ferramenta.Start("\"" + BinFolder() + "mkcatalogue.exe\" --demo \"" + pasta + "Registro.mdb\"") ||
      !ferramenta.WaitExit(30000, &saida) || saida != 0) {
    return {};
  }
  return pasta;
}

// Polls `condicao` every 50 ms for at most `prazo` ms.
template <typename Condicao>
bool Aguarda(Condicao condicao, DWORD prazo) {
  for (DWORD t = 0; t < prazo; t += 50, Sleep(50)) {
    if (condicao()) return true;
  }
  return condicao();
}

TEST(MercanotaTour, RunsInRealTimeAndLeavesTheDefaultList) {
  ASSERT_GT(waveOutGetNumDevs(), 0u) << "Wine has no wave output device (see asound-mudo.conf)";
  const std::string pasta = PreparaPasta();
  ASSERT_FALSE(pasta.empty()) << "the program, its sounds or the demonstration catalogue are missing";
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + pasta + "mercanota.exe\"", pasta));
  const DWORD pid = program.Id();
  HWND principal = uidriver::WaitTopWindow(kPrincipal, 15000, pid);
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSplash, 15000, pid));

  // The menu item has no access key, which the driver's walk of another process's menu needs: its command
  // is posted as the menu would post it.
  ASSERT_TRUE(PostMessageA(principal, WM_COMMAND, MAKEWPARAM(kMnuExplicarGerando, 0), 0));
  HWND gerador = uidriver::WaitTopWindow(kGerador, 30000, pid);
  ASSERT_NE(gerador, nullptr) << uidriver::DescribeTopWindows();
  EXPECT_FALSE(IsWindowEnabled(gerador));
  HWND produtos = uidriver::WaitControl(gerador, "#101", 5000);
  ASSERT_NE(produtos, nullptr);
  ASSERT_TRUE(Aguarda([&] { return SendMessageA(produtos, LB_GETSELCOUNT, 0, 0) == 2; }, 20000));
  uidriver::SaveScreen(pasta + "1-gerador.bmp");

  HWND montagem = uidriver::WaitTopWindow(kMontagem, 20000, pid);
  ASSERT_NE(montagem, nullptr) << uidriver::DescribeTopWindows();
  HWND quantidade = uidriver::WaitControl(montagem, "#102", 5000);
  ASSERT_NE(quantidade, nullptr);
  ASSERT_TRUE(Aguarda([&] { return uidriver::GetText(quantidade) == "5"; }, 20000));
  Sleep(300);
  uidriver::SaveScreen(pasta + "2-montagem.bmp");

  ASSERT_TRUE(uidriver::WaitTopWindowGone(kMontagem, 30000, pid));
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kGerador, 30000, pid));
  // The tour ends on the print button with the main window taking input again.
  ASSERT_TRUE(Aguarda([&] { return IsWindowEnabled(principal) != FALSE; }, 10000));
  Sleep(1500);
  uidriver::SaveScreen(pasta + "3-relatorio.bmp");

  // The demonstration catalogue's first two names, each with its cheapest brand.
  HWND texto = uidriver::FindControl(principal, "Edit[0]");
  ASSERT_NE(texto, nullptr) << uidriver::DescribeControls(principal);
  const mercanota::RegionalSettings regional = mercanota::RegionalSettings::FromUserLocale();
  mercanota::SetRegional(regional);
  EXPECT_EQ(uidriver::GetText(texto),
            mercanota::TextoDaListaDeCompras(
                "Lista Padr\xE3o", mercanota::Today(),
                {{2, kAcucar, "Doce Vida", "Refinado, 1 kg", mercanota::Currency{42900}},
                 {5, "\xC1gua Mineral", "Litoral", "Com g\xE1s, 500 ml", mercanota::Currency{24900}}},
                regional));
  uidriver::MessageBoxInfo caixa;
  EXPECT_FALSE(uidriver::WaitMessageBox(&caixa, 300, pid)) << caixa.text;

  ASSERT_TRUE(uidriver::RequestClose(principal));
  DWORD saida = 1234;
  ASSERT_TRUE(program.WaitExit(10000, &saida)) << "mercanota.exe did not end";
  EXPECT_EQ(saida, 0u);
}

}  // namespace
