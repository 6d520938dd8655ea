#include "pipeline/MedianCutQuantizer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace lumetta {
namespace {

constexpr int kBlueShift = 11;  // cell index = blue cell << 11 | green cell << 5 | red cell
constexpr int kGreenShift = 5;

// Cell geometry per channel in pixel order (blue, green, red): the low bits a cell drops, and the weight of
// the channel in colour distances. Distances square the weighted difference, so green counts most and blue
// least, roughly as the eye does.
constexpr int kCellBits[3] = {3, 2, 3};
constexpr int kDistanceWeight[3] = {1, 3, 2};
// A box's extent along an axis, in cells, times this gives its size in weighted colour units.
constexpr int kExtentWeight[3] = {8, 12, 16};

// The inverse map is filled a block of 4 x 8 x 4 cells (blue, green, red) at a time.
constexpr int kBlockBits[3] = {2, 3, 2};
constexpr int kBlockCells[3] = {1 << kBlockBits[0], 1 << kBlockBits[1], 1 << kBlockBits[2]};
constexpr int kBlockSize = kBlockCells[0] * kBlockCells[1] * kBlockCells[2];

int CellCentre(int channel, int cell) { return (cell << kCellBits[channel]) + (1 << kCellBits[channel] >> 1); }

// The summed error of a pixel passes through this before it is applied: small errors fully, larger ones
// with less and less effect, so that error diffusion cannot smear colours over flat areas.
int LimitError(int error) {
  const int magnitude = error < 0 ? -error : error;
  const int limited = magnitude < 16 ? magnitude : magnitude < 48 ? 16 + (magnitude - 16) / 2 : 32;
  return error < 0 ? -limited : limited;
}

}  // namespace

struct MedianCutQuantizer::Box {
  int lo[kChannels];  // cell bounds per channel (pixel order), inclusive
  int hi[kChannels];
  long long volume;          // sum of the squared weighted extents; 0 for a single cell
  unsigned long long count;  // pixels in the box
};

MedianCutQuantizer::MedianCutQuantizer(int colors, bool dither, int rowLength, const uint8_t* initialPalette,
                                       int initialPaletteSize)
    : desiredColors_(std::clamp(colors, 1, kMaxColors)), dither_(dither), rowLength_(rowLength) {
  if (rowLength <= 0 || rowLength > kMaxRowLength) return;

  if (initialPalette != nullptr && initialPaletteSize > 0) {
    hasInitialPalette_ = true;
    paletteSize_ = std::min(initialPaletteSize, kMaxColors);
    for (int i = 0; i < paletteSize_; ++i) {
      palette_[2][i] = initialPalette[i * 3];
      palette_[1][i] = initialPalette[i * 3 + 1];
      palette_[0][i] = initialPalette[i * 3 + 2];
    }
  }

  for (int v = 0; v < kRangeSpan; ++v) rangeLimit_[v] = static_cast<uint8_t>(std::clamp(v - kRangeBias, 0, 255));
  for (int e = -kErrorBias; e <= kErrorBias; ++e) errorLimit_[e + kErrorBias] = LimitError(e);

  histogram_.reset(new (std::nothrow) uint16_t[kCellCount]());
  if (!histogram_) return;
  if (dither) {
    errors_.reset(new (std::nothrow) int16_t[(static_cast<size_t>(rowLength) + 2) * kChannels]());
    if (!errors_) return;
  }
  valid_ = true;
}

MedianCutQuantizer::~MedianCutQuantizer() = default;

std::unique_ptr<MedianCutQuantizer> MedianCutQuantizer::Create(int colors, bool dither, int rowLength,
                                                               const uint8_t* initialPalette, int initialPaletteSize) {
  std::unique_ptr<MedianCutQuantizer> quantizer(
      new (std::nothrow) MedianCutQuantizer(colors, dither, rowLength, initialPalette, initialPaletteSize));
  if (quantizer && !quantizer->IsValid()) quantizer.reset();
  return quantizer;
}

