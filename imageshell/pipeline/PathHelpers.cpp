#include "PathHelpers.h"

#include <cstring>

#include "PlatformFiles.h"

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
