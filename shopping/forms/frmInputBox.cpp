#include "forms/frmInputBox.h"

namespace mercanota {
namespace {

// IDOK and IDCANCEL: Enter and Esc press them through the keyboard navigation.
const Comando<frmInputBox> kComandos[] = {
    {IDOK, BN_CLICKED, &frmInputBox::cmdOk_Click},
    {IDCANCEL, BN_CLICKED, &frmInputBox::cmdCancelar_Click},
};

}  // namespace

frmInputBox::frmInputBox(std::string prompt, std::string titulo, std::string padrao)
    : prompt_(std::move(prompt)), titulo_(std::move(titulo)), padrao_(std::move(padrao)) {}

Formulario::Projeto frmInputBox::Desenho() const {
  Projeto p;
  p.legenda = titulo_;
  p.estilo = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  p.estiloEstendido = WS_EX_DLGMODALFRAME;
  p.larguraTwips = 6180;
  p.alturaTwips = 2430;
  return p;
}

void frmInputBox::CriaControles() {
  lblPrompt = CriaRotulo(100, prompt_.c_str(), 120, 120, 4440, 1200);
  // The text box first in tab order, so it has the focus when the box opens.
  txtResposta = CriaControle("EDIT", padrao_.c_str(), ES_AUTOHSCROLL | WS_TABSTOP, 101, 120, 1440, 5900, 315, nullptr,
                             WS_EX_CLIENTEDGE);
  cmdOk = CriaControle("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 4800, 120, 1215, 375);
  cmdCancelar = CriaControle("BUTTON", "Cancelar", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 4800, 600, 1215, 375);
}

bool frmInputBox::Form_Load() {
  SendMessageA(txtResposta, EM_SETSEL, 0, -1);
  return true;
}

bool frmInputBox::AoComando(int id, int notificacao, HWND) {
  return DespachaComando(*this, kComandos, id, notificacao);
}

void frmInputBox::cmdOk_Click() {
  resposta_ = TextoDe(txtResposta);
  Descarrega();
}

void frmInputBox::cmdCancelar_Click() {
  resposta_.clear();
  Descarrega();
}

}  // namespace mercanota
