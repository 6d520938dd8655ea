// PIC (kind 12): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffPic(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  static const uint8_t kMagic[4] = {0x53, 0x80, 0xF6, 0x34};
  if (b.size() <= 103 || !b.Has(0, 4)) return false;
  for (int i = 0; i < 4; ++i)
    if (b.U8(i) != kMagic[i]) return false;
  if (!b.Equals(88, "PICT")) return false;
  int bits = 0;
  size_t at = 104;
  for (int packet = 0;; ++packet, at += 4) {
    if (packet == 8 || !b.Has(at, 4)) return false;
    int mask = b.U8(at + 3);
    for (int bit : {0x80, 0x40, 0x20, 0x10})
      if (mask & bit) bits += 8;
    if (b.U8(at) == 0) break;
  }
  if (bits == 0 || bits > 32) return false;
  *out = MakeDetected(ImageKind::Pic, b.Be16(92), b.Be16(94), bits);
  return true;
}

}  // namespace lumetta
