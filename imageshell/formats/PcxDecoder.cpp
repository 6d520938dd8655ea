#include "formats/PcxDecoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 32 * 1024;
constexpr int kMaxDcxPages = 1024;
constexpr int kTrailerSize = 769;  // the marker 12 and 256 colours
constexpr uint8_t kTrailerMarker = 12;

// Version 3 files carry no palette: they show in the display adapter's sixteen standard colours.
constexpr RgbColor kStandard16[16] = {
    {0, 0, 0},     {0, 0, 170},     {0, 170, 0},    {0, 170, 170},   {170, 0, 0},   {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85},   {85, 85, 255},   {85, 255, 85}, {85, 255, 255},
    {255, 85, 85}, {255, 85, 255},  {255, 255, 85}, {255, 255, 255},
};

}  // namespace

bool ParsePcxHeader(const ByteReader& b, size_t at, PcxHeader* header) {
  if (!b.Has(at, 128) || b.U8(at) != 0x0A) return false;
  PcxHeader h;
  h.version = b.U8(at + 1);
  h.bitsPerPixel = b.U8(at + 3);
  h.width = int64_t(b.Le16(at + 8)) - int64_t(b.Le16(at + 4)) + 1;
  h.height = int64_t(b.Le16(at + 10)) - int64_t(b.Le16(at + 6)) + 1;
  std::memcpy(h.palette16, b.data() + at + 16, sizeof h.palette16);
  h.planes = b.U8(at + 65);
  h.bytesPerLine = int(b.Le16(at + 66));
  switch (h.bits()) {
    case 1:
    case 4:
    case 8:
    case 15:
    case 16:
    case 24: break;
    default: return false;
  }
  *header = h;
  return true;
}

