#pragma once

// Windows and OS/2 bitmaps (BMP, DIB, RLE): OS/2's 12- and 64-byte info headers and Windows' 40-byte one
// and its longer successors (108, 124 bytes: read as their first 40 bytes and the masks); 1, 4, 8, 15/16,
// 24 and 32 bits per pixel; RLE8 and RLE4; bit-field masks (with or without alpha, which is dropped) for
// 16- and 32-bit files; bottom-up and top-down row order. One page.
#include <cstdint>
#include <vector>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "pipeline/RowDecoder.h"

namespace lumetta {

// The file header and the info header widened into the 40-byte layout, as stored.
struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t headerSize = 0;  // 12 (OS/2 core), 64 (OS/2 2.x), else 40 and up (Windows)
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
};

// Reads the 14-byte file header and the info header that follows it. False unless the signature, the
// info header's size and the bit count are ones this format knows and the bytes hold the whole header.
bool ParseBmpHeader(const ByteReader& bytes, BmpHeader* header);

class BmpDecoder : public RowDecoder {
public:
  using RowDecoder::RowDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool SkipSourceRow() override;
  bool RowsTopDown() const override { return topDown_; }
  bool FinishImage() override;

private:
  enum class RowFormat { Bits1, Bits4, Bits8, Rle4, Rle8, Rgb555, Masked16, Rgb24, Rgb32, Masked32 };

  // A channel taken from a bit-field mask.
  struct Channel {
    uint32_t mask = 0;
    int shift = 0;  // position of the lowest mask bit
    int width = 0;  // bits from the lowest to the highest mask bit
  };

  bool CheckHeader();
  bool ReadColorTable(ImageHeader& header);
  bool ReadMasks();
  bool ChooseRowFormat(ImageHeader& header);

  const uint8_t* ReadRleRow(bool fourBits);
  const uint8_t* TakeBytes(size_t count);
  int ReadByte();
  bool Refill(size_t keep);
  void UnpackMaskedRow(const uint8_t* source, int bytesPerPixel);

  BmpHeader file_;
  int width_ = 0;
  int height_ = 0;
  bool compressed_ = false;
  bool bitFields_ = false;
  bool topDown_ = false;
  RowFormat format_ = RowFormat::Bits8;
  Channel channels_[3];  // blue, green, red

  int64_t stride_ = 0;
  std::vector<uint8_t> readBuffer_;
  size_t fill_ = 0;
  size_t position_ = 0;
  bool endOfData_ = false;
  std::vector<uint8_t> rowBuffer_;

  // Run-length state carried between rows.
  int rleStartX_ = 0;      // where the next row starts after a delta
  int rleBlankRows_ = 0;   // whole rows a delta skipped
  bool rleEnded_ = false;  // the end-of-bitmap escape was read
  int64_t rleOffset_ = 0;  // bytes consumed since the start of the pixel data
};

}  // namespace lumetta
