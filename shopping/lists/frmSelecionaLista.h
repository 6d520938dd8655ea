#pragma once
// The saved-list window, "Gerar Lista de Compras": prints a saved list without walking it. The user picks
// a saved name and generates: the window rebuilds the list's products and quantities from the catalogue
// in a hidden list of its own, builds the printed list and closes. It also deletes saved lists. The main
// window opens it modally.
#include <windows.h>

#include <array>
#include <cstdint>

#include "lists/FormularioDeLista.h"
#include "catalogue/ListConventions.h"

namespace mercanota {

class frmSelecionaLista : public FormularioDeLista {
public:
  enum Controle : int {
    kCmdCancelar = IDCANCEL,  // Esc returns
    kCmbListaPadrao = 101,
    kLstProdutos,
    kCmdGerarLista,
    kCmdDeleteListaCompras,
    kImgSetaApontaDica,
    kPnlTituloFundo,
    kLblInstrucao,
    kPnlLabelDados,
    kPnlFundo,
    kPnlFundoLogo,
    kImgLogo,
  };

  void AtualizaListaCompra();
  void CarregaProdutos();
  // False when the window closed (empty catalogue) or a query failed.
  bool CarregarLista();
  void CarregarProdutos();
  void GeraListaPapel();

  // Choosing a name only shows it; the buttons act on it.
  void cmbListaPadrao_Click();
  void cmdGerarLista_Click();
  void cmdDeleteListaCompras_Click();
  void cmdCancelar_Click();

  // Units to buy of each catalogue entry of the chosen list, by identifier.
  std::array<int16_t, kMaxProdutosDaLista + 1> QuantidadeDaLista{};

  HWND cmbListaPadrao = nullptr;
  HWND lstProdutos = nullptr;  // hidden: the report's working list
  HWND cmdGerarLista = nullptr;
  HWND cmdDeleteListaCompras = nullptr;
  HWND cmdCancelar = nullptr;
  HWND imgSetaApontaDica = nullptr;
  HWND pnlTituloFundo = nullptr;
  HWND lblInstrucao = nullptr;
  HWND pnlLabelDados = nullptr;
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool AoComando(int id, int notificacao, HWND controle) override;
};

// A saved quantity as the 16-bit table keeps it: a value beyond the range is clamped to its end, never
// wrapped round to a wrong (or negative) quantity.
int16_t QuantidadeDe16Bits(double quantidade);

}  // namespace mercanota
