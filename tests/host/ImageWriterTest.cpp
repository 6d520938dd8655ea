// The BMP and JPEG writers over memory bitmaps, and the unique output names of conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "image/ImageConversion.h"
#include "formats/ImageWriter.h"
#include "pipeline/MemoryGraphics.h"
#include "pipeline/PathHelpers.h"

using namespace lumetta;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

struct TempFolder {
  TempFolder() {
    char pattern[] = "/tmp/writer-test-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempFolder() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  fs::path path;
};

// A DIB section holding the layout's picture, stored top-down or bottom-up, with its palette.
BitmapHandle MakeSection(MemoryGraphics& graphics, testimages::BmpLayout layout, bool topDown) {
  layout.height = topDown ? -std::abs(layout.height) : std::abs(layout.height);
  BitmapHeader header;
  header.info.width = layout.width;
  header.info.height = layout.height;
  header.info.bitCount = layout.bits;
  uint8_t* bits = nullptr;
  BitmapHandle bitmap = graphics.CreateDibSection(header, nullptr, &bits);
  std::vector<uint8_t> rows = testimages::StoredRows(layout);
  std::memcpy(bits, rows.data(), rows.size());
  std::vector<RgbColor> table;
  for (uint32_t c : layout.palette) table.push_back(RgbColor{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  if (!table.empty()) graphics.SetColorTable(bitmap, table.data(), int(table.size()));
  return bitmap;
}

int32_t WriteWhole(ImageWriter& writer, BitmapHandle bitmap, MemoryGraphics& graphics, const std::string& path) {
  if (writer.SetSource(bitmap, graphics) != 0) return kWriterFailed;
  writer.SetOutputPath(path.c_str());
  if (writer.Begin() != 0 || writer.WriteRows(writer.Height()) != 0) return kWriterFailed;
  return writer.Finish();
}

}  // namespace

TEST(BmpWriter, HeadersTablesAndRowsForEveryDepthWhateverTheSourceRowOrder) {
  struct Case {
    uint16_t bits;
    int width, height, paletteSize;
    uint32_t fileSize, pixelOffset;
  } cases[] = {
      {24, 3, 2, 0, 78, 54},               // rows of 9 bytes padded to 12
      {8, 5, 3, 256, 1078 + 3 * 8, 1078},  // the full colour table
      {4, 7, 2, 16, 54 + 64 + 2 * 4, 54 + 64},
      {1, 33, 2, 2, 54 + 8 + 2 * 8, 54 + 8},
      {16, 3, 3, 0, 54 + 3 * 8, 54},
      {32, 2, 2, 0, 54 + 2 * 8, 54},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    MemoryGraphics graphics;
    testimages::BmpLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bits = c.bits;
    layout.palette = testimages::IndexPalette(c.paletteSize);
    layout.pixel = [&](int x, int y) {
      return uint32_t(x * 7 + y * 13 + 1) * (c.bits > 8 ? 0x010305u : 1u) % (c.paletteSize ? c.paletteSize : 0xFFFFFF);
    };
    std::vector<uint8_t> files[2];
    for (bool topDown : {false, true}) {
      BitmapHandle section = MakeSection(graphics, layout, topDown);
      BmpWriter writer;
      std::string path = folder / (topDown ? "top.bmp" : "bottom.bmp");
      ASSERT_EQ(WriteWhole(writer, section, graphics, path), 0);
      EXPECT_EQ(writer.GetProgress(), 10000);
      files[topDown] = ReadAll(path);
      graphics.DeleteBitmap(section);
    }
    EXPECT_EQ(files[0], files[1]) << "a top-down source gives the same file as a bottom-up one";
    const std::vector<uint8_t>& file = files[0];
    ASSERT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), c.fileSize);
    EXPECT_EQ(Le32(file, 10), c.pixelOffset);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(Le32(file, 22), uint32_t(c.height)) << "positive height: bottom-up";
    EXPECT_EQ(Le32(file, 38), 2880u);
    EXPECT_EQ(Le32(file, 42), 2880u);
    EXPECT_EQ(Le32(file, 46), 0u) << "colours used";
    if (c.paletteSize) {
      EXPECT_EQ(Le32(file, 54 + 4 * (c.paletteSize - 1)), layout.palette.back());
    }
    layout.height = c.height;  // as the file stores it: bottom-up
    std::vector<uint8_t> rows = testimages::StoredRows(layout);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), file.begin() + c.pixelOffset));
    EXPECT_EQ(graphics.LiveObjects(), 0);
  }
}

