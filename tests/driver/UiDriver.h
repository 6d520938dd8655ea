#pragma once
// Drives another process's windows the way a person would: find a window by its caption, read what it
// shows, type into it, press its buttons, pick menu and list entries, answer its message boxes.
//
// Every action that can open a modal window (a click, a menu command, a key) is *posted*, never sent: a
// sent message would block the driver until the modal window closed. After posting, the driver waits for
// the target to become idle again.
#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// Timeouts are in milliseconds.
constexpr DWORD kDefaultTimeout = 10000;

// A running program started by the driver. One still running when this goes out of scope is ended, so a
// failed test never leaves its program behind.
class Program {
public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts `commandLine` with `workingDir` (or the program's own folder when empty). False on failure.
  bool Start(const std::string& commandLine, const std::string& workingDir = "");
  // Waits for the process to end; false on timeout. `exitCode` gets its exit code.
  bool WaitExit(DWORD timeout, DWORD* exitCode);
  // Ends the process by force (test clean-up).
  void Kill();
  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Handle() const { return pi_.hProcess; }

private:
  PROCESS_INFORMATION pi_ = {};
};

// The folder of the running executable, ending in "\".
std::string ExecutableFolder();

// A visible top-level window whose caption is exactly `caption` (of process `pid` when non-zero).
HWND FindTopWindow(const std::string& caption, DWORD pid = 0);
HWND WaitTopWindow(const std::string& caption, DWORD timeout = kDefaultTimeout, DWORD pid = 0);
// Waits until no such window exists; false on timeout.
bool WaitTopWindowGone(const std::string& caption, DWORD timeout = kDefaultTimeout, DWORD pid = 0);
// Every visible top-level window's caption and class, for failure messages.
std::string DescribeTopWindows();

// Finds a descendant control of `parent` by a pattern:
//   "#1001"            control identifier
//   "Button:&Salvar"   window class and exact text ("&" counts)
//   "Edit[2]"          the third control of a class, in Z order (tab order)
//   "&Salvar"          exact text, any class
HWND FindControl(HWND parent, const std::string& pattern);
HWND WaitControl(HWND parent, const std::string& pattern, DWORD timeout = kDefaultTimeout);
// One line per descendant control: class, identifier, text.
std::string DescribeControls(HWND parent);

std::string GetText(HWND window);
std::string ClassName(HWND window);

// Waits until the process owning `window` has handled what was posted to it.
void WaitIdle(HWND window, DWORD timeout = kDefaultTimeout);

// Types `text` into `control` as typed characters (WM_CHAR per character), so that a window's character
// filters see them; key-down handlers do not (use PressKey for keys). Give the focus first with SetFocusTo.
bool TypeText(HWND control, const std::string& text);
// Replaces the whole text at once (WM_SETTEXT), as pasting would.
bool SetText(HWND control, const std::string& text);
bool SetFocusTo(HWND control);
// Presses and releases a virtual key on `window` (e.g. VK_RETURN, VK_ESCAPE).
bool PressKey(HWND window, UINT virtualKey);
// Presses a button (BM_CLICK).
bool Click(HWND button);
// Chooses a menu entry of `window`'s menu bar by its path of captions, "&Arquivo|Sai&r"; captions match
// with or without their "&" and shortcut text. Another process's menu is walked by keyboard, as Wine keeps
// menus inside their process: then every caption of the path must carry its "&".
bool ChooseMenu(HWND window, const std::string& path);
// Selects the entry with exact text `entry` in a list box or combo box and tells its parent, as a click
// on the entry would.
bool SelectEntry(HWND list, const std::string& entry);
// The entries of a list box or combo box.
std::vector<std::string> ListEntries(HWND list);
// Posts WM_CLOSE, as the close box would.
bool RequestClose(HWND window);

// Saves the whole screen as a 24-bit BMP file, for a person to look at.
bool SaveScreen(const std::string& path);

// A message box (dialog class "#32770" with static text) of process `pid` (any when zero).
struct MessageBoxInfo {
  HWND window = nullptr;
  std::string title;
  std::string text;
  std::vector<std::string> buttons;  // in Z order
  std::string defaultButton;
  int defaultId = 0;  // the default button's command (IDOK, IDYES, IDNO ...), whatever the language
};
bool WaitMessageBox(MessageBoxInfo* box, DWORD timeout = kDefaultTimeout, DWORD pid = 0);
// Presses the button of the box whose text (with or without "&") is `button`.
bool AnswerMessageBox(const MessageBoxInfo& box, const std::string& button);
// Presses the button of the box with command `id` (IDOK, IDYES, IDNO ...), in any language.
bool AnswerMessageBox(const MessageBoxInfo& box, int id);

}  // namespace uidriver
