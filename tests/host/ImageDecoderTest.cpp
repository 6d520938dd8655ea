// The decoder base: output size, row shrinking, unpackers, the display-depth pipeline, two-pass colour
// reduction, byte sources and the failures of bitmap creation.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "DecodeHelpers.h"
#include "pipeline/MemoryGraphics.h"
#include "pipeline/PlatformFiles.h"
#include "ScriptedDecoder.h"

using namespace lumetta;
using testimages::BmpLayout;
using testimages::BuildBmp;
using testimages::DecodeBytes;
using testimages::ScriptedDecoder;

TEST(ComputeOutputSize, FitsIntoTheBoxAtOnePerMilleAndNeverEnlarges) {
  struct Case {
    int boxW, boxH, imageW, imageH, outW, outH;
  } cases[] = {
      {100, 100, 1000, 10, 100, 1},
      {0, 0, 640, 480, 640, 480},
      {2000, 2000, 640, 480, 640, 480},
      {100, 100, 4000, 3000, 100, 75},
      {100, 100, 1, 1000, 1, 100},
      {100, 0, 400, 300, 100, 75},
      {1, 1, 3, 3, 1, 1},
      {100, 100, 100000 / 100, 1, 100, 1},
      {32767, 32767, 5, 7, 5, 7},
  };
  for (const Case& c : cases) {
    int w = -1, h = -1;
    ImageDecoder::ComputeOutputSize(c.boxW, c.boxH, c.imageW, c.imageH, &w, &h);
    EXPECT_EQ(w, c.outW) << c.imageW << "x" << c.imageH << " in " << c.boxW << "x" << c.boxH;
    EXPECT_EQ(h, c.outH) << c.imageW << "x" << c.imageH << " in " << c.boxW << "x" << c.boxH;
  }
}

TEST(ShrinkRow, KeepsOrAveragesThePixelsOfEachOutputPixel) {
  // 24 bits: 5 pixels into 2; the accumulator emits after pixels 3 and 5 (means of 3 and of 2).
  const uint8_t bgr[15] = {30, 60, 90, 60, 90, 120, 90, 120, 150, 10, 20, 30, 11, 21, 31};
  uint8_t out24[6] = {};
  ImageDecoder::ShrinkRow(bgr, out24, 5, 2, 24, false);
  EXPECT_EQ(std::vector<uint8_t>(out24, out24 + 6), (std::vector<uint8_t>{60, 90, 120, 10, 20, 30}));

  // Palette indices keep the pixel that completes each output pixel; gray samples average.
  const uint8_t indices[6] = {1, 2, 3, 4, 5, 6};
  uint8_t out8[3] = {};
  ImageDecoder::ShrinkRow(indices, out8, 6, 3, 8, false);
  EXPECT_EQ(std::vector<uint8_t>(out8, out8 + 3), (std::vector<uint8_t>{2, 4, 6}));
  ImageDecoder::ShrinkRow(indices, out8, 6, 3, 8, true);
  EXPECT_EQ(std::vector<uint8_t>(out8, out8 + 3), (std::vector<uint8_t>{1, 3, 5}));

  // 1 bit: 16 pixels into 4, each output pixel the bit of pixels 3, 7, 11, 15.
  const uint8_t bits[2] = {0b00010000, 0b00010001};
  uint8_t out1[1] = {0xFF};
  ImageDecoder::ShrinkRow(bits, out1, 16, 4, 1, false);
  EXPECT_EQ(out1[0], 0b10110000);

  // A target longer than the source is clipped to it.
  uint8_t same[6] = {};
  ImageDecoder::ShrinkRow(indices, same, 6, 9, 8, false);
  EXPECT_EQ(std::vector<uint8_t>(same, same + 6), std::vector<uint8_t>(indices, indices + 6));
}