bool MedianCutQuantizer::AddRow(const uint8_t* row, int pixelCount) {
  if (!valid_ || colorsChosen_ || row == nullptr) return false;
  if (pixelCount < 0) pixelCount = rowLength_;
  uint16_t* histogram = histogram_.get();
  for (int x = 0; x < pixelCount; ++x, row += 3) {
    uint16_t& cell = histogram[CellOf(row[0], row[1], row[2])];
    // Saturating increment without a branch: 65535 + 1 carries into bit 16, which is taken back off.
    const uint32_t next = cell + 1u;
    cell = static_cast<uint16_t>(next - (next >> 16));
  }
  return true;
}

// Shrinks the box to the cells that hold pixels and measures it. An empty box stays as it is with
// volume 0, so it is never split.
void MedianCutQuantizer::ShrinkAndMeasure(Box& box) const {
  int lo[kChannels] = {INT_MAX, INT_MAX, INT_MAX};
  int hi[kChannels] = {-1, -1, -1};
  unsigned long long count = 0;
  const uint16_t* histogram = histogram_.get();
  for (int b = box.lo[0]; b <= box.hi[0]; ++b) {
    for (int g = box.lo[1]; g <= box.hi[1]; ++g) {
      const uint16_t* cells = histogram + (b << kBlueShift | g << kGreenShift);
      int first = -1, last = -1;
      for (int r = box.lo[2]; r <= box.hi[2]; ++r) {
        if (cells[r] == 0) continue;
        if (first < 0) first = r;
        last = r;
        count += cells[r];
      }
      if (first < 0) continue;
      lo[0] = std::min(lo[0], b);
      hi[0] = std::max(hi[0], b);
      lo[1] = std::min(lo[1], g);
      hi[1] = std::max(hi[1], g);
      lo[2] = std::min(lo[2], first);
      hi[2] = std::max(hi[2], last);
    }
  }
  box.count = count;
  box.volume = 0;
  if (count == 0) return;
  for (int c = 0; c < kChannels; ++c) {
    box.lo[c] = lo[c];
    box.hi[c] = hi[c];
    const long long extent = static_cast<long long>(hi[c] - lo[c]) * kExtentWeight[c];
    box.volume += extent * extent;
  }
}

void MedianCutQuantizer::AverageColor(const Box& box, int entry) {
  unsigned long long total = 0;
  unsigned long long sum[kChannels] = {0, 0, 0};
  const uint16_t* histogram = histogram_.get();
  for (int b = box.lo[0]; b <= box.hi[0]; ++b) {
    for (int g = box.lo[1]; g <= box.hi[1]; ++g) {
      const uint16_t* cells = histogram + (b << kBlueShift | g << kGreenShift);
      for (int r = box.lo[2]; r <= box.hi[2]; ++r) {
        const unsigned long long n = cells[r];
        if (n == 0) continue;
        total += n;
        sum[0] += n * CellCentre(0, b);
        sum[1] += n * CellCentre(1, g);
        sum[2] += n * CellCentre(2, r);
      }
    }
  }
  for (int c = 0; c < kChannels; ++c)
    palette_[c][entry] = total == 0 ? 0 : static_cast<uint8_t>((sum[c] + total / 2) / total);
}

void MedianCutQuantizer::MedianCut() {
  Box boxes[kMaxColors];
  boxes[0] = Box{{0, 0, 0}, {kBlueCells - 1, kGreenCells - 1, kRedCells - 1}, 0, 0};
  ShrinkAndMeasure(boxes[0]);
  int boxCount = 1;

  while (boxCount < desiredColors_) {
    // While boxes are few, split where the pixels are; later, split the boxes spanning the most colour.
    Box* widest = nullptr;
    if (boxCount * 2 <= desiredColors_) {
      unsigned long long most = 0;
      for (int i = 0; i < boxCount; ++i)
        if (boxes[i].count > most && boxes[i].volume > 0) most = boxes[i].count, widest = &boxes[i];
    } else {
      long long most = 0;
      for (int i = 0; i < boxCount; ++i)
        if (boxes[i].volume > most) most = boxes[i].volume, widest = &boxes[i];
    }
    if (widest == nullptr) break;

    // Ties go to green, then red; blue only when strictly the widest.
    int axis = 1;
    int extent = (widest->hi[1] - widest->lo[1]) * kExtentWeight[1];
    const int redExtent = (widest->hi[2] - widest->lo[2]) * kExtentWeight[2];
    const int blueExtent = (widest->hi[0] - widest->lo[0]) * kExtentWeight[0];
    if (redExtent > extent) axis = 2, extent = redExtent;
    if (blueExtent > extent) axis = 0;

    Box& second = boxes[boxCount++];
    second = *widest;
    const int middle = (widest->lo[axis] + widest->hi[axis]) / 2;
    widest->hi[axis] = middle;
    second.lo[axis] = middle + 1;
    ShrinkAndMeasure(*widest);
    ShrinkAndMeasure(second);
  }

  if (boxes[0].count == 0) {
    // Nothing was counted: one black entry keeps pass 2 mapping onto something.
    palette_[0][0] = palette_[1][0] = palette_[2][0] = 0;
    paletteSize_ = 1;
    return;
  }
  for (int i = 0; i < boxCount; ++i) AverageColor(boxes[i], i);
  paletteSize_ = boxCount;
}

