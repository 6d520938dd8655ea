// The guided tour of list making, run from the Help menu's handler in this process in accelerated time
// with a wave device that plays nothing.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/RelatorioDeCompras.h"
#include "lists/frmGeraListaCompras.h"
#include "lists/frmMontaLista.h"
#include "app/frmPrincipal.h"
#include "lists/frmRelatorio.h"

namespace {

using namespace mercanota;

// The pointer's display counter, read without changing it.
int ContadorDoPonteiro() {
  ShowCursor(TRUE);
  return ShowCursor(FALSE);
}

std::string Relatorio() {
  const frmRelatorio* r = frmRelatorio::DaJanela(Principal().JanelaFilhaAtiva());
  return r ? TextoDe(r->txtTexto) : std::string();
}

// Help mode over, the main window taking input, the tour's windows gone, nothing saved, no message shown.
void ExpectFimDaVisita(teste::AmbienteDeTeste& ambiente) {
  EXPECT_FALSE(ModuloGlobal::ModoDeAjuda);
  EXPECT_TRUE(IsWindowEnabled(Principal().hWnd()));
  EXPECT_EQ(FindWindowA("MercanotaFormulario", "Lista de Compras"), nullptr);
  EXPECT_EQ(FindWindowA("MercanotaFormulario", "Montagem da Lista de Compras"), nullptr);
  Recordset salvas;
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select * from Compras", &salvas));
  EXPECT_TRUE(salvas.Eof());
  EXPECT_EQ(ambiente.dialogos.TomaTextos(), std::vector<std::string>{});
}

TEST(GuidedTour, DefaultListOfTheFirstTwoNamesThenOneNameUnderAPointerHiddenBefore) {
  teste::AmbienteDeTeste ambiente;
  // The names sort Arroz, Feij\xE3o, Sal; the cheapest brand of each of the first two is not its first row.
  ambiente.CriaCatalogo({{"Arroz", "Gr\xE3o Dourado", "5 kg", "24,9"},
                         {"Arroz", "Vale Verde", "5 kg", "22,45"},
                         {"Sal", "Litoral", "1 kg", "2,99"},
                         {"Feij\xE3o", "Boa Mesa", "1 kg", "8,5"},
                         {"Feij\xE3o", "Sabor do Campo", "1 kg", "7,89"}});
  // The clock, the pointer's counter and the sounds started so far, at every step of every wait.
  struct Passo {
    double agora;
    int ponteiro;
    size_t sons;
  };
  std::vector<Passo> passos;
  bool outraVez = false;
  // No window of the program takes input while a script works: F4 on the main window would open a second
  // generator running the script again, a saved list chosen in the generator would change the names under
  // the walk.
  std::set<std::string> tomavamEntrada;
  ambiente.relogio.aoAvancar = [&](double agora) {
    passos.push_back({agora, ContadorDoPonteiro(), ambiente.som.tocados.size()});
    if (ModuloGlobal::ModoDeAjuda) {
      const std::string quando = " after sound " + std::to_string(ambiente.som.tocados.size());
      const auto anota = [&](const std::string& quem) { tomavamEntrada.insert(quem + quando); };
      if (IsWindowEnabled(Principal().hWnd())) anota("main window");
      for (const char* titulo : {"Lista de Compras", "Montagem da Lista de Compras"}) {
        const HWND janela = FindWindowA("MercanotaFormulario", titulo);
        if (janela && IsWindowEnabled(janela)) anota(titulo);
      }
    }
    // The Help menu chosen again while the generator is on show (the main window takes clicks then): a
    // second tour inside the first would play its sounds twice.
    if (!outraVez && ambiente.som.tocados.size() == 3) {
      outraVez = true;
      Principal().mnuExplicarGerando_Click();
    }
  };
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  const int ponteiroAntes = ContadorDoPonteiro();
  ASSERT_GE(ponteiroAntes, 0);

  Principal().mnuExplicarGerando_Click();

  std::vector<std::string> sons;
  for (const char* s : {"\\MSG_101.wav", "\\MSG_102.WAV", "\\MSG_103.WAV", "\\MSG_104.WAV", "\\MSG_105.WAV",
                        "\\MSG_106.WAV", "\\MSG_107.WAV", "\\MSG_108.WAV"})
    sons.push_back(ambiente.pasta + s);
  EXPECT_EQ(ambiente.som.tocados, sons);
  EXPECT_EQ(tomavamEntrada, std::set<std::string>{});
  tomavamEntrada.clear();
  EXPECT_EQ(Relatorio(), TextoDaListaDeCompras("Lista Padr\xE3o", Today(),
                                               {{2, "Arroz", "Vale Verde", "5 kg", Currency{224500}},
                                                {5, "Feij\xE3o", "Sabor do Campo", "1 kg", Currency{78900}}}));
  ExpectFimDaVisita(ambiente);
  // Hidden through the 7-second wait after the first sound, shown again from the second one on.
  std::vector<double> escondido;
  for (const Passo& p : passos) {
    if (p.sons == 1) {
      EXPECT_LT(p.ponteiro, 0) << "at " << p.agora;
      escondido.push_back(p.agora);
    }
    if (p.sons >= 2) EXPECT_GE(p.ponteiro, 0) << "at " << p.agora;
  }
  ASSERT_FALSE(escondido.empty());
  EXPECT_GE(escondido.back() - escondido.front(), 7 - ambiente.relogio.passo);
  EXPECT_EQ(ContadorDoPonteiro(), ponteiroAntes);
  // It ends on the print button, 3195 and 45 twips into the toolbar (the first row of the main window,
  // which is maximized over the screen's edges), 15 and 65 pixels in; the reported pointer lags a little.
  RECT principal;
  GetWindowRect(Principal().hWnd(), &principal);
  const POINT impressora{principal.left + 3195 / 15 + 15, principal.top + 45 / 15 + 65};
  POINT p{};
  for (int i = 0; i < 50 && (GetCursorPos(&p), p.x != impressora.x || p.y != impressora.y); ++i) Sleep(20);
  EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(impressora.x, impressora.y));

