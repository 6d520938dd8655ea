// ImageFile: detection by signature, labels, the extension filter, and the decode cycle with its pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "CodecBuilders.h"
#include "DecodeHelpers.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"
#include "ScriptedDecoder.h"

using namespace lumetta;
using testimages::BmpLayout;
using testimages::BuildBmp;

namespace {

void Be16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = uint8_t(v >> 8);
  b[at + 1] = uint8_t(v);
}
void Be32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Be16(b, at, v >> 16);
  Be16(b, at + 2, v & 0xFFFF);
}
void Le16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Le32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Le16(b, at, v & 0xFFFF);
  Le16(b, at + 2, v >> 16);
}
void Text(std::vector<uint8_t>& b, size_t at, const char* text) {
  size_t n = std::strlen(text);
  if (b.size() < at + n) b.resize(at + n);
  std::memcpy(b.data() + at, text, n);
}

// A 300 x 200 RGB TIFF whose pixels begin with the JPEG start marker, so the JPEG tester would accept
// it too.
std::vector<uint8_t> Tiff() {
  std::vector<uint8_t> pixels(300 * 200 * 3, 0x80);
  pixels[0] = 0xFF, pixels[1] = 0xD8;
  return testimages::WriteTiff(
      [&](TIFF* tiff) { testimages::WriteTiffPage(tiff, 300, 200, 8, 3, PHOTOMETRIC_RGB, pixels); });
}

std::vector<uint8_t> Gif() {
  std::vector<uint8_t> b;
  Text(b, 0, "GIF89a");
  Le16(b, 6, 320);
  Le16(b, 8, 200);
  b.push_back(0xF7);  // global table of 256 colours
  b.resize(40, 0);
  return b;
}

std::vector<uint8_t> Pcd() {
  std::vector<uint8_t> b(4096, 0);
  Text(b, 2048, "PCD_IPI");
  b[3586] = 1;  // portrait
  return b;
}

std::vector<uint8_t> Pcx() {
  std::vector<uint8_t> b(128, 0);
  b[0] = 0x0A;
  b[3] = 8;
  Le16(b, 8, 639);
  Le16(b, 10, 479);
  b[65] = 1;
  return b;
}

std::vector<uint8_t> Pic() {
  std::vector<uint8_t> b(120, 0);
  b[0] = 0x53, b[1] = 0x80, b[2] = 0xF6, b[3] = 0x34;
  Text(b, 88, "PICT");
  Be16(b, 92, 100);
  Be16(b, 94, 50);
  b[104] = 1, b[105] = 8, b[107] = 0xE0;  // chained: red, green, blue
  b[108] = 0, b[109] = 8, b[111] = 0x10;  // last: alpha
  return b;
}

std::vector<uint8_t> Png() {
  testimages::PngOptions options;
  options.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  return testimages::EncodePng(16, 8, std::vector<uint8_t>(16 * 8 * 4, 0x40), options);
}

std::vector<uint8_t> Psd() {
  std::vector<uint8_t> b;
  Text(b, 0, "8BPS");
  Be16(b, 4, 1);
  Be16(b, 12, 3);
  Be32(b, 14, 30);
  Be32(b, 18, 40);
  Be16(b, 22, 8);
  Be16(b, 24, 3);
  b.resize(40, 0);
  return b;
}

std::vector<uint8_t> Tga() {
  std::vector<uint8_t> b(30, 0);
  b[2] = 2;
  Le16(b, 12, 64);
  Le16(b, 14, 32);
  b[16] = 24;
  b[17] = 0x20;
  return b;
}

std::vector<uint8_t> Wmf(int right, int bottom, int unitsPerInch) {
  std::vector<uint8_t> b(60, 0);
  Le32(b, 0, 0x9AC6CDD7u);
  Le16(b, 10, uint32_t(right));
  Le16(b, 12, uint32_t(bottom));
  Le16(b, 14, uint32_t(unitsPerInch));
  uint32_t sum = 0;
  for (int w = 0; w < 10; ++w) sum ^= uint32_t(b[2 * w] | b[2 * w + 1] << 8);
  Le16(b, 20, sum);
  return b;
}

