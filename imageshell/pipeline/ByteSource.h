#pragma once

// Reads an image's bytes from its source (ImageSource.h). Every position is checked against the source's length, so a
// hostile offset in a header fails with a seek error instead of reading past the data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pipeline/ImageSource.h"
#include "pipeline/OwnedHandles.h"
#include "pipeline/PlatformFiles.h"

namespace lumetta {

class ByteSource {
public:
  explicit ByteSource(ImageSource source);
  ~ByteSource();
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  // Each returns an error code (0 on success).
  int Open();
  int Read(void* buffer, uint32_t count, uint32_t* got);
  int Seek(int64_t offset, int origin, int64_t* newPosition);
  int Close();

  const ImageSource& source() const { return source_; }
  ImageSource::Kind kind() const { return source_.kind; }
  int64_t position() const { return position_; }
  int64_t length() const { return length_; }

private:
  int CheckedPosition(int64_t offset, int origin, int64_t* result) const;

  ImageSource source_;
  OwnedFile ownFile_;                // a path's file, opened here
  FileHandle file_ = kInvalidFile;   // the file read: ownFile_'s, or the caller's (never closed here)
  int64_t fileHandlePosition_ = -1;  // where the caller's handle is, when known
  const uint8_t* memory_ = nullptr;
  bool open_ = false;
  int64_t length_ = 0;
  int64_t position_ = 0;
};

}  // namespace lumetta
