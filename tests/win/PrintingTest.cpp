// Printing images onto the PostScript printer the test installs in the prefix, through the setup dialog
// (answered as a person would), with the printer dialog and message boxes scripted. Each printed case
// leaves in lumetta-prints (beside this program) its PostScript, the text lines it must show (.txt,
// Windows-1252) and where each image must be on which page (.box, page pixels at the printer's
// resolution), which printed-images.py then checks with Ghostscript.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "ModuleState.h"
#include "Printing.h"
#include "Settings.h"
#include "TestPrinter_win.h"
#include "ViewerWindow.h"
#include "WindowHelpers.h"
#include "resource.h"

namespace {

const char kPrinter[] = "Lumetta Test Printer";

std::vector<std::string> messages;
int dialogsShown = 0;
DWORD dialogFlags = 0;
HWND dialogOwner = nullptr;
bool answerDialog = true;

int RecordMessage(HWND, const char* text, const char* caption, UINT) {
  messages.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

// The printer dialog, answered with the default printer (the test's) or cancelled.
BOOL AnswerPrintDialog(PRINTDLGA* dialog) {
  ++dialogsShown;
  dialogFlags = dialog->Flags;
  dialogOwner = dialog->hwndOwner;
  if (!answerDialog) return FALSE;
  dialog->Flags |= PD_RETURNDEFAULT;
  return PrintDlgA(dialog);
}

std::string Folder() {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  std::string folder = std::string(path) + "lumetta-print-test\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string Prints() { return BinFolder() + "..\\tests\\lumetta-prints\\"; }

void Write(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// A BMP of one grey, or of two halves (left `grey`, right `right`).
void WriteBmp(const std::string& path, int width, int height, int grey, int right = -1) {
  testimages::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixel = [=](int x, int) {
    uint32_t g = uint32_t(right >= 0 && x >= width / 2 ? right : grey);
    return g << 16 | g << 8 | g;
  };
  std::vector<uint8_t> bytes = testimages::BuildBmp(layout);
  Write(path, std::string(bytes.begin(), bytes.end()));
}

// Options with nothing but the scale: no text lines, the image at the top, one image per page off.
PrintOptionsRecord Plain(int scale) {
  PrintOptionsRecord options{};
  options.scale = scale;
  return options;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Acts on the first visible window of this process with the caption, from another thread, as a person
// would while the dialog runs its modal loop.
std::thread ActOnDialog(const char* caption, std::function<void(HWND)> action) {
  return std::thread([caption, action] {
    for (int tries = 0; tries < 500; ++tries) {
      HWND window = FindWindowA(nullptr, caption);
      DWORD pid = 0;
      if (window) GetWindowThreadProcessId(window, &pid);
      if (window && pid == GetCurrentProcessId() && IsWindowVisible(window)) {
        action(window);
        return;
      }
      Sleep(20);
    }
  });
}

// The printer's page as Ghostscript renders it at the printer's resolution.
struct Page {
  int offsetX, offsetY, width, height, dpiX, dpiY, screenDpi, lineHeight;
};

Page PrinterPage() {
  Page p{};
  HDC dc = CreateDCA("WINSPOOL", kPrinter, nullptr, nullptr);
  if (!dc) return p;
  p.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
  p.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  p.width = GetDeviceCaps(dc, HORZRES);
  p.height = GetDeviceCaps(dc, VERTRES);
  p.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  p.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  SIZE size{};
  GetTextExtentPoint32A(dc, "Xg", 2, &size);
  p.lineHeight = size.cy;
  DeleteDC(dc);
  HDC screen = GetDC(nullptr);
  p.screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return p;
}

class Printing : public testing::Test {
protected:
  static void SetUpTestSuite() {
    CreateDirectoryA(Prints().c_str(), nullptr);
    installed = testprinter::Install(kPrinter, BinFolder() + "..\\tests\\impressora-de-teste.ppd", Output());
  }
  static std::string Output() { return Prints() + "printed.ps"; }

  void SetUp() override {
    ASSERT_TRUE(installed) << GetLastError();
    messages.clear();
    dialogsShown = 0;
    answerDialog = true;
    SetMessageBoxFunction(&RecordMessage);
    SetPrintDialogFunction(&AnswerPrintDialog);
    // The dialog templates come from the built module, as in the extension.
    module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module, nullptr);
    folder = Folder();
    WriteBmp(folder + "a.bmp", 64, 48, 128);
    WriteBmp(folder + "b.bmp", 200, 100, 64, 192);
    WriteBmp(folder + "wide.bmp", 1200, 300, 128);
    WriteBmp(folder + "tall.bmp", 300, 1000, 128);
    Write(folder + "descript.ion", "a.bmp F\x82rias na praia\x04other data\r\nb.bmp Meio a meio\r\n");
    DeleteFileA(Output().c_str());
    page = PrinterPage();
  }
  void TearDown() override {
    SetMessageBoxFunction(nullptr);
    SetPrintDialogFunction(nullptr);
    if (module) FreeLibrary(module);
  }

  PrintJob Job() {
    PrintJob job;
    job.instance = module;
    Settings defaults;
    job.options = defaults.PrintOptions;
    job.showSetupDialog = false;
    return job;
  }
  // Keeps what was printed under the case's name, with the lines and boxes it must show.
  void Keep(const std::string& name, const std::string& lines, const std::string& boxes) {
    DeleteFileA((Prints() + name + ".ps").c_str());
    EXPECT_TRUE(MoveFileA(Output().c_str(), (Prints() + name + ".ps").c_str())) << name << ": nothing printed";
    Write(Prints() + name + ".txt", lines);
    char head[64];
    std::snprintf(head, sizeof head, "dpi %d %d\n", page.dpiX, page.dpiY);
    Write(Prints() + name + ".box", head + boxes);
  }
  // "box PAGE GREY X Y W H" in page pixels, from a position on the printable area.
  std::string Box(int pageNumber, int grey, int x, int y, int w, int h) {
    char line[96];
    std::snprintf(line, sizeof line, "box %d %d %d %d %d %d\n", pageNumber, grey, page.offsetX + x, page.offsetY + y, w,
                  h);
    return line;
  }
  // The screen's size of n image pixels at `scale` on the printer.
  int Printed(int n, int scale) { return n * scale / 100 * page.dpiX / page.screenDpi; }

  static inline bool installed = false;
  HMODULE module = nullptr;
  std::string folder;
  Page page{};
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
  const int line = 2 * page.lineHeight;
  const int w100 = Printed(64, 100), h100 = Printed(48, 100);
  const std::string folderNoSlash = folder.substr(0, folder.size() - 1);
  const Case cases[] = {
      {"default",
       {"a.bmp"},
       [](PrintJob&) {},
       // The label with the name replaces the name line; the description ends at code 4 (OEM é).
       "a.bmp (64x48x16M bmp)\r\nF\xE9rias na praia\r\n",
       [&] { return Box(1, 128, (page.width - w100) / 2, 2 * line, w100, h100); }},
      {"name-and-path",
       {"a.bmp"},
       [](PrintJob& job) {
         job.options.showImageInfo = 0;
         job.options.showDescription = 0;
         job.options.showFilePath = 1;
       },
       folder + "a.bmp\r\n",
       [&] { return Box(1, 128, (page.width - w100) / 2, line, w100, h100); }},
      {"window-part",
       {"b.bmp"},
       // The right half of b.bmp as a viewer at 200 % shows it, the window reaching past the image.
       [](PrintJob& job) {
         job.options = Plain(200);
         job.options.windowContentOnly = 1;
         job.windowRect = {200, 0, 450, 260};
       },
       "",
       [&] {
         const int w = Printed(200, 100);
         return Box(1, 192, (page.width - w) / 2, 0, w, w) + "absent 1 64\n";
       }},
      {"reduced-to-the-page",
       {"wide.bmp"},
       [](PrintJob& job) { job.options = Plain(100); },
       "",
       [&] { return Box(1, 128, 0, 0, page.width, 300 * page.width / 1200); }},
      {"fit-to-page-centred",
       {"a.bmp"},
       [](PrintJob& job) {
         job.options = Plain(100);
         job.options.fitToPage = 1;
         job.options.centerOnPage = 1;
       },
       "",
       [&] {
         const int h = 48 * page.width / 64;
         return Box(1, 128, 0, (page.height - h) / 2, page.width, h);
       }},
      {"shared-page",
       {"a.bmp", "b.bmp", "tall.bmp"},
       // Names only; a and b one below the other, tall.bmp (as high as a page) on the next.
       [](PrintJob& job) {
         job.options = Plain(100);
         job.options.showFileName = 1;
       },
       "a.bmp\r\nb.bmp\r\ntall.bmp\r\n",
       [&] {
         const int bw = Printed(200, 100), bh = Printed(100, 100);
         const int bTop = line + h100 + page.lineHeight + line;
         int tallWidth = Printed(300, 100), tallHeight = Printed(1000, 100);
         if (tallHeight > page.height - line) {
           tallWidth = 300 * (page.height - line) / 1000;
           tallHeight = page.height - line;
         }
         return Box(1, 128, (page.width - w100) / 2, line, w100, h100) +
                Box(1, 192, (page.width - bw) / 2 + bw / 2, bTop, bw - bw / 2, bh) +
                Box(2, 128, (page.width - tallWidth) / 2, line, tallWidth, tallHeight);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    PrintJob job = Job();
    c.options(job);
    std::vector<std::string> files;
    for (const char* f : c.files) files.push_back(folder + f);
    EXPECT_TRUE(PrintFiles(job, files));
    EXPECT_TRUE(messages.empty()) << messages.front();
    Keep(c.name, c.lines, c.boxes());
  }
}

TEST_F(Printing, CancelledDialogsPrintNothingAndOnlyTheSetupsOkKeepsItsChoices) {
  for (bool cancelSetup : {true, false}) {
    SCOPED_TRACE(cancelSetup ? "setup cancelled" : "printer dialog cancelled");
    PrintJob job = Job();
    job.showSetupDialog = true;
    answerDialog = false;
    const PrintOptionsRecord before = job.options;
    std::atomic<int> seen{-1};
    std::string caption;
    std::thread person = ActOnDialog("Lumetta32 Print Setup", [&](HWND dialog) {
      // The defaults, the window part unavailable outside the viewer, one image: no "one per page".
      int s = 0, bit = 1;
      for (int id : {104, 102, 124, 126, 128})
        s |= (IsDlgButtonChecked(dialog, id) == BST_CHECKED ? bit : 0), bit <<= 1;
      for (int id : {103, 104, 123}) s |= (IsWindowEnabled(GetDlgItem(dialog, id)) ? bit : 0), bit <<= 1;
      s |= (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) ? bit : 0;
      seen = s;
      SendDlgItemMessageA(dialog, 127, BM_CLICK, 0, 0);  // show the path
      SendDlgItemMessageA(dialog, 125, BM_CLICK, 0, 0);  // fit to page
      PostMessageA(dialog, WM_COMMAND, cancelSetup ? IDCANCEL : IDOK, 0);
    });
    EXPECT_FALSE(PrintFiles(job, {folder + "a.bmp"}));
    person.join();
    EXPECT_EQ(seen, 1 | 2 | 4 | 8 | 16 | 256) << "checked: entire, top, name, description, information; help";
    EXPECT_FALSE(Exists(Output())) << "nothing is printed";
    EXPECT_TRUE(messages.empty()) << messages.front();
    PrintOptionsRecord expected = before;
    if (!cancelSetup) expected.showFilePath = expected.fitToPage = 1;
    EXPECT_EQ(std::memcmp(&job.options, &expected, sizeof expected), 0);
    EXPECT_EQ(dialogsShown, cancelSetup ? 0 : 1);
    dialogsShown = 0;
  }
  EXPECT_EQ(dialogFlags & (PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION),
            DWORD(PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION));
}

// The viewer's Print: its zoom as the scale, its visible part on offer; the choices and the zoom are kept.
TEST_F(Printing, FromTheViewerAtItsZoom) {
  ModuleInstance = module;
  TheSettings.SetDefaults();
  auto viewer = new lumetta::ViewerWindow((folder + "b.bmp").c_str());
  ASSERT_NE(viewer->Window(), nullptr);
  viewer->SetZoom(200);
  viewer->FitWindowToImage();
  RECT client{};
  GetClientRect(viewer->Window(), &client);
  ASSERT_TRUE(client.right >= 400 && client.bottom >= 200) << client.right << "x" << client.bottom;
  bool windowOffered = false;
  std::thread person = ActOnDialog("Lumetta32 Print Setup", [&](HWND dialog) {
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
  // The whole image is in view: all of it at 200 %.
  const int w = Printed(400, 100), h = Printed(200, 100);
  Keep("viewer", "",
       Box(1, 192, (page.width - w) / 2 + w / 2, 0, w - w / 2, h) + Box(1, 64, (page.width - w) / 2, 0, w / 2, h));
  DestroyWindow(viewer->Window());
  ModuleInstance = nullptr;
}
