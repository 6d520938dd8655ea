// The PCX/DCX, TGA, IFF, PSD and PIC decoders on hand-made files: one table of edge cases per format, each
// decoded whole and compared pixel by pixel. Refusals and truncations are files in tests/crashers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ByteWriter.h"
#include "DecodeHelpers.h"
#include "pipeline/MemoryGraphics.h"
#include "formats/PcxDecoder.h"
#include "formats/TgaDecoder.h"

using namespace lumetta;
using testimages::ByteWriter;

namespace {

using Pixels = std::vector<uint32_t>;  // row after row, 0xRRGGBB

struct Case {
  const char* name;
  std::vector<uint8_t> file;
  Pixels pixels;
};

Pixels DecodePixels(ImageFile& image, MemoryGraphics& graphics) {
  BitmapPixels bitmap;
  if (!image.Decode(DecodeRequest{}) || !graphics.ReadPixels(image.GetBitmap(), &bitmap)) return {};
  std::vector<uint8_t> rgb = PixelsToRgb(bitmap);
  Pixels pixels;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    pixels.push_back(uint32_t(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  return pixels;
}

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    ImageFile image(c.file.data(), c.file.size());
    image.SetGraphics(graphics);
    EXPECT_EQ(DecodePixels(image, graphics), c.pixels) << "error " << image.GetLastError();
  }
}

const Pixels kColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080,
                         0x123456, 0x654321, 0xABCDEF, 0xFEDCBA, 0x102030, 0x405060, 0x708090, 0xFFFFFF};

void Rgb(ByteWriter& w, uint32_t c) { w.U8(c >> 16).U8(c >> 8 & 0xFF).U8(c & 0xFF); }
void Bgr(ByteWriter& w, uint32_t c) { w.U8(c & 0xFF).U8(c >> 8 & 0xFF).U8(c >> 16); }

// ---------------------------------------------------------------------------------------------------
// PCX

// A page of `width` x `height`; `data` is the run-length coded scanlines. 8-bit pages of version 5 get
// kColours as their trailing palette, 4-bit pages in their header.
std::vector<uint8_t> Pcx(int version, int bitsPerPixel, int planes, int width, int height, int bytesPerLine,
                         const std::vector<uint8_t>& data, uint32_t tint = 0) {
  ByteWriter w;
  w.U8(0x0A).U8(version).U8(1).U8(bitsPerPixel).Le16(0).Le16(0).Le16(uint32_t(width - 1)).Le16(uint32_t(height - 1));
  w.Le16(72).Le16(72);
  for (uint32_t c : kColours) Rgb(w, c);
  w.U8(0).U8(planes).Le16(uint32_t(bytesPerLine)).Le16(1).Fill(58, 0).Raw(data);
  if (version == 5 && bitsPerPixel * planes == 8) {
    w.U8(12);
    for (int i = 0; i < 256; ++i) Rgb(w, i < 16 ? kColours[size_t(i)] ^ tint : 0);
  }
  return w.bytes;
}

TEST(RasterDecoders, Pcx) {
  ExpectCases({
      // A run of six in a four-byte scanline stops there; the next scanline starts after its value.
      {"run cut at the scanline end",
       Pcx(5, 8, 1, 4, 2, 4, {0xC6, 1, 2, 3, 4, 5}),
       {kColours[1], kColours[1], kColours[1], kColours[1], kColours[2], kColours[3], kColours[4], kColours[5]}},
      // Plane l gives 2^l of the index: planes 0xAA, 0xCC, 0xF0, 0x01.
      {"four 1-bit planes",
       Pcx(5, 1, 4, 8, 1, 1, {0xAA, 0xC1, 0xCC, 0xC1, 0xF0, 0x01}),
       {kColours[7], kColours[6], kColours[5], kColours[4], kColours[3], kColours[2], kColours[1], kColours[8]}},
      {"one 4-bit plane", Pcx(5, 4, 1, 3, 1, 2, {0x1F, 0x20}), {kColours[1], kColours[15], kColours[2]}},
      {"1 bit", Pcx(5, 1, 1, 10, 1, 2, {0xA0, 0x40}), {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0xFFFFFF}},
      {"three 8-bit planes",
       Pcx(5, 8, 3, 2, 1, 2, {0x11, 0xC1, 0xF0, 0x22, 0xC1, 0xE0, 0x33, 0xC1, 0xD0}),
       {0x112233, 0xF0E0D0}},
      {"16 bits 5-6-5", Pcx(5, 16, 1, 2, 1, 4, {0x00, 0xC1, 0xF8, 0x1F, 0x00}), {0xF80000, 0x0000F8}},
      {"version 3 standard colours", Pcx(3, 8, 1, 3, 1, 4, {1, 9, 15, 0}), {0x0000AA, 0x5555FF, 0xFFFFFF}},
  });
}

