// The JPEG, PNG and TIFF decoders: the glue between the libraries and the output pipeline (scale,
// passes and progress, colour handling, pages) and the error codes of files the libraries refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

#include "CodecBuilders.h"
#include "DecodeHelpers.h"
#include "image/ImageFile.h"
#include "formats/JpegDecoder.h"
#include "formats/TiffDecoder.h"
#include "pipeline/MemoryGraphics.h"

using namespace lumetta;
using namespace testimages;

namespace {

int Distance(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift : {0, 8, 16}) most = std::max(most, std::abs(int(a >> shift & 255) - int(b >> shift & 255)));
  return most;
}

// Decodes step by step, `rows` at a time, and answers the progress after each step.
std::vector<int> ProgressSteps(const std::vector<uint8_t>& file, int rows, Decoded* result) {
  MemoryGraphics graphics(24);
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  std::vector<int> steps;
  if (!image.BeginDecode(DecodeRequest{})) return steps;
  std::vector<ImageRect> rects(static_cast<size_t>(rows));
  int count = 0;
  while (image.GetProgress() < kProgressComplete && image.DecodeStep(rows, &count, rects.data())) {
    EXPECT_LE(count, rows);
    steps.push_back(image.GetProgress());
  }
  image.EndDecode(false);
  result->ok = image.GetProgress() == kProgressComplete;
  if (graphics.ReadPixels(image.GetBitmap(), &result->pixels)) result->rgb = PixelsToRgb(result->pixels);
  return steps;
}

}  // namespace

TEST(JpegDecoder, ScaleDenominatorFollowsTheBox) {
  struct Case {
    int width, height, outputWidth, outputHeight, denominator;
  } cases[] = {
      {3000, 2000, 99, 66, 8},   {3000, 2000, 1500, 1000, 2}, {3000, 2000, 1000, 667, 2},
      {3000, 2000, 750, 500, 4}, {3000, 2000, 3000, 2000, 1}, {640, 480, 100, 75, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JpegDecoder::ScaleDenominator(c.width, c.height, c.outputWidth, c.outputHeight), c.denominator)
        << c.width << "x" << c.height << " into " << c.outputWidth << "x" << c.outputHeight;

  // Decoded at 1/8 (375 x 250), then reduced into the box; an odd size rounds the library's rows up.
  for (auto [width, height, outWidth, outHeight] : {std::array{3000, 2000, 99, 66}, std::array{801, 601, 100, 75}}) {
    JpegOptions gray;
    gray.components = 1;
    std::vector<uint8_t> file = EncodeJpeg(width, height, SamplePicture(width, height, 1), gray);
    MemoryGraphics graphics(24);
    DecodeRequest box;
    box.width = box.height = 100;
    Decoded thumb = DecodeBytes(file, box, graphics);
    ASSERT_TRUE(thumb.ok) << thumb.error;
    EXPECT_EQ(thumb.width(), outWidth);
    EXPECT_EQ(thumb.height(), outHeight);
  }
}

TEST(JpegDecoder, ProgressiveFileShowsACoarsePassThenTheBaselinePicture) {
  const int width = 64, height = 48;
  std::vector<uint8_t> samples = SamplePicture(width, height, 3);
  JpegOptions progressive;
  progressive.progressive = true;
  MemoryGraphics graphics(24);
  Decoded baseline = DecodeBytes(EncodeJpeg(width, height, samples), graphics);
  ASSERT_TRUE(baseline.ok);

  // The coarse pass reports up to 4000; the rest of the file is absorbed a share a step (with steps of
  // one row, a row of blocks each), moving on by one a step, up to 5000; the final pass reaches 10000.
  for (int rows : {16, 1}) {
    SCOPED_TRACE(rows);
    Decoded final;
    std::vector<int> steps = ProgressSteps(EncodeJpeg(width, height, samples, progressive), rows, &final);
    ASSERT_GT(steps.size(), 6u);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 4000), 1);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), 5000), 1);
    const auto absorbing = std::count_if(steps.begin(), steps.end(), [](int p) { return p > 4000 && p < 5000; });
    EXPECT_GE(absorbing, rows == 1 ? 10 : 1);
    if (rows == 16) {
      EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + 3), (std::vector<int>{1333, 2667, 4000}));
      EXPECT_EQ(std::vector<int>(steps.end() - 3, steps.end()), (std::vector<int>{6667, 8333, 10000}));
    }
    ASSERT_TRUE(final.ok);
    // The same coefficients, sent in another order: the finished picture is the baseline one exactly.
    EXPECT_EQ(final.rgb, baseline.rgb);
  }
}

