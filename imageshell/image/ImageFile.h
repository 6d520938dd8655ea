#pragma once

// ImageFile: the one object through which the shell side reads an image. It knows where the image comes
// from, detects its format by its first bytes, creates that format's decoder, drives it step by step
// (so that a window can show the image while it is decoded) and keeps the result as ImagePage records
// holding bitmap and palette handles.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/DecodeRequest.h"
#include "formats/DecoderTable.h"
#include "pipeline/ImageDecoder.h"
#include "pipeline/ImageExtras.h"
#include "pipeline/ImageModel.h"
#include "pipeline/ImageSource.h"
#include "pipeline/OwnedHandles.h"
#include "pipeline/PlatformFiles.h"
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

// One page or animation frame and the handles it owns (a palette of the extras is only borrowed).
struct ImagePage {
  // Deletes the handles the page owns and forgets all three.
  void ReleaseHandles() {
    bitmap.reset();
    fullColorBitmap.reset();
    palette.reset();
    sharedPalette = nullptr;
    bitmapBytes = 0;
  }
  PaletteHandle Palette() const { return sharedPalette ? sharedPalette : palette.get(); }

  int16_t width = 0;
  int16_t height = 0;
  int16_t outputWidth = 0;
  int16_t outputHeight = 0;
  uint8_t bitsCode = 0;
  uint8_t outputDepth = 0;
  uint8_t gray = 0;
  uint8_t decoded = 0;
  OwnedBitmap bitmap;
  OwnedBitmap fullColorBitmap;
  OwnedPalette palette;
  PaletteHandle sharedPalette = nullptr;  // the palette belongs to the extras
  int64_t bitmapBytes = 0;                // what the bitmaps take, counted against a decode's ceiling
};

class ImageFile {
public:
  explicit ImageFile(const char* path);
  ImageFile(ModuleHandle module, int resourceId);
  // A memory block (not copied; it must outlive the object) or a range of an open file.
  ImageFile(const void* data, size_t length);
  ImageFile(FileHandle file, int64_t offset, int64_t length);
  explicit ImageFile(ImageSource source);
  ~ImageFile();

  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // The graphics that bitmaps are made with (the process default unless set before decoding).
  void SetGraphics(PlatformGraphics& graphics) { graphics_ = &graphics; }
  // A lower memory ceiling than kMaxDecodeBytes for every decode of this image from now on.
  void SetMemoryCeiling(int64_t bytes) { memoryCeiling_ = std::min(bytes, kMaxDecodeBytes); }
  // Where decoders come from (the built-in table unless a test sets another before decoding).
  void SetDecoderFactory(DecoderFactory factory) { factory_ = factory; }

  ImageKind GetKind();
  bool DetectKind();
  // Detection within a budget whose clock started at `limit.start`: the decoders it opens to decide
  // work under the budget's memory ceiling and stop when its time is up.
  bool DetectKindWithinBudget(const DecodeBudget& budget, const TimeLimit& limit);

  // Page -1 (or any negative value) means the current page.
  int GetWidth(int page = -1);
  int GetHeight(int page = -1);
  int GetBitsPerPixel(int page = -1);
  int GetOutputWidth(int page = -1);
  int GetOutputHeight(int page = -1);
  int GetPageCount() const { return int(pages_.size()); }
  int GetCurrentPage() const { return currentPage_; }
  bool SetPage(int index);
  const char* GetPath() const;
  BitmapHandle GetBitmap(int page = -1) const;
  BitmapHandle GetFullColorBitmap(int page = -1) const;
  PaletteHandle GetPalette(int page = -1) const;
  bool IsGray(int page = -1) const;
  ImageExtras* GetExtras() const;

  bool BeginDecode(const DecodeRequest& request);
  bool DecodeStep(int rows, int* rectCount, ImageRect* updateRect);
  bool EndDecode(bool releaseIfIncomplete);
  bool Decode(const DecodeRequest& request);
  // Decode within a budget: a decoder that would need more memory fails as it asks for it, and a decode
  // still running when the time is up is abandoned with error 20. What a failed decode made is released.
  bool DecodeWithinBudget(const DecodeRequest& request, const DecodeBudget& budget);
  // The same with a clock that started earlier (what detection spent counts against the decode).
  bool DecodeWithinBudget(const DecodeRequest& request, const DecodeBudget& budget, const TimeLimit& limit);
  int GetProgress() const;
  bool IsComplete() const { return GetProgress() == kProgressComplete; }
  bool IsDecoding() const { return decoder_ != nullptr; }
  ImageRect GetUpdateRect() const;
  void ReleaseAll();
  void ReleasePage(int page);

