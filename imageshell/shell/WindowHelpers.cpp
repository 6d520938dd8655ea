#include "shell/WindowHelpers.h"

#include <string>

#include "shell/WindowPlacement.h"

namespace {
MessageBoxFunction messageBox = nullptr;
}

void SetMessageBoxFunction(MessageBoxFunction function) { messageBox = function; }

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return messageBox ? messageBox(owner, text, caption, type) : MessageBoxA(owner, text, caption, type);
}

void CenterWindow(HWND window, HWND over) {
  if (!over) over = GetParent(window);
  if (!over || !IsWindow(over) || IsIconic(over)) over = GetDesktopWindow();
  RECT windowRect = {}, overRect = {};
  GetWindowRect(window, &windowRect);
  GetWindowRect(over, &overRect);
  CenteredPosition position = CenterPosition(windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                                             overRect.left, overRect.top, overRect.right, overRect.bottom,
                                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(window, nullptr, position.x, position.y, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);
}

void LoadTextWith(HINSTANCE instance, UINT id, const char* fallback, const char* value, char* out, size_t size) {
  if (size == 0) return;
  char text[100];  // the size every resource string of the module is loaded into
  if (LoadStringA(instance, id, text, sizeof text) <= 0) lstrcpynA(text, fallback, sizeof text);
  // The translation is data, never a format: only its first "%s" is filled in.
  std::string result = text;
  const size_t at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, value ? value : "");
  lstrcpynA(out, result.c_str(), static_cast<int>(size));
}

bool ShowSystemError(const char* caption) {
  DWORD error = GetLastError();
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0 || !text) return false;
  ShowMessageBox(nullptr, text, caption, MB_ICONINFORMATION);
  LocalFree(text);
  return true;
}
