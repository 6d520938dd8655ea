#include "formats/PicDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 32 * 1024;
constexpr int kMaxPackets = 8;
constexpr int kChannelBits[4] = {0x80, 0x40, 0x20, 0x10};  // red, green, blue, alpha: their stored order

int ChannelCount(int mask) {
  int count = 0;
  for (int bit : kChannelBits)
    if (mask & bit) ++count;
  return count;
}

}  // namespace

bool ParsePicHeader(const ByteReader& b, PicHeader* header) {
  static const uint8_t kMagic[4] = {0x53, 0x80, 0xF6, 0x34};
  if (!b.Has(0, kPicHeaderSize)) return false;
  for (int i = 0; i < 4; ++i)
    if (b.U8(size_t(i)) != kMagic[i]) return false;
  if (!b.Equals(88, "PICT")) return false;
  PicHeader h;
  h.width = b.Be16(92);
  h.height = b.Be16(94);
  size_t at = kPicHeaderSize;
  for (;; at += 4) {
    if (!b.Has(at, 4)) return false;
    PicPacket& p = h.packets[h.packetCount++];
    p.chained = b.U8(at);
    p.size = b.U8(at + 1);
    p.type = b.U8(at + 2) & 0x0F;
    p.mask = b.U8(at + 3);
    h.bits += 8 * ChannelCount(p.mask);
    if (h.packetCount == kMaxPackets) return false;  // a chain may hold seven packets, however it ends
    if (p.chained == 0) break;
  }
  if (h.bits == 0 || h.bits > 32) return false;
  *header = h;
  return true;
}

bool SniffPic(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  PicHeader header;
  if (!ParsePicHeader(b, &header)) return false;
  *out = MakeDetected(ImageKind::Pic, header.width, header.height, header.bits);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Header

bool PicDecoder::ReadHeader(ImageHeader& header) {
  uint8_t bytes[kPicHeaderSize + 4 * kMaxPackets];
  uint32_t got = 0;
  ReadSource(bytes, sizeof bytes, &got);
  PicHeader file;
  if (!ParsePicHeader(ByteReader(bytes, got), &file) || !AcceptImageSize(file.width, file.height, 24))
    return SetError(kErrFormat);
  header = ImageHeader{};
  header.kind = ImageKind::Pic;
  header.width = file.width;
  header.height = file.height;
  header.bitsCode = file.bits;
  header.gray = false;
  header.rowDepth = 24;
  header.colorCount = 0;
  header.sourceRowLength = file.width;
  file_ = file;
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Rows

bool PicDecoder::BeginRows() {
  const size_t width = size_t(file_.width);
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* got) {
    ReadSource(buffer, count, got);
    return GetLastError();
  };
  if (!AllocateCounted(int64_t(kReadChunk) + int64_t(width) * 8 + int64_t(width) * 3, kErrDisplayBitmap, [&] {
        input_.Allocate(kReadChunk, reader);
        channels_.assign(width * 8, 0);
        row_.assign(width * 3, 0);
      }))
    return false;
  // The pixel data follows the last packet of the chain.
  if (!SeekSource(int64_t(kPicHeaderSize) + 4 * file_.packetCount, 0, nullptr)) return SetError(kErrRow);
  return SetError(kErrNone);
}

bool PicDecoder::FinishImage() {
  input_.Free();
  std::vector<uint8_t>().swap(channels_);
  std::vector<uint8_t>().swap(row_);
  return SetError(kErrNone);
}

// One packet's part of the row into channels_, `channels` bytes a pixel. Every count is cut at the
// row's end so that a run cannot write past it; the rest of such a run is lost.
bool PicDecoder::ReadPacket(const PicPacket& packet, int channels) {
  const size_t width = size_t(file_.width), c = size_t(channels);
  uint8_t* out = channels_.data();
  auto fail = [this] { return SetError(input_.failed() ? kErrRead : kErrRow); };
  auto repeat = [&](size_t at, size_t count, const uint8_t* pixel) {
    for (size_t i = 0; i < count; ++i) std::memcpy(out + (at + i) * c, pixel, c);
  };
  if (packet.type == 0) return input_.Read(out, width * c) || fail();
  if (packet.type != 1 && packet.type != 2) return SetError(kErrRow);
  uint8_t pixel[4];
  size_t at = 0;
  while (at < width) {
    int code = input_.Byte();
    if (code < 0) return fail();
    size_t count;
    if (packet.type == 1) {
      count = size_t(code);
    } else if (code < 128) {
      count = std::min(size_t(code) + 1, width - at);
      if (!input_.Read(out + at * c, count * c)) return fail();
      at += count;
      continue;
    } else if (code == 128) {
      int high = input_.Byte(), low = input_.Byte();
      if (high < 0 || low < 0) return fail();
      count = size_t(high << 8 | low);
    } else {
      count = size_t(code - 127);
    }
    if (!input_.Read(pixel, c)) return fail();
    count = std::min(count, width - at);
    repeat(at, count, pixel);
    at += count;
  }
  return true;
}

bool PicDecoder::DecodeRow() {
  const size_t width = size_t(file_.width);
  uint8_t* row = row_.data();
  for (int p = 0; p < file_.packetCount; ++p) {
    const PicPacket& packet = file_.packets[p];
    const int channels = ChannelCount(packet.mask);
    if (!ReadPacket(packet, channels)) return false;
    const uint8_t* in = channels_.data();
    for (size_t x = 0; x < width; ++x, in += channels) {
      int k = 0;
      if (packet.mask & 0x80) row[3 * x + 2] = in[k++];
      if (packet.mask & 0x40) row[3 * x + 1] = in[k++];
      if (packet.mask & 0x20) row[3 * x] = in[k++];
    }
  }
  return true;
}

const uint8_t* PicDecoder::ReadSourceRow() { return DecodeRow() ? row_.data() : nullptr; }

}  // namespace lumetta
