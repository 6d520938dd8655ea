#include "formats/IffDecoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 60000;
constexpr uint32_t kModeHam = 0x800;
constexpr uint32_t kModeHalfBrite = 0x80;

// Byte k of entry b is bit 7 - k of b: the eight pixels of one plane byte, leftmost first.
struct BitSpread {
  uint64_t bytes[256];
  constexpr BitSpread() : bytes() {
    for (int b = 0; b < 256; ++b)
      for (int k = 0; k < 8; ++k) bytes[b] |= uint64_t((b >> (7 - k)) & 1) << (8 * k);
  }
};
constexpr BitSpread kSpread;

// out[x * stride] = the bits of pixel x in planes first .. first + count - 1, plane first + j giving
// bit j. Eight pixels at a time: a plane byte spreads into one bit of eight bytes.
void GatherPlanes(const uint8_t* planes, size_t planeRowBytes, int first, int count, int width, uint8_t* out,
                  size_t stride) {
  for (int x0 = 0; x0 < width; x0 += 8) {
    uint64_t pixels = 0;
    size_t byte = size_t(x0 >> 3);
    for (int j = 0; j < count; ++j) pixels |= kSpread.bytes[planes[size_t(first + j) * planeRowBytes + byte]] << j;
    int n = std::min(8, width - x0);
    for (int k = 0; k < n; ++k) out[size_t(x0 + k) * stride] = uint8_t(pixels >> (8 * k));
  }
}

}  // namespace

