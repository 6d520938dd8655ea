#include "UiDriver.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace uidriver {
namespace {

constexpr DWORD kPollInterval = 20;

// Polls `probe` until it returns true or `timeout` passes.
template <typename Probe>
bool PollUntil(DWORD timeout, Probe probe) {
  const ULONGLONG deadline = GetTickCount64() + timeout;
  for (;;) {
    if (probe()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollInterval);
  }
}

std::string WithoutMnemonic(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += s[i];
  }
  return out;
}

// A menu caption without its shortcut text ("&Sair\tAlt+F4" -> "&Sair").
std::string CaptionPart(const std::string& s) {
  const size_t tab = s.find('\t');
  return tab == std::string::npos ? s : s.substr(0, tab);
}

// The lower-case letter after a single "&", or 0 when the caption has none.
char MnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    char letter[2] = {caption[i + 1], '\0'};
    CharLowerBuffA(letter, 1);
    return letter[0];
  }
  return 0;
}

bool CaptionMatches(const std::string& caption, const std::string& wanted) {
  const std::string c = CaptionPart(caption);
  return c == wanted || WithoutMnemonic(c) == WithoutMnemonic(wanted);
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct TopSearch {
  const std::string* caption;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<TopSearch*>(lParam);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (s->pid && ProcessOf(hwnd) != s->pid) return TRUE;
  // "[Class]" names the window by its class, for windows whose caption is not known beforehand.
  const std::string& want = *s->caption;
  const bool byClass = want.size() > 2 && want.front() == '[' && want.back() == ']';
  if (byClass ? ClassName(hwnd) != want.substr(1, want.size() - 2) : GetText(hwnd) != want) return TRUE;
  s->found = hwnd;
  return FALSE;
}

BOOL CALLBACK DescribeTopProc(HWND hwnd, LPARAM lParam) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  auto* out = reinterpret_cast<std::string*>(lParam);
  char line[400];
  std::snprintf(line, sizeof line, "  %p pid %lu [%s] \"%s\"\n", static_cast<void*>(hwnd),
                static_cast<unsigned long>(ProcessOf(hwnd)), ClassName(hwnd).c_str(), GetText(hwnd).c_str());
  *out += line;
  return TRUE;
}

struct ControlSearch {
  enum Kind { kById, kByClassText, kByClassIndex, kByText } kind;
  int id = 0;
  std::string cls;
  std::string text;
  int index = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindControlProc(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<ControlSearch*>(lParam);
  switch (s->kind) {
    case ControlSearch::kById:
      if (GetDlgCtrlID(hwnd) != s->id) return TRUE;
      break;
    case ControlSearch::kByClassText:
      if (lstrcmpiA(ClassName(hwnd).c_str(), s->cls.c_str()) != 0 || GetText(hwnd) != s->text) return TRUE;
      break;
    case ControlSearch::kByClassIndex:
      if (lstrcmpiA(ClassName(hwnd).c_str(), s->cls.c_str()) != 0) return TRUE;
      if (s->index-- > 0) return TRUE;
      break;
    case ControlSearch::kByText:
      if (GetText(hwnd) != s->text) return TRUE;
      break;
  }
  s->found = hwnd;
  return FALSE;
}

BOOL CALLBACK DescribeControlProc(HWND hwnd, LPARAM lParam) {
  auto* out = reinterpret_cast<std::string*>(lParam);
  char line[400];
  std::snprintf(line, sizeof line, "  [%s] #%d \"%s\"%s\n", ClassName(hwnd).c_str(), GetDlgCtrlID(hwnd),
                GetText(hwnd).c_str(), IsWindowVisible(hwnd) ? "" : " (hidden)");
  *out += line;
  return TRUE;
}

bool ParseControlPattern(const std::string& pattern, ControlSearch* s) {
  if (pattern.size() > 1 && pattern[0] == '#') {
    s->kind = ControlSearch::kById;
    s->id = std::atoi(pattern.c_str() + 1);
    return true;
  }
  const size_t colon = pattern.find(':');
  if (colon != std::string::npos && colon > 0) {
    s->kind = ControlSearch::kByClassText;
    s->cls = pattern.substr(0, colon);
    s->text = pattern.substr(colon + 1);
    return true;
  }
  const size_t bracket = pattern.find('[');
  if (bracket != std::string::npos && bracket > 0 && pattern.back() == ']') {
    s->kind = ControlSearch::kByClassIndex;
    s->cls = pattern.substr(0, bracket);
    s->index = std::atoi(pattern.c_str() + bracket + 1);
    return true;
  }
  s->kind = ControlSearch::kByText;
  s->text = pattern;
  return true;
}

bool PostAndSettle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!PostMessageA(window, message, wParam, lParam)) return false;
  WaitIdle(window);
  return true;
}

