#include "BmpDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 65000;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool AllocateBytes(std::vector<uint8_t>& buffer, size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Header

bool BmpDecoder::ReadHeader() {
  uint8_t fileHeader[14];
  uint32_t got = 0;
  ReadSource(fileHeader, sizeof fileHeader, &got);
  if (got < sizeof fileHeader) return SetError(kErrFormat);
  if (!((fileHeader[0] == 'B' && fileHeader[1] == 'M') || (fileHeader[0] == 'M' && fileHeader[1] == 'B')))
    return SetError(kErrFormat);
  pixelOffset_ = U32(fileHeader + 10);

  if (!ReadInfoHeader() || !ChooseRowFormat()) return false;

  kind_ = ImageKind::Bmp;
  width_ = infoWidth_;
  topDown_ = infoHeight_ < 0;
  height_ = int(topDown_ ? -int64_t(infoHeight_) : infoHeight_);
  bitsCode_ = bitCount_;
  gray_ = false;
  colorCount_ = bitCount_ <= 8 ? (colorsUsed_ != 0 ? int(std::min<uint32_t>(colorsUsed_, 256)) : 1 << bitCount_) : 0;
  sourceRowLength_ = width_;

  if (bitCount_ <= 8 && !ReadColorTable()) return false;
  if (compression_ == 3 && !ReadMasks()) return false;
  return SetError(kErrNone);
}

bool BmpDecoder::ReadInfoHeader() {
  uint8_t info[40] = {};
  uint32_t got = 0;
  ReadSource(info, sizeof info, &got);
  if (got < 4) return SetError(kErrFormat);
  headerSize_ = U32(info);
  if (headerSize_ == 12) {
    if (got < 12) return SetError(kErrFormat);
    // OS/2's core header: unsigned 16-bit sizes, never compressed.
    infoWidth_ = U16(info + 4);
    infoHeight_ = U16(info + 6);
    bitCount_ = U16(info + 10);
    compression_ = 0;
    colorsUsed_ = 0;
    shortOrOs2Header_ = true;
  } else if (headerSize_ == 40 || headerSize_ == 64) {
    if (got < 40) return SetError(kErrFormat);
    infoWidth_ = int32_t(U32(info + 4));
    infoHeight_ = int32_t(U32(info + 8));
    bitCount_ = U16(info + 14);
    compression_ = U32(info + 16);
    colorsUsed_ = U32(info + 32);
    shortOrOs2Header_ = headerSize_ == 64;
  } else {
    return SetError(kErrFormat);
  }

  switch (bitCount_) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32: break;
    default: return SetError(kErrFormat);
  }
  // Each compression belongs to one depth: RLE8 to 8 bits, RLE4 to 4 bits, bit fields to 16 and 32 bits
  // of the 40-byte header (in the 64-byte form the same value names a codec that is not read here).
  bool compressionFits = compression_ == 0 || (compression_ == 1 && bitCount_ == 8) ||
                         (compression_ == 2 && bitCount_ == 4) ||
                         (compression_ == 3 && headerSize_ == 40 && (bitCount_ == 16 || bitCount_ == 32));
  if (!compressionFits) return SetError(kErrFormat);
  compressed_ = compression_ == 1 || compression_ == 2;

  if (infoWidth_ <= 0 || infoHeight_ == 0) return SetError(kErrFormat);
  int64_t rows = infoHeight_ < 0 ? -int64_t(infoHeight_) : infoHeight_;
  return AcceptImageSize(infoWidth_, rows, bitCount_ < 8 ? 8 : bitCount_);
}

