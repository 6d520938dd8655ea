#pragma once

// Hand-made BMP files for tests: every header field is set from a layout, so that tests can make the
// honest variants and the hostile ones alike.
#include <cstdint>
#include <functional>
#include <vector>

namespace testimages {

struct BmpLayout {
  uint32_t headerSize = 40;  // 12, 40, 64, or anything to test refusals
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> palette;  // 0xRRGGBB, written in the header's entry size
  std::vector<uint32_t> masks;    // red, green, blue (alpha) masks: in a header of 52 bytes and up, else after it
  // Pixel (x, y), y = 0 the top row: an index up to 8 bits, the raw 16- or 32-bit value, or 0xRRGGBB
  // at 24 bits. Unused when rawPixels is set.
  std::function<uint32_t(int x, int y)> pixel;
  std::vector<uint8_t> rawPixels;  // the pixel data as stored (run-length data, truncated data, ...)
  int64_t pixelOffset = -1;        // -1: right after the header, table and masks
  char magic[2] = {'B', 'M'};
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline std::vector<uint8_t> StoredRows(const BmpLayout& layout) {
  int rows = layout.height < 0 ? -layout.height : layout.height;
  size_t stride = (size_t(layout.width) * (layout.bits == 15 ? 16 : layout.bits) + 31) / 32 * 4;
  std::vector<uint8_t> data(stride * rows, 0);
  for (int stored = 0; stored < rows; ++stored) {
    int y = layout.height < 0 ? stored : rows - 1 - stored;
    uint8_t* row = data.data() + stride * stored;
    for (int x = 0; x < layout.width; ++x) {
      uint32_t v = layout.pixel ? layout.pixel(x, y) : 0;
      switch (layout.bits) {
        case 1:
          if (v & 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
          break;
        case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = uint8_t(v); break;
        case 15:
        case 16:
          row[2 * x] = uint8_t(v);
          row[2 * x + 1] = uint8_t(v >> 8);
          break;
        case 24:
          row[3 * x] = uint8_t(v);
          row[3 * x + 1] = uint8_t(v >> 8);
          row[3 * x + 2] = uint8_t(v >> 16);
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = uint8_t(v >> (8 * i));
          break;
        default: break;
      }
    }
  }
  return data;
}

inline std::vector<uint8_t> BuildBmp(const BmpLayout& layout) {
  std::vector<uint8_t> header;
  if (layout.headerSize == 12) {
    Put32(header, 12);
    Put16(header, uint32_t(layout.width));
    Put16(header, uint32_t(layout.height));
    Put16(header, 1);
    Put16(header, layout.bits);
  } else {
    Put32(header, layout.headerSize);
    Put32(header, uint32_t(layout.width));
    Put32(header, uint32_t(layout.height));
    Put16(header, 1);
    Put16(header, layout.bits);
    Put32(header, layout.compression);
    Put32(header, 0);     // image size
    Put32(header, 2835);  // 72 dpi
    Put32(header, 2835);
    Put32(header, layout.colorsUsed);
    Put32(header, 0);
    if (layout.headerSize >= 52)
      for (uint32_t mask : layout.masks) Put32(header, mask);
    while (header.size() < layout.headerSize && header.size() < 4096) header.push_back(0);
  }
  for (uint32_t color : layout.palette) {
    header.push_back(uint8_t(color));
    header.push_back(uint8_t(color >> 8));
    header.push_back(uint8_t(color >> 16));
    if (layout.headerSize != 12) header.push_back(0);
  }
  if (layout.headerSize < 52)
    for (uint32_t mask : layout.masks) Put32(header, mask);
  std::vector<uint8_t> pixels = layout.rawPixels.empty() ? StoredRows(layout) : layout.rawPixels;
  uint32_t offset = layout.pixelOffset >= 0 ? uint32_t(layout.pixelOffset) : uint32_t(14 + header.size());
  std::vector<uint8_t> file;
  file.push_back(uint8_t(layout.magic[0]));
  file.push_back(uint8_t(layout.magic[1]));
  Put32(file, uint32_t(14 + header.size() + pixels.size()));
  Put32(file, 0);
  Put32(file, offset);
  file.insert(file.end(), header.begin(), header.end());
  while (file.size() < offset && layout.pixelOffset >= 0 && offset < (1u << 20)) file.push_back(0);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// A grey ramp of `n` entries, handy for palettes whose index can be read back from the colour.
inline std::vector<uint32_t> IndexPalette(int n) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < n; ++i) palette.push_back(uint32_t(i) * 0x010101u);
  return palette;
}

}  // namespace testimages