TEST(JpegDecoder, AdobeCmykIsStoredInvertedAndDecodesToItsColours) {
  // Pure red (no cyan, full magenta and yellow, no black), stored as 255 - ink as Adobe writes it.
  std::vector<uint8_t> samples;
  for (int i = 0; i < 16 * 16; ++i) samples.insert(samples.end(), {255, 0, 0, 255});
  JpegOptions cmyk;
  cmyk.components = 4;
  cmyk.jfif = false;
  MemoryGraphics graphics(24);
  Decoded red = DecodeBytes(EncodeJpeg(16, 16, samples, cmyk), graphics);
  ASSERT_TRUE(red.ok) << red.error;
  EXPECT_LE(Distance(red.At(8, 8), 0xFF0000), 4) << std::hex << red.At(8, 8);
}

TEST(PngDecoder, AlphaGrayAndDepthsComeOutAsTheyLook) {
  const png_color_16 blue = {0, 0, 0, 255, 0};
  struct Case {
    const char* name;
    PngOptions options;
    std::vector<uint8_t> row;  // one pixel, repeated over a 4 x 4 image
    uint32_t expected;
  } cases[] = {
      {"transparent without bKGD: black",
       {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, nullptr, {}, {}},
       {200, 100, 50, 0},
       0x000000},
      {"opaque stays", {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, nullptr, {}, {}}, {200, 100, 50, 255}, 0xC86432},
      {"transparent onto bKGD", {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, &blue, {}, {}}, {200, 100, 50, 0}, 0x0000FF},
      {"gray with alpha is gray", {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, nullptr, {}, {}}, {100, 255}, 0x646464},
      {"16-bit colour",
       {PNG_COLOR_TYPE_RGB, 16, false, nullptr, {}, {}},
       {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC},
       0x12569A},
      {"transparent palette entry", {PNG_COLOR_TYPE_PALETTE, 8, false, nullptr, {{200, 100, 50}}, {0}}, {0}, 0x000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> rows;
    for (int i = 0; i < 16; ++i) rows.insert(rows.end(), c.row.begin(), c.row.end());
    MemoryGraphics graphics(24);
    Decoded decoded = DecodeBytes(EncodePng(4, 4, rows, c.options), graphics);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_LE(Distance(decoded.At(2, 2), c.expected), 2) << std::hex << decoded.At(2, 2);
  }
}

TEST(PngDecoder, InterlacedFileEndsOnlyAfterTheSeventhPassWithTheSamePicture) {
  const int width = 37, height = 29;
  std::vector<uint8_t> rows = SamplePicture(width, height, 3);
  PngOptions interlaced;
  interlaced.interlaced = true;
  for (int box : {0, 10}) {
    SCOPED_TRACE(box);
    MemoryGraphics graphics(24);
    DecodeRequest request;
    request.width = request.height = box;
    Decoded plain = DecodeBytes(EncodePng(width, height, rows), request, graphics);
    Decoded passes = DecodeBytes(EncodePng(width, height, rows, interlaced), request, graphics);
    ASSERT_TRUE(plain.ok && passes.ok);
    EXPECT_EQ(passes.rgb, plain.rgb);
  }
  Decoded final;
  std::vector<int> steps = ProgressSteps(EncodePng(width, height, rows, interlaced), 5, &final);
  ASSERT_GT(steps.size(), 7u);
  EXPECT_TRUE(final.ok);
  for (size_t i = 0; i + 1 < steps.size(); ++i) {
    EXPECT_LT(steps[i], kProgressComplete) << "step " << i;
    EXPECT_LE(steps[i], steps[i + 1]);
  }
}

TEST(TiffDecoder, DirectoriesArePagesWithTheirOwnSizes) {
  std::vector<uint8_t> gray = {0, 64, 128, 255, 10, 20, 30, 40, 50, 60, 70, 80};  // 4 x 3, white is 0
  std::vector<uint8_t> rgb(6 * 5 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = 255, rgb[i + 1] = 128, rgb[i + 2] = 0;
  std::vector<uint8_t> file = WriteTiff([&](TIFF* tiff) {
    WriteTiffPage(tiff, 4, 3, 8, 1, PHOTOMETRIC_MINISWHITE, gray);
    WriteTiffPage(tiff, 6, 5, 8, 3, PHOTOMETRIC_RGB, rgb, COMPRESSION_LZW);
  });
  MemoryGraphics graphics(24);
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  ASSERT_TRUE(image.Decode(DecodeRequest{}));
  BitmapPixels pixels;
  ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(), &pixels));
  EXPECT_EQ(PixelsToRgb(pixels)[0], 255);  // 0 is white here
  EXPECT_EQ(PixelsToRgb(pixels)[3 * 3], 0);

  ASSERT_TRUE(image.SetPage(1));
  ASSERT_TRUE(image.Decode(DecodeRequest{}));
  EXPECT_EQ(image.GetOutputWidth(1), 6);
  EXPECT_EQ(image.GetOutputHeight(1), 5);
  EXPECT_EQ(image.GetBitsPerPixel(1), 24);
  ASSERT_TRUE(graphics.ReadPixels(image.GetBitmap(1), &pixels));
  std::vector<uint8_t> decoded = PixelsToRgb(pixels);
  EXPECT_EQ(std::vector<uint8_t>(decoded.begin(), decoded.begin() + 3), (std::vector<uint8_t>{255, 128, 0}));

  ASSERT_TRUE(image.SetPage(2));
  EXPECT_FALSE(image.Decode(DecodeRequest{}));
  EXPECT_EQ(image.GetLastError(), kErrNoPage);
}

