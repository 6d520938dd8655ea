#pragma once

// ImageDecoder: the base of every format's decoder, its life cycle and its byte source.
//
// A format reads its header (ReadHeader fills an ImageHeader), decodes pixels into rows of 1, 8 or 24
// bits per pixel and hands each output row to PutRow, or each output column to PutColumn; the output
// pipeline (OutputPipeline.h) does the rest. Row-oriented formats derive from RowDecoder, which runs
// the vertical reduction, the band rectangle and the progress for them.
//
// Life: constructed on an ImageSource -> Open (source open, header read) -> SelectPage -> BeginImage
// (outputs exist, progress 0) -> DecodeRows until progress 10000 (pass 1 then pass 2 with a
// quantizer) -> Close. BeginImage may run again for another page; it frees the previous outputs first.
// A decoder that failed while decoding stays failed: every later BeginImage or DecodeRows answers the
// first error again. Progress stays below 10000 (below 5000 in the first of two passes) until the image
// has really ended, whatever a format computes.
#include <cstdint>
#include <memory>

#include "pipeline/BufferAllocation.h"
#include "pipeline/ByteSource.h"
#include "pipeline/DecodeRequest.h"
#include "pipeline/ImageExtras.h"
#include "pipeline/ImageModel.h"
#include "pipeline/ImageSource.h"
#include "pipeline/OutputPipeline.h"
#include "pipeline/OwnedHandles.h"
#include "pipeline/PixelUnpack.h"
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

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
  explicit ImageDecoder(const ImageSource& source);
  virtual ~ImageDecoder();

  ImageDecoder(const ImageDecoder&) = delete;
  ImageDecoder& operator=(const ImageDecoder&) = delete;

  // The graphics the outputs are made with (the process default unless set before BeginImage).
  void SetGraphics(PlatformGraphics& graphics) { graphics_ = &graphics; }
  PlatformGraphics& graphics() const { return *graphics_; }
  // Lowers the memory ceiling of this decoder's decodes (set before Open: the libraries' own limits are
  // set from it while the header is read).
  void SetMemoryCeiling(int64_t bytes) { output_.SetCeiling(bytes); }
  int64_t MemoryCeiling() const { return output_.ceiling(); }
  // The bytes of the bitmaps the last BeginImage made (whoever holds them now).
  int64_t BitmapBytes() const { return output_.bitmapBytes(); }
  // The time the decode must end by. The steps a caller asks for are checked by the caller; a format
  // whose library works long within one step (absorbing a whole file) looks at OutOfTime between its
  // units of work and gives up.
  void SetTimeLimit(const TimeLimit& limit) { timeLimit_ = limit; }
  bool OutOfTime() const { return timeLimit_.Over(); }

  // Opens the byte source and reads the header.
  bool Open(bool scanAllFrames);
  // Selects a page or frame; stores the index on success.
  bool SelectPage(int index);
  int GetSelectedPage() const { return pageIndex_; }
  ImageInfo GetInfo() const;
  // Makes the outputs for a request on a display of `displayDepth` bits (8, 16 or 24).
  bool BeginImage(const DecodeRequest& request, int displayDepth);
  // Decodes up to `rows` output rows (pass 1), or maps up to `rows` rows (pass 2 of two-pass colour
  // reduction). rectCount and updateRect (room for one rectangle per row asked for) may be null.
  bool DecodeRows(int rows, int* rectCount, ImageRect* updateRect);
  int GetProgress() const;
  // FinishImage and closing the byte source; true only if both succeed.
  bool Close();

  ImageExtras* GetExtras() const { return extras_.get(); }
  // Hands the extras over.
  std::unique_ptr<ImageExtras> DetachExtras() { return std::move(extras_); }
  ImageRect GetDecodedRect() const { return decodedRect_; }
  BitmapHandle GetBitmap() const { return output_.bitmap(); }
  BitmapHandle GetFullColorBitmap() const { return output_.fullColorBitmap(); }
  PaletteHandle GetPalette() const { return output_.palette(); }
  bool PaletteIsShared() const { return output_.PaletteIsShared(); }
  // The caller takes the bitmaps (or the palette) over.
  OwnedBitmap TakeBitmap() { return output_.TakeBitmap(); }
  OwnedBitmap TakeFullColorBitmap() { return output_.TakeFullColorBitmap(); }
  OwnedPalette TakePalette() { return output_.TakePalette(); }
  int GetLastError() const { return lastError_; }

  // The pipeline, for formats.
  bool PutRow(const uint8_t* row, int y);
  bool PutColumn(int x, const uint8_t* column);
  uint8_t* RowInPlace(int y) const { return output_.RowInPlace(y); }
  void EndOfImage();
  bool ClearBitmaps() { return SetError(output_.ClearBitmaps()); }
  bool MakePalette() { return SetError(output_.MakePalette()); }

  static void ComputeOutputSize(int boxWidth, int boxHeight, int imageWidth, int imageHeight, int* outputWidth,
                                int* outputHeight) {
    OutputPipeline::ComputeOutputSize(boxWidth, boxHeight, imageWidth, imageHeight, outputWidth, outputHeight);
  }
  static void ShrinkRow(const uint8_t* source, uint8_t* target, int sourceLength, int targetLength, int depth,
                        bool gray) {
    OutputPipeline::ShrinkRow(source, target, sourceLength, targetLength, depth, gray);
  }

protected:
  // The virtual operations, in their fixed slot order (the destructor is the first).
  virtual bool ReadHeader(ImageHeader& header) = 0;
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
  // Counts a format's buffers against the ceiling of one decode before it allocates them; error 7
  // when they do not fit beside the bitmaps.
  bool ReserveBytes(int64_t bytes) { return SetError(output_.Reserve(bytes) ? kErrNone : kErrFormat); }
  // A format's buffers for one decode: `bytes` are counted against the ceiling (error 7 when they do
  // not fit), then `allocate` makes them; `failCode` when the memory cannot be had. AllocateOrFail alone
  // serves buffers counted elsewhere: in an earlier AllocateCounted of the same decode, or, for those
  // that live across decodes (a GIF canvas), in every decode that uses them.
  template <typename Allocate>
  bool AllocateCounted(int64_t bytes, int failCode, Allocate&& allocate) {
    if (!ReserveBytes(bytes)) return false;
    return AllocateOrFail(allocate) || SetError(failCode);
  }

  const ImageHeader& header() const { return header_; }
  // For formats that learn their row length only once decoding starts (scaled decoding), or whose pages
  // have headers of their own (SelectPageHook reads the page's header here).
  ImageHeader& mutableHeader() { return header_; }
  const OutputPipeline& output() const { return output_; }
  int outputWidth() const { return output_.width(); }
  int outputHeight() const { return output_.height(); }
  bool scanAllFrames() const { return scanAllFrames_; }

  // Progress 0..10000 and the decoded rectangle, kept by the format while it decodes.
  int progress_ = 0;
  ImageRect decodedRect_;
  std::unique_ptr<ImageExtras> extras_;

private:
  bool MapRows(int rows, int* rectCount, ImageRect* updateRect);

  PlatformGraphics* graphics_;
  ByteSource source_;
  ImageHeader header_;
  OutputPipeline output_;
  bool scanAllFrames_ = false;
  int pageIndex_ = 0;
  bool headerRead_ = false;
  bool imageBegun_ = false;
  bool failed_ = false;
  bool firstPassEnded_ = false;
  int lastError_ = 0;
  TimeLimit timeLimit_;
};

}  // namespace lumetta
