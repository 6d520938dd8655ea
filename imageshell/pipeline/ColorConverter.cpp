#include "pipeline/ColorConverter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumetta {
namespace {

// The ordered-dither matrices. Blue dithers with the first, green with the second and red with the third
// when mapping onto the fixed palette; the 15-bit modes give red the first and blue the third, so that the
// three channels of one pixel seldom step up together. The third matrix is not a permutation of 0..63 (26
// and 50 appear twice, 25 and 40 not at all); it is kept so, because the dithered pixels must match it.
constexpr uint8_t kFirstMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

constexpr uint8_t kThirdMatrix[8][8] = {
    {44, 28, 35, 19, 47, 31, 32, 16}, {4, 52, 11, 59, 7, 55, 8, 56},    {36, 20, 43, 27, 39, 23, 50, 24},
    {14, 62, 1, 49, 13, 61, 2, 50},   {46, 30, 33, 17, 45, 29, 34, 18}, {6, 54, 9, 57, 5, 53, 10, 58},
    {38, 22, 41, 26, 37, 21, 42, 26}, {12, 60, 3, 51, 15, 63, 0, 48},
};

// matrix 0, 1, 2 = first, second, third. The second is the first with its rows rotated: rows 6, 7, 8, 1..5.
int MatrixEntry(int matrix, int row, int column) {
  switch (matrix) {
    case 0: return kFirstMatrix[row][column];
    case 1: return kFirstMatrix[(row + 5) % 8][column];
    default: return kThirdMatrix[row][column];
  }
}

// Fixed palette geometry per channel in pixel order (blue, green, red).
constexpr int kLevels[3] = {ColorConverter::kBlueLevels, ColorConverter::kGreenLevels, ColorConverter::kRedLevels};
constexpr int kIndexWeight[3] = {ColorConverter::kGreenLevels * ColorConverter::kRedLevels, ColorConverter::kRedLevels,
                                 1};

int LevelValue(int level, int levels) { return (level * 255 + (levels - 1) / 2) / (levels - 1); }

// The largest input value that still maps to the level.
int LevelUpperLimit(int level, int levels) { return ((2 * level + 1) * 255 + (levels - 1)) / (2 * (levels - 1)); }

bool IsKnownMode(int mode) { return mode >= ColorConverter::kNearest && mode <= ColorConverter::kDither15To24; }

}  // namespace

ColorConverter::ColorConverter(int colors, int mode, int rowLength, const uint8_t* sourcePalette)
    : colors_(colors), mode_(mode), rowLength_(rowLength) {
  if (!IsKnownMode(mode) || rowLength <= 0 || rowLength > kMaxRowLength) return;

  for (int v = 0; v < kRangeSpan; ++v) rangeLimit_[v] = static_cast<uint8_t>(std::clamp(v - kRangeBias, 0, 255));

  indexedInput_ = sourcePalette != nullptr && (mode == kOrderedDither || mode == kErrorDiffusion);
  if (indexedInput_) {
    for (int i = 0; i < kSourcePaletteEntries; ++i) {
      sourcePalette_[2][i] = sourcePalette[i * 3];      // red
      sourcePalette_[1][i] = sourcePalette[i * 3 + 1];  // green
      sourcePalette_[0][i] = sourcePalette[i * 3 + 2];  // blue
    }
  }

  if (mode == kDither15 || mode == kDither15To24) {
    BuildDither15Tables();
  } else {
    BuildFixedPalette();
    if (mode == kOrderedDither) BuildPaletteDitherTables();
  }

  if (mode == kErrorDiffusion) {
    const size_t entries = (static_cast<size_t>(rowLength) + 2) * kChannels;
    errors_.reset(new (std::nothrow) int16_t[entries]());
    if (!errors_) return;
  }
  valid_ = true;
}

ColorConverter::~ColorConverter() = default;

std::unique_ptr<ColorConverter> ColorConverter::Create(int colors, int mode, int rowLength,
                                                       const uint8_t* sourcePalette) {
  std::unique_ptr<ColorConverter> converter(new (std::nothrow) ColorConverter(colors, mode, rowLength, sourcePalette));
  if (converter && !converter->IsValid()) converter.reset();
  return converter;
}

