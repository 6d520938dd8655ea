#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "pipeline/ColorConverter.h"

using lumetta::ColorConverter;

namespace {

using Row = std::vector<uint8_t>;

Row UniformRow(int width, uint8_t blue, uint8_t green, uint8_t red) {
  Row row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), {blue, green, red});
  return row;
}

// A reproducible row of varied colours: y picks the row.
Row VariedRow(int width, int y) {
  Row row;
  for (int x = 0; x < width; ++x) {
    row.push_back(static_cast<uint8_t>((x * 37 + y * 11) % 256));
    row.push_back(static_cast<uint8_t>((x * 13 + y * 71 + 40) % 256));
    row.push_back(static_cast<uint8_t>((x * 5 + y * 29 + 7) % 256));
  }
  return row;
}

std::vector<Row> ConvertRows(ColorConverter& converter, const std::vector<Row>& rows) {
  std::vector<Row> out;
  for (const Row& row : rows) {
    Row target(static_cast<size_t>(converter.RowLength()) * converter.OutputBytes(), 0xEE);
    EXPECT_TRUE(converter.ConvertRow(row.data(), target.data(), 0, -1));
    out.push_back(target);
  }
  return out;
}

uint8_t Nearest(uint8_t blue, uint8_t green, uint8_t red) {
  ColorConverter converter(240, ColorConverter::kNearest, 1, nullptr);
  const uint8_t pixel[3] = {blue, green, red};
  uint8_t index = 0xEE;
  EXPECT_TRUE(converter.ConvertRow(pixel, &index));
  return index;
}

}  // namespace

TEST(ColorConverterNearest, ExtremesAndPaletteEntries) {
  EXPECT_EQ(Nearest(255, 255, 255), 239);
  EXPECT_EQ(Nearest(0, 0, 0), 0);

  ColorConverter converter(240, ColorConverter::kNearest, 4, nullptr);
  uint8_t palette[240 * 3];
  ASSERT_EQ(converter.GetPalette(palette), 240);
  struct Entry {
    int index;
    uint8_t red, green, blue;
  };
  // Levels: red 0 51 102 153 204 255; green 0 36 73 109 146 182 219 255; blue 0 64 128 191 255.
  const Entry entries[] = {{0, 0, 0, 0},   {1, 51, 0, 0},      {6, 0, 36, 0},       {47, 255, 255, 0},
                           {48, 0, 0, 64}, {100, 204, 0, 128}, {158, 102, 73, 191}, {239, 255, 255, 255}};
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.index);
    EXPECT_EQ(palette[e.index * 3], e.red);
    EXPECT_EQ(palette[e.index * 3 + 1], e.green);
    EXPECT_EQ(palette[e.index * 3 + 2], e.blue);
  }
}

// The last value of each level and the first of the next, worked out from the level limits by hand.
TEST(ColorConverterNearest, LevelBoundariesOfEachChannel) {
  struct Channel {
    const char* name;
    int weight;
    std::vector<int> lastOfLevel;
  };
  const Channel channels[] = {
      {"blue", 48, {32, 96, 159, 223}},
      {"green", 6, {18, 55, 91, 128, 164, 200, 237}},
      {"red", 1, {26, 77, 128, 179, 230}},
  };
  for (int c = 0; c < 3; ++c) {
    const Channel& channel = channels[c];
    for (size_t level = 0; level < channel.lastOfLevel.size(); ++level) {
      SCOPED_TRACE(std::string(channel.name) + " level " + std::to_string(level));
      uint8_t pixel[3] = {0, 0, 0};
      pixel[c] = static_cast<uint8_t>(channel.lastOfLevel[level]);
      EXPECT_EQ(Nearest(pixel[0], pixel[1], pixel[2]), level * channel.weight);
      pixel[c] = static_cast<uint8_t>(channel.lastOfLevel[level] + 1);
      EXPECT_EQ(Nearest(pixel[0], pixel[1], pixel[2]), (level + 1) * channel.weight);
    }
  }
}