// HAM is told by a CAMG chunk that comes after the header chunk.
std::vector<uint8_t> IffHam() {
  std::vector<uint8_t> b;
  Text(b, 0, "FORM");
  Be32(b, 4, 100);
  Text(b, 8, "ILBM");
  Text(b, 12, "BMHD");
  Be32(b, 16, 20);
  Be16(b, 20, 320);
  Be16(b, 22, 200);
  b.resize(40, 0);
  b[28] = 6;  // planes
  Text(b, 40, "CAMG");
  Be32(b, 44, 4);
  Be32(b, 48, 0x800);
  Text(b, 52, "BODY");
  Be32(b, 56, 0);
  return b;
}

std::vector<uint8_t> Jpeg(bool jfif, int components) {
  testimages::JpegOptions options;
  options.jfif = jfif;
  options.components = components;
  return testimages::EncodeJpeg(160, 120, testimages::SamplePicture(160, 120, components), options);
}

// Tiles of 128 x 128, each a JPEG stream of its own: the JPEG tester would find the first one.
std::vector<uint8_t> TiledJpegTiff() {
  std::vector<uint8_t> pixels = testimages::SamplePicture(200, 150, 3);
  return testimages::WriteTiff([&](TIFF* tiff) {
    testimages::WriteTiledTiffPage(tiff, 200, 150, 8, 3, PHOTOMETRIC_RGB, pixels, 128, 128, COMPRESSION_JPEG);
  });
}

// 16-bit samples, which the decoder refuses, over a strip that holds a whole JPEG file.
std::vector<uint8_t> RefusedTiffHoldingJpeg() {
  std::vector<uint8_t> jpeg = Jpeg(true, 3);
  return testimages::WriteTiff(
      [&](TIFF* tiff) { testimages::WriteTiffPage(tiff, 160, 120, 16, 1, PHOTOMETRIC_MINISBLACK, jpeg); });
}

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = testing::TempDir() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

}  // namespace

