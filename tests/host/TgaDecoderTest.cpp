// The TGA decoder: row order, run packets across rows, colour maps, depths, the footer and extension area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteWriter.h"
#include "DecodeHelpers.h"
#include "MemoryGraphics.h"
#include "TgaDecoder.h"

using namespace lumetta;
using testimages::ByteWriter;
using testimages::DecodeBytes;

namespace {

struct TgaFile {
  int type = 2;
  int depth = 24;
  int width = 3;
  int height = 2;
  int descriptor = 0x20;  // top-left origin
  std::string id;
  int mapEntryBits = 0;   // 0: no colour map
  std::vector<uint32_t> map;
  std::vector<uint8_t> pixels;  // as stored
  bool footer = false;
};

std::vector<uint8_t> BuildTga(const TgaFile& t) {
  ByteWriter w;
  w.U8(int(t.id.size())).U8(t.mapEntryBits ? 1 : 0).U8(t.type);
  w.Le16(0).Le16(uint32_t(t.map.size())).U8(t.mapEntryBits);
  w.Le16(0).Le16(0).Le16(uint32_t(t.width)).Le16(uint32_t(t.height)).U8(t.depth).U8(t.descriptor);
  w.Text(t.id.c_str());
  for (uint32_t c : t.map) {
    if (t.mapEntryBits == 24) w.U8(c & 0xFF).U8(c >> 8 & 0xFF).U8(c >> 16);
    else w.Le16(c);  // already packed 5-5-5
  }
  w.Raw(t.pixels);
  if (t.footer) {
    uint32_t extension = uint32_t(w.size());
    w.Le16(495).Fill(493, 0x5A);
    w.Le32(extension).Le32(0).Text("TRUEVISION-XFILE.").U8(0);
  }
  return w.bytes;
}

// 24-bit pixels stored blue, green, red.
std::vector<uint8_t> Bgr(std::initializer_list<uint32_t> colours) {
  std::vector<uint8_t> out;
  for (uint32_t c : colours) out.insert(out.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8 & 0xFF), uint8_t(c >> 16)});
  return out;
}

struct TgaCase {
  const char* name;
  TgaFile file;
  int error;
  std::vector<uint32_t> pixels;  // top row first
};

const std::vector<uint32_t> kPicture = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203};

std::vector<TgaCase> Cases() {
  std::vector<TgaCase> cases;
  TgaFile topLeft;
  topLeft.pixels = Bgr({0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203});
  cases.push_back({"top-left origin", topLeft, 0, kPicture});
  TgaFile bottomLeft = topLeft;
  bottomLeft.descriptor = 0;
  bottomLeft.pixels = Bgr({0xA0B0C0, 0xD0E0F0, 0x010203, 0x102030, 0x405060, 0x708090});
  bottomLeft.footer = true;
  cases.push_back({"bottom-left origin with a footer", bottomLeft, 0, kPicture});

  TgaFile runs = topLeft;  // a run of four crosses the row end, then a raw packet of two
  runs.type = 10;
  runs.pixels = {0x83};
  ByteWriter packets;
  packets.Raw(Bgr({0x102030})).U8(0x01).Raw(Bgr({0x405060, 0x708090}));
  runs.pixels.insert(runs.pixels.end(), packets.bytes.begin(), packets.bytes.end());
  cases.push_back({"run packet across two rows", runs, 0,
                   {0x102030, 0x102030, 0x102030, 0x102030, 0x405060, 0x708090}});

  TgaFile mapped;  // 16-bit map entries: blue in bits 0-4, red in 10-14
  mapped.type = 1, mapped.depth = 8, mapped.width = 3, mapped.height = 1, mapped.mapEntryBits = 16;
  mapped.map = {0x7C00, 0x001F, 0x03E0 | 0x0010};
  mapped.pixels = {0, 1, 2};
  cases.push_back({"16-bit colour map", mapped, 0, {0xFF0000, 0x0000FF, 0x00FF83}});

  TgaFile rleMapped = mapped;  // 24-bit map, run-length indexes
  rleMapped.type = 9, rleMapped.mapEntryBits = 24, rleMapped.map = {0x112233, 0x445566};
  rleMapped.pixels = {0x81, 1, 0x00, 0};
  cases.push_back({"24-bit colour map, run-length", rleMapped, 0, {0x445566, 0x445566, 0x112233}});

  TgaFile sixteen = topLeft;  // 5-bit channels spread over 0..255
  sixteen.depth = 16, sixteen.width = 2, sixteen.height = 1;
  sixteen.pixels = {0x01, 0x7C, 0xEF, 0x03};
  cases.push_back({"16-bit pixels", sixteen, 0, {0xFF0008, 0x00FF7B}});

  TgaFile alpha = topLeft;  // the fourth byte is dropped
  alpha.depth = 32, alpha.width = 2, alpha.height = 1;
  alpha.pixels = {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0x00};
  cases.push_back({"32-bit pixels", alpha, 0, {0x102030, 0x405060}});

  TgaFile gray = topLeft;
  gray.type = 3, gray.depth = 8, gray.width = 2, gray.height = 1, gray.pixels = {0x00, 0x80};
  cases.push_back({"gray", gray, 0, {0x000000, 0x808080}});

  TgaFile fifteen = topLeft;
  fifteen.depth = 15;
  cases.push_back({"15-bit pixels refused", fifteen, kErrFormat, {}});

  TgaFile truncated = topLeft;
  truncated.pixels.resize(10);
  cases.push_back({"rows cut short", truncated, kErrRow, {}});

  TgaFile endless = runs;  // the packets end before the image does
  endless.pixels.resize(4);
  cases.push_back({"run-length data cut short", endless, kErrRow, {}});
  return cases;
}

}  // namespace

TEST(TgaDecoder, EdgeCases) {
  for (const TgaCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    testimages::Decoded d = DecodeBytes(BuildTga(c.file), graphics);
    EXPECT_EQ(d.ok ? 0 : d.error, c.error);
    if (c.error != 0) continue;
    std::vector<uint32_t> pixels;
    for (int y = 0; y < d.height(); ++y)
      for (int x = 0; x < d.width(); ++x) pixels.push_back(d.At(x, y));
    EXPECT_EQ(pixels, c.pixels);
  }
}

TEST(TgaDecoder, ExtrasKeepTheIdentificationAndTheExtensionArea) {
  for (bool footer : {false, true}) {
    TgaFile file;
    file.id = "scan 7";
    file.pixels = Bgr({1, 2, 3, 4, 5, 6});
    file.footer = footer;
    std::vector<uint8_t> bytes = BuildTga(file);
    MemoryGraphics graphics(24);
    ImageFile image(bytes.data(), bytes.size());
    image.SetGraphics(graphics);
    ASSERT_TRUE(image.Decode(DecodeRequest{}));
    auto* extras = dynamic_cast<TgaExtras*>(image.GetExtras());
    ASSERT_NE(extras, nullptr);
    EXPECT_EQ(extras->id, "scan 7");
    EXPECT_EQ(extras->width, 3);
    EXPECT_EQ(extras->descriptor, 0x20);
    EXPECT_EQ(extras->hasFooter, footer);
    EXPECT_EQ(extras->extensionSize, footer ? 495 : 0);
    EXPECT_EQ(extras->extension.size(), footer ? 493u : 0u);
  }
}