  int GetLastError() const { return lastError_; }
  uint32_t GetElapsedMs() const { return elapsedMs_; }

  // Pages the image holds (frames of an animation, pages of a multi-page file), counted by asking a
  // decoder to select each in turn; 0 when the image cannot be opened.
  int CountPages();

  // A new decoder for this image's kind and source, or null with error 100 (no such decoder) or 7.
  std::unique_ptr<ImageDecoder> CreateDecoder();

private:
  ImagePage* Page(int page) const;
  // The page that the running decode is filling (its handles are still the decoder's).
  bool IsBeingDecoded(size_t index) const { return decoder_ && pagePrepared_ && index == currentPage_; }
  bool PreparePage();
  void HandOverToPage();
  bool ReadDetectionBytes(std::vector<uint8_t>& bytes);
  ImageSource ResolvedSource() const;
  std::unique_ptr<ImageDecoder> CreateDecoderOfKind(ImageKind kind);
  void EnsurePage(int index);
  bool RunDecode(const DecodeRequest& request, const TimeLimit& limit, int rowsPerStep, bool budgeted);

  ImageSource source_;
  PlatformGraphics* graphics_;
  DecoderFactory factory_ = &NewDecoder;
  std::unique_ptr<ImageDecoder> decoder_;
  std::optional<DecodeRequest> request_;
  uint32_t startTime_ = 0;
  uint32_t elapsedMs_ = 0;
  int lastError_ = 0;
  int detectionError_ = 0;
  ImageKind kind_ = ImageKind::NotDetected;
  uint16_t currentPage_ = 0;
  std::unique_ptr<ImageExtras> extras_;
  std::vector<std::unique_ptr<ImagePage>> pages_;
  bool allPagesDone_ = false;
  bool pagePrepared_ = false;                // the current page was filled by this decode
  int64_t memoryCeiling_ = kMaxDecodeBytes;  // handed to every decoder made
  TimeLimit timeLimit_;                      // of the decode under way, handed to every decoder made
};

// Watches a decode run in steps for a decoder that reports success without moving on, which would hold
// its caller for ever. The progress of a tall image moves only every few rows, so only a long run of
// steps that moved neither the progress nor the page counts.
class StallWatch {
public:
  static constexpr int kMaxStandingSteps = 100;
  // Called after each step: true once that many steps in a row left the image where it was.
  bool Stalled(const ImageFile& image) {
    const int progress = image.GetProgress(), page = image.GetCurrentPage();
    standing_ = progress == progress_ && page == page_ ? standing_ + 1 : 0;
    progress_ = progress;
    page_ = page;
    return standing_ >= kMaxStandingSteps;
  }

private:
  int progress_ = -1;
  int page_ = -1;
  int standing_ = 0;
};

// The context menu's thumbnail: fitted into 100 x 100, dithered to the fixed palette.
DecodeRequest ThumbnailRequest();
// What the menu may cost the file manager it holds: detection, the shortcut and the thumbnail together.
DecodeBudget ThumbnailBudget();
// What the context menu does with its file: the kind detected (a shortcut followed) and, when
// `thumbnail`, the thumbnail decoded, all within one budget. False when the kind is unknown; the
// thumbnail is there when the image IsComplete() afterwards (past the budget there is none).
bool DetectAndDecodeThumbnail(ImageFile& image, bool thumbnail, const DecodeBudget& budget = ThumbnailBudget());

// The label of an image: optionally its folder and file title, then "(640x480x256 gif)" or "Unknown".
// Written into `out`, which holds `outSize` characters.
void FormatImageLabel(char* out, size_t outSize, const char* path, ImageKind kind, int width, int height, int bitsCode,
                      bool parenthesize, bool withDirectory);

// True when the path's extension names an image format; ".lnk" files are followed to their targets.
bool IsImageFileName(const char* path);

// The kind's name as the image tool prints it ("bmp", ... or "unknown").
const char* ImageKindName(ImageKind kind);

}  // namespace lumetta