  // Out of help mode, an assembly made by hand offers to save again.
  {
    frmGeraListaCompras gerador;
    ASSERT_TRUE(gerador.Carrega(Principal().hWnd()));
    lista::DefineSelected(gerador.lstProdutos, 0, true);
    ambiente.AoAbrir("Montagem da Lista de Compras", [](Formulario& f) {
      auto& montagem = dynamic_cast<frmMontaLista&>(f);
      DefineTexto(montagem.txtQtd, "1");
      lista::DefineSelected(montagem.lstMarca, 0, true);
      montagem.cmdGerarLista_Click();
    });
    ambiente.dialogos.Responde(IDNO);
    gerador.cmdGerarLista_Click();
    const std::vector<std::string> textos = ambiente.dialogos.TomaTextos();
    ASSERT_FALSE(textos.empty());
    EXPECT_EQ(textos[0].rfind("Voc\xEA acabou de montar sua Lista de Compras.", 0), 0u) << textos[0];
  }

  // One name left, and the pointer hidden twice over (as on a machine without a mouse, where the counter
  // starts below zero, so hiding until it reads -1 would never end): the tour makes the list of that name
  // and leaves the pointer as it found it.
  frmRelatorio::FechaTodos();
  ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.Execute("Delete * From Produtos Where Produto <> 'Arroz'"));
  while (ContadorDoPonteiro() > -2) ShowCursor(FALSE);
  Principal().mnuExplicarGerando_Click();
  const int ponteiroDepois = ContadorDoPonteiro();
  while (ContadorDoPonteiro() < ponteiroAntes) ShowCursor(TRUE);
  EXPECT_EQ(ponteiroDepois, -2);
  EXPECT_EQ(tomavamEntrada, std::set<std::string>{});
  EXPECT_EQ(Relatorio(),
            TextoDaListaDeCompras("Lista Padr\xE3o", Today(), {{2, "Arroz", "Vale Verde", "5 kg", Currency{224500}}}));
  ExpectFimDaVisita(ambiente);
  frmRelatorio::FechaTodos();
  EXPECT_EQ(ambiente.modaisEsquecidos, 0);
}

TEST(GuidedTour, WithoutAWaveDeviceOnlyTheWarning) {
  teste::AmbienteDeTeste ambiente;
  ambiente.CriaCatalogo({{"Arroz", "Vale Verde", "5 kg", "22,45"}, {"Sal", "Litoral", "1 kg", "2,99"}});
  ASSERT_TRUE(Principal().Carrega());
  Principal().Mostra();
  ambiente.som.dispositivos = 0;
  const double inicio = ambiente.relogio.agora;
  const int ponteiroAntes = ContadorDoPonteiro();

  Principal().mnuExplicarGerando_Click();

  ASSERT_EQ(ambiente.dialogos.mostrados.size(), 1u);
  const auto aviso = ambiente.dialogos.mostrados[0];
  ambiente.dialogos.mostrados.clear();
  EXPECT_EQ(aviso.titulo, "Advert\xEAncia:");
  EXPECT_EQ(aviso.texto,
            "Desculpe, mas esta ajuda est\xE1 dispon\xEDvel apenas para micros multim\xED"
            "dia, pois ela utiliza recursos de som para explicar como funciona o processo de cria\xE7\xE3o de "
            "lista de compras. Utilize a ajuda (pressione F1) para obter uma ajuda escrita de como gerar esta "
            "lista.");
  EXPECT_EQ(aviso.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_TRUE(ambiente.som.tocados.empty());
  EXPECT_EQ(ambiente.relogio.agora, inicio);
  EXPECT_EQ(ContadorDoPonteiro(), ponteiroAntes);
  EXPECT_EQ(Relatorio(), "");
  ExpectFimDaVisita(ambiente);
}

}  // namespace