TEST(PixelUnpackers, ConvertEachPackingAsDocumented) {
  const uint8_t sixteen[4] = {0xFF, 0xFF, 0x1F, 0x7C};  // 0xFFFF and 0x7C1F
  uint8_t out[6];
  Unpack565To24(sixteen, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0xF8, 0xFC, 0xF8, 0xF8, 0x80, 0x78}));
  Unpack555To24(sixteen, out, 2);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{0xF8, 0xF8, 0xF8, 0xF8, 0x00, 0xF8}));

  const uint8_t packed[2] = {0b10110000, 0x9A};
  uint8_t bytes[4];
  Unpack1To8(packed, bytes, 4);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{1, 0, 1, 1}));
  Unpack4To8(packed + 1, bytes, 2);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 2), (std::vector<uint8_t>{9, 10}));
  const uint8_t ones[9] = {1, 0, 1, 1, 0, 0, 0, 1, 1};
  uint8_t repacked[2] = {0xFF, 0xFF};
  Pack8To1(ones, repacked, 9);
  EXPECT_EQ(repacked[0], 0b10110001);
  EXPECT_EQ(repacked[1], 0b10000000);

  const uint8_t cmyk[8] = {10, 20, 30, 40, 250, 100, 0, 200};
  uint8_t bgr[6];
  CmykToBgr(cmyk, bgr, 2, false);
  EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 6), (std::vector<uint8_t>{185, 195, 205, 55, 0, 0}));
  CmykToBgr(cmyk, bgr, 2, true);
  EXPECT_EQ(std::vector<uint8_t>(bgr, bgr + 6), (std::vector<uint8_t>{0, 0, 0, 0, 45, 195}));
}

namespace {

// A 24-bit image whose colours all fall between 15-bit levels: 0x0C in every channel.
std::vector<uint8_t> MidLevelImage(int width, int height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = 24;
  layout.pixel = [](int, int) { return 0x0C0C0Cu; };
  return BuildBmp(layout);
}

std::vector<uint8_t> ColourfulImage(int width, int height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bits = 24;
  layout.pixel = [](int x, int y) { return uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t((x + y) * 2); };
  return BuildBmp(layout);
}

}  // namespace

TEST(OutputPipeline, TrueColourOnA16BitDisplayPacksOrDithers) {
  MemoryGraphics graphics(16);
  DecodeRequest plain;
  plain.ditherTo16 = 0;
  testimages::Decoded packed = DecodeBytes(MidLevelImage(16, 16), plain, graphics);
  ASSERT_TRUE(packed.ok);
  ASSERT_EQ(packed.pixels.bitCount, 16);
  std::set<uint16_t> plainValues, ditheredValues;
  for (int i = 0; i < 16 * 16; ++i) {
    const uint8_t* p = packed.pixels.rows.data() + packed.pixels.stride * (i / 16) + 2 * (i % 16);
    plainValues.insert(uint16_t(p[0] | p[1] << 8));
  }
  EXPECT_EQ(plainValues, (std::set<uint16_t>{1 << 10 | 1 << 5 | 1}));  // 12 >> 3 = 1 in each channel

  testimages::Decoded dithered = DecodeBytes(MidLevelImage(16, 16), DecodeRequest{}, graphics);
  ASSERT_TRUE(dithered.ok);
  ASSERT_EQ(dithered.pixels.bitCount, 16);
  for (int i = 0; i < 16 * 16; ++i) {
    const uint8_t* p = dithered.pixels.rows.data() + dithered.pixels.stride * (i / 16) + 2 * (i % 16);
    ditheredValues.insert(uint16_t(p[0] | p[1] << 8));
  }
  EXPECT_GT(ditheredValues.size(), 1u) << "ordered dithering mixes the neighbouring levels";
}

