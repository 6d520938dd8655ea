#include "PlatformGraphics.h"

#include <cstddef>

#ifdef _WIN32
#include "GdiGraphics.h"
#else
#include "MemoryGraphics.h"
#endif

namespace lumetta {

namespace {
PlatformGraphics* g_override = nullptr;
}

PlatformGraphics& DefaultGraphics() {
  if (g_override) return *g_override;
#ifdef _WIN32
  static GdiGraphics builtIn;
#else
  static MemoryGraphics builtIn;
#endif
  return builtIn;
}

void SetDefaultGraphics(PlatformGraphics* graphics) { g_override = graphics; }

int64_t BitmapStride(int64_t width, int bitCount) {
  if (width < 0 || bitCount <= 0 || width > (int64_t(1) << 40)) return -1;
  return (width * bitCount + 31) / 32 * 4;
}

std::vector<uint8_t> PixelsToRgb(const BitmapPixels& pixels) {
  std::vector<uint8_t> rgb(size_t(pixels.width) * size_t(pixels.height) * 3);
  auto color = [&](unsigned index) { return index < pixels.colorTable.size() ? pixels.colorTable[index] : RgbColor{}; };
  for (int y = 0; y < pixels.height; ++y) {
    const uint8_t* row = pixels.rows.data() + pixels.stride * y;
    uint8_t* out = rgb.data() + size_t(y) * pixels.width * 3;
    for (int x = 0; x < pixels.width; ++x, out += 3) {
      RgbColor c;
      switch (pixels.bitCount) {
        case 1: c = color((row[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: c = color((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F); break;
        case 8: c = color(row[x]); break;
        case 16: {
          unsigned v = row[2 * x] | row[2 * x + 1] << 8;
          auto widen = [](unsigned ch) { return uint8_t(ch << 3 | ch >> 2); };
          c = {widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31)};
          break;
        }
        case 24: c = {row[3 * x + 2], row[3 * x + 1], row[3 * x]}; break;
        case 32: c = {row[4 * x + 2], row[4 * x + 1], row[4 * x]}; break;
        default: break;
      }
      out[0] = c.red;
      out[1] = c.green;
      out[2] = c.blue;
    }
  }
  return rgb;
}

}  // namespace lumetta
