#include "DecoderFactory.h"

#include <new>

#include "BmpDecoder.h"

namespace lumetta {

namespace {

template <class Decoder>
ImageDecoder* Make(const DecoderSource& source) {
  switch (source.kind) {
    case DecoderSource::Kind::Path: return new (std::nothrow) Decoder(source.path);
    case DecoderSource::Kind::Resource: return new (std::nothrow) Decoder(source.module, source.resourceId);
    case DecoderSource::Kind::FileHandle:
      return new (std::nothrow) Decoder(source.file, source.offset, source.length);
    case DecoderSource::Kind::Memory: return new (std::nothrow) Decoder(source.memory, source.memoryLength);
  }
  return nullptr;
}

struct FactoryEntry {
  ImageKind kind;
  ImageDecoder* (*make)(const DecoderSource&);
  bool pathOnly;  // decoders that need a file of their own (the metafile player)
};

const FactoryEntry kDecoders[] = {
    {ImageKind::Bmp, &Make<BmpDecoder>, false},
};

}  // namespace

ImageDecoder* NewDecoder(ImageKind kind, const DecoderSource& source, int* error) {
  *error = kErrNoDecoder;
  for (const FactoryEntry& entry : kDecoders) {
    if (entry.kind != kind) continue;
    if (entry.pathOnly && source.kind != DecoderSource::Kind::Path) return nullptr;
    *error = kErrNone;
    return entry.make(source);
  }
  return nullptr;
}

}  // namespace lumetta