bool BmpDecoder::ChooseRowFormat() {
  switch (bitCount_) {
    case 1: format_ = RowFormat::Bits1; rowDepth_ = 8; break;
    case 4: format_ = compressed_ ? RowFormat::Rle4 : RowFormat::Bits4; rowDepth_ = 8; break;
    case 8: format_ = compressed_ ? RowFormat::Rle8 : RowFormat::Bits8; rowDepth_ = 8; break;
    case 15:
    case 16: format_ = compression_ == 3 ? RowFormat::Masked16 : RowFormat::Rgb555; rowDepth_ = 24; break;
    case 24: format_ = RowFormat::Rgb24; rowDepth_ = 24; break;
    case 32: format_ = compression_ == 3 ? RowFormat::Masked32 : RowFormat::Rgb32; rowDepth_ = 24; break;
    default: return SetError(kErrFormat);
  }
  return true;
}

bool BmpDecoder::ReadColorTable() {
  if (!SeekSource(14 + int64_t(headerSize_), 0, nullptr)) return SetError(kErrFormat);
  int entrySize = headerSize_ == 12 ? 3 : 4;
  // Short tables are common (OS/2 files above all): when the pixel data starts sooner than the full
  // table would end, the table ends there and the missing entries stay black.
  int entries = colorCount_;
  int64_t tableStart = 14 + int64_t(headerSize_);
  if (pixelOffset_ >= tableStart) entries = int(std::min<int64_t>(entries, (pixelOffset_ - tableStart) / entrySize));
  uint8_t table[256 * 4];
  uint32_t bytes = uint32_t(entries * entrySize);
  uint32_t got = 0;
  ReadSource(table, bytes, &got);
  if (got < bytes) return SetError(kErrFormat);
  for (int i = 0; i < entries; ++i) {
    const uint8_t* entry = table + i * entrySize;
    sourcePalette_[i] = RgbColor{entry[2], entry[1], entry[0]};
  }
  return SetError(kErrNone);
}

