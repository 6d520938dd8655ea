#pragma once

// Windows and OS/2 bitmaps (BMP, DIB, RLE): 12-, 40- and 64-byte info headers; 1, 4, 8, 15/16, 24 and
// 32 bits per pixel; RLE8 and RLE4; bit-field masks for 16- and 32-bit files; bottom-up and top-down
// row order. One page.
#include <cstdint>
#include <vector>

#include "ImageDecoder.h"

namespace lumetta {

class BmpDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  bool ReadHeader() override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  enum class RowFormat { Bits1, Bits4, Bits8, Rle4, Rle8, Rgb555, Masked16, Rgb24, Rgb32, Masked32 };

  // A channel taken from a bit-field mask.
  struct Channel {
    uint32_t mask = 0;
    int shift = 0;  // position of the lowest mask bit
    int width = 0;  // bits from the lowest to the highest mask bit
  };

  bool ReadInfoHeader();
  bool ReadColorTable();
  bool ReadMasks();
  bool ChooseRowFormat();

  // The next source row (row depth 8 or 24), or null with the error set.
  const uint8_t* ReadRow();
  // Passes over a row that vertical reduction drops.
  bool SkipRow();
  const uint8_t* ReadRleRow(bool fourBits);
  const uint8_t* TakeBytes(size_t count);
  int ReadByte();
  bool Refill(size_t keep);
  void UnpackMaskedRow(const uint8_t* source, int bytesPerPixel);

  // The file header and the info header widened into the 40-byte layout.
  uint32_t pixelOffset_ = 0;
  uint32_t headerSize_ = 0;
  int32_t infoWidth_ = 0;
  int32_t infoHeight_ = 0;
  uint16_t bitCount_ = 0;
  uint32_t compression_ = 0;
  uint32_t colorsUsed_ = 0;
  bool shortOrOs2Header_ = false;  // the 12- and 64-byte forms
  bool compressed_ = false;
  bool topDown_ = false;
  RowFormat format_ = RowFormat::Bits8;
  Channel channels_[3];  // blue, green, red

  int64_t stride_ = 0;
  std::vector<uint8_t> readBuffer_;
  size_t fill_ = 0;
  size_t position_ = 0;
  bool endOfData_ = false;
  std::vector<uint8_t> rowBuffer_;

  int rowsDone_ = 0;
  int accumulator_ = 0;

  // Run-length state carried between rows.
  int rleStartX_ = 0;       // where the next row starts after a delta
  int rleBlankRows_ = 0;    // whole rows a delta skipped
  bool rleEnded_ = false;   // the end-of-bitmap escape was read
  int64_t rleOffset_ = 0;   // bytes consumed since the start of the pixel data
};

}  // namespace lumetta
