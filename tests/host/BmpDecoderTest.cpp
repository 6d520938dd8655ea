// The BMP decoder: every pixel format, row order, run-length data, reduction and hostile headers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "DecodeHelpers.h"
#include "pipeline/MemoryGraphics.h"

using namespace lumetta;
using testimages::BmpLayout;
using testimages::BuildBmp;
using testimages::DecodeBytes;

namespace {

// Expected colour of a 16-bit pixel: 5-5-5 widened by shifting (the low bits stay zero).
uint32_t From555(uint32_t v) { return ((v >> 10 & 31) << 3) << 16 | ((v >> 5 & 31) << 3) << 8 | (v & 31) << 3; }
uint32_t From565(uint32_t v) { return ((v >> 11 & 31) << 3) << 16 | ((v >> 5 & 63) << 2) << 8 | (v & 31) << 3; }

struct FormatCase {
  const char* name;
  BmpLayout layout;
  std::function<uint32_t(uint32_t stored)> expected;  // stored pixel value -> 0xRRGGBB
};

std::vector<uint32_t> DistinctPalette(int n) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < n; ++i)
    palette.push_back(uint32_t((i * 7 + 3) % 256) << 16 | uint32_t(255 - i) << 8 | uint32_t(i * 13 % 256));
  return palette;
}

BmpLayout Layout(uint16_t bits, std::function<uint32_t(int, int)> pixel, uint32_t compression = 0) {
  BmpLayout layout;
  layout.width = 7;  // odd: rows need padding, 4-bit rows end on a high nibble
  layout.height = 5;
  layout.bits = bits;
  layout.compression = compression;
  layout.pixel = std::move(pixel);
  if (bits <= 8) layout.palette = DistinctPalette(1 << bits);
  return layout;
}

std::vector<FormatCase> FormatCases() {
  auto palette = [](int bits) {
    std::vector<uint32_t> p = DistinctPalette(1 << bits);
    return [p](uint32_t index) { return p[index]; };
  };
  std::vector<FormatCase> cases;
  cases.push_back({"1 bit", Layout(1, [](int x, int y) { return uint32_t(x + y) & 1; }), palette(1)});
  cases.push_back({"4 bits", Layout(4, [](int x, int y) { return uint32_t(x * 3 + y) % 16; }), palette(4)});
  cases.push_back({"8 bits", Layout(8, [](int x, int y) { return uint32_t(x * 37 + y * 11) % 256; }), palette(8)});
  cases.push_back({"15 bits", Layout(15, [](int x, int y) { return uint32_t(x * 4321 + y * 977) & 0x7FFF; }), From555});
  cases.push_back({"16 bits without masks read as 5-5-5",
                   Layout(16, [](int x, int y) { return uint32_t(x * 4321 + y * 977) & 0xFFFF; }), From555});
  BmpLayout masked565 = Layout(
      16, [](int x, int y) { return uint32_t(x * 9001 + y * 313) & 0xFFFF; }, 3);
  masked565.masks = {0xF800, 0x07E0, 0x001F};
  cases.push_back({"16 bits with 5-6-5 masks", masked565, From565});
  cases.push_back({"24 bits", Layout(24, [](int x, int y) { return uint32_t(x * 0x112233 + y * 0x0A0B0C) & 0xFFFFFF; }),
                   [](uint32_t v) { return v; }});
  cases.push_back({"32 bits ignore the fourth byte",
                   Layout(32, [](int x, int y) { return uint32_t(x) * 0x51122334u + uint32_t(y) * 0x0A0B0Cu; }),
                   [](uint32_t v) { return v & 0xFFFFFF; }});
  BmpLayout swapped = Layout(
      32, [](int x, int y) { return uint32_t(x) * 0x01020304u + uint32_t(y) * 0x40302010u; }, 3);
  swapped.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
  cases.push_back({"32 bits with swapped masks", swapped,
                   [](uint32_t v) { return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF); }});
  BmpLayout wide = Layout(
      32, [](int x, int y) { return uint32_t(x) * 0x12345u + uint32_t(y) * 0x3FF00001u; }, 3);
  wide.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10 bits a channel: the top 8 are kept
  cases.push_back({"32 bits with 10-bit channels", wide,
                   [](uint32_t v) { return (v >> 22 & 0xFF) << 16 | (v >> 12 & 0xFF) << 8 | (v >> 2 & 0xFF); }});

  // The longer Windows headers: the masks are header fields, the colour table follows the whole header.
  auto longer = [](BmpLayout layout, uint32_t headerSize) {
    layout.headerSize = headerSize;
    return layout;
  };
  cases.push_back({"8 bits, 124-byte header", longer(Layout(8, [](int x, int y) { return uint32_t(x * 31 + y); }), 124),
                   palette(8)});
  cases.push_back(
      {"24 bits, 108-byte header",
       longer(Layout(24, [](int x, int y) { return uint32_t(x * 0x0F1E2D + y * 0x332211) & 0xFFFFFF; }), 108),
       [](uint32_t v) { return v; }});
  BmpLayout argb =
      longer(Layout(
                 32, [](int x, int y) { return uint32_t(x) * 0x9E3779B9u + uint32_t(y) * 0x01020304u; }, 3),
             124);
  argb.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  cases.push_back({"32 bits with an alpha mask, 124-byte header", argb, [](uint32_t v) { return v & 0xFFFFFF; }});
  BmpLayout v4Masked565 = longer(masked565, 108);
  cases.push_back({"16 bits with 5-6-5 masks, 108-byte header", v4Masked565, From565});
  BmpLayout v3 = longer(swapped, 56);
  v3.masks.push_back(0xFF000000);
  cases.push_back({"32 bits with masks, 56-byte header", v3,
                   [](uint32_t v) { return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF); }});
  // Alpha bit fields: four masks after a 40-byte header; 4-4-4-4 widens each channel by shifting.
  BmpLayout alpha4444 = Layout(
      16, [](int x, int y) { return uint32_t(x * 7919 + y * 104729) & 0xFFFF; }, 6);
  alpha4444.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  cases.push_back({"16 bits with 4-4-4-4 alpha bit fields", alpha4444,
                   [](uint32_t v) { return (v >> 8 & 15) << 20 | (v >> 4 & 15) << 12 | (v & 15) << 4; }});
  BmpLayout alpha32 = Layout(
      32, [](int x, int y) { return uint32_t(x) * 0x10203040u + uint32_t(y) * 0x0F0E0D0Cu; }, 6);
  alpha32.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  cases.push_back({"32 bits with alpha bit fields", alpha32, [](uint32_t v) { return v & 0xFFFFFF; }});
  return cases;
}

}  // namespace