void ColorConverter::BuildFixedPalette() {
  for (int channel = 0; channel < kChannels; ++channel) {
    const int levels = kLevels[channel];
    const int weight = kIndexWeight[channel];
    for (int index = 0; index < kFixedPaletteSize; ++index)
      colorMap_[channel][index] = static_cast<uint8_t>(LevelValue(index / weight % levels, levels));

    // Values below 0 map like 0 and above 255 like 255, so the walk starts at level 0 and ends on the top
    // level with its limit raised to cover the whole extended range.
    int level = 0;
    for (int v = -kIndexBias; v < kIndexSpan - kIndexBias; ++v) {
      while (level < levels - 1 && v > LevelUpperLimit(level, levels)) ++level;
      colorIndex_[channel][v + kIndexBias] = static_cast<uint8_t>(level * weight);
      if (v >= 0 && v <= 255) mappedValue_[channel][v] = static_cast<uint8_t>(LevelValue(level, levels));
    }
  }
}

void ColorConverter::BuildPaletteDitherTables() {
  static constexpr int kMatrixOfChannel[3] = {0, 1, 2};  // blue first, green second, red third
  for (int cell = 0; cell < kCells; ++cell) {
    for (int channel = 0; channel < kChannels; ++channel) {
      const int m = MatrixEntry(kMatrixOfChannel[channel], cell / kMatrixSize, cell % kMatrixSize);
      // Integer division truncates towards zero, as the offset's definition requires for negative values.
      const int offset = (65 - 2 * m) * 255 / (130 * (kLevels[channel] - 1));
      const uint8_t* index = colorIndex_[channel] + kIndexBias + offset;
      std::memcpy(ditherTables_[cell][channel], index, 256);
    }
  }
}

void ColorConverter::BuildDither15Tables() {
  static constexpr int kMatrixOfChannel[3] = {2, 1, 0};  // red first, green second, blue third
  for (int cell = 0; cell < kCells; ++cell) {
    for (int channel = 0; channel < kChannels; ++channel) {
      const int m = MatrixEntry(kMatrixOfChannel[channel], cell / kMatrixSize, cell % kMatrixSize);
      for (int v = 0; v < 256; ++v) {
        const int up = (v & 7) * 63 > (m - 1) * 7 ? 1 : 0;
        ditherTables_[cell][channel][v] = static_cast<uint8_t>(std::min(((v >> 3) + up) << 3, 255));
      }
    }
  }
}

bool ColorConverter::ConvertRow(const uint8_t* source, uint8_t* target, int firstPixel, int lastPixel) {
  if (!valid_ || source == nullptr || target == nullptr) return false;
  if (lastPixel < 0 || lastPixel >= rowLength_) lastPixel = rowLength_ - 1;
  if (firstPixel < 0 || firstPixel > lastPixel) return false;

  switch (mode_) {
    case kNearest: ConvertNearest(source, target, firstPixel, lastPixel); break;
    case kOrderedDither:
      if (indexedInput_)
        ConvertOrdered<true>(source, target, firstPixel, lastPixel);
      else
        ConvertOrdered<false>(source, target, firstPixel, lastPixel);
      break;
    case kErrorDiffusion:
      if (indexedInput_)
        ConvertDiffused<true>(source, target, firstPixel, lastPixel);
      else
        ConvertDiffused<false>(source, target, firstPixel, lastPixel);
      leftToRight_ = !leftToRight_;
      break;
    case kDither15: ConvertDither15<true>(source, target, firstPixel, lastPixel); break;
    default: ConvertDither15<false>(source, target, firstPixel, lastPixel); break;
  }
  matrixRow_ = (matrixRow_ + 1) % kMatrixSize;
  return true;
}

void ColorConverter::ConvertNearest(const uint8_t* source, uint8_t* target, int first, int last) const {
  const uint8_t* blue = colorIndex_[0] + kIndexBias;
  const uint8_t* green = colorIndex_[1] + kIndexBias;
  const uint8_t* red = colorIndex_[2] + kIndexBias;
  const uint8_t* s = source + static_cast<size_t>(first) * 3;
  for (int x = first; x <= last; ++x, s += 3) target[x] = static_cast<uint8_t>(blue[s[0]] + green[s[1]] + red[s[2]]);
}

