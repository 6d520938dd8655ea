// PSD (kind 11): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffPsd(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (b.size() <= 25 || !b.Equals(0, "8BPS") || b.Be16(4) != 1) return false;
  int channels = int(b.Be16(12));
  if (channels >= 4 && channels <= 24) channels = 3;
  else if (channels < 1 || channels > 3) return false;
  int depth = int(b.Be16(22));
  if (depth != 1 && depth != 8) return false;
  int mode = int(b.Be16(24));
  if (!((mode >= 0 && mode <= 4) || (mode >= 7 && mode <= 9))) return false;
  if (channels == 2) channels = 1;
  *out = MakeDetected(ImageKind::Psd, int32_t(b.Be32(18)), int32_t(b.Be32(14)), channels * (depth < 8 ? depth : 8));
  return true;
}

}  // namespace lumetta