bool BmpDecoder::ReadMasks() {
  if (!SeekSource(14 + int64_t(headerSize_), 0, nullptr)) return SetError(kErrFormat);
  uint8_t masks[12];
  uint32_t got = 0;
  ReadSource(masks, sizeof masks, &got);
  if (got < sizeof masks) return SetError(kErrFormat);
  // Stored red, green, blue; kept blue, green, red like the pixels.
  uint32_t values[3] = {U32(masks + 8), U32(masks + 4), U32(masks)};
  for (int c = 0; c < 3; ++c) {
    Channel& channel = channels_[c];
    channel = Channel{};
    uint32_t mask = values[c];
    if (bitCount_ == 16) mask &= 0xFFFF;
    if (mask == 0) continue;
    channel.mask = mask;
    while (!((mask >> channel.shift) & 1)) ++channel.shift;
    int highest = 31;
    while (!((mask >> highest) & 1)) --highest;
    channel.width = highest - channel.shift + 1;
  }
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Decoding

bool BmpDecoder::BeginImageHook() {
  int bitsPerPixel = bitCount_ == 15 ? 16 : bitCount_;
  stride_ = (int64_t(width_) * bitsPerPixel + 7) / 8;
  stride_ = (stride_ + 3) / 4 * 4;
  size_t capacity = compressed_ ? kReadChunk
                                : std::max<size_t>(size_t(stride_), kReadChunk / size_t(stride_) * size_t(stride_));
  if (!AllocateBytes(readBuffer_, capacity) || !AllocateBytes(rowBuffer_, size_t(width_) * 4 + 256))
    return SetError(kErrDisplayBitmap);
  fill_ = position_ = 0;
  endOfData_ = false;
  rowsDone_ = 0;
  accumulator_ = 0;
  rleStartX_ = rleBlankRows_ = 0;
  rleEnded_ = false;
  rleOffset_ = 0;
  if (!SeekSource(pixelOffset_, 0, nullptr)) return SetError(kErrPixelData);
  return SetError(kErrNone);
}

bool BmpDecoder::FinishImage() {
  rowsDone_ = 0;
  accumulator_ = 0;
  fill_ = position_ = 0;
  std::vector<uint8_t>().swap(readBuffer_);
  std::vector<uint8_t>().swap(rowBuffer_);
  return SetError(kErrNone);
}

bool BmpDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  if (rowsDone_ >= outputHeight_) return SetError(kErrInvalidState);
  int count = std::clamp(rows, 0, outputHeight_ - rowsDone_);
  if (rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = topDown_ ? ImageRect{0, rowsDone_, outputWidth_, rowsDone_ + count}
                             : ImageRect{0, outputHeight_ - rowsDone_ - count, outputWidth_, outputHeight_ - rowsDone_};
  }
  for (int i = 0; i < count; ++i) {
    const uint8_t* row = nullptr;
    while (accumulator_ < height_) {
      // Only the last row read becomes the output row; the others are passed over unconverted.
      bool delivered = accumulator_ + outputHeight_ >= height_;
      if (delivered) {
        row = ReadRow();
        if (!row) return SetError(lastError_ == kErrRead ? kErrRead : kErrRow);
      } else if (!SkipRow()) {
        return SetError(lastError_ == kErrRead ? kErrRead : kErrRow);
      }
      accumulator_ += outputHeight_;
    }
    accumulator_ -= height_;
    int y = topDown_ ? rowsDone_ : outputHeight_ - 1 - rowsDone_;
    if (!PutRow(row, y)) return false;
    ++rowsDone_;
  }
  progress_ = MulDiv(rowsDone_, kProgressComplete, outputHeight_);
  decodedRect_ = topDown_ ? ImageRect{0, 0, outputWidth_, rowsDone_}
                          : ImageRect{0, outputHeight_ - rowsDone_, outputWidth_, outputHeight_};
  if (rowsDone_ >= outputHeight_) EndOfImage();
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Buffered reading

// Reads the next chunk behind the `keep` bytes not yet consumed. False on a read error; at the end of
// the data the buffer simply stays short.
bool BmpDecoder::Refill(size_t keep) {
  if (keep > 0 && position_ > 0) std::memmove(readBuffer_.data(), readBuffer_.data() + position_, keep);
  position_ = 0;
  fill_ = keep;
  if (endOfData_) return true;
  uint32_t got = 0;
  ReadSource(readBuffer_.data() + keep, uint32_t(readBuffer_.size() - keep), &got);
  if (lastError_ == kErrRead || lastError_ == kErrSeek) return false;
  if (got == 0) endOfData_ = true;
  fill_ += got;
  return true;
}

const uint8_t* BmpDecoder::TakeBytes(size_t count) {
  while (fill_ - position_ < count) {
    size_t before = fill_ - position_;
    if (!Refill(before)) return nullptr;
    if (fill_ - position_ == before && endOfData_) return nullptr;
  }
  const uint8_t* bytes = readBuffer_.data() + position_;
  position_ += count;
  return bytes;
}

int BmpDecoder::ReadByte() {
  if (position_ >= fill_ && (!Refill(0) || fill_ == 0)) return -1;
  ++rleOffset_;
  return readBuffer_[position_++];
}

// ---------------------------------------------------------------------------------------------------
// Row readers

bool BmpDecoder::SkipRow() {
  if (compressed_) return ReadRow() != nullptr;
  return TakeBytes(size_t(stride_)) != nullptr;
}

const uint8_t* BmpDecoder::ReadRow() {
  if (format_ == RowFormat::Rle8) return ReadRleRow(false);
  if (format_ == RowFormat::Rle4) return ReadRleRow(true);
  const uint8_t* source = TakeBytes(size_t(stride_));
  if (!source) return nullptr;
  uint8_t* row = rowBuffer_.data();
  switch (format_) {
    case RowFormat::Bits1: Unpack1To8(source, row, width_); return row;
    case RowFormat::Bits4: Unpack4To8(source, row, width_); return row;
    case RowFormat::Bits8:
    case RowFormat::Rgb24: return source;
    case RowFormat::Rgb555: Unpack555To24(source, row, width_); return row;
    case RowFormat::Rgb32:
      for (int x = 0; x < width_; ++x) std::memcpy(row + 3 * x, source + 4 * x, 3);
      return row;
    case RowFormat::Masked16: UnpackMaskedRow(source, 2); return row;
    case RowFormat::Masked32: UnpackMaskedRow(source, 4); return row;
    default: return nullptr;
  }
}

// Each channel is cut out by its mask and brought to 8 bits: wider fields keep their top 8 bits,
// narrower ones are shifted up (a 5-6-5 file reads exactly as the shared 5-6-5 unpacker reads it).
void BmpDecoder::UnpackMaskedRow(const uint8_t* source, int bytesPerPixel) {
  uint8_t* row = rowBuffer_.data();
  for (int x = 0; x < width_; ++x, source += bytesPerPixel) {
    uint32_t v = bytesPerPixel == 2 ? U16(source) : U32(source);
    for (int c = 0; c < 3; ++c) {
      const Channel& channel = channels_[c];
      uint32_t field = (v & channel.mask) >> channel.shift;
      row[3 * x + c] = uint8_t(channel.width >= 8 ? field >> (channel.width - 8) : field << (8 - channel.width));
    }
  }
}

// One output row of RLE8 or RLE4 data. Pixels that the data does not reach stay index 0: the rest of
// a row ended early, the pixels and rows a delta jumps over, and every row after the end of the
// bitmap. RLE8 refuses a run or literal that would pass the row's end; RLE4 clips it.
const uint8_t* BmpDecoder::ReadRleRow(bool fourBits) {
  uint8_t* row = rowBuffer_.data();
  std::memset(row, 0, size_t(width_));
  if (rleEnded_) return row;
  if (rleBlankRows_ > 0) {
    --rleBlankRows_;
    return row;
  }
  int x = rleStartX_;
  rleStartX_ = 0;
  auto refuse = [this]() -> const uint8_t* {
    SetError(kErrRow);
    return nullptr;
  };
  for (;;) {
    int count = ReadByte();
    int value = ReadByte();
    if (count < 0 || value < 0) return nullptr;
    if (count > 0) {
      if (fourBits) {
        for (int i = 0; i < count && x < width_; ++i) row[x++] = uint8_t(i % 2 ? value & 0x0F : value >> 4);
      } else {
        if (x + count > width_) return refuse();
        std::memset(row + x, value, size_t(count));
        x += count;
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        return row;
      case 1:  // end of bitmap
        rleEnded_ = true;
        return row;
      case 2: {  // delta: right by dx, down by dy
        int dx = ReadByte();
        int dy = ReadByte();
        if (dx < 0 || dy < 0) return nullptr;
        x = std::min(x + dx, width_);
        if (dy > 0) {
          rleBlankRows_ = dy - 1;
          rleStartX_ = x;
          return row;
        }
        break;
      }
      default: {  // literal run of `value` pixels
        int n = value;
        if (fourBits) {
          int bytes = (n + 1) / 2;
          const uint8_t* data = nullptr;
          uint8_t packed[128];
          for (int i = 0; i < bytes; ++i) {
            int b = ReadByte();
            if (b < 0) return nullptr;
            packed[i] = uint8_t(b);
          }
          data = packed;
          for (int i = 0; i < n && x < width_; ++i) row[x++] = uint8_t(i % 2 ? data[i / 2] & 0x0F : data[i / 2] >> 4);
          if (rleOffset_ & 1 && ReadByte() < 0) return nullptr;
        } else {
          if (x + n > width_) return refuse();
          for (int i = 0; i < n; ++i) {
            int b = ReadByte();
            if (b < 0) return nullptr;
            row[x++] = uint8_t(b);
          }
          if (n & 1 && ReadByte() < 0) return nullptr;
        }
        break;
      }
    }
  }
}

}  // namespace lumetta