// Finds the command identifier of the item at `path` in `menu`; false when some caption is missing.
bool FindMenuCommand(HMENU menu, const std::string& path, UINT* id) {
  const size_t bar = path.find('|');
  const std::string head = path.substr(0, bar);
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID | MIIM_FTYPE;
    mii.dwTypeData = text;
    mii.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, i, TRUE, &mii)) continue;
    if (!CaptionMatches(text, head)) continue;
    if (bar == std::string::npos) {
      if (mii.hSubMenu) return false;
      *id = mii.wID;
      return true;
    }
    return mii.hSubMenu && FindMenuCommand(mii.hSubMenu, path.substr(bar + 1), id);
  }
  return false;
}

}  // namespace

Program::~Program() {
  Kill();
  if (pi_.hProcess) CloseHandle(pi_.hProcess);
  if (pi_.hThread) CloseHandle(pi_.hThread);
}

bool Program::Start(const std::string& commandLine, const std::string& workingDir) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string cmd = commandLine;
  return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi_) != 0;
}

bool Program::WaitExit(DWORD timeout, DWORD* exitCode) {
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeout) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(pi_.hProcess, exitCode);
  return true;
}

void Program::Kill() {
  if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(pi_.hProcess, 255);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
}

std::string ExecutableFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (slash) slash[1] = '\0';
  return path;
}

std::string GetText(HWND window) {
  // WM_GETTEXT also reads controls of other processes, which GetWindowTextA does not.
  char buffer[4096] = {};
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                           &ignored))
    return {};
  // The text ends at its terminator: the count returned for another process's window is not always its
  // length in ANSI characters.
  return std::string(buffer, strnlen(buffer, sizeof buffer - 1));
}

