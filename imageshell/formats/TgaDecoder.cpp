#include "formats/TgaDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 32 * 1024;
constexpr int kFooterSize = 26;
constexpr int kExtensionRest = 493;

// 5-bit channels spread evenly over 0..255: round(v * 255 / 31).
constexpr uint8_t kExpand5[32] = {0,   8,   16,  24,  32,  41,  49,  57,  65,  74,  82,  90,  98,  106, 115, 123,
                                  131, 139, 148, 156, 164, 172, 180, 189, 197, 205, 213, 222, 230, 238, 246, 255};

// A little-endian 16-bit pixel (blue in bits 0-4, green 5-9, red 10-14) as blue, green, red.
void Widen16(const uint8_t* stored, uint8_t* target) {
  unsigned v = unsigned(stored[0] | stored[1] << 8);
  target[0] = kExpand5[v & 31];
  target[1] = kExpand5[(v >> 5) & 31];
  target[2] = kExpand5[(v >> 10) & 31];
}

}  // namespace

bool ParseTgaHeader(const ByteReader& b, TgaHeader* header) {
  if (!b.Has(0, 18)) return false;
  TgaHeader h;
  h.idLength = b.U8(0);
  h.mapType = b.U8(1);
  h.imageType = b.U8(2);
  h.mapFirst = int(b.Le16(3));
  h.mapLength = int(b.Le16(5));
  h.mapEntryBits = b.U8(7);
  h.xOrigin = int(b.Le16(8));
  h.yOrigin = int(b.Le16(10));
  h.width = int(b.Le16(12));
  h.height = int(b.Le16(14));
  h.depth = b.U8(16);
  h.descriptor = b.U8(17);
  if (!((h.imageType >= 1 && h.imageType <= 3) || (h.imageType >= 9 && h.imageType <= 11))) return false;
  const bool entryKnown = h.mapEntryBits == 15 || h.mapEntryBits == 16 || h.mapEntryBits == 24 || h.mapEntryBits == 32;
  if (h.mapType > 1 || (h.mapType == 1 && !entryKnown)) return false;
  if (h.descriptor >= 64 || h.width == 0 || h.height == 0) return false;
  if (h.depth != 8 && h.depth != 16 && h.depth != 24 && h.depth != 32) return false;
  *header = h;
  return true;
}

bool SniffTga(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  TgaHeader header;
  if (b.size() <= 17 || !ParseTgaHeader(b, &header)) return false;
  *out = MakeDetected(ImageKind::Tga, header.width, header.height, header.depth);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Header

bool TgaDecoder::ReadHeader(ImageHeader& header) {
  uint8_t bytes[18];
  uint32_t got = 0;
  ReadSource(bytes, sizeof bytes, &got);
  if (got < sizeof bytes || !ParseTgaHeader(ByteReader(bytes, got), &file_)) return SetError(kErrFormat);
  if (file_.mapType == 1 && file_.mapLength > 256) return SetError(kErrFormat);

  auto extras = std::unique_ptr<TgaExtras>(new (std::nothrow) TgaExtras);
  if (!extras) return SetError(kErrFormat);
  extras->xOrigin = file_.xOrigin;
  extras->yOrigin = file_.yOrigin;
  extras->width = file_.width;
  extras->height = file_.height;
  extras->descriptor = file_.descriptor;
  char id[255];
  ReadSource(id, uint32_t(file_.idLength), &got);
  if (got < uint32_t(file_.idLength)) return SetError(kErrFormat);
  extras->id.assign(id, got);
  extras_ = std::move(extras);

  if (!AcceptImageSize(file_.width, file_.height, file_.depth <= 8 ? 8 : 24)) return false;
  header.kind = ImageKind::Tga;
  header.width = file_.width;
  header.height = file_.height;
  header.bitsCode = file_.depth;
  header.gray = file_.depth == 8 && file_.mapType == 0;
  header.rowDepth = file_.depth <= 8 ? 8 : 24;
  header.sourceRowLength = file_.width;
  int type = file_.imageType & 7;
  header.colorCount = type == 2 ? 0 : file_.mapLength;
  runLength_ = file_.imageType > 8;
  if (file_.mapType == 1 && !ReadColorMap(header)) return false;
  if (!SeekSource(0, 1, &pixelOffset_)) return SetError(kErrFormat);
  return SetError(kErrNone);
}

// The map's entries land at their own indexes: a map that starts at entry n is indexed from n. Entries
// of 15 bits are stored in 16 like 16-bit ones; 32-bit entries carry an alpha byte, dropped.
bool TgaDecoder::ReadColorMap(ImageHeader& header) {
  int entryBytes = (file_.mapEntryBits + 7) / 8;
  uint8_t map[256 * 4];
  uint32_t bytes = uint32_t(file_.mapLength * entryBytes), got = 0;
  ReadSource(map, bytes, &got);
  if (got < bytes) return SetError(kErrFormat);
  int first = file_.mapFirst + file_.mapLength <= 256 ? file_.mapFirst : 0;
  if (header.colorCount != 0) header.colorCount = first + file_.mapLength;
  for (int i = 0; i < file_.mapLength; ++i) {
    uint8_t bgr[3];
    if (entryBytes == 2)
      Widen16(map + 2 * i, bgr);
    else
      std::memcpy(bgr, map + entryBytes * i, 3);
    header.palette[first + i] = RgbColor{bgr[2], bgr[1], bgr[0]};
  }
  return SetError(kErrNone);
}

// Version-2 files end with a footer naming the extension area; older files end with pixels, and
// nothing here may fail the image.
void TgaDecoder::ReadFooter(TgaExtras& extras) {
  uint32_t got = 0;
  if (SourceLength() < 18 + kFooterSize || !SeekSource(-kFooterSize, 2, nullptr)) return;
  ReadSource(extras.footer, kFooterSize, &got);
  if (got < uint32_t(kFooterSize)) return;
  char signature[18] = {};
  std::memcpy(signature, extras.footer + 8, 17);
  if (std::strcmp(signature, "TRUEVISION-XFILE.") != 0) return;
  extras.hasFooter = true;
  uint32_t offset = ByteReader(extras.footer, kFooterSize).Le32(0);
  uint8_t size[2];
  if (offset == 0 || !SeekSource(offset, 0, nullptr)) return;
  ReadSource(size, 2, &got);
  if (got < 2) return;
  extras.extensionSize = size[0] | size[1] << 8;
  if (extras.extensionSize == 0) return;
  std::vector<uint8_t> rest(kExtensionRest);
  ReadSource(rest.data(), kExtensionRest, &got);
  if (got == uint32_t(kExtensionRest)) extras.extension = std::move(rest);
}

// ---------------------------------------------------------------------------------------------------
// Rows

bool TgaDecoder::BeginRows() {
  if (auto* extras = dynamic_cast<TgaExtras*>(extras_.get())) ReadFooter(*extras);
  pixelBytes_ = file_.depth / 8;
  outBytes_ = file_.depth <= 8 ? 1 : 3;
  rowSize_ = size_t(file_.width) * size_t(pixelBytes_);
  size_t capacity = runLength_ ? kReadChunk : std::max(rowSize_, kReadChunk / rowSize_ * rowSize_);
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* got) {
    ReadSource(buffer, count, got);
    return GetLastError();
  };
  if (!AllocateCounted(int64_t(capacity) + int64_t(file_.width) * 4, kErrDisplayBitmap, [&] {
        row_.assign(size_t(file_.width) * 4, 0);
        input_.Allocate(capacity, reader);
      }))
    return false;
  packetLeft_ = 0;
  packetIsRun_ = false;
  if (!SeekSource(pixelOffset_, 0, nullptr)) return SetError(kErrRow);
  return SetError(kErrNone);
}

