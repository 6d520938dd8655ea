// The PCX decoder: palettes, plane layouts, runs at scanline ends, DCX pages and truncated files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteWriter.h"
#include "DecodeHelpers.h"
#include "MemoryGraphics.h"
#include "PcxDecoder.h"

using namespace lumetta;
using testimages::ByteWriter;
using testimages::DecodeBytes;

namespace {

struct PcxPage {
  int version = 5;
  int bitsPerPixel = 8;
  int planes = 1;
  int width = 4;
  int height = 2;
  int bytesPerLine = 4;
  std::vector<uint8_t> data;      // run-length coded scanlines, as stored
  std::vector<uint32_t> palette16;
  std::vector<uint32_t> trailer;  // 256 colours after the marker; empty: no trailer
  int marker = 12;
};

// Every byte as a literal (values from 0xC0 up need a run of one).
std::vector<uint8_t> Literals(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out;
  for (uint8_t b : bytes) {
    if (b >= 0xC0) out.push_back(0xC1);
    out.push_back(b);
  }
  return out;
}

std::vector<uint8_t> BuildPcx(const PcxPage& p) {
  ByteWriter w;
  w.U8(0x0A).U8(p.version).U8(1).U8(p.bitsPerPixel);
  w.Le16(0).Le16(0).Le16(uint32_t(p.width - 1)).Le16(uint32_t(p.height - 1)).Le16(72).Le16(72);
  for (int i = 0; i < 16; ++i) {
    uint32_t c = i < int(p.palette16.size()) ? p.palette16[size_t(i)] : 0;
    w.U8(c >> 16 & 0xFF).U8(c >> 8 & 0xFF).U8(c & 0xFF);
  }
  w.U8(0).U8(p.planes).Le16(uint32_t(p.bytesPerLine)).Le16(1).Fill(128 - 70, 0);
  w.Raw(p.data);
  if (!p.trailer.empty()) {
    w.U8(p.marker);
    for (int i = 0; i < 256; ++i) {
      uint32_t c = i < int(p.trailer.size()) ? p.trailer[size_t(i)] : 0;
      w.U8(c >> 16 & 0xFF).U8(c >> 8 & 0xFF).U8(c & 0xFF);
    }
  }
  return w.bytes;
}

std::vector<uint8_t> BuildDcx(const std::vector<std::vector<uint8_t>>& pages) {
  ByteWriter w;
  w.Le32(kDcxMagic);
  uint32_t offset = 4 + 1025 * 4;
  for (const auto& page : pages) {
    w.Le32(offset);
    offset += uint32_t(page.size());
  }
  w.Fill((1025 - pages.size()) * 4, 0);
  for (const auto& page : pages) w.Raw(page);
  return w.bytes;
}

const std::vector<uint32_t> kColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF,
                                        0xFF00FF, 0x808080, 0x123456, 0x654321, 0xABCDEF, 0xFEDCBA,
                                        0x102030, 0x405060, 0x708090, 0xFFFFFF};

struct PcxCase {
  const char* name;
  PcxPage page;
  int error;                       // 0: decodes to `pixels`
  std::vector<uint32_t> pixels;    // row after row, 0xRRGGBB
};