TEST(OutputPipeline, TwoPassReductionReportsBothPassesAndUsesAtMost236Colours) {
  for (int ditherMode : {3, 4}) {
    SCOPED_TRACE(ditherMode);
    MemoryGraphics graphics(8);
    std::vector<uint8_t> file = ColourfulImage(64, 48);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    DecodeRequest request;
    request.ditherMode = ditherMode;
    ASSERT_TRUE(image.BeginDecode(request));
    std::vector<int> progress = {image.GetProgress()};
    while (image.GetProgress() < kProgressComplete) {
      ASSERT_TRUE(image.DecodeStep(8, nullptr, nullptr)) << image.GetLastError();
      progress.push_back(image.GetProgress());
    }
    // 6 steps of pass 1 up to 5000, 6 of pass 2 up to 10000, never backwards.
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[6], 5000);
    EXPECT_EQ(progress.back(), kProgressComplete);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
    for (size_t i = 1; i <= 6; ++i) EXPECT_LE(progress[i], 5000);

    ASSERT_TRUE(image.EndDecode(false));
    int colours = graphics.GetPaletteColors(image.GetPalette(), nullptr, 0);
    EXPECT_GT(colours, 16);
    EXPECT_LE(colours, 236);
    BitmapPixels pixels;
    ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
    EXPECT_EQ(pixels.bitCount, 8);
    for (uint8_t index : pixels.rows) EXPECT_LT(index, colours);
    ASSERT_NE(image.GetFullColorBitmap(), nullptr) << "pass 1 is kept at full colour";
  }
}

TEST(OutputPipeline, DecodeAfterCompletionAndRowsPastTheEnd) {
  MemoryGraphics graphics(24);
  std::vector<uint8_t> file = ColourfulImage(8, 8);
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
  ASSERT_TRUE(image.DecodeStep(100, nullptr, nullptr));
  EXPECT_EQ(image.GetProgress(), kProgressComplete);
  image.EndDecode(false);

  // The decoder itself refuses a further slice once complete.
  std::vector<uint8_t> header = ScriptedDecoder::Header(4, 4, 1, false, 8);
  ScriptedDecoder decoder(ImageSource::Memory(header.data(), header.size()));
  decoder.SetGraphics(graphics);
  ASSERT_TRUE(decoder.Open(false));
  ASSERT_TRUE(decoder.SelectPage(0));
  ASSERT_TRUE(decoder.BeginImage(DecodeRequest{}, 24));
  ASSERT_TRUE(decoder.DecodeRows(4, nullptr, nullptr));
  EXPECT_FALSE(decoder.DecodeRows(1, nullptr, nullptr));
  EXPECT_EQ(decoder.GetLastError(), kErrInvalidState);

  // A row at or past the output height is refused without an error code.
  ASSERT_TRUE(decoder.BeginImage(DecodeRequest{}, 24));
  uint8_t row[8] = {};
  EXPECT_FALSE(decoder.PutRow(row, 4));
  EXPECT_FALSE(decoder.PutRow(row, -1));
  EXPECT_EQ(decoder.GetLastError(), kErrNone);
  EXPECT_TRUE(decoder.PutRow(row, 3));
  EXPECT_FALSE(decoder.PutColumn(0, row)) << "a row decoder takes no columns";
  EXPECT_EQ(decoder.GetLastError(), kErrInvalidState);
  EXPECT_FALSE(decoder.Reserved());
  EXPECT_EQ(decoder.GetLastError(), kErrReserved);
}

TEST(OutputPipeline, GrayImagesGet236LevelsOnAn8BitDisplayAnd256Elsewhere) {
  for (int screen : {8, 24}) {
    SCOPED_TRACE(screen);
    MemoryGraphics graphics(screen);
    std::vector<uint8_t> header = ScriptedDecoder::Header(256, 2, 1, true, 8);
    ScriptedDecoder decoder(ImageSource::Memory(header.data(), header.size()));
    decoder.SetGraphics(graphics);
    ASSERT_TRUE(decoder.Open(false));
    ASSERT_TRUE(decoder.SelectPage(0));
    ASSERT_TRUE(decoder.BeginImage(DecodeRequest{}, screen));
    ASSERT_TRUE(decoder.DecodeRows(2, nullptr, nullptr));
    int levels = graphics.GetPaletteColors(decoder.GetPalette(), nullptr, 0);
    EXPECT_EQ(levels, screen == 8 ? 236 : 256);
    BitmapPixels pixels;
    ASSERT_TRUE(graphics.ReadPixels(decoder.GetBitmap(), &pixels));
    std::vector<uint8_t> rgb = PixelsToRgb(pixels);
    // Black and white stay exact; a middle grey lands on the nearest level below.
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[255 * 3], 255);
    int middle = rgb[128 * 3];
    if (screen == 8) {
      EXPECT_NEAR(middle, 128, 2);
    } else {
      EXPECT_EQ(middle, 128);
    }
  }
}

