#pragma once
// The product registration window, "Cadastro de Produtos": the one place where a catalogue entry is typed
// in or changed by hand. Always shown modally, by three callers:
//   - the main window: new entries one after another until the user closes the window;
//   - the query window: edit mode, with pnlID holding the entry's identifier and the boxes filled in
//     before the window is shown (see PreparaEdicao);
//   - the list assembly window: one new entry for a name it fills in and disables, with ModoCadastro set to
//     "CadastraUm"; the window closes itself after that one save.
//
// Saving validates the name, price and date, fills the placeholders "<Não Possue>" and "<Nenhum>", asks
// about a name that is already registered (not while Shift is held: Shift keeps name, complement and date
// for the next brand of the same product) and inserts or updates the entry.
#include <windows.h>

#include <optional>
#include <string>

#include "forms/FormularioDeTarefa.h"
#include "catalogue/Regional.h"
#include "model/Shop.h"

namespace mercanota {

class frmCadastraProduto : public FormularioDeTarefa {
public:
  // Identifiers; the save and cancel buttons are the form's OK and Cancel (Enter and Esc).
  enum Controle : int {
    kCmdOkay = IDOK,
    kCmdCancelar = IDCANCEL,
    kTxtProduto = 101,
    kTxtMarca,
    kTxtComplemento,
    kMskDataPesquisa,
    kTxtPrecoUnitario,
    kPnlTituloFundo,
    kPnlID,
    kPnlLabelDados0,  // to kPnlLabelDados0 + 4
    kPnlDica = kPnlLabelDados0 + 5,
    kImgSetaApontaDica0,  // and kImgSetaApontaDica0 + 1
    kPnlFundo = kImgSetaApontaDica0 + 2,
    kPnlFundoLogo,
    kImgLogo,
  };

  // The limits of the boxes, in characters.
  static constexpr int kMaxProduto = 50;
  static constexpr int kMaxMarca = 30;
  static constexpr int kMaxComplemento = 30;
  static constexpr int kMaxPreco = 8;

  // Fills the window for editing an entry (before it is shown): the identifier into pnlID, the stored
  // texts into the boxes, the price with two decimals. The window must be loaded.
  void PreparaEdicao(const Product& entrada);

  // Empties name, brand, complement and price (the date stays) and puts the focus in the name box.
  void LimpaCamposProduto();

  void cmdOkay_Click();
  void cmdCancelar_Click();
  void mskDataPesquisa_GotFocus();

  // Whether Shift alone was held at the last key event.
  bool ShiftPressionado = false;

  HWND txtProduto = nullptr;
  HWND txtMarca = nullptr;
  HWND txtComplemento = nullptr;
  HWND mskDataPesquisa = nullptr;
  HWND txtPrecoUnitario = nullptr;
  HWND cmdOkay = nullptr;
  HWND cmdCancelar = nullptr;
  HWND pnlTituloFundo = nullptr;
  HWND pnlID = nullptr;
  HWND pnlLabelDados[5] = {};
  HWND pnlDica = nullptr;
  HWND imgSetaApontaDica[2] = {};
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool AoComando(int id, int notificacao, HWND controle) override;
  bool VisualizaTecla(MSG& msg) override;

private:
  // "-" in pnlID: a new entry; anything else is the identifier of the entry being edited.
  bool EmEdicao() const;
  // Save steps; false stops the save with nothing written.
  bool ConfereNome();
  bool ConferePreco(Currency* preco);
  bool ConfereData();
  void PreencheVazios();
  bool GravaNovo(Currency preco);
  bool GravaAlteracao(Currency preco);
  void Form_KeyDown();
  void Form_KeyUp();
  // Editing: whether the date box still shows what PreparaEdicao put there, and the date text a save
  // stores (the stored text itself while the box is untouched).
  bool DataIntocada() const;
  std::string DataParaGravar() const;

  struct DataGuardada {
    std::string texto;     // as stored
    std::string mostrada;  // as the box showed it
  };
  std::optional<DataGuardada> dataGuardada_;
};

}  // namespace mercanota
