#include "ImageFile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "DecoderFactory.h"
#include "KindDetection.h"

namespace lumetta {

namespace {

constexpr size_t kDetectionBytes = 4095;
constexpr size_t kInitialPageRoom = 32;
constexpr size_t kPageRoomGrowth = 64;
constexpr int kMaxPages = 65535;  // page indices are 16-bit
constexpr size_t kMaxPathLength = 261;

bool HasLinkExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  if (!dot) return false;
  const char* ext = dot + 1;
  return std::strlen(ext) == 3 && (ext[0] | 0x20) == 'l' && (ext[1] | 0x20) == 'n' && (ext[2] | 0x20) == 'k';
}

int16_t PageValue(int value) { return int16_t(std::clamp(value, 0, int(kMaxImageDimension))); }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Pages

ImagePage::~ImagePage() { ReleaseHandles(); }

void ImagePage::ReleaseHandles() {
  if (bitmap && ownsBitmap) graphics->DeleteBitmap(bitmap);
  if (fullColorBitmap && ownsFullColorBitmap) graphics->DeleteBitmap(fullColorBitmap);
  if (palette && ownsPalette && !sharedPalette) graphics->DeletePalette(palette);
  bitmap = nullptr;
  fullColorBitmap = nullptr;
  palette = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Construction

ImageFile::ImageFile(const char* path)
    : sourceKind_(SourceKind::Path), path_(path ? path : ""), graphics_(&DefaultGraphics()) {}

ImageFile::ImageFile(ModuleHandle module, int resourceId)
    : sourceKind_(SourceKind::Resource), module_(module), resourceId_(resourceId), graphics_(&DefaultGraphics()) {}

ImageFile::ImageFile(const void* data, size_t length)
    : sourceKind_(SourceKind::Memory), memory_(data), memoryLength_(data ? length : 0), graphics_(&DefaultGraphics()) {}

ImageFile::ImageFile(FileHandle file, int64_t offset, int64_t length)
    : sourceKind_(SourceKind::FileHandle),
      file_(file),
      fileOffset_(offset),
      fileLength_(length),
      graphics_(&DefaultGraphics()) {}

ImageFile::~ImageFile() {
  ReleaseAll();
  delete request_;
  delete extras_;
  for (ImagePage* page : pages_) delete page;
}

const char* ImageFile::GetPath() const { return sourceKind_ == SourceKind::Path ? path_.c_str() : nullptr; }

// A shortcut stands for its target; one that leads nowhere stands for itself.
std::string ImageFile::ResolvedPath() const {
  if (!HasLinkExtension(path_.c_str())) return path_;
  char target[kMaxPathLength] = {};
  FollowShortcut(path_.c_str(), target, sizeof target);
  return target[0] ? std::string(target) : path_;
}

// ---------------------------------------------------------------------------------------------------
// Decoders

ImageDecoder* ImageFile::CreateDecoderOfKind(ImageKind kind) {
  DecoderSource source;
  std::string resolved;
  switch (sourceKind_) {
    case SourceKind::Path:
      resolved = ResolvedPath();
      source.kind = DecoderSource::Kind::Path;
      source.path = resolved.c_str();
      break;
    case SourceKind::Resource:
      source.kind = DecoderSource::Kind::Resource;
      source.module = module_;
      source.resourceId = resourceId_;
      break;
    case SourceKind::FileHandle:
      source.kind = DecoderSource::Kind::FileHandle;
      source.file = file_;
      source.offset = fileOffset_;
      source.length = fileLength_;
      break;
    case SourceKind::Memory:
      source.kind = DecoderSource::Kind::Memory;
      source.memory = memory_;
      source.memoryLength = memoryLength_;
      break;
  }
  int error = kErrNone;
  ImageDecoder* decoder = NewDecoder(kind, source, &error);
  if (!decoder) {
    lastError_ = error != kErrNone ? error : kErrNoDecoder;
    return nullptr;
  }
  decoder->SetGraphics(*graphics_);
  return decoder;
}

ImageDecoder* ImageFile::CreateDecoder() {
  ImageKind kind = GetKind();
  if (kind == ImageKind::Unknown) {
    lastError_ = detectionError_ ? detectionError_ : kErrFormat;
    return nullptr;
  }
  return CreateDecoderOfKind(kind);
}

int ImageFile::CountPages() {
  std::unique_ptr<ImageDecoder> decoder(CreateDecoder());
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

bool ImageFile::ReadDetectionBytes(std::vector<uint8_t>& bytes, size_t* length, const uint8_t** data) {
  switch (sourceKind_) {
    case SourceKind::Path: {
      std::string path = ResolvedPath();
      if (!FileAttributesReadable(path.c_str())) {
        detectionError_ = kErrFileNotFound;
        return false;
      }
      FileHandle file = OpenFileForReading(path.c_str());
      if (file == kInvalidFile) return false;
      bytes.resize(kDetectionBytes);
      uint32_t got = 0;
      bool read = ReadFromFile(file, bytes.data(), uint32_t(bytes.size()), &got);
      CloseFile(file);
      if (!read) return false;
      bytes.resize(got);
      *data = bytes.data();
      *length = got;
      return true;
    }
    case SourceKind::Resource: {
      uint32_t size = 0;
      if (!LockDataResource(module_, resourceId_, data, &size)) return false;
      *length = size;
      return true;
    }
    case SourceKind::Memory:
      *data = static_cast<const uint8_t*>(memory_);
      *length = memoryLength_;
      return true;
    case SourceKind::FileHandle: {
      if (!SeekFile(file_, fileOffset_, 0, nullptr)) return false;
      size_t wanted = kDetectionBytes;
      if (fileLength_ >= 0) wanted = size_t(std::min<int64_t>(fileLength_, int64_t(kDetectionBytes)));
      bytes.resize(wanted);
      uint32_t got = 0;
      bool read = ReadFromFile(file_, bytes.data(), uint32_t(wanted), &got);
      if (!SeekFile(file_, fileOffset_, 0, nullptr) || !read) return false;
      bytes.resize(got);
      *data = bytes.data();
      *length = got;
      return true;
    }
  }
  return false;
}

bool ImageFile::DetectKind() {
  kind_ = ImageKind::Unknown;
  detectionError_ = kErrFormat;
  std::vector<uint8_t> bytes;
  const uint8_t* data = nullptr;
  size_t length = 0;
  if (!ReadDetectionBytes(bytes, &length, &data)) {
    lastError_ = detectionError_;
    return false;
  }

  std::vector<uint8_t> buffer(data, data + length);
  DecoderOpener openDecoder = [&](ImageKind kind, bool onBuffer, DetectedImage* values) {
    int savedError = lastError_;
    std::unique_ptr<ImageDecoder> decoder;
    if (onBuffer) {
      int error = kErrNone;
      DecoderSource source;
      source.kind = DecoderSource::Kind::Memory;
      source.memory = buffer.data();
      source.memoryLength = buffer.size();
      decoder.reset(NewDecoder(kind, source, &error));
      if (decoder) decoder->SetGraphics(*graphics_);
    } else {
      decoder.reset(CreateDecoderOfKind(kind));
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
  ImagePage* page = pages_[0];
  page->width = PageValue(detected.width);
  page->height = PageValue(detected.height);
  page->bitsCode = uint8_t(detected.bits);
  kind_ = detected.kind;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Properties

ImagePage* ImageFile::Page(int page) const {
  size_t index = page < 0 ? currentPage_ : size_t(page);
  return index < pages_.size() ? pages_[index] : nullptr;
}

void ImageFile::EnsurePage(int index) {
  if (pageRoom_ == 0) {
    pages_.reserve(kInitialPageRoom);
    pageRoom_ = kInitialPageRoom;
  }
  while (pages_.size() <= size_t(index)) {
    if (pages_.size() == pageRoom_) {
      pageRoom_ += kPageRoomGrowth;
      pages_.reserve(pageRoom_);
    }
    pages_.push_back(new ImagePage(*graphics_));
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
  return p ? p->bitmap : nullptr;
}

BitmapHandle ImageFile::GetFullColorBitmap(int page) const {
  ImagePage* p = Page(page);
  return p ? p->fullColorBitmap : nullptr;
}

PaletteHandle ImageFile::GetPalette(int page) const {
  ImagePage* p = Page(page);
  return p ? p->palette : nullptr;
}

bool ImageFile::IsGray(int page) const {
  ImagePage* p = Page(page);
  return p && p->gray;
}

ImageExtras* ImageFile::GetExtras() const { return decoder_ ? decoder_->GetExtras() : extras_; }

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
  DecoderRequest request;
  request.width = request_->width;
  request.height = request_->height;
  request.ditherMode = request_->ditherMode;
  request.ditherTo16 = request_->ditherTo16;
  request.displayDepth = screenBits;
  request.bottomUp = request_->bottomUp;
  request.fixedPalette = request_->fixedPalette;
  request.makeBitmap = request_->makeBitmap;
  request.makeFullColorBitmap = request_->makeFullColorBitmap;
  request.deviceBitmap = request_->deviceBitmap;
  if (!decoder_->BeginImage(request)) {
    lastError_ = decoder_->GetLastError();
    return false;
  }

  EnsurePage(currentPage_);
  ImagePage* page = pages_[currentPage_];
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
  page->bitmap = decoder_->GetBitmap();
  page->fullColorBitmap = decoder_->GetFullColorBitmap();
  page->palette = decoder_->GetPalette();
  page->ownsBitmap = page->ownsFullColorBitmap = page->ownsPalette = 0;
  page->sharedPalette = decoder_->PaletteIsShared();

  ImageExtras* extras = decoder_->GetExtras();
  if (!request_->fixedPalette && extras && extras->FrameHasTransparentColor(currentPage_)) {
    page->palette = extras->SharedPalette();
    page->sharedPalette = 1;
  }
  pagePrepared_ = true;
  return true;
}

// The page takes the decoder's handles over (the palette too, unless it belongs to the extras).
void ImageFile::HandOverToPage() {
  if (!pagePrepared_ || currentPage_ >= pages_.size()) return;
  ImagePage* page = pages_[currentPage_];
  page->bitmap = decoder_->GetBitmap();
  page->fullColorBitmap = decoder_->GetFullColorBitmap();
  page->ownsBitmap = page->bitmap != nullptr;
  page->ownsFullColorBitmap = page->fullColorBitmap != nullptr;
  decoder_->DetachBitmaps();
  if (!page->sharedPalette) {
    page->palette = decoder_->GetPalette();
    page->ownsPalette = page->palette != nullptr;
    decoder_->DetachPalette();
  }
}

bool ImageFile::BeginDecode(const DecodeRequest& request) {
  if (decoder_) {
    lastError_ = kErrInvalidState;
    return false;
  }
  delete request_;
  request_ = new DecodeRequest(request);
  if (request.allPages) {
    for (ImagePage* page : pages_) page->ReleaseHandles();
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
    if (currentPage_ + 1 >= kMaxPages) {
      allPagesDone_ = true;
      pagePrepared_ = false;
      return true;
    }
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
  // A second pass replaces the palette: the page follows the decoder while it still owns the handles.
  ImagePage* page = pages_[currentPage_];
  if (!page->sharedPalette) page->palette = decoder_->GetPalette();
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
  delete extras_;
  extras_ = decoder_->DetachExtras();
  decoder_->Close();
  delete decoder_;
  decoder_ = nullptr;
  delete request_;
  request_ = nullptr;
  pagePrepared_ = false;
  if (progress < kProgressComplete && releaseIfIncomplete) ReleaseAll();
  elapsedMs_ = TickCountMs() - startTime_;
  return true;
}

bool ImageFile::Decode(const DecodeRequest& request) {
  ReleaseAll();
  bool ok = BeginDecode(request);
  int stalledSteps = 0;
  while (ok && GetProgress() < kProgressComplete) {
    int progressBefore = GetProgress();
    int pageBefore = currentPage_;
    ImagePage* page = Page(-1);
    ok = DecodeStep(page ? std::max<int>(page->outputHeight, 1) : 1, nullptr, nullptr);
    // A decoder that reports success without moving on would hold the caller forever.
    if (ok && GetProgress() == progressBefore && currentPage_ == pageBefore && ++stalledSteps > 3) {
      lastError_ = kErrInvalidState;
      ok = false;
    }
  }
  int error = lastError_;
  EndDecode(false);
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

void ImageFile::ReleasePage(int page) {
  if (ImagePage* p = Page(page)) p->ReleaseHandles();
  allPagesDone_ = false;
}

void ImageFile::ReleaseAll() {
  if (decoder_) EndDecode(true);
  for (size_t i = 0; i < pages_.size(); ++i) ReleasePage(int(i));
}

}  // namespace lumetta
