// The guided tour in mercanota.exe on the demonstration catalogue, in real time, with screenshots (left in
// e2e-visita beside this program) while it ticks two names in the generator, once it has given the second
// name its quantity, and at its end with the report in the main window. Wine gets a sound card that plays
// nothing (asound-mudo.conf): without a wave output device the tour does not run.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "BuildFolders.h"
#include "catalogue/RelatorioDeCompras.h"
#include "UiDriver.h"

namespace {

const char kAcucar[] =
    "A\xE7\xFA"
    "car";

template <typename Condicao>
bool Aguarda(Condicao condicao, DWORD prazo = 30000) {
  for (DWORD t = 0; t < prazo && !condicao(); t += 50) Sleep(50);
  return condicao();
}

TEST(MercanotaTour, RunsInRealTimeAndLeavesTheDefaultList) {
  ASSERT_GT(waveOutGetNumDevs(), 0u) << "Wine has no wave output device";
  const std::string pasta = uidriver::ExecutableFolder() + "e2e-visita\\";
  CreateDirectoryA(pasta.c_str(), nullptr);
  DeleteFileA((pasta + "Registro.mdb").c_str());
  uidriver::Program catalogo;
  DWORD saida = 1;
  ASSERT_TRUE(catalogo.Start("\"" + BinFolder() + "mkcatalogue.exe\" --demo \"" + pasta + "Registro.mdb\"") &&
              catalogo.WaitExit(30000, &saida) && saida == 0);
  for (const char* arquivo : {"mercanota.exe", "10_24.wav", "MSG_101.wav", "MSG_102.WAV", "MSG_103.WAV", "MSG_104.WAV",
                              "MSG_105.WAV", "MSG_106.WAV", "MSG_107.WAV", "MSG_108.WAV"})
    ASSERT_TRUE(CopyFileA((BinFolder() + arquivo).c_str(), (pasta + arquivo).c_str(), FALSE)) << arquivo;
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + pasta + "mercanota.exe\"", pasta));
  HWND principal = uidriver::WaitTopWindow("Mercanota", 15000, program.Id());
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone("Abertura do Mercanota", 15000, program.Id()));

  // Ajuda > Explicar Como Gerar uma Lista de Compras: the item has no access key for the driver's walk of
  // another process's menu, so its command is posted as the menu posts it.
  ASSERT_TRUE(PostMessageA(principal, WM_COMMAND, MAKEWPARAM(207, 0), 0));
  HWND gerador = uidriver::WaitTopWindow("Lista de Compras", 30000, program.Id());
  HWND produtos = gerador ? uidriver::WaitControl(gerador, "#101", 5000) : nullptr;
  ASSERT_NE(produtos, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(Aguarda([&] { return SendMessageA(produtos, LB_GETSELCOUNT, 0, 0) == 2; }));
  uidriver::SaveScreen(pasta + "1-gerador.bmp");

  HWND montagem = uidriver::WaitTopWindow("Montagem da Lista de Compras", 30000, program.Id());
  HWND quantidade = montagem ? uidriver::WaitControl(montagem, "#102", 5000) : nullptr;
  ASSERT_NE(quantidade, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(Aguarda([&] { return uidriver::GetText(quantidade) == "5"; }));
  Sleep(300);
  uidriver::SaveScreen(pasta + "2-montagem.bmp");

  ASSERT_TRUE(uidriver::WaitTopWindowGone("Lista de Compras", 40000, program.Id()));
  ASSERT_TRUE(Aguarda([&] { return IsWindowEnabled(principal) != FALSE; }, 10000));
  Sleep(1500);
  uidriver::SaveScreen(pasta + "3-relatorio.bmp");
  // The demonstration catalogue's first two names, each with its cheapest brand.
  const mercanota::RegionalSettings regional = mercanota::RegionalSettings::FromUserLocale();
  EXPECT_EQ(uidriver::GetText(uidriver::FindControl(principal, "Edit[0]")),
            mercanota::TextoDaListaDeCompras(
                "Lista Padr\xE3o", mercanota::Today(),
                {{2, kAcucar, "Doce Vida", "Refinado, 1 kg", mercanota::Currency{42900}},
                 {5, "\xC1gua Mineral", "Litoral", "Com g\xE1s, 500 ml", mercanota::Currency{24900}}},
                regional));
  ASSERT_TRUE(uidriver::RequestClose(principal));
  EXPECT_TRUE(program.WaitExit(10000, &saida) && saida == 0);
}

}  // namespace