TEST(ColorConverterOrdered, MidGreyRepeatsEveryEightPixelsAndRows) {
  const int width = 24;
  ColorConverter converter(240, ColorConverter::kOrderedDither, width, nullptr);
  const std::vector<Row> out = ConvertRows(converter, std::vector<Row>(20, UniformRow(width, 128, 128, 128)));

  std::set<uint8_t> distinct;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(out[y][x], out[y % 8][x % 8]) << "x " << x << " y " << y;
      distinct.insert(out[y][x]);
    }
  EXPECT_GT(distinct.size(), 1u) << "a dither, not a flat colour";

  // The pattern averages back to the grey it stands for.
  uint8_t palette[240 * 3];
  converter.GetPalette(palette);
  int sum[3] = {0, 0, 0};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      for (int c = 0; c < 3; ++c) sum[c] += palette[out[y][x] * 3 + c];
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(sum[c] / 64.0, 128.0, 6.0) << "channel " << c;
}

TEST(ColorConverterOrdered, RowPhaseCarriesAcrossCallsAndColumnPhaseFollowsThePixel) {
  const int width = 16;
  const Row grey = UniformRow(width, 100, 140, 90);
  ColorConverter reference(240, ColorConverter::kOrderedDither, width, nullptr);
  const std::vector<Row> pattern = ConvertRows(reference, std::vector<Row>(8, grey));
  EXPECT_NE(pattern[0], pattern[1]);

  // Three rows of something else move the matrix row on by three.
  ColorConverter converter(240, ColorConverter::kOrderedDither, width, nullptr);
  ConvertRows(converter, {VariedRow(width, 1), VariedRow(width, 2), VariedRow(width, 3)});
  EXPECT_EQ(ConvertRows(converter, {grey})[0], pattern[3]);

  // A part of a row is dithered as in the whole row and the rest of the target is left alone.
  ColorConverter partial(240, ColorConverter::kOrderedDither, width, nullptr);
  Row target(width, 0xEE);
  ASSERT_TRUE(partial.ConvertRow(grey.data(), target.data(), 5, 12));
  for (int x = 0; x < width; ++x) EXPECT_EQ(target[x], x >= 5 && x <= 12 ? pattern[0][x] : 0xEE) << x;
}

// Palette images reach the converter as indexes with their palette; the result must not depend on that.
TEST(ColorConverterSourcePalette, IndexedInputEqualsTheSameColoursAsDirectPixels) {
  const int width = 19;
  uint8_t palette[256 * 3];
  for (int i = 0; i < 256; ++i) {
    palette[i * 3] = static_cast<uint8_t>(i * 7);        // red
    palette[i * 3 + 1] = static_cast<uint8_t>(255 - i);  // green
    palette[i * 3 + 2] = static_cast<uint8_t>(i * 3 + 50);
  }
  std::vector<Row> indexed, direct;
  for (int y = 0; y < 11; ++y) {
    Row indexes, pixels;
    for (int x = 0; x < width; ++x) {
      const uint8_t i = static_cast<uint8_t>((x * 53 + y * 17) % 256);
      indexes.push_back(i);
      pixels.insert(pixels.end(), {palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3]});
    }
    indexed.push_back(indexes);
    direct.push_back(pixels);
  }
  for (int mode : {ColorConverter::kOrderedDither, ColorConverter::kErrorDiffusion}) {
    SCOPED_TRACE(mode);
    ColorConverter fromIndexes(240, mode, width, palette);
    ColorConverter fromPixels(240, mode, width, nullptr);
    ASSERT_TRUE(fromIndexes.ReadsPaletteIndexes());
    EXPECT_EQ(ConvertRows(fromIndexes, indexed), ConvertRows(fromPixels, direct));
  }
}