TEST(BmpDecoder, EveryPixelFormatDecodesToItsColours) {
  MemoryGraphics graphics(24);
  for (const FormatCase& c : FormatCases()) {
    SCOPED_TRACE(c.name);
    testimages::Decoded decoded = DecodeBytes(BuildBmp(c.layout), graphics);
    ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
    ASSERT_EQ(decoded.width(), c.layout.width);
    ASSERT_EQ(decoded.height(), c.layout.height);
    for (int y = 0; y < c.layout.height; ++y)
      for (int x = 0; x < c.layout.width; ++x)
        ASSERT_EQ(decoded.At(x, y), c.expected(c.layout.pixel(x, y))) << "pixel " << x << "," << y;
  }
}

TEST(BmpDecoder, TopDownAndBottomUpFilesGiveTheSameBitmap) {
  MemoryGraphics graphics(24);
  BmpLayout layout = Layout(24, [](int x, int y) { return uint32_t(x * 0x010203 + y * 0x302010); });
  for (int bottomUp : {0, 1}) {
    DecodeRequest request;
    request.bottomUp = bottomUp;
    BmpLayout topDown = layout;
    topDown.height = -layout.height;
    testimages::Decoded a = DecodeBytes(BuildBmp(layout), request, graphics);
    testimages::Decoded b = DecodeBytes(BuildBmp(topDown), request, graphics);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_EQ(a.At(6, 0), layout.pixel(6, 0));
    EXPECT_EQ(b.At(6, 4), layout.pixel(6, 4));
  }
}

// The table here is shorter than the depth allows: the pixel data offset says where it ends.
TEST(BmpDecoder, Os2CoreHeaderReadsThreeByteColourTable) {
  MemoryGraphics graphics(24);
  BmpLayout layout = Layout(8, [](int x, int y) { return uint32_t(x + y) % 4; });
  layout.headerSize = 12;
  layout.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
  testimages::Decoded decoded = DecodeBytes(BuildBmp(layout), graphics);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.At(0, 0), 0xFF0000u);
  EXPECT_EQ(decoded.At(1, 0), 0x00FF00u);
  EXPECT_EQ(decoded.At(2, 0), 0x0000FFu);
  EXPECT_EQ(decoded.At(3, 0), 0x123456u);
}