bool SniffPcx(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  if (b.size() < 128) return false;
  PcxHeader header;
  if (b.Le32(0) == kDcxMagic) {  // a DCX file: its first page decides
    DetectedImage values;
    switch (context.openDecoder(ImageKind::Pcx, false, &values)) {
      case DecoderProbe::Opened:
        *out = MakeDetected(ImageKind::Pcx, values.width, values.height, values.bits);
        return true;
      case DecoderProbe::Failed: return false;
      case DecoderProbe::NoDecoder:
        if (!ParsePcxHeader(b, b.Le32(4), &header)) return false;
        break;
    }
  } else if (!ParsePcxHeader(b, 0, &header)) {
    return false;
  }
  *out = MakeDetected(ImageKind::Pcx, header.width, header.height, header.bits());
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Header and pages

bool PcxDecoder::ReadHeader(ImageHeader& header) {
  uint8_t magic[4];
  uint32_t got = 0;
  ReadSource(magic, sizeof magic, &got);
  if (got < sizeof magic) return SetError(kErrFormat);
  pages_.clear();
  if (ByteReader(magic, 4).Le32(0) == kDcxMagic) {
    uint8_t table[kMaxDcxPages * 4];
    ReadSource(table, sizeof table, &got);
    ByteReader offsets(table, got);
    for (int i = 0; i < kMaxDcxPages && offsets.Has(size_t(i) * 4, 4); ++i) {
      uint32_t offset = offsets.Le32(size_t(i) * 4);
      if (offset == 0) break;
      pages_.push_back(offset);
    }
    if (pages_.empty()) return SetError(kErrFormat);
    return ReadPage(header, pages_[0]);
  }
  return ReadPage(header, 0);
}

bool PcxDecoder::SelectPageHook(int index) {
  int count = pages_.empty() ? 1 : int(pages_.size());
  if (index < 0 || index >= count) return SetError(kErrNoPage);
  return ReadPage(mutableHeader(), pages_.empty() ? 0 : pages_[size_t(index)]);
}

bool PcxDecoder::ReadPage(ImageHeader& header, int64_t start) {
  uint8_t bytes[128];
  uint32_t got = 0;
  if (!SeekSource(start, 0, nullptr)) return SetError(kErrFormat);
  ReadSource(bytes, sizeof bytes, &got);
  PcxHeader page;
  if (got < sizeof bytes || !ParsePcxHeader(ByteReader(bytes, got), 0, &page)) return SetError(kErrFormat);

  int bpp = page.bitsPerPixel, planes = page.planes, rowDepth = 8;
  if (planes == 1 && bpp == 1)
    format_ = RowFormat::Packed1, rowDepth = 1;
  else if (planes == 1 && bpp == 4)
    format_ = RowFormat::Nibbles;
  else if (planes == 1 && bpp == 8)
    format_ = RowFormat::Bytes;
  else if (planes == 1 && bpp == 15)
    format_ = RowFormat::Rgb555, rowDepth = 24;
  else if (planes == 1 && bpp == 16)
    format_ = RowFormat::Rgb565, rowDepth = 24;
  else if (planes == 1 && bpp == 24)
    format_ = RowFormat::Bytes, rowDepth = 24;
  else if (planes == 3 && bpp == 8)
    format_ = RowFormat::Planes24, rowDepth = 24;
  else if (bpp == 1 && (planes == 4 || planes == 8))
    format_ = RowFormat::BitPlanes;
  else
    return SetError(kErrFormat);  // a depth made of planes in a way no writer uses
  // A plane's line must hold the row: the conversions read that far into every plane, and a 15-bit
  // pixel is stored in two bytes like a 16-bit one.
  const int storedBits = bpp == 15 ? 16 : bpp;
  if (!AcceptImageSize(page.width, page.height, rowDepth) || int64_t(page.bytesPerLine) * 8 < page.width * storedBits)
    return SetError(kErrFormat);

  header = ImageHeader{};
  header.kind = ImageKind::Pcx;
  header.width = int(page.width);
  header.height = int(page.height);
  header.bitsCode = page.bits();
  header.gray = false;
  header.rowDepth = rowDepth;
  header.colorCount = page.bits() <= 8 ? 1 << page.bits() : 0;
  header.sourceRowLength = int(page.width);
  if (page.bits() == 1) {
    header.palette[1] = RgbColor{255, 255, 255};
  } else if (page.bits() == 4) {
    for (int i = 0; i < 16; ++i)
      header.palette[i] = RgbColor{page.palette16[3 * i], page.palette16[3 * i + 1], page.palette16[3 * i + 2]};
  } else if (page.bits() == 8 && page.version >= 5) {
    if (!ReadTrailerPalette(header, start)) return false;
  } else if (page.bits() == 8 && page.version == 3) {
    std::copy(std::begin(kStandard16), std::end(kStandard16), header.palette);
  }
  page_ = page;
  pageStart_ = start;
  if (!SeekSource(start + 128, 0, nullptr)) return SetError(kErrFormat);
  return SetError(kErrNone);
}

// The 256 colours follow a page's pixel data. A DCX page ends where the next page begins, not at the
// end of the file: the last page's colours are not the others'.
bool PcxDecoder::ReadTrailerPalette(ImageHeader& header, int64_t start) {
  int64_t end = SourceLength();
  for (uint32_t offset : pages_)
    if (offset > start && offset < end) end = offset;
  uint8_t trailer[kTrailerSize];
  uint32_t got = 0;
  if (end - kTrailerSize < start + 128 || !SeekSource(end - kTrailerSize, 0, nullptr)) return SetError(kErrFormat);
  ReadSource(trailer, sizeof trailer, &got);
  if (got < sizeof trailer || trailer[0] != kTrailerMarker) return SetError(kErrFormat);
  for (int i = 0; i < 256; ++i)
    header.palette[i] = RgbColor{trailer[1 + 3 * i], trailer[2 + 3 * i], trailer[3 + 3 * i]};
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Scanlines

bool PcxDecoder::BeginRows() {
  size_t scanline = size_t(page_.planes) * size_t(page_.bytesPerLine);
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* got) {
    ReadSource(buffer, count, got);
    return GetLastError();
  };
  if (!AllocateCounted(int64_t(kReadChunk + scanline) + page_.width * 3, kErrDisplayBitmap, [&] {
        input_.Allocate(kReadChunk, reader);
        scanline_.assign(scanline, 0);
        row_.assign(size_t(page_.width) * 3, 0);
      }))
    return false;
  if (!SeekSource(pageStart_ + 128, 0, nullptr)) return SetError(kErrRow);
  return SetError(kErrNone);
}

bool PcxDecoder::FinishImage() {
  input_.Free();
  std::vector<uint8_t>().swap(scanline_);
  std::vector<uint8_t>().swap(row_);
  return SetError(kErrNone);
}

// Runs across the scanline's planes; a run is cut at the scanline's end, and the next scanline starts
// with the byte after the run's value. False when the data ends first.
bool PcxDecoder::DecodeScanline(bool keep) {
  size_t length = scanline_.size(), at = 0;
  uint8_t* out = scanline_.data();
  while (at < length) {
    int code = input_.Byte();
    if (code < 0) return SetError(input_.failed() ? kErrRead : kErrRow);
    size_t count = 1;
    if (code >= 0xC0) {
      count = size_t(code & 0x3F);
      code = input_.Byte();
      if (code < 0) return SetError(input_.failed() ? kErrRead : kErrRow);
      count = std::min(count, length - at);
    }
    if (keep) std::memset(out + at, code, count);
    at += count;
  }
  return true;
}

bool PcxDecoder::SkipSourceRow() { return DecodeScanline(false); }

const uint8_t* PcxDecoder::ReadSourceRow() {
  if (!DecodeScanline(true)) return nullptr;
  const int width = int(page_.width);
  const size_t line = size_t(page_.bytesPerLine);
  const uint8_t* s = scanline_.data();
  uint8_t* row = row_.data();
  switch (format_) {
    case RowFormat::Packed1:
    case RowFormat::Bytes: return s;
    case RowFormat::Nibbles: Unpack4To8(s, row, width); return row;
    case RowFormat::Rgb555: Unpack555To24(s, row, width); return row;
    case RowFormat::Rgb565: Unpack565To24(s, row, width); return row;
    case RowFormat::Planes24:
      for (int x = 0; x < width; ++x) {
        row[3 * x] = s[2 * line + size_t(x)];
        row[3 * x + 1] = s[line + size_t(x)];
        row[3 * x + 2] = s[size_t(x)];
      }
      return row;
    case RowFormat::BitPlanes:
      for (int x = 0; x < width; ++x) {
        int shift = 7 - (x & 7);
        size_t byte = size_t(x >> 3);
        uint8_t index = 0;
        for (int plane = 0; plane < page_.planes; ++plane)
          index = uint8_t(index | ((s[size_t(plane) * line + byte] >> shift) & 1) << plane);
        row[x] = index;
      }
      return row;
  }
  return nullptr;
}

}  // namespace lumetta
