// The price update window driven in this process against a real HTTP server on 127.0.0.1: the fetch is a
// real WinINet transfer; message boxes are scripted and the waits run in accelerated time.
// Winsock must come before <windows.h>.
#include "ServidorHttpLocal.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AmbienteDeTeste.h"
#include "catalogue/CatalogueDatabase.h"
#include "forms/Formulario.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"
#include "update/frmInternet.h"

namespace {

using namespace mercanota;
using teste::AmbienteDeTeste;

const char kMesmos[] =
    "Os dados de sua \xFAltima atualiza\xE7\xE3o on-line s\xE3o os mesmos do servidor de pre\xE7os de Tarvelo\xAE "
    "Brasil. A atualiza\xE7\xE3o ser\xE1 cancelada.";
const char kSemConexao[] =
    "N\xE3o foi poss\xEDvel fazer conex\xE3o com o servidor de pre\xE7os de Tarvelo\xAE Brasil. Tente novamente mais "
    "tarde. (Obs.: Voc\xEA deve estar conectado a internet para que esta fun\xE7\xE3o tenha efeito.)";
const char kErroConectando[] = "Erro conectando com o servidor de pre\xE7os de Tarvelo\xAE Brasil.";
const char kErroSerio[] =
    "Houve um erro s\xE9rio ao conectar com o Servidor de Pre\xE7os e Produtos de Tarvelo\xAE Brasil. Por favor, "
    "encerre o programa e tente executar a atualiza\xE7\xE3o novamente. Se persistir o erro, contacte Tarvelo\xAE "
    "Brasil.";
const char kErroNaTransmissao[] =
    "Erro na transmiss\xE3o dos dados. Entre em contacto com Tarvelo\xAE Brasil para solucionar este problema.";
const char kNada[] = "Nenhum \xEDtem foi atualizado ou inserido.";

// Identifiers 1 to 3; 3 has the name, brand and complement of 1.
const std::vector<AmbienteDeTeste::Produto> kCatalogo = {
    {"Arroz", "Vale Verde", "5 kg", "22,45"},
    {"Feij\xE3o", "<N\xE3o Possue>", "<Nenhum>", "8,5"},
    {"Arroz", "Vale Verde", "5 kg", "19"},
};

std::string LeArquivo(const std::string& caminho) {
  HANDLE h = CreateFileA(caminho.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<ausente>";
  std::string texto(1 << 16, '\0');
  DWORD lidos = 0;
  ReadFile(h, texto.data(), static_cast<DWORD>(texto.size()), &lidos, nullptr);
  CloseHandle(h);
  texto.resize(lidos);
  return texto;
}

class PriceUpdate : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(servidor_.Ativo());
    ambiente_.CriaCatalogo(kCatalogo);
    ASSERT_TRUE(ModuloGlobal::AbreBancoDados());
    Ambiente().enderecoDaAtualizacao = servidor_.Endereco();
    // The status panel as each wait and each message box finds it.
    ambiente_.relogio.aoAvancar = [this](double) { Observa(); };
    ambiente_.dialogos.aoMostrar = [this](const teste::DialogosRoteirizados::Mostrado&) { Observa(); };
  }

  void Observa() {
    if (!form_ || !form_->Carregado()) return;
    const std::string texto = TextoDe(form_->pnlStatus);
    if (vistos_.empty() || vistos_.back() != texto) vistos_.push_back(texto);
    cancelarHabilitado_ = IsWindowEnabled(form_->cmdCancelar) != FALSE;
    if (aoObservar_) aoObservar_(*form_);
  }

  // Opens the window, which runs the whole update and closes itself; the seconds it waited.
  double Atualiza() {
    vistos_.clear();
    ambiente_.dialogos.mostrados.clear();
    const double inicio = ambiente_.relogio.agora;
    frmInternet form;
    form_ = &form;
    form.MostraModal();
    form_ = nullptr;
    EXPECT_FALSE(form.Carregado());
    return ambiente_.relogio.agora - inicio;
  }

  std::vector<std::string> Linhas() {
    Recordset r;
    EXPECT_TRUE(ModuloGlobal::CatalogueDatabase.CreateSnapshot("Select * From Produtos", &r));
    std::vector<std::string> linhas;
    for (; !r.Eof(); r.MoveNext()) {
      std::string linha = r.Fields("ID_Produto").AsText();
      for (const char* c : {"Produto", "Marca", "Complemento", "DataPesquisa", "PrecoUnitario"}) {
        linha += "|" + r.Fields(c).AsText();
      }
      linhas.push_back(linha);
    }
    return linhas;
  }

  std::string Arquivo(const char* nome = "atualiza.dat") { return ambiente_.pasta + "\\" + nome; }

  ServidorHttpLocal servidor_;
  AmbienteDeTeste ambiente_;
  frmInternet* form_ = nullptr;
  std::vector<std::string> vistos_;
  bool cancelarHabilitado_ = true;
  std::function<void(frmInternet&)> aoObservar_;
};

