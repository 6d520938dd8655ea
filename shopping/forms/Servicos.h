#pragma once
// What the windows ask of the world outside them goes through these small interfaces, so that tests can
// answer message boxes from a script, run timed waits in accelerated time and play no sound:
//   Dialogos  message boxes and the input box
//   Relogio   the monotonic clock of every timed wait
//   Som       wave playback
//   Impressora  the printer (Impressora.h)
//   the address of the price update's file (the fetch itself is always a real one: see Internet.h)
// Ambiente() holds the implementations in use (the system's own unless a test installs others), the
// program's folder and how the program ends.
#include <windows.h>

#include <functional>
#include <string>

namespace mercanota {

class Dialogos {
public:
  virtual ~Dialogos() = default;
  // MessageBoxA's styles and answers (MB_YESNO | MB_ICONQUESTION ..., IDYES ...).
  virtual int MsgBox(HWND dono, const std::string& texto, UINT estilo, const std::string& titulo) = 0;
  // The typed text, or "" when the user cancels.
  virtual std::string InputBox(HWND dono, const std::string& prompt, const std::string& titulo,
                               const std::string& padrao) = 0;
};

class Relogio {
public:
  virtual ~Relogio() = default;
  // Seconds on a monotonic clock (never goes back, ignores the time of day).
  virtual double Agora() = 0;
  // Returns when window events are waiting or after at most `segundos`.
  virtual void AguardaEventos(double segundos) = 0;
};

class Som {
public:
  virtual ~Som() = default;
  // Starts playing a wave file and returns at once, never falling back to the system's default sound.
  // False when playing cannot start.
  virtual bool Toca(const std::string& arquivo) = 0;
  // Wave output devices of the machine; zero means no sound.
  virtual unsigned Dispositivos() = 0;
};

class DialogosDoSistema : public Dialogos {
public:
  int MsgBox(HWND dono, const std::string& texto, UINT estilo, const std::string& titulo) override;
  std::string InputBox(HWND dono, const std::string& prompt, const std::string& titulo,
                       const std::string& padrao) override;
};

class RelogioDoSistema : public Relogio {
public:
  double Agora() override;
  void AguardaEventos(double segundos) override;
};

class SomDoSistema : public Som {
public:
  bool Toca(const std::string& arquivo) override;
  unsigned Dispositivos() override;
};

class Impressora;

struct Servicos {
  Dialogos* dialogos = nullptr;
  Impressora* impressora = nullptr;
  Relogio* relogio = nullptr;
  Som* som = nullptr;
  // App.Path: the program's folder, without a final backslash; every file of the program is found by
  // appending "\" and its name.
  std::string caminhoAplicativo;
  // The full URL of the price update's file.
  std::string enderecoDaAtualizacao;
  // The help viewer started by ExibirAjuda.
  std::string visualizadorAjuda = "WinHlp32";
  // Ends the program at once with an exit code; tests record the call instead, and the caller returns.
  std::function<void(int)> encerra;
};

// The services in use; the system's own until a test replaces them.
Servicos& Ambiente();

// Shortcuts that go through Ambiente(). Without an owner, a message box belongs to the program's active
// window (or its foremost one), so that it is never hidden behind the topmost splash window.
int MsgBox(const std::string& texto, UINT estilo, const std::string& titulo);
std::string InputBox(const std::string& prompt, const std::string& titulo, const std::string& padrao = "");
std::string CaminhoAplicativo();
void EncerraPrograma(int codigo);

// The folder of the running executable, without a final backslash.
std::string PastaDoExecutavel();

}  // namespace mercanota