std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindTopWindow(const std::string& caption, DWORD pid) {
  TopSearch s{&caption, pid, nullptr};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitTopWindow(const std::string& caption, DWORD timeout, DWORD pid) {
  HWND found = nullptr;
  PollUntil(timeout, [&] { return (found = FindTopWindow(caption, pid)) != nullptr; });
  return found;
}

bool WaitTopWindowGone(const std::string& caption, DWORD timeout, DWORD pid) {
  return PollUntil(timeout, [&] { return FindTopWindow(caption, pid) == nullptr; });
}

std::string DescribeTopWindows() {
  std::string out;
  EnumWindows(DescribeTopProc, reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND FindControl(HWND parent, const std::string& pattern) {
  ControlSearch s;
  if (!ParseControlPattern(pattern, &s)) return nullptr;
  EnumChildWindows(parent, FindControlProc, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitControl(HWND parent, const std::string& pattern, DWORD timeout) {
  HWND found = nullptr;
  PollUntil(timeout, [&] { return (found = FindControl(parent, pattern)) != nullptr; });
  return found;
}

std::string DescribeControls(HWND parent) {
  std::string out;
  EnumChildWindows(parent, DescribeControlProc, reinterpret_cast<LPARAM>(&out));
  return out;
}

void WaitIdle(HWND window, DWORD timeout) {
  // Nothing tells another process when a posted message has been handled. Give the target a moment to
  // pick it up, then wait until it answers a sent message and reports itself idle (back in GetMessage,
  // possibly inside a modal loop that the posted message opened). Tests still poll for what they expect.
  Sleep(30);
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout, &ignored);
  const DWORD pid = ProcessOf(window);
  if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
    WaitForInputIdle(process, timeout);
    CloseHandle(process);
  }
}

bool SetFocusTo(HWND control) {
  // Focus belongs to the target's thread; borrow its input state for the call.
  const DWORD target = GetWindowThreadProcessId(control, nullptr);
  const DWORD self = GetCurrentThreadId();
  AttachThreadInput(self, target, TRUE);
  SetForegroundWindow(GetAncestor(control, GA_ROOT));
  HWND got = SetFocus(control);
  AttachThreadInput(self, target, FALSE);
  WaitIdle(control);
  return got != nullptr || GetFocus() == control;
}

bool TypeText(HWND control, const std::string& text) {
  // Characters only: a posted key-down would be translated into a second character by the target's own
  // message loop (TranslateMessage), so every letter would arrive twice.
  for (unsigned char c : text) {
    const SHORT vk = VkKeyScanA(static_cast<char>(c));
    const UINT scan = vk == -1 ? 0 : MapVirtualKeyA(LOBYTE(vk), MAPVK_VK_TO_VSC);
    PostMessageA(control, WM_CHAR, c, 1 | (scan << 16));
  }
  WaitIdle(control);
  return true;
}

bool SetText(HWND control, const std::string& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                             kDefaultTimeout, &result) != 0;
}

bool PressKey(HWND window, UINT virtualKey) {
  const UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  return PostAndSettle(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

bool Click(HWND button) { return IsWindowEnabled(button) && PostAndSettle(button, BM_CLICK, 0, 0); }

bool ChooseMenu(HWND window, const std::string& path) {
  HMENU menu = GetMenu(window);
  UINT id = 0;
  if (menu && FindMenuCommand(menu, path, &id)) return PostAndSettle(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  // Wine keeps a menu's items inside the process that owns it, so another process cannot read them.
  // Walk the menu as a keyboard user does instead: Alt and the bar entry's mnemonic, then each entry's.
  std::vector<char> keys;
  size_t start = 0;
  for (;;) {
    const size_t bar = path.find('|', start);
    const char key = MnemonicOf(path.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (!key) return false;
    keys.push_back(key);
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  if (!PostAndSettle(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(keys[0]))) return false;
  for (size_t i = 1; i < keys.size(); ++i) {
    // The menu loop reads the thread's queue whichever window a message is posted to.
    const SHORT vk = VkKeyScanA(keys[i]);
    if (vk == -1) return false;
    const UINT scan = MapVirtualKeyA(LOBYTE(vk), MAPVK_VK_TO_VSC);
    PostMessageA(window, WM_KEYDOWN, LOBYTE(vk), 1 | (scan << 16));
    PostAndSettle(window, WM_KEYUP, LOBYTE(vk), 1 | (scan << 16) | (1u << 30) | (1u << 31));
  }
  return true;
}

std::vector<std::string> ListEntries(HWND list) {
  const bool combo = lstrcmpiA(ClassName(list).c_str(), "ComboBox") == 0;
  const UINT countMsg = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT lenMsg = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT textMsg = combo ? CB_GETLBTEXT : LB_GETTEXT;
  std::vector<std::string> out;
  const LRESULT n = SendMessageA(list, countMsg, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    // Asked in UTF-16 and converted here: Wine hands another process's entries back to an ANSI caller
    // as UTF-16 bytes. (The driver is a test tool; the programs themselves use only ANSI calls.)
    const LRESULT len = SendMessageW(list, lenMsg, i, 0);
    if (len < 0) break;
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(list, textMsg, i, reinterpret_cast<LPARAM>(w.data()));
    w.resize(wcslen(w.c_str()));
    std::string s(w.size() * 2 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), s.data(),
                                          static_cast<int>(s.size()), nullptr, nullptr);
    s.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    out.push_back(s);
  }
  return out;
}

bool SelectEntry(HWND list, const std::string& entry) {
  const bool combo = lstrcmpiA(ClassName(list).c_str(), "ComboBox") == 0;
  const auto entries = ListEntries(list);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] != entry) continue;
    const int id = GetDlgCtrlID(list);
    HWND parent = GetParent(list);
    if (combo) {
      SendMessageA(list, CB_SETCURSEL, i, 0);
      return PostAndSettle(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    const LONG style = GetWindowLongA(list, GWL_STYLE);
    if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
      SendMessageA(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
      SendMessageA(list, LB_SETCARETINDEX, i, FALSE);
    } else {
      SendMessageA(list, LB_SETCURSEL, i, 0);
    }
    return PostAndSettle(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  return false;
}

bool RequestClose(HWND window) { return PostAndSettle(window, WM_CLOSE, 0, 0); }

namespace {

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<BoxSearch*>(lParam);
  if (!IsWindowVisible(hwnd) || ClassName(hwnd) != "#32770") return TRUE;
  if (s->pid && ProcessOf(hwnd) != s->pid) return TRUE;
  // A message box's text is the static control with identifier 0xFFFF.
  if (!GetDlgItem(hwnd, 0xFFFF)) return TRUE;
  s->found = hwnd;
  return FALSE;
}

BOOL CALLBACK CollectButtonsProc(HWND hwnd, LPARAM lParam) {
  auto* box = reinterpret_cast<MessageBoxInfo*>(lParam);
  if (lstrcmpiA(ClassName(hwnd).c_str(), "Button") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  const std::string text = GetText(hwnd);
  box->buttons.push_back(text);
  if ((GetWindowLongA(hwnd, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) {
    box->defaultButton = text;
    box->defaultId = GetDlgCtrlID(hwnd);
  }
  return TRUE;
}

}  // namespace

bool WaitMessageBox(MessageBoxInfo* box, DWORD timeout, DWORD pid) {
  BoxSearch s{pid, nullptr};
  if (!PollUntil(timeout, [&] {
        s.found = nullptr;
        EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      }))
    return false;
  *box = MessageBoxInfo{};
  box->window = s.found;
  box->title = GetText(s.found);
  box->text = GetText(GetDlgItem(s.found, 0xFFFF));
  EnumChildWindows(s.found, CollectButtonsProc, reinterpret_cast<LPARAM>(box));
  return true;
}

bool AnswerMessageBox(const MessageBoxInfo& box, const std::string& button) {
  ControlSearch s;
  s.kind = ControlSearch::kByClassText;
  s.cls = "Button";
  for (const auto& text : box.buttons) {
    if (text == button || WithoutMnemonic(text) == WithoutMnemonic(button)) {
      s.text = text;
      EnumChildWindows(box.window, FindControlProc, reinterpret_cast<LPARAM>(&s));
      break;
    }
  }
  return s.found && Click(s.found);
}

bool AnswerMessageBox(const MessageBoxInfo& box, int id) {
  HWND button = GetDlgItem(box.window, id);
  return button && Click(button);
}

bool SaveScreen(const std::string& path) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP image = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (image && bits) {
    HGDIOBJ old = SelectObject(memory, image);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const DWORD row = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi.bmiHeader;
    bf.bfSize = bf.bfOffBits + row * static_cast<DWORD>(h);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      saved = WriteFile(f, &bf, sizeof bf, &written, nullptr) &&
              WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr) &&
              WriteFile(f, bits, row * static_cast<DWORD>(h), &written, nullptr);
      CloseHandle(f);
    }
  }
  if (image) DeleteObject(image);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace uidriver
