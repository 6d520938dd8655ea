#pragma once
// Scripted stand-ins for mercanota's services, for tests that drive its forms in their own process:
// message boxes answered from a script (every box recorded), a clock that advances only when a wait asks
// it to (so the start-up's and tours' waits run in accelerated time), and sound that plays nothing.
// AmbienteDeTeste installs them with a fresh program folder and puts everything back afterwards.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "forms/Formulario.h"
#include "forms/Servicos.h"

namespace mercanota::teste {

class DialogosRoteirizados : public Dialogos {
public:
  struct Mostrado {
    bool inputBox = false;
    HWND dono = nullptr;
    std::string titulo;
    std::string texto;   // a message box's text, an input box's prompt
    std::string padrao;  // an input box's default text
    UINT estilo = 0;
  };

  // The answer to the next message box (IDYES, IDNO, IDOK ...).
  void Responde(int botao) { botoes_.push_back(botao); }
  // The answer to the next input box ("" is Cancel).
  void RespondeTexto(std::string texto) { textos_.push_back(std::move(texto)); }

  int MsgBox(HWND dono, const std::string& texto, UINT estilo, const std::string& titulo) override;
  std::string InputBox(HWND dono, const std::string& prompt, const std::string& titulo,
                       const std::string& padrao) override;

  std::vector<Mostrado> mostrados;
  // The texts of the boxes shown so far, in order; forgets them.
  std::vector<std::string> TomaTextos();
  // Boxes shown without a scripted answer; they got their default button (or the default text).
  int semResposta = 0;
  // Called as each box is shown, before it is answered.
  std::function<void(const Mostrado&)> aoMostrar;

  // The button a message box of this style presses for Enter.
  static int BotaoPadrao(UINT estilo);

private:
  std::deque<int> botoes_;
  std::deque<std::string> textos_;
};

class RelogioRoteirizado : public Relogio {
public:
  double Agora() override { return agora; }
  // Advances by one step (at most what the wait still needs), then calls aoAvancar.
  void AguardaEventos(double segundos) override;

  double agora = 1000.0;
  double passo = 0.25;
  std::function<void(double)> aoAvancar;
};

class SomRoteirizado : public Som {
public:
  bool Toca(const std::string& arquivo) override {
    tocados.push_back(arquivo);
    return toca;
  }
  unsigned Dispositivos() override { return dispositivos; }

  bool toca = true;
  unsigned dispositivos = 1;
  std::vector<std::string> tocados;
};

class AmbienteDeTeste {
public:
  AmbienteDeTeste();
  ~AmbienteDeTeste();
  AmbienteDeTeste(const AmbienteDeTeste&) = delete;
  AmbienteDeTeste& operator=(const AmbienteDeTeste&) = delete;

  // Makes Registro.mdb in the program folder: the tables only, or with the given products
  // (name, brand, complement, price under Portuguese (Brazil)).
  struct Produto {
    const char* nome;
    const char* marca;
    const char* complemento;
    const char* preco;
  };
  void CriaCatalogo(const std::vector<Produto>& produtos = {});

  // Acts on a form that the code under test opens modally: once a visible top-level window of this thread
  // has the caption `legenda`, `acao` gets its form (from inside the modal loop, through a timer). One
  // call per opening, in order of registration.
  void AoAbrir(std::string legenda, std::function<void(Formulario&)> acao);
  // Modal forms that stayed open 15 seconds with nothing scheduled for them; they were unloaded so that
  // the test ends (a test fails when this is not zero).
  int modaisEsquecidos = 0;

  std::string pasta;  // App.Path of the forms under test
  DialogosRoteirizados dialogos;
  RelogioRoteirizado relogio;
  SomRoteirizado som;
  std::vector<int> encerramentos;  // every EncerraPrograma call's exit code

private:
  struct Acao {
    std::string legenda;
    std::function<void(Formulario&)> acao;
  };
  static void CALLBACK Tique(HWND, UINT, UINT_PTR, DWORD);
  void Vigia();

  Servicos anteriores_;
  std::deque<Acao> acoes_;
  UINT_PTR timer_ = 0;
  HWND modalVisto_ = nullptr;
  DWORD modalVistoDesde_ = 0;
};

// Processes pending window events of this thread.
void ProcessaPendentes();

}  // namespace mercanota::teste