// Three pages of their own sizes and palettes: a page's colours end where the next page starts.
TEST(RasterDecoders, DcxPages) {
  std::vector<std::vector<uint8_t>> pages;
  for (int i = 0; i < 3; ++i) pages.push_back(Pcx(5, 8, 1, 2 + i, 1, 4, {1, 1, 1, 1}, 0x100000u * uint32_t(i + 1)));
  ByteWriter w;
  w.Le32(kDcxMagic);
  uint32_t offset = 4 + 1025 * 4;
  for (const auto& page : pages) w.Le32(offset), offset += uint32_t(page.size());
  w.Fill((1025 - pages.size()) * 4, 0);
  for (const auto& page : pages) w.Raw(page);

  ImageFile counter(w.bytes.data(), w.size());
  EXPECT_EQ(counter.GetKind(), ImageKind::Pcx);
  EXPECT_EQ(counter.CountPages(), 3);
  for (int index = 0; index <= 3; ++index) {
    SCOPED_TRACE(index);
    MemoryGraphics graphics(24);
    ImageFile image(w.bytes.data(), w.size());
    image.SetGraphics(graphics);
    image.SetPage(index);
    Pixels pixels = DecodePixels(image, graphics);
    if (index == 3) {
      EXPECT_EQ(image.GetLastError(), kErrNoPage);
    } else {
      EXPECT_EQ(pixels, Pixels(size_t(2 + index), kColours[1] ^ 0x100000u * uint32_t(index + 1)));
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// TGA

std::vector<uint8_t> Tga(int type, int depth, int width, int height, int descriptor, const std::vector<uint8_t>& pixels,
                         int mapEntryBits = 0, const Pixels& map = {}, bool footer = false) {
  ByteWriter w;
  w.U8(6).U8(mapEntryBits ? 1 : 0).U8(type).Le16(0).Le16(uint32_t(map.size())).U8(mapEntryBits);
  w.Le16(0).Le16(0).Le16(uint32_t(width)).Le16(uint32_t(height)).U8(depth).U8(descriptor).Text("scan 7");
  for (uint32_t c : map) {
    if (mapEntryBits == 24 || mapEntryBits == 32)
      Bgr(w, c);
    else
      w.Le16(c);
    if (mapEntryBits == 32) w.U8(c >> 24);  // alpha
  }
  w.Raw(pixels);
  if (footer) {
    uint32_t extension = uint32_t(w.size());
    w.Le16(495).Fill(493, 0x5A).Le32(extension).Le32(0).Text("TRUEVISION-XFILE.").U8(0);
  }
  return w.bytes;
}

std::vector<uint8_t> BgrPixels(const Pixels& colours) {
  ByteWriter w;
  for (uint32_t c : colours) Bgr(w, c);
  return w.bytes;
}

const Pixels kPicture = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203};

TEST(RasterDecoders, Tga) {
  std::vector<uint8_t> runs = {0x83};  // a run of four crosses the row end, then two raw pixels
  for (uint8_t b : BgrPixels({0x102030})) runs.push_back(b);
  runs.push_back(0x01);
  for (uint8_t b : BgrPixels({0x405060, 0x708090})) runs.push_back(b);
  ExpectCases({
      {"top-left origin", Tga(2, 24, 3, 2, 0x20, BgrPixels(kPicture)), kPicture},
      {"bottom-left origin with a footer",
       Tga(2, 24, 3, 2, 0x00, BgrPixels({0xA0B0C0, 0xD0E0F0, 0x010203, 0x102030, 0x405060, 0x708090}), 0, {}, true),
       kPicture},
      {"run packet across two rows",
       Tga(10, 24, 3, 2, 0x20, runs),
       {0x102030, 0x102030, 0x102030, 0x102030, 0x405060, 0x708090}},
      // 16-bit entries: blue in bits 0-4, green 5-9, red 10-14, each spread over 0..255.
      {"16-bit colour map",
       Tga(1, 8, 3, 1, 0x20, {0, 1, 2}, 16, {0x7C00, 0x001F, 0x03F0}),
       {0xFF0000, 0x0000FF, 0x00FF83}},
      {"15-bit colour map read as 16",
       Tga(1, 8, 3, 1, 0x20, {2, 1, 0}, 15, {0x7C00, 0x001F, 0x03F0}),
       {0x00FF83, 0x0000FF, 0xFF0000}},
      {"32-bit colour map drops alpha",
       Tga(9, 8, 3, 1, 0x20, {0x00, 1, 0x81, 0}, 32, {0x00102030, 0xFF405060}),
       {0x405060, 0x102030, 0x102030}},
      {"16-bit pixels", Tga(2, 16, 2, 1, 0x20, {0x01, 0x7C, 0xEF, 0x03}), {0xFF0008, 0x00FF7B}},
      {"32-bit pixels", Tga(2, 32, 2, 1, 0x20, {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0x00}), {0x102030, 0x405060}},
  });

  for (bool footer : {false, true}) {
    std::vector<uint8_t> file = Tga(2, 24, 3, 2, 0x20, BgrPixels(kPicture), 0, {}, footer);
    MemoryGraphics graphics(24);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    ASSERT_TRUE(image.Decode(DecodeRequest{}));
    auto* extras = dynamic_cast<TgaExtras*>(image.GetExtras());
    ASSERT_NE(extras, nullptr);
    EXPECT_EQ(extras->id, "scan 7");
    EXPECT_EQ(extras->hasFooter, footer);
    EXPECT_EQ(extras->extension.size(), footer ? 493u : 0u);
  }
}

// ---------------------------------------------------------------------------------------------------
// IFF

using Chunks = std::vector<std::pair<const char*, std::vector<uint8_t>>>;

std::vector<uint8_t> Form(const char* type, const Chunks& chunks) {
  ByteWriter body;
  body.Text(type);
  for (const auto& [id, data] : chunks) {
    body.Text(id).Be32(uint32_t(data.size())).Raw(data);
    if (data.size() & 1) body.U8(0);
  }
  ByteWriter w;
  w.Text("FORM").Be32(uint32_t(body.size())).Raw(body.bytes);
  return w.bytes;
}

std::vector<uint8_t> Bmhd(int width, int height, int planes, int compression) {
  ByteWriter w;
  w.Be16(uint32_t(width)).Be16(uint32_t(height)).Be32(0).U8(planes).U8(0).U8(compression).U8(0).Be16(0).U8(1).U8(1);
  w.Be16(uint32_t(width)).Be16(uint32_t(height));
  return w.bytes;
}

std::vector<uint8_t> Cmap(const Pixels& colours) {
  ByteWriter w;
  for (uint32_t c : colours) Rgb(w, c);
  return w.bytes;
}

// One row of pixel values as plane rows of whole 16-bit words, plane 0 first.
std::vector<uint8_t> PlanarRow(const Pixels& values, int planes) {
  size_t rowBytes = (values.size() + 15) / 16 * 2;
  std::vector<uint8_t> out(rowBytes * size_t(planes), 0);
  for (int plane = 0; plane < planes; ++plane)
    for (size_t x = 0; x < values.size(); ++x)
      if (values[x] >> plane & 1) out[size_t(plane) * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
  return out;
}

TEST(RasterDecoders, Iff) {
  Pixels palette(kColours.begin(), kColours.end());
  palette.resize(32, 0x2468AC);
  auto half = [](uint32_t c) { return (c >> 1) & 0x7F7F7F; };
  std::vector<uint8_t> packed = PlanarRow({1, 2, 3, 4, 5, 6, 0, 1}, 3);  // one ByteRun1 literal
  packed.insert(packed.begin(), uint8_t(packed.size() - 1));
  ExpectCases({
      {"extra half-brite",
       Form("ILBM", {{"BMHD", Bmhd(3, 1, 6, 0)},
                     {"CMAP", Cmap(palette)},
                     {"CAMG", {0, 0, 0, 0x80}},
                     {"BODY", PlanarRow({5, 37, 63}, 6)}}),
       {kColours[5], half(kColours[5]), half(0x2468AC)}},
      // Red from black, blue added, a palette colour, its green changed.
      {"HAM6",
       Form("ILBM", {{"BMHD", Bmhd(4, 1, 6, 0)},
                     {"CMAP", Cmap(kColours)},
                     {"CAMG", {0, 0, 0x08, 0}},
                     {"BODY", PlanarRow({0x2F, 0x15, 0x08, 0x3A}, 6)}}),
       {0xF00000, 0xF00050, 0x123456, 0x12A056}},
      {"24 planes, red first",
       Form("ILBM", {{"BMHD", Bmhd(2, 1, 24, 0)}, {"BODY", PlanarRow({0x563412, 0xEFCDAB}, 24)}}),
       {0x123456, 0xABCDEF}},
      // Rows of three padded to four; ByteRun1 with a -128 that does nothing.
      {"odd-width PBM",
       Form("PBM ", {{"BMHD", Bmhd(3, 2, 8, 1)},
                     {"CMAP", Cmap(kColours)},
                     {"BODY", {0x03, 1, 2, 3, 0, 0x80, 0xFF, 4, 0x01, 6, 0}}}),
       {kColours[1], kColours[2], kColours[3], kColours[4], kColours[4], kColours[6]}},
      {"3 planes ByteRun1",
       Form("ILBM", {{"BMHD", Bmhd(8, 1, 3, 1)}, {"CMAP", Cmap(kColours)}, {"BODY", packed}}),
       {kColours[1], kColours[2], kColours[3], kColours[4], kColours[5], kColours[6], kColours[0], kColours[1]}},
  });
}

// ---------------------------------------------------------------------------------------------------
// PSD

// Whole channel planes after a resource section and an empty layer section; with row lengths, PackBits.
std::vector<uint8_t> Psd(int mode, int depth, int width, int height, const std::vector<std::vector<uint8_t>>& channels,
                         const std::vector<uint8_t>& modeData = {}, const std::vector<uint16_t>& rowLengths = {}) {
  ByteWriter w;
  w.Text("8BPS").Be16(1).Fill(6, 0).Be16(uint32_t(channels.size())).Be32(uint32_t(height)).Be32(uint32_t(width));
  w.Be16(uint32_t(depth)).Be16(uint32_t(mode)).Be32(uint32_t(modeData.size())).Raw(modeData);
  w.Be32(6).Text("8BIM").Be16(0).Be32(4).Be32(0).Be16(rowLengths.empty() ? 0 : 1);
  for (uint16_t length : rowLengths) w.Be16(length);
  for (const auto& channel : channels) w.Raw(channel);
  return w.bytes;
}

TEST(RasterDecoders, Psd) {
  std::vector<uint8_t> palette(768, 0);
  palette[1] = 0xAA, palette[256 + 1] = 0xBB, palette[512 + 1] = 0xCC;
  ExpectCases({
      {"RGB with an alpha channel",
       Psd(3, 8, 2, 1, {{0x10, 0x40}, {0x20, 0x50}, {0x30, 0x60}, {0x00, 0xFF}}),
       {0x102030, 0x405060}},
      // Samples are 255 - ink: black 255 leaves the colour, 0x80 darkens it.
      {"CMYK", Psd(4, 8, 2, 1, {{0x10, 0xFF}, {0x20, 0xC0}, {0x30, 0x90}, {0xFF, 0x80}}), {0x102030, 0x804111}},
      {"bitmap mode: set bits are black", Psd(0, 1, 4, 1, {{0xA0}}), {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF}},
      {"colour mode data of another length", Psd(1, 8, 2, 1, {{0x00, 0x7F}}, {1, 2, 3, 4, 5}), {0x000000, 0x7F7F7F}},
      {"indexed", Psd(2, 8, 2, 1, {{1, 0}}, palette), {0xAABBCC, 0x000000}},
      {"PackBits: a run, a -128, a literal",
       Psd(3, 8, 3, 2, {{0xFE, 0x11, 0x80, 0x02, 0x21, 0x22, 0x23}, {0xFE, 0x44, 0xFE, 0x55}, {0xFE, 0x66, 0xFE, 0x77}},
           {}, {2, 5, 2, 2, 2, 2}),
       {0x114466, 0x114466, 0x114466, 0x215577, 0x225577, 0x235577}},
  });
}

// One pass a channel, a third of the progress each; nothing is shown before the last pass.
TEST(RasterDecoders, PsdProgressRisesPassByPass) {
  std::vector<uint8_t> file =
      Psd(3, 8, 4, 10, {std::vector<uint8_t>(40, 0), std::vector<uint8_t>(40, 0x40), std::vector<uint8_t>(40, 0x80)});
  MemoryGraphics graphics(24);
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
  std::vector<int> progress, rects;
  ImageRect updates[10];
  for (int step = 0; step < 3; ++step) {
    int count = -1;
    ASSERT_TRUE(image.DecodeStep(10, &count, updates));
    progress.push_back(image.GetProgress());
    rects.push_back(count);
  }
  EXPECT_EQ(progress, (std::vector<int>{3333, 6666, 10000}));
  EXPECT_EQ(rects, (std::vector<int>{0, 0, 1}));
  image.EndDecode(false);
}

// ---------------------------------------------------------------------------------------------------
// PIC

// A header of `width` x `height`, the packets (chained flag set on all but the last) and the rows.
struct PicPacketSpec {
  int type;
  int mask;
};
std::vector<uint8_t> Pic(int width, int height, const std::vector<PicPacketSpec>& packets,
                         const std::vector<uint8_t>& data) {
  ByteWriter w;
  w.Raw({0x53, 0x80, 0xF6, 0x34}).Fill(84, 0).Text("PICT").Be16(uint32_t(width)).Be16(uint32_t(height));
  w.Fill(8, 0);
  for (size_t i = 0; i < packets.size(); ++i)
    w.U8(i + 1 < packets.size()).U8(8).U8(packets[i].type).U8(packets[i].mask);
  return w.Raw(data).bytes;
}

TEST(RasterDecoders, Pic) {
  const Pixels row = {0x102030, 0x102030, 0x102030, 0x405060, 0x708090};
  const std::vector<uint8_t> splitRuns = {0x03, 0x10, 0x01, 0x40, 0x01, 0x70,  // red: 3, 1, 1 (pure runs)
                                          0x82, 0x20, 0x01, 0x50, 0x80,        // green: a run of 3, a literal pair
                                          0x80, 0x00, 0x03, 0x30, 0x80, 0x00,
                                          0x01, 0x60, 0x00, 0x90};  // blue: 16-bit runs
  ExpectCases({
      // Runs of 3, then 2 literals; alpha between the colours of each pixel is dropped.
      {"one RGBA packet, mixed runs",
       Pic(5, 1, {{2, 0xF0}}, {0x82, 0x10, 0x20, 0x30, 0xFF, 0x01, 0x40, 0x50, 0x60, 0x00, 0x70, 0x80, 0x90, 0x7F}),
       row},
      {"three packets give the same picture", Pic(5, 1, {{1, 0x80}, {2, 0x40}, {2, 0x20}}, splitRuns), row},
      {"raw RGB",
       Pic(2, 2, {{0, 0xE0}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
       {0x010203, 0x040506, 0x070809, 0x0A0B0C}},
      // 300 pixels from one run on a 200-pixel row; the second row starts right after the run's pixel.
      {"16-bit run clipped to the row",
       Pic(200, 2, {{2, 0xE0}}, {0x80, 0x01, 0x2C, 0xAB, 0xCD, 0xEF, 0x80, 0x00, 0xC8, 1, 2, 3}),
       [] {
         Pixels p(200, 0xABCDEF);
         p.resize(400, 0x010203);
         return p;
       }()},
      // A pure run of count 0 writes nothing; the next run fills the row.
      {"pure run of zero", Pic(2, 1, {{1, 0xE0}}, {0, 9, 9, 9, 2, 7, 7, 7}), {0x070707, 0x070707}},
      // Channels the packets never name stay black.
      {"red only", Pic(2, 1, {{0, 0x80}}, {0x11, 0x22}), {0x110000, 0x220000}},
  });
}

// ---------------------------------------------------------------------------------------------------
// Photo CD

// An image pack with the three uncompressed levels; `luma(level, row, x)` gives each stored sample and
// the chroma is neutral unless `chroma` is set (then C1 and Cr of every pair).
std::vector<uint8_t> Pcd(int rotation, int (*luma)(int level, int row, int x), int c1 = 156, int cr = 137) {
  std::vector<uint8_t> file(96 * 2048 + 768 * 512 * 3 / 2, 0);
  std::copy_n("PCD_IPI", 7, file.begin() + 2048);
  file[3586] = uint8_t(rotation);
  const int start[3] = {4, 23, 96};
  for (int level = 1; level <= 3; ++level) {
    const int width = 192 << (level - 1), height = 128 << (level - 1);
    uint8_t* at = file.data() + start[level - 1] * 2048;
    for (int row = 0; row < height; row += 2) {
      for (int half = 0; half < 2; ++half)
        for (int x = 0; x < width; ++x) *at++ = uint8_t(luma(level, row + half, x));
      at = std::fill_n(at, width / 2, uint8_t(c1));
      at = std::fill_n(at, width / 2, uint8_t(cr));
    }
  }
  return file;
}

int LevelLuma(int level, int, int) { return 50 * level; }
// Stored row r, column x: enough to tell rows and both ends of a row apart.
int PatternLuma(int, int row, int x) { return (row / 64) * 16 + x / 128 + (x == 767 ? 100 : 0); }
uint32_t Grey(int luma) {
  int v = std::min(255, int(1.35638 * luma));
  return uint32_t(v * 0x010101);
}

TEST(RasterDecoders, PhotoCd) {
  // The level each box reads shows in the grey of its samples.
  const struct {
    int boxWidth, boxHeight, level, width, height;
  } levels[] = {{100, 100, 1, 100, 67}, {192, 128, 1, 192, 128}, {300, 200, 2, 300, 200}, {1024, 768, 3, 768, 512}};
  const std::vector<uint8_t> landscape = Pcd(0, LevelLuma);
  for (const auto& c : levels) {
    SCOPED_TRACE(c.boxWidth);
    MemoryGraphics graphics(24);
    ImageFile image(landscape.data(), landscape.size());
    image.SetGraphics(graphics);
    DecodeRequest request;
    request.width = c.boxWidth, request.height = c.boxHeight;
    BitmapPixels bitmap;
    ASSERT_TRUE(image.Decode(request)) << image.GetLastError();
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &bitmap));
    EXPECT_EQ(bitmap.width, c.width);
    EXPECT_EQ(bitmap.height, c.height);
    std::vector<uint8_t> rgb = PixelsToRgb(bitmap);
    const uint32_t grey = Grey(50 * c.level);
    EXPECT_TRUE(std::all_of(rgb.begin(), rgb.end(), [&](uint8_t v) { return v == (grey & 0xFF); }));
  }

  // Chroma moves red and blue in opposite directions from grey.
  {
    std::vector<uint8_t> file = Pcd(0, LevelLuma, 100, 200);
    MemoryGraphics graphics(24);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    BitmapPixels bitmap;
    ASSERT_TRUE(image.Decode(DecodeRequest{}) && graphics.ReadPixels(image.GetBitmap(), &bitmap));
    std::vector<uint8_t> rgb = PixelsToRgb(bitmap);
    EXPECT_EQ(rgb[0], 255);  // 203 + 114
    EXPECT_EQ(rgb[1], 203 + int(-0.43018 * -56) + int(-0.92725 * 63));
    EXPECT_EQ(rgb[2], 203 + int(2.21802 * -56));
  }

  // A portrait pack is delivered upright, 512 x 768, column by column: stored row c is column c, read
  // from its end (rotation 1) or column 511 - c, read from its start (rotations 2 and 3).
  for (int rotation : {1, 3}) {
    SCOPED_TRACE(rotation);
    std::vector<uint8_t> file = Pcd(rotation, PatternLuma);
    MemoryGraphics graphics(24);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
    int count = 0;
    ImageRect rects[100];
    ASSERT_TRUE(image.DecodeStep(100, &count, rects));
    ASSERT_EQ(count, 1);
    EXPECT_EQ(rects[0], (rotation == 1 ? ImageRect{0, 0, 100, 768} : ImageRect{412, 0, 512, 768}));
    while (image.GetProgress() < 10000) ASSERT_TRUE(image.DecodeStep(100, &count, rects));
    BitmapPixels bitmap;
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &bitmap));
    image.EndDecode(false);
    ASSERT_EQ(bitmap.width, 512);
    ASSERT_EQ(bitmap.height, 768);
    std::vector<uint8_t> rgb = PixelsToRgb(bitmap);
    for (int column : {0, 130, 511})
      for (int y : {0, 300, 767}) {
        int row = rotation == 1 ? column : 511 - column, x = rotation == 1 ? 767 - y : y;
        EXPECT_EQ(rgb[size_t(y * 512 + column) * 3], Grey(PatternLuma(3, row, x)) & 0xFF) << column << "," << y;
      }
  }
}

}  // namespace
