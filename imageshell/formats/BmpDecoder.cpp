#include "formats/BmpDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 65000;

// Windows' longest info header is 124 bytes; room is left for longer ones, but a size in the
// thousands is a broken file rather than a header.
constexpr uint32_t kMaxInfoHeader = 1024;
// Where the info header's own masks start (red, green, blue, then alpha) when it is long enough to
// hold them (52 bytes and up); a 40-byte header has them right after it, at the same place.
constexpr int64_t kHeaderMasks = 14 + 40;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Header

bool ParseBmpHeader(const ByteReader& b, BmpHeader* header) {
  if (!(b.Equals(0, "BM") || b.Equals(0, "MB")) || !b.Has(0, 18)) return false;
  BmpHeader h;
  h.pixelOffset = b.Le32(10);
  h.headerSize = b.Le32(14);
  if (h.headerSize == 12) {
    if (!b.Has(14, 12)) return false;
    // OS/2's core header: unsigned 16-bit sizes, never compressed.
    h.width = int32_t(b.Le16(18));
    h.height = int32_t(b.Le16(20));
    h.bitCount = uint16_t(b.Le16(24));
  } else if (h.headerSize >= 40 && h.headerSize <= kMaxInfoHeader) {
    // 64 bytes is OS/2's second header; any other size from 40 up is Windows' header grown by later
    // fields (masks, colour space, profile), of which the first 40 bytes and the masks are read.
    if (!b.Has(14, 40)) return false;
    h.width = int32_t(b.Le32(18));
    h.height = int32_t(b.Le32(22));
    h.bitCount = uint16_t(b.Le16(28));
    h.compression = b.Le32(30);
    h.colorsUsed = b.Le32(46);
  } else {
    return false;
  }
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 15:
    case 16:
    case 24:
    case 32: break;
    default: return false;
  }
  *header = h;
  return true;
}

bool SniffBmp(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  BmpHeader header;
  if (b.size() < 54 || !ParseBmpHeader(b, &header)) return false;
  if (header.compression > kBitFields && !(header.compression == kAlphaBitFields && header.headerSize != 64))
    return false;
  *out = MakeDetected(ImageKind::Bmp, header.width, header.height, header.bitCount);
  return true;
}

bool BmpDecoder::ReadHeader(ImageHeader& header) {
  uint8_t bytes[14 + 40] = {};
  uint32_t got = 0;
  ReadSource(bytes, sizeof bytes, &got);
  if (!ParseBmpHeader(ByteReader(bytes, got), &file_) || !CheckHeader() || !ChooseRowFormat(header))
    return SetError(kErrFormat);

  header.kind = ImageKind::Bmp;
  width_ = file_.width;
  topDown_ = file_.height < 0;
  height_ = int(topDown_ ? -int64_t(file_.height) : file_.height);
  header.width = width_;
  header.height = height_;
  header.bitsCode = file_.bitCount;
  header.gray = false;
  header.colorCount = file_.bitCount <= 8 ? (file_.colorsUsed != 0 ? int(std::min<uint32_t>(file_.colorsUsed, 256))
                                                                   : 1 << file_.bitCount)
                                          : 0;
  header.sourceRowLength = width_;

  if (file_.bitCount <= 8 && !ReadColorTable(header)) return false;
  if (bitFields_ && !ReadMasks()) return false;
  // Pixel data that starts at or past the end cannot be reached: refused before anything is made.
  if (int64_t(file_.pixelOffset) >= SourceLength()) return SetError(kErrPixelData);
  return SetError(kErrNone);
}

// What the decoder adds to the parser's rules: a compression that fits the depth, and sizes within
// the limits.
bool BmpDecoder::CheckHeader() {
  uint16_t bits = file_.bitCount;
  uint32_t compression = file_.compression;
  // Each compression belongs to one depth: RLE8 to 8 bits, RLE4 to 4 bits, bit fields (with or without
  // an alpha mask) to 16 and 32 bits of the Windows headers (in OS/2's 64-byte form the same value
  // names a codec that is not read here).
  bitFields_ = (compression == kBitFields || compression == kAlphaBitFields) && file_.headerSize != 64 &&
               (bits == 16 || bits == 32);
  bool compressionFits =
      compression == 0 || (compression == 1 && bits == 8) || (compression == 2 && bits == 4) || bitFields_;
  if (!compressionFits) return SetError(kErrFormat);
  compressed_ = compression == 1 || compression == 2;

  if (file_.width <= 0 || file_.height == 0) return SetError(kErrFormat);
  int64_t rows = file_.height < 0 ? -int64_t(file_.height) : file_.height;
  return AcceptImageSize(file_.width, rows, bits < 8 ? 8 : bits);
}