TEST(DetectKind, EachTesterRecognisesItsSignatureInTheFixedOrder) {
  BmpLayout bmp108;
  bmp108.headerSize = 108;
  bmp108.width = bmp108.height = 2;
  BmpLayout bmp124 = bmp108;
  bmp124.headerSize = 124;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    ImageKind kind;
    int width, height, bits;
  } cases[] = {
      {"TIFF before the JPEG tester", Tiff(), ImageKind::Tiff, 300, 200, 24},
      {"GIF", Gif(), ImageKind::Gif, 320, 200, 8},
      {"Photo CD portrait", Pcd(), ImageKind::Pcd, 512, 768, 24},
      {"PCX", Pcx(), ImageKind::Pcx, 640, 480, 8},
      {"Softimage PIC with alpha", Pic(), ImageKind::Pic, 100, 50, 32},
      {"PNG with alpha, composited to three channels", Png(), ImageKind::Png, 16, 8, 24},
      {"PSD", Psd(), ImageKind::Psd, 40, 30, 24},
      {"TGA", Tga(), ImageKind::Tga, 64, 32, 24},
      {"metafile of 10 x 5 inches", Wmf(14399, 7199, 1440), ImageKind::Wmf, 960, 480, 24},
      {"metafile of 40 x 10 inches is scaled to 2000", Wmf(23039, 5759, 576), ImageKind::Wmf, 2000, 500, 24},
      {"IFF with HAM after the header", IffHam(), ImageKind::Iff, 320, 200, 12},
      {"JFIF", Jpeg(true, 3), ImageKind::Jpeg, 160, 120, 24},
      {"JPEG without JFIF", Jpeg(false, 1), ImageKind::Jpeg, 160, 120, 8},
      {"BMP header of 108 bytes", BuildBmp(bmp108), ImageKind::Bmp, 2, 2, 24},
      {"BMP header of 124 bytes", BuildBmp(bmp124), ImageKind::Bmp, 2, 2, 24},
      {"tiled TIFF of JPEG tiles", TiledJpegTiff(), ImageKind::Tiff, 200, 150, 24},
      {"TIFF the decoder refuses, holding a JPEG", RefusedTiffHoldingJpeg(), ImageKind::Tiff, 160, 120, 16},
      {"text", std::vector<uint8_t>(200, 'a'), ImageKind::Unknown, 0, 0, 0},
      {"nothing", {}, ImageKind::Unknown, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageFile image(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(image.GetKind(), c.kind);
    if (c.kind == ImageKind::Unknown) {
      EXPECT_EQ(image.GetLastError(), kErrFormat);
      continue;
    }
    EXPECT_EQ(image.GetWidth(), c.width);
    EXPECT_EQ(image.GetHeight(), c.height);
    EXPECT_EQ(image.GetBitsPerPixel(), c.bits);
  }
}

TEST(DetectKind, ContentDecidesNotTheNameAndMissingFilesSay101) {
  std::string path = WriteFile("really-a-gif.jpg", Gif());
  ImageFile gif(path.c_str());
  EXPECT_EQ(gif.GetKind(), ImageKind::Gif);
  std::remove(path.c_str());

  ImageFile missing((testing::TempDir() + "no-such-image.bmp").c_str());
  EXPECT_EQ(missing.GetKind(), ImageKind::Unknown);
  EXPECT_EQ(missing.GetLastError(), kErrFileNotFound);
  EXPECT_FALSE(missing.Decode(DecodeRequest{}));
  EXPECT_EQ(missing.GetLastError(), kErrFileNotFound);

  // Detected, but the host has no decoder for it: metafiles are played by GDI, on Windows only.
  std::vector<uint8_t> wmfBytes = Wmf(14399, 7199, 1440);
  ImageFile wmfImage(wmfBytes.data(), wmfBytes.size());
  EXPECT_EQ(wmfImage.GetKind(), ImageKind::Wmf);
  EXPECT_FALSE(wmfImage.Decode(DecodeRequest{}));
  EXPECT_EQ(wmfImage.GetLastError(), kErrNoDecoder);
}

TEST(FormatImageLabel, WritesSizeDepthAndTypeWord) {
  struct Case {
    ImageKind kind;
    int width, height, bits;
    bool parenthesize;
    const char* expected;
  } cases[] = {
      {ImageKind::Gif, 640, 480, 8, true, "(640x480x256 gif)"},
      {ImageKind::Bmp, 1, 1, 1, false, "1x1x2 bmp"},
      {ImageKind::Pcx, 2, 2, 2, true, "(2x2x4 pcx)"},
      {ImageKind::Iff, 3, 3, 3, true, "(3x3x8 iff)"},
      {ImageKind::Tga, 4, 4, 4, true, "(4x4x16 tga)"},
      {ImageKind::Iff, 5, 5, 5, true, "(5x5x32 iff)"},
      {ImageKind::Iff, 6, 6, 6, true, "(6x6x64 iff)"},
      {ImageKind::Iff, 7, 7, 7, true, "(7x7x128 iff)"},
      {ImageKind::Iff, 8, 8, 12, true, "(8x8xHAM iff)"},
      {ImageKind::Tga, 9, 9, 15, true, "(9x9x32k tga)"},
      {ImageKind::Png, 10, 10, 16, true, "(10x10x64k png)"},
      {ImageKind::Iff, 11, 11, 18, true, "(11x11xHAM8 iff)"},
      {ImageKind::Jpeg, 12, 12, 24, true, "(12x12x16M jpeg)"},
      {ImageKind::Psd, 13, 13, 32, true, "(13x13x16M+ psd)"},
      {ImageKind::Tiff, 14, 14, 48, true, "(14x14 tiff)"},
      {ImageKind::Pcd, 15, 15, 24, true, "(15x15x16M pcd)"},
      {ImageKind::Wmf, 16, 16, 24, true, "(16x16x16M wmf)"},
      {ImageKind::Pic, 17, 17, 24, true, "(17x17x16M pic)"},
      {ImageKind::Fif, 18, 18, 24, true, "(18x18x16M fif)"},
      {ImageKind::Unknown, 640, 480, 8, true, "(640x480x256)"},
      {ImageKind::Bmp, 0, 480, 8, true, "(Unknown)"},
      {ImageKind::Bmp, 640, 0, 8, false, "Unknown"},
  };
  for (const Case& c : cases) {
    char label[300];
    FormatImageLabel(label, sizeof label, nullptr, c.kind, c.width, c.height, c.bits, c.parenthesize, false);
    EXPECT_STREQ(label, c.expected);
  }
  char label[300];
  FormatImageLabel(label, sizeof label, "C:\\pictures\\cat.bmp", ImageKind::Bmp, 2, 3, 24, true, false);
  EXPECT_STREQ(label, "cat.bmp (2x3x16M bmp)");
  FormatImageLabel(label, sizeof label, "C:\\pictures\\cat.bmp", ImageKind::Bmp, 2, 3, 24, true, true);
  EXPECT_STREQ(label, "C:\\pictures\\cat.bmp (2x3x16M bmp)");
  FormatImageLabel(label, sizeof label, "C:\\cat.bmp", ImageKind::Bmp, 2, 3, 24, false, true);
  EXPECT_STREQ(label, "C:\\cat.bmp 2x3x16M bmp");
  // A small buffer is cut, never overrun.
  char small[8];
  FormatImageLabel(small, sizeof small, nullptr, ImageKind::Gif, 640, 480, 8, true, false);
  EXPECT_STREQ(small, "(640x48");
}

TEST(IsImageFileName, KnowsTheImageExtensions) {
  for (const char* yes : {"a.bmp", "A.DIB",  "x.rle", "x.gif",  "x.iff",  "x.lbm", "x.ilbm",         "x.jpg",
                          "x.JPE", "x.jpeg", "x.jif", "x.jfif", "x.pcd",  "x.dcx", "x.pcx",          "x.pic",
                          "x.png", "x.psd",  "x.tga", "x.tif",  "x.tiff", "x.wmf", "dir.d\\name.Bmp"})
    EXPECT_TRUE(IsImageFileName(yes)) << yes;
  for (const char* no : {"a.txt", "noextension", "a.bmp.txt", "dir.bmp\\file", "a.", "a.lnk", "a.jpgx", ""})
    EXPECT_FALSE(IsImageFileName(no)) << no;
}

TEST(ImageFilePages, AnAllPagesDecodeGrowsPastThe32PagesItStartsWith) {
  MemoryGraphics graphics(24);
  {
    std::vector<uint8_t> bytes = testimages::ScriptedDecoder::Header(6, 4, 40, false, 8);
    ImageFile image(bytes.data(), bytes.size());
    image.SetGraphics(graphics);
    image.SetDecoderFactory(&testimages::ScriptedFactory);
    ASSERT_EQ(image.GetKind(), ImageKind::Pcx);
    EXPECT_EQ(image.CountPages(), 40);

    DecodeRequest request;
    request.allPages = 1;
    ASSERT_TRUE(image.BeginDecode(request));
    int steps = 0;
    while (image.GetProgress() < kProgressComplete && steps < 1000) {
      ASSERT_TRUE(image.DecodeStep(4, nullptr, nullptr));
      if (image.GetProgress() == kProgressComplete) {
        EXPECT_EQ(image.GetCurrentPage(), 39);
      }
      ++steps;
    }
    ASSERT_TRUE(image.EndDecode(false));
    EXPECT_EQ(image.GetCurrentPage(), 0);
    ASSERT_EQ(image.GetPageCount(), 40);
    for (int page = 0; page < 40; ++page) {
      BitmapPixels pixels;
      ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(page), &pixels)) << page;
      EXPECT_EQ(pixels.rows[0], page) << "each page keeps its own bitmap";
    }
    EXPECT_EQ(image.GetProgress(), kProgressComplete);
  }
  {
    // The ceiling holds for the whole run: pages kept count against the pages still to come, and the run
    // ends (successfully) with the pages that fit.
    std::vector<uint8_t> bytes = testimages::ScriptedDecoder::Header(6, 4, 40, false, 8);
    ImageFile image(bytes.data(), bytes.size());
    image.SetGraphics(graphics);
    image.SetDecoderFactory(&testimages::ScriptedFactory);
    image.SetMemoryCeiling(600);
    DecodeRequest request;
    request.allPages = 1;
    EXPECT_TRUE(image.Decode(request));
    int kept = 0;
    while (kept < image.GetPageCount() && image.GetBitmap(kept)) ++kept;
    EXPECT_GT(kept, 1);
    EXPECT_LE(kept * 8 * 4, 600) << kept << " pages of 32 bytes";

    // Pages released once shown no longer count, and the run reaches the last page.
    ImageFile shown(bytes.data(), bytes.size());
    shown.SetGraphics(graphics);
    shown.SetDecoderFactory(&testimages::ScriptedFactory);
    shown.SetMemoryCeiling(600);
    ASSERT_TRUE(shown.BeginDecode(request));
    int last = 0;
    for (int steps = 0; shown.GetProgress() < kProgressComplete && steps < 1000; ++steps) {
      ASSERT_TRUE(shown.DecodeStep(4, nullptr, nullptr)) << shown.GetLastError();
      for (int page = 0; page + 1 < shown.GetCurrentPage(); ++page) shown.ReleasePage(page);
      last = std::max(last, shown.GetCurrentPage());
    }
    EXPECT_TRUE(shown.EndDecode(false));
    EXPECT_EQ(last, 39);
  }
  EXPECT_EQ(graphics.LiveObjects(), 0);
}

