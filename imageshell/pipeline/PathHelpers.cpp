#include "pipeline/PathHelpers.h"

#include <cstring>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "pipeline/PlatformFiles.h"

using lumetta::FullPathWithFilePart;

namespace {

// Appends text to a kPathBufferSize buffer holding `length` characters; cuts what does not fit.
size_t Append(char* out, size_t length, const char* text) {
  while (*text && length + 1 < kPathBufferSize) out[length++] = *text++;
  out[length] = '\0';
  return length;
}

}  // namespace

void JoinPath(char* out, const char* folder, const char* name) {
  char joined[kPathBufferSize];
  size_t length = Append(joined, 0, folder ? folder : "");
  bool hasName = name && *name;
  if (length > 0 && joined[length - 1] != '\\' && hasName) length = Append(joined, length, "\\");
  Append(joined, length, hasName ? name : "");
  std::memcpy(out, joined, std::strlen(joined) + 1);
}

void ReplaceExtension(const char* path, const char* extension, char* out) {
  if (out != path) {
    size_t length = Append(out, 0, path);
    (void)length;
  }
  // Only the file name's own dot counts: "C:\\a.b\\img" has no extension.
  char* dot = std::strrchr(const_cast<char*>(FileNamePart(out)), '.');
  if (!extension) {
    if (dot) *dot = '\0';
    return;
  }
  size_t length = dot ? size_t(dot - out) : std::strlen(out);
  out[length] = '\0';
  length = Append(out, length, ".");
  Append(out, length, extension);
}

char* FolderOfPath(const char* path, char* out) {
  char* filePart = nullptr;
  if (!path || !FullPathWithFilePart(path, out, &filePart) || !filePart) return nullptr;
  *filePart = '\0';
  size_t length = std::strlen(out);
  if (length > 1 && (out[length - 1] == '\\' || out[length - 1] == '/') && out[length - 2] != ':')
    out[length - 1] = '\0';
  return out;
}

const char* FileNamePart(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  if (backslash) return backslash + 1;
  const char* colon = std::strrchr(path, ':');
  return colon ? colon + 1 : path;
}

namespace {

bool ReadableFileExists(const char* path) {
#ifdef _WIN32
  return _access(path, 4) == 0;
#else
  return access(path, R_OK) == 0;
#endif
}

}  // namespace

void MakeUniqueFileName(const char* path, char* out) {
  char work[kPathBufferSize];
  std::snprintf(work, sizeof work, "%s", path);
  size_t folderLength = size_t(FileNamePart(work) - work);
  char name[kPathBufferSize];
  std::snprintf(name, sizeof name, "%s", work + folderLength);
  const char* dot = std::strrchr(name, '.');
  char extension[kPathBufferSize];
  std::snprintf(extension, sizeof extension, "%s", dot ? dot : "");

  while (ReadableFileExists(work)) {
    char* end = std::strrchr(name, '.');
    if (!end) end = name + std::strlen(name);
    char* digits = end;
    while (digits > name && digits[-1] >= '0' && digits[-1] <= '9') --digits;
    long long n = 1;
    if (digits > name && digits[-1] == '_') {
      n = 0;
      // Ten digits already pass any count that could be reached by trying names one by one.
      for (const char* d = digits; d < end && n < 1000000000; ++d) n = n * 10 + (*d - '0');
      digits[-1] = '\0';
    } else {
      *end = '\0';
    }
    char next[kPathBufferSize];
    int length = std::snprintf(next, sizeof next, "%s_%lld%s", name, n + 1, extension);
    // A name cut by the buffer would be tried again and again: stop at the last whole one.
    if (length < 0 || folderLength + size_t(length) + 1 > kPathBufferSize) break;
    std::memcpy(name, next, size_t(length) + 1);
    std::memcpy(work + folderLength, name, size_t(length) + 1);
  }
  std::memcpy(out, work, std::strlen(work) + 1);
}

bool UnquoteArgument(const char* argument, char* out) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const char* begin = argument;
  const char* end = argument + std::strlen(argument);
  while (begin < end && blank(*begin)) ++begin;
  while (end > begin && blank(end[-1])) --end;
  if (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
    ++begin;
    --end;
  } else if (end - begin >= 1 && *begin == '"') {
    ++begin;  // an opening quote that was never closed
  }
  const size_t length = size_t(end - begin);
  out[0] = '\0';
  if (length >= kPathBufferSize) return false;
  std::memcpy(out, begin, length);
  out[length] = '\0';
  return true;
}
