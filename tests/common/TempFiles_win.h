// Files the Windows tests make for the code under test: a folder of their own below the user's temporary
// folder, and whole files written in one call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testfiles {

// The temporary folder, or a folder of that name inside it (made when missing); ends with a backslash.
inline std::string TempFolder(const std::string& subfolder = "") {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  std::string folder = path;
  if (!subfolder.empty()) {
    folder += subfolder + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  return folder;
}

// Replaces the file with exactly these bytes; false when it cannot be written whole.
inline bool WriteWholeFile(const std::string& path, const void* bytes, size_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = WriteFile(file, bytes, DWORD(size), &written, nullptr) && written == size;
  CloseHandle(file);
  return whole;
}

template <typename Bytes>  // std::string or std::vector<uint8_t>
bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
  return WriteWholeFile(path, bytes.data(), bytes.size());
}

}  // namespace testfiles
