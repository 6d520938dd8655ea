// The IFF decoder: planar and chunky rows, ByteRun1, hold-and-modify, half-brite palettes, 24 planes
// and the chunk walk's failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteWriter.h"
#include "DecodeHelpers.h"
#include "MemoryGraphics.h"

using namespace lumetta;
using testimages::ByteWriter;
using testimages::DecodeBytes;

namespace {

void Chunk(ByteWriter& w, const char* id, const std::vector<uint8_t>& data) {
  w.Text(id).Be32(uint32_t(data.size())).Raw(data);
  if (data.size() & 1) w.U8(0);
}

std::vector<uint8_t> Bmhd(int width, int height, int planes, int compression, int masking = 0) {
  ByteWriter w;
  w.Be16(uint32_t(width)).Be16(uint32_t(height)).Be16(0).Be16(0).U8(planes).U8(masking).U8(compression).U8(0);
  w.Be16(0).U8(1).U8(1).Be16(uint32_t(width)).Be16(uint32_t(height));
  return w.bytes;
}

std::vector<uint8_t> Cmap(const std::vector<uint32_t>& colours) {
  ByteWriter w;
  for (uint32_t c : colours) w.U8(c >> 16).U8(c >> 8 & 0xFF).U8(c & 0xFF);
  return w.bytes;
}

// One row of pixel values as `planes` plane rows of whole 16-bit words, plane 0 first.
std::vector<uint8_t> PlanarRow(const std::vector<uint32_t>& values, int planes) {
  size_t rowBytes = (values.size() + 15) / 16 * 2;
  std::vector<uint8_t> out(rowBytes * size_t(planes), 0);
  for (int plane = 0; plane < planes; ++plane)
    for (size_t x = 0; x < values.size(); ++x)
      if (values[x] >> plane & 1) out[size_t(plane) * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
  return out;
}

struct IffCase {
  const char* name;
  std::vector<uint8_t> file;
  int error;
  std::vector<uint32_t> pixels;  // row after row, 0xRRGGBB
};

std::vector<uint8_t> Form(const char* type, const std::vector<std::pair<const char*, std::vector<uint8_t>>>& chunks) {
  ByteWriter body;
  body.Text(type);
  for (const auto& [id, data] : chunks) Chunk(body, id, data);
  ByteWriter w;
  w.Text("FORM").Be32(uint32_t(body.size())).Raw(body.bytes);
  return w.bytes;
}

std::vector<IffCase> Cases() {
  std::vector<IffCase> cases;
  std::vector<uint32_t> palette32;
  for (uint32_t i = 0; i < 32; ++i) palette32.push_back(i * 0x040201u + 0x402010u);
  cases.push_back({"extra half-brite", Form("ILBM", {{"BMHD", Bmhd(3, 1, 6, 0)}, {"CMAP", Cmap(palette32)},
                                                     {"CAMG", {0, 0, 0, 0x80}}, {"BODY", PlanarRow({5, 37, 63}, 6)}}),
                   0, {palette32[5], (palette32[5] >> 1) & 0x7F7F7F, (palette32[31] >> 1) & 0x7F7F7F}});

  std::vector<uint32_t> palette16(16, 0);
  palette16[3] = 0x102030;
  // Red from black, blue added, a palette colour, its green changed.
  cases.push_back({"HAM6", Form("ILBM", {{"BMHD", Bmhd(4, 1, 6, 0)}, {"CMAP", Cmap(palette16)},
                                         {"CAMG", {0, 0, 0x08, 0}},
                                         {"BODY", PlanarRow({0x2F, 0x15, 0x03, 0x3A}, 6)}}),
                   0, {0xF00000, 0xF00050, 0x102030, 0x10A030}});

  std::vector<uint8_t> rgbBody = PlanarRow({0x563412, 0xEFCDAB}, 24);  // planes 0-7 are red
  cases.push_back({"24 planes", Form("ILBM", {{"BMHD", Bmhd(2, 1, 24, 0)}, {"BODY", rgbBody}}), 0,
                   {0x123456, 0xABCDEF}});

  std::vector<uint32_t> grays = {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666};
  // Odd-width chunky rows are padded to even; ByteRun1 with a -128 that does nothing.
  std::vector<uint8_t> chunkyBody = {0x03, 1, 2, 3, 0, 0x80, 0xFF, 4, 0x01, 6, 0};
  cases.push_back({"odd-width PBM", Form("PBM ", {{"BMHD", Bmhd(3, 2, 8, 1)}, {"CMAP", Cmap(grays)}, {"BODY", chunkyBody}}),
                   0, {0x111111, 0x222222, 0x333333, 0x444444, 0x444444, 0x666666}});

  std::vector<uint8_t> planar = PlanarRow({1, 2, 3, 4, 5, 6, 0, 1}, 3);  // 3 planes x 2 bytes, one literal
  std::vector<uint8_t> packed = {uint8_t(planar.size() - 1)};
  packed.insert(packed.end(), planar.begin(), planar.end());
  cases.push_back({"3 planes ByteRun1", Form("ILBM", {{"BMHD", Bmhd(8, 1, 3, 1)}, {"CMAP", Cmap(grays)}, {"BODY", packed}}),
                   0, {grays[1], grays[2], grays[3], grays[4], grays[5], grays[6], 0x000000, grays[1]}});
  cases.push_back({"run past the row", Form("ILBM", {{"BMHD", Bmhd(8, 1, 3, 1)}, {"BODY", {0xF9, 0}}}), kErrRow, {}});
  cases.push_back({"BODY before BMHD", Form("ILBM", {{"BODY", {0, 0}}, {"BMHD", Bmhd(2, 1, 1, 0)}}), kErrFormat, {}});
  cases.push_back({"HAM of 5 planes", Form("ILBM", {{"BMHD", Bmhd(2, 1, 5, 0)}, {"CAMG", {0, 0, 0x08, 0}},
                                                    {"BODY", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}),
                   kErrFormat, {}});
  return cases;
}

}  // namespace

TEST(IffDecoder, EdgeCases) {
  for (const IffCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    testimages::Decoded d = DecodeBytes(c.file, graphics);
    EXPECT_EQ(d.ok ? 0 : d.error, c.error);
    if (c.error != 0) continue;
    std::vector<uint32_t> pixels;
    for (int y = 0; y < d.height(); ++y)
      for (int x = 0; x < d.width(); ++x) pixels.push_back(d.At(x, y));
    EXPECT_EQ(pixels, c.pixels);
  }
}
