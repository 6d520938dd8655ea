// JPEG (kind 0): the sniffer; the decoder comes with libjpeg.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffJpeg(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  size_t at = 0;
  while (b.Has(at, 2) && !(b.U8(at) == 0xFF && b.U8(at + 1) == 0xD8)) ++at;
  if (!b.Has(at, 2)) return false;
  at += 2;
  bool jfif = false;
  bool frameFound = false;
  DetectedImage frame;
  bool decided = false;
  while (!decided) {
    while (b.Has(at, 1) && b.U8(at) != 0xFF) ++at;  // to a marker
    while (b.Has(at, 1) && b.U8(at) == 0xFF) ++at;  // past fill bytes
    if (!b.Has(at, 1)) break;
    int marker = b.U8(at);
    if (marker == 0xE0 && b.Equals(at + 3, "JFIF") && b.U8(at + 7) == 0) {
      jfif = true;
      ++at;
    } else if (marker >= 0xE2 && marker <= 0xEF && b.Has(at + 1, 2)) {
      at += 1 + b.Be16(at + 1);
    } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      if (b.Has(at + 1, 8)) {
        frameFound = true;
        frame = MakeDetected(ImageKind::Jpeg, b.Be16(at + 6), b.Be16(at + 4), b.U8(at + 8) == 1 ? 8 : 24);
      }
      if (jfif && frameFound) {
        *out = frame;
        return true;
      }
      decided = true;  // a frame before any JFIF marker: the decoder decides
    } else {
      ++at;
    }
  }
  DetectedImage values;
  switch (open(ImageKind::Jpeg, false, &values)) {
    case DecoderProbe::Opened: *out = MakeDetected(ImageKind::Jpeg, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder:
      if (!frameFound) return false;
      *out = frame;
      return true;
  }
  return false;
}

}  // namespace lumetta