TEST(ImageFilePages, EndingHalfWayReleasesOrKeepsThePartialImage) {
  MemoryGraphics graphics(24);
  BmpLayout layout;
  layout.width = 8;
  layout.height = 100;
  layout.bits = 24;
  layout.pixel = [](int x, int y) { return uint32_t(x + y); };
  std::vector<uint8_t> file = BuildBmp(layout);
  for (bool release : {true, false}) {
    SCOPED_TRACE(release);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
    int count = 0;
    ImageRect rects[10];
    ASSERT_TRUE(image.DecodeStep(10, &count, rects));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(rects[0], (ImageRect{0, 90, 8, 100})) << "a bottom-up file fills from the bottom";
    EXPECT_EQ(image.GetUpdateRect(), (ImageRect{0, 90, 8, 100}));
    EXPECT_EQ(image.GetProgress(), 1000);
    ASSERT_TRUE(image.EndDecode(release));
    EXPECT_FALSE(image.IsDecoding());
    EXPECT_EQ(image.GetBitmap() == nullptr, release);
    EXPECT_EQ(image.GetProgress(), release ? 0 : kProgressComplete);
  }
  // SetPage during a decode ends it and drops what was incomplete.
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
  ASSERT_TRUE(image.DecodeStep(10, nullptr, nullptr));
  EXPECT_TRUE(image.SetPage(0));
  EXPECT_FALSE(image.IsDecoding());
  EXPECT_EQ(image.GetBitmap(), nullptr);
  EXPECT_FALSE(image.EndDecode(false)) << "no decode is running";
  EXPECT_FALSE(image.BeginDecode(DecodeRequest{}) && image.BeginDecode(DecodeRequest{}))
      << "a second BeginDecode while decoding fails";
}

