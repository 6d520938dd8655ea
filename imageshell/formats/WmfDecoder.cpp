// Placeable metafiles (kind 9): the sniffer, portable; the decoder will play metafiles through GDI
// and exist on Windows only.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

bool SniffWmf(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  int dpiX = context.screenDpiX, dpiY = context.screenDpiY;
  if (b.size() < 50 || b.Le32(0) != 0x9AC6CDD7u) return false;
  uint32_t checksum = 0;
  for (size_t word = 0; word < 10; ++word) checksum ^= b.Le16(2 * word);
  if (checksum != b.Le16(20)) return false;
  auto word = [&](size_t n) { return int(int16_t(b.Le16(2 * n))); };
  int unitsPerInch = int(b.Le16(14));
  int width = MulDiv(word(5) - word(3) + 1, dpiX, unitsPerInch);
  int height = MulDiv(word(6) - word(4) + 1, dpiY, unitsPerInch);
  if (width <= 0 || height <= 0) {
    width = height = 0;  // no usable size: the label says "Unknown"
  } else if (width > 2000 || height > 2000) {
    int largest = width > height ? width : height;
    width = int(int64_t(width) * 2000 / largest);
    height = int(int64_t(height) * 2000 / largest);
  }
  *out = MakeDetected(ImageKind::Wmf, width, height, 24);
  return true;
}

}  // namespace lumetta