TEST(ColorConverterDiffusion, StateCarriesFromRowToRow) {
  const int width = 23;
  std::vector<Row> rows;
  for (int y = 0; y < 5; ++y) rows.push_back(VariedRow(width, y));

  ColorConverter first(240, ColorConverter::kErrorDiffusion, width, nullptr);
  const std::vector<Row> once = ConvertRows(first, rows);
  ColorConverter fresh(240, ColorConverter::kErrorDiffusion, width, nullptr);
  EXPECT_EQ(ConvertRows(fresh, rows), once) << "a new converter reproduces the rows";
  EXPECT_NE(ConvertRows(first, rows), once) << "a reused converter carries its errors and direction";
}

TEST(ColorConverterDiffusion, KeepsTheAverageColourOfAFlatArea) {
  const int width = 64;
  ColorConverter converter(240, ColorConverter::kErrorDiffusion, width, nullptr);
  const std::vector<Row> out = ConvertRows(converter, std::vector<Row>(64, UniformRow(width, 100, 150, 200)));
  uint8_t palette[240 * 3];
  converter.GetPalette(palette);
  double sum[3] = {0, 0, 0};  // red, green, blue
  for (const Row& row : out)
    for (uint8_t index : row)
      for (int c = 0; c < 3; ++c) sum[c] += palette[index * 3 + c];
  EXPECT_NEAR(sum[2] / (width * 64), 100.0, 1.0);
  EXPECT_NEAR(sum[1] / (width * 64), 150.0, 1.0);
  EXPECT_NEAR(sum[0] / (width * 64), 200.0, 1.0);

  // Palette colours themselves leave no error behind.
  ColorConverter exact(240, ColorConverter::kErrorDiffusion, width, nullptr);
  for (const Row& row : ConvertRows(exact, std::vector<Row>(3, UniformRow(width, 191, 73, 204))))
    for (uint8_t index : row) EXPECT_EQ(index, 3 * 48 + 2 * 6 + 4);
}

// Diffusing over part of a row behaves as if that part were the whole row.
TEST(ColorConverterDiffusion, PartOfARowIsDiffusedOnItsOwn) {
  const int width = 30, first = 7, last = 19, part = last - first + 1;
  ColorConverter whole(240, ColorConverter::kErrorDiffusion, width, nullptr);
  ColorConverter alone(240, ColorConverter::kErrorDiffusion, part, nullptr);
  for (int y = 0; y < 4; ++y) {
    const Row row = VariedRow(width, y);
    Row target(width, 0xEE);
    ASSERT_TRUE(whole.ConvertRow(row.data(), target.data(), first, last));
    Row expected(part);
    ASSERT_TRUE(alone.ConvertRow(row.data() + first * 3, expected.data()));
    EXPECT_EQ(Row(target.begin() + first, target.begin() + last + 1), expected) << "row " << y;
    EXPECT_EQ(target[first - 1], 0xEE);
    EXPECT_EQ(target[last + 1], 0xEE);
  }
}

// Each case converts one pixel at a matrix cell and checks the dithered byte of one channel. Red dithers
// on the first matrix, green on the second (rows 6, 7, 8, 1.. of the first), blue on the third.
TEST(ColorConverterDither15, ThresholdsAtTheEdgesOfTheCells) {
  struct Case {
    int row, column, channel;  // channel in pixel order: 0 blue, 1 green, 2 red
    uint8_t in, out;
  };
  const Case cases[] = {
      {0, 0, 2, 0, 8},                                            // red m = 0: even a zero remainder steps up
      {0, 0, 2, 248, 255},                                        // ... and the step past the top is clamped
      {0, 1, 2, 3, 0},                                            // red m = 32: remainder 3 stays
      {0, 1, 2, 4, 8},                                            // ... remainder 4 steps up
      {0, 1, 2, 248, 248},                                        // no remainder, no step
      {7, 0, 2, 6, 0},                                            // red m = 63: only remainder 7 steps up
      {7, 0, 2, 7, 8},     {7, 0, 2, 255, 255}, {0, 0, 1, 5, 0},  // green m = 51
      {0, 0, 1, 6, 8},     {3, 0, 1, 0, 8},                       // green m = 0
      {0, 0, 0, 4, 0},                                            // blue m = 44
      {0, 0, 0, 5, 8},     {7, 6, 0, 0, 8},                       // blue m = 0
      {7, 5, 0, 6, 0},                                            // blue m = 63
      {7, 5, 0, 7, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + " column " + std::to_string(c.column) + " channel " +
                 std::to_string(c.channel) + " in " + std::to_string(c.in));
    ColorConverter converter(0, ColorConverter::kDither15To24, 8, nullptr);
    Row row(8 * 3, 16), target(8 * 3, 0xEE);
    for (int y = 0; y < c.row; ++y) ASSERT_TRUE(converter.ConvertRow(row.data(), target.data()));
    row[c.column * 3 + c.channel] = c.in;
    ASSERT_TRUE(converter.ConvertRow(row.data(), target.data()));
    EXPECT_EQ(target[c.column * 3 + c.channel], c.out);
  }
}