TEST(ImageFilePages, AFileHandleRangeIsReadLikeAFileOfItsOwn) {
  MemoryGraphics graphics(24);
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  layout.bits = 24;
  layout.pixel = [](int x, int y) { return uint32_t(0x102030 * (x + 1) + y); };
  std::vector<uint8_t> bmp = BuildBmp(layout);
  std::vector<uint8_t> container(100, 'x');
  container.insert(container.end(), bmp.begin(), bmp.end());
  container.resize(container.size() + 50, 'y');
  std::string path = WriteFile("container.bin", container);
  FileHandle file = OpenFileForReading(path.c_str());
  ASSERT_NE(file, kInvalidFile);
  {
    ImageFile image(file, 100, int64_t(bmp.size()));
    image.SetGraphics(graphics);
    ASSERT_EQ(image.GetKind(), ImageKind::Bmp);
    ASSERT_TRUE(image.Decode(DecodeRequest{})) << image.GetLastError();
    BitmapPixels pixels;
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
    std::vector<uint8_t> rgb = PixelsToRgb(pixels);
    EXPECT_EQ(rgb[0], 0x10);
    EXPECT_EQ(rgb[3 * 5 + 2], uint8_t(0x90 + 1));
    EXPECT_EQ(image.GetPath(), nullptr);
  }
  CloseFile(file);
  std::remove(path.c_str());
  EXPECT_EQ(graphics.LiveObjects(), 0);
}