int MedianCutQuantizer::ChooseColors() {
  if (!valid_ || colorsChosen_) return paletteSize_;
  if (!hasInitialPalette_) MedianCut();
  std::memset(histogram_.get(), 0, kCellCount * sizeof(uint16_t));
  colorsChosen_ = true;
  return paletteSize_;
}

int MedianCutQuantizer::GetPalette(uint8_t* target) const {
  if (target == nullptr) return 0;
  for (int i = 0; i < paletteSize_; ++i) {
    target[i * 3] = palette_[2][i];
    target[i * 3 + 1] = palette_[1][i];
    target[i * 3 + 2] = palette_[0][i];
  }
  return paletteSize_;
}

// Gives every cell of the block holding `cell` its nearest palette colour (ties to the lower index). Only
// colours that could be nearest to some cell are tried: a colour whose closest approach to the block is
// farther than some other colour's farthest point can never win.
void MedianCutQuantizer::FillInverseBlock(unsigned cell) {
  const int firstCell[kChannels] = {static_cast<int>(cell >> kBlueShift) & ~(kBlockCells[0] - 1),
                                    static_cast<int>(cell >> kGreenShift & (kGreenCells - 1)) & ~(kBlockCells[1] - 1),
                                    static_cast<int>(cell & (kRedCells - 1)) & ~(kBlockCells[2] - 1)};
  int lo[kChannels], hi[kChannels];  // centres of the block's first and last cells, in colour units
  for (int c = 0; c < kChannels; ++c) {
    lo[c] = CellCentre(c, firstCell[c]);
    hi[c] = CellCentre(c, firstCell[c] + kBlockCells[c] - 1);
  }

  int nearest[kMaxColors];
  int smallestFarthest = INT_MAX;
  for (int i = 0; i < paletteSize_; ++i) {
    int nearDistance = 0, farDistance = 0;
    for (int c = 0; c < kChannels; ++c) {
      const int x = palette_[c][i];
      const int w = kDistanceWeight[c];
      int nearGap = 0, farGap;
      if (x < lo[c]) {
        nearGap = (x - lo[c]) * w;
        farGap = (x - hi[c]) * w;
      } else if (x > hi[c]) {
        nearGap = (x - hi[c]) * w;
        farGap = (x - lo[c]) * w;
      } else {
        farGap = (x <= (lo[c] + hi[c]) >> 1 ? x - hi[c] : x - lo[c]) * w;
      }
      nearDistance += nearGap * nearGap;
      farDistance += farGap * farGap;
    }
    nearest[i] = nearDistance;
    smallestFarthest = std::min(smallestFarthest, farDistance);
  }

  int bestDistance[kBlockSize];
  uint16_t bestEntry[kBlockSize];
  std::fill(bestDistance, bestDistance + kBlockSize, INT_MAX);
  std::fill(bestEntry, bestEntry + kBlockSize, uint16_t{0});
  for (int i = 0; i < paletteSize_; ++i) {
    if (nearest[i] > smallestFarthest) continue;
    int term[kChannels][8];
    for (int c = 0; c < kChannels; ++c) {
      for (int k = 0; k < kBlockCells[c]; ++k) {
        const int gap = (CellCentre(c, firstCell[c] + k) - palette_[c][i]) * kDistanceWeight[c];
        term[c][k] = gap * gap;
      }
    }
    int slot = 0;
    for (int b = 0; b < kBlockCells[0]; ++b) {
      for (int g = 0; g < kBlockCells[1]; ++g) {
        const int blueGreen = term[0][b] + term[1][g];
        for (int r = 0; r < kBlockCells[2]; ++r, ++slot) {
          const int distance = blueGreen + term[2][r];
          if (distance < bestDistance[slot]) {
            bestDistance[slot] = distance;
            bestEntry[slot] = static_cast<uint16_t>(i);
          }
        }
      }
    }
  }

  uint16_t* histogram = histogram_.get();
  int slot = 0;
  for (int b = 0; b < kBlockCells[0]; ++b) {
    for (int g = 0; g < kBlockCells[1]; ++g) {
      uint16_t* cells = histogram + ((firstCell[0] + b) << kBlueShift | (firstCell[1] + g) << kGreenShift);
      for (int r = 0; r < kBlockCells[2]; ++r, ++slot)
        cells[firstCell[2] + r] = static_cast<uint16_t>(bestEntry[slot] + 1);
    }
  }
}