// A first update shows its message, status line and pauses, then its summary, and keeps its text in
// atualiza.dat; the same text again, even with a line break at its end, is told; a text without records
// says nothing was updated. (What the records do to the catalogue is the operation's, tested on the host.)
TEST_F(PriceUpdate, UpdatesApplyOnceAndReportWhatTheyDid) {
  const std::string texto =
      "MNSG Ol\xE1, cliente!* INFO Atualizando pre\xE7os* TEMP 30* TEMP abc* "
      "PROD;Arroz;Vale Verde;5 kg;23,90;05/12/2026;* PROD;Leite;Serra;1 l;4,5;05/12/2026;* "
      "PROD;Arroz' Or '1'='1;\") Or (\"1\"=\"1;<Nenhum>;1;05/12/2026;* XXXX ignorado* ";
  servidor_.Responde(texto);
  EXPECT_DOUBLE_EQ(Atualiza(), 36);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].texto, "Ol\xE1, cliente!");
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].titulo, "Mensagem via Internet:");
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].estilo, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(vistos_,
            (std::vector<std::string>{
                frmInternet::kLegendaInicial, "Atualizando pre\xE7os",
                "Resultado da Atualiza\xE7\xE3o:\r\n\r\nProdutos Inseridos: 2\r\n\r\nProdutos Atualizados: 1"}));
  EXPECT_FALSE(cancelarHabilitado_);
  const auto linhas = Linhas();
  EXPECT_EQ(linhas.size(), 5u);
  EXPECT_EQ(LeArquivo(Arquivo()), texto + "\r\n");
  EXPECT_EQ(LeArquivo(Arquivo("atualiza.dat.novo")), "<ausente>");

  servidor_.Responde(texto + "\r\n");
  EXPECT_DOUBLE_EQ(Atualiza(), 0);
  ASSERT_EQ(ambiente_.dialogos.mostrados.size(), 1u);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].texto, kMesmos);
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].titulo, "Importante:");
  EXPECT_EQ(ambiente_.dialogos.mostrados[0].estilo, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(LeArquivo(Arquivo()), texto + "\r\n");

  servidor_.Responde("INFO sem asterisco");
  EXPECT_DOUBLE_EQ(Atualiza(), 6);
  EXPECT_TRUE(ambiente_.dialogos.mostrados.empty());
  EXPECT_EQ(vistos_, std::vector<std::string>{kNada});
  EXPECT_EQ(Linhas(), linhas);
  EXPECT_EQ(servidor_.Pedidos(), 3);
}

// No server, an error page, a NUL byte or an oversized body: the connection failure's status text for four
// seconds, its message, and atualiza.dat as it was.
TEST_F(PriceUpdate, ConnectionFailuresLeaveEverythingAsItWas) {
  const std::string anterior = "INFO antigo* \r\n";
  {
    HANDLE h = CreateFileA(Arquivo().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, anterior.data(), static_cast<DWORD>(anterior.size()), &n, nullptr);
    CloseHandle(h);
  }
  const auto linhas = Linhas();
  const struct {
    const char* what;
    std::function<void()> prepara;
  } casos[] = {
      {"no server",
       [] {
         // A port that was just given back: nobody listens there.
         const ServidorHttpLocal parado;
         Ambiente().enderecoDaAtualizacao = parado.Endereco();
       }},
      {"not found", [this] { servidor_.Responde("PROD;Sal;Litoral;1 kg;3;05/12/2026;* ", 404); }},
      {"NUL byte", [this] { servidor_.Responde(std::string("PROD;Sal;Litoral;1 kg;3;05/12/2026;* \0", 38)); }},
      {"oversized", [this] { servidor_.Responde(std::string(Inet::kMaiorDocumento + 1, ' ')); }},
  };
  for (const auto& c : casos) {
    Ambiente().enderecoDaAtualizacao = servidor_.Endereco();
    c.prepara();
    EXPECT_DOUBLE_EQ(Atualiza(), 4) << c.what;
    EXPECT_EQ(vistos_, std::vector<std::string>{kSemConexao}) << c.what;
    EXPECT_EQ(ambiente_.dialogos.TomaTextos(), std::vector<std::string>{kErroConectando}) << c.what;
    EXPECT_EQ(LeArquivo(Arquivo()), anterior) << c.what;
    EXPECT_EQ(Linhas(), linhas) << c.what;
  }
}

