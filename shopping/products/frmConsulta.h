#pragma once
// The product query window, "Consulta de Produtos": browse the catalogue by name, see the price and
// survey date of each brand and complement, change an entry through the registration window, delete an
// entry that no saved list uses. The main window opens it modally while the catalogue has entries; it
// closes itself when the chosen name has no entries left.
//
// Each line of the brand list keeps the brand and complement it was made from, so an entry is found by
// its own values even when a brand holds the "; " that joins the two in the list.
#include <windows.h>

#include <string>
#include <vector>

#include "forms/FormularioDeTarefa.h"

namespace mercanota {

class frmConsulta : public FormularioDeTarefa {
public:
  enum Controle : int {
    kCmdCancelar = IDCANCEL,  // Esc returns
    kCmbProduto = 101,
    kLstMarcaComplemento,
    kCmdOkay,
    kCmdExcluir,
    kPnlAdicionais,
    kPnlID,
    kPnlTituloFundo,
    kPnlLabelDados0,  // to kPnlLabelDados0 + 2
    kImgSetaApontaDica = kPnlLabelDados0 + 3,
    kPnlFundo,
    kPnlFundoLogo,
    kImgLogo,
  };

  // Reload the product names (after loading and after a delete; after an edit, with its own statement and
  // a message when none is left). Selecting the first name shows its brands.
  void AtualizaComboProduto();
  void AtualizaComboProdutoComID();
  // Reload the brand list of the chosen name; the window closes when the name has no entries.
  void AtualizaMarcaComplemento();
  // Show price, date and identifier of the chosen brand entry.
  void AtualizaAdicionais();

  void cmbProduto_Click();
  void lstMarcaComplemento_Click();
  void cmdOkay_Click();
  void cmdExcluir_Click();
  void cmdCancelar_Click();

  HWND cmbProduto = nullptr;
  HWND lstMarcaComplemento = nullptr;
  HWND pnlAdicionais = nullptr;
  HWND pnlID = nullptr;
  HWND cmdOkay = nullptr;
  HWND cmdExcluir = nullptr;
  HWND cmdCancelar = nullptr;
  HWND pnlTituloFundo = nullptr;
  HWND pnlLabelDados[3] = {};
  HWND imgSetaApontaDica = nullptr;
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool AoComando(int id, int notificacao, HWND controle) override;

private:
  struct Entrada {
    std::string marca;
    std::string complemento;
  };

  // Fills cmbProduto with the product names (as read after an edit, or at the start); false when there
  // are none.
  bool CarregaNomes(bool aposEdicao);
  // The identifier in pnlID; false while no entry is chosen.
  bool IdEscolhido(long long* id) const;
  // No details, "-" in pnlID, and nothing to change or delete.
  void NenhumaEntradaEscolhida();
  void FocoNoProduto();

  std::vector<Entrada> entradas_;  // one per line of lstMarcaComplemento
};

}  // namespace mercanota
