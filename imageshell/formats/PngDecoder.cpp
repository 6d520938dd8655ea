// PNG (kind 7): the sniffer; the decoder comes with libpng.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffPng(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (!b.Has(0, 8)) return false;
  for (int i = 0; i < 8; ++i)
    if (b.U8(i) != kSignature[i]) return false;
  DetectedImage values;
  switch (open(ImageKind::Png, false, &values)) {
    case DecoderProbe::Opened: *out = MakeDetected(ImageKind::Png, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder: break;
  }
  // The header chunk: sizes, then bits = sample depth x samples of the colour type.
  if (!b.Equals(12, "IHDR") || !b.Has(16, 10)) return false;
  int depth = b.U8(24), samples = 0;
  switch (b.U8(25)) {
    case 0: case 3: samples = 1; break;
    case 2: samples = 3; break;
    case 4: samples = 2; break;
    case 6: samples = 4; break;
    default: return false;
  }
  *out = MakeDetected(ImageKind::Png, b.Be32(16), b.Be32(20), depth * samples);
  return true;
}

}  // namespace lumetta
