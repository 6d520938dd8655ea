#include "pipeline/PlatformGraphics.h"

#include <cstddef>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

#ifdef _WIN32
#include "pipeline/GdiGraphics.h"
#else
#include "pipeline/MemoryGraphics.h"
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
  PixelsToRgb(pixels, rgb.data());
  return rgb;
}

namespace {

// Blue, green, red to red, green, blue: 4 pixels a byte shuffle where the processor has one (any x86 of
// the last fifteen years; the baseline instruction set lacks it). Answers the pixels done; the last
// few are left to the caller, as each step reads and writes 16 bytes for 12.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("ssse3"))) int SwapRedBlueShuffled(const uint8_t* row, uint8_t* out, int width) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  int x = 0;
  for (; x + 6 <= width; x += 4) {
    __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(pixels, order));
  }
  return x;
}

int SwapRedBlueFast(const uint8_t* row, uint8_t* out, int width) {
  static const bool shuffle = __builtin_cpu_supports("ssse3");
  return shuffle ? SwapRedBlueShuffled(row, out, width) : 0;
}
#else
int SwapRedBlueFast(const uint8_t*, uint8_t*, int) { return 0; }
#endif

}  // namespace

// One switch a row, not a pixel: the image tool turns whole photographs through here.
void PixelsToRgb(const BitmapPixels& pixels, uint8_t* rgb) {
  auto color = [&](unsigned index) { return index < pixels.colorTable.size() ? pixels.colorTable[index] : RgbColor{}; };
  auto put = [](uint8_t* out, RgbColor c) {
    out[0] = c.red;
    out[1] = c.green;
    out[2] = c.blue;
  };
  const int width = pixels.width;
  for (int y = 0; y < pixels.height; ++y) {
    const uint8_t* row = pixels.rows.data() + pixels.stride * y;
    uint8_t* out = rgb + size_t(y) * size_t(width) * 3;
    switch (pixels.bitCount) {
      case 1:
        for (int x = 0; x < width; ++x) put(out + 3 * x, color((row[x / 8] >> (7 - x % 8)) & 1));
        break;
      case 4:
        for (int x = 0; x < width; ++x) put(out + 3 * x, color((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F));
        break;
      case 8:
        for (int x = 0; x < width; ++x) put(out + 3 * x, color(row[x]));
        break;
      case 16:
        for (int x = 0; x < width; ++x) {
          unsigned v = row[2 * x] | row[2 * x + 1] << 8;
          auto widen = [](unsigned ch) { return uint8_t(ch << 3 | ch >> 2); };
          put(out + 3 * x, RgbColor{widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31)});
        }
        break;
      case 24:
        for (int x = SwapRedBlueFast(row, out, width); x < width; ++x) {
          out[3 * x] = row[3 * x + 2];
          out[3 * x + 1] = row[3 * x + 1];
          out[3 * x + 2] = row[3 * x];
        }
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          out[3 * x] = row[4 * x + 2];
          out[3 * x + 1] = row[4 * x + 1];
          out[3 * x + 2] = row[4 * x];
        }
        break;
      default: std::memset(out, 0, size_t(width) * 3); break;
    }
  }
}

}  // namespace lumetta
