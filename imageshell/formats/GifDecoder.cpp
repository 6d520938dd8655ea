// GIF (kind 1): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffGif(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  if (b.size() <= 12 || !(b.Equals(0, "GIF87a") || b.Equals(0, "GIF89a"))) return false;
  *out = MakeDetected(ImageKind::Gif, b.Le16(6), b.Le16(8), (b.U8(10) & 7) + 1);
  DetectedImage values;
  if (open(ImageKind::Gif, true, &values) == DecoderProbe::Opened)
    *out = MakeDetected(ImageKind::Gif, values.width, values.height, values.bits);
  return true;
}

}  // namespace lumetta