TEST(ColorConverterDither15, PacksFiveBitsPerChannelRedHighest) {
  // At row 0, column 1 no channel steps up for a zero remainder (matrix entries 32, 19, 28).
  const uint8_t pixel[3 * 2] = {0, 0, 0, 0x10, 0x20, 0xF8};
  uint8_t packed[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  ColorConverter mode3(0, ColorConverter::kDither15, 2, nullptr);
  ASSERT_TRUE(mode3.ConvertRow(pixel, packed, 1, 1));
  EXPECT_EQ(packed[0], 0xEE);
  EXPECT_EQ(packed[2] | packed[3] << 8, 31 << 10 | 4 << 5 | 2);

  uint8_t wide[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  ColorConverter mode4(0, ColorConverter::kDither15To24, 2, nullptr);
  ASSERT_TRUE(mode4.ConvertRow(pixel, wide, 1, 1));
  EXPECT_EQ(Row(wide, wide + 6), Row({0xEE, 0xEE, 0xEE, 0x10, 0x20, 0xF8}));

  EXPECT_EQ(mode3.GetPalette(wide), 0);
  EXPECT_EQ(mode3.OutputBytes(), 2);
  EXPECT_EQ(mode4.OutputBytes(), 3);
}

TEST(ColorConverterArguments, RefusedWithoutHarm) {
  EXPECT_EQ(ColorConverter::Create(240, 5, 10, nullptr), nullptr);
  EXPECT_EQ(ColorConverter::Create(240, -1, 10, nullptr), nullptr);
  EXPECT_EQ(ColorConverter::Create(240, ColorConverter::kNearest, 0, nullptr), nullptr);
  EXPECT_EQ(ColorConverter::Create(240, ColorConverter::kNearest, ColorConverter::kMaxRowLength + 1, nullptr), nullptr);

  auto converter = ColorConverter::Create(240, ColorConverter::kErrorDiffusion, 4, nullptr);
  ASSERT_NE(converter, nullptr);
  const Row row = UniformRow(4, 1, 2, 3);
  Row target(4, 0xEE);
  EXPECT_FALSE(converter->ConvertRow(nullptr, target.data()));
  EXPECT_FALSE(converter->ConvertRow(row.data(), nullptr));
  EXPECT_FALSE(converter->ConvertRow(row.data(), target.data(), 3, 2));
  EXPECT_FALSE(converter->ConvertRow(row.data(), target.data(), -1, 2));
  EXPECT_FALSE(converter->ConvertRow(row.data(), target.data(), 4, -1));
  EXPECT_EQ(target, Row(4, 0xEE));
  // A last pixel past the row stops at the row's end.
  EXPECT_TRUE(converter->ConvertRow(row.data(), target.data(), 2, 1000));
  EXPECT_EQ(target[1], 0xEE);

  // Mode 0 and the 15-bit modes read direct colour even when handed a palette.
  uint8_t palette[256 * 3] = {};
  EXPECT_FALSE(ColorConverter(240, ColorConverter::kNearest, 4, palette).ReadsPaletteIndexes());
  EXPECT_FALSE(ColorConverter(0, ColorConverter::kDither15, 4, palette).ReadsPaletteIndexes());
}
