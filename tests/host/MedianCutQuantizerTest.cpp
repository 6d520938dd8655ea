#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "pipeline/MedianCutQuantizer.h"

using lumetta::MedianCutQuantizer;

namespace {

using Row = std::vector<uint8_t>;
using Rgb = std::array<uint8_t, 3>;

std::vector<Rgb> Palette(const MedianCutQuantizer& quantizer) {
  uint8_t raw[256 * 3];
  const int count = quantizer.GetPalette(raw);
  std::vector<Rgb> palette;
  for (int i = 0; i < count; ++i) palette.push_back({raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]});
  return palette;
}

// Counts `count` pixels of one colour, in rows of the quantizer's length.
void AddPixels(MedianCutQuantizer& quantizer, Rgb rgb, int count) {
  const Row row = [&] {
    Row r;
    for (int x = 0; x < quantizer.RowLength(); ++x) r.insert(r.end(), {rgb[2], rgb[1], rgb[0]});
    return r;
  }();
  for (; count > 0; count -= quantizer.RowLength())
    ASSERT_TRUE(quantizer.AddRow(row.data(), std::min(count, quantizer.RowLength())));
}

// Colours drawn so that no two share a histogram cell (distinct blue cell, as blue, green, red).
std::vector<Rgb> ColoursInDistinctCells(int count) {
  std::vector<Rgb> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back({static_cast<uint8_t>((i * 7 % 32) * 8 + 3), static_cast<uint8_t>((i * 5 % 64) * 4 + 1),
                       static_cast<uint8_t>((i / 32) * 8 + 5)});  // red, green, blue
  return colours;
}

}  // namespace

TEST(MedianCutQuantizer, TwoColoursGiveTwoEntriesAtTheirCellCentres) {
  MedianCutQuantizer quantizer(236, false, 10, nullptr);
  AddPixels(quantizer, {255, 0, 0}, 30);
  AddPixels(quantizer, {0, 0, 255}, 70);
  ASSERT_EQ(quantizer.ChooseColors(), 2);
  const std::vector<Rgb> palette = Palette(quantizer);
  const std::set<Rgb> expected = {{252, 2, 4}, {4, 2, 252}};
  EXPECT_EQ(std::set<Rgb>(palette.begin(), palette.end()), expected);

  const Row pixels = {0, 0, 255, 255, 0, 0, 0, 0, 250};  // red, blue, red
  uint8_t out[3];
  ASSERT_TRUE(quantizer.MapRow(pixels.data(), out, 3));
  EXPECT_EQ(palette[out[0]], (Rgb{252, 2, 4}));
  EXPECT_EQ(palette[out[1]], (Rgb{4, 2, 252}));
  EXPECT_EQ(out[2], out[0]);
}

TEST(MedianCutQuantizer, OneCellGivesItsCentre) {
  MedianCutQuantizer quantizer(236, true, 8, nullptr);
  Row row;
  for (int i = 0; i < 8; ++i)  // blue 200..207, green 40..43, red 10..15: cell centre 204, 42, 12
    row.insert(row.end(),
               {static_cast<uint8_t>(200 + i), static_cast<uint8_t>(40 + i % 4), static_cast<uint8_t>(10 + i % 6)});
  ASSERT_TRUE(quantizer.AddRow(row.data()));
  ASSERT_EQ(quantizer.ChooseColors(), 1);
  EXPECT_EQ(Palette(quantizer), std::vector<Rgb>({{12, 42, 204}}));
}

// With a single colour to choose, the palette entry is the count-weighted mean of the two cells: equal
// weights once both counts have stopped at 65535, skewed if a count wrapped round.
TEST(MedianCutQuantizer, CountsStopAt65535) {
  MedianCutQuantizer quantizer(1, false, 1000, nullptr);
  AddPixels(quantizer, {0, 0, 0}, 100000);       // cell centre 4, 2, 4
  AddPixels(quantizer, {255, 255, 255}, 70000);  // cell centre 252, 254, 252
  ASSERT_EQ(quantizer.ChooseColors(), 1);
  EXPECT_EQ(Palette(quantizer), std::vector<Rgb>({{128, 128, 128}}));
}

TEST(MedianCutQuantizer, PaletteNeverExceedsTheDesiredCount) {
  for (int colors : {236, 17, 1}) {
    SCOPED_TRACE(colors);
    MedianCutQuantizer quantizer(colors, false, 64, nullptr);
    for (int y = 0; y < 64; ++y) {
      Row row;
      for (int x = 0; x < 64; ++x)
        row.insert(row.end(),
                   {static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 4), static_cast<uint8_t>((x * y) % 256)});
      ASSERT_TRUE(quantizer.AddRow(row.data()));
    }
    EXPECT_EQ(quantizer.ChooseColors(), colors);
    EXPECT_EQ(quantizer.PaletteSize(), colors);
  }
}

