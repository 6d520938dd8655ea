// The guided tour of list making, run from the Help menu's handler in this process in accelerated time
// with a wave device that plays nothing: the list it leaves and what it does not leave behind, when the
// pointer is hidden and where it ends, and the tour without a wave device or with a single product name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "ListaMarcavel.h"
#include "ModuloGlobal.h"
#include "RelatorioDeCompras.h"
#include "frmGeraListaCompras.h"
#include "frmMontaLista.h"
#include "frmPrincipal.h"
#include "frmRelatorio.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kSalvar[] =
    "Voc\xEA acabou de montar sua Lista de Compras. Deseja que o programa salve-a para que voc\xEA possa "
    "utilizar-se dela mais tarde?";

// The pointer's display counter, read without changing it.
int ContadorDoPonteiro() {
  ShowCursor(TRUE);
  return ShowCursor(FALSE);
}

// Notes, with every sound started, the clock and the pointer's counter.
class SomObservado : public teste::SomRoteirizado {
public:
  struct Toque {
    std::string arquivo;
    double quando;
    int ponteiro;
  };
  bool Toca(const std::string& arquivo) override {
    toques.push_back({arquivo, relogio ? relogio->agora : 0, ContadorDoPonteiro()});
    return SomRoteirizado::Toca(arquivo);
  }
  teste::RelogioRoteirizado* relogio = nullptr;
  std::vector<Toque> toques;
};

HWND JanelaDaVisita(const char* legenda) { return FindWindowA("MercanotaFormulario", legenda); }

class GuidedTour : public testing::Test {
protected:
  void Abre(const std::vector<AmbienteDeTeste::Produto>& catalogo) {
    ambiente_.CriaCatalogo(catalogo);
    som_.relogio = &ambiente_.relogio;
    Ambiente().som = &som_;
    ambiente_.relogio.aoAvancar = [this](double agora) { passos_.push_back({agora, ContadorDoPonteiro()}); };
    ASSERT_TRUE(Principal().Carrega());
    Principal().Mostra();
    teste::ProcessaPendentes();
  }
  void TearDown() override {
    frmRelatorio::FechaTodos();
    EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
  }
  std::vector<std::string> Tocados() {
    std::vector<std::string> out;
    for (const auto& t : som_.toques) out.push_back(t.arquivo.substr(ambiente_.pasta.size()));
    return out;
  }
  std::string Relatorio() {
    const frmRelatorio* r = frmRelatorio::DaJanela(Principal().JanelaFilhaAtiva());
    return r ? TextoDe(r->txtTexto) : std::string();
  }
  long long LinhasSalvas() {
    Recordset r;
    long long n = 0;
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select ID_Produto from Compras", &r));
    for (; !r.Eof(); r.MoveNext()) ++n;
    return n;
  }
  // What every way through the tour leaves: help mode over, the main window taking input, the tour's
  // windows gone.
  void ExpectFimDaVisita() {
    EXPECT_FALSE(ModuloGlobal::ModoDeAjuda);
    EXPECT_TRUE(IsWindowEnabled(Principal().hWnd()));
    EXPECT_EQ(JanelaDaVisita("Lista de Compras"), nullptr);
    EXPECT_EQ(JanelaDaVisita("Montagem da Lista de Compras"), nullptr);
  }

  SomObservado som_;  // outlives the environment, which puts the system's sound back
  AmbienteDeTeste ambiente_;
  std::vector<std::pair<double, int>> passos_;  // the clock and the pointer's counter at each step of a wait
};

