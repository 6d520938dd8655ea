// The PSD decoder: colour modes, channel composition, PackBits rows, skipped sections and the progress
// of the channel passes.
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

struct PsdFile {
  int mode = 3;
  int depth = 8;
  int width = 2;
  int height = 1;
  std::vector<std::vector<uint8_t>> channels;  // each a whole plane, as stored (raw) or coded rows
  std::vector<uint8_t> modeData;
  std::vector<uint16_t> rowLengths;            // non-empty: PackBits, channels hold coded rows
};

std::vector<uint8_t> BuildPsd(const PsdFile& p) {
  ByteWriter w;
  w.Text("8BPS").Be16(1).Fill(6, 0).Be16(uint32_t(p.channels.size())).Be32(uint32_t(p.height));
  w.Be32(uint32_t(p.width)).Be16(uint32_t(p.depth)).Be16(uint32_t(p.mode));
  w.Be32(uint32_t(p.modeData.size())).Raw(p.modeData);
  w.Be32(6).Text("8BIM").Be16(0);  // a resource section to step over
  w.Be32(4).Be32(0);               // an empty layer section
  w.Be16(p.rowLengths.empty() ? 0 : 1);
  for (uint16_t length : p.rowLengths) w.Be16(length);
  for (const auto& channel : p.channels) w.Raw(channel);
  return w.bytes;
}

struct PsdCase {
  const char* name;
  PsdFile file;
  int error;
  std::vector<uint32_t> pixels;
};

std::vector<PsdCase> Cases() {
  std::vector<PsdCase> cases;
  PsdFile rgba;
  rgba.channels = {{0x10, 0x40}, {0x20, 0x50}, {0x30, 0x60}, {0x00, 0xFF}};
  cases.push_back({"RGB with an alpha channel", rgba, 0, {0x102030, 0x405060}});

  PsdFile cmyk;  // samples stored as 255 - ink: black 255 leaves the colour, 0x80 darkens it
  cmyk.mode = 4;
  cmyk.channels = {{0x10, 0xFF}, {0x20, 0xC0}, {0x30, 0x90}, {0xFF, 0x80}};
  cases.push_back({"CMYK", cmyk, 0, {0x102030, 0x804111}});

  PsdFile bitmap;  // set bits are ink
  bitmap.mode = 0, bitmap.depth = 1, bitmap.width = 4;
  bitmap.channels = {{0xA0}};
  cases.push_back({"bitmap mode", bitmap, 0, {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF}});

  PsdFile gray;  // colour mode data of another mode's length is stepped over
  gray.mode = 1, gray.modeData = {1, 2, 3, 4, 5};
  gray.channels = {{0x00, 0x7F}};
  cases.push_back({"gray with other colour mode data", gray, 0, {0x000000, 0x7F7F7F}});

  PsdFile indexed;
  indexed.mode = 2;
  indexed.modeData.assign(768, 0);
  indexed.modeData[1] = 0xAA, indexed.modeData[256 + 1] = 0xBB, indexed.modeData[512 + 1] = 0xCC;
  indexed.channels = {{1, 0}};
  cases.push_back({"indexed", indexed, 0, {0xAABBCC, 0x000000}});

  PsdFile packed;  // rows of 3: a run, a literal, and a -128 that does nothing
  packed.width = 3, packed.height = 2;
  packed.rowLengths = {2, 5, 2, 2, 2, 2};
  packed.channels = {{0xFE, 0x11, 0x80, 0x02, 0x21, 0x22, 0x23}, {0xFE, 0x44, 0xFE, 0x55}, {0xFE, 0x66, 0xFE, 0x77}};
  cases.push_back({"PackBits", packed, 0, {0x114466, 0x114466, 0x114466, 0x215577, 0x225577, 0x235577}});

  PsdFile overlong = packed;  // a run of four in a row of three
  overlong.channels[0][0] = 0xFD;
  cases.push_back({"PackBits row too long", overlong, kErrRow, {}});

  PsdFile cut = rgba;
  cut.channels = {{0x10, 0x40}, {0x20}, {}};
  cases.push_back({"channel data cut short", cut, kErrRow, {}});

  PsdFile missing = rgba;  // RGB needs three channels
  missing.channels = {{0x10, 0x40}};
  cases.push_back({"RGB with one channel", missing, kErrFormat, {}});
  return cases;
}

}  // namespace

TEST(PsdDecoder, EdgeCases) {
  for (const PsdCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    testimages::Decoded d = DecodeBytes(BuildPsd(c.file), graphics);
    EXPECT_EQ(d.ok ? 0 : d.error, c.error);
    if (c.error != 0) continue;
    std::vector<uint32_t> pixels;
    for (int y = 0; y < d.height(); ++y)
      for (int x = 0; x < d.width(); ++x) pixels.push_back(d.At(x, y));
    EXPECT_EQ(pixels, c.pixels);
  }
}

// One pass a channel: a third of the progress each, nothing shown before the last pass.
TEST(PsdDecoder, ProgressRisesPassByPass) {
  PsdFile file;
  file.width = 4, file.height = 10;
  for (int c = 0; c < 3; ++c) file.channels.push_back(std::vector<uint8_t>(40, uint8_t(0x40 * c)));
  std::vector<uint8_t> bytes = BuildPsd(file);
  MemoryGraphics graphics(24);
  ImageFile image(bytes.data(), bytes.size());
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
