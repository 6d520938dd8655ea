#pragma once
#include <windows.h>

// The program's main window.
class frmPrincipal {
public:
  bool Create(HINSTANCE instance, int showCommand);
  HWND Handle() const { return hwnd_; }

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
};