bool SniffIff(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (b.size() < 36 || !b.Equals(0, "FORM") || !(b.Equals(8, "ILBM") || b.Equals(8, "PBM "))) return false;
  bool sawCamg = false, found = false;
  uint32_t camg = 0;
  int64_t width = 0, height = 0;
  int planes = 0;
  size_t at = 12;
  while (b.Has(at, 8)) {
    uint32_t length = b.Be32(at + 4);
    if (b.Equals(at, "CAMG") && b.Has(at + 8, 4)) {
      camg = b.Be32(at + 8);
      sawCamg = true;
    }
    if (!found && b.Equals(at, "BMHD")) {
      if (length < 20 || !b.Has(at + 8, 20)) return false;
      width = b.Be16(at + 8);
      height = b.Be16(at + 10);
      planes = b.U8(at + 16);
      found = true;
      // Six or eight planes may be HAM: that is told by a CAMG chunk, which may still come.
      if (!((planes == 6 || planes == 8) && !sawCamg)) break;
    }
    if (found && b.Equals(at, "BODY")) break;
    if (found && sawCamg) break;
    uint64_t next = uint64_t(at) + 8 + length + (length & 1);
    if (next > b.size()) break;
    at = size_t(next);
  }
  if (!found) return false;
  int bits = planes;
  if (camg & kModeHam) {
    if (planes == 6)
      bits = 12;
    else if (planes == 8)
      bits = 18;
  }
  *out = MakeDetected(ImageKind::Iff, width, height, bits);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Header: the chunk walk up to the pixels

bool IffDecoder::ReadHeader(ImageHeader& header) {
  uint8_t form[12];
  uint32_t got = 0;
  ReadSource(form, sizeof form, &got);
  ByteReader f(form, got);
  if (!f.Equals(0, "FORM") || !(f.Equals(8, "ILBM") || f.Equals(8, "PBM "))) return SetError(kErrFormat);
  chunky_ = f.Equals(8, "PBM ");
  viewMode_ = 0;
  bool haveBitmapHeader = false;
  for (;;) {
    uint8_t chunk[8];
    ReadSource(chunk, sizeof chunk, &got);
    if (got < sizeof chunk) return SetError(kErrFormat);
    ByteReader c(chunk, sizeof chunk);
    uint32_t length = c.Be32(4);
    int64_t rest = int64_t(length) + (length & 1);  // odd chunks are padded
    if (c.Equals(0, "BMHD")) {
      if (length < 20 || !ReadBitmapHeader(header, length)) return SetError(kErrFormat);
      haveBitmapHeader = true;
      rest -= 20;
    } else if (c.Equals(0, "CMAP")) {
      uint8_t colours[768];
      uint32_t bytes = std::min<uint32_t>(length, sizeof colours) / 3 * 3;
      ReadSource(colours, bytes, &got);
      if (got < bytes) return SetError(kErrFormat);
      header.colorCount = int(bytes / 3);
      for (uint32_t i = 0; i < bytes / 3; ++i)
        header.palette[i] = RgbColor{colours[3 * i], colours[3 * i + 1], colours[3 * i + 2]};
      rest -= bytes;
    } else if (c.Equals(0, "CAMG") && length >= 4) {
      uint8_t mode[4];
      ReadSource(mode, sizeof mode, &got);
      if (got < sizeof mode) return SetError(kErrFormat);
      viewMode_ = ByteReader(mode, 4).Be32(0);
      rest -= 4;
    } else if (c.Equals(0, "BODY")) {
      break;
    }
    if (!SeekSource(rest, 1, nullptr)) return SetError(kErrFormat);
  }
  if (!haveBitmapHeader) return SetError(kErrFormat);

  ham_ = (viewMode_ & kModeHam) != 0;
  if (ham_) {
    if (chunky_ || (planes_ != 6 && planes_ != 8)) return SetError(kErrFormat);
    header.bitsCode = planes_ == 6 ? 12 : 18;
    header.rowDepth = 24;
    header.colorCount = 0;  // the rows are true colour; the palette only seeds them
  } else if ((viewMode_ & kModeHalfBrite) && header.colorCount <= 128 && planes_ <= 8) {
    int count = header.colorCount;
    for (int i = 0; i < count; ++i) {
      const RgbColor& c = header.palette[i];
      header.palette[count + i] = RgbColor{uint8_t(c.red >> 1), uint8_t(c.green >> 1), uint8_t(c.blue >> 1)};
    }
    header.colorCount = 2 * count;
  }
  std::copy(std::begin(header.palette), std::end(header.palette), palette_);
  if (!AcceptImageSize(header.width, header.height, header.rowDepth)) return false;
  return SetError(kErrNone);
}

bool IffDecoder::ReadBitmapHeader(ImageHeader& header, uint32_t length) {
  uint8_t bytes[20];
  uint32_t got = 0;
  ReadSource(bytes, sizeof bytes, &got);
  if (got < sizeof bytes || length < 20) return false;
  ByteReader b(bytes, sizeof bytes);
  width_ = int(b.Be16(0));
  int height = int(b.Be16(2));
  planes_ = b.U8(8);
  masking_ = b.U8(9);
  compression_ = b.U8(10);
  if (compression_ > 1 || masking_ >= 4) return false;
  // Chunky pictures hold a byte a pixel; planar ones 1 to 8 planes of indexes or 24 of colour.
  if (chunky_ ? planes_ != 8 : !((planes_ >= 1 && planes_ <= 8) || planes_ == 24)) return false;
  header.kind = ImageKind::Iff;
  header.width = width_;
  header.height = height;
  header.bitsCode = planes_;
  header.gray = false;
  header.colorCount = planes_ == 24 ? 0 : 1 << planes_;
  header.rowDepth = planes_ == 1 ? 1 : planes_ == 24 ? 24 : 8;
  header.sourceRowLength = width_;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Rows

bool IffDecoder::BeginRows() {
  planeRowBytes_ = (size_t(width_) + 15) / 16 * 2;
  sourceRowSize_ = chunky_ ? (size_t(width_) + 1) / 2 * 2 : planeRowBytes_ * size_t(planes_ + (masking_ == 1));
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* got) {
    ReadSource(buffer, count, got);
    return GetLastError();
  };
  // Hold-and-modify and 24 planes widen each row to 3 bytes a pixel.
  if (!AllocateCounted(int64_t(kReadChunk + sourceRowSize_) + int64_t(width_) * (ham_ ? 4 : 3), kErrDisplayBitmap, [&] {
        input_.Allocate(kReadChunk, reader);
        source_.assign(sourceRowSize_, 0);
        row_.assign(size_t(width_) * 3, 0);
        pixelValues_.assign(ham_ ? size_t(width_) : 0, 0);
      }))
    return false;
  return SetError(kErrNone);
}

bool IffDecoder::FinishImage() {
  input_.Free();
  std::vector<uint8_t>().swap(source_);
  std::vector<uint8_t>().swap(row_);
  std::vector<uint8_t>().swap(pixelValues_);
  return SetError(kErrNone);
}

// One source row, plain or ByteRun1-coded. A run that would grow the row past its size is refused.
// The control value -128 does nothing, as the format's publishers define it.
bool IffDecoder::ReadSourceBytes() {
  auto fail = [this] { return SetError(input_.failed() ? kErrRead : kErrRow); };
  uint8_t* out = source_.data();
  const size_t size = sourceRowSize_;
  if (compression_ == 0) return input_.Read(out, size) || fail();
  size_t at = 0;
  while (at < size) {
    int control = input_.Byte();
    if (control < 0) return fail();
    int n = int(int8_t(control));
    if (n >= 0) {
      if (size_t(n) + 1 > size - at || !input_.Read(out + at, size_t(n) + 1)) return fail();
      at += size_t(n) + 1;
    } else if (n != -128) {
      int value = input_.Byte();
      if (value < 0 || size_t(1 - n) > size - at) return fail();
      std::memset(out + at, value, size_t(1 - n));
      at += size_t(1 - n);
    }
  }
  return true;
}

bool IffDecoder::SkipSourceRow() { return ReadSourceBytes(); }

const uint8_t* IffDecoder::ReadSourceRow() {
  if (!ReadSourceBytes()) return nullptr;
  if (chunky_ || planes_ == 1) return source_.data();
  uint8_t* row = row_.data();
  if (ham_)
    HoldAndModify(row);
  else if (planes_ == 24)
    PlanarToRgb(row);
  else
    PlanarToChunky(row);
  return row;
}

// Plane j gives bit j of a pixel's index; the leftmost pixel is the top bit of a plane row's first byte.
void IffDecoder::PlanarToChunky(uint8_t* row) const {
  GatherPlanes(source_.data(), planeRowBytes_, 0, planes_, width_, row, 1);
}

// Planes 0-7 make red, 8-15 green and 16-23 blue; rows hold blue, green, red.
void IffDecoder::PlanarToRgb(uint8_t* row) const {
  for (int channel = 0; channel < 3; ++channel)
    GatherPlanes(source_.data(), planeRowBytes_, 8 * channel, 8, width_, row + (2 - channel), 3);
}

// Each pixel either takes a palette colour or changes one channel of the pixel to its left; a row
// starts from black.
void IffDecoder::HoldAndModify(uint8_t* row) {
  const int dataBits = planes_ - 2;
  const int shift = 8 - dataBits;
  uint8_t* values = pixelValues_.data();
  GatherPlanes(source_.data(), planeRowBytes_, 0, planes_, width_, values, 1);
  uint8_t red = 0, green = 0, blue = 0;
  for (int x = 0; x < width_; ++x) {
    int value = values[x];
    int data = value & ((1 << dataBits) - 1);
    switch (value >> dataBits) {
      case 0: red = palette_[data].red, green = palette_[data].green, blue = palette_[data].blue; break;
      case 1: blue = uint8_t(data << shift); break;
      case 2: red = uint8_t(data << shift); break;
      default: green = uint8_t(data << shift); break;
    }
    row[3 * x] = blue;
    row[3 * x + 1] = green;
    row[3 * x + 2] = red;
  }
}

}  // namespace lumetta
