// Printing images onto the PostScript printer the test installs in the prefix, through the setup dialog
// (answered as a person would), with the printer dialog and message boxes scripted. Each printed case
// leaves in lumetta-prints (beside this program) its PostScript, the text lines it must show (.txt) and
// where each image must be (.box, page pixels at the printer's resolution), which printed-images.py
// then checks with Ghostscript.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "shell/ModuleState.h"
#include "shell/Printing.h"
#include "TestPrinter_win.h"
#include "TempFiles_win.h"
#include "viewer/ViewerWindow.h"
#include "shell/WindowHelpers.h"
#include "resources/resource.h"

namespace {

const char kPrinter[] = "Lumetta Test Printer";
const char kFotos[] = "Fotos de S\xE3o Jo\xE3o\\";
const char kPromocao[] = "promo\xE7\xE3o.bmp";

std::vector<std::string> messages;
DWORD dialogFlags = 0;
HWND dialogOwner = nullptr;
bool answerDialog = true;

int RecordMessage(HWND, const char* text, const char* caption, UINT) {
  messages.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

// The printer dialog, answered with the default printer (the test's) or cancelled.
BOOL AnswerPrintDialog(PRINTDLGA* dialog) {
  dialogFlags = dialog->Flags;
  dialogOwner = dialog->hwndOwner;
  if (!answerDialog) return FALSE;
  dialog->Flags |= PD_RETURNDEFAULT;
  return PrintDlgA(dialog);
}

void Write(const std::string& path, const std::string& bytes) { testfiles::WriteWholeFile(path, bytes); }

// A BMP of one grey, or of two halves (left `grey`, right `right`).
void WriteBmp(const std::string& path, int width, int height, int grey, int right = -1) {
  testimages::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixel = [=](int x, int) { return 0x010101u * uint32_t(right >= 0 && x >= width / 2 ? right : grey); };
  testfiles::WriteWholeFile(path, testimages::BuildBmp(layout));
}

// Options with nothing but the scale: no text lines, at the top, several images to a page.
PrintOptionsRecord Plain(int scale) {
  PrintOptionsRecord options{};
  options.scale = scale;
  return options;
}

// Acts on this process's visible window of that caption from another thread, as a person would while
// the dialog runs its modal loop.
std::thread ActOnDialog(const std::string& caption, std::function<void(HWND)> action) {
  return std::thread([caption, action] {
    for (int tries = 0; tries < 500; ++tries, Sleep(20)) {
      HWND window = FindWindowA(nullptr, caption.c_str());
      DWORD pid = 0;
      if (window) GetWindowThreadProcessId(window, &pid);
      if (window && pid == GetCurrentProcessId() && IsWindowVisible(window)) return action(window);
    }
  });
}

// The setup dialog's caption as the module shows it, in the user's language.
std::string SetupCaption(HMODULE module) {
  char format[128] = {};
  LoadStringA(module, IDS_PRINT_SETUP_CAPTION, format, sizeof format);
  char caption[192] = {};
  std::snprintf(caption, sizeof caption, format, "Lumetta32");
  return caption;
}

class Printing : public testing::Test {
protected:
  static std::string Prints() { return BinFolder() + "..\\tests\\lumetta-prints\\"; }
  static std::string Output() { return Prints() + "printed.ps"; }
  static void SetUpTestSuite() {
    CreateDirectoryA(Prints().c_str(), nullptr);
    installed = testprinter::Install(kPrinter, BinFolder() + "..\\tests\\impressora-de-teste.ppd", Output());
  }

  void SetUp() override {
    ASSERT_TRUE(installed) << GetLastError();
    messages.clear();
    answerDialog = true;
    SetMessageBoxFunction(&RecordMessage);
    SetPrintDialogFunction(&AnswerPrintDialog);
    // The dialog templates come from the built module, as in the extension.
    module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module, nullptr);
    folder = testfiles::TempFolder("lumetta-print-test");
    WriteBmp(folder + "a.bmp", 64, 48, 128);
    WriteBmp(folder + "b.bmp", 200, 100, 64, 192);
    // The same picture as a Brazilian user names and files it.
    CreateDirectoryA((folder + kFotos).c_str(), nullptr);
    WriteBmp(folder + kFotos + kPromocao, 200, 100, 64, 192);
    WriteBmp(folder + "wide.bmp", 1200, 300, 128);
    WriteBmp(folder + "tall.bmp", 300, 1000, 128);
    // The description is OEM text (0x82 is é) and ends at code 4.
    Write(folder + "descript.ion", "a.bmp F\x82rias na praia\x04other data\r\nb.bmp Meio a meio\r\n");
    DeleteFileA(Output().c_str());

    HDC dc = CreateDCA("WINSPOOL", kPrinter, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    pageWidth = GetDeviceCaps(dc, HORZRES);
    pageHeight = GetDeviceCaps(dc, VERTRES);
    dpi = GetDeviceCaps(dc, LOGPIXELSX);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    lineHeight = metrics.tmHeight;
    DeleteDC(dc);
    HDC screen = GetDC(nullptr);
    screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  void TearDown() override {
    SetMessageBoxFunction(nullptr);
    SetPrintDialogFunction(nullptr);
    if (module) FreeLibrary(module);
  }

  // Keeps what was printed under the case's name, with the lines and boxes it must show.
  void Keep(const std::string& name, const std::string& lines, const std::string& boxes) {
    DeleteFileA((Prints() + name + ".ps").c_str());
    EXPECT_TRUE(MoveFileA(Output().c_str(), (Prints() + name + ".ps").c_str())) << name << ": nothing printed";
    Write(Prints() + name + ".txt", lines);
    Write(Prints() + name + ".box", "dpi " + std::to_string(dpi) + " " + std::to_string(dpi) + "\n" + boxes);
  }
  // "box PAGE GREY X Y W H" in page pixels, from a position on the printable area.
  std::string Box(int page, int grey, int x, int y, int w, int h) {
    char line[96];
    std::snprintf(line, sizeof line, "box %d %d %d %d %d %d\n", page, grey, offsetX + x, offsetY + y, w, h);
    return line;
  }
  // n image pixels at 100 %: the size they have on the screen.
  int Printed(int n) { return n * dpi / screenDpi; }

  static inline bool installed = false;
  HMODULE module = nullptr;
  std::string folder;
  int offsetX = 0, offsetY = 0, pageWidth = 0, pageHeight = 0, dpi = 0, screenDpi = 0, lineHeight = 0;
};

}  // namespace

TEST_F(Printing, TextLinesAndImagesSizedAndPlacedOnThePage) {
  struct Case {
    const char* name;
    std::vector<const char*> files;
    std::function<void(PrintJob&)> options;
    std::string lines;
    std::function<std::string()> boxes;
  };
  const int line = 2 * lineHeight;  // a text line takes twice its height
  const int aw = Printed(64), ah = Printed(48), bw = Printed(200), bh = Printed(100);
  const Case cases[] = {
      {"default",
       {"a.bmp"},
       [](PrintJob&) {},
       // The image's label, with its name, replaces the name line.
       "a.bmp (64x48x16M bmp)\r\nF\xE9rias na praia\r\n",
       [&] { return Box(1, 128, (pageWidth - aw) / 2, 2 * line, aw, ah); }},
      {"window-part",
       {"b.bmp"},
       // The right half as a viewer at 200 % shows it, its window reaching past the image.
       [](PrintJob& job) {
         job.options = Plain(200);
         job.options.windowContentOnly = 1;
         job.windowRect = {200, 0, 450, 260};
       },
       "",
       [&] { return Box(1, 192, (pageWidth - 2 * bh) / 2, 0, 2 * bh, 2 * bh) + "absent 1 64\n"; }},
      {"reduced-to-the-page",
       {"wide.bmp"},
       [](PrintJob& job) { job.options = Plain(100); },
       "",
       [&] { return Box(1, 128, 0, 0, pageWidth, 300 * pageWidth / 1200); }},
      {"fit-to-page-centred",
       {"a.bmp"},
       [](PrintJob& job) {
         job.options = Plain(100);
         job.options.fitToPage = job.options.centerOnPage = 1;
       },
       "",
       [&] { return Box(1, 128, 0, (pageHeight - 48 * pageWidth / 64) / 2, pageWidth, 48 * pageWidth / 64); }},
      {"shared-page",
       {"a.bmp", "Fotos de S\xE3o Jo\xE3o\\promo\xE7\xE3o.bmp", "tall.bmp"},
       // Path and name lines; a and b (in a folder and under a name with accents) one below the other,
       // tall.bmp (as high as a page) on the next.
       [](PrintJob& job) {
         job.options = Plain(100);
         job.options.showFileName = job.options.showFilePath = 1;
       },
       folder + "a.bmp\r\n" + folder + kFotos + kPromocao + "\r\n" + folder + "tall.bmp\r\n",
       [&] {
         int tw = Printed(300), th = Printed(1000);
         if (th > pageHeight - line) tw = 300 * (pageHeight - line) / 1000, th = pageHeight - line;
         return Box(1, 128, (pageWidth - aw) / 2, line, aw, ah) +
                Box(1, 192, (pageWidth - bw) / 2 + bw / 2, line + ah + lineHeight + line, bw - bw / 2, bh) +
                Box(2, 128, (pageWidth - tw) / 2, line, tw, th);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    PrintJob job;
    job.instance = module;
    job.options = Settings().PrintOptions;
    job.showSetupDialog = false;
    c.options(job);
    std::vector<std::string> files;
    for (const char* f : c.files) files.push_back(folder + f);
    EXPECT_TRUE(PrintFiles(job, files));
    EXPECT_TRUE(messages.empty()) << messages.front();
    Keep(c.name, c.lines, c.boxes());
  }
}

TEST_F(Printing, CancelledDialogsAndUnreadableFilesPrintNothingAndOnlyTheSetupsOkKeepsItsChoices) {
  for (bool cancelSetup : {true, false}) {
    SCOPED_TRACE(cancelSetup ? "setup cancelled" : "printer dialog cancelled");
    PrintJob job;
    job.instance = module;
    job.options = Settings().PrintOptions;
    answerDialog = false;
    dialogFlags = 0;
    std::string seen;
    std::thread person = ActOnDialog(SetupCaption(module), [&](HWND dialog) {
      for (int id : {104, 102, 124, 126, 128, 127, 125, 123}) seen += IsDlgButtonChecked(dialog, id) ? "1" : "0";
      for (int id : {103, 104, 123}) seen += IsWindowEnabled(GetDlgItem(dialog, id)) ? "E" : "-";
      seen += GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP ? "?" : "";
      SendDlgItemMessageA(dialog, 127, BM_CLICK, 0, 0);  // show the path
      SendDlgItemMessageA(dialog, 125, BM_CLICK, 0, 0);  // fit to page
      PostMessageA(dialog, WM_COMMAND, cancelSetup ? IDCANCEL : IDOK, 0);
    });
    EXPECT_FALSE(PrintFiles(job, {folder + "a.bmp"}));
    person.join();
    // The defaults; outside the viewer no window part, and one image needs no "one per page".
    EXPECT_EQ(seen, "11111001---?");
    EXPECT_EQ(GetFileAttributesA(Output().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is printed";
    EXPECT_TRUE(messages.empty()) << messages.front();
    PrintOptionsRecord expected = Settings().PrintOptions;
    if (!cancelSetup) expected.showFilePath = expected.fitToPage = 1;
    EXPECT_EQ(std::memcmp(&job.options, &expected, sizeof expected), 0);
    EXPECT_EQ(dialogFlags, cancelSetup ? 0 : DWORD(PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION));
  }

  // A file that cannot be read is reported, and no blank page comes out for it.
  Write(folder + "broken.bmp", "BM this is no bitmap");
  PrintJob job;
  job.instance = module;
  job.options = Settings().PrintOptions;
  job.showSetupDialog = false;
  answerDialog = true;
  EXPECT_FALSE(PrintFiles(job, {folder + "broken.bmp"}));
  EXPECT_EQ(messages, std::vector<std::string>{"Lumetta32: Could not read image:\nbroken.bmp"});
  EXPECT_EQ(GetFileAttributesA(Output().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is printed";
}

// The viewer's Print: its zoom as the scale, its visible part on offer; the choices and the zoom are kept.
TEST_F(Printing, FromTheViewerAtItsZoom) {
  ModuleInstance = module;
  TheSettings.SetDefaults();
  auto viewer = new lumetta::ViewerWindow((folder + kFotos + kPromocao).c_str());
  ASSERT_NE(viewer->Window(), nullptr);
  viewer->SetZoom(200);
  char title[MAX_PATH] = {};
  GetWindowTextA(viewer->Window(), title, MAX_PATH);
  EXPECT_STREQ(title, "promo\xE7\xE3o.bmp (200x100x16M bmp) - 200%");
  viewer->FitWindowToImage();
  RECT client{};
  GetClientRect(viewer->Window(), &client);
  ASSERT_TRUE(client.right >= 400 && client.bottom >= 200) << client.right << "x" << client.bottom;
  bool windowOffered = false;
  std::thread person = ActOnDialog(SetupCaption(module), [&](HWND dialog) {
    windowOffered = IsWindowEnabled(GetDlgItem(dialog, 103));
    SendDlgItemMessageA(dialog, 103, BM_CLICK, 0, 0);
    for (int id : {124, 126, 128}) SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  viewer->Print();
  person.join();
  EXPECT_TRUE(windowOffered);
  EXPECT_EQ(dialogOwner, viewer->Window());
  EXPECT_TRUE(IsWindowEnabled(viewer->Window())) << "the viewer is enabled again";
  EXPECT_EQ(TheSettings.PrintOptions.scale, 200);
  EXPECT_EQ(TheSettings.PrintOptions.windowContentOnly, 1);
  // The whole image is in view: all of it at 200 %, one half of each grey.
  const int x = (pageWidth - 2 * Printed(200)) / 2;
  Keep("viewer", "",
       Box(1, 64, x, 0, Printed(200), 2 * Printed(100)) +
           Box(1, 192, x + Printed(200), 0, Printed(200), 2 * Printed(100)));
  DestroyWindow(viewer->Window());
  ModuleInstance = nullptr;
}
