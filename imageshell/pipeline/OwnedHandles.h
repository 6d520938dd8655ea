#pragma once

// Move-only owners of what the platform seam hands out: bitmaps, palettes and opened files. A bitmap's
// or palette's owner keeps the graphics that made its handle, so whoever holds it last deletes it the
// right way, and handing a bitmap from the decoder to a page is a move.
#include <utility>

#include "pipeline/PlatformFiles.h"
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

template <class Handle, void (PlatformGraphics::*Delete)(Handle)>
class OwnedHandle {
public:
  OwnedHandle() = default;
  OwnedHandle(PlatformGraphics& graphics, Handle handle) : graphics_(&graphics), handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept
      : graphics_(other.graphics_), handle_(std::exchange(other.handle_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      reset();
      graphics_ = other.graphics_;
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) (graphics_->*Delete)(handle_);
    handle_ = nullptr;
  }

private:
  PlatformGraphics* graphics_ = nullptr;
  Handle handle_ = nullptr;
};

using OwnedBitmap = OwnedHandle<BitmapHandle, &PlatformGraphics::DeleteBitmap>;
using OwnedPalette = OwnedHandle<PaletteHandle, &PlatformGraphics::DeletePalette>;

// A file this code opened, closed when its owner lets it go.
class OwnedFile {
public:
  OwnedFile() = default;
  explicit OwnedFile(FileHandle file) : file_(file) {}
  ~OwnedFile() { reset(); }
  OwnedFile(OwnedFile&& other) noexcept : file_(std::exchange(other.file_, kInvalidFile)) {}
  OwnedFile& operator=(OwnedFile&& other) noexcept {
    if (this != &other) {
      reset();
      file_ = std::exchange(other.file_, kInvalidFile);
    }
    return *this;
  }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;

  FileHandle get() const { return file_; }
  explicit operator bool() const { return file_ != kInvalidFile; }
  void reset() {
    if (file_ != kInvalidFile) CloseFile(file_);
    file_ = kInvalidFile;
  }

private:
  FileHandle file_ = kInvalidFile;
};

}  // namespace lumetta
