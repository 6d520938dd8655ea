// uidriver.exe: the UI driver as a command, for scripts and for a person at a terminal.
//
//   uidriver wait-window CAPTION [TIMEOUT_MS]     wait for a visible top-level window
//   uidriver wait-gone CAPTION [TIMEOUT_MS]       wait until it is gone
//   uidriver windows                              list visible top-level windows
//   uidriver controls WINDOW                      list a window's controls
//   uidriver text WINDOW [CONTROL]                print a window's or control's text
//   uidriver entries WINDOW CONTROL               print a list's or combo's entries, one a line
//   uidriver type WINDOW CONTROL TEXT             focus the control and type TEXT key by key
//   uidriver set-text WINDOW CONTROL TEXT         replace the control's text
//   uidriver key WINDOW CONTROL VK                press a virtual key (number or RETURN, ESCAPE, TAB)
//   uidriver click WINDOW CONTROL                 press a button
//   uidriver menu WINDOW "&Menu|&Entry"           choose a menu-bar entry (by mnemonics in Wine)
//   uidriver select WINDOW CONTROL ENTRY          select a list or combo entry
//   uidriver msgbox [TIMEOUT_MS]                  wait for a message box; print title, text, buttons
//   uidriver answer BUTTON [TIMEOUT_MS]           wait for a message box and press BUTTON
//   uidriver close WINDOW                         close a window as its close box would
//
// WINDOW is an exact caption, a class name in brackets "[Class]" or a handle "0x...". CONTROL is "#id", "Class:text", "Class[n]" or a text.
// Exit status: 0 done, 1 failed (reason on standard error), 2 bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "UiDriver.h"

using namespace uidriver;

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "uidriver: %s\n", why.c_str());
  return 1;
}

DWORD TimeoutArg(int argc, char** argv, int index) {
  return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultTimeout;
}

HWND ResolveWindow(const std::string& pattern) {
  if (pattern.rfind("0x", 0) == 0) {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(pattern.c_str(), nullptr, 16)));
    return IsWindow(hwnd) ? hwnd : nullptr;
  }
  return WaitTopWindow(pattern, kDefaultTimeout);
}

UINT VirtualKeyArg(const std::string& s) {
  if (s == "RETURN") return VK_RETURN;
  if (s == "ESCAPE") return VK_ESCAPE;
  if (s == "TAB") return VK_TAB;
  if (s == "SHIFT") return VK_SHIFT;
  if (s == "DELETE") return VK_DELETE;
  if (s == "F1") return VK_F1;
  return static_cast<UINT>(std::strtoul(s.c_str(), nullptr, 0));
}

int Usage() {
  std::fprintf(stderr, "usage: uidriver COMMAND ARGS... (see the source's header for the commands)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string cmd = argv[1];
  auto arg = [&](int i) { return i < argc ? std::string(argv[i]) : std::string(); };

  if (cmd == "windows") {
    std::fputs(DescribeTopWindows().c_str(), stdout);
    return 0;
  }
  if (cmd == "wait-window" && argc >= 3) {
    HWND w = WaitTopWindow(arg(2), TimeoutArg(argc, argv, 3));
    if (!w) return Fail("no window \"" + arg(2) + "\"; windows:\n" + DescribeTopWindows());
    std::printf("%p\n", static_cast<void*>(w));
    return 0;
  }
  if (cmd == "wait-gone" && argc >= 3)
    return WaitTopWindowGone(arg(2), TimeoutArg(argc, argv, 3)) ? 0 : Fail("window still there");
  if (cmd == "msgbox" || cmd == "answer") {
    const bool answer = cmd == "answer";
    if (answer && argc < 3) return Usage();
    MessageBoxInfo box;
    if (!WaitMessageBox(&box, TimeoutArg(argc, argv, answer ? 3 : 2))) return Fail("no message box");
    if (answer) return AnswerMessageBox(box, arg(2)) ? 0 : Fail("no button \"" + arg(2) + "\"");
    std::printf("%s\n%s\n", box.title.c_str(), box.text.c_str());
    for (const auto& b : box.buttons) std::printf("[%s]%s\n", b.c_str(), b == box.defaultButton ? " default" : "");
    return 0;
  }

  if (argc < 3) return Usage();
  HWND window = ResolveWindow(arg(2));
  if (!window) return Fail("no window \"" + arg(2) + "\"");
  if (cmd == "close") return RequestClose(window) ? 0 : Fail("close failed");
  if (cmd == "controls") {
    std::fputs(DescribeControls(window).c_str(), stdout);
    return 0;
  }
  if (cmd == "menu" && argc >= 4) return ChooseMenu(window, arg(3)) ? 0 : Fail("no menu entry " + arg(3));
  if (cmd == "text" && argc == 3) {
    std::printf("%s\n", GetText(window).c_str());
    return 0;
  }

  if (argc < 4) return Usage();
  HWND control = WaitControl(window, arg(3));
  if (!control) return Fail("no control \"" + arg(3) + "\"; controls:\n" + DescribeControls(window));
  if (cmd == "text") {
    std::printf("%s\n", GetText(control).c_str());
    return 0;
  }
  if (cmd == "entries") {
    for (const auto& e : ListEntries(control)) std::printf("%s\n", e.c_str());
    return 0;
  }
  if (cmd == "click") return Click(control) ? 0 : Fail("control is disabled");
  if (argc < 5) return Usage();
  if (cmd == "type") {
    SetFocusTo(control);
    return TypeText(control, arg(4)) ? 0 : Fail("typing failed");
  }
  if (cmd == "set-text") return SetText(control, arg(4)) ? 0 : Fail("set-text failed");
  if (cmd == "key") return PressKey(control, VirtualKeyArg(arg(4))) ? 0 : Fail("key failed");
  if (cmd == "select") return SelectEntry(control, arg(4)) ? 0 : Fail("no entry \"" + arg(4) + "\"");
  return Usage();
}
