// TIFF (kind 5): the sniffer; the decoder comes with libtiff.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

namespace {

// TIFF without its decoder: the byte-order mark, the answer 42 and, when the first directory lies in
// the bytes, its width, length and bits.
bool TiffHeader(const ByteReader& b, DetectedImage* out) {
  bool big = b.Equals(0, "MM");
  if (b.U16(2, big) != 42) return false;
  int64_t width = 0, height = 0;
  int bitsPerSample = 1, samples = 1;
  size_t directory = b.U32(4, big);
  if (b.Has(directory, 2)) {
    uint32_t entries = b.U16(directory, big);
    for (uint32_t i = 0; i < entries; ++i) {
      size_t entry = directory + 2 + size_t(i) * 12;
      if (!b.Has(entry, 12)) break;
      uint32_t tag = b.U16(entry, big), type = b.U16(entry + 2, big);
      uint32_t value = type == 3 ? b.U16(entry + 8, big) : b.U32(entry + 8, big);
      if (tag == 256) width = value;
      else if (tag == 257) height = value;
      else if (tag == 258 && b.U32(entry + 4, big) == 1) bitsPerSample = int(value);
      else if (tag == 258) bitsPerSample = 8;
      else if (tag == 277) samples = int(value);
    }
  }
  int bits = bitsPerSample * samples;
  *out = MakeDetected(ImageKind::Tiff, width, height, bits > 0 && bits <= 64 ? bits : 0);
  return true;
}

}  // namespace

bool SniffTiff(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  if (b.size() < 3 || !(b.Equals(0, "II") || b.Equals(0, "MM"))) return false;
  DetectedImage values;
  switch (open(ImageKind::Tiff, false, &values)) {
    case DecoderProbe::Opened: *out = MakeDetected(ImageKind::Tiff, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder: return TiffHeader(b, out);
  }
  return false;
}

}  // namespace lumetta
