#include "pipeline/OutputPipeline.h"

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
uint16_t Pack555(const uint8_t* bgr) { return uint16_t((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | (bgr[0] >> 3)); }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Output size and horizontal reduction

void OutputPipeline::ComputeOutputSize(int boxWidth, int boxHeight, int imageWidth, int imageHeight, int* outputWidth,
                                       int* outputHeight) {
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

void OutputPipeline::ShrinkRow(const uint8_t* source, uint8_t* target, int sourceLength, int targetLength, int depth,
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
// Begin

void OutputPipeline::Free() {
  if (memoryDc_) graphics_->DeleteMemoryContext(memoryDc_);
  memoryDc_ = nullptr;
  converter_.reset();
  quantizer_.reset();
  converterRow_.clear();
  shrinkRow_.clear();
  deviceRow_.clear();
  bitmap_.reset();
  fullBitmap_.reset();
  ownedPalette_.reset();
  sharedPalette_ = nullptr;
  bitmapBits_ = fullBits_ = nullptr;
  outputColorCount_ = 0;
  pass_ = 1;
  colorsChosen_ = false;
  pass2Rows_ = 0;
}

int OutputPipeline::Begin(PlatformGraphics& graphics, ImageHeader& header, const DecodeRequest& request,
                          int displayDepth, const ImageExtras* extras, int page) {
  Free();
  graphics_ = &graphics;
  header_ = &header;
  legacyPlatform_ = graphics.IsLegacyPlatform();
  request_ = request;
  displayDepth_ = displayDepth;
  if (legacyPlatform_) {
    request_.deviceBitmap = 1;
    if (request_.ditherMode == 4) request_.ditherMode = 2;
  } else if (header.kind == ImageKind::Wmf && request_.ditherMode == 4) {
    request_.ditherMode = 2;
  }
  if (request_.width < 0 || request_.height < 0) return kErrInvalidState;
  // 16-colour and monochrome displays show 8-bit bitmaps in the fixed palette: every converter writes
  // a byte a pixel, and the system maps those colours onto the screen's few.
  if (displayDepth_ < 8) {
    displayDepth_ = 8;
    request_.fixedPalette = 1;
  }
  if (request_.fixedPalette && request_.ditherMode == 4) request_.ditherMode = 2;
  if (header.columnMode) request_.deviceBitmap = 0;

  // Depths of the display bitmap and of the full-colour bitmap.
  int rowDepth = header.rowDepth;
  outputDepth_ = std::min(rowDepth, displayDepth_);
  fullDepth_ = rowDepth;
  if (rowDepth == 1) {
    outputDepth_ = fullDepth_ = 1;
  } else if (rowDepth >= 2 && rowDepth <= 7) {
    outputDepth_ = fullDepth_ = 8;
  } else if (rowDepth == 15) {
    fullDepth_ = 16;
  } else if (rowDepth > 15) {
    fullDepth_ = 24;
  }

  if (header.sourceRowLength <= 0) header.sourceRowLength = header.width;
  if (header.sourceColumnLength <= 0) header.sourceColumnLength = header.height;
  ComputeOutputSize(request_.width, request_.height, header.width, header.height, &outputWidth_, &outputHeight_);
  if (outputWidth_ <= 0 || outputHeight_ <= 0) return kErrFormat;

  if (header.gray && header.bitsCode <= 8 && header.bitsCode > 0) {
    header.colorCount = 1 << header.bitsCode;
    for (int i = 0; i < header.colorCount; ++i) {
      uint8_t level = uint8_t(header.colorCount > 1 ? i * 255 / (header.colorCount - 1) : 0);
      header.palette[i] = RgbColor{level, level, level};
    }
  }

  makeFullColor_ = request_.makeFullColorBitmap != 0;
  if (request_.makeBitmap) BuildConverters();

  for (int i = 0; i < 256; ++i) bitmapHeader_.paletteIndex[i] = uint16_t(i);
  BuildOutputPalette();

  // What the bitmaps and buffers will really take, decided before any of them is made.
  int64_t display = 0;
  if (request_.makeBitmap)
    display = request_.deviceBitmap ? BitmapStride(outputWidth_, 32) * (int64_t(outputHeight_) + 1)
                                    : BitmapStride(outputWidth_, outputDepth_) * outputHeight_;
  int64_t full = makeFullColor_ ? BitmapStride(outputWidth_, fullDepth_) * outputHeight_ : 0;
  int64_t buffers = int64_t(converterRow_.size()) + (int64_t(OutputRowLength()) * 3 + 4);
  bytesReserved_ = 0;
  bitmapBytes_ = 0;
  if (display < 0 || full < 0 || !Reserve(display + full + buffers)) return kErrFormat;
  bitmapBytes_ = display + full;

  if (!request_.fixedPalette && extras && extras->FrameUsesSharedPalette(page) && extras->SharedPalette()) {
    sharedPalette_ = extras->SharedPalette();
  } else if (outputColorCount_ > 0) {
    if (int error = MakePalette()) return error;
  }

  if (request_.deviceBitmap) {
    memoryDc_ = graphics_->CreateMemoryContext(palette());
    if (!memoryDc_) return kErrMemoryDc;
  }
  return MakeBitmaps();
}

bool OutputPipeline::Reserve(int64_t bytes) {
  if (bytes < 0 || bytes > ceiling_ - bytesReserved_) return false;
  bytesReserved_ += bytes;
  return true;
}

// Buffers that depend on the format's hook having run: the shrink row.
int OutputPipeline::AllocateRowBuffers() {
  int outputLength = OutputRowLength();
  if (outputLength < SourceLineLength() && !Allocate(shrinkRow_, size_t(outputLength) * 3 + 4))
    return kErrDisplayBitmap;
  return kErrNone;
}

void OutputPipeline::BuildConverters() {
  int length = OutputRowLength();
  auto sourcePaletteBytes = [this] {
    std::vector<uint8_t> bytes(768);
    for (int i = 0; i < 256; ++i) {
      bytes[3 * i] = header_->palette[i].red;
      bytes[3 * i + 1] = header_->palette[i].green;
      bytes[3 * i + 2] = header_->palette[i].blue;
    }
    return bytes;
  };
  if (header_->rowDepth == 24 && outputDepth_ == 16 && request_.ditherTo16) {
    // 24-bit pixels at 15-bit precision only where a device bitmap takes the rows (legacy platform);
    // a 16-bit DIB section needs packed pixels.
    int mode = legacyPlatform_ && request_.deviceBitmap ? ColorConverter::kDither15To24 : ColorConverter::kDither15;
    converter_ = ColorConverter::Create(0, mode, length, nullptr);
  } else if (header_->rowDepth > 8 && outputDepth_ == 8) {
    int mode = request_.ditherMode == 2                               ? ColorConverter::kErrorDiffusion
               : request_.ditherMode >= 1 && request_.ditherMode <= 4 ? ColorConverter::kOrderedDither
                                                                      : ColorConverter::kNearest;
    converter_ = ColorConverter::Create(kFixedPaletteColors, mode, length, nullptr);
    if (request_.ditherMode == 3 || request_.ditherMode == 4) {
      quantizer_ = MedianCutQuantizer::Create(kQuantizedColors, request_.ditherMode == 4, outputWidth_);
      if (quantizer_) makeFullColor_ = true;  // pass 1 keeps the image there
    }
  } else if (header_->rowDepth == 8 && request_.fixedPalette && outputDepth_ <= 8) {
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

void OutputPipeline::BuildOutputPalette() {
  outputColorCount_ = 0;
  bitmapHeader_.info.clrUsed = 0;
  if (converter_ && outputDepth_ <= 8) {
    uint8_t rgb[256 * 3];
    outputColorCount_ = converter_->GetPalette(rgb);
    for (int i = 0; i < outputColorCount_; ++i)
      outputPalette_[i] = RgbColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    bitmapHeader_.info.clrUsed = uint32_t(outputColorCount_);
  } else if (header_->gray && header_->bitsCode == 8) {
    // An 8-bit display leaves 20 entries to the system: gray values share 236 levels there.
    int levels = displayDepth_ <= 8 ? kGrayLevelsOn8BitDisplay : 256;
    for (int i = 0; i < levels; ++i) {
      uint8_t level = uint8_t(i * 255 / (levels - 1));
      outputPalette_[i] = RgbColor{level, level, level};
    }
    for (int j = 0; j < 256; ++j) bitmapHeader_.paletteIndex[j] = uint16_t(j * (levels - 1) / 255);
    outputColorCount_ = levels;
    bitmapHeader_.info.clrUsed = 256;
  } else if ((header_->gray && header_->bitsCode < 8) || (header_->bitsCode <= 8 && header_->colorCount > 0)) {
    outputColorCount_ = std::min(header_->colorCount, 256);
    std::copy_n(header_->palette, outputColorCount_, outputPalette_);
    bitmapHeader_.info.clrUsed = uint32_t(outputColorCount_);
  }
}

int OutputPipeline::MakePalette() {
  PaletteHandle made = graphics_->CreatePalette(outputPalette_, outputColorCount_);
  if (!made) return kErrPalette;
  if (memoryDc_) graphics_->SelectContextPalette(memoryDc_, made);
  ownedPalette_ = OwnedPalette(*graphics_, made);
  return kErrNone;
}

int OutputPipeline::MakeBitmaps() {
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
      bitmap_ = OwnedBitmap(*graphics_, graphics_->CreateDeviceBitmap(outputWidth_, outputHeight_));
      if (bitmap_ && !Allocate(deviceRow_, size_t(BitmapStride(outputWidth_, 32)) + 4)) bitmap_.reset();
    } else {
      bitmap_ = OwnedBitmap(*graphics_, graphics_->CreateDibSection(bitmapHeader_, palette(), &bitmapBits_));
      bitmapStride_ = BitmapStride(outputWidth_, outputDepth_);
    }
    if (!bitmap_) return kErrDisplayBitmap;
  }
  if (makeFullColor_) {
    BitmapInfoHeader& info = fullHeader_.info;
    info.width = outputWidth_;
    info.height = request_.bottomUp ? outputHeight_ : -outputHeight_;
    info.planes = 1;
    info.bitCount = uint16_t(fullDepth_);
    info.compression = 0;
    info.clrUsed = fullDepth_ <= 8 ? bitmapHeader_.info.clrUsed : 0;
    fullBitmap_ = OwnedBitmap(*graphics_, graphics_->CreateDibSection(fullHeader_, palette(), &fullBits_));
    if (!fullBitmap_) return kErrFullColorBitmap;
    fullStride_ = BitmapStride(outputWidth_, fullDepth_);
    // The display bitmap's palette is the converter's; the full-colour bitmap holds the source's own
    // indices and so needs the source's colours.
    if (converter_ && fullDepth_ <= 8 && header_->colorCount > 0)
      graphics_->SetColorTable(fullBitmap_.get(), header_->palette, std::min(header_->colorCount, 256));
  }
  return kErrNone;
}

int OutputPipeline::PutRow(const uint8_t* row, int y) {
  if (header_->columnMode) return kErrInvalidState;
  if (!row || y < 0 || y >= outputHeight_) return kRefused;
  if (!shrinkRow_.empty()) {
    ShrinkRow(row, shrinkRow_.data(), header_->sourceRowLength, outputWidth_, header_->rowDepth, header_->gray);
    row = shrinkRow_.data();
  }
  int n = MemoryRow(y);
  if (fullBits_)
    std::memcpy(fullBits_ + fullStride_ * n, row,
                size_t(RowBytes(outputWidth_, std::min(header_->rowDepth, fullDepth_))));
  if (quantizer_ && pass_ == 1) quantizer_->AddRow(row, outputWidth_);
  bool converted = false;
  if (converter_ && converter_->ConvertRow(row, converterRow_.data())) {
    row = converterRow_.data();
    converted = true;
  }
  if (request_.deviceBitmap) {
    if (bitmap_ && !StoreDeviceRow(row, y)) return kErrDeviceRow;
  } else if (bitmapBits_) {
    StoreDisplayRow(row, n, converted);
  }
  return kErrNone;
}

uint8_t* OutputPipeline::RowInPlace(int y) const {
  if (!bitmapBits_ || request_.deviceBitmap || fullBits_ || converter_ || quantizer_ || header_->columnMode ||
      header_->sourceRowLength != outputWidth_ || outputDepth_ != header_->rowDepth || y < 0 || y >= outputHeight_)
    return nullptr;
  return bitmapBits_ + bitmapStride_ * MemoryRow(y);
}

// Never more than the stored row holds, whatever the depths.
void OutputPipeline::StoreDisplayRow(const uint8_t* row, int n, bool converted) {
  uint8_t* target = bitmapBits_ + bitmapStride_ * n;
  size_t room = size_t(bitmapStride_);
  if (converted) {
    std::memcpy(target, row, std::min(room, size_t(outputWidth_) * converter_->OutputBytes()));
  } else if (outputDepth_ == header_->rowDepth) {
    std::memcpy(target, row, std::min(room, size_t(RowBytes(outputWidth_, header_->rowDepth))));
  } else if (header_->rowDepth == 24 && outputDepth_ == 16) {
    for (int x = 0; x < outputWidth_; ++x) {
      uint16_t v = Pack555(row + 3 * x);
      target[2 * x] = uint8_t(v);
      target[2 * x + 1] = uint8_t(v >> 8);
    }
  }
}

bool OutputPipeline::StoreDeviceRow(const uint8_t* row, int y) {
  int bytes = RowBytes(outputWidth_, bitmapHeader_.info.bitCount);
  if (size_t(bytes) > deviceRow_.size()) return false;
  std::memcpy(deviceRow_.data(), row, size_t(bytes));
  bool paletteRelative = palette() && bitmapHeader_.info.bitCount <= 8;
  return graphics_->SetDeviceBitmapRows(memoryDc_, bitmap_.get(), outputHeight_ - 1 - y, 1, deviceRow_.data(),
                                        bitmapHeader_, paletteRelative);
}

int OutputPipeline::PutColumn(int x, const uint8_t* column) {
  if (!header_->columnMode || header_->rowDepth < 8) return kErrInvalidState;
  if (!column || x < 0 || x >= outputWidth_) return kRefused;
  if (!shrinkRow_.empty()) {
    ShrinkRow(column, shrinkRow_.data(), header_->sourceColumnLength, outputHeight_, header_->rowDepth, header_->gray);
    column = shrinkRow_.data();
  }
  int pixelBytes = header_->rowDepth / 8;
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
  return kErrNone;
}

void OutputPipeline::StoreDisplayColumn(const uint8_t* column, int x, bool converted) {
  int bytes = converted ? converter_->OutputBytes() : outputDepth_ == header_->rowDepth ? header_->rowDepth / 8 : 0;
  bool pack = !converted && header_->rowDepth == 24 && outputDepth_ == 16;
  if (bytes == 0 && !pack) return;
  if ((int64_t(x) + 1) * (pack ? 2 : bytes) > bitmapStride_) return;
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

int OutputPipeline::ClearBitmaps() {
  if (bitmapBits_)
    std::memset(bitmapBits_, 0, size_t(bitmapStride_ * outputHeight_));
  else if (bitmap_ && request_.deviceBitmap)
    graphics_->ClearDeviceBitmap(bitmap_.get());
  if (fullBits_) std::memset(fullBits_, 0, size_t(fullStride_ * outputHeight_));
  return kErrNone;
}

// Between the passes: the quantizer's colours become the palette of both bitmaps. Done once, whatever
// the progress reads (a tall image maps its first rows without moving the progress off 5000).
int OutputPipeline::BeginSecondPass() {
  quantizer_->ChooseColors();
  uint8_t rgb[256 * 3];
  outputColorCount_ = quantizer_->GetPalette(rgb);
  for (int i = 0; i < outputColorCount_; ++i) outputPalette_[i] = RgbColor{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  for (int i = 0; i < 256; ++i) bitmapHeader_.paletteIndex[i] = uint16_t(i);
  if (int error = MakePalette()) return error;
  if (!request_.deviceBitmap) {
    if (bitmap_) graphics_->SetColorTable(bitmap_.get(), outputPalette_, outputColorCount_);
    if (fullBitmap_ && fullDepth_ <= 8) graphics_->SetColorTable(fullBitmap_.get(), outputPalette_, outputColorCount_);
  }
  colorsChosen_ = true;
  return kErrNone;
}

bool OutputPipeline::EndFirstPass() {
  if (!quantizer_) return false;
  pass_ = 2;
  return true;
}

int OutputPipeline::MapRows(int rows, int* mapped) {
  *mapped = pass2Rows_;
  if (!colorsChosen_) {
    if (int error = BeginSecondPass()) return error;
  }
  if (!fullBits_) return kErrInvalidState;
  int end = std::min(outputHeight_, pass2Rows_ + std::max(rows, 0));
  for (; pass2Rows_ < end; ++pass2Rows_) {
    int n = MemoryRow(pass2Rows_);
    const uint8_t* source = fullBits_ + fullStride_ * n;
    if (request_.deviceBitmap) {
      quantizer_->MapRow(source, converterRow_.data(), outputWidth_);
      if (bitmap_ && !StoreDeviceRow(converterRow_.data(), pass2Rows_)) return kErrDeviceRow;
    } else if (bitmapBits_) {
      quantizer_->MapRow(source, bitmapBits_ + bitmapStride_ * n, outputWidth_);
    }
  }
  *mapped = pass2Rows_;
  return kErrNone;
}

}  // namespace lumetta
