#include "shell/ProgressDialog.h"

#include <commctrl.h>

#include "shell/WindowHelpers.h"
#include "resources/resource.h"

bool CancelRequested = false;
HWND ProgressDialog::handle_ = nullptr;

namespace {
constexpr UINT_PTR kShowTimer = 0;
}

HWND ProgressDialog::Create(HINSTANCE instance, HWND owner, const char* text, UINT delayMs) {
  Destroy();
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner, DialogProc, LPARAM(delayMs));
  if (!dialog) return nullptr;
  handle_ = dialog;
  SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text ? text : "");
  SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 10000));
  SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
  return dialog;
}

void ProgressDialog::SetProgress(int value) {
  if (handle_) SendDlgItemMessageA(handle_, IDC_PROGRESS_BAR, PBM_SETPOS, WPARAM(value), 0);
}

void ProgressDialog::PumpMessages() {
  if (!handle_) return;
  MSG message;
  while (handle_ && PeekMessageA(&message, handle_, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageA(handle_, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (handle_) UpdateWindow(handle_);
}

void ProgressDialog::Destroy() {
  if (!handle_) return;
  HWND dialog = handle_;
  handle_ = nullptr;
  DestroyWindow(dialog);
}

INT_PTR CALLBACK ProgressDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(dialog, GetWindow(dialog, GW_OWNER));
      CancelRequested = false;
      if (lParam != 0) {
        ShowWindow(dialog, SW_HIDE);
        SetTimer(dialog, kShowTimer, UINT(lParam), nullptr);
      } else {
        // Without a delay nothing else would ever show the (initially hidden) template.
        ShowWindow(dialog, SW_SHOWNA);
      }
      return TRUE;
    case WM_TIMER:
      if (wParam == kShowTimer) {
        ShowWindow(dialog, SW_SHOWNA);
        KillTimer(dialog, kShowTimer);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        CancelRequested = true;
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}
