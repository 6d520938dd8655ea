// The built help files in the system's help viewer, reached the two ways the programs reach it:
// mercanota.exe's help menu starts "WinHlp32 <folder>\MercanotaK.HLP"; lumetta32's dialogs call WinHelpA
// with their context numbers. The topic the viewer shows is read from its text control (its first line is
// the topic heading); screenshots are left in tests\help-files for a person to look at. The keyword index
// is reached through the viewer's own Index button: Wine's viewer leaves the HELP_KEY and HELP_PARTIALKEY
// requests of WinHelpA unanswered, and its index lists what |KWBTREE holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "BuildFolders.h"
#include "UiDriver.h"

namespace {

// The viewer's text control (a rich edit control under the button bar).
constexpr int kViewerText = 0x701;

std::string ShotFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  folder.resize(folder.find_last_of('\\') + 1);
  folder += "help-files\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// The whole screen as a 24-bit BMP.
void SaveScreen(const std::string& name) {
  Sleep(300);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP shot = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (shot && bits) {
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const DWORD row = (static_cast<DWORD>(w) * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER bf{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof bi.bmiHeader};
    bf.bfSize = bf.bfOffBits + row * static_cast<DWORD>(h);
    HANDLE f = CreateFileA((ShotFolder() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(f, &bf, sizeof bf, &written, nullptr);
      WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr);
      WriteFile(f, bits, row * static_cast<DWORD>(h), &written, nullptr);
      CloseHandle(f);
    }
  }
  DeleteObject(shot);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// The viewer's main window: a visible top-level window with the viewer's text control, whose caption
// contains `part`. (The viewer names the help file in its caption only when it was started with one;
// started by WinHelpA it keeps a caption of its own.)
HWND FindViewer(const std::string& part) {
  struct Search {
    const std::string* part;
    HWND found;
  } search{&part, nullptr};
  EnumWindows(
      [](HWND window, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char caption[512] = {};
        GetWindowTextA(window, caption, sizeof caption);
        if (IsWindowVisible(window) && GetDlgItem(window, kViewerText) &&
            std::string(caption).find(*s->part) != std::string::npos) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The heading of the topic on show, waiting up to `timeout` for it to become `expected`.
std::string WaitHeading(const std::string& caption, const std::string& expected, DWORD timeout) {
  std::string heading;
  for (DWORD waited = 0; waited <= timeout; waited += 100, Sleep(100)) {
    HWND viewer = FindViewer(caption);
    HWND text = viewer ? GetDlgItem(viewer, kViewerText) : nullptr;
    if (!text) continue;
    heading = uidriver::GetText(text);
    heading.resize(std::min(heading.size(), heading.find_first_of("\r\n")));
    if (heading == expected) break;
  }
  return heading;
}

TEST(HelpFiles, MercanotaShowsItsHelpFileFromTheHelpMenu) {
  uidriver::Program mercanota;
  ASSERT_TRUE(mercanota.Start("\"" + BinFolder() + "mercanota.exe\"", BinFolder())) << GetLastError();
  HWND principal = uidriver::WaitTopWindow("Mercanota", 15000, mercanota.Id());
  ASSERT_NE(principal, nullptr) << uidriver::DescribeTopWindows();
  ASSERT_TRUE(uidriver::WaitTopWindowGone("Abertura do Mercanota", 15000, mercanota.Id()));
  ASSERT_TRUE(uidriver::ChooseMenu(principal, "A&juda|E&xibir o Arquivo de Ajuda"));

  EXPECT_EQ(WaitHeading("Ajuda do Mercanota", "Ajuda do Mercanota", 30000), "Ajuda do Mercanota")
      << uidriver::DescribeTopWindows();
  SaveScreen("mercanota-conteudo.bmp");
  HWND viewer = FindViewer("Ajuda do Mercanota");
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(IsZoomed(viewer)) << "the program starts the viewer maximized";
  uidriver::RequestClose(viewer);
  uidriver::RequestClose(principal);
}

TEST(HelpFiles, LumettaDialogNumbersReachTheirTopics) {
  const std::string file = BinFolder() + "lumetta32.hlp";
  const struct {
    DWORD number;
    const char* heading;
    const char* screenshot;
  } topics[] = {
      {1000, "All file extensions", "lumetta-1000.bmp"},
      {1001, "Images file extensions only", nullptr},
      {1002, "Don't add thumbnail to context menu", nullptr},
      {1003, "Shrink image to fit screen", nullptr},
      {1004, "Enlarge image to fit screen", nullptr},
      {1005, "Zoom to fit resized window", nullptr},
      {701, "Content of window only", nullptr},
      {702, "Entire image", nullptr},
      {703, "Center of page", "lumetta-703.bmp"},
      {704, "Top of page", nullptr},
      {705, "Show file name", nullptr},
      {706, "Show file description", nullptr},
      {707, "Show image information", nullptr},
      {708, "One image per page", nullptr},
      {709, "Fit to page", nullptr},
      {710, "Show file path", "lumetta-710.bmp"},
  };
  for (const auto& t : topics) {
    // The first call starts the viewer and waits a few seconds for it; on a busy machine that may not
    // be enough, so a refused call is tried again.
    bool sent = false;
    for (int attempt = 0; attempt < 3 && !sent; ++attempt) {
      sent = WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, t.number);
      if (!sent) Sleep(2000);
    }
    ASSERT_TRUE(sent) << t.number;
    EXPECT_EQ(WaitHeading("", t.heading, 20000), t.heading) << "context number " << t.number;
    if (t.screenshot) SaveScreen(t.screenshot);
  }
  // The context menu's Help command: the contents.
  ASSERT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_FINDER, 0));
  EXPECT_EQ(WaitHeading("", "Lumetta32 Help", 20000), "Lumetta32 Help");
  SaveScreen("lumetta-contents.bmp");
  WinHelpA(nullptr, file.c_str(), HELP_QUIT, 0);
}

// The viewer's index dialog: a top-level dialog of the viewer's process holding the keyword list.
HWND FindIndexDialog(DWORD pid, HWND* list) {
  struct Search {
    DWORD pid;
    HWND found, list;
  } search{pid, nullptr, nullptr};
  EnumWindows(
      [](HWND window, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->pid || !IsWindowVisible(window) || uidriver::ClassName(window) != "#32770") return TRUE;
        if (HWND list = uidriver::FindControl(window, "ListBox[0]")) {
          s->found = window, s->list = list;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  *list = search.list;
  return search.found;
}

// A keyword chosen in the index opens its topic, in each help file.
TEST(HelpFiles, IndexOpensTheTopicOfAKeyword) {
  const struct {
    const char* file;
    const char* contents;
    const char* keyword;
    const char* heading;
    const char* screenshot;
  } cases[] = {
      {"MercanotaK.HLP", "Ajuda do Mercanota", "impressora", "Imprimir a lista de compras", "mercanota-indice.bmp"},
      {"lumetta32.hlp", "Lumetta32 Help", "wallpaper", "Desktop wallpaper", "lumetta-index.bmp"},
      {"lumetta32-ptb.hlp", "Ajuda do Lumetta32", "configurar impressão", "Configurar impressão", "lumetta-indice.bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = BinFolder() + c.file;
    bool sent = false;
    for (int attempt = 0; attempt < 3 && !sent; ++attempt) {
      sent = WinHelpA(nullptr, file.c_str(), HELP_CONTENTS, 0);
      if (!sent) Sleep(2000);
    }
    ASSERT_TRUE(sent);
    ASSERT_EQ(WaitHeading("", c.contents, 20000), c.contents);
    HWND viewer = FindViewer("");
    ASSERT_NE(viewer, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    HWND indexButton = uidriver::FindControl(viewer, "Button:&Index");
    ASSERT_NE(indexButton, nullptr) << uidriver::DescribeControls(viewer);
    ASSERT_TRUE(uidriver::Click(indexButton));

    HWND list = nullptr, dialog = nullptr;
    for (int waited = 0; waited < 200 && !dialog; waited++, Sleep(100)) dialog = FindIndexDialog(pid, &list);
    ASSERT_NE(dialog, nullptr) << uidriver::DescribeTopWindows();
    const auto keywords = uidriver::ListEntries(list);
    EXPECT_NE(std::find(keywords.begin(), keywords.end(), c.keyword), keywords.end()) << keywords.size() << " keywords";
    ASSERT_TRUE(uidriver::SelectEntry(list, c.keyword));
    SaveScreen(c.screenshot);
    ASSERT_TRUE(uidriver::Click(uidriver::FindControl(dialog, "#1")));  // OK
    EXPECT_EQ(WaitHeading("", c.heading, 20000), c.heading) << "keyword " << c.keyword;
    WinHelpA(nullptr, file.c_str(), HELP_QUIT, 0);
    Sleep(500);
  }
}

}  // namespace
