#pragma once

// The output pipeline every decoder shares: it fits the image into the requested box (never enlarging
// it), shrinks rows horizontally, makes the display and full-colour bitmaps through the platform seam,
// converts rows for 8- and 16-bit displays and runs the second pass of two-pass colour reduction.
//
// Operations answer an error code (kErrNone on success); PutRow and PutColumn answer kRefused for a row
// or column outside the image, which the decoder reports as failure without an error code.
#include <cstdint>
#include <memory>
#include <vector>

#include "pipeline/ColorConverter.h"
#include "pipeline/DecodeRequest.h"
#include "pipeline/ImageExtras.h"
#include "pipeline/ImageModel.h"
#include "pipeline/MedianCutQuantizer.h"
#include "pipeline/OwnedHandles.h"
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

// What a format's ReadHeader reports. The row depth is what the format hands to PutRow or PutColumn:
// 1, 8 or 24 bits a pixel (24-bit rows are blue, green, red).
struct ImageHeader {
  ImageKind kind = ImageKind::Unknown;
  int width = 0;
  int height = 0;
  int bitsCode = 0;
  bool gray = false;
  int colorCount = 0;  // 0 for direct colour
  RgbColor palette[256] = {};
  int rowDepth = 8;
  int sourceRowLength = 0;     // pixels in a row handed over; 0: the width
  int sourceColumnLength = 0;  // pixels in a column handed over; 0: the height
  bool columnMode = false;     // the format hands over columns
};

class OutputPipeline {
public:
  static constexpr int kRefused = -1;

  OutputPipeline() = default;
  ~OutputPipeline() { Free(); }
  OutputPipeline(const OutputPipeline&) = delete;
  OutputPipeline& operator=(const OutputPipeline&) = delete;

  // Frees what a previous Begin made, then makes the outputs for this header and request. The header's
  // gray palette is filled in here (gray images of up to 8 bits get evenly spaced levels).
  int Begin(PlatformGraphics& graphics, ImageHeader& header, const DecodeRequest& request, int displayDepth,
            const ImageExtras* extras, int page);
  void Free();

  int PutRow(const uint8_t* row, int y);
  int PutColumn(int x, const uint8_t* column);
  // The first pass is over: with a quantizer the second pass follows; answers true when it does.
  bool EndFirstPass();
  // Counts `bytes` more against the ceiling of one decode (kMaxDecodeBytes unless set lower, as for the
  // menu's thumbnail); false when they do not fit.
  bool Reserve(int64_t bytes);
  void SetCeiling(int64_t bytes) { ceiling_ = bytes < kMaxDecodeBytes ? bytes : kMaxDecodeBytes; }
  int64_t ceiling() const { return ceiling_; }
  // What the bitmaps of the image begun last take: a caller keeping them counts them against the next.
  int64_t bitmapBytes() const { return bitmapBytes_; }
  int ClearBitmaps();
  int MakePalette();
  bool InSecondPass() const { return quantizer_ && pass_ == 2; }
  bool TwoPass() const { return quantizer_ != nullptr; }
  // Maps up to `rows` rows in the second pass; *mapped receives the rows mapped so far.
  int MapRows(int rows, int* mapped);
  // The shrink buffer, once the format's BeginImageHook has settled the source line lengths.
  int AllocateRowBuffers();
  // Where output row y lies in the display bitmap's memory, when a row handed over would be stored
  // there unchanged (full length, the bitmap's own depth, no conversion, no second bitmap, no device
  // bitmap): a format may then decode the row in place instead of calling PutRow. Null otherwise.
  uint8_t* RowInPlace(int y) const;

  int width() const { return outputWidth_; }
  int height() const { return outputHeight_; }
  int depth() const { return outputDepth_; }
  const DecodeRequest& request() const { return request_; }

  BitmapHandle bitmap() const { return bitmap_.get(); }
  BitmapHandle fullColorBitmap() const { return fullBitmap_.get(); }
  PaletteHandle palette() const { return ownedPalette_ ? ownedPalette_.get() : sharedPalette_; }
  bool PaletteIsShared() const { return sharedPalette_ != nullptr && !ownedPalette_; }
  OwnedBitmap TakeBitmap() { return std::move(bitmap_); }
  OwnedBitmap TakeFullColorBitmap() { return std::move(fullBitmap_); }
  OwnedPalette TakePalette() { return std::move(ownedPalette_); }

  // Fits an image into a box at a resolution of one per mille, never enlarging; each side at least 1.
  static void ComputeOutputSize(int boxWidth, int boxHeight, int imageWidth, int imageHeight, int* outputWidth,
                                int* outputHeight);
  // Horizontal reduction of one row (targetLength is clipped to sourceLength): depth 1 and 8 keep the
  // pixel that completes each output pixel, gray rows and 24-bit rows average the pixels since the
  // previous output pixel.
  static void ShrinkRow(const uint8_t* source, uint8_t* target, int sourceLength, int targetLength, int depth,
                        bool gray);

private:
  void BuildConverters();
  void BuildOutputPalette();
  int MakeBitmaps();
  bool StoreDeviceRow(const uint8_t* row, int y);
  void StoreDisplayRow(const uint8_t* row, int y, bool converted);
  void StoreDisplayColumn(const uint8_t* column, int x, bool converted);
  int BeginSecondPass();
  int MemoryRow(int y) const { return request_.bottomUp ? outputHeight_ - 1 - y : y; }
  int OutputRowLength() const { return header_->columnMode ? outputHeight_ : outputWidth_; }
  int SourceLineLength() const { return header_->columnMode ? header_->sourceColumnLength : header_->sourceRowLength; }

  PlatformGraphics* graphics_ = nullptr;
  const ImageHeader* header_ = nullptr;
  bool legacyPlatform_ = false;
  DecodeRequest request_;
  int displayDepth_ = 24;
  int outputWidth_ = 0;
  int outputHeight_ = 0;
  int outputDepth_ = 0;
  int fullDepth_ = 0;

  OwnedBitmap bitmap_;
  uint8_t* bitmapBits_ = nullptr;  // DIB section memory
  BitmapHeader bitmapHeader_;
  int64_t bitmapStride_ = 0;

  OwnedBitmap fullBitmap_;
  uint8_t* fullBits_ = nullptr;
  BitmapHeader fullHeader_;
  int64_t fullStride_ = 0;
  bool makeFullColor_ = false;

  OwnedPalette ownedPalette_;
  PaletteHandle sharedPalette_ = nullptr;  // the extras' palette, never deleted here
  RgbColor outputPalette_[256] = {};
  int outputColorCount_ = 0;
  int64_t bytesReserved_ = 0;
  int64_t bitmapBytes_ = 0;
  int64_t ceiling_ = kMaxDecodeBytes;

  DeviceContextHandle memoryDc_ = nullptr;

  std::unique_ptr<ColorConverter> converter_;
  std::vector<uint8_t> converterRow_;
  std::unique_ptr<MedianCutQuantizer> quantizer_;
  int pass_ = 1;
  bool colorsChosen_ = false;
  int pass2Rows_ = 0;
  std::vector<uint8_t> shrinkRow_;
  std::vector<uint8_t> deviceRow_;  // one padded scan line for device bitmaps
};

}  // namespace lumetta
