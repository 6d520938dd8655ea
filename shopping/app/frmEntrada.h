#pragma once
// The splash window. Loading it runs the program's start-up: it plays the opening sound, stays in front
// of everything for two seconds, loads the main window (which opens the catalogue), shows it disabled
// for two seconds more, then enables it and unloads itself.
#include <optional>

#include "forms/Eventos.h"
#include "forms/Formulario.h"

namespace mercanota {

class frmEntrada : public Formulario {
public:
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;
  HWND Image1 = nullptr;
  HWND lblTituloJanela = nullptr;
  HWND imgFigura = nullptr;
  HWND lblMsg = nullptr;
  HWND lblSom = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  // No closing by the keyboard while the start-up runs.
  bool Form_QueryUnload() override { return false; }

private:
  void FicaNaFrente();
  bool Interrompe();

  // The hourglass from the first wait to the end of the start-up, whichever way it ends.
  std::optional<ComAmpulheta> ampulheta_;
};

}  // namespace mercanota
