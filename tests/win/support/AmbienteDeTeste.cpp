#include "AmbienteDeTeste.h"

#include "catalogue/CatalogueDatabase.h"
#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"
#include "app/frmPrincipal.h"

namespace mercanota::teste {

std::vector<std::string> DialogosRoteirizados::TomaTextos() {
  std::vector<std::string> textos;
  for (const auto& m : mostrados) textos.push_back(m.texto);
  mostrados.clear();
  return textos;
}

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
  std::string pasta =
      std::string(base) + "mercanota-teste-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++contador);
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

namespace {

AmbienteDeTeste* g_ambiente = nullptr;

struct Procura {
  const std::string* legenda;
  HWND achada;
};

BOOL CALLBACK ProcuraJanela(HWND hwnd, LPARAM lParam) {
  auto* p = static_cast<Procura*>(reinterpret_cast<void*>(lParam));
  if (!IsWindowVisible(hwnd)) return TRUE;
  char texto[256] = {};
  GetWindowTextA(hwnd, texto, sizeof texto);
  if (p->legenda ? *p->legenda != texto : !(Formulario::DaJanela(hwnd) && Formulario::DaJanela(hwnd)->Modal()))
    return TRUE;
  p->achada = hwnd;
  return FALSE;
}

// A visible top-level window of this thread with the caption, or (without one) a modal form.
HWND JanelaDaThread(const std::string* legenda) {
  Procura p{legenda, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), ProcuraJanela, reinterpret_cast<LPARAM>(&p));
  return p.achada;
}

}  // namespace

void AmbienteDeTeste::AoAbrir(std::string legenda, std::function<void(Formulario&)> acao) {
  acoes_.push_back({std::move(legenda), std::move(acao)});
}

void CALLBACK AmbienteDeTeste::Tique(HWND, UINT, UINT_PTR, DWORD) {
  if (g_ambiente) g_ambiente->Vigia();
}

void AmbienteDeTeste::Vigia() {
  if (!acoes_.empty()) {
    if (HWND janela = JanelaDaThread(&acoes_.front().legenda)) {
      if (Formulario* form = Formulario::DaJanela(janela)) {
        Acao a = std::move(acoes_.front());
        acoes_.pop_front();
        modalVisto_ = nullptr;
        a.acao(*form);
        return;
      }
    }
  }
  // A modal form that nobody will close would keep the test waiting for ever.
  HWND modal = JanelaDaThread(nullptr);
  if (modal != modalVisto_) {
    modalVisto_ = modal;
    modalVistoDesde_ = GetTickCount();
  } else if (modal && GetTickCount() - modalVistoDesde_ > 15000) {
    ++modaisEsquecidos;
    modalVisto_ = nullptr;
    Formulario::DaJanela(modal)->Descarrega();
  }
}

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
  g_ambiente = this;
  timer_ = SetTimer(nullptr, 0, 20, &AmbienteDeTeste::Tique);
}

AmbienteDeTeste::~AmbienteDeTeste() {
  KillTimer(nullptr, timer_);
  g_ambiente = nullptr;
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
  for (const Produto& p : produtos)
    db.Execute(sql::InsertProduct(p.nome, p.marca, p.complemento, "01/03/2025", p.preco));
  db.Close();
}

}  // namespace mercanota::teste
