// lumetta-menu.exe playing the file manager against the registered lumetta32.dll: the class created
// through COM from the registry, the menu built for real files, the module free to unload afterwards.
// Every hostile file of tests/crashers goes through the same path: none may take the host down.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "BuildFolders.h"

namespace {

struct MenuRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// Runs lumetta-menu.exe with `arguments` and collects what it prints.
MenuRun RunMenu(const std::string& arguments) {
  MenuRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + BinFolder() + "lumetta-menu.exe\" " + arguments;
  BOOL started =
      CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return run;
  }
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, 60000);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return run;
}

std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + name;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

std::string Lines(const std::vector<const char*>& lines) {
  std::string out;
  for (const char* line : lines) out += std::string(line) + "\r\n";
  return out;
}

}  // namespace

TEST(LumettaMenu, ListsTheMenuOfAnImageAndNothingForAText) {
  testimages::BmpLayout photo;
  photo.width = 150;
  photo.height = 100;
  photo.pixel = [](int x, int y) { return uint32_t(x) << 16 | uint32_t(y * 2) << 8 | 0x80; };
  const std::string photoPath = Write("lumetta-menu photo.bmp", testimages::BuildBmp(photo));
  const std::string textPath = Write("lumetta-menu-notes.txt", {'t', 'e', 'x', 't'});

  // 150 x 100 fits the 100 x 100 box as 100 x 67; the owner-drawn item is 12 pixels larger each way.
  MenuRun run = RunMenu("--list \"" + photoPath + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_EQ(run.output, Lines({"identifiers 11",
                               "0 0 separator ",
                               "1 1 owner-drawn ",
                               "2 - submenu 150x100x16M bmp",
                               "  0 1 text &View",
                               "  1 2 text &Print",
                               "  2 0 separator ",
                               "  3 3 text &Tiled wallpaper",
                               "  4 4 text &Centered wallpaper",
                               "  5 5 text &Restore wallpaper",
                               "  6 0 separator ",
                               "  7 7 text Convert to &JPEG",
                               "  8 0 separator ",
                               "  9 8 text &Options",
                               "  10 0 separator ",
                               "  11 9 text &About Lumetta32...",
                               "  12 10 text Help",
                               "3 0 separator ",
                               "measure 1 112x79",
                               "unload yes"}));

  run = RunMenu("--list " + textPath);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.output, Lines({"identifiers 11", "unload yes"}));

  DeleteFileA(photoPath.c_str());
  DeleteFileA(textPath.c_str());
}

TEST(LumettaMenu, NoHostileFileTakesTheHostDown) {
  WIN32_FIND_DATAA found;
  const std::string folder = CRASHERS_DIR "\\";
  HANDLE search = FindFirstFileA((folder + "*.bmp").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE) << folder;
  int files = 0;
  do {
    ++files;
    MenuRun run = RunMenu("--list \"" + folder + found.cFileName + "\"");
    EXPECT_EQ(run.exitCode, 0u) << found.cFileName << "\n" << run.output;
    EXPECT_NE(run.output.find("identifiers 11"), std::string::npos) << found.cFileName;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  EXPECT_GT(files, 20);
}