// Tiled pages decode to the picture their strip form gives: partial tiles at the right and bottom, packed
// pixels placed by byte, every codec; JPEG tiles (coded apart) within a few steps of the JPEG strip on
// average (a tile out of place would be far off).
TEST(TiffDecoder, TiledPagesDecodeLikeTheirStrips) {
  const int width = 40, height = 37;
  struct Case {
    const char* name;
    int bits, samples, photometric, compression;
    bool lossy;
  } cases[] = {
      {"RGB", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, false},
      {"RGB with alpha, LZW", 8, 4, PHOTOMETRIC_RGB, COMPRESSION_LZW, false},
      {"gray, Deflate", 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE, false},
      {"bilevel", 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE, false},
      {"4-bit palette, PackBits", 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, false},
      {"RGB, JPEG", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t stride = (size_t(width) * size_t(c.bits * c.samples) + 7) / 8;
    std::vector<uint8_t> pixels = SamplePicture(int(stride), height, 1);
    auto page = [&](TIFF* t, bool tiled) {
      if (tiled)
        return WriteTiledTiffPage(t, width, height, c.bits, c.samples, c.photometric, pixels, 16, 32, c.compression);
      WriteTiffPage(t, width, height, c.bits, c.samples, c.photometric, pixels, c.compression, [&](TIFF* s) {
        if (c.photometric != PHOTOMETRIC_PALETTE) return;
        std::vector<uint16_t> map(16);
        for (size_t i = 0; i < map.size(); ++i) map[i] = uint16_t(i * 65535 / 15);
        TIFFSetField(s, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
      });
    };
    MemoryGraphics graphics(24);
    Decoded strips = DecodeBytes(WriteTiff([&](TIFF* t) { page(t, false); }), graphics);
    Decoded tiles = DecodeBytes(WriteTiff([&](TIFF* t) { page(t, true); }), graphics);
    ASSERT_TRUE(strips.ok) << strips.error;
    ASSERT_TRUE(tiles.ok) << tiles.error;
    ASSERT_EQ(tiles.width(), width);
    ASSERT_EQ(tiles.height(), height);
    int most = 0, sum = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        most = std::max(most, Distance(tiles.At(x, y), strips.At(x, y)));
        sum += Distance(tiles.At(x, y), strips.At(x, y));
      }
    if (c.lossy)
      EXPECT_LE(sum / (width * height), 4);
    else
      EXPECT_EQ(most, 0);
  }

  // The tile and the band of rows cut from it count against the ceiling: a page of one huge tile is
  // refused where its strip form fits.
  std::vector<uint8_t> pixels = SamplePicture(64 * 3, 64, 1);
  for (bool tiled : {false, true}) {
    std::vector<uint8_t> file = WriteTiff([&](TIFF* t) {
      if (tiled)
        WriteTiledTiffPage(t, 64, 64, 8, 3, PHOTOMETRIC_RGB, pixels, 1024, 1024, COMPRESSION_ADOBE_DEFLATE);
      else
        WriteTiffPage(t, 64, 64, 8, 3, PHOTOMETRIC_RGB, pixels, COMPRESSION_ADOBE_DEFLATE);
    });
    MemoryGraphics graphics(24);
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    image.SetMemoryCeiling(1 << 20);
    EXPECT_EQ(image.Decode(DecodeRequest{}), !tiled);
    if (tiled) EXPECT_EQ(image.GetLastError(), kErrFormat);
  }
}

TEST(LibraryDecoders, FilesTheLibrariesRefuseGiveTheirErrorCodes) {
  std::vector<uint8_t> jpeg = EncodeJpeg(64, 64, SamplePicture(64, 64, 3));
  std::vector<uint8_t> png = EncodePng(64, 64, SamplePicture(64, 64, 3));
  std::vector<uint8_t> picture = SamplePicture(16, 16, 1);
  auto tiff = [&](int bits, int samples, const std::function<void(TIFF*)>& extra) {
    return WriteTiff([&](TIFF* t) {
      WriteTiffPage(t, 16, 16 * 8 / bits / samples, bits, samples, PHOTOMETRIC_MINISBLACK, picture, COMPRESSION_NONE,
                    extra);
    });
  };
  auto nothing = [](TIFF*) {};
  std::vector<uint8_t> oldJpeg = tiff(8, 1, nothing);
  PatchTiffTag(oldJpeg, TIFFTAG_COMPRESSION, COMPRESSION_OJPEG);
  std::vector<uint8_t> cutTiff = tiff(8, 1, nothing);
  PatchTiffTag(cutTiff, TIFFTAG_STRIPOFFSETS, 60000);  // past the end
  // A fax page that says black is 0 is drawn so, not inverted like most fax pages.
  std::vector<uint8_t> bits(16 * 2, 0x0F);
  std::vector<uint8_t> fax =
      WriteTiff([&](TIFF* t) { WriteTiffPage(t, 16, 16, 1, 1, PHOTOMETRIC_MINISBLACK, bits, COMPRESSION_CCITTFAX4); });

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int error;
  } cases[] = {
      {"JPEG cut in its data", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2), kErrRow},
      {"JPEG with nothing after its start", {0xFF, 0xD8, 0xFF, 0xDB, 0, 0, 0, 0}, kErrFormat},
      {"PNG cut in its data", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2), kErrRow},
      {"old-style JPEG TIFF", oldJpeg, kErrFormat},
      {"TIFF in separate planes",
       tiff(8, 3, [](TIFF* t) { TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE); }), kErrFormat},
      {"TIFF of 16-bit samples", tiff(16, 1, nothing), kErrFormat},
      {"TIFF strip past the end", cutTiff, kErrRow},
      {"fax TIFF, black is 0", fax, kErrNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    Decoded decoded = DecodeBytes(c.bytes, graphics);
    EXPECT_EQ(decoded.ok ? kErrNone : decoded.error, c.error);
    if (c.error == kErrNone && decoded.ok) {
      EXPECT_EQ(decoded.At(0, 0), 0x000000u);
      EXPECT_EQ(decoded.At(4, 0), 0xFFFFFFu);
    }
  }
}
