#include "pipeline/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace lumetta {

bool OutputFile::Create(const char* target) {
  Abandon();
  if (!target || !*target) return false;
  target_ = target;
  companion_ = CompanionName(target);
  int fd = ::open(companion_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool OutputFile::Write(const void* data, size_t length) {
  if (!IsOpen()) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (length > 0) {
    ssize_t written = ::write(int(handle_), bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    length -= size_t(written);
  }
  return true;
}

bool OutputFile::Commit() {
  if (!IsOpen()) return false;
  bool closed = ::close(int(handle_)) == 0;
  handle_ = kClosed;
  if (closed && std::rename(companion_.c_str(), target_.c_str()) == 0) return true;
  ::unlink(companion_.c_str());
  return false;
}

void OutputFile::Abandon() {
  if (!IsOpen()) return;
  ::close(int(handle_));
  handle_ = kClosed;
  ::unlink(companion_.c_str());
}

}  // namespace lumetta
