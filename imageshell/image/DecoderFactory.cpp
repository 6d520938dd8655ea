#include "DecoderFactory.h"

#include <new>

#include "BmpDecoder.h"

namespace lumetta {

namespace {

struct FactoryEntry {
  ImageKind kind;
  DecoderMaker make;
  bool pathOnly;  // decoders that need a file of their own (the metafile player)
};

// One entry per format with a decoder (the metafile player, Windows only, will be path-only).
const FactoryEntry kDecoders[] = {
    {ImageKind::Bmp, &MakeDecoder<BmpDecoder>, false},
};

DecoderMaker g_registered[int(ImageKind::Pic) + 1] = {};

}  // namespace

DecoderMaker RegisterDecoder(ImageKind kind, DecoderMaker maker) {
  int k = int(kind);
  if (k < 0 || k > int(ImageKind::Pic)) return nullptr;
  DecoderMaker previous = g_registered[k];
  g_registered[k] = maker;
  return previous;
}

ImageDecoder* NewDecoder(ImageKind kind, const DecoderSource& source, int* error) {
  *error = kErrNoDecoder;
  int k = int(kind);
  if (k >= 0 && k <= int(ImageKind::Pic) && g_registered[k]) {
    *error = kErrNone;
    return g_registered[k](source);
  }
  for (const FactoryEntry& entry : kDecoders) {
    if (entry.kind != kind) continue;
    if (entry.pathOnly && source.kind != DecoderSource::Kind::Path) return nullptr;
    *error = kErrNone;
    return entry.make(source);
  }
  return nullptr;
}

}  // namespace lumetta
