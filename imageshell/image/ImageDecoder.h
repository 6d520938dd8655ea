#pragma once

// ImageDecoder: the base of every format's decoder and the output pipeline they share.
//
// A format reads its header (ReadHeader), decodes pixels into rows of 1, 8 or 24 bits per pixel (24-bit
// rows are blue, green, red), decides which source rows become which output rows (vertical reduction by
// the accumulator rule below) and hands each output row to PutRow, or each output column to PutColumn.
// The base fits the image into the requested box (never enlarging it), shrinks rows horizontally, makes
// the display and full-colour bitmaps through the platform seam, converts rows for 8- and 16-bit
// displays, and runs the second pass of two-pass colour reduction.
//
// Vertical reduction, as every format does it: for each output row, read source rows while the
// accumulator is below the image height, adding the output height per row read; then subtract the image
// height. The last row read becomes the output row. Every source row is read exactly once.
//
// Adding a format: derive from ImageDecoder in imageshell/formats (one file per format), inherit the four
// constructors (`using ImageDecoder::ImageDecoder;`), override ReadHeader (set kind_, width_, height_,
// bitsCode_, gray_, colorCount_ and sourcePalette_, rowDepth_, sourceRowLength_; check the size with
// AcceptImageSize), DecodeRowsHook (progress_, decodedRect_, PutRow or PutColumn, EndOfImage at the
// end) and, as needed, SelectPageHook, BeginImageHook and FinishImage; keep any ImageExtras in extras_.
// Then add one line to the table in DecoderFactory.cpp. Kind detection already opens the decoders of
// TIFF, GIF, DCX, PNG and JPEG once they exist.
//
// Life: constructed (source set) -> Open (source open, header read) -> SelectPage -> BeginImage (outputs
// exist, progress 0) -> DecodeRows until progress 10000 (pass 1 then pass 2 with a quantizer) -> Close.
// BeginImage may run again for another page; it frees the previous outputs first.
#include <cstdint>
#include <memory>
#include <vector>

#include "ByteSource.h"
#include "ColorConverter.h"
#include "ImageExtras.h"
#include "ImageModel.h"
#include "MedianCutQuantizer.h"
#include "PlatformGraphics.h"

namespace lumetta {

// The decoder's copy of a decode request (ImageFile builds it from its DecodeRequest and the display).
struct DecoderRequest {
  int width = 0;             // box width; 0: the image width
  int height = 0;            // box height; 0: the image height
  int ditherMode = 1;        // 0..4, colour reduction for 8-bit displays
  int ditherTo16 = 1;        // ordered dither of 24-bit images on 16-bit displays
  int displayDepth = 24;     // 8, 16 or 24
  int bottomUp = 0;          // rows stored bottom-up
  int fixedPalette = 0;      // only the fixed 240-colour palette
  int makeBitmap = 1;        // the display bitmap
  int makeFullColorBitmap = 0;
  int deviceBitmap = 0;      // a device-dependent display bitmap instead of a DIB section
};

// GetInfo's answer.
struct ImageInfo {
  ImageKind kind = ImageKind::Unknown;
  int bitsCode = 0;
  int width = 0;
  int height = 0;
  bool gray = false;
  int outputWidth = 0;
  int outputHeight = 0;
  int outputDepth = 0;
};

class ImageDecoder {
public:
  explicit ImageDecoder(const char* path);
  ImageDecoder(FileHandle file, int64_t offset, int64_t length);
  ImageDecoder(const void* data, size_t length);
  ImageDecoder(ModuleHandle module, int resourceId);
  virtual ~ImageDecoder();

  ImageDecoder(const ImageDecoder&) = delete;
  ImageDecoder& operator=(const ImageDecoder&) = delete;

  // The graphics the outputs are made with (the process default unless set before BeginImage).
  void SetGraphics(PlatformGraphics& graphics);
  PlatformGraphics& graphics() const { return *graphics_; }

  // Opens the byte source and reads the header.
  bool Open(bool scanAllFrames);
  // Selects a page or frame; stores the index on success.
  bool SelectPage(int index);
  int GetSelectedPage() const { return pageIndex_; }
  ImageInfo GetInfo() const;
  bool BeginImage(const DecoderRequest& request);
  // Decodes up to `rows` output rows (pass 1), or maps up to `rows` rows (pass 2 of two-pass colour
  // reduction). rectCount and updateRect (room for one rectangle per row asked for) may be null.
  bool DecodeRows(int rows, int* rectCount, ImageRect* updateRect);
  int GetProgress() const;
  // FinishImage and closing the byte source; true only if both succeed.
  bool Close();

  ImageExtras* GetExtras() const { return extras_; }
  // Hands the extras over; the decoder no longer deletes them.
  ImageExtras* DetachExtras();
  ImageRect GetDecodedRect() const { return decodedRect_; }
  BitmapHandle GetBitmap() const { return bitmap_; }
  BitmapHandle GetFullColorBitmap() const { return fullBitmap_; }
  PaletteHandle GetPalette() const { return palette_; }
  bool PaletteIsShared() const { return palette_ && !ownsPalette_; }
  // The caller takes the bitmaps (or the palette) over; the decoder will not delete them.
  void DetachBitmaps();
  void DetachPalette();
  int GetLastError() const { return lastError_; }

  // The pipeline, for formats.
  bool PutRow(const uint8_t* row, int y);
  bool PutColumn(int x, const uint8_t* column);
  void EndOfImage();
  bool ClearBitmaps();
  bool MakePalette();

