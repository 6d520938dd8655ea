#pragma once

// The few file-system services the image model needs, with a Windows and a POSIX implementation.
#include <cstddef>
#include <cstdint>

namespace lumetta {

using FileHandle = std::intptr_t;  // a HANDLE on Windows, a descriptor elsewhere
constexpr FileHandle kInvalidFile = -1;

struct ModuleObject;
using ModuleHandle = ModuleObject*;  // HMODULE on Windows

// Opens a file for reading without denying others any access. kInvalidFile on failure.
FileHandle OpenFileForReading(const char* path);
// Reads up to `count` bytes; false when the read itself fails. `got` receives the bytes read.
bool ReadFromFile(FileHandle file, void* buffer, uint32_t count, uint32_t* got);
// origin 0 from the start, 1 from the current position, 2 from the end.
bool SeekFile(FileHandle file, int64_t offset, int origin, int64_t* newPosition);
// The file's size, or -1.
int64_t FileSizeOf(FileHandle file);
void CloseFile(FileHandle file);
// True when the path's attributes can be read (the file exists).
bool FileAttributesReadable(const char* path);

// The data of an RT_RCDATA resource of a module. Always false on the host.
bool LockDataResource(ModuleHandle module, int resourceId, const uint8_t** data, uint32_t* size);

// The target path stored in a shortcut file (empty when none, and always on the host).
void FollowShortcut(const char* linkPath, char* target, size_t targetSize);

// The file's title as the file manager shows it (hidden known extensions included), else its name.
void DisplayFileTitle(const char* path, char* title, size_t titleSize);

// Milliseconds from an arbitrary start, for elapsed times.
uint32_t TickCountMs();

}  // namespace lumetta
