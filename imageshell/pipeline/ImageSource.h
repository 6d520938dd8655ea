#pragma once

// Where an image's bytes are: a path, a range of a file the caller holds open, a memory block, or an
// RT_RCDATA resource of a module. One value carries it from ImageFile through detection and the decoder
// table to the decoder and its byte source, so no layer re-encodes it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pipeline/PlatformFiles.h"

namespace lumetta {

struct ImageSource {
  enum class Kind { None, Path, FileRange, Memory, Resource };

  static ImageSource Path(const char* path) {
    ImageSource source;
    source.kind = Kind::Path;
    source.path = path ? path : "";
    return source;
  }
  // A negative length reaches to the file's end.
  static ImageSource FileRange(FileHandle file, int64_t offset, int64_t length) {
    ImageSource source;
    source.kind = Kind::FileRange;
    source.file = file;
    source.offset = offset < 0 ? 0 : offset;
    source.length = length;
    return source;
  }
  // Not copied: the block must outlive every reader of it.
  static ImageSource Memory(const void* data, size_t length) {
    ImageSource source;
    source.kind = Kind::Memory;
    source.data = data;
    source.length = int64_t(length);
    return source;
  }
  static ImageSource Resource(ModuleHandle module, int resourceId) {
    ImageSource source;
    source.kind = Kind::Resource;
    source.module = module;
    source.resourceId = resourceId;
    return source;
  }

  Kind kind = Kind::None;
  std::string path;
  FileHandle file = kInvalidFile;
  int64_t offset = 0;
  int64_t length = -1;  // file range or memory block
  const void* data = nullptr;
  ModuleHandle module = nullptr;
  int resourceId = 0;
};

}  // namespace lumetta
