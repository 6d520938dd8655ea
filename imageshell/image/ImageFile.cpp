#include "image/ImageFile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "pipeline/ByteSource.h"
#include "formats/KindDetection.h"

namespace lumetta {

namespace {

constexpr size_t kDetectionBytes = 4095;
constexpr size_t kInitialPageRoom = 32;
constexpr size_t kPageRoomGrowth = 64;
constexpr int kMaxPages = 65535;  // page indices are 16-bit
// An all-pages decode keeps bitmaps for every page, and GDI objects are counted against a per-process
// quota that the file manager hosting us shares: pages past this many are left out, not failed.
constexpr int kMaxDecodedPages = 1000;
constexpr size_t kMaxPathLength = 261;

bool HasLinkExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  if (!dot) return false;
  const char* ext = dot + 1;
  return std::strlen(ext) == 3 && (ext[0] | 0x20) == 'l' && (ext[1] | 0x20) == 'n' && (ext[2] | 0x20) == 'k';
}

int16_t PageValue(int value) { return int16_t(std::clamp(value, 0, int(kMaxImageDimension))); }

// The budget's time, counted from now.
TimeLimit StartTimeLimit(const DecodeBudget& budget) {
  uint32_t (*clock)() = budget.clock ? budget.clock : &TickCountMs;
  return TimeLimit{clock, budget.maxMs ? clock() : 0, budget.maxMs};
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction

ImageFile::ImageFile(const char* path) : ImageFile(ImageSource::Path(path)) {}

ImageFile::ImageFile(ModuleHandle module, int resourceId) : ImageFile(ImageSource::Resource(module, resourceId)) {}

ImageFile::ImageFile(const void* data, size_t length) : ImageFile(ImageSource::Memory(data, data ? length : 0)) {}

ImageFile::ImageFile(FileHandle file, int64_t offset, int64_t length)
    : ImageFile(ImageSource::FileRange(file, offset, length)) {}

ImageFile::ImageFile(ImageSource source) : source_(std::move(source)), graphics_(&DefaultGraphics()) {}

ImageFile::~ImageFile() {
  ReleaseAll();
  request_.reset();
  extras_.reset();
  pages_.clear();
}

const char* ImageFile::GetPath() const {
  return source_.kind == ImageSource::Kind::Path ? source_.path.c_str() : nullptr;
}

// A shortcut stands for its target; one that leads nowhere stands for itself.
ImageSource ImageFile::ResolvedSource() const {
  if (source_.kind != ImageSource::Kind::Path || !HasLinkExtension(source_.path.c_str())) return source_;
  char target[kMaxPathLength] = {};
  FollowShortcut(source_.path.c_str(), target, sizeof target);
  return target[0] ? ImageSource::Path(target) : source_;
}

// ---------------------------------------------------------------------------------------------------
// Decoders

std::unique_ptr<ImageDecoder> ImageFile::CreateDecoderOfKind(ImageKind kind) {
  int error = kErrNone;
  std::unique_ptr<ImageDecoder> decoder = factory_(kind, ResolvedSource(), &error);
  if (!decoder) {
    lastError_ = error != kErrNone ? error : kErrNoDecoder;
    return nullptr;
  }
  decoder->SetGraphics(*graphics_);
  decoder->SetMemoryCeiling(memoryCeiling_);
  decoder->SetTimeLimit(timeLimit_);
  return decoder;
}

std::unique_ptr<ImageDecoder> ImageFile::CreateDecoder() {
  ImageKind kind = GetKind();
  if (kind == ImageKind::Unknown) {
    lastError_ = detectionError_ ? detectionError_ : kErrFormat;
    return nullptr;
  }
  return CreateDecoderOfKind(kind);
}

int ImageFile::CountPages() {
  std::unique_ptr<ImageDecoder> decoder = CreateDecoder();
  if (!decoder || !decoder->Open(false)) return 0;
  int count = 0;
  while (count < kMaxPages && decoder->SelectPage(count)) ++count;
  decoder->Close();
  return count;
}

// ---------------------------------------------------------------------------------------------------
// Detection

ImageKind ImageFile::GetKind() {
  if (kind_ == ImageKind::NotDetected) DetectKind();
  return kind_;
}

// The first bytes through the image's own byte source: a file's first 4095 bytes, a block in memory
// whole.
bool ImageFile::ReadDetectionBytes(std::vector<uint8_t>& bytes) {
  ImageSource source = ResolvedSource();
  if (source.kind == ImageSource::Kind::Path && !FileAttributesReadable(source.path.c_str())) {
    detectionError_ = kErrFileNotFound;
    return false;
  }
  bool inMemory = source.kind == ImageSource::Kind::Memory || source.kind == ImageSource::Kind::Resource;
  ByteSource reader(std::move(source));
  if (reader.Open() != kErrNone) return false;
  int64_t wanted = inMemory ? reader.length() : int64_t(kDetectionBytes);
  if (reader.kind() == ImageSource::Kind::FileRange) wanted = std::min(wanted, reader.length());
  bytes.resize(size_t(std::max<int64_t>(wanted, 0)));
  uint32_t got = 0;
  int error = bytes.empty() ? kErrNone : reader.Read(bytes.data(), uint32_t(bytes.size()), &got);
  reader.Close();
  if (error != kErrNone && error != kErrEndOfData) return false;
  bytes.resize(got);
  return true;
}

bool ImageFile::DetectKind() {
  kind_ = ImageKind::Unknown;
  detectionError_ = kErrFormat;
  std::vector<uint8_t> buffer;
  if (!ReadDetectionBytes(buffer)) {
    lastError_ = detectionError_;
    return false;
  }

  DecoderOpener openDecoder = [&](ImageKind kind, bool onBuffer, DetectedImage* values) {
    int savedError = lastError_;
    std::unique_ptr<ImageDecoder> decoder;
    if (onBuffer) {
      int error = kErrNone;
      decoder = factory_(kind, ImageSource::Memory(buffer.data(), buffer.size()), &error);
      if (decoder) {
        decoder->SetGraphics(*graphics_);
        decoder->SetMemoryCeiling(memoryCeiling_);
        decoder->SetTimeLimit(timeLimit_);
      }
    } else {
      decoder = CreateDecoderOfKind(kind);
    }
    lastError_ = savedError;
    if (!decoder) return DecoderProbe::NoDecoder;
    if (!decoder->Open(false)) return DecoderProbe::Failed;
    ImageInfo info = decoder->GetInfo();
    *values = DetectedImage{kind, info.width, info.height, info.bitsCode};
    decoder->Close();
    return DecoderProbe::Opened;
  };

  int dpiX = 96, dpiY = 96;
  graphics_->ScreenDotsPerInch(&dpiX, &dpiY);
  DetectedImage detected;
  if (!DetectImageKind(buffer.data(), buffer.size(), openDecoder, dpiX, dpiY, &detected)) {
    lastError_ = detectionError_ = kErrFormat;
    return false;
  }
  detectionError_ = kErrNone;
  EnsurePage(0);
  ImagePage* page = pages_[0].get();
  page->width = PageValue(detected.width);
  page->height = PageValue(detected.height);
  page->bitsCode = uint8_t(detected.bits);
  kind_ = detected.kind;
  return true;
}

bool ImageFile::DetectKindWithinBudget(const DecodeBudget& budget, const TimeLimit& limit) {
  const int64_t ceiling = memoryCeiling_;
  memoryCeiling_ = std::min(budget.maxBytes, memoryCeiling_);
  timeLimit_ = limit;
  bool ok = DetectKind();
  timeLimit_ = TimeLimit{};
  memoryCeiling_ = ceiling;
  return ok;
}

// ---------------------------------------------------------------------------------------------------
// Properties

ImagePage* ImageFile::Page(int page) const {
  size_t index = page < 0 ? currentPage_ : size_t(page);
  return index < pages_.size() ? pages_[index].get() : nullptr;
}

void ImageFile::EnsurePage(int index) {
  if (pages_.capacity() == 0) pages_.reserve(kInitialPageRoom);
  while (pages_.size() <= size_t(index)) {
    if (pages_.size() == pages_.capacity()) pages_.reserve(pages_.size() + kPageRoomGrowth);
    pages_.push_back(std::make_unique<ImagePage>());
  }
}

int ImageFile::GetWidth(int page) {
  if (pages_.empty()) DetectKind();
  ImagePage* p = Page(page);
  return p ? p->width : 0;
}

int ImageFile::GetHeight(int page) {
  if (pages_.empty()) DetectKind();
  ImagePage* p = Page(page);
  return p ? p->height : 0;
}

int ImageFile::GetBitsPerPixel(int page) {
  if (pages_.empty()) DetectKind();
  ImagePage* p = Page(page);
  return p ? p->bitsCode : 0;
}

int ImageFile::GetOutputWidth(int page) {
  if (pages_.empty()) DetectKind();
  ImagePage* p = Page(page);
  return p ? (p->outputWidth ? p->outputWidth : p->width) : 0;
}

int ImageFile::GetOutputHeight(int page) {
  if (pages_.empty()) DetectKind();
  ImagePage* p = Page(page);
  return p ? (p->outputHeight ? p->outputHeight : p->height) : 0;
}

BitmapHandle ImageFile::GetBitmap(int page) const {
  ImagePage* p = Page(page);
  if (!p) return nullptr;
  if (IsBeingDecoded(page < 0 ? currentPage_ : size_t(page)) && decoder_->GetBitmap()) return decoder_->GetBitmap();
  return p->bitmap.get();
}

BitmapHandle ImageFile::GetFullColorBitmap(int page) const {
  ImagePage* p = Page(page);
  if (!p) return nullptr;
  if (IsBeingDecoded(page < 0 ? currentPage_ : size_t(page)) && decoder_->GetFullColorBitmap())
    return decoder_->GetFullColorBitmap();
  return p->fullColorBitmap.get();
}

PaletteHandle ImageFile::GetPalette(int page) const {
  ImagePage* p = Page(page);
  if (!p) return nullptr;
  if (!p->sharedPalette && IsBeingDecoded(page < 0 ? currentPage_ : size_t(page)) && decoder_->GetPalette())
    return decoder_->GetPalette();
  return p->Palette();
}

bool ImageFile::IsGray(int page) const {
  ImagePage* p = Page(page);
  return p && p->gray;
}

ImageExtras* ImageFile::GetExtras() const { return decoder_ ? decoder_->GetExtras() : extras_.get(); }

bool ImageFile::SetPage(int index) {
  if (decoder_) EndDecode(true);
  currentPage_ = uint16_t(std::clamp(index, 0, kMaxPages - 1));
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Decoding

bool ImageFile::PreparePage() {
  pagePrepared_ = false;
  if (!decoder_->SelectPage(currentPage_)) {
    lastError_ = decoder_->GetLastError();
    return false;
  }
  int screenBits = graphics_->ScreenBitsPerPixel();
  if (screenBits >= 25) screenBits = 24;
  if (screenBits == 15) screenBits = 16;
  if (!decoder_->BeginImage(*request_, screenBits)) {
    lastError_ = decoder_->GetLastError();
    return false;
  }

  EnsurePage(currentPage_);
  ImagePage* page = pages_[currentPage_].get();
  page->ReleaseHandles();
  ImageInfo info = decoder_->GetInfo();
  page->width = PageValue(info.width);
  page->height = PageValue(info.height);
  page->outputWidth = PageValue(info.outputWidth);
  page->outputHeight = PageValue(info.outputHeight);
  page->bitsCode = uint8_t(info.bitsCode);
  page->outputDepth = uint8_t(info.outputDepth);
  page->gray = info.gray;
  page->decoded = 0;
  // Until the hand-over the page shows the decoder's handles (GetBitmap asks the decoder).
  if (decoder_->PaletteIsShared()) page->sharedPalette = decoder_->GetPalette();

  ImageExtras* extras = decoder_->GetExtras();
  // A transparent frame is shown through the shared palette, unless it brought a palette of its own.
  if (!request_->fixedPalette && extras && extras->FrameHasTransparentColor(currentPage_) &&
      extras->FrameUsesSharedPalette(currentPage_))
    page->sharedPalette = extras->SharedPalette();
  pagePrepared_ = true;
  return true;
}

// The page takes the decoder's handles over (the palette too, unless it belongs to the extras).
void ImageFile::HandOverToPage() {
  if (!pagePrepared_ || currentPage_ >= pages_.size()) return;
  ImagePage* page = pages_[currentPage_].get();
  // A second hand-over of the same page finds the decoder empty and keeps what the page has.
  if (decoder_->GetBitmap() || decoder_->GetFullColorBitmap()) page->bitmapBytes = decoder_->BitmapBytes();
  if (decoder_->GetBitmap()) page->bitmap = decoder_->TakeBitmap();
  if (decoder_->GetFullColorBitmap()) page->fullColorBitmap = decoder_->TakeFullColorBitmap();
  if (!page->sharedPalette && !decoder_->PaletteIsShared() && decoder_->GetPalette())
    page->palette = decoder_->TakePalette();
}

bool ImageFile::BeginDecode(const DecodeRequest& request) {
  if (decoder_) {
    lastError_ = kErrInvalidState;
    return false;
  }
  request_ = request;
  if (request.allPages) {
    for (auto& page : pages_) page->ReleaseHandles();
  } else if (ImagePage* page = Page(-1)) {
    page->ReleaseHandles();
  }
  allPagesDone_ = false;
  pagePrepared_ = false;
  lastError_ = kErrNone;
  startTime_ = TickCountMs();
  if (GetKind() == ImageKind::Unknown) {
    // Keep what detection found (no format, or no file) rather than "no decoder".
    lastError_ = detectionError_ ? detectionError_ : kErrFormat;
    return false;
  }
  decoder_ = CreateDecoderOfKind(kind_);
  if (!decoder_) return false;
  if (!decoder_->Open(request.scanAllFrames != 0)) {
    lastError_ = decoder_->GetLastError();
    return false;
  }
  return PreparePage();
}

bool ImageFile::DecodeStep(int rows, int* rectCount, ImageRect* updateRect) {
  if (rectCount) *rectCount = 0;
  if (!decoder_) return false;
  if (allPagesDone_) return true;
  if (!pagePrepared_) {
    lastError_ = kErrInvalidState;
    return false;
  }
  if (decoder_->GetProgress() >= kProgressComplete) {
    HandOverToPage();
    if (!request_->allPages) return true;
    pages_[currentPage_]->decoded = 1;
    if (currentPage_ + 1 >= kMaxDecodedPages) {
      allPagesDone_ = true;
      pagePrepared_ = false;
      return true;
    }
    // The pages still held count against the ceiling of the pages to come: the ceiling holds for the
    // whole run, not for each page (a caller showing frames as they come releases those it has shown).
    int64_t held = 0;
    for (const auto& kept : pages_) held += kept->bitmapBytes;
    decoder_->SetMemoryCeiling(memoryCeiling_ - held);
    uint16_t finished = currentPage_;
    currentPage_ = uint16_t(finished + 1);
    if (!PreparePage()) {
      // No further page: the run is complete (a failure to begin one is kept in the error).
      if (decoder_->GetLastError() == kErrInvalidState) lastError_ = kErrNone;
      // The finished page keeps what it was handed; nothing is handed over again.
      currentPage_ = finished;
      pagePrepared_ = false;
      allPagesDone_ = true;
    }
    return true;
  }
  bool ok = decoder_->DecodeRows(rows, rectCount, updateRect);
  if (!ok) lastError_ = decoder_->GetLastError();
  ImagePage* page = pages_[currentPage_].get();
  if (request_->allPages && currentPage_ > 0 && rectCount) {
    *rectCount = decoder_->GetProgress() > kProgressComplete - 1 ? 1 : 0;
    if (*rectCount && updateRect) updateRect[0] = ImageRect{0, 0, page->outputWidth, page->outputHeight};
  }
  return ok;
}

bool ImageFile::EndDecode(bool releaseIfIncomplete) {
  if (!decoder_) return false;
  int progress = GetProgress();
  if (pagePrepared_ && currentPage_ < pages_.size()) {
    HandOverToPage();
    pages_[currentPage_]->decoded = 1;
  }
  if (request_ && request_->allPages) currentPage_ = 0;
  extras_ = decoder_->DetachExtras();
  decoder_->Close();
  decoder_.reset();
  request_.reset();
  pagePrepared_ = false;
  if (progress < kProgressComplete && releaseIfIncomplete) ReleaseAll();
  elapsedMs_ = TickCountMs() - startTime_;
  return true;
}

bool ImageFile::Decode(const DecodeRequest& request) { return RunDecode(request, TimeLimit{}, 0, false); }

bool ImageFile::DecodeWithinBudget(const DecodeRequest& request, const DecodeBudget& budget) {
  return DecodeWithinBudget(request, budget, StartTimeLimit(budget));
}

bool ImageFile::DecodeWithinBudget(const DecodeRequest& request, const DecodeBudget& budget, const TimeLimit& limit) {
  // Steps of a few output rows, so that the clock is looked at often; a thumbnail has at most 100 rows,
  // each of which may stand for hundreds of the image's.
  constexpr int kRowsPerStep = 4;
  const int64_t ceiling = memoryCeiling_;
  memoryCeiling_ = std::min(budget.maxBytes, memoryCeiling_);
  bool ok = RunDecode(request, limit, kRowsPerStep, limit.maxMs != 0 || budget.maxBytes < kMaxDecodeBytes);
  memoryCeiling_ = ceiling;
  return ok;
}

// rowsPerStep 0: a whole page a step.
bool ImageFile::RunDecode(const DecodeRequest& request, const TimeLimit& limit, int rowsPerStep, bool budgeted) {
  timeLimit_ = limit;
  ReleaseAll();
  bool ok = BeginDecode(request);
  StallWatch watch;
  while (ok && GetProgress() < kProgressComplete) {
    if (timeLimit_.Over()) {
      lastError_ = kErrOutOfTime;
      ok = false;
      break;
    }
    ImagePage* page = Page(-1);
    ok = DecodeStep(rowsPerStep > 0 ? rowsPerStep : page ? std::max<int>(page->outputHeight, 1) : 1, nullptr, nullptr);
    if (ok && watch.Stalled(*this)) {
      lastError_ = kErrInvalidState;
      ok = false;
    }
  }
  // A format that gave up inside a long step because the time was up failed for that reason.
  if (!ok && timeLimit_.Over()) lastError_ = kErrOutOfTime;
  timeLimit_ = TimeLimit{};
  int error = lastError_;
  // A plain decode keeps what a failure left (the viewer shows the rows it got); a budgeted one, whose
  // caller wants a whole picture or none, releases it.
  EndDecode(budgeted ? !ok : false);
  lastError_ = error;
  return ok;
}

int ImageFile::GetProgress() const {
  if (decoder_) {
    if (request_ && request_->allPages) {
      if (allPagesDone_) return kProgressComplete;
      int progress = decoder_->GetProgress();
      return progress >= kProgressComplete ? kProgressComplete - 1 : progress;
    }
    return decoder_->GetProgress();
  }
  ImagePage* page = Page(-1);
  return page && (page->bitmap || page->fullColorBitmap) ? kProgressComplete : 0;
}

ImageRect ImageFile::GetUpdateRect() const {
  if (decoder_) return decoder_->GetDecodedRect();
  ImagePage* page = Page(-1);
  if (page && GetProgress() == kProgressComplete) return ImageRect{0, 0, page->outputWidth, page->outputHeight};
  return ImageRect{};
}

// A page shown and done with may be released while an all-pages decode goes on to the next ones.
void ImageFile::ReleasePage(int page) {
  if (ImagePage* p = Page(page)) p->ReleaseHandles();
  if (!decoder_) allPagesDone_ = false;
}

void ImageFile::ReleaseAll() {
  if (decoder_) EndDecode(true);
  for (size_t i = 0; i < pages_.size(); ++i) ReleasePage(int(i));
}

}  // namespace lumetta

namespace lumetta {

DecodeRequest ThumbnailRequest() {
  DecodeRequest request;
  request.width = 100;
  request.height = 100;
  request.ditherMode = 2;
  request.ditherTo16 = 1;
  request.fixedPalette = 1;
  return request;
}

DecodeBudget ThumbnailBudget() {
  DecodeBudget budget;
  budget.maxBytes = int64_t(128) << 20;
  budget.maxMs = 2000;
  return budget;
}

bool DetectAndDecodeThumbnail(ImageFile& image, bool thumbnail, const DecodeBudget& budget) {
  const TimeLimit limit = StartTimeLimit(budget);
  if (!image.DetectKindWithinBudget(budget, limit)) return false;
  if (thumbnail) image.DecodeWithinBudget(ThumbnailRequest(), budget, limit);
  return true;
}

}  // namespace lumetta