// Each colour in a cell of its own becomes a palette entry at that cell's centre, so mapping the palette
// itself must give every entry back, plainly and with diffusion (exact colours leave no error).
TEST(MedianCutQuantizer, PaletteColoursMapToThemselves) {
  const std::vector<Rgb> colours = ColoursInDistinctCells(200);
  for (bool dither : {false, true}) {
    SCOPED_TRACE(dither);
    MedianCutQuantizer quantizer(236, dither, static_cast<int>(colours.size()), nullptr);
    for (const Rgb& c : colours) AddPixels(quantizer, c, 3);
    ASSERT_EQ(quantizer.ChooseColors(), 200);
    const std::vector<Rgb> palette = Palette(quantizer);
    Row row;
    for (const Rgb& c : palette) row.insert(row.end(), {c[2], c[1], c[0]});
    for (int pass = 0; pass < 2; ++pass) {  // left to right, then right to left
      Row out(palette.size(), 0xEE);
      ASSERT_TRUE(quantizer.MapRow(row.data(), out.data()));
      for (size_t i = 0; i < palette.size(); ++i) EXPECT_EQ(out[i], i);
    }
  }
}

TEST(MedianCutQuantizer, InitialPaletteIsUsedInsteadOfChoosing) {
  const uint8_t initial[] = {0, 0, 0, 255, 255, 255, 255, 0, 0};
  MedianCutQuantizer quantizer(236, false, 3, initial, 3);
  AddPixels(quantizer, {10, 200, 30}, 3);
  ASSERT_EQ(quantizer.ChooseColors(), 3);
  EXPECT_EQ(Palette(quantizer), std::vector<Rgb>({{0, 0, 0}, {255, 255, 255}, {255, 0, 0}}));
  const Row pixels = {20, 20, 20, 240, 230, 250, 10, 30, 220};
  uint8_t out[3];
  ASSERT_TRUE(quantizer.MapRow(pixels.data(), out));
  EXPECT_EQ(Row(out, out + 3), Row({0, 1, 2}));
}

// The pixel's cell centre (red 100, green 102, blue 100) lies halfway between the two entries, which differ
// in blue only. Weighted differences are squared: green 2 (x 3) outweighs blue 5, red 2 (x 2) outweighs
// blue 3.
TEST(MedianCutQuantizer, InverseMapWeighsDifferencesAndTiesGoToTheLowerEntry) {
  struct Case {
    std::array<uint8_t, 6> palette;  // two entries, red, green, blue
    uint8_t expected;
  };
  const Case cases[] = {
      {{100, 102, 90, 100, 102, 110}, 0},
      {{100, 102, 110, 100, 102, 90}, 0},
      {{100, 104, 100, 100, 102, 105}, 1},
      {{100, 102, 103, 102, 102, 100}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.palette));
    MedianCutQuantizer quantizer(236, false, 1, c.palette.data(), 2);
    quantizer.ChooseColors();
    const uint8_t pixel[3] = {101, 103, 99};  // blue, green, red
    uint8_t out = 0xEE;
    ASSERT_TRUE(quantizer.MapRow(pixel, &out));
    EXPECT_EQ(out, c.expected);
  }
}

TEST(MedianCutQuantizer, OutOfOrderCallsAreRefused) {
  EXPECT_EQ(MedianCutQuantizer::Create(236, false, 0), nullptr);
  EXPECT_EQ(MedianCutQuantizer::Create(236, true, MedianCutQuantizer::kMaxRowLength + 1), nullptr);

  auto quantizer = MedianCutQuantizer::Create(236, true, 4);
  ASSERT_NE(quantizer, nullptr);
  const Row row = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_FALSE(quantizer->MapRow(row.data(), out)) << "no palette before the colours are chosen";
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_FALSE(quantizer->AddRow(nullptr));

  // Nothing counted: one black entry, and pass 2 still maps onto it.
  EXPECT_EQ(quantizer->ChooseColors(), 1);
  EXPECT_EQ(Palette(*quantizer), std::vector<Rgb>({{0, 0, 0}}));
  EXPECT_FALSE(quantizer->AddRow(row.data())) << "the histogram is now the inverse map";
  EXPECT_EQ(quantizer->ChooseColors(), 1);
  ASSERT_TRUE(quantizer->MapRow(row.data(), out));
  EXPECT_EQ(Row(out, out + 4), Row(4, 0));
}