// What the window says for each way an update can stop (the operation's own cases are tested on the host):
// its box, no summary, and the catalogue and atualiza.dat as they were. A write-protected catalogue is told
// with the message the start shows, not one that blames the server.
TEST_F(PriceUpdate, EachFailureIsToldInItsOwnBox) {
  const std::string aplicados = "PROD;Arroz;Vale Verde;5 kg;23,9;05/12/2026;* PROD;Leite;Serra;1 l;4,5;05/12/2026;* ";
  const std::string naoGravado =
      "N\xE3o foi poss\xEDvel gravar o arquivo " + Arquivo() + ". Nenhum pre\xE7o ou produto foi atualizado.";
  const char kProtegido[] =
      "O cat\xE1logo de produtos (Registro.mdb) est\xE1 protegido contra grava\xE7\xE3o. O programa pode ser usado "
      "para consultas, mas nenhuma altera\xE7\xE3o poder\xE1 ser salva.";
  const std::string catalogo = ambiente_.pasta + "\\Registro.mdb";
  const struct {
    const char* what;
    std::string texto;
    std::vector<std::string> mensagens;
    std::function<void()> prepara;
    std::function<void()> desfaz;
  } casos[] = {
      {"a price that is no number, after a message",
       "MNSG antes* " + aplicados + "PROD;Sal;Litoral;1 kg;barato;05/12/2026;* ",
       {kErroSerio},
       {},
       {}},
      {"a malformed price record, then more",
       aplicados + "PROD;Sal;Litoral* MNSG depois* PROD;Sal;L;1;3;d;* ",
       {kErroNaTransmissao},
       {},
       {}},
      {"atualiza.dat cannot be written",
       aplicados,
       {naoGravado},
       [&] { CreateDirectoryA(Arquivo().c_str(), nullptr); },
       [&] { RemoveDirectoryA(Arquivo().c_str()); }},
      {"a write-protected catalogue",
       aplicados,
       {kProtegido},
       [&] {
         ASSERT_TRUE(SetFileAttributesA(catalogo.c_str(), FILE_ATTRIBUTE_READONLY));
         ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.OpenDatabase(catalogo));
       },
       [&] {
         SetFileAttributesA(catalogo.c_str(), FILE_ATTRIBUTE_NORMAL);
         ASSERT_TRUE(ModuloGlobal::CatalogueDatabase.OpenDatabase(catalogo));
       }},
  };
  const auto linhas = Linhas();
  for (const auto& c : casos) {
    if (c.prepara) c.prepara();
    servidor_.Responde(c.texto);
    Atualiza();
    if (c.desfaz) c.desfaz();
    const auto mostrados = ambiente_.dialogos.mostrados;
    EXPECT_EQ(ambiente_.dialogos.TomaTextos(), c.mensagens) << c.what;
    if (c.mensagens.size() == 1) {
      EXPECT_EQ(mostrados[0].estilo, static_cast<UINT>(MB_OK | MB_ICONSTOP)) << c.what;
      EXPECT_EQ(mostrados[0].titulo,
                c.mensagens[0] == kErroNaTransmissao ? "Erro na transmiss\xE3o do arquivo:" : "Erro:")
          << c.what;
    }
    EXPECT_EQ(Linhas(), linhas) << c.what;
    for (const std::string& visto : vistos_) EXPECT_EQ(visto.find("Resultado"), std::string::npos) << c.what;
    EXPECT_EQ(LeArquivo(Arquivo()), "<ausente>") << c.what;
    EXPECT_EQ(LeArquivo(Arquivo("atualiza.dat.novo")), "<ausente>") << c.what;
  }
  EXPECT_EQ(ambiente_.modaisEsquecidos, 0);
}

// The messages and pauses come after the catalogue has taken the update, so the catalogue is never held
// while a box waits for the user or a pause runs: another program can change it meanwhile, and closing
// the window during a pause keeps the update (its summary is not shown).
TEST_F(PriceUpdate, MessagesAndPausesComeWithTheCatalogueFree) {
  const std::string texto = "PROD;Arroz;Vale Verde;5 kg;23,9;05/12/2026;* MNSG Ol\xE1* TEMP 60* INFO depois* ";
  CatalogueDatabase outro;
  ASSERT_TRUE(outro.OpenDatabase(ambiente_.pasta + "\\Registro.mdb"));
  std::vector<bool> livre;
  ambiente_.dialogos.aoMostrar = [&](const teste::DialogosRoteirizados::Mostrado&) {
    Observa();
    livre.push_back(outro.BeginTrans());
    outro.Rollback();
  };
  ambiente_.relogio.aoAvancar = [&](double) {
    if (form_ && form_->Carregado()) PostMessageA(form_->hWnd(), WM_CLOSE, 0, 0);
  };
  servidor_.Responde(texto);
  Atualiza();
  EXPECT_EQ(livre, std::vector<bool>{true});
  EXPECT_EQ(ambiente_.dialogos.TomaTextos(), std::vector<std::string>{"Ol\xE1"});
  for (const std::string& visto : vistos_) EXPECT_EQ(visto.find("Resultado"), std::string::npos);
  EXPECT_EQ(Linhas()[0], "1|Arroz|Vale Verde|5 kg|05/12/2026|23,9");
  EXPECT_EQ(LeArquivo(Arquivo()), texto + "\r\n");
}

}  // namespace
