#pragma once

// ImageFile: the one object through which the shell side reads an image. It knows where the image comes
// from, detects its format by its first bytes, creates that format's decoder, drives it step by step
// (so that a window can show the image while it is decoded) and keeps the result as ImagePage records
// holding bitmap and palette handles.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ImageDecoder.h"
#include "ImageExtras.h"
#include "ImageModel.h"
#include "PlatformFiles.h"
#include "PlatformGraphics.h"

namespace lumetta {

// What a caller asks of a decode. The constructor sets the defaults.
struct DecodeRequest {
  int32_t width = 0;                // target box; 0 means the image's own size
  int32_t height = 0;
  int32_t ditherMode = 1;           // 0..4 on 8-bit displays
  int32_t ditherTo16 = 1;           // ordered dither of 24-bit images on 16-bit displays
  int32_t bottomUp = 0;             // rows stored bottom-up
  int32_t fixedPalette = 0;         // only the fixed 240-colour palette
  int32_t makeBitmap = 1;           // the display bitmap
  int32_t makeFullColorBitmap = 0;  // also the full-depth bitmap
  int32_t allPages = 0;             // every page or frame in one run
  int32_t scanAllFrames = 0;        // handed to the decoder's Open
  int32_t deviceBitmap = 0;         // a device-dependent display bitmap
};
static_assert(sizeof(DecodeRequest) == 11 * 4);

// One page or animation frame and the handles it owns.
struct ImagePage {
  explicit ImagePage(PlatformGraphics& graphics) : graphics(&graphics) {}
  ~ImagePage();
  ImagePage(const ImagePage&) = delete;
  ImagePage& operator=(const ImagePage&) = delete;

  // Deletes the handles the page owns and forgets all three.
  void ReleaseHandles();

  int16_t width = 0;
  int16_t height = 0;
  int16_t outputWidth = 0;
  int16_t outputHeight = 0;
  uint8_t bitsCode = 0;
  uint8_t outputDepth = 0;
  uint8_t gray = 0;
  uint8_t decoded = 0;
  BitmapHandle bitmap = nullptr;
  BitmapHandle fullColorBitmap = nullptr;
  PaletteHandle palette = nullptr;
  uint8_t ownsBitmap = 1;
  uint8_t ownsFullColorBitmap = 1;
  uint8_t ownsPalette = 1;
  uint8_t sharedPalette = 0;  // the palette belongs to the extras
  PlatformGraphics* graphics;
};

class ImageFile {
public:
  explicit ImageFile(const char* path);
  ImageFile(ModuleHandle module, int resourceId);
  // A memory block (not copied; it must outlive the object) or a range of an open file.
  ImageFile(const void* data, size_t length);
  ImageFile(FileHandle file, int64_t offset, int64_t length);
  ~ImageFile();

  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // The graphics that bitmaps are made with (the process default unless set before decoding).
  void SetGraphics(PlatformGraphics& graphics) { graphics_ = &graphics; }

  ImageKind GetKind();
  bool DetectKind();

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
  ImageDecoder* CreateDecoder();

private:
  enum class SourceKind { Path, Resource, FileHandle, Memory };

  ImagePage* Page(int page) const;
  bool PreparePage();
  void HandOverToPage();
  bool ReadDetectionBytes(std::vector<uint8_t>& bytes, size_t* length, const uint8_t** data);
  std::string ResolvedPath() const;
  ImageDecoder* CreateDecoderOfKind(ImageKind kind);
  void EnsurePage(int index);

  SourceKind sourceKind_;
  std::string path_;
  ModuleHandle module_ = nullptr;
  int resourceId_ = 0;
  const void* memory_ = nullptr;
  size_t memoryLength_ = 0;
  FileHandle file_ = kInvalidFile;
  int64_t fileOffset_ = 0;
  int64_t fileLength_ = 0;

  PlatformGraphics* graphics_;
  ImageDecoder* decoder_ = nullptr;
  DecodeRequest* request_ = nullptr;
  uint32_t startTime_ = 0;
  uint32_t elapsedMs_ = 0;
  int lastError_ = 0;
  int detectionError_ = 0;
  ImageKind kind_ = ImageKind::NotDetected;
  uint16_t currentPage_ = 0;
  ImageExtras* extras_ = nullptr;
  std::vector<ImagePage*> pages_;
  size_t pageRoom_ = 0;
  bool allPagesDone_ = false;
  bool pagePrepared_ = false;  // the current page was filled by this decode
};

// The label of an image: optionally its folder and file title, then "(640x480x256 gif)" or "Unknown".
// Written into `out`, which holds `outSize` characters.
void FormatImageLabel(char* out, size_t outSize, const char* path, ImageKind kind, int width, int height, int bitsCode,
                      bool parenthesize, bool withDirectory);

// True when the path's extension names an image format; ".lnk" files are followed to their targets.
bool IsImageFileName(const char* path);

// The kind's name as the image tool prints it ("bmp", ... or "unknown").
const char* ImageKindName(ImageKind kind);

}  // namespace lumetta