bool MedianCutQuantizer::MapRow(const uint8_t* source, uint8_t* target, int pixelCount) {
  if (!valid_ || !colorsChosen_ || source == nullptr || target == nullptr) return false;
  if (pixelCount < 0 || pixelCount > rowLength_) pixelCount = rowLength_;
  if (pixelCount == 0) return true;
  if (dither_) {
    MapDithered(source, target, pixelCount);
    leftToRight_ = !leftToRight_;
  } else {
    MapPlain(source, target, pixelCount);
  }
  return true;
}

void MedianCutQuantizer::MapPlain(const uint8_t* source, uint8_t* target, int count) {
  const uint16_t* map = histogram_.get();
  for (int x = 0; x < count; ++x, source += 3) {
    const unsigned cell = CellOf(source[0], source[1], source[2]);
    unsigned entry = map[cell];
    if (entry == 0) [[unlikely]] {
      FillInverseBlock(cell);
      entry = map[cell];
    }
    target[x] = static_cast<uint8_t>(entry - 1);
  }
}

// Floyd-Steinberg in sixteenths over a single row of errors, as in ColorConverter's error diffusion; the
// summed error is limited before use and the corrected pixel is looked up in the inverse map.
void MedianCutQuantizer::MapDithered(const uint8_t* source, uint8_t* target, int count) {
  const int dir = leftToRight_ ? 1 : -1;
  const ptrdiff_t step = dir * kChannels;
  int x = leftToRight_ ? 0 : count - 1;
  const int end = leftToRight_ ? count : -1;
  int16_t* column = errors_.get() + static_cast<ptrdiff_t>(x + 1) * kChannels;
  const uint16_t* map = histogram_.get();
  const int* limitError = errorLimit_ + kErrorBias;
  const uint8_t* limit = rangeLimit_ + kRangeBias;

  int carried[kChannels] = {0, 0, 0};
  int belowBehind[kChannels] = {0, 0, 0};
  int belowHere[kChannels] = {0, 0, 0};
  for (; x != end; x += dir, column += step) {
    const uint8_t* s = source + static_cast<size_t>(x) * 3;
    int value[kChannels];
    for (int c = 0; c < kChannels; ++c) value[c] = limit[s[c] + limitError[(carried[c] + column[c] + 8) >> 4]];
    const unsigned cell = CellOf(value[0], value[1], value[2]);
    unsigned entry = map[cell];
    if (entry == 0) [[unlikely]] {
      FillInverseBlock(cell);
      entry = map[cell];
    }
    const unsigned index = entry - 1;
    target[x] = static_cast<uint8_t>(index);
    for (int c = 0; c < kChannels; ++c) {
      const int error = value[c] - palette_[c][index];
      column[c - step] = static_cast<int16_t>(belowBehind[c] + 3 * error);
      belowBehind[c] = belowHere[c] + 5 * error;
      belowHere[c] = error;
      carried[c] = 7 * error;
    }
  }
  column -= step;
  for (int c = 0; c < kChannels; ++c) column[c] = static_cast<int16_t>(belowBehind[c]);
}

}  // namespace lumetta
