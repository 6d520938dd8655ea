// The start-up of mercanota, run in this process in accelerated time: the splash window's load with a
// scripted clock, sound and message boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "app/frmEntrada.h"
#include "app/frmPrincipal.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

// What the windows look like at one tick of the scripted clock.
struct Instante {
  double segundos;
  bool splashVisivel;
  bool splashNoTopo;
  bool principalVisivel;
  bool principalHabilitada;
  bool ampulheta;
  std::string lblSom;
};

class Startup : public testing::Test {
protected:
  // Runs the splash window's load, noting the windows at every tick of the clock.
  void Inicia() {
    const double inicio = ambiente_.relogio.agora;
    ambiente_.relogio.aoAvancar = [&](double agora) {
      HWND splash = entrada_.hWnd();
      HWND principal = Principal().hWnd();
      instantes_.push_back(Instante{
          agora - inicio,
          splash && IsWindowVisible(splash),
          splash && (GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
          principal && IsWindowVisible(principal),
          principal && IsWindowEnabled(principal),
          PonteiroAtual() == Ponteiro::kAmpulheta,
          splash ? uidriverText(entrada_.lblSom) : "",
      });
    };
    entrada_.Carrega();
    duracao_ = ambiente_.relogio.agora - inicio;
  }

  static std::string uidriverText(HWND janela) {
    char texto[512] = {};
    GetWindowTextA(janela, texto, sizeof texto);
    return texto;
  }

  AmbienteDeTeste ambiente_;
  frmEntrada entrada_;
  std::vector<Instante> instantes_;
  double duracao_ = 0;
};

TEST_F(Startup, SplashInFrontTwoSecondsThenMainWindowDisabledTwoMoreThenReady) {
  ambiente_.CriaCatalogo({{"Arroz", "Vale Verde", "5 kg", "22,45"}});
  ModuloGlobal::ModoDeAjuda = true;
  Inicia();

  ASSERT_EQ(ambiente_.som.tocados, std::vector<std::string>{ambiente_.pasta + "\\10_24.wav"});
  EXPECT_TRUE(ambiente_.dialogos.mostrados.empty());
  ASSERT_FALSE(instantes_.empty());
  for (const Instante& i : instantes_) {
    SCOPED_TRACE(testing::Message() << "at " << i.segundos << " s");
    EXPECT_TRUE(i.splashVisivel);
    EXPECT_TRUE(i.splashNoTopo);
    // The hourglass until the catalogue has been opened, which sets the default pointer again.
    EXPECT_EQ(i.ampulheta, i.segundos <= 2.0) << "hourglass";
    EXPECT_EQ(i.lblSom, "");
    EXPECT_FALSE(i.principalHabilitada);
    // The main window comes after two seconds, disabled.
    EXPECT_EQ(i.principalVisivel, i.segundos > 2.0) << "main window visible";
  }
  EXPECT_DOUBLE_EQ(duracao_, 4.0);

  // Ready: the splash is gone, the main window takes input, the catalogue is open.
  EXPECT_FALSE(entrada_.Carregado());
  ASSERT_TRUE(Principal().Carregado());
  EXPECT_TRUE(IsWindowVisible(Principal().hWnd()));
  EXPECT_TRUE(IsWindowEnabled(Principal().hWnd()));
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.IsOpen());
  EXPECT_FALSE(ModuloGlobal::ModoDeAjuda);
  EXPECT_TRUE(ambiente_.encerramentos.empty());
}

TEST_F(Startup, SoundThatCannotPlayOnlyAddsTheNote) {
  ambiente_.CriaCatalogo();
  ambiente_.som.toca = false;
  Inicia();

  ASSERT_FALSE(instantes_.empty());
  for (const Instante& i : instantes_) {
    EXPECT_EQ(i.lblSom, "    ** Observa\xE7\xE3o: Os arquivos de som n\xE3o poder\xE3o ser tocados neste computador.");
  }
  EXPECT_DOUBLE_EQ(duracao_, 4.0);
  EXPECT_TRUE(Principal().Carregado());
  EXPECT_TRUE(ambiente_.dialogos.mostrados.empty());
}

