#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumetta {

// One-pass, row-by-row colour reduction for 8- and 16-bit displays.
//
// Rows are pixels in blue, green, red byte order (three bytes a pixel), or one palette index a pixel when a
// source palette is given to an ordered-dither or error-diffusion converter. Modes 0..2 map onto a fixed
// palette of 240 colours (6 red, 8 green, 5 blue levels; index = blue level * 48 + green level * 6 +
// red level). Modes 3 and 4 keep direct colour at 15-bit precision with ordered dithering.
//
// Every table is built once by the constructor; converting a row is table lookups and integer arithmetic
// only. A converter carries state from row to row (the dither matrix row, the diffused error and the scan
// direction), so one converter serves one image from its top row down. The tables take about 55 KiB: make
// converters with Create (on the heap), not on a thread's stack.
class ColorConverter {
public:
  enum Mode : int {
    kNearest = 0,         // nearest fixed-palette colour, no dithering; reads 24-bit rows only
    kOrderedDither = 1,   // 8 x 8 ordered dither onto the fixed palette
    kErrorDiffusion = 2,  // serpentine Floyd-Steinberg onto the fixed palette
    kDither15 = 3,        // ordered dither to 15-bit colour, 16-bit pixels (red << 10 | green << 5 | blue)
    kDither15To24 = 4,    // ordered dither to 15-bit precision, written back as 24-bit pixels
  };

  static constexpr int kFixedPaletteSize = 240;
  static constexpr int kRedLevels = 6;
  static constexpr int kGreenLevels = 8;
  static constexpr int kBlueLevels = 5;
  static constexpr int kSourcePaletteEntries = 256;
  // Rows longer than this are refused so that every buffer size stays far from overflow.
  static constexpr int kMaxRowLength = 1 << 24;

  // colors: 240 for modes 0..2, 0 for modes 3 and 4 (kept for the caller; the palette is always the fixed
  // one). rowLength: pixels in a row. sourcePalette: 256 entries of red, green, blue (768 bytes) or null;
  // only modes 1 and 2 use it, and they then read one palette index a pixel.
  ColorConverter(int colors, int mode, int rowLength, const uint8_t* sourcePalette);
  ~ColorConverter();
  ColorConverter(const ColorConverter&) = delete;
  ColorConverter& operator=(const ColorConverter&) = delete;

  // The same as the constructor, allocated on the heap; null when the arguments are refused or memory is
  // short (the caller then goes on without a converter).
  static std::unique_ptr<ColorConverter> Create(int colors, int mode, int rowLength, const uint8_t* sourcePalette);

  // False when the mode or row length was refused or the error row could not be allocated.
  bool IsValid() const { return valid_; }

  // Converts pixels firstPixel..lastPixel (inclusive; lastPixel -1 means to the end of the row) of one row.
  // source and target both point at the start of the row: pixel x is read at source + x * InputBytes() and
  // written at target + x * OutputBytes(); the two must not overlap. The target receives palette indexes (modes 0..2),
  // 16-bit little-endian pixels (mode 3) or blue, green, red bytes (mode 4). The dither matrix column of a pixel is its
  // position in the row modulo 8, so converting a row in parts matches converting it whole; error diffusion over a part
  // treats that part's ends as the row's ends. Each successful call counts as one row: it advances the dither matrix
  // row and, in mode 2, reverses the scan direction. False (and nothing written, no state changed) for null rows or an
  // empty or out-of-row range.
  bool ConvertRow(const uint8_t* source, uint8_t* target, int firstPixel = 0, int lastPixel = -1);

  // Writes the fixed palette as red, green, blue triples (240 * 3 bytes) and returns 240 for modes 0..2;
  // returns 0 and writes nothing for modes 3 and 4.
  int GetPalette(uint8_t* target) const;

  int Colors() const { return colors_; }
  int GetMode() const { return mode_; }
  int RowLength() const { return rowLength_; }
  bool ReadsPaletteIndexes() const { return indexedInput_; }
  int InputBytes() const { return indexedInput_ ? 1 : 3; }
  int OutputBytes() const { return mode_ == kDither15 ? 2 : mode_ == kDither15To24 ? 3 : 1; }

private:
  // Channels in pixel order: 0 blue, 1 green, 2 red.
  static constexpr int kChannels = 3;
  static constexpr int kMatrixSize = 8;
  static constexpr int kCells = kMatrixSize * kMatrixSize;
  // The colour index tables accept -255..510: the ordered-dither offsets reach past both ends.
  static constexpr int kIndexBias = 255;
  static constexpr int kIndexSpan = 255 + 256 + 255;
  // The range limit accepts -256..511, enough for a channel value plus any diffused error.
  static constexpr int kRangeBias = 256;
  static constexpr int kRangeSpan = 768;

  using CellTables = uint8_t[kChannels][256];

  void BuildFixedPalette();
  void BuildPaletteDitherTables();
  void BuildDither15Tables();

  void ConvertNearest(const uint8_t* source, uint8_t* target, int first, int last) const;
  template <bool kIndexed>
  void ConvertOrdered(const uint8_t* source, uint8_t* target, int first, int last) const;
  template <bool kIndexed>
  void ConvertDiffused(const uint8_t* source, uint8_t* target, int first, int last);
  template <bool kPacked>
  void ConvertDither15(const uint8_t* source, uint8_t* target, int first, int last) const;

  bool valid_ = false;
  int colors_ = 0;
  int mode_ = kNearest;
  int rowLength_ = 0;
  bool indexedInput_ = false;

  // The source palette, one table per channel (pixel order), indexed by the pixel's palette index.
  uint8_t sourcePalette_[kChannels][kSourcePaletteEntries] = {};
  // Each palette entry's channel value; and, per channel, the contribution of a value to the palette index
  // and the value of the level it is mapped to (so that an error needs no second dependent lookup).
  uint8_t colorMap_[kChannels][256] = {};
  uint8_t colorIndex_[kChannels][kIndexSpan] = {};
  uint8_t mappedValue_[kChannels][256] = {};
  uint8_t rangeLimit_[kRangeSpan] = {};
  // Ordered dither (modes 1, 3, 4): per matrix cell (row * 8 + column) and channel, input value -> palette
  // index contribution (mode 1) or dithered channel value (modes 3, 4).
  CellTables ditherTables_[kCells] = {};
  int matrixRow_ = 0;

  // Error diffusion (mode 2): errors in sixteenths for columns -1..rowLength, three channels each.
  std::unique_ptr<int16_t[]> errors_;
  bool leftToRight_ = true;
};

}  // namespace lumetta
