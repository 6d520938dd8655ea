#include "AmbienteDeTeste.h"

#include "CatalogueDatabase.h"
#include "Eventos.h"
#include "ModuloGlobal.h"
#include "Regional.h"
#include "Statements.h"
#include "frmPrincipal.h"

namespace mercanota::teste {

int DialogosRoteirizados::BotaoPadrao(UINT estilo) {
  const int segundo = (estilo & MB_DEFMASK) == MB_DEFBUTTON2;
  switch (estilo & MB_TYPEMASK) {
    case MB_OKCANCEL: return segundo ? IDCANCEL : IDOK;
    case MB_YESNO: return segundo ? IDNO : IDYES;
    case MB_YESNOCANCEL: return segundo ? IDNO : ((estilo & MB_DEFMASK) == MB_DEFBUTTON3 ? IDCANCEL : IDYES);
    case MB_RETRYCANCEL: return segundo ? IDCANCEL : IDRETRY;
    default: return IDOK;
  }
}

int DialogosRoteirizados::MsgBox(HWND dono, const std::string& texto, UINT estilo, const std::string& titulo) {
  Mostrado m;
  m.dono = dono;
  m.titulo = titulo;
  m.texto = texto;
  m.estilo = estilo;
  mostrados.push_back(m);
  if (aoMostrar) aoMostrar(m);
  if (botoes_.empty()) {
    ++semResposta;
    return BotaoPadrao(estilo);
  }
  const int botao = botoes_.front();
  botoes_.pop_front();
  return botao;
}

std::string DialogosRoteirizados::InputBox(HWND dono, const std::string& prompt, const std::string& titulo,
                                           const std::string& padrao) {
  Mostrado m;
  m.inputBox = true;
  m.dono = dono;
  m.titulo = titulo;
  m.texto = prompt;
  m.padrao = padrao;
  mostrados.push_back(m);
  if (aoMostrar) aoMostrar(m);
  if (textos_.empty()) {
    ++semResposta;
    return padrao;
  }
  std::string texto = textos_.front();
  textos_.pop_front();
  return texto;
}

void RelogioRoteirizado::AguardaEventos(double segundos) {
  agora += segundos < passo ? segundos : passo;
  if (aoAvancar) aoAvancar(agora);
}

void ProcessaPendentes() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // a test's own end of the main window
    DespachaMensagem(msg);
  }
}

namespace {

std::string PastaTemporaria() {
  static int contador = 0;
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  std::string pasta = std::string(base) + "mercanota-teste-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(++contador);
  CreateDirectoryA(pasta.c_str(), nullptr);
  return pasta;
}

void ApagaPasta(const std::string& pasta) {
  WIN32_FIND_DATAA f;
  HANDLE busca = FindFirstFileA((pasta + "\\*").c_str(), &f);
  if (busca != INVALID_HANDLE_VALUE) {
    do {
      if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((pasta + "\\" + f.cFileName).c_str());
    } while (FindNextFileA(busca, &f));
    FindClose(busca);
  }
  RemoveDirectoryA(pasta.c_str());
}

}  // namespace

AmbienteDeTeste::AmbienteDeTeste() : pasta(PastaTemporaria()), anteriores_(Ambiente()) {
  SetRegional(RegionalSettings::PortugueseBrazil());
  Servicos& s = Ambiente();
  s.dialogos = &dialogos;
  s.relogio = &relogio;
  s.som = &som;
  s.caminhoAplicativo = pasta;
  s.encerra = [this](int codigo) { encerramentos.push_back(codigo); };
  ModuloGlobal::ModoDeAjuda = false;
  ModuloGlobal::ModoCadastro.clear();
}

AmbienteDeTeste::~AmbienteDeTeste() {
  if (Principal().Carregado()) Principal().Descarrega();
  ProcessaPendentes();
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  ModuloGlobal::CatalogueDatabase.Close();
  DefinePonteiro(Ponteiro::kPadrao);
  Ambiente() = anteriores_;
  ApagaPasta(pasta);
}

void AmbienteDeTeste::CriaCatalogo(const std::vector<Produto>& produtos) {
  const std::string arquivo = pasta + "\\Registro.mdb";
  std::string erro;
  if (!CatalogueDatabase::CreateCatalogueFile(arquivo, true, &erro)) return;
  CatalogueDatabase db;
  if (!db.OpenDatabase(arquivo)) return;
  for (const Produto& p : produtos) db.Execute(sql::InsertProduct(p.nome, p.marca, p.complemento, "01/03/2025", p.preco));
  db.Close();
}

}  // namespace mercanota::teste
