// mercanota.exe started and operated from outside, as a person would.
#include <gtest/gtest.h>

#include <string>

#include "UiDriver.h"

namespace {

std::string BinFolder() {
  std::string tests = uidriver::ExecutableFolder();  // ...\build\<preset>\tests\ .
  tests.pop_back();
  return tests.substr(0, tests.find_last_of('\\') + 1) + "bin\\";
}

}  // namespace

TEST(MercanotaStart, ShowsMainWindowAndExitsCleanlyWhenClosed) {
  uidriver::Program program;
  const std::string bin = BinFolder();
  ASSERT_TRUE(program.Start("\"" + bin + "mercanota.exe\"", bin)) << "CreateProcess error " << GetLastError();

  HWND main = uidriver::WaitTopWindow("Mercanota", 15000, program.Id());
  if (!main) program.Kill();
  ASSERT_NE(main, nullptr) << "no \"Mercanota\" window; visible windows:\n" << uidriver::DescribeTopWindows();

  ASSERT_TRUE(uidriver::RequestClose(main));
  DWORD exitCode = 1234;
  const bool ended = program.WaitExit(10000, &exitCode);
  if (!ended) program.Kill();
  ASSERT_TRUE(ended) << "mercanota.exe did not end after its window was closed";
  EXPECT_EQ(exitCode, 0u);
}
