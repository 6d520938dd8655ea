#pragma once
// The input box: a prompt, one line to type in, OK and Cancel. It answers the typed text, or "" when
// cancelled or closed.
#include <string>

#include "forms/Formulario.h"

namespace mercanota {

class frmInputBox : public Formulario {
public:
  frmInputBox(std::string prompt, std::string titulo, std::string padrao);
  const std::string& Resposta() const { return resposta_; }

  void cmdOk_Click();
  void cmdCancelar_Click();

  HWND lblPrompt = nullptr;
  HWND txtResposta = nullptr;
  HWND cmdOk = nullptr;
  HWND cmdCancelar = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool AoComando(int id, int notificacao, HWND controle) override;

private:
  std::string prompt_;
  std::string titulo_;
  std::string padrao_;
  std::string resposta_;
};

}  // namespace mercanota