std::vector<PcxCase> Cases() {
  std::vector<PcxCase> cases;
  PcxPage runs;  // a run of six in a four-byte scanline: cut there; the next scanline starts after its value
  runs.data = {0xC6, 0x01, 0x02, 0x03, 0x04, 0x05};
  runs.trailer = kColours;
  cases.push_back({"run cut at the scanline end", runs, 0,
                   {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF}});

  PcxPage marker = runs;
  marker.marker = 0x0C + 1;
  cases.push_back({"palette marker not 12", marker, kErrFormat, {}});

  PcxPage planes;  // four 1-bit planes: plane l gives 2^l of the index
  planes.bitsPerPixel = 1, planes.planes = 4, planes.width = 8, planes.height = 1, planes.bytesPerLine = 1;
  planes.data = Literals({0xAA, 0xCC, 0xF0, 0x01});
  planes.palette16 = kColours;
  cases.push_back({"four 1-bit planes", planes, 0,
                   {kColours[7], kColours[6], kColours[5], kColours[4], kColours[3], kColours[2], kColours[1],
                    kColours[8]}});

  PcxPage nibbles = planes;  // one 4-bit plane, high nibble first
  nibbles.bitsPerPixel = 4, nibbles.planes = 1, nibbles.width = 3, nibbles.bytesPerLine = 2;
  nibbles.data = Literals({0x1F, 0x20});
  cases.push_back({"one 4-bit plane", nibbles, 0, {kColours[1], kColours[15], kColours[2]}});

  PcxPage mono;
  mono.bitsPerPixel = 1, mono.width = 10, mono.height = 1, mono.bytesPerLine = 2;
  mono.data = Literals({0xA0, 0x40});
  cases.push_back({"1 bit black and white", mono, 0,
                   {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0xFFFFFF}});

  PcxPage rgb;  // planes red, green, blue
  rgb.bitsPerPixel = 8, rgb.planes = 3, rgb.width = 2, rgb.height = 1, rgb.bytesPerLine = 2;
  rgb.data = Literals({0x11, 0xF0, 0x22, 0xE0, 0x33, 0xD0});
  cases.push_back({"three 8-bit planes", rgb, 0, {0x112233, 0xF0E0D0}});

  PcxPage wide;  // 5-6-5 pixels widened by shifting
  wide.bitsPerPixel = 16, wide.width = 2, wide.height = 1, wide.bytesPerLine = 4;
  wide.data = Literals({0x00, 0xF8, 0x1F, 0x00});
  cases.push_back({"16 bits 5-6-5", wide, 0, {0xF80000, 0x0000F8}});

  PcxPage oldStyle;  // version 3: no palette of its own
  oldStyle.version = 3, oldStyle.width = 3, oldStyle.height = 1, oldStyle.bytesPerLine = 4;
  oldStyle.data = Literals({1, 9, 15, 0});
  cases.push_back({"version 3 standard colours", oldStyle, 0, {0x0000AA, 0x5555FF, 0xFFFFFF}});

  PcxPage cut = runs;  // the second scanline ends early; the trailer is not pixel data
  cut.data = {0xC4, 0x01, 0xC2};
  cut.trailer.clear();
  cut.version = 3;
  cases.push_back({"data ends inside a scanline", cut, kErrRow, {}});

  PcxPage narrow = runs;
  narrow.bytesPerLine = 3;
  cases.push_back({"bytes per line shorter than the width", narrow, kErrFormat, {}});
  return cases;
}

std::vector<uint32_t> AllPixels(const testimages::Decoded& d) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < d.height(); ++y)
    for (int x = 0; x < d.width(); ++x) pixels.push_back(d.At(x, y));
  return pixels;
}

}  // namespace

TEST(PcxDecoder, EdgeCases) {
  for (const PcxCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    testimages::Decoded d = DecodeBytes(BuildPcx(c.page), graphics);
    EXPECT_EQ(d.ok ? 0 : d.error, c.error);
    if (c.error == 0) {
      EXPECT_EQ(AllPixels(d), c.pixels);
    }
  }
}

// Pages of different sizes and palettes: each has its own colours (a page's palette ends where the
// next page starts), every page decodes, and a page past the last is error 18.
TEST(PcxDecoder, DcxPages) {
  std::vector<std::vector<uint8_t>> pages;
  for (int i = 0; i < 3; ++i) {
    PcxPage page;
    page.width = 2 + i;
    page.bytesPerLine = 4;
    page.height = 1;
    page.data = Literals({1, 1, 1, 1});
    page.trailer = {0, 0x100000u * uint32_t(i + 1)};
    pages.push_back(BuildPcx(page));
  }
  std::vector<uint8_t> file = BuildDcx(pages);
  ImageFile counter(file.data(), file.size());
  EXPECT_EQ(counter.GetKind(), ImageKind::Pcx);
  EXPECT_EQ(counter.CountPages(), 3);
  for (int index = 0; index <= 3; ++index) {
    SCOPED_TRACE(index);
    MemoryGraphics graphics(24);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    image.SetPage(index);
    bool ok = image.Decode(DecodeRequest{});
    if (index == 3) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(image.GetLastError(), kErrNoSuchPage);
      continue;
    }
    ASSERT_TRUE(ok) << image.GetLastError();
    BitmapPixels pixels;
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
    std::vector<uint8_t> rgb = PixelsToRgb(pixels);
    EXPECT_EQ(pixels.width, 2 + index);
    EXPECT_EQ(rgb[0], 0x10 * (index + 1));
  }
}