TEST_F(Startup, WithoutTheCatalogueSaysSoAndEnds) {
  HWND donoDaMensagem = nullptr;
  ambiente_.dialogos.aoMostrar = [&](const teste::DialogosRoteirizados::Mostrado& m) { donoDaMensagem = m.dono; };
  Inicia();

  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  const auto& m = ambiente_.dialogos.mostrados[0];
  EXPECT_EQ(m.texto,
            "N\xE3o foi poss\xEDvel iniciar o Banco de Dados do Aplicativo. Consulte a ajuda para tentar resolver este "
            "problema.");
  EXPECT_EQ(m.titulo, "Erro:");
  EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  // The box belongs to the splash window, so it shows in front of it and not hidden behind.
  EXPECT_NE(donoDaMensagem, nullptr);
  EXPECT_EQ(ambiente_.encerramentos, std::vector<int>{1});
  EXPECT_FALSE(Principal().Carregado());
  EXPECT_FALSE(entrada_.Carregado());
  EXPECT_EQ(PonteiroAtual(), Ponteiro::kPadrao);
  EXPECT_FALSE(ModuloGlobal::CatalogueDatabase.IsOpen());
}

// A write-protected catalogue: the person is told at start in the program's voice, the program runs, and a
// change is refused with the same message rather than the general error box.
TEST_F(Startup, WriteProtectedCatalogueIsToldAtStartAndChangesAreRefused) {
  const char kProtegido[] =
      "O cat\xE1logo de produtos (Registro.mdb) est\xE1 protegido contra grava\xE7\xE3o. O programa pode ser usado "
      "para consultas, mas nenhuma altera\xE7\xE3o poder\xE1 ser salva.";
  ambiente_.CriaCatalogo({{"Arroz", "Vale Verde", "5 kg", "22,45"}});
  const std::string arquivo = ambiente_.pasta + "\\Registro.mdb";
  ASSERT_TRUE(SetFileAttributesA(arquivo.c_str(), FILE_ATTRIBUTE_READONLY));
  Inicia();
  EXPECT_TRUE(ambiente_.encerramentos.empty());
  EXPECT_TRUE(Principal().Carregado());
  EXPECT_FALSE(ModuloGlobal::Altera([](const Shop& loja) { return loja.Delete(1); }));
  SetFileAttributesA(arquivo.c_str(), FILE_ATTRIBUTE_NORMAL);
  const auto& mostrados = ambiente_.dialogos.mostrados;
  ASSERT_EQ(mostrados.size(), 2u);
  for (const auto& m : mostrados) {
    EXPECT_EQ(m.texto, kProtegido);
    EXPECT_EQ(m.titulo, "Erro:");
    EXPECT_EQ(m.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
}

// Run by its own CTest entry under a double-byte ANSI code page (932), where the second byte of a character
// may be the backslash's: the program folder's path must be read in that code page, or it splits there and
// the catalogue is looked for where it is not. (The path climbs out of that folder again, so that only plain
// names reach the disk: the Wine the tests run under can hold no others.)
TEST(StartupUnderAnotherCodePage, ProgramFolderIsReadInTheAnsiCodePage) {
  if (GetACP() == 1252) GTEST_SKIP() << "needs an ANSI code page other than Windows-1252";
  AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo();
  char nome[16] = {};
  BOOL perdido = FALSE;
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, L"\x8868\x8868", -1, nome, sizeof nome, nullptr, &perdido), 0);
  ASSERT_FALSE(perdido);
  ASSERT_EQ(nome[1], '\\') << "a second byte that is the backslash's";
  Ambiente().caminhoAplicativo = ambiente.pasta + "\\" + nome + "\\..";

  EXPECT_TRUE(ModuloGlobal::AbreBancoDados());
  EXPECT_TRUE(ambiente.dialogos.mostrados.empty());
  EXPECT_TRUE(ambiente.encerramentos.empty());
}

// A file that is not a catalogue is as unusable as a missing one.
TEST_F(Startup, ForeignFileInPlaceOfTheCatalogueSaysSoAndEnds) {
  HANDLE f = CreateFileA((ambiente_.pasta + "\\Registro.mdb").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD escritos = 0;
  WriteFile(f, "Standard Jet DB\0\0\0\0", 19, &escritos, nullptr);
  CloseHandle(f);
  Inicia();
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].titulo, "Erro:");
  EXPECT_EQ(ambiente_.encerramentos, std::vector<int>{1});
}

}  // namespace
