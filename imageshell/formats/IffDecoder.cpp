// IFF ILBM and PBM (kind 10): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffIff(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (b.size() < 36 || !b.Equals(0, "FORM") || !(b.Equals(8, "ILBM") || b.Equals(8, "PBM "))) return false;
  bool sawCamg = false, found = false;
  uint32_t camg = 0;
  int64_t width = 0, height = 0;
  int planes = 0;
  size_t at = 12;
  while (b.Has(at, 8)) {
    uint32_t length = b.Be32(at + 4);
    if (b.Equals(at, "CAMG") && b.Has(at + 8, 4)) {
      camg = b.Be32(at + 8);
      sawCamg = true;
    }
    if (!found && b.Equals(at, "BMHD")) {
      if (length < 20 || !b.Has(at + 8, 20)) return false;
      width = b.Be16(at + 8);
      height = b.Be16(at + 10);
      planes = b.U8(at + 16);
      found = true;
      // Six or eight planes may be HAM: that is told by a CAMG chunk, which may still come.
      if (!((planes == 6 || planes == 8) && !sawCamg)) break;
    }
    if (found && b.Equals(at, "BODY")) break;
    if (found && sawCamg) break;
    uint64_t next = uint64_t(at) + 8 + length + (length & 1);
    if (next > b.size()) break;
    at = size_t(next);
  }
  if (!found) return false;
  int bits = planes;
  if (camg & 0x800) {
    if (planes == 6) bits = 12;
    else if (planes == 8) bits = 18;
  }
  *out = MakeDetected(ImageKind::Iff, width, height, bits);
  return true;
}

}  // namespace lumetta