TEST(OutputPipeline, DeviceBitmapsHoldTheSameColoursAsSections) {
  MemoryGraphics graphics(24);
  BmpLayout palette8;
  palette8.width = 9;
  palette8.height = 4;
  palette8.bits = 8;
  palette8.palette = {0xFF0000, 0x00FF00, 0x0000FF};
  palette8.pixel = [](int x, int y) { return uint32_t(x + y) % 3; };
  for (const std::vector<uint8_t>& file : {BuildBmp(palette8), ColourfulImage(9, 4)}) {
    DecodeRequest device;
    device.deviceBitmap = 1;
    testimages::Decoded a = DecodeBytes(file, DecodeRequest{}, graphics);
    testimages::Decoded b = DecodeBytes(file, device, graphics);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.rgb, b.rgb);
  }
  EXPECT_EQ(graphics.LiveObjects(), 0);
}

TEST(OutputPipeline, FailedGraphicsObjectsReportTheirErrorsAndLeakNothing) {
  struct Case {
    const char* name;
    MemoryGraphics::Creation failing;
    int after;
    DecodeRequest request;
    int error;
  };
  DecodeRequest fullColour;
  fullColour.makeFullColorBitmap = 1;
  DecodeRequest device;
  device.deviceBitmap = 1;
  Case cases[] = {
      {"display bitmap", MemoryGraphics::Creation::DibSection, 0, DecodeRequest{}, kErrDisplayBitmap},
      {"full-colour bitmap", MemoryGraphics::Creation::DibSection, 1, fullColour, kErrFullColorBitmap},
      {"palette", MemoryGraphics::Creation::Palette, 0, DecodeRequest{}, kErrPalette},
      {"memory DC", MemoryGraphics::Creation::MemoryContext, 0, device, kErrMemoryDc},
      {"device row", MemoryGraphics::Creation::DeviceRow, 2, device, kErrDeviceRow},
  };
  BmpLayout layout;
  layout.width = 5;
  layout.height = 5;
  layout.bits = 8;
  layout.palette = testimages::IndexPalette(256);
  layout.pixel = [](int x, int) { return uint32_t(x); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    graphics.FailNext(c.failing, c.after);
    {
      testimages::Decoded decoded = DecodeBytes(BuildBmp(layout), c.request, graphics);
      EXPECT_FALSE(decoded.ok);
      EXPECT_EQ(decoded.error, c.error);
    }
    EXPECT_EQ(graphics.LiveObjects(), 0);
  }
}

namespace {

std::string WriteTempFile(const std::vector<uint8_t>& bytes) {
  char name[] = "/tmp/lumetta-test-XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  FILE* file = fdopen(fd, "wb");
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  return name;
}

}  // namespace

