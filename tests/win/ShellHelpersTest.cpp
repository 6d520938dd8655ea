// Shortcuts, the progress dialog, window placement, folders and the resource byte source, through the
// real system calls.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"
#include "pipeline/PathHelpers.h"
#include "shell/ProgressDialog.h"
#include "pipeline/Shortcut.h"
#include "ShellLinks_win.h"
#include "TempFiles_win.h"
#include "shell/WindowHelpers.h"
#include "BuildFolders.h"

using namespace lumetta;

namespace {

// A real shortcut, with COM initialised for it on this thread.
bool MakeShortcut(const std::string& linkPath, const std::string& target) {
  CoInitialize(nullptr);
  bool ok = testimages::MakeShortcut(linkPath, target);
  CoUninitialize();
  return ok;
}

// Pumps the progress dialog's messages for a while, as a long operation does between its slices.
void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    ProgressDialog::PumpMessages();
    Sleep(10);
  }
}

}  // namespace

TEST(ResolveShortcut, ReadsTheTargetOfARealLinkAndImagesFollowIt) {
  std::string folder = testfiles::TempFolder();
  std::string target = folder + "lumetta-link-target.bmp";
  testimages::BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  layout.bits = 24;
  layout.pixel = [](int x, int) { return uint32_t(x) * 0x404040u; };
  ASSERT_TRUE(testfiles::WriteWholeFile(target, testimages::BuildBmp(layout)));
  std::string link = folder + "lumetta-link.lnk";
  ASSERT_TRUE(MakeShortcut(link, target));

  char resolved[MAX_PATH + 1] = "junk";
  EXPECT_EQ(ResolveShortcut(nullptr, link.c_str(), resolved, 0, false), S_OK);
  EXPECT_EQ(lstrcmpiA(resolved, target.c_str()), 0) << resolved;

  EXPECT_TRUE(IsImageFileName(link.c_str()));
  ImageFile image(link.c_str());
  EXPECT_EQ(image.GetKind(), ImageKind::Bmp);
  EXPECT_TRUE(image.Decode(DecodeRequest{}));
  char label[300];
  FormatImageLabel(label, sizeof label, nullptr, image.GetKind(), image.GetWidth(), image.GetHeight(),
                   image.GetBitsPerPixel(), true, false);
  EXPECT_STREQ(label, "(3x2x16M bmp)");

  // A file that is no shortcut: the failure comes back and the target stays empty.
  std::strcpy(resolved, "junk");
  EXPECT_TRUE(FAILED(ResolveShortcut(nullptr, target.c_str(), resolved, 0, false)));
  EXPECT_STREQ(resolved, "");
  DeleteFileA(link.c_str());
  DeleteFileA(target.c_str());
}

TEST(ProgressDialog, StaysHiddenDuringItsDelayAndCancelIsNoted) {
  HMODULE module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
  ASSERT_NE(module, nullptr);
  HWND dialog = ProgressDialog::Create(module, nullptr, "Working", 500);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(CancelRequested);
  PumpFor(200);
  EXPECT_FALSE(IsWindowVisible(dialog)) << "an operation shorter than the delay never shows it";
  PumpFor(1000);
  EXPECT_TRUE(IsWindowVisible(dialog));
  char text[100] = {};
  GetDlgItemTextA(dialog, 113, text, sizeof text);
  EXPECT_STREQ(text, "Working");
  EXPECT_EQ(SendDlgItemMessageA(dialog, 130, PBM_GETRANGE, FALSE, 0), 10000);
  ProgressDialog::SetProgress(2500);
  EXPECT_EQ(SendDlgItemMessageA(dialog, 130, PBM_GETPOS, 0, 0), 2500);

  PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  PumpFor(200);
  EXPECT_TRUE(CancelRequested);
  ProgressDialog::Destroy();
  EXPECT_FALSE(IsWindow(dialog));

  // A new dialog clears the flag again; without a delay it shows at once.
  dialog = ProgressDialog::Create(module, nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(CancelRequested);
  EXPECT_TRUE(IsWindowVisible(dialog));
  ProgressDialog::Destroy();
  FreeLibrary(module);
}

TEST(WindowHelpers, CenterWindowKeepsAWindowLargerThanTheScreenAtTheOrigin) {
  HWND big = CreateWindowExA(0, "STATIC", "", WS_POPUP, 50, 50, GetSystemMetrics(SM_CXSCREEN) + 500,
                             GetSystemMetrics(SM_CYSCREEN) + 500, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(big, nullptr);
  CenterWindow(big, nullptr);
  RECT r;
  GetWindowRect(big, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  DestroyWindow(big);

  HWND small = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
  CenterWindow(small, nullptr);
  GetWindowRect(small, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 50);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 25);
  DestroyWindow(small);
}

TEST(PathHelpers, FolderOfPathUsesTheSystemsFullPath) {
  char folder[kPathBufferSize];
  ASSERT_NE(FolderOfPath("C:\\a.bmp", folder), nullptr);
  EXPECT_STREQ(folder, "C:\\");
  ASSERT_NE(FolderOfPath("C:\\windows\\x\\..\\a.bmp", folder), nullptr);
  EXPECT_STREQ(folder, "C:\\windows");
}

TEST(ResourceSource, DecodesAnRcDataResource) {
  MemoryGraphics graphics(24);
  ModuleHandle self = reinterpret_cast<ModuleHandle>(GetModuleHandleA(nullptr));
  ImageFile image(self, 101);
  image.SetGraphics(graphics);
  ASSERT_EQ(image.GetKind(), ImageKind::Bmp);
  EXPECT_EQ(image.GetPath(), nullptr);
  ASSERT_TRUE(image.Decode(DecodeRequest{})) << image.GetLastError();
  BitmapPixels pixels;
  ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
  std::vector<uint8_t> rgb = PixelsToRgb(pixels);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0}));

  ImageFile missing(self, 999);
  EXPECT_EQ(missing.GetKind(), ImageKind::Unknown);
  EXPECT_FALSE(missing.Decode(DecodeRequest{}));
}
