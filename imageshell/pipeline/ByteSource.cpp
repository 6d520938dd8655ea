#include "pipeline/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pipeline/ImageModel.h"

namespace lumetta {

ByteSource::ByteSource(ImageSource source) : source_(std::move(source)) {
  if (source_.kind == ImageSource::Kind::FileRange) file_ = source_.file;
  if (source_.kind == ImageSource::Kind::Memory) memory_ = static_cast<const uint8_t*>(source_.data);
}

ByteSource::~ByteSource() { Close(); }

int ByteSource::Open() {
  position_ = 0;
  switch (source_.kind) {
    case ImageSource::Kind::Path: {
      ownFile_ = OwnedFile(OpenFileForReading(source_.path.c_str()));
      file_ = ownFile_.get();
      if (!ownFile_) return kErrOpen;
      length_ = FileSizeOf(file_);
      if (length_ < 0) return kErrOpen;
      break;
    }
    case ImageSource::Kind::FileRange: {
      if (file_ == kInvalidFile) return kErrOpen;
      int64_t size = FileSizeOf(file_);
      int64_t available = size < 0 ? -1 : std::max<int64_t>(0, size - source_.offset);
      length_ = source_.length >= 0 ? source_.length : available;
      if (length_ < 0) return kErrOpen;
      if (!SeekFile(file_, source_.offset, 0, nullptr)) return kErrSeek;
      fileHandlePosition_ = 0;
      break;
    }
    case ImageSource::Kind::Memory:
      if (!memory_ && source_.length > 0) return kErrOpen;
      length_ = source_.length;
      break;
    case ImageSource::Kind::Resource: {
      const uint8_t* data = nullptr;
      uint32_t size = 0;
      if (!LockDataResource(source_.module, source_.resourceId, &data, &size)) return kErrOpen;
      memory_ = data;
      length_ = size;
      break;
    }
    default: return kErrInvalidState;
  }
  open_ = true;
  return kErrNone;
}

int ByteSource::Read(void* buffer, uint32_t count, uint32_t* got) {
  if (got) *got = 0;
  if (!open_) return kErrInvalidState;
  if (count == 0) return kErrNone;
  int64_t left = std::max<int64_t>(0, length_ - position_);
  uint32_t wanted = uint32_t(std::min<int64_t>(count, left));
  switch (source_.kind) {
    case ImageSource::Kind::Path: {
      uint32_t read = 0;
      if (!ReadFromFile(file_, buffer, count, &read)) return kErrRead;
      position_ += read;
      if (got) *got = read;
      return read < count ? kErrEndOfData : kErrNone;
    }
    case ImageSource::Kind::FileRange: {
      if (fileHandlePosition_ != position_) {
        if (!SeekFile(file_, source_.offset + position_, 0, nullptr)) return kErrSeek;
        fileHandlePosition_ = position_;
      }
      uint32_t read = 0;
      if (wanted > 0 && !ReadFromFile(file_, buffer, wanted, &read)) {
        fileHandlePosition_ = -1;
        return kErrRead;
      }
      position_ += read;
      fileHandlePosition_ = position_;
      if (got) *got = read;
      return read < count ? kErrEndOfData : kErrNone;
    }
    case ImageSource::Kind::Memory:
    case ImageSource::Kind::Resource:
      if (wanted > 0) std::memcpy(buffer, memory_ + position_, wanted);
      position_ += wanted;
      if (got) *got = wanted;
      return wanted < count ? kErrEndOfData : kErrNone;
    default: return kErrInvalidState;
  }
}

// Positions stay inside the source or at its end: 0 .. length from every origin (from the end only
// backwards; 0 gives the length itself, which is where a size query lands).
int ByteSource::CheckedPosition(int64_t offset, int origin, int64_t* result) const {
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1:
      if ((offset > 0 && position_ > INT64_MAX - offset) || (offset < 0 && position_ < INT64_MIN - offset))
        return kErrSeek;
      target = position_ + offset;
      break;
    case 2:
      if (offset > 0 || offset < -length_) return kErrSeek;
      *result = length_ + offset;
      return kErrNone;
    default: return kErrSeek;
  }
  if (target < 0 || target > length_) return kErrSeek;
  *result = target;
  return kErrNone;
}

int ByteSource::Seek(int64_t offset, int origin, int64_t* newPosition) {
  if (!open_) return kErrInvalidState;
  int64_t target = 0;
  if (int error = CheckedPosition(offset, origin, &target)) return error;
  if (source_.kind == ImageSource::Kind::Path || source_.kind == ImageSource::Kind::FileRange) {
    if (!SeekFile(file_, source_.offset + target, 0, nullptr)) return kErrSeek;
    if (source_.kind == ImageSource::Kind::FileRange) fileHandlePosition_ = target;
  }
  position_ = target;
  if (newPosition) *newPosition = target;
  return kErrNone;
}

int ByteSource::Close() {
  if (source_.kind == ImageSource::Kind::Path) {
    ownFile_.reset();
    file_ = kInvalidFile;
  }
  if (source_.kind == ImageSource::Kind::Resource) memory_ = nullptr;
  position_ = 0;
  fileHandlePosition_ = -1;
  open_ = false;
  return kErrNone;
}

}  // namespace lumetta