TEST(ByteSources, PositionsStayInsideTheSource) {
  std::vector<uint8_t> bytes = ScriptedDecoder::Header(2, 2, 1, false, 8);
  bytes.resize(100);
  for (int i = 20; i < 100; ++i) bytes[i] = uint8_t(i);
  std::string path = WriteTempFile(bytes);
  FileHandle file = OpenFileForReading(path.c_str());
  ASSERT_NE(file, kInvalidFile);

  // A 50-byte window of the file from offset 10, the same bytes in memory, and the whole file.
  ScriptedDecoder window(ImageSource::FileRange(file, 10, 50));
  ScriptedDecoder memory(ImageSource::Memory(bytes.data() + 10, 50));
  ScriptedDecoder whole(ImageSource::Path(path.c_str()));
  for (ScriptedDecoder* d : {&window, &memory}) {
    ASSERT_FALSE(d->Open(false)) << "the window does not start with a header";
    // The end itself is a position from every origin; one past it from none.
    int64_t position = -1;
    EXPECT_FALSE(d->Seek(51, 0, &position));
    EXPECT_EQ(d->GetLastError(), kErrSeek);
    EXPECT_FALSE(d->Seek(-1, 0, &position));
    EXPECT_FALSE(d->Seek(1, 2, &position));
    EXPECT_TRUE(d->Seek(0, 2, &position));
    EXPECT_EQ(position, 50);
    EXPECT_TRUE(d->Seek(50, 0, &position));
    EXPECT_TRUE(d->Seek(49, 0, &position));
    EXPECT_TRUE(d->Seek(1, 1, &position));
    EXPECT_EQ(position, 50);
    EXPECT_FALSE(d->Seek(1, 1, &position));
    ASSERT_TRUE(d->Seek(40, 0, &position));
    uint8_t data[20] = {};
    uint32_t got = 0;
    EXPECT_FALSE(d->Read(data, 20, &got));
    EXPECT_EQ(d->GetLastError(), kErrEndOfData);
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(data[0], 50) << "byte 40 of the window is byte 50 of the file";
  }
  ASSERT_TRUE(whole.Open(false));
  EXPECT_FALSE(whole.Seek(101, 0, nullptr)) << "a path source ends at its file's end too";
  EXPECT_TRUE(whole.Seek(100, 0, nullptr));
  CloseFile(file);
  std::remove(path.c_str());

  ScriptedDecoder missing(ImageSource::Path("/nonexistent/image.bmp"));
  EXPECT_FALSE(missing.Open(false));
  EXPECT_EQ(missing.GetLastError(), kErrOpen);
}

TEST(OutputPipeline, ColumnsAreShrunkAndWrittenDownTheirColumn) {
  MemoryGraphics graphics(24);
  std::vector<uint8_t> header = ScriptedDecoder::Header(12, 10, 1, false, 24, true);
  for (int bottomUp : {0, 1}) {
    ScriptedDecoder decoder(ImageSource::Memory(header.data(), header.size()));
    decoder.SetGraphics(graphics);
    ASSERT_TRUE(decoder.Open(false));
    ASSERT_TRUE(decoder.SelectPage(0));
    DecodeRequest request;
    request.width = 6;
    request.height = 5;
    request.bottomUp = bottomUp;
    request.deviceBitmap = 1;  // column mode turns it off
    request.makeFullColorBitmap = 1;
    ASSERT_TRUE(decoder.BeginImage(request, 24));
    ASSERT_TRUE(decoder.DecodeRows(5, nullptr, nullptr));
    EXPECT_EQ(decoder.GetProgress(), kProgressComplete);
    uint8_t row[64] = {};
    EXPECT_FALSE(decoder.PutRow(row, 0)) << "a column decoder takes no rows";
    for (BitmapHandle bitmap : {decoder.GetBitmap(), decoder.GetFullColorBitmap()}) {
      BitmapPixels pixels;
      ASSERT_TRUE(graphics.ReadPixels(bitmap, &pixels));
      ASSERT_EQ(pixels.width, 6);
      ASSERT_EQ(pixels.height, 5);
      ASSERT_EQ(pixels.bitCount, 24) << "a section, not a device bitmap";
      std::vector<uint8_t> rgb = PixelsToRgb(pixels);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
          const uint8_t* p = rgb.data() + (y * 6 + x) * 3;
          // Columns 1, 3, 5, ... of the source; rows averaged in pairs.
          EXPECT_EQ(p[2], 2 * x + 1);
          EXPECT_EQ(p[1], 2 * y);
          EXPECT_EQ(p[0], 7);
        }
    }
  }
}

