#include "shell/AboutBox.h"

#include <cstdlib>

#include "shell/ModuleState.h"
#include "shell/ObjectCount.h"
#include "shell/WindowHelpers.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kBlinkTimer = 100;
constexpr const char* kVersion = "1.12";

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND parent = GetParent(dialog);
      CenterWindow(dialog, parent);
      char version[32];
      LoadTextWith(ModuleInstance, IDS_ABOUT_VERSION, "Version %s", kVersion, version, sizeof version);
      SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, version);
      SetTimer(dialog, kBlinkTimer, 1000, nullptr);
      if (!parent) {
        // On its own the box needs a way to be closed from the caption and a place in the task bar.
        SetWindowLongPtrA(dialog, GWL_STYLE, GetWindowLongPtrA(dialog, GWL_STYLE) | WS_SYSMENU);
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProductIcon));
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProductIcon));
        BringWindowToTop(dialog);
      }
      return TRUE;
    }
    case WM_TIMER: {
      // The lamp goes out for a blink now and then: dark for under 0.2 s, lit for up to 7 s.
      HWND icon = GetDlgItem(dialog, IDC_ABOUT_ICON);
      bool dark = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) == BlinkIcon;
      SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(dark ? ProductIcon : BlinkIcon), 0);
      SetTimer(dialog, kBlinkTimer, UINT(dark ? std::rand() % 7000 : std::rand() % 200), nullptr);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        KillTimer(dialog, kBlinkTimer);
        EndDialog(dialog, 1);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void AboutBox(HINSTANCE instance, HWND parent) {
  ObjectCountHold hold;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), parent, AboutProc, 0);
}
