#include "ImageDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumetta {

namespace {

constexpr int kFixedPaletteColors = 240;
constexpr int kQuantizedColors = 236;
constexpr int kGrayLevelsOn8BitDisplay = 236;

// Allocates a zeroed byte buffer; false when memory is short.
bool Allocate(std::vector<uint8_t>& buffer, size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    buffer.clear();
    return false;
  }
}

int RowBytes(int pixels, int depth) { return int((int64_t(pixels) * depth + 7) / 8); }

// 24-bit (blue, green, red) to 5-5-5 with the low three bits of each channel dropped.
uint16_t Pack555(const uint8_t* bgr) {
  return uint16_t((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | (bgr[0] >> 3));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Construction and the byte source

ImageDecoder::ImageDecoder(const char* path) : graphics_(&DefaultGraphics()) {
  source_.SetPath(path);
  InitializeSource();
}

ImageDecoder::ImageDecoder(FileHandle file, int64_t offset, int64_t length) : graphics_(&DefaultGraphics()) {
  source_.SetFileHandle(file, offset, length);
  InitializeSource();
}

ImageDecoder::ImageDecoder(const void* data, size_t length) : graphics_(&DefaultGraphics()) {
  source_.SetMemory(data, length);
  InitializeSource();
}

ImageDecoder::ImageDecoder(ModuleHandle module, int resourceId) : graphics_(&DefaultGraphics()) {
  source_.SetResource(module, resourceId);
  InitializeSource();
}

void ImageDecoder::InitializeSource() {
  legacyPlatform_ = graphics_->IsLegacyPlatform();
  for (int i = 0; i < 256; ++i) bitmapHeader_.paletteIndex[i] = uint16_t(i);
  fullHeader_ = bitmapHeader_;
}

void ImageDecoder::SetGraphics(PlatformGraphics& graphics) {
  graphics_ = &graphics;
  legacyPlatform_ = graphics.IsLegacyPlatform();
}

ImageDecoder::~ImageDecoder() {
  FreeOutputs();
  source_.Close();
  if (ownsExtras_) delete extras_;
}

bool ImageDecoder::SetError(int code) {
  lastError_ = code;
  return code == kErrNone;
}

bool ImageDecoder::OpenSource() { return SetError(source_.Open()); }

bool ImageDecoder::ReadSource(void* buffer, uint32_t count, uint32_t* got) {
  return SetError(source_.Read(buffer, count, got));
}

bool ImageDecoder::SeekSource(int64_t offset, int origin, int64_t* newPosition) {
  return SetError(source_.Seek(offset, origin, newPosition));
}

bool ImageDecoder::CloseSource() { return SetError(source_.Close()); }

bool ImageDecoder::AcceptImageSize(int64_t width, int64_t height, int bitsPerPixel) {
  int bytesPerPixel = std::max(1, (bitsPerPixel + 7) / 8);
  return SetError(ImageSizeAcceptable(width, height, bytesPerPixel) ? kErrNone : kErrFormat);
}

// ---------------------------------------------------------------------------------------------------
// The default virtual operations

bool ImageDecoder::SelectPageHook(int index) { return SetError(index == 0 ? kErrNone : kErrInvalidState); }

bool ImageDecoder::ReservedOperation() { return SetError(kErrReserved); }

bool ImageDecoder::BeginImageHook() { return SetError(kErrNone); }

bool ImageDecoder::FinishImage() { return SetError(kErrNone); }

// ---------------------------------------------------------------------------------------------------
// Public operations

bool ImageDecoder::Open(bool scanAllFrames) {
  scanAllFrames_ = scanAllFrames;
  headerRead_ = false;
  if (!OpenSource()) return false;
  if (!ReadHeader()) {
    if (lastError_ == kErrNone) SetError(kErrFormat);
    return false;
  }
  headerRead_ = true;
  return SetError(kErrNone);
}

bool ImageDecoder::SelectPage(int index) {
  if (!headerRead_) return SetError(kErrInvalidState);
  if (!SelectPageHook(index)) return false;
  pageIndex_ = index;
  return true;
}

ImageInfo ImageDecoder::GetInfo() const {
  return ImageInfo{kind_, bitsCode_, width_, height_, gray_, outputWidth_, outputHeight_, outputDepth_};
}

int ImageDecoder::GetProgress() const {
  if (quantizer_ && pass_ == 1) return progress_ / 2;
  return progress_;
}

bool ImageDecoder::Close() {
  bool finished = FinishImage();
  bool closed = CloseSource();
  if (finished && closed) return true;
  if (lastError_ == kErrNone) lastError_ = kErrInvalidState;
  return false;
}

ImageExtras* ImageDecoder::DetachExtras() {
  ownsExtras_ = false;
  return extras_;
}

void ImageDecoder::DetachBitmaps() {
  ownsBitmap_ = false;
  ownsFullBitmap_ = false;
}

void ImageDecoder::DetachPalette() { ownsPalette_ = false; }

// ---------------------------------------------------------------------------------------------------
// Output size and horizontal reduction

void ImageDecoder::ComputeOutputSize(int boxWidth, int boxHeight, int imageWidth, int imageHeight,
                                     int* outputWidth, int* outputHeight) {
  if (imageWidth <= 0 || imageHeight <= 0) {
    *outputWidth = *outputHeight = 0;
    return;
  }
  int sx = MulDiv(boxWidth ? boxWidth : imageWidth, 1000, imageWidth);
  int sy = MulDiv(boxHeight ? boxHeight : imageHeight, 1000, imageHeight);
  // MulDiv answers -1 on overflow: such a box is larger than any image, so it does not reduce.
  if (sx < 0) sx = 1000;
  if (sy < 0) sy = 1000;
  int scale = std::min({sx, sy, 1000});
  *outputWidth = std::max(1, MulDiv(scale, imageWidth, 1000));
  *outputHeight = std::max(1, MulDiv(scale, imageHeight, 1000));
}

void ImageDecoder::ShrinkRow(const uint8_t* source, uint8_t* target, int sourceLength, int targetLength, int depth,
                             bool gray) {
  if (sourceLength <= 0 || targetLength <= 0) return;
  targetLength = std::min(targetLength, sourceLength);
  int accumulator = 0;
  int out = 0;
  if (depth == 1) {
    std::memset(target, 0, size_t(targetLength + 7) / 8);
    for (int x = 0; x < sourceLength && out < targetLength; ++x) {
      accumulator += targetLength;
      if (accumulator >= sourceLength) {
        accumulator -= sourceLength;
        if ((source[x / 8] >> (7 - x % 8)) & 1) target[out / 8] |= uint8_t(0x80 >> (out % 8));
        ++out;
      }
    }
  } else if (depth == 8 && gray) {
    unsigned sum = 0, count = 0;
    for (int x = 0; x < sourceLength && out < targetLength; ++x) {
      sum += source[x];
      ++count;
      accumulator += targetLength;
      if (accumulator >= sourceLength) {
        accumulator -= sourceLength;
        target[out++] = uint8_t(sum / count);
        sum = count = 0;
      }
    }
  } else if (depth == 8) {
    for (int x = 0; x < sourceLength && out < targetLength; ++x) {
      accumulator += targetLength;
      if (accumulator >= sourceLength) {
        accumulator -= sourceLength;
        target[out++] = source[x];
      }
    }
  } else if (depth == 24) {
    unsigned blue = 0, green = 0, red = 0, count = 0;
    for (int x = 0; x < sourceLength && out < targetLength; ++x) {
      const uint8_t* p = source + 3 * x;
      blue += p[0];
      green += p[1];
      red += p[2];
      ++count;
      accumulator += targetLength;
      if (accumulator >= sourceLength) {
        accumulator -= sourceLength;
        uint8_t* q = target + 3 * out++;
        if (count == 1) {
          q[0] = uint8_t(blue), q[1] = uint8_t(green), q[2] = uint8_t(red);
        } else if (count == 2) {
          q[0] = uint8_t(blue >> 1), q[1] = uint8_t(green >> 1), q[2] = uint8_t(red >> 1);
        } else {
          q[0] = uint8_t(blue / count), q[1] = uint8_t(green / count), q[2] = uint8_t(red / count);
        }
        blue = green = red = count = 0;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// BeginImage

void ImageDecoder::FreeOutputs() {
  if (memoryDc_) graphics_->DeleteMemoryContext(memoryDc_);
  memoryDc_ = nullptr;
  converter_.reset();
  quantizer_.reset();
  converterRow_.clear();
  shrinkRow_.clear();
  deviceRow_.clear();
  if (bitmap_ && ownsBitmap_) graphics_->DeleteBitmap(bitmap_);
  if (fullBitmap_ && ownsFullBitmap_) graphics_->DeleteBitmap(fullBitmap_);
  if (palette_ && ownsPalette_) graphics_->DeletePalette(palette_);
  bitmap_ = fullBitmap_ = nullptr;
  bitmapBits_ = fullBits_ = nullptr;
  palette_ = nullptr;
  ownsBitmap_ = ownsFullBitmap_ = ownsPalette_ = false;
  outputColorCount_ = 0;
  pass_ = 1;
  colorsChosen_ = false;
  pass2Rows_ = 0;
  imageBegun_ = false;
}

bool ImageDecoder::BeginImage(const DecoderRequest& request) {
  FreeOutputs();
  if (!headerRead_) return SetError(kErrInvalidState);

  request_ = request;
  if (legacyPlatform_) {
    request_.deviceBitmap = 1;
    if (request_.ditherMode == 4) request_.ditherMode = 2;
  } else if (kind_ == ImageKind::Wmf && request_.ditherMode == 4) {
    request_.ditherMode = 2;
  }
  if (request_.width < 0 || request_.height < 0) return SetError(kErrInvalidState);
  if (request_.fixedPalette && request_.ditherMode == 4) request_.ditherMode = 2;
  if (columnMode_) request_.deviceBitmap = 0;

  decodedRect_ = ImageRect{};
  progress_ = 0;

  // Depths of the display bitmap and of the full-colour bitmap.
  outputDepth_ = std::min(rowDepth_, request_.displayDepth);
  fullDepth_ = rowDepth_;
  if (rowDepth_ == 1) {
    outputDepth_ = fullDepth_ = 1;
  } else if (rowDepth_ >= 2 && rowDepth_ <= 7) {
    outputDepth_ = fullDepth_ = 8;
  } else if (rowDepth_ == 15) {
    fullDepth_ = 16;
  } else if (rowDepth_ > 15) {
    fullDepth_ = 24;
  }

  if (sourceRowLength_ <= 0) sourceRowLength_ = width_;
  if (sourceColumnLength_ <= 0) sourceColumnLength_ = height_;
  ComputeOutputSize(request_.width, request_.height, width_, height_, &outputWidth_, &outputHeight_);
  if (outputWidth_ <= 0 || outputHeight_ <= 0) return SetError(kErrFormat);

  if (gray_ && bitsCode_ <= 8 && bitsCode_ > 0) {
    colorCount_ = 1 << bitsCode_;
    for (int i = 0; i < colorCount_; ++i) {
      uint8_t level = uint8_t(colorCount_ > 1 ? i * 255 / (colorCount_ - 1) : 0);
      sourcePalette_[i] = RgbColor{level, level, level};
    }
  }

  makeFullColor_ = request_.makeFullColorBitmap != 0;
  if (request_.makeBitmap) BuildConverters();

  for (int i = 0; i < 256; ++i) bitmapHeader_.paletteIndex[i] = uint16_t(i);
  BuildOutputPalette();

  if (!request_.fixedPalette && extras_ && extras_->FrameUsesSharedPalette(pageIndex_) && extras_->SharedPalette()) {
    palette_ = extras_->SharedPalette();
    ownsPalette_ = false;
  } else if (outputColorCount_ > 0 && !MakePalette()) {
    return false;
  }

  if (request_.deviceBitmap) {
    memoryDc_ = graphics_->CreateMemoryContext(palette_);
    if (!memoryDc_) return SetError(kErrMemoryDc);
  }
  if (!MakeBitmaps()) return false;

  if (!BeginImageHook()) return false;

  int outputLength = OutputRowLength();
  if (outputLength < SourceLineLength() && !Allocate(shrinkRow_, size_t(outputLength) * 3 + 4))
    return SetError(kErrDisplayBitmap);
  imageBegun_ = true;
  return SetError(kErrNone);
}

void ImageDecoder::BuildConverters() {
  int length = OutputRowLength();
  auto sourcePaletteBytes = [this] {
    std::vector<uint8_t> bytes(768);
    for (int i = 0; i < 256; ++i) {
      bytes[3 * i] = sourcePalette_[i].red;
      bytes[3 * i + 1] = sourcePalette_[i].green;
      bytes[3 * i + 2] = sourcePalette_[i].blue;
    }
    return bytes;
  };
  if (rowDepth_ == 24 && outputDepth_ == 16 && request_.ditherTo16) {
    // 24-bit pixels at 15-bit precision only where a device bitmap takes the rows (legacy platform);
    // a 16-bit DIB section needs packed pixels.
    int mode = legacyPlatform_ && request_.deviceBitmap ? ColorConverter::kDither15To24 : ColorConverter::kDither15;
    converter_ = ColorConverter::Create(0, mode, length, nullptr);
  } else if (rowDepth_ > 8 && outputDepth_ == 8) {
    int mode = request_.ditherMode == 2                                   ? ColorConverter::kErrorDiffusion
               : request_.ditherMode >= 1 && request_.ditherMode <= 4 ? ColorConverter::kOrderedDither
                                                                          : ColorConverter::kNearest;
    converter_ = ColorConverter::Create(kFixedPaletteColors, mode, length, nullptr);
    if (request_.ditherMode == 3 || request_.ditherMode == 4) {
      quantizer_ = MedianCutQuantizer::Create(kQuantizedColors, request_.ditherMode == 4, outputWidth_);
      if (quantizer_) makeFullColor_ = true;  // pass 1 keeps the image there
    }
  } else if (rowDepth_ == 8 && request_.fixedPalette && outputDepth_ <= 8) {
    int mode = request_.ditherMode == 1 ? ColorConverter::kOrderedDither : ColorConverter::kErrorDiffusion;
    std::vector<uint8_t> palette = sourcePaletteBytes();
    converter_ = ColorConverter::Create(kFixedPaletteColors, mode, length, palette.data());
  }
  // Pass 2 of a device bitmap maps into the same row buffer.
  if ((converter_ || quantizer_) && !Allocate(converterRow_, size_t(length) * 3 + 4)) {
    converter_.reset();
    quantizer_.reset();
  }
}

void ImageDecoder::BuildOutputPalette() {
  outputColorCount_ = 0;
  bitmapHeader_.info.clrUsed = 0;
  if (converter_ && outputDepth_ <= 8) {
    uint8_t rgb[256 * 3];
    outputColorCount_ = converter_->GetPalette(rgb);
    for (int i = 0; i < outputColorCount_; ++i) outputPalette_[i] = RgbColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    bitmapHeader_.info.clrUsed = uint32_t(outputColorCount_);
  } else if (gray_ && bitsCode_ == 8) {
    // An 8-bit display leaves 20 entries to the system: gray values share 236 levels there.
    int levels = request_.displayDepth <= 8 ? kGrayLevelsOn8BitDisplay : 256;
    for (int i = 0; i < levels; ++i) {
      uint8_t level = uint8_t(i * 255 / (levels - 1));
      outputPalette_[i] = RgbColor{level, level, level};
    }
    for (int j = 0; j < 256; ++j) bitmapHeader_.paletteIndex[j] = uint16_t(j * (levels - 1) / 255);
    outputColorCount_ = levels;
    bitmapHeader_.info.clrUsed = 256;
  } else if ((gray_ && bitsCode_ < 8) || (bitsCode_ <= 8 && colorCount_ > 0)) {
    outputColorCount_ = std::min(colorCount_, 256);
    std::copy_n(sourcePalette_, outputColorCount_, outputPalette_);
    bitmapHeader_.info.clrUsed = uint32_t(outputColorCount_);
  }
}

bool ImageDecoder::MakePalette() {
  PaletteHandle made = graphics_->CreatePalette(outputPalette_, outputColorCount_);
  if (!made) return SetError(kErrPalette);
  if (memoryDc_) graphics_->SelectContextPalette(memoryDc_, made);
  if (palette_ && ownsPalette_) graphics_->DeletePalette(palette_);
  palette_ = made;
  ownsPalette_ = true;
  return SetError(kErrNone);
}

bool ImageDecoder::MakeBitmaps() {
  fullHeader_ = bitmapHeader_;
  if (request_.makeBitmap) {
    BitmapInfoHeader& info = bitmapHeader_.info;
    info.width = outputWidth_;
    info.height = request_.bottomUp || request_.deviceBitmap ? outputHeight_ : -outputHeight_;
    info.planes = 1;
    info.bitCount = uint16_t(outputDepth_);
    info.compression = 0;
    if (outputDepth_ > 8) info.clrUsed = 0;
    if (request_.deviceBitmap) {
      if (info.bitCount == 16 && (legacyPlatform_ || !converter_)) info.bitCount = 24;
      bitmap_ = graphics_->CreateDeviceBitmap(outputWidth_, outputHeight_);
      if (bitmap_ && !Allocate(deviceRow_, size_t(BitmapStride(outputWidth_, 32)) + 4)) {
        graphics_->DeleteBitmap(bitmap_);
        bitmap_ = nullptr;
      }
    } else {
      bitmap_ = graphics_->CreateDibSection(bitmapHeader_, palette_, &bitmapBits_);
      bitmapStride_ = BitmapStride(outputWidth_, outputDepth_);
    }
    if (!bitmap_) return SetError(kErrDisplayBitmap);
    ownsBitmap_ = true;
  }
  if (makeFullColor_) {
    BitmapInfoHeader& info = fullHeader_.info;
    info.width = outputWidth_;
    info.height = request_.bottomUp ? outputHeight_ : -outputHeight_;
    info.planes = 1;
    info.bitCount = uint16_t(fullDepth_);
    info.compression = 0;
    info.clrUsed = fullDepth_ <= 8 ? bitmapHeader_.info.clrUsed : 0;
    fullBitmap_ = graphics_->CreateDibSection(fullHeader_, palette_, &fullBits_);
    if (!fullBitmap_) return SetError(kErrFullColorBitmap);
    fullStride_ = BitmapStride(outputWidth_, fullDepth_);
    ownsFullBitmap_ = true;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Rows and columns

bool ImageDecoder::PutRow(const uint8_t* row, int y) {
  if (columnMode_) return SetError(kErrInvalidState);
  if (!row || y < 0 || y >= outputHeight_) return false;
  if (!shrinkRow_.empty()) {
    ShrinkRow(row, shrinkRow_.data(), sourceRowLength_, outputWidth_, rowDepth_, gray_);
    row = shrinkRow_.data();
  }
  int n = MemoryRow(y);
  if (fullBits_) std::memcpy(fullBits_ + fullStride_ * n, row, size_t(RowBytes(outputWidth_, std::min(rowDepth_, fullDepth_))));
  if (quantizer_ && pass_ == 1) quantizer_->AddRow(row, outputWidth_);
  bool converted = false;
  if (converter_ && converter_->ConvertRow(row, converterRow_.data())) {
    row = converterRow_.data();
    converted = true;
  }
  if (request_.deviceBitmap) {
    if (bitmap_ && !StoreDeviceRow(row, y)) return SetError(kErrDeviceRow);
  } else if (bitmapBits_) {
    StoreDisplayRow(row, n, converted);
  }
  return SetError(kErrNone);
}

void ImageDecoder::StoreDisplayRow(const uint8_t* row, int n, bool converted) {
  uint8_t* target = bitmapBits_ + bitmapStride_ * n;
  if (converted) {
    std::memcpy(target, row, size_t(outputWidth_) * converter_->OutputBytes());
  } else if (outputDepth_ == rowDepth_) {
    std::memcpy(target, row, size_t(RowBytes(outputWidth_, rowDepth_)));
  } else if (rowDepth_ == 24 && outputDepth_ == 16) {
    for (int x = 0; x < outputWidth_; ++x) {
      uint16_t v = Pack555(row + 3 * x);
      target[2 * x] = uint8_t(v);
      target[2 * x + 1] = uint8_t(v >> 8);
    }
  }
}

bool ImageDecoder::StoreDeviceRow(const uint8_t* row, int y) {
  int bytes = RowBytes(outputWidth_, bitmapHeader_.info.bitCount);
  if (size_t(bytes) > deviceRow_.size()) return false;
  std::memcpy(deviceRow_.data(), row, size_t(bytes));
  bool paletteRelative = palette_ && bitmapHeader_.info.bitCount <= 8;
  return graphics_->SetDeviceBitmapRows(memoryDc_, bitmap_, outputHeight_ - 1 - y, 1, deviceRow_.data(), bitmapHeader_,
                                        paletteRelative);
}

bool ImageDecoder::PutColumn(int x, const uint8_t* column) {
  if (!columnMode_ || rowDepth_ < 8) return SetError(kErrInvalidState);
  if (!column || x < 0 || x >= outputWidth_) return false;
  if (!shrinkRow_.empty()) {
    ShrinkRow(column, shrinkRow_.data(), sourceColumnLength_, outputHeight_, rowDepth_, gray_);
    column = shrinkRow_.data();
  }
  int pixelBytes = rowDepth_ / 8;
  if (fullBits_) {
    int fullBytes = fullDepth_ / 8;
    for (int i = 0; i < outputHeight_; ++i)
      std::memcpy(fullBits_ + fullStride_ * MemoryRow(i) + int64_t(x) * fullBytes, column + i * pixelBytes,
                  size_t(std::min(pixelBytes, fullBytes)));
  }
  if (quantizer_ && pass_ == 1) quantizer_->AddRow(column, outputHeight_);
  bool converted = false;
  if (converter_ && converter_->ConvertRow(column, converterRow_.data())) {
    column = converterRow_.data();
    converted = true;
  }
  if (bitmapBits_) StoreDisplayColumn(column, x, converted);
  return SetError(kErrNone);
}

void ImageDecoder::StoreDisplayColumn(const uint8_t* column, int x, bool converted) {
  int bytes = converted ? converter_->OutputBytes() : outputDepth_ == rowDepth_ ? rowDepth_ / 8 : 0;
  bool pack = !converted && rowDepth_ == 24 && outputDepth_ == 16;
  if (bytes == 0 && !pack) return;
  for (int i = 0; i < outputHeight_; ++i) {
    uint8_t* target = bitmapBits_ + bitmapStride_ * MemoryRow(i);
    if (pack) {
      uint16_t v = Pack555(column + 3 * i);
      target[2 * x] = uint8_t(v);
      target[2 * x + 1] = uint8_t(v >> 8);
    } else {
      std::memcpy(target + int64_t(x) * bytes, column + i * bytes, size_t(bytes));
    }
  }
}

void ImageDecoder::EndOfImage() {
  if (quantizer_) {
    progress_ = 5000;
    pass_ = 2;
  } else {
    progress_ = kProgressComplete;
  }
}

bool ImageDecoder::ClearBitmaps() {
  if (bitmapBits_) std::memset(bitmapBits_, 0, size_t(bitmapStride_ * outputHeight_));
  else if (bitmap_ && request_.deviceBitmap) graphics_->ClearDeviceBitmap(bitmap_);
  if (fullBits_) std::memset(fullBits_, 0, size_t(fullStride_ * outputHeight_));
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// DecodeRows and the second pass

bool ImageDecoder::DecodeRows(int rows, int* rectCount, ImageRect* updateRect) {
  if (rectCount) *rectCount = 0;
  if (progress_ > kProgressComplete - 1) return SetError(kErrInvalidState);
  if (!imageBegun_) return SetError(kErrInvalidState);
  if (quantizer_ && pass_ == 2) return MapRows(rows, rectCount, updateRect);
  return DecodeRowsHook(rows, rectCount, updateRect);
}

// Between the passes: the quantizer's colours become the palette of both bitmaps. Done once, whatever
// the progress reads (a tall image maps its first rows without moving the progress off 5000).
bool ImageDecoder::BeginSecondPass() {
  decodedRect_ = ImageRect{};
  quantizer_->ChooseColors();
  uint8_t rgb[256 * 3];
  outputColorCount_ = quantizer_->GetPalette(rgb);
  for (int i = 0; i < outputColorCount_; ++i) outputPalette_[i] = RgbColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  for (int i = 0; i < 256; ++i) bitmapHeader_.paletteIndex[i] = uint16_t(i);
  if (!MakePalette()) return false;
  if (!request_.deviceBitmap) {
    if (bitmap_) graphics_->SetColorTable(bitmap_, outputPalette_, outputColorCount_);
    if (fullBitmap_ && fullDepth_ <= 8) graphics_->SetColorTable(fullBitmap_, outputPalette_, outputColorCount_);
  }
  colorsChosen_ = true;
  return true;
}

bool ImageDecoder::MapRows(int rows, int* rectCount, ImageRect* updateRect) {
  if (!colorsChosen_ && !BeginSecondPass()) return false;
  if (!fullBits_) return SetError(kErrInvalidState);
  int end = std::min(outputHeight_, pass2Rows_ + std::max(rows, 0));
  for (; pass2Rows_ < end; ++pass2Rows_) {
    int n = MemoryRow(pass2Rows_);
    const uint8_t* source = fullBits_ + fullStride_ * n;
    if (request_.deviceBitmap) {
      quantizer_->MapRow(source, converterRow_.data(), outputWidth_);
      if (bitmap_ && !StoreDeviceRow(converterRow_.data(), pass2Rows_)) return SetError(kErrDeviceRow);
    } else if (bitmapBits_) {
      quantizer_->MapRow(source, bitmapBits_ + bitmapStride_ * n, outputWidth_);
    }
  }
  progress_ = 5000 + MulDiv(pass2Rows_, 5000, outputHeight_);
  decodedRect_ = ImageRect{0, 0, outputWidth_, pass2Rows_};
  if (progress_ >= kProgressComplete && rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, 0, outputWidth_, outputHeight_};
  }
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Pixel unpacking

void Unpack565To24(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i, source += 2, target += 3) {
    unsigned v = source[0] | source[1] << 8;
    target[0] = uint8_t(v << 3);
    target[1] = uint8_t((v >> 3) & 0xFC);
    target[2] = uint8_t((v >> 8) & 0xF8);
  }
}

void Unpack555To24(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i, source += 2, target += 3) {
    unsigned v = source[0] | source[1] << 8;
    target[0] = uint8_t(v << 3);
    target[1] = uint8_t((v >> 2) & 0xF8);
    target[2] = uint8_t((v >> 7) & 0xF8);
  }
}

void Unpack1To8(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i) target[i] = (source[i / 8] >> (7 - i % 8)) & 1;
}

void Unpack4To8(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i) target[i] = (source[i / 2] >> (i % 2 ? 0 : 4)) & 0x0F;
}

void Pack8To1(const uint8_t* source, uint8_t* target, int count) {
  std::memset(target, 0, size_t(count + 7) / 8);
  for (int i = 0; i < count; ++i)
    if (source[i] & 1) target[i / 8] |= uint8_t(0x80 >> (i % 8));
}

void CmykToBgr(const uint8_t* source, uint8_t* target, int count, bool inverted) {
  auto channel = [inverted](int value, int black) {
    int result = inverted ? value + black - 255 : 255 - value - black;
    return uint8_t(result < 0 ? 0 : result);
  };
  for (int i = 0; i < count; ++i, source += 4, target += 3) {
    int black = source[3];
    target[0] = channel(source[2], black);
    target[1] = channel(source[1], black);
    target[2] = channel(source[0], black);
  }
}

}  // namespace lumetta
