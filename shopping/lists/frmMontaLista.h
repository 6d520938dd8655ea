#pragma once
// The assembly window, "Montagem da Lista": walks the ticked products of the generator's list one at a
// time; for each it lists the product's catalogue entries cheapest first, and the user ticks the brands
// to buy and gives each a quantity. After the last product it offers to save the list, builds the
// printed list and closes.
//
// It works on the generator's controls, given to it when it is made: the product list (its cursor is the
// walk's, standing on the entry after the product on show; the ticks are only read) and the saved-list
// combo (its text names the list the walk started from).
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "lists/FormularioDeLista.h"
#include "catalogue/ListConventions.h"
#include "catalogue/Regional.h"

namespace mercanota {

class frmMontaLista : public FormularioDeLista {
public:
  enum Controle : int {
    kCmdCancelar = IDCANCEL,  // Esc asks to cancel
    kLstMarca = 101,
    kTxtQtd,
    kSpnQtd,
    kCmdGerarLista,
    kCmdVoltarProduto,
    kCmdCadastrarNovo,
    kPnlTitulo,
    kPnlDica,
    kPnlMes,
    kImgSetaApontaDica,
    kPnlLabelDados0,  // and kPnlLabelDados0 + 1
    kPnlFundo = kPnlLabelDados0 + 2,
    kPnlFundoLogo,
    kImgLogo,
  };

  frmMontaLista(HWND lstProdutos, HWND cmbListaPadrao) : lstProdutos_(lstProdutos), cmbListaPadrao_(cmbListaPadrao) {}

  void AtualizaProdutoNaVariavel();
  void AtualizaProduto();
  void GeraListaNoPapel();
  // The guided tour's part in this window (VisitaGuiada.h): run at the end of loading in help mode.
  void ConfereHelp();

  void cmdGerarLista_Click();
  void cmdVoltarProduto_Click();
  void cmdCadastrarNovo_Click();
  void cmdCancelar_Click();
  void lstMarca_Click();
  void lstMarca_KeyPress(int KeyAscii);
  void txtQtd_Change();
  void txtQtd_GotFocus();
  // False when the key is swallowed.
  bool txtQtd_KeyPress(int KeyAscii);
  void spnQtd_SpinUp();
  void spnQtd_SpinDown();

  // Units to buy of each catalogue entry, by identifier (slot 0 is no entry).
  std::array<Currency, kMaxProdutosDaLista + 1> QuantidadePorProduto{};

  HWND lstMarca = nullptr;
  HWND txtQtd = nullptr;
  HWND spnQtd = nullptr;
  HWND cmdGerarLista = nullptr;
  HWND cmdVoltarProduto = nullptr;
  HWND cmdCadastrarNovo = nullptr;
  HWND cmdCancelar = nullptr;
  HWND pnlTitulo = nullptr;
  HWND pnlDica = nullptr;
  HWND pnlMes = nullptr;
  HWND imgSetaApontaDica = nullptr;
  HWND pnlLabelDados[2] = {};
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool Form_QueryUnload() override;
  bool AoComando(int id, int notificacao, HWND controle) override;
  bool VisualizaTecla(MSG& msg) override;
  LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  // Lists the entries of `produto` in lstMarca, ticked where they have a quantity; the current entry is
  // the last ticked one. Entries whose identifier lies outside the quantity table are refused with a
  // message. False when a query failed.
  bool MostraMarcas(const std::string& produto);
  // The quantity slot of lstMarca's current entry, or null.
  Currency* QuantidadeAtual();
  void DefineMarcaAtual(int i);
  void Salva();
  void Conclui();

  HWND lstProdutos_;
  HWND cmbListaPadrao_;
  std::vector<long long> ids_;  // the identifier of each lstMarca entry
  int marcaAtual_ = -1;         // lstMarca's current entry as last seen
  bool atualizandoQtd_ = false;
};

}  // namespace mercanota
