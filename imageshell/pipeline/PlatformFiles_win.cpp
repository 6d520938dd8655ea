#include "pipeline/PlatformFiles.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "pipeline/PathHelpers.h"
#include "pipeline/Shortcut.h"

namespace lumetta {

FileHandle OpenFileForReading(const char* path) {
  if (!path) return kInvalidFile;
  // Shared read as OF_SHARE_DENY_NONE: the file manager or an editor may hold the image open.
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return file == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(file);
}

bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t* got) {
  DWORD read = 0;
  BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), buffer, count, &read, nullptr);
  if (got) *got = ok ? read : 0;
  return ok != FALSE;
}

bool SeekFile(FileHandle file, int64_t offset, int origin, int64_t* newPosition) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(file), distance, &result, method)) return false;
  if (newPosition) *newPosition = result.QuadPart;
  return true;
}

int64_t FileSizeOf(FileHandle file) {
  LARGE_INTEGER size;
  return GetFileSizeEx(reinterpret_cast<HANDLE>(file), &size) ? size.QuadPart : -1;
}

void CloseFile(FileHandle file) {
  if (file != kInvalidFile) CloseHandle(reinterpret_cast<HANDLE>(file));
}

bool FileAttributesReadable(const char* path) { return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool LockDataResource(ModuleHandle module, int resourceId, const uint8_t** data, uint32_t* size) {
  HMODULE handle = reinterpret_cast<HMODULE>(module);
  HRSRC found = FindResourceA(handle, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(handle, found);
  if (!loaded) return false;
  const void* bytes = LockResource(loaded);
  if (!bytes) return false;
  *data = static_cast<const uint8_t*>(bytes);
  *size = SizeofResource(handle, found);
  return true;
}

void FollowShortcut(const char* linkPath, char* target, size_t targetSize) {
  if (!target || !targetSize) return;
  target[0] = '\0';
  char resolved[MAX_PATH + 1] = {};
  ResolveShortcut(nullptr, linkPath, resolved, 0, false);
  std::strncpy(target, resolved, targetSize - 1);
  target[targetSize - 1] = '\0';
}

void DisplayFileTitle(const char* path, char* title, size_t titleSize) {
  if (!title || !titleSize) return;
  title[0] = '\0';
  if (!path) return;
  WORD size = WORD(titleSize > 0xFFFF ? 0xFFFF : titleSize);
  if (GetFileTitleA(path, title, size) != 0) {
    std::strncpy(title, FileNamePart(path), titleSize - 1);
    title[titleSize - 1] = '\0';
  }
}

char* FullPathWithFilePart(const char* path, char* out, char** filePart) {
  DWORD n = GetFullPathNameA(path, 256, out, filePart);
  if (n == 0 || n >= 256) return nullptr;
  return out;
}

uint32_t TickCountMs() { return GetTickCount(); }

}  // namespace lumetta
