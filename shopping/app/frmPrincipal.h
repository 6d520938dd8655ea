#pragma once
// The main window: an MDI frame with the toolbar picToolBox, a status strip and the menu bar. Every
// command opens a task window modally or acts directly; the list reports are its MDI children.
#include <windows.h>

#include "forms/Formulario.h"

namespace mercanota {

class frmPrincipal : public Formulario {
public:
  // Identifiers of the toolbar buttons and menu items.
  enum Comando : int {
    kPicToolBox = 100,
    kCmdCadastrarProdutos,
    kCmdConsultar,
    kCmdGeraListaCompras,
    kCmdGeraListaDireto,
    kCmdInternet,
    kCmdImprimirListaCompras,
    kCmdAjuda,
    kCmdSair,
    kSbrStatus,
    kClienteMdi,

    kMnuImprimirLista = 200,
    kMnuSair,
    kMnuCadastrarNovo,
    kMnuVisualizaAltera,
    kMnuMontarManualmente,
    kMnuGerarDeSalvo,
    kMnuInternet,
    kMnuExplicarGerando,
    kMnuSiteInternet,
    kMnuExibefAjuda,
  };

  // Handlers; each menu item calls the handler of the button it mirrors.
  void cmdCadastrarProdutos_Click();
  void cmdConsultar_Click();
  void cmdGeraListaCompras_Click();
  void cmdGeraListaDireto_Click();
  void cmdInternet_Click();
  void cmdImprimirListaCompras_Click();
  void cmdAjuda_Click();
  void cmdSair_Click();
  void mnuExplicarGerando_Click();
  void mnuSiteInternet_Click();
  void mnuExibefAjuda_Click();

  HWND ClienteMdi() const override { return mdiClient_; }
  // The active report window, or null.
  HWND JanelaFilhaAtiva() const;
  HMENU Menu() const { return menu_; }
  HACCEL Aceleradores() const { return aceleradores_; }

  HWND picToolBox = nullptr;
  HWND cmdCadastrarProdutos = nullptr;
  HWND cmdConsultar = nullptr;
  HWND cmdGeraListaCompras = nullptr;
  HWND cmdGeraListaDireto = nullptr;
  HWND cmdInternet = nullptr;
  HWND cmdImprimirListaCompras = nullptr;
  HWND cmdAjuda = nullptr;
  HWND cmdSair = nullptr;
  HWND sbrStatus = nullptr;

protected:
  Projeto Desenho() const override;
  void CriaControles() override;
  bool Form_Load() override;
  bool Form_QueryUnload() override;
  void Form_Unload() override;
  bool AoComando(int id, int notificacao, HWND controle) override;
  LRESULT TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT ProcessamentoPadrao(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  void CriaMenu();
  void Dimensiona(int largura, int altura);
  bool CatalogoTemProdutos();

  HWND mdiClient_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL aceleradores_ = nullptr;
};

// The program's one main window (created by the splash window's start-up).
frmPrincipal& Principal();

}  // namespace mercanota