template <bool kIndexed>
void ColorConverter::ConvertOrdered(const uint8_t* source, uint8_t* target, int first, int last) const {
  const CellTables* row = ditherTables_ + matrixRow_ * kMatrixSize;
  for (int x = first; x <= last; ++x) {
    const CellTables& cell = row[x & (kMatrixSize - 1)];
    unsigned b, g, r;
    if constexpr (kIndexed) {
      const uint8_t i = source[x];
      b = sourcePalette_[0][i];
      g = sourcePalette_[1][i];
      r = sourcePalette_[2][i];
    } else {
      const uint8_t* s = source + static_cast<size_t>(x) * 3;
      b = s[0];
      g = s[1];
      r = s[2];
    }
    target[x] = static_cast<uint8_t>(cell[0][b] + cell[1][g] + cell[2][r]);
  }
}

// Floyd-Steinberg in sixteenths. errors_ holds, for each column, what the row above left for it; while a row
// is scanned the entry of the column just behind the scan is rewritten with what this row leaves for the
// next one, so a single row of errors serves both. Entry of column x: (x + 1) * 3 + channel.
template <bool kIndexed>
void ColorConverter::ConvertDiffused(const uint8_t* source, uint8_t* target, int first, int last) {
  const int dir = leftToRight_ ? 1 : -1;
  const ptrdiff_t step = dir * kChannels;
  int x = leftToRight_ ? first : last;
  const int end = leftToRight_ ? last + 1 : first - 1;
  int16_t* column = errors_.get() + static_cast<ptrdiff_t>(x + 1) * kChannels;
  const uint8_t* limit = rangeLimit_ + kRangeBias;

  int carried[kChannels] = {0, 0, 0};      // 7/16 share for the next pixel along the scan
  int belowBehind[kChannels] = {0, 0, 0};  // accumulating for the column behind the scan
  int belowHere[kChannels] = {0, 0, 0};    // 1/16 share of the previous pixel for the current column
  for (; x != end; x += dir, column += step) {
    unsigned in[kChannels];
    if constexpr (kIndexed) {
      const uint8_t i = source[x];
      in[0] = sourcePalette_[0][i];
      in[1] = sourcePalette_[1][i];
      in[2] = sourcePalette_[2][i];
    } else {
      const uint8_t* s = source + static_cast<size_t>(x) * 3;
      in[0] = s[0];
      in[1] = s[1];
      in[2] = s[2];
    }
    unsigned index = 0;
    for (int c = 0; c < kChannels; ++c) {
      const int value = limit[static_cast<int>(in[c]) + ((carried[c] + column[c] + 8) >> 4)];
      index += colorIndex_[c][kIndexBias + value];
      const int error = value - mappedValue_[c][value];
      column[c - step] = static_cast<int16_t>(belowBehind[c] + 3 * error);
      belowBehind[c] = belowHere[c] + 5 * error;
      belowHere[c] = error;
      carried[c] = 7 * error;
    }
    target[x] = static_cast<uint8_t>(index);
  }
  // The last pixel's own column gets its 5/16 and its neighbour's 1/16; shares past the row's ends are lost.
  column -= step;
  for (int c = 0; c < kChannels; ++c) column[c] = static_cast<int16_t>(belowBehind[c]);
}

template <bool kPacked>
void ColorConverter::ConvertDither15(const uint8_t* source, uint8_t* target, int first, int last) const {
  const CellTables* row = ditherTables_ + matrixRow_ * kMatrixSize;
  const uint8_t* s = source + static_cast<size_t>(first) * 3;
  uint8_t* t = target + static_cast<size_t>(first) * (kPacked ? 2 : 3);
  for (int x = first; x <= last; ++x, s += 3) {
    const CellTables& cell = row[x & (kMatrixSize - 1)];
    const unsigned b = cell[0][s[0]];
    const unsigned g = cell[1][s[1]];
    const unsigned r = cell[2][s[2]];
    if constexpr (kPacked) {
      const unsigned pixel = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
      t[0] = static_cast<uint8_t>(pixel);
      t[1] = static_cast<uint8_t>(pixel >> 8);
      t += 2;
    } else {
      t[0] = static_cast<uint8_t>(b);
      t[1] = static_cast<uint8_t>(g);
      t[2] = static_cast<uint8_t>(r);
      t += 3;
    }
  }
}

int ColorConverter::GetPalette(uint8_t* target) const {
  if (mode_ == kDither15 || mode_ == kDither15To24 || !valid_ || target == nullptr) return 0;
  for (int index = 0; index < kFixedPaletteSize; ++index) {
    target[index * 3] = colorMap_[2][index];
    target[index * 3 + 1] = colorMap_[1][index];
    target[index * 3 + 2] = colorMap_[0][index];
  }
  return kFixedPaletteSize;
}

}  // namespace lumetta
