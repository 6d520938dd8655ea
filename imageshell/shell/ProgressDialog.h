#pragma once

// The modeless progress dialog of long operations (wallpaper, printing), and the flag its Cancel
// button sets. One exists at a time; both are process-wide and used from the shell's thread only.
#include <windows.h>

extern bool CancelRequested;

class ProgressDialog {
public:
  // Creates the dialog from template 503 of `instance` over `owner` with `text` (empty when null). With
  // a delay it stays hidden until the delay has passed, so that short operations never flash it.
  // Destroys a previous one first. Returns the dialog, null on failure.
  static HWND Create(HINSTANCE instance, HWND owner, const char* text, UINT delayMs);
  static HWND Handle() { return handle_; }
  // Progress on the 0..10000 scale.
  static void SetProgress(int value);
  // Lets the dialog react (timer, Cancel, painting) between two slices of work on the same thread.
  static void PumpMessages();
  static void Destroy();

private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static HWND handle_;
};
