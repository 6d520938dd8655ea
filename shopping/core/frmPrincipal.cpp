#include "frmPrincipal.h"

namespace {
const char kClassName[] = "MercanotaPrincipal";
}

bool frmPrincipal::Create(HINSTANCE instance, int showCommand) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExA(&wc)) return false;

  hwnd_ = CreateWindowExA(0, kClassName, "Mercanota", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                          800, 600, nullptr, nullptr, instance, this);
  if (!hwnd_) return false;
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  return true;
}

LRESULT CALLBACK frmPrincipal::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  frmPrincipal* self;
  if (message == WM_NCCREATE) {
    self = static_cast<frmPrincipal*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<frmPrincipal*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  return self ? self->HandleMessage(message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT frmPrincipal::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}