TEST(ImageWriter, AFailedRefusedOrUnfinishedWriteLeavesTheTargetAsItWas) {
  TempFolder folder;
  MemoryGraphics graphics;
  testimages::BmpLayout layout;
  layout.width = 4;
  layout.height = 4;
  const std::string target = folder / "old.img";
  const std::string companion = OutputFile::CompanionName(target.c_str());
  for (uint16_t bits : {uint16_t(16), uint16_t(32), uint16_t(24)}) {
    SCOPED_TRACE(bits);
    layout.bits = bits;
    BitmapHandle section = MakeSection(graphics, layout, false);
    WriteAll(target, "the user's file");
    if (bits != 24) {
      JpegWriter jpeg;
      EXPECT_EQ(WriteWhole(jpeg, section, graphics, target), kWriterFailed) << "JPEG takes 8 and 24 bits only";
    } else {
      for (int stop : {0, 1, 2}) {  // destroyed half-way, finished with rows missing, rows after a failure
        std::unique_ptr<ImageWriter> writer = std::make_unique<JpegWriter>();
        if (stop == 1) writer = std::make_unique<BmpWriter>();
        ASSERT_EQ(writer->SetSource(section, graphics), 0);
        writer->SetOutputPath(target.c_str());
        ASSERT_EQ(writer->Begin(), 0);
        EXPECT_EQ(writer->WriteRows(2), 0);
        EXPECT_TRUE(fs::exists(companion));
        if (stop == 1) {
          EXPECT_EQ(writer->Finish(), kWriterFailed);
        }
        if (stop == 2) {
          fs::remove(companion);
          fs::create_directory(companion);  // the finished file cannot be put in its place
          EXPECT_EQ(writer->WriteRows(2), 0);
          EXPECT_EQ(writer->Finish(), kWriterFailed);
          fs::remove(companion);
        }
        writer.reset();
        EXPECT_FALSE(fs::exists(companion)) << stop;
        EXPECT_EQ(ReadAll(target),
                  std::vector<uint8_t>(std::begin("the user's file"), std::end("the user's file") - 1));
      }
    }
    EXPECT_FALSE(fs::exists(companion));
    graphics.DeleteBitmap(section);
  }
  BmpWriter noPath;
  EXPECT_EQ(noPath.Begin(), kWriterFailed);
  EXPECT_EQ(noPath.SetSource(nullptr, graphics), kWriterFailed);
}

TEST(MakeUniqueFileName, CountsOnFromTheNumberAfterTheLastUnderscore) {
  TempFolder folder;
  struct Case {
    std::vector<const char*> existing;
    const char* source;
    OutputFormat format;
    const char* expected;
  } cases[] = {
      {{}, "a.jpg", OutputFormat::Bmp, "a.bmp"},
      {{"a.bmp"}, "a.jpg", OutputFormat::Bmp, "a_2.bmp"},
      {{"a.bmp", "a_2.bmp"}, "a.jpg", OutputFormat::Bmp, "a_3.bmp"},
      {{"a_9.bmp"}, "a_9.gif", OutputFormat::Bmp, "a_10.bmp"},
      {{"scan_7.jpg"}, "scan_7.bmp", OutputFormat::Jpeg, "scan_8.jpg"},
      {{"x_.jpg"}, "x_.bmp", OutputFormat::Jpeg, "x_1.jpg"},
      {{"photo.v2.bmp"}, "photo.v2.tif", OutputFormat::Bmp, "photo.v2_2.bmp"},
      {{"noext"}, "noext", OutputFormat::Bmp, "noext.bmp"},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder.path);
    fs::create_directory(folder.path);
    for (const char* name : c.existing) WriteAll(folder / name, "x");
    char out[kPathBufferSize];
    ConversionOutputName((folder / c.source).c_str(), c.format, out);
    EXPECT_EQ(std::string(out), folder / c.expected) << c.source;
  }
  char out[kPathBufferSize];
  WriteAll(folder / "noext", "x");
  MakeUniqueFileName((folder / "noext").c_str(), out);
  EXPECT_EQ(std::string(out), folder / "noext_2");
}
