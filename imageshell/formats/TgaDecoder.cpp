// TGA (kind 3): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffTga(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (b.size() <= 17) return false;
  int type = b.U8(2), mapType = b.U8(1);
  if (!((type >= 1 && type <= 3) || (type >= 9 && type <= 11))) return false;
  if (mapType > 1 || (mapType == 1 && b.U8(7) != 16 && b.U8(7) != 24)) return false;
  if (b.U8(17) >= 64) return false;
  uint32_t width = b.Le16(12), height = b.Le16(14);
  if (width == 0 || height == 0) return false;
  int depth = b.U8(16);
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  *out = MakeDetected(ImageKind::Tga, width, height, depth);
  return true;
}

}  // namespace lumetta
