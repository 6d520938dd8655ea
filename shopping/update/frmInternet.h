#pragma once
// The price update window, "Atualização via Internet". Shown modally by the main window, it fetches the
// update text from the maker's server, compares it with the copy kept in atualiza.dat from the last
// update, applies its records to the catalogue, shows a summary for six seconds and closes itself.
//
// An update is applied whole or not at all: every record runs inside one transaction, and atualiza.dat is
// replaced only once that transaction is committed. Anything that stops the update half-way (a bad
// record, a catalogue that refuses a statement, a file that cannot be written, the window closed during a
// pause) leaves the catalogue and atualiza.dat as they were, so the next attempt fetches and applies the
// same text again.
#include <windows.h>

#include <string>

#include "forms/FormularioDeTarefa.h"
#include "forms/Internet.h"

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

  // Splits the fetched text into records and applies them (Decodifica for each, in order) in one
  // transaction. False when the update was not applied; the user has been told why and the window is
  // closed.
  bool ProcessaArquivo();

  enum class Resultado {
    kSegue,         // applied (or nothing to apply): on to the next record
    kErro,          // the general error: the record or the catalogue failed
    kMalformado,    // a price record without its five fields: told, window closed
    kInterrompido,  // the window was closed, or the program is ending
  };
  Resultado Decodifica(const std::string& registro);

  int ProdutosInseridos = 0;
  short ProdutosAtualizados = 0;

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
  void FalhaDeConexao();
  void ErroGeral();
  // atualiza.dat could not be written: before anything was applied, or after the commit.
  void ErroDeGravacao(bool aplicada);
  // Writes the text beside atualiza.dat, ready to replace it; false when atualiza.dat cannot be written.
  bool PreparaArquivo();
  void DescartaArquivo();

  std::string textoRecebido_;
  bool ativado_ = false;
};

}  // namespace mercanota
