// Photo CD images (kind 6): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffPcd(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (!b.Has(3586, 1) || !b.Equals(2048, "PCD")) return false;
  bool portrait = (b.U8(3586) & 3) != 0;
  *out = MakeDetected(ImageKind::Pcd, portrait ? 512 : 768, portrait ? 768 : 512, 24);
  return true;
}

}  // namespace lumetta
