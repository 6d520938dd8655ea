#pragma once

// The decoder table: one entry per format that has a decoder. A format added later needs one line in
// the table of DecoderTable.cpp (kinds without an entry answer error 100).
#include <memory>
#include <new>

#include "pipeline/ImageDecoder.h"
#include "pipeline/ImageModel.h"
#include "pipeline/ImageSource.h"

namespace lumetta {

// A decoder of class Decoder on the source; null when memory is short.
template <class Decoder>
std::unique_ptr<ImageDecoder> MakeDecoder(const ImageSource& source) {
  return std::unique_ptr<ImageDecoder>(new (std::nothrow) Decoder(source));
}

// A new decoder of that kind on that source; null with *error = 100 when there is none for the pair,
// or 0 when memory is short.
std::unique_ptr<ImageDecoder> NewDecoder(ImageKind kind, const ImageSource& source, int* error);

// How ImageFile gets its decoders: NewDecoder, unless a test hands an image another factory.
using DecoderFactory = std::unique_ptr<ImageDecoder> (*)(ImageKind kind, const ImageSource& source, int* error);

}  // namespace lumetta
