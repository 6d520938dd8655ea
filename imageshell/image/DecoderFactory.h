#pragma once

// The decoder factory: one entry per format that has a decoder. A format added later needs one line in
// the table of DecoderFactory.cpp (and kinds without an entry answer error 100).
#include <cstddef>
#include <cstdint>
#include <new>

#include "ImageDecoder.h"
#include "ImageModel.h"
#include "PlatformFiles.h"

namespace lumetta {

struct DecoderSource {
  enum class Kind { Path, Resource, FileHandle, Memory } kind = Kind::Memory;
  const char* path = nullptr;
  ModuleHandle module = nullptr;
  int resourceId = 0;
  FileHandle file = kInvalidFile;
  int64_t offset = 0;
  int64_t length = -1;
  const void* memory = nullptr;
  size_t memoryLength = 0;
};

using DecoderMaker = ImageDecoder* (*)(const DecoderSource& source);

// A decoder of class Decoder on the source, through the constructor for that source.
template <class Decoder>
ImageDecoder* MakeDecoder(const DecoderSource& source) {
  switch (source.kind) {
    case DecoderSource::Kind::Path: return new (std::nothrow) Decoder(source.path);
    case DecoderSource::Kind::Resource: return new (std::nothrow) Decoder(source.module, source.resourceId);
    case DecoderSource::Kind::FileHandle: return new (std::nothrow) Decoder(source.file, source.offset, source.length);
    case DecoderSource::Kind::Memory: return new (std::nothrow) Decoder(source.memory, source.memoryLength);
  }
  return nullptr;
}

// Puts a decoder for `kind` ahead of the built-in table (null removes it again). For tests that drive
// ImageFile through a scripted decoder; returns the one it replaces.
DecoderMaker RegisterDecoder(ImageKind kind, DecoderMaker maker);

// A new decoder of that kind on that source; null with *error = 100 when there is none for the pair,
// or 0 when memory is short.
ImageDecoder* NewDecoder(ImageKind kind, const DecoderSource& source, int* error);

}  // namespace lumetta
