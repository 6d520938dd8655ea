#pragma once
// The list generator, "Lista de Compras": every distinct product name of the catalogue with a tick box,
// and the saved lists in an editable combo whose entry 0 is the built-in empty list "Lista Padrão".
// Choosing a saved list ticks its products; generating appends the sentinel "Ítem Padrão" and opens the
// assembly window, which walks this window's list (its cursor and ticks) and reads the combo's text.
// The main window opens it modally while the catalogue has entries.
#include <windows.h>

#include "lists/FormularioDeLista.h"

namespace mercanota {

class frmGeraListaCompras : public FormularioDeLista {
public:
  enum Controle : int {
    kCmdCancelar = IDCANCEL,  // Esc returns
    kLstProdutos = 101,
    kCmbListaPadrao,
    kCmdGerarLista,
    kCmdDeleteListaCompras,
    kPnlDicas,
    kImgSetaApontaDica,
    kPnlTituloFundo,
    kPnlLabelDados0,  // to kPnlLabelDados0 + 2
    kLblInstrucao = kPnlLabelDados0 + 3,
    kPnlFundo,
    kPnlFundoLogo,
    kImgLogo,
  };

  void AtualizaListaDeCompras();
  void AtualizaQuadroDeLista();
  void ZeraConteudoDeCompras();
  void ExibeDica();
  // The guided tour's part in this window (VisitaGuiada.h): run at the end of loading in help mode.
  void ProssegueHelp();

  void cmbListaPadrao_Click();
  void cmdDeleteListaCompras_Click();
  void cmdGerarLista_Click();
  void cmdCancelar_Click();
  void lstProdutos_KeyPress(int KeyAscii);

  HWND lstProdutos = nullptr;
  HWND cmbListaPadrao = nullptr;
  HWND cmdGerarLista = nullptr;
  HWND cmdDeleteListaCompras = nullptr;
  HWND cmdCancelar = nullptr;
  HWND pnlDicas = nullptr;
  HWND imgSetaApontaDica = nullptr;
  HWND pnlTituloFundo = nullptr;
  HWND pnlLabelDados[3] = {};
  HWND lblInstrucao = nullptr;
  HWND pnlFundo = nullptr;
  HWND pnlFundoLogo = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool AoComando(int id, int notificacao, HWND controle) override;
  bool VisualizaTecla(MSG& msg) override;
};

}  // namespace mercanota