// 2000 rows into 100: every twentieth row is delivered (the last of each group of 20), but all rows are
// read, so a file missing only its last row fails.
TEST(BmpDecoder, VerticalReductionDeliversEveryTwentiethRowAndReadsThemAll) {
  MemoryGraphics graphics(24);
  BmpLayout layout;
  layout.width = 200;
  layout.height = -2000;  // top-down: file order is image order
  layout.bits = 24;
  layout.pixel = [](int, int y) { return uint32_t(y); };
  DecodeRequest request;
  request.height = 100;
  testimages::Decoded decoded = DecodeBytes(BuildBmp(layout), request, graphics);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.height(), 100);
  ASSERT_EQ(decoded.width(), 10);
  for (int k = 0; k < 100; ++k) ASSERT_EQ(decoded.At(0, k), uint32_t(20 * k + 19)) << "output row " << k;

  std::vector<uint8_t> file = BuildBmp(layout);
  file.resize(file.size() - 600);  // the last source row
  testimages::Decoded truncated = DecodeBytes(file, request, graphics);
  EXPECT_FALSE(truncated.ok);
  EXPECT_EQ(truncated.error, kErrRow);
}

namespace {

BmpLayout Rle(uint16_t bits, int width, int height, std::vector<uint8_t> data) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = bits;
  layout.compression = bits == 8 ? 1 : 2;
  layout.palette = testimages::IndexPalette(bits == 8 ? 256 : 16);
  layout.rawPixels = std::move(data);
  return layout;
}

// Palette index of each pixel (the test palettes are grey ramps: index = red).
std::vector<int> Indices(const testimages::Decoded& decoded) {
  std::vector<int> out;
  for (int y = 0; y < decoded.height(); ++y)
    for (int x = 0; x < decoded.width(); ++x) out.push_back(int(decoded.At(x, y) >> 16));
  return out;
}

}  // namespace

