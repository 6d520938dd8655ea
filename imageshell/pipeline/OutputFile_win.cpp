#include "pipeline/OutputFile.h"

#include <windows.h>

namespace lumetta {

bool OutputFile::Create(const char* target) {
  Abandon();
  if (!target || !*target) return false;
  target_ = target;
  companion_ = CompanionName(target);
  HANDLE file =
      CreateFileA(companion_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool OutputFile::Write(const void* data, size_t length) {
  if (!IsOpen()) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (length > 0) {
    DWORD chunk = length > 0x40000000 ? 0x40000000 : DWORD(length);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    length -= written;
  }
  return true;
}

bool OutputFile::Commit() {
  if (!IsOpen()) return false;
  bool closed = CloseHandle(reinterpret_cast<HANDLE>(handle_)) != 0;
  handle_ = kClosed;
  if (closed && MoveFileExA(companion_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(companion_.c_str());
  return false;
}

void OutputFile::Abandon() {
  if (!IsOpen()) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kClosed;
  DeleteFileA(companion_.c_str());
}

}  // namespace lumetta