  // Fits an image into a box at a resolution of one per mille, never enlarging; each side at least 1.
  static void ComputeOutputSize(int boxWidth, int boxHeight, int imageWidth, int imageHeight, int* outputWidth,
                                int* outputHeight);
  // Horizontal reduction of one row (targetLength is clipped to sourceLength): depth 1 and 8 keep the
  // pixel that completes each output pixel, gray rows and 24-bit rows average the pixels since the
  // previous output pixel.
  static void ShrinkRow(const uint8_t* source, uint8_t* target, int sourceLength, int targetLength, int depth,
                        bool gray);

protected:
  // The virtual operations, in their fixed slot order (the destructor is the first).
  virtual bool ReadHeader() = 0;
  virtual bool SelectPageHook(int index);
  virtual bool ReservedOperation();
  virtual bool BeginImageHook();
  virtual bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) = 0;
  virtual bool FinishImage();

  // Stores the code; true only for 0.
  bool SetError(int code);

  // The byte source; failures set the error and return false. A short read still reports the bytes
  // it got.
  bool OpenSource();
  bool ReadSource(void* buffer, uint32_t count, uint32_t* got);
  bool SeekSource(int64_t offset, int origin, int64_t* newPosition);
  bool CloseSource();
  int64_t SourceLength() const { return source_.length(); }

  // Checks a header's size against the model's limits; error 7 when refused.
  bool AcceptImageSize(int64_t width, int64_t height, int bitsPerPixel);

  // Set by ReadHeader.
  ImageKind kind_ = ImageKind::Unknown;
  int width_ = 0;
  int height_ = 0;
  int bitsCode_ = 0;
  bool gray_ = false;
  int colorCount_ = 0;  // 0 for direct colour
  RgbColor sourcePalette_[256] = {};

  ImageExtras* extras_ = nullptr;
  bool ownsExtras_ = true;
  bool scanAllFrames_ = false;
  int pageIndex_ = 0;

  // Set by ReadHeader or BeginImageHook.
  int sourceRowLength_ = 0;
  int sourceColumnLength_ = 0;
  int rowDepth_ = 8;  // 1, 8 or 24
  bool columnMode_ = false;

  // Set by BeginImage.
  DecoderRequest request_;
  int outputWidth_ = 0;
  int outputHeight_ = 0;
  int outputDepth_ = 0;
  int fullDepth_ = 0;

  // Progress 0..10000 and the decoded rectangle, kept by the format while it decodes.
  int progress_ = 0;
  ImageRect decodedRect_;
  int lastError_ = 0;

private:
  void InitializeSource();
  void FreeOutputs();
  void BuildConverters();
  void BuildOutputPalette();
  bool MakeBitmaps();
  bool StoreDeviceRow(const uint8_t* row, int y);
  void StoreDisplayRow(const uint8_t* row, int y, bool converted);
  void StoreDisplayColumn(const uint8_t* column, int x, bool converted);
  bool BeginSecondPass();
  bool MapRows(int rows, int* rectCount, ImageRect* updateRect);
  int MemoryRow(int y) const { return request_.bottomUp ? outputHeight_ - 1 - y : y; }
  int OutputRowLength() const { return columnMode_ ? outputHeight_ : outputWidth_; }
  int SourceLineLength() const { return columnMode_ ? sourceColumnLength_ : sourceRowLength_; }

  PlatformGraphics* graphics_;
  ByteSource source_;
  bool headerRead_ = false;
  bool imageBegun_ = false;
  bool legacyPlatform_ = false;

  BitmapHandle bitmap_ = nullptr;
  uint8_t* bitmapBits_ = nullptr;  // DIB section memory
  BitmapHeader bitmapHeader_;
  int64_t bitmapStride_ = 0;
  bool ownsBitmap_ = false;

  BitmapHandle fullBitmap_ = nullptr;
  uint8_t* fullBits_ = nullptr;
  BitmapHeader fullHeader_;
  int64_t fullStride_ = 0;
  bool ownsFullBitmap_ = false;
  bool makeFullColor_ = false;

  PaletteHandle palette_ = nullptr;
  bool ownsPalette_ = false;
  RgbColor outputPalette_[256] = {};
  int outputColorCount_ = 0;

  DeviceContextHandle memoryDc_ = nullptr;

  std::unique_ptr<ColorConverter> converter_;
  std::vector<uint8_t> converterRow_;
  std::unique_ptr<MedianCutQuantizer> quantizer_;
  int pass_ = 1;
  bool colorsChosen_ = false;
  int pass2Rows_ = 0;
  std::vector<uint8_t> shrinkRow_;
  std::vector<uint8_t> deviceRow_;   // one padded scan line for device bitmaps
};

// Pixel unpacking shared by the formats. 16-bit pixels are little-endian; 24-bit output is blue, green,
// red.
void Unpack565To24(const uint8_t* source, uint8_t* target, int count);
void Unpack555To24(const uint8_t* source, uint8_t* target, int count);
void Unpack1To8(const uint8_t* source, uint8_t* target, int count);   // most significant bit first
void Unpack4To8(const uint8_t* source, uint8_t* target, int count);   // high nibble first
void Pack8To1(const uint8_t* source, uint8_t* target, int count);     // the low bit of each byte, first pixel in the high bit
// CMYK samples (cyan, magenta, yellow, black) to blue, green, red. Plain samples give
// max(0, 255 - ink - black); inverted samples (stored as 255 - ink) give max(0, value + black - 255).
void CmykToBgr(const uint8_t* source, uint8_t* target, int count, bool inverted);

}  // namespace lumetta
