// mercanota.exe started and operated from outside, as a person would.
#include <gtest/gtest.h>

#include <string>

#include "UiDriver.h"
#include "BuildFolders.h"

namespace {

const char kSplash[] = "Abertura do Mercanota";
const char kPrincipal[] = "Mercanota";

TEST(MercanotaStart, SplashThenMainWindowWhichEndsWithoutQuestionWhenClosed) {
  uidriver::Program program;
  const std::string bin = BinFolder();
  ASSERT_TRUE(program.Start("\"" + bin + "mercanota.exe\"", bin)) << "CreateProcess error " << GetLastError();
  const DWORD pid = program.Id();

  HWND splash = uidriver::WaitTopWindow(kSplash, 15000, pid);
  ASSERT_NE(splash, nullptr) << "no splash window; visible windows:\n" << uidriver::DescribeTopWindows();
  // Shown first, then made topmost once its sound has started.
  bool topmost = false;
  for (int i = 0; i < 100 && !topmost; ++i, Sleep(20)) topmost = GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST;
  EXPECT_TRUE(topmost);

  // Two seconds later the main window comes, disabled, behind the splash.
  HWND main = uidriver::WaitTopWindow(kPrincipal, 10000, pid);
  ASSERT_NE(main, nullptr) << "no main window; visible windows:\n" << uidriver::DescribeTopWindows();
  EXPECT_FALSE(IsWindowEnabled(main)) << "the main window takes no input while the splash is up";
  EXPECT_NE(uidriver::FindTopWindow(kSplash, pid), nullptr);

  // Two seconds more and the program is ready.
  ASSERT_TRUE(uidriver::WaitTopWindowGone(kSplash, 10000, pid));
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_NE(uidriver::FindControl(main, "#101"), nullptr) << uidriver::DescribeControls(main);

  // The close box ends the program at once, without the exit question.
  ASSERT_TRUE(uidriver::RequestClose(main));
  DWORD exitCode = 1234;
  const bool ended = program.WaitExit(10000, &exitCode);
  if (!ended) {
    uidriver::MessageBoxInfo box;
    ASSERT_TRUE(ended) << (uidriver::WaitMessageBox(&box, 0, pid) ? "a message box is open: " + box.text
                                                                  : "mercanota.exe did not end");
  }
  EXPECT_EQ(exitCode, 0u);
}

// A program folder of its own holding the program and its sound, but no catalogue.
class FolderWithoutCatalogue {
public:
  FolderWithoutCatalogue() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "mercanota-sem-catalogo-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const char* file : {"mercanota.exe", "10_24.wav"}) {
      CopyFileA((BinFolder() + file).c_str(), (folder_ + file).c_str(), FALSE);
    }
  }
  ~FolderWithoutCatalogue() {
    for (const char* file : {"mercanota.exe", "10_24.wav", "Registro.mdb"}) DeleteFileA((folder_ + file).c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  const std::string& Path() const { return folder_; }

private:
  std::string folder_;
};

TEST(MercanotaStart, WithoutTheCatalogueSaysSoAndEnds) {
  FolderWithoutCatalogue folder;
  uidriver::Program program;
  ASSERT_TRUE(program.Start("\"" + folder.Path() + "mercanota.exe\"", folder.Path()));
  const DWORD pid = program.Id();

  uidriver::MessageBoxInfo box;
  ASSERT_TRUE(uidriver::WaitMessageBox(&box, 15000, pid)) << uidriver::DescribeTopWindows();
  EXPECT_EQ(box.title, "Erro:");
  EXPECT_EQ(box.text,
            "N\xE3o foi poss\xEDvel iniciar o Banco de Dados do Aplicativo. Consulte a ajuda para tentar resolver este "
            "problema.");
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(uidriver::FindTopWindow(kPrincipal, pid), nullptr);

  ASSERT_TRUE(uidriver::AnswerMessageBox(box, "OK"));
  DWORD exitCode = 0;
  ASSERT_TRUE(program.WaitExit(10000, &exitCode)) << "mercanota.exe did not end";
  EXPECT_NE(exitCode, 0u);
  // Opening never creates the catalogue.
  EXPECT_EQ(GetFileAttributesA((folder.Path() + "Registro.mdb").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