TEST_F(GuidedTour, MakesTheDefaultListOfTheTwoFirstNamesWithoutSavingAndEndsHelpMode) {
  // The names sort Arroz, Feij\xE3o, Sal; the cheapest brand of each of the first two is not its first row.
  Abre({{"Arroz", "Gr\xE3o Dourado", "5 kg", "24,9"},
        {"Arroz", "Vale Verde", "5 kg", "22,45"},
        {"Sal", "Litoral", "1 kg", "2,99"},
        {"Feij\xE3o", "Boa Mesa", "1 kg", "8,5"},
        {"Feij\xE3o", "Sabor do Campo", "1 kg", "7,89"}});
  const int ponteiroAntes = ContadorDoPonteiro();
  ASSERT_GE(ponteiroAntes, 0);

  Principal().mnuExplicarGerando_Click();

  EXPECT_EQ(Tocados(), (std::vector<std::string>{"\\MSG_101.wav", "\\MSG_102.WAV", "\\MSG_103.WAV", "\\MSG_104.WAV",
                                                 "\\MSG_105.WAV", "\\MSG_106.WAV", "\\MSG_107.WAV", "\\MSG_108.WAV"}));
  EXPECT_EQ(Relatorio(), TextoDaListaDeCompras("Lista Padr\xE3o", Today(),
                                               {{2, "Arroz", "Vale Verde", "5 kg", Currency{224500}},
                                                {5, "Feij\xE3o", "Sabor do Campo", "1 kg", Currency{78900}}}));
  EXPECT_EQ(LinhasSalvas(), 0);
  EXPECT_EQ(ambiente_.dialogos.TomaTextos(), std::vector<std::string>{});
  ExpectFimDaVisita();

  // The pointer: hidden from the first sound until its 7-second wait is over, then back for good.
  ASSERT_GE(som_.toques.size(), 2u);
  const double primeiro = som_.toques[0].quando;
  EXPECT_LT(som_.toques[0].ponteiro, 0);
  int passosEscondidos = 0;
  for (const auto& [quando, ponteiro] : passos_) {
    if (quando <= primeiro || quando > primeiro + 7) continue;
    EXPECT_LT(ponteiro, 0) << "at " << quando - primeiro << " s";
    ++passosEscondidos;
  }
  EXPECT_GT(passosEscondidos, 0);
  EXPECT_GE(som_.toques[1].quando, primeiro + 7);
  EXPECT_GE(som_.toques[1].ponteiro, 0);
  EXPECT_EQ(ContadorDoPonteiro(), ponteiroAntes);
  // It ends on the print button: 3195 and 45 twips into the toolbar, which is the main window's first row.
  RECT principal;
  GetWindowRect(Principal().hWnd(), &principal);
  const POINT impressora{principal.left + 3195 / 15 + 15, principal.top + 45 / 15 + 65};
  POINT p{};
  // The pointer the system reports follows the last move with a delay.
  for (int i = 0; i < 50 && (GetCursorPos(&p), p.x != impressora.x || p.y != impressora.y); ++i) Sleep(20);
  EXPECT_EQ(p.x, impressora.x);
  EXPECT_EQ(p.y, impressora.y);

  // Out of help mode, an assembly made by hand offers to save again.
  frmGeraListaCompras gerador;
  ASSERT_TRUE(gerador.Carrega(Principal().hWnd()));
  gerador.Mostra();
  lista::DefineSelected(gerador.lstProdutos, 0, true);
  ambiente_.AoAbrir("Montagem da Lista de Compras", [](Formulario& f) {
    auto& montagem = dynamic_cast<frmMontaLista&>(f);
    lista::DefineSelected(montagem.lstMarca, 0, true);
    DefineTexto(montagem.txtQtd, "1");
    montagem.cmdGerarLista_Click();
  });
  ambiente_.dialogos.Responde(IDNO);
  gerador.cmdGerarLista_Click();
  const std::vector<std::string> textos = ambiente_.dialogos.TomaTextos();
  ASSERT_FALSE(textos.empty());
  EXPECT_EQ(textos[0], kSalvar);
  gerador.Descarrega();
}

TEST_F(GuidedTour, WithoutAWaveDeviceOnlyTheWarning) {
  Abre({{"Arroz", "Vale Verde", "5 kg", "22,45"}, {"Sal", "Litoral", "1 kg", "2,99"}});
  som_.dispositivos = 0;
  const double inicio = ambiente_.relogio.agora;
  const int ponteiroAntes = ContadorDoPonteiro();

  Principal().mnuExplicarGerando_Click();

  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  const auto& aviso = ambiente_.dialogos.mostrados[0];
  EXPECT_EQ(aviso.titulo, "Advert\xEAncia:");
  EXPECT_EQ(aviso.texto,
            "Desculpe, mas esta ajuda est\xE1 dispon\xEDvel apenas para micros multim\xED"
            "dia, pois ela utiliza recursos de som para explicar como funciona o processo de cria\xE7\xE3o de "
            "lista de compras. Utilize a ajuda (pressione F1) para obter uma ajuda escrita de como gerar esta "
            "lista.");
  EXPECT_EQ(aviso.estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  EXPECT_TRUE(som_.toques.empty());
  EXPECT_EQ(ambiente_.relogio.agora, inicio);
  EXPECT_EQ(ContadorDoPonteiro(), ponteiroAntes);
  EXPECT_EQ(Principal().JanelaFilhaAtiva(), nullptr);
  ExpectFimDaVisita();
}

TEST_F(GuidedTour, OneNameIsTickedAloneAndAPointerHiddenBeforeStaysSo) {
  Abre({{"Arroz", "Gr\xE3o Dourado", "5 kg", "24,9"}, {"Arroz", "Vale Verde", "5 kg", "22,45"}});
  // Hidden twice over (as on a machine without a mouse, where the counter starts below zero): hiding it
  // until the counter reads exactly -1 would never end.
  while (ContadorDoPonteiro() > -2) ShowCursor(FALSE);

  Principal().mnuExplicarGerando_Click();
  const int ponteiroDepois = ContadorDoPonteiro();
  while (ContadorDoPonteiro() < 0) ShowCursor(TRUE);

  EXPECT_EQ(ponteiroDepois, -2);
  EXPECT_EQ(Relatorio(),
            TextoDaListaDeCompras("Lista Padr\xE3o", Today(), {{2, "Arroz", "Vale Verde", "5 kg", Currency{224500}}}));
  // The assembly window closed after the one product, so the explanation of its last steps is not played.
  EXPECT_EQ(Tocados(), (std::vector<std::string>{"\\MSG_101.wav", "\\MSG_102.WAV", "\\MSG_103.WAV", "\\MSG_104.WAV",
                                                 "\\MSG_105.WAV", "\\MSG_107.WAV", "\\MSG_108.WAV"}));
  EXPECT_EQ(LinhasSalvas(), 0);
  EXPECT_EQ(ambiente_.dialogos.TomaTextos(), std::vector<std::string>{});
  ExpectFimDaVisita();
}

}  // namespace
