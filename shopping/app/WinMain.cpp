#include <windows.h>

#include "forms/Eventos.h"
#include "catalogue/Regional.h"
#include "app/frmEntrada.h"
#include "app/frmPrincipal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  mercanota::SetRegional(mercanota::RegionalSettings::FromUserLocale());

  // The splash window's load runs the whole start-up and unloads it again.
  {
    mercanota::frmEntrada entrada;
    entrada.Carrega();
  }
  MSG msg{};
  if (!mercanota::Principal().Carregado()) {
    // Closed during the start-up: the main window's end has posted the quit already.
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : 1;
  }

  while (GetMessageA(&msg, nullptr, 0, 0) > 0) mercanota::DespachaMensagem(msg);
  return static_cast<int>(msg.wParam);
}