bool TgaDecoder::FinishImage() {
  input_.Free();
  std::vector<uint8_t>().swap(row_);
  packetLeft_ = 0;
  return SetError(kErrNone);
}

void TgaDecoder::StorePixel(const uint8_t* stored, uint8_t* target) const {
  switch (pixelBytes_) {
    case 1: target[0] = stored[0]; break;
    case 2: Widen16(stored, target); break;
    default: std::memcpy(target, stored, 3); break;  // the fourth byte of 32-bit pixels is dropped
  }
}

bool TgaDecoder::ReadRunRow(uint8_t* row) {
  const int width = file_.width;
  for (int x = 0; x < width;) {
    if (packetLeft_ == 0) {
      int h = input_.Byte();
      if (h < 0) return false;
      packetLeft_ = (h & 0x7F) + 1;
      packetIsRun_ = (h & 0x80) != 0;
      if (packetIsRun_) {
        const uint8_t* value = input_.Take(size_t(pixelBytes_));
        if (!value) return false;
        StorePixel(value, runValue_);
      }
    }
    int n = std::min(packetLeft_, width - x);
    if (packetIsRun_) {
      for (int i = 0; i < n; ++i, ++x) std::memcpy(row + size_t(x) * size_t(outBytes_), runValue_, size_t(outBytes_));
    } else {
      const uint8_t* stored = input_.Take(size_t(n) * size_t(pixelBytes_));
      if (!stored) return false;
      for (int i = 0; i < n; ++i, ++x) StorePixel(stored + i * pixelBytes_, row + size_t(x) * size_t(outBytes_));
    }
    packetLeft_ -= n;
  }
  return true;
}

const uint8_t* TgaDecoder::ReadSourceRow() {
  uint8_t* row = row_.data();
  if (runLength_) {
    if (ReadRunRow(row)) return row;
  } else if (const uint8_t* stored = input_.Take(rowSize_)) {
    if (pixelBytes_ == 1 || pixelBytes_ == 3) return stored;
    for (int x = 0; x < file_.width; ++x) StorePixel(stored + x * pixelBytes_, row + 3 * x);
    return row;
  }
  SetError(input_.failed() ? kErrRead : kErrRow);
  return nullptr;
}

bool TgaDecoder::SkipSourceRow() {
  if (runLength_) return ReadSourceRow() != nullptr;
  if (input_.Take(rowSize_)) return true;
  return SetError(input_.failed() ? kErrRead : kErrRow);
}

}  // namespace lumetta
