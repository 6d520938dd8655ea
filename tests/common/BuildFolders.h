#pragma once
// Where a Windows test finds what the build made: test programs run from build\<preset>\tests, the
// deliverables and tools are in build\<preset>\bin.
#include <windows.h>

#include <string>

inline std::string BinFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  s.resize(s.find_last_of('\\'));      // the tests folder
  s.resize(s.find_last_of('\\') + 1);  // the build folder
  return s + "bin\\";
}
