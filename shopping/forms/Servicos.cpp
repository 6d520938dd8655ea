#include "forms/Servicos.h"

#include <mmsystem.h>

#include <cmath>

#include "forms/Impressora.h"
#include "forms/Internet.h"
#include "forms/frmInputBox.h"

namespace mercanota {
namespace {

BOOL CALLBACK PrimeiraJanelaVisivel(HWND hwnd, LPARAM lParam) {
  if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = hwnd;
  return FALSE;
}

// The window a message box without an owner belongs to: the active window of this thread, else its
// foremost visible one (at start-up the splash window, which is topmost and never active).
HWND DonoPadrao() {
  if (HWND ativa = GetActiveWindow()) return ativa;
  HWND primeira = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), PrimeiraJanelaVisivel, reinterpret_cast<LPARAM>(&primeira));
  return primeira;
}

}  // namespace

int DialogosDoSistema::MsgBox(HWND dono, const std::string& texto, UINT estilo, const std::string& titulo) {
  return MessageBoxA(dono, texto.c_str(), titulo.c_str(), estilo);
}

std::string DialogosDoSistema::InputBox(HWND dono, const std::string& prompt, const std::string& titulo,
                                        const std::string& padrao) {
  frmInputBox caixa(prompt, titulo, padrao);
  caixa.MostraModal(dono);
  return caixa.Resposta();
}

double RelogioDoSistema::Agora() {
  static const double frequencia = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER agora;
  QueryPerformanceCounter(&agora);
  return static_cast<double>(agora.QuadPart) / frequencia;
}

void RelogioDoSistema::AguardaEventos(double segundos) {
  if (!(segundos > 0)) return;
  const double ms = std::ceil(segundos * 1000);
  MsgWaitForMultipleObjectsEx(0, nullptr, ms > 60000 ? 60000 : static_cast<DWORD>(ms), QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

bool SomDoSistema::Toca(const std::string& arquivo) {
  // An asynchronous start reports success before the file is even opened on some systems (Wine does so
  // for a missing file and for a machine without sound), so what can be known beforehand is checked.
  if (waveOutGetNumDevs() == 0) return false;
  const DWORD atributos = GetFileAttributesA(arquivo.c_str());
  if (atributos == INVALID_FILE_ATTRIBUTES || (atributos & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return sndPlaySoundA(arquivo.c_str(), SND_ASYNC | SND_NODEFAULT) != FALSE;
}

unsigned SomDoSistema::Dispositivos() { return waveOutGetNumDevs(); }

std::string PastaDoExecutavel() {
  char caminho[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, caminho, MAX_PATH);
  std::string pasta(caminho, n < MAX_PATH ? n : MAX_PATH);
  const size_t barra = pasta.find_last_of("\\/");
  return barra == std::string::npos ? "." : pasta.substr(0, barra);
}

Servicos& Ambiente() {
  static DialogosDoSistema dialogos;
  static RelogioDoSistema relogio;
  static SomDoSistema som;
  static ImpressoraDoSistema impressora;
  static Servicos servicos = [] {
    Servicos s;
    s.impressora = &impressora;
    s.dialogos = &dialogos;
    s.relogio = &relogio;
    s.som = &som;
    s.caminhoAplicativo = PastaDoExecutavel();
    s.enderecoDaAtualizacao = EnderecoPadraoDaAtualizacao();
    s.encerra = [](int codigo) { ExitProcess(static_cast<UINT>(codigo)); };
    return s;
  }();
  return servicos;
}

int MsgBox(const std::string& texto, UINT estilo, const std::string& titulo) {
  return Ambiente().dialogos->MsgBox(DonoPadrao(), texto, estilo, titulo);
}

std::string InputBox(const std::string& prompt, const std::string& titulo, const std::string& padrao) {
  return Ambiente().dialogos->InputBox(DonoPadrao(), prompt, titulo, padrao);
}

std::string CaminhoAplicativo() { return Ambiente().caminhoAplicativo; }

void EncerraPrograma(int codigo) { Ambiente().encerra(codigo); }

}  // namespace mercanota