TEST(OutputPipeline, TheLegacyPlatformGetsDeviceBitmapsAt15BitPrecision) {
  MemoryGraphics graphics(16);
  graphics.SetLegacyPlatform(true);
  DecodeRequest request;
  request.ditherMode = 4;
  testimages::Decoded decoded = DecodeBytes(ColourfulImage(16, 8), request, graphics);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  // Read back from a device bitmap (24 bits), each channel dithered to its top five bits.
  EXPECT_EQ(decoded.pixels.bitCount, 24);
  for (uint8_t channel : decoded.rgb) EXPECT_EQ(channel & 7, 0);
}

// 16-colour and monochrome displays: the thumbnail's fixed palette gives 8-bit bitmaps there, the same
// as on an 8-bit display (the converters write a byte a pixel; 4- and 1-bit rows would overflow).
TEST(OutputPipeline, DisplaysBelow8BitsGet8BitFixedPaletteBitmaps) {
  BmpLayout indexed;
  indexed.width = 37;
  indexed.height = 5;
  indexed.bits = 8;
  indexed.palette = testimages::IndexPalette(256);
  indexed.pixel = [](int x, int y) { return uint32_t(x * 7 + y); };
  DecodeRequest thumbnail;
  thumbnail.width = thumbnail.height = 100;
  thumbnail.ditherMode = 2;
  thumbnail.fixedPalette = 1;
  for (const std::vector<uint8_t>& file : {BuildBmp(indexed), ColourfulImage(37, 5)}) {
    MemoryGraphics eightBit(8);
    testimages::Decoded expected = DecodeBytes(file, thumbnail, eightBit);
    ASSERT_TRUE(expected.ok);
    for (int screen : {1, 4}) {
      SCOPED_TRACE(screen);
      MemoryGraphics graphics(screen);
      testimages::Decoded decoded = DecodeBytes(file, thumbnail, graphics);
      ASSERT_TRUE(decoded.ok) << decoded.error;
      EXPECT_EQ(decoded.pixels.bitCount, 8);
      EXPECT_EQ(decoded.rgb, expected.rgb);
    }
  }
}

// With the fixed palette, the display bitmap takes the fixed colours; the full-colour bitmap keeps the
// source's indices and so the source's palette.
TEST(OutputPipeline, TheFullColourBitmapKeepsTheSourcePaletteUnderTheFixedPalette) {
  BmpLayout layout;
  layout.width = 6;
  layout.height = 2;
  layout.bits = 8;
  layout.palette = {0x123456, 0xFEDCBA, 0x0080FF};
  layout.pixel = [](int x, int y) { return uint32_t(x + y) % 3; };
  DecodeRequest request;
  request.fixedPalette = 1;
  request.makeFullColorBitmap = 1;
  MemoryGraphics graphics(8);
  testimages::Decoded full = DecodeBytes(BuildBmp(layout), request, graphics, true);
  ASSERT_TRUE(full.ok) << full.error;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(full.At(x, y), layout.palette[(x + y) % 3]) << x << "," << y;
}

// A header that promises a huge image must cost nothing: no pixel data past it (error 8), or pixel data
// but bitmaps beyond the ceiling of one decode (a 16-bit file is widened to 24 bits: error 7).
TEST(OutputPipeline, HugeHeadersAreRefusedBeforeAnyBitmapIsMade) {
  BmpLayout layout;
  layout.width = 32767;
  layout.height = 16383;
  layout.bits = 16;
  layout.rawPixels = {1, 2, 3, 4};
  std::vector<uint8_t> withData = BuildBmp(layout);
  std::vector<uint8_t> headerOnly(withData.begin(), withData.begin() + 54);
  DecodeRequest request;
  request.makeFullColorBitmap = 1;
  for (auto [file, error] : {std::pair{headerOnly, kErrPixelData}, std::pair{withData, kErrFormat}}) {
    MemoryGraphics graphics(24);
    testimages::Decoded decoded = DecodeBytes(file, request, graphics);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.error, error);
    EXPECT_EQ(graphics.PixelBytesMade(), 0);
  }
}