bool BmpDecoder::ChooseRowFormat(ImageHeader& header) {
  int& rowDepth = header.rowDepth;
  switch (file_.bitCount) {
    case 1:
      format_ = RowFormat::Bits1;
      rowDepth = 8;
      break;
    case 4:
      format_ = compressed_ ? RowFormat::Rle4 : RowFormat::Bits4;
      rowDepth = 8;
      break;
    case 8:
      format_ = compressed_ ? RowFormat::Rle8 : RowFormat::Bits8;
      rowDepth = 8;
      break;
    case 15:
    case 16:
      format_ = bitFields_ ? RowFormat::Masked16 : RowFormat::Rgb555;
      rowDepth = 24;
      break;
    case 24:
      format_ = RowFormat::Rgb24;
      rowDepth = 24;
      break;
    case 32:
      format_ = bitFields_ ? RowFormat::Masked32 : RowFormat::Rgb32;
      rowDepth = 24;
      break;
    default: return SetError(kErrFormat);
  }
  return true;
}

bool BmpDecoder::ReadColorTable(ImageHeader& header) {
  if (!SeekSource(14 + int64_t(file_.headerSize), 0, nullptr)) return SetError(kErrFormat);
  int entrySize = file_.headerSize == 12 ? 3 : 4;
  // Short tables are common (OS/2 files above all): when the pixel data starts sooner than the full
  // table would end, the table ends there and the missing entries stay black.
  int entries = header.colorCount;
  int64_t tableStart = 14 + int64_t(file_.headerSize);
  if (file_.pixelOffset >= tableStart)
    entries = int(std::min<int64_t>(entries, (file_.pixelOffset - tableStart) / entrySize));
  uint8_t table[256 * 4];
  uint32_t bytes = uint32_t(entries * entrySize);
  uint32_t got = 0;
  ReadSource(table, bytes, &got);
  if (got < bytes) return SetError(kErrFormat);
  for (int i = 0; i < entries; ++i) {
    const uint8_t* entry = table + i * entrySize;
    header.palette[i] = RgbColor{entry[2], entry[1], entry[0]};
  }
  return SetError(kErrNone);
}

// The masks are the header's own fields when it has room for them, else they follow it; the alpha
// mask, when there is one, is never needed: alpha is dropped.
bool BmpDecoder::ReadMasks() {
  int64_t at = file_.headerSize >= 52 ? kHeaderMasks : 14 + int64_t(file_.headerSize);
  if (!SeekSource(at, 0, nullptr)) return SetError(kErrFormat);
  uint8_t masks[12];
  uint32_t got = 0;
  ReadSource(masks, sizeof masks, &got);
  if (got < sizeof masks) return SetError(kErrFormat);
  // Stored red, green, blue; kept blue, green, red like the pixels.
  ByteReader fields(masks, sizeof masks);
  uint32_t values[3] = {fields.Le32(8), fields.Le32(4), fields.Le32(0)};
  for (int c = 0; c < 3; ++c) {
    Channel& channel = channels_[c];
    channel = Channel{};
    uint32_t mask = values[c];
    if (file_.bitCount == 16) mask &= 0xFFFF;
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

bool BmpDecoder::BeginRows() {
  int bitsPerPixel = file_.bitCount == 15 ? 16 : file_.bitCount;
  stride_ = (int64_t(width_) * bitsPerPixel + 7) / 8;
  stride_ = (stride_ + 3) / 4 * 4;
  size_t capacity =
      compressed_ ? kReadChunk : std::max<size_t>(size_t(stride_), kReadChunk / size_t(stride_) * size_t(stride_));
  if (!AllocateCounted(int64_t(capacity) + int64_t(width_) * 4 + 256, kErrDisplayBitmap, [&] {
        readBuffer_.assign(capacity, 0);
        rowBuffer_.assign(size_t(width_) * 4 + 256, 0);
      }))
    return false;
  fill_ = position_ = 0;
  endOfData_ = false;
  rleStartX_ = rleBlankRows_ = 0;
  rleEnded_ = false;
  rleOffset_ = 0;
  if (!SeekSource(file_.pixelOffset, 0, nullptr)) return SetError(kErrPixelData);
  return SetError(kErrNone);
}

bool BmpDecoder::FinishImage() {
  fill_ = position_ = 0;
  std::vector<uint8_t>().swap(readBuffer_);
  std::vector<uint8_t>().swap(rowBuffer_);
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
  if (GetLastError() == kErrRead || GetLastError() == kErrSeek) return false;
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

bool BmpDecoder::SkipSourceRow() {
  if (compressed_) return ReadSourceRow() != nullptr;
  return TakeBytes(size_t(stride_)) != nullptr;
}

const uint8_t* BmpDecoder::ReadSourceRow() {
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
    uint32_t v = bytesPerPixel == 2
                     ? uint32_t(source[0] | source[1] << 8)
                     : uint32_t(source[0] | source[1] << 8 | source[2] << 16 | uint32_t(source[3]) << 24);
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
