#pragma once
// The report window, "Lista de Compras": a child of the main window showing one printed shopping list
// in a multi-line box in "Courier New". Every list made opens a new one; earlier ones stay open until
// the user closes them. The text can be changed before printing (a note, a crossed-out line).
#include <windows.h>

#include <string>

#include "forms/Formulario.h"
#include "forms/GuardasGdi.h"

namespace mercanota {

class frmRelatorio : public Formulario {
public:
  enum Controle : int { kTxtTexto = 101 };

  // Where report windows open: the main window's MDI client (set by the main window when it loads; null
  // when it goes).
  static void DefineClienteMdi(HWND cliente);
  // A new report window showing `texto`, in front of the others; null when it cannot be made.
  static frmRelatorio* Novo(const std::string& texto);
  // The report window of a child window of the main window, or null.
  static frmRelatorio* DaJanela(HWND janela);
  // Closes every report window (when the main window goes).
  static void FechaTodos();

  HWND txtTexto = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void Form_Resize(int largura, int altura);
  ObjetoGdi<HFONT> fonte_;
};

}  // namespace mercanota
