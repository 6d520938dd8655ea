#include "PathHelpers.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Appends text to a kPathBufferSize buffer holding `length` characters; cuts what does not fit.
size_t Append(char* out, size_t length, const char* text) {
  while (*text && length + 1 < kPathBufferSize) out[length++] = *text++;
  out[length] = '\0';
  return length;
}

#ifdef _WIN32
char* FullPathWithFilePart(const char* path, char* out, char** filePart) {
  DWORD n = GetFullPathNameA(path, 256, out, filePart);
  if (n == 0 || n >= 256) return nullptr;
  return out;
}
#else
// The host has no drives: a path that starts with a drive, a separator or a share is already full;
// others are taken relative to the working folder. Both separators count.
char* FullPathWithFilePart(const char* path, char* out, char** filePart) {
  size_t length = 0;
  out[0] = '\0';
  bool absolute = path[0] == '/' || path[0] == '\\' || (path[0] && path[1] == ':');
  if (!absolute) {
    char cwd[kPathBufferSize];
    if (!getcwd(cwd, sizeof cwd)) return nullptr;
    length = Append(out, 0, cwd);
    length = Append(out, length, "/");
  }
  length = Append(out, length, path);
  char* lastSeparator = nullptr;
  for (char* p = out; *p; ++p)
    if (*p == '/' || *p == '\\' || *p == ':') lastSeparator = p;
  *filePart = lastSeparator && lastSeparator[1] ? lastSeparator + 1 : nullptr;
  return out;
}
#endif

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
  char* dot = std::strrchr(out, '.');
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