// Decoded in steps, a tall image delivers its last row and completes: progress stays below complete
// (below half way in the first of two passes) until the image has really ended.
TEST(ImageFilePages, TallImagesDecodedInStepsReachTheirLastRow) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = 20001;
  layout.bits = 24;
  layout.pixel = [](int, int y) { return y == 20000 ? 0xFF00FFu : 0x204060u; };
  std::vector<uint8_t> file = BuildBmp(layout);
  struct Case {
    int screen;
    int ditherMode;  // 3: two passes on an 8-bit display
  } cases[] = {{24, 1}, {8, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    MemoryGraphics graphics(c.screen);
    DecodeRequest request;
    request.ditherMode = c.ditherMode;
    request.bottomUp = 1;
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    ASSERT_TRUE(image.BeginDecode(request));
    int steps = 0;
    while (image.GetProgress() < kProgressComplete && steps < 100) {
      ASSERT_TRUE(image.DecodeStep(1000, nullptr, nullptr)) << image.GetLastError() << " at " << image.GetProgress();
      ++steps;
    }
    EXPECT_EQ(image.GetProgress(), kProgressComplete);
    ASSERT_TRUE(image.EndDecode(false));
    BitmapPixels pixels;
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
    std::vector<uint8_t> rgb = PixelsToRgb(pixels);
    EXPECT_GT(rgb[3 * 20000], 0xC0) << "the last row arrived";
    EXPECT_LT(rgb[3 * 20000 + 1], 0x40);
    // A row a step: the progress stands still for two or more steps at a time, and that is not a stall.
    ImageFile again(file.data(), file.size());
    again.SetGraphics(graphics);
    EXPECT_TRUE(testimages::DecodeInSteps(again, request, 1)) << again.GetLastError();
  }
}

namespace {
uint32_t slowClockNow = 0;
// Each look at this clock finds 700 ms gone: a decode that has to look three times is out of 2 s.
uint32_t SlowClock() { return slowClockNow += 700; }
}  // namespace

TEST(ImageFileBudget, AnImageOverItsMemoryOrTimeLeavesNoPictureAndNothingHeld) {
  BmpLayout layout;  // 16 x 4000: its thumbnail is 1 x 100, a hundred output rows to decode
  layout.width = 16;
  layout.height = 4000;
  layout.bits = 24;
  layout.pixel = [](int x, int y) { return uint32_t(x * 16) << 16 | uint32_t(y % 256); };
  const std::vector<uint8_t> bmp = BuildBmp(layout);
  // A progressive file's thumbnail takes about 55 steps, but the library absorbs all ten scans inside one
  // of them, looking at the clock between rows of blocks: hundreds of looks in all.
  std::vector<uint8_t> samples(size_t(800) * 800 * 3);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = testimages::Sample(int(i / 3 % 800), int(i / 2400), int(i % 3));
  testimages::JpegOptions progressive;
  progressive.progressive = true;
  const std::vector<uint8_t> jpeg = testimages::EncodeJpeg(800, 800, samples, progressive);
  DecodeRequest thumbnail;
  thumbnail.width = thumbnail.height = 100;
  thumbnail.ditherMode = 2;
  thumbnail.fixedPalette = 1;
  struct Case {
    const char* what;
    const std::vector<uint8_t>& file;
    DecodeBudget budget;
    int error;  // 0: the thumbnail is made
  } cases[] = {
      {"no limits", bmp, {}, kErrNone},
      {"within both", bmp, {int64_t(1) << 20, 1000000, &SlowClock}, kErrNone},
      {"memory beyond the ceiling", bmp, {64, 0, nullptr}, kErrFormat},
      {"time runs out", bmp, {int64_t(1) << 20, 2000, &SlowClock}, kErrOutOfTime},
      {"progressive within its time", jpeg, {int64_t(16) << 20, 1000000, &SlowClock}, kErrNone},
      {"progressive out of time inside one step", jpeg, {int64_t(16) << 20, 100 * 700, &SlowClock}, kErrOutOfTime},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryGraphics graphics(8);
    ImageFile image(c.file.data(), c.file.size());
    image.SetGraphics(graphics);
    slowClockNow = 0;
    const bool ok = image.DecodeWithinBudget(thumbnail, c.budget);
    EXPECT_EQ(ok ? kErrNone : image.GetLastError(), c.error);
    EXPECT_EQ(image.GetBitmap() != nullptr, c.error == kErrNone);
    if (ok) {
      EXPECT_EQ(image.GetOutputHeight(), 100);
    }
    image.ReleaseAll();
    EXPECT_EQ(graphics.LiveObjects(), 0);
  }
}
