#pragma once
// The price update window, "Atualização via Internet". Shown modally by the main window, it fetches the
// update text from the maker's server, compares it with the copy kept in atualiza.dat from the last
// update, applies its records to the catalogue (model/PriceUpdate.h: whole or not at all), then shows the
// messages, status lines and pauses the text asked for, a summary for six seconds, and closes itself.
#include <windows.h>

#include <string>
#include <vector>

#include "forms/FormularioDeTarefa.h"
#include "forms/Internet.h"
#include "model/PriceUpdate.h"

namespace mercanota {

class frmInternet : public FormularioDeTarefa {
public:
  enum Controle : int {
    kPnlStatus = 101,
    kCmdCancelar,
    kPnlTituloFundo,
    kImgSetaApontaDica,
    kPnlFundo,
    kPnlFundoLogo,
    kImgLogo,
  };

  // What the window says while it connects, before anything else happens.
  static const char kLegendaInicial[];

  Inet iNet;
  HWND pnlStatus = nullptr;
  HWND cmdCancelar = nullptr;
  HWND pnlTituloFundo = nullptr;
  HWND imgSetaApontaDica = nullptr;
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  // Runs once, when the window is first shown.
  void Form_Activate();
  // Shows what the applied text asked for, in order; false when the window was closed meanwhile.
  bool MostraPassos(const std::vector<UpdateStep>& passos);
  void FalhaDeConexao();
  void ErroGeral();
  // atualiza.dat could not be written: before anything was applied, or after the commit.
  void ErroDeGravacao(bool aplicada);
  bool ativado_ = false;
};

}  // namespace mercanota
