#include "PlatformFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "PathHelpers.h"

namespace lumetta {

FileHandle OpenFileForReading(const char* path) {
  if (!path) return kInvalidFile;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kInvalidFile;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return kInvalidFile;
  }
  return fd;
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t* got) {
  if (got) *got = 0;
  uint32_t total = 0;
  while (total < count) {
    ssize_t n = ::read(int(file), static_cast<char*>(buffer) + total, count - total);
    if (n < 0) return false;
    if (n == 0) break;
    total += uint32_t(n);
  }
  if (got) *got = total;
  return true;
}

bool SeekFile(FileHandle file, int64_t offset, int origin, int64_t* newPosition) {
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(int(file), off_t(offset), whence);
  if (result < 0) return false;
  if (newPosition) *newPosition = result;
  return true;
}

int64_t FileSizeOf(FileHandle file) {
  struct stat info;
  return fstat(int(file), &info) == 0 ? int64_t(info.st_size) : -1;
}

void CloseFile(FileHandle file) {
  if (file != kInvalidFile) ::close(int(file));
}

bool FileAttributesReadable(const char* path) {
  struct stat info;
  return path && ::stat(path, &info) == 0;
}

bool LockDataResource(ModuleHandle, int, const uint8_t**, uint32_t*) { return false; }

void FollowShortcut(const char*, char* target, size_t targetSize) {
  if (target && targetSize) target[0] = '\0';
}

void DisplayFileTitle(const char* path, char* title, size_t titleSize) {
  if (!title || !titleSize) return;
  // The host's folders are separated by "/", Windows paths by "\\": either ends the folder part.
  const char* name = path ? FileNamePart(path) : "";
  if (const char* slash = std::strrchr(name, '/')) name = slash + 1;
  std::strncpy(title, name, titleSize - 1);
  title[titleSize - 1] = '\0';
}

uint32_t TickCountMs() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace lumetta
