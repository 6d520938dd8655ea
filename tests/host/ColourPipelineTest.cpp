// Small images through every converter mode and both quantizer passes, checked against index arrays that
// colour_expected.py works out on its own from the published rules (see the script for how).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pipeline/ColorConverter.h"
#include "pipeline/MedianCutQuantizer.h"
#include "ColourExpected.inc"

using lumetta::ColorConverter;
using lumetta::MedianCutQuantizer;
namespace ex = colour_expected;

namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes AsBytes(const uint8_t (&values)[N]) {
  return Bytes(values, values + N);
}

// Converts a whole image row by row; the result holds OutputBytes() per pixel.
Bytes ConvertImage(ColorConverter& converter, const uint8_t* image, int width, int height) {
  Bytes out(static_cast<size_t>(width) * height * converter.OutputBytes());
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = image + static_cast<size_t>(y) * width * converter.InputBytes();
    EXPECT_TRUE(converter.ConvertRow(row, out.data() + static_cast<size_t>(y) * width * converter.OutputBytes()));
  }
  return out;
}

struct Quantized {
  Bytes palette;
  Bytes indexes;
};

Quantized QuantizeImage(int colors, bool dither, const uint8_t* image, int width, int height) {
  MedianCutQuantizer quantizer(colors, dither, width, nullptr);
  for (int y = 0; y < height; ++y) EXPECT_TRUE(quantizer.AddRow(image + static_cast<size_t>(y) * width * 3));
  Quantized result;
  result.palette.resize(static_cast<size_t>(quantizer.ChooseColors()) * 3);
  quantizer.GetPalette(result.palette.data());
  result.indexes.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    EXPECT_TRUE(quantizer.MapRow(image + static_cast<size_t>(y) * width * 3,
                                 result.indexes.data() + static_cast<size_t>(y) * width));
  return result;
}

}  // namespace

TEST(ColourPipeline, FixedPaletteModesOnAPhoto) {
  struct Case {
    int mode;
    Bytes expected;
  };
  const Case cases[] = {
      {ColorConverter::kNearest, AsBytes(ex::kPhotoMode0)},
      {ColorConverter::kOrderedDither, AsBytes(ex::kPhotoMode1)},
      {ColorConverter::kErrorDiffusion, AsBytes(ex::kPhotoMode2)},
      {ColorConverter::kDither15To24, AsBytes(ex::kPhotoMode4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ColorConverter converter(c.mode == ColorConverter::kDither15To24 ? 0 : 240, c.mode, ex::kPhotoWidth, nullptr);
    EXPECT_EQ(ConvertImage(converter, ex::kPhoto, ex::kPhotoWidth, ex::kPhotoHeight), c.expected);
  }
}

TEST(ColourPipeline, FifteenBitPixelsOnAPhoto) {
  ColorConverter converter(0, ColorConverter::kDither15, ex::kPhotoWidth, nullptr);
  const Bytes out = ConvertImage(converter, ex::kPhoto, ex::kPhotoWidth, ex::kPhotoHeight);
  std::vector<uint16_t> pixels;
  for (size_t i = 0; i + 1 < out.size(); i += 2) pixels.push_back(static_cast<uint16_t>(out[i] | out[i + 1] << 8));
  EXPECT_EQ(pixels, std::vector<uint16_t>(std::begin(ex::kPhotoMode3), std::end(ex::kPhotoMode3)));
}

TEST(ColourPipeline, PaletteImageThroughItsSourcePalette) {
  for (int mode : {ColorConverter::kOrderedDither, ColorConverter::kErrorDiffusion}) {
    SCOPED_TRACE(mode);
    ColorConverter converter(240, mode, ex::kIndexedWidth, ex::kSourcePalette);
    EXPECT_EQ(ConvertImage(converter, ex::kIndexed, ex::kIndexedWidth, ex::kIndexedHeight),
              mode == ColorConverter::kOrderedDither ? AsBytes(ex::kIndexedMode1) : AsBytes(ex::kIndexedMode2));
  }
}

TEST(ColourPipeline, MedianCutOnManyColours) {
  for (bool dither : {false, true}) {
    SCOPED_TRACE(dither);
    const Quantized q = QuantizeImage(236, dither, ex::kMany, ex::kManyWidth, ex::kManyHeight);
    EXPECT_EQ(q.palette, AsBytes(ex::kManyPalette));
    EXPECT_EQ(q.indexes, dither ? AsBytes(ex::kManyDithered) : AsBytes(ex::kManyPlain));
  }
}

TEST(ColourPipeline, MedianCutOnAGradientWithFewColours) {
  for (bool dither : {false, true}) {
    SCOPED_TRACE(dither);
    const Quantized q =
        QuantizeImage(ex::kGradientColors, dither, ex::kGradient, ex::kGradientWidth, ex::kGradientHeight);
    EXPECT_EQ(q.palette, AsBytes(ex::kGradientPalette));
    EXPECT_EQ(q.indexes, dither ? AsBytes(ex::kGradientDithered) : AsBytes(ex::kGradientPlain));
  }
}
