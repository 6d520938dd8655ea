#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumetta {

// Two-pass colour reduction onto an optimised palette for 8-bit displays.
//
// Pass 1 (AddRow) counts the image's colours in a 32 x 64 x 32 histogram (blue 5 bits, green 6, red 5).
// ChooseColors then picks at most the desired number of colours by median cut and turns the histogram into
// an inverse colour map that pass 2 (MapRow) fills lazily, one 4 x 8 x 4 block of cells at a time, as pixels
// need it. Pass 2 maps plainly or with serpentine Floyd-Steinberg error diffusion.
//
// Rows are pixels in blue, green, red byte order; palettes are red, green, blue triples.
class MedianCutQuantizer {
public:
  static constexpr int kDefaultColors = 236;
  static constexpr int kMaxColors = 256;
  static constexpr int kMaxRowLength = 1 << 24;
  static constexpr int kBlueCells = 32;
  static constexpr int kGreenCells = 64;
  static constexpr int kRedCells = 32;
  static constexpr int kMaxCount = 65535;

  // colors: the most colours to choose (clamped to 1..256). dither: error diffusion in pass 2. rowLength:
  // pixels per row in pass 2 (pass 1 rows may be shorter or longer). initialPalette: red, green, blue
  // triples used instead of choosing colours (initialPaletteSize entries, at most 256), or null.
  MedianCutQuantizer(int colors, bool dither, int rowLength, const uint8_t* initialPalette = nullptr,
                     int initialPaletteSize = 0);
  ~MedianCutQuantizer();
  MedianCutQuantizer(const MedianCutQuantizer&) = delete;
  MedianCutQuantizer& operator=(const MedianCutQuantizer&) = delete;

  // The same as the constructor, allocated on the heap; null when refused or memory is short.
  static std::unique_ptr<MedianCutQuantizer> Create(int colors, bool dither, int rowLength,
                                                    const uint8_t* initialPalette = nullptr,
                                                    int initialPaletteSize = 0);

  // False when the row length was refused or the histogram or error row could not be allocated.
  bool IsValid() const { return valid_; }

  // Pass 1: counts pixelCount pixels (all of rowLength when negative) of a 24-bit row. Counts stop at
  // 65535. False, counting nothing, once colours have been chosen.
  bool AddRow(const uint8_t* row, int pixelCount = -1);

  // Between the passes: chooses the palette (median cut over the histogram, or the initial palette) and
  // clears the histogram for use as the inverse map. Returns the palette size. Later calls change nothing
  // and return the same size. An empty histogram gives a single black entry, so pass 2 always has a colour.
  int ChooseColors();

  // Writes the palette as red, green, blue triples and returns its size (0 before ChooseColors unless an
  // initial palette was given).
  int GetPalette(uint8_t* target) const;

  // Pass 2: maps pixelCount pixels (rowLength when negative; at most rowLength) of a 24-bit row to palette
  // indexes, one byte per pixel, into a target that does not overlap the source. Each call is one row: with dithering
  // the scan direction alternates. False, writing nothing, before ChooseColors.
  bool MapRow(const uint8_t* source, uint8_t* target, int pixelCount = -1);

  int DesiredColors() const { return desiredColors_; }
  bool Dithers() const { return dither_; }
  int RowLength() const { return rowLength_; }
  bool ColorsChosen() const { return colorsChosen_; }
  int PaletteSize() const { return paletteSize_; }

private:
  static constexpr int kChannels = 3;
  static constexpr size_t kCellCount = size_t{kBlueCells} * kGreenCells * kRedCells;
  static constexpr int kRangeBias = 256;
  static constexpr int kRangeSpan = 768;
  static constexpr int kErrorBias = 255;
  static constexpr int kErrorSpan = 511;

  struct Box;
  void ShrinkAndMeasure(Box& box) const;
  void MedianCut();
  void AverageColor(const Box& box, int entry);
  void FillInverseBlock(unsigned cell);
  void MapPlain(const uint8_t* source, uint8_t* target, int count);
  void MapDithered(const uint8_t* source, uint8_t* target, int count);

  static unsigned CellOf(unsigned blue, unsigned green, unsigned red) {
    return (blue >> 3) << 11 | (green >> 2) << 5 | (red >> 3);
  }

  bool valid_ = false;
  int desiredColors_ = kDefaultColors;
  bool dither_ = false;
  int rowLength_ = 0;
  bool colorsChosen_ = false;
  bool hasInitialPalette_ = false;

  // The palette, per channel in pixel order (0 blue, 1 green, 2 red).
  uint8_t palette_[kChannels][kMaxColors] = {};
  int paletteSize_ = 0;

  // Pass 1: pixel counts per cell [blue][green][red]. After ChooseColors: 0 = not yet filled, else
  // palette index + 1.
  std::unique_ptr<uint16_t[]> histogram_;

  // Pass 2 with dithering: errors in sixteenths for columns -1..rowLength, three channels each.
  std::unique_ptr<int16_t[]> errors_;
  bool leftToRight_ = true;
  int errorLimit_[kErrorSpan] = {};
  uint8_t rangeLimit_[kRangeSpan] = {};
};

}  // namespace lumetta
