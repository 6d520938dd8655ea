#pragma once

// Where a decoder's bytes come from: a path, an open file handle with a start offset and a length, a
// memory block, or an RT_RCDATA resource. Every position is checked against the source's length, so a
// hostile offset in a header fails with a seek error instead of reading past the data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "PlatformFiles.h"

namespace lumetta {

class ByteSource {
public:
  enum class Kind { None = 0, Path = 1, FileHandle = 2, Memory = 3, Resource = 4 };

  ByteSource() = default;
  ~ByteSource();
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  void SetPath(const char* path);
  void SetFileHandle(FileHandle file, int64_t offset, int64_t length);  // a negative length: to the end
  void SetMemory(const void* data, size_t length);
  void SetResource(ModuleHandle module, int resourceId);

  // Each returns an error code (0 on success).
  int Open();
  int Read(void* buffer, uint32_t count, uint32_t* got);
  int Seek(int64_t offset, int origin, int64_t* newPosition);
  int Close();

  Kind kind() const { return kind_; }
  int64_t position() const { return position_; }
  int64_t length() const { return length_; }

private:
  int CheckedPosition(int64_t offset, int origin, int64_t* result) const;

  Kind kind_ = Kind::None;
  std::string path_;
  FileHandle file_ = kInvalidFile;      // the path's own handle, or the caller's
  bool ownsFile_ = false;
  int64_t fileHandlePosition_ = -1;     // where the caller's handle is, when known
  int64_t start_ = 0;
  int64_t requestedLength_ = -1;
  const uint8_t* memory_ = nullptr;
  ModuleHandle module_ = nullptr;
  int resourceId_ = 0;
  bool open_ = false;
  int64_t length_ = 0;
  int64_t position_ = 0;
};

}  // namespace lumetta