TEST(BmpDecoder, RunLengthRowsDecode) {
  MemoryGraphics graphics(24);
  struct Case {
    const char* name;
    BmpLayout layout;
    std::vector<int> expected;  // top row first
  } cases[] = {
      // Bottom row first in the file: a run and a literal of odd length (with its pad byte).
      {"RLE8 runs and literals",
       Rle(8, 5, 2, {2, 7, 0, 3, 1, 2, 3, /*pad*/ 0, /*EOL*/ 0, 0, 0, 4, 9, 8, 7, 6, 1, 5, /*EOB*/ 0, 1}),
       {9, 8, 7, 6, 5, 7, 7, 1, 2, 3}},
      // A run of 3 alternates high, low, high nibble; a run of 2 then starts again on the high nibble.
      {"RLE4 odd run ends on the high nibble", Rle(4, 5, 1, {3, 0xAB, 2, 0xCD, 0, 1}), {10, 11, 10, 12, 13}},
      {"RLE4 literal of 5 nibbles is padded to a word",
       Rle(4, 5, 2, {0, 5, 0x12, 0x34, 0x50, /*pad*/ 0, 0, 0, 2, 0x45, 0, 1}),
       {4, 5, 0, 0, 0, 1, 2, 3, 4, 5}},
      {"RLE4 runs past the width are clipped", Rle(4, 3, 1, {9, 0x12, 0, 1}), {1, 2, 1}},
      // A delta moves right and down; what it passes over stays index 0.
      {"RLE8 delta moves right and down",
       Rle(8, 4, 3, {1, 5, 0, 2, 2, 1, 1, 7, 0, 0, 4, 9, 0, 1}),
       {9, 9, 9, 9, 0, 0, 0, 7, 5, 0, 0, 0}},
      {"RLE8 delta on the same row", Rle(8, 4, 1, {1, 5, 0, 2, 2, 0, 1, 6, 0, 1}), {5, 0, 0, 6}},
      {"RLE8 end of bitmap leaves the rows above blank", Rle(8, 2, 3, {2, 4, 0, 1}), {0, 0, 0, 0, 4, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testimages::Decoded decoded = DecodeBytes(BuildBmp(c.layout), graphics);
    ASSERT_TRUE(decoded.ok) << "error " << decoded.error;
    EXPECT_EQ(Indices(decoded), c.expected);
  }
}

TEST(BmpDecoder, RunLengthOverflowAndShortDataAreRefused) {
  MemoryGraphics graphics(24);
  struct Case {
    const char* name;
    BmpLayout layout;
  } cases[] = {
      {"RLE8 run past the width", Rle(8, 4, 1, {5, 1, 0, 1})},
      {"RLE8 literal past the width", Rle(8, 2, 1, {0, 3, 1, 2, 3, 0, 0, 1})},
      {"RLE8 data ends inside a row", Rle(8, 4, 2, {2, 1, 0, 0, 2, 1})},
      {"RLE4 data ends inside a literal", Rle(4, 8, 1, {0, 8, 0x12})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testimages::Decoded decoded = DecodeBytes(BuildBmp(c.layout), graphics);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.error, kErrRow);
  }
}

TEST(BmpDecoder, HostileHeadersAreRefusedWithTheirErrors) {
  MemoryGraphics graphics(24);
  auto base = [] { return Layout(8, [](int x, int) { return uint32_t(x); }); };
  struct Case {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    int error;
  };
  std::vector<Case> cases = {
      {"header size 2000",
       [&] {
         BmpLayout s = base();
         s.headerSize = 2000;
         return BuildBmp(s);
       },
       kErrFormat},
      {"embedded JPEG or PNG (compression 4, 5) in a 124-byte header",
       [&] {
         BmpLayout s = Layout(24, nullptr);
         s.headerSize = 124;
         s.compression = 5;
         return BuildBmp(s);
       },
       kErrFormat},
      {"alpha bit fields on OS/2's 64-byte header",
       [&] {
         BmpLayout s = Layout(32, nullptr, 6);
         s.headerSize = 64;
         s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
         return BuildBmp(s);
       },
       kErrFormat},
      {"2 bits a pixel",
       [&] {
         BmpLayout s = base();
         s.bits = 2;
         s.palette.resize(4);
         return BuildBmp(s);
       },
       kErrFormat},
      {"compression 4",
       [&] {
         BmpLayout s = base();
         s.compression = 4;
         return BuildBmp(s);
       },
       kErrFormat},
      {"RLE8 on a 24-bit file",
       [&] {
         BmpLayout s = Layout(
             24, [](int, int) { return 0u; }, 1);
         return BuildBmp(s);
       },
       kErrFormat},
      {"bit fields on an 8-bit file",
       [&] {
         BmpLayout s = base();
         s.compression = 3;
         return BuildBmp(s);
       },
       kErrFormat},
      {"zero width",
       [&] {
         BmpLayout s = base();
         s.width = 0;
         return BuildBmp(s);
       },
       kErrFormat},
      {"negative width",
       [&] {
         BmpLayout s = base();
         s.width = -7;
         s.rawPixels = {0};
         return BuildBmp(s);
       },
       kErrFormat},
      {"zero height",
       [&] {
         BmpLayout s = base();
         s.height = 0;
         s.rawPixels = {0};
         return BuildBmp(s);
       },
       kErrFormat},
      {"most negative height",
       [&] {
         BmpLayout s = base();
         s.height = INT32_MIN;
         s.rawPixels = {0};
         return BuildBmp(s);
       },
       kErrFormat},
      {"width beyond 16 bits",
       [&] {
         BmpLayout s = base();
         s.width = 40000;
         s.height = 1;
         s.rawPixels = {0};
         return BuildBmp(s);
       },
       kErrFormat},
      {"more than 1 GiB of pixels",
       [&] {
         BmpLayout s = Layout(32, nullptr);
         s.width = 30000;
         s.height = 30000;
         s.rawPixels = {0};
         return BuildBmp(s);
       },
       kErrFormat},
      {"pixel data offset past the end",
       [&] {
         BmpLayout s = base();
         auto f = BuildBmp(s);
         f[10] = 0xFF;
         f[11] = 0xFF;
         return f;
       },
       kErrPixelData},
      {"colour table past the end",
       [&] {
         BmpLayout s = base();
         auto f = BuildBmp(s);
         f.resize(54 + 100);
         return f;
       },
       kErrFormat},
      {"masks missing",
       [&] {
         BmpLayout s = Layout(16, nullptr, 3);
         auto f = BuildBmp(s);
         f.resize(58);
         return f;
       },
       kErrFormat},
      {"pixel rows cut short",
       [&] {
         BmpLayout s = base();
         auto f = BuildBmp(s);
         f.resize(f.size() - 9);
         return f;
       },
       kErrRow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testimages::Decoded decoded = DecodeBytes(c.make(), graphics);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.error, c.error);
    EXPECT_EQ(graphics.LiveObjects(), 0);
  }
}

TEST(BmpDecoder, ColourTableLongerThan256EntriesIsCutAndMbMagicAccepted) {
  MemoryGraphics graphics(24);
  BmpLayout layout = Layout(8, [](int x, int) { return uint32_t(x * 30); });
  layout.colorsUsed = 300;
  layout.palette = DistinctPalette(256);
  layout.magic[0] = 'M';
  layout.magic[1] = 'B';
  testimages::Decoded decoded = DecodeBytes(BuildBmp(layout), graphics);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.At(6, 0), layout.palette[180]);
}
