#include "pipeline/PlatformFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "pipeline/PathHelpers.h"

namespace lumetta {

namespace {

// Appends text to a kPathBufferSize buffer holding `length` characters; cuts what does not fit.
size_t AppendPath(char* out, size_t length, const char* text) {
  while (*text && length + 1 < kPathBufferSize) out[length++] = *text++;
  out[length] = '\0';
  return length;
}

}  // namespace

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

// The host has no drives: a path that starts with a drive, a separator or a share is already full;
// others are taken relative to the working folder. Both separators count.
char* FullPathWithFilePart(const char* path, char* out, char** filePart) {
  size_t length = 0;
  out[0] = '\0';
  bool absolute = path[0] == '/' || path[0] == '\\' || (path[0] && path[1] == ':');
  if (!absolute) {
    char cwd[kPathBufferSize];
    if (!getcwd(cwd, sizeof cwd)) return nullptr;
    length = AppendPath(out, 0, cwd);
    length = AppendPath(out, length, "/");
  }
  length = AppendPath(out, length, path);
  char* lastSeparator = nullptr;
  for (char* p = out; *p; ++p)
    if (*p == '/' || *p == '\\' || *p == ':') lastSeparator = p;
  *filePart = lastSeparator && lastSeparator[1] ? lastSeparator + 1 : nullptr;
  return out;
}

uint32_t TickCountMs() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace lumetta
