#include "formats/PsdDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 32 * 1024;
constexpr int kModeBitmap = 0, kModeGray = 1, kModeIndexed = 2, kModeRgb = 3, kModeCmyk = 4, kModeMultichannel = 7,
              kModeDuotone = 8, kModeLab = 9;

// The channels that make the picture: one for the gray-like and indexed modes, three for RGB and
// multichannel, four for CMYK; 0 for a mode that is not read.
int ChannelsUsed(int mode) {
  switch (mode) {
    case kModeBitmap:
    case kModeGray:
    case kModeDuotone:
    case kModeLab:
    case kModeIndexed: return 1;
    case kModeRgb:
    case kModeMultichannel: return 3;
    case kModeCmyk: return 4;
    default: return 0;
  }
}

}  // namespace

bool ParsePsdHeader(const ByteReader& b, PsdHeader* header) {
  if (!b.Has(0, 26) || !b.Equals(0, "8BPS") || b.Be16(4) != 1) return false;
  PsdHeader h;
  h.channels = int(b.Be16(12));
  h.height = b.Be32(14);
  h.width = b.Be32(18);
  h.depth = int(b.Be16(22));
  h.mode = int(b.Be16(24));
  if (h.channels < 1 || h.channels > 24 || (h.depth != 1 && h.depth != 8) || ChannelsUsed(h.mode) == 0) return false;
  *header = h;
  return true;
}

bool SniffPsd(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (b.size() <= 25 || !b.Equals(0, "8BPS") || b.Be16(4) != 1) return false;
  int channels = int(b.Be16(12));
  if (channels >= 4 && channels <= 24)
    channels = 3;
  else if (channels < 1 || channels > 3)
    return false;
  int depth = int(b.Be16(22));
  if (depth != 1 && depth != 8) return false;
  int mode = int(b.Be16(24));
  if (!((mode >= 0 && mode <= 4) || (mode >= 7 && mode <= 9))) return false;
  if (channels == 2) channels = 1;
  *out = MakeDetected(ImageKind::Psd, int32_t(b.Be32(18)), int32_t(b.Be32(14)), channels * (depth < 8 ? depth : 8));
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Header

bool PsdDecoder::ReadHeader(ImageHeader& header) {
  uint8_t bytes[26];
  uint32_t got = 0;
  ReadSource(bytes, sizeof bytes, &got);
  if (got < sizeof bytes || !ParsePsdHeader(ByteReader(bytes, got), &file_)) return SetError(kErrFormat);
  channelsUsed_ = ChannelsUsed(file_.mode);
  // The passes read channel after channel: the file must hold every channel the mode composes, and
  // single bits only make sense for a one-channel picture.
  if (file_.channels < channelsUsed_ || (file_.depth == 1 && channelsUsed_ > 1)) return SetError(kErrFormat);
  int bits = std::min(channelsUsed_, 3) * file_.depth;
  if (!AcceptImageSize(file_.width, file_.height, bits)) return false;

  header.kind = ImageKind::Psd;
  header.width = int(file_.width);
  header.height = int(file_.height);
  header.bitsCode = bits;
  header.gray =
      file_.mode == kModeBitmap || file_.mode == kModeGray || file_.mode == kModeDuotone || file_.mode == kModeLab;
  header.colorCount = bits <= 8 ? 1 << bits : 0;
  header.rowDepth = bits;
  header.sourceRowLength = int(file_.width);

  // Colour mode data: an indexed picture's palette (all reds, then greens, then blues); other lengths
  // hold data of other modes and are stepped over.
  uint8_t length[4];
  ReadSource(length, sizeof length, &got);
  if (got < sizeof length) return SetError(kErrFormat);
  uint32_t dataLength = ByteReader(length, 4).Be32(0);
  if (dataLength == 768) {
    uint8_t palette[768];
    ReadSource(palette, sizeof palette, &got);
    if (got < sizeof palette) return SetError(kErrFormat);
    for (int i = 0; i < 256; ++i) header.palette[i] = RgbColor{palette[i], palette[256 + i], palette[512 + i]};
  } else if (!SeekSource(dataLength, 1, nullptr)) {
    return SetError(kErrFormat);
  }
  if (!SeekSource(0, 1, &resourcesOffset_)) return SetError(kErrFormat);
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Set-up

bool PsdDecoder::SkipSection() {
  uint8_t length[4];
  uint32_t got = 0;
  ReadSource(length, sizeof length, &got);
  return got == sizeof length && SeekSource(ByteReader(length, 4).Be32(0), 1, nullptr);
}

bool PsdDecoder::BeginImageHook() {
  channel_ = rowsDone_ = accumulator_ = 0;
  rowIndex_ = 0;
  // Image resources, then layers and masks: the merged image follows them.
  if (!SeekSource(resourcesOffset_, 0, nullptr) || !SkipSection() || !SkipSection()) return SetError(kErrPixelData);

  rowSize_ = (size_t(file_.depth) * size_t(file_.width) + 7) / 8;
  // The composition store is the large one: a 24-bit row for every output row, beside the bitmaps.
  int64_t store = channelsUsed_ > 1 ? int64_t(outputHeight()) * file_.width * 3 : 0;
  int64_t table = int64_t(file_.channels) * file_.height * 4;  // as read, then as kept
  // Counted once for every buffer below; the table, the packed row and the read buffer are made once
  // the compression is known.
  if (!AllocateCounted(int64_t(rowSize_) * 3 + store + table + int64_t(kReadChunk), kErrPixelData,
                       [&] { channelRow_.assign(rowSize_, 0); }))
    return false;
  if (channelsUsed_ > 1) {
    composition_.reset(new (std::nothrow) uint8_t[size_t(store)]);
    if (!composition_) return SetError(kErrPixelData);
  }

  uint8_t compression[2];
  uint32_t got = 0;
  ReadSource(compression, sizeof compression, &got);
  int method = got == sizeof compression ? int(ByteReader(compression, 2).Be16(0)) : -1;
  if (method != 0 && method != 1) return SetError(kErrPixelData);
  compressed_ = method == 1;
  if (compressed_) {
    size_t entries = size_t(file_.channels) * size_t(file_.height);
    std::vector<uint8_t> table;
    if (!AllocateOrFail([&] {
          table.assign(entries * 2, 0);
          packed_.assign(rowSize_ * 2, 0);
        }))
      return SetError(kErrPixelData);
    ReadSource(table.data(), uint32_t(table.size()), &got);
    if (got < table.size()) return SetError(kErrPixelData);
    if (!AllocateOrFail([&] { rowLengths_.resize(entries); })) return SetError(kErrPixelData);
    for (size_t i = 0; i < entries; ++i) rowLengths_[i] = uint16_t(table[2 * i] << 8 | table[2 * i + 1]);
  }
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* read) {
    ReadSource(buffer, count, read);
    return GetLastError();
  };
  if (!AllocateOrFail([&] { input_.Allocate(kReadChunk, reader); })) return SetError(kErrPixelData);
  return SetError(kErrNone);
}

bool PsdDecoder::FinishImage() {
  input_.Free();
  std::vector<uint16_t>().swap(rowLengths_);
  std::vector<uint8_t>().swap(packed_);
  std::vector<uint8_t>().swap(channelRow_);
  composition_.reset();
  channel_ = rowsDone_ = accumulator_ = 0;
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// Rows

// The next row of the current channel. PackBits: 0..127 copies n + 1 bytes, -127..-1 repeats the next
// byte 1 - n times, -128 is passed over; a row must come out exactly its size from its own bytes.
const uint8_t* PsdDecoder::ReadRow() {
  uint8_t* row = channelRow_.data();
  bool ok = true;
  if (!compressed_) {
    ok = input_.Read(row, rowSize_);
  } else if (rowIndex_ >= rowLengths_.size() || rowLengths_[rowIndex_] > packed_.size()) {
    ok = false;
  } else {
    size_t length = rowLengths_[rowIndex_++];
    const uint8_t* in = packed_.data();
    ok = input_.Read(packed_.data(), length);
    size_t at = 0, out = 0;
    while (ok && at < length) {
      int n = int(int8_t(in[at++]));
      if (n >= 0) {
        size_t count = size_t(n) + 1;
        ok = count <= length - at && count <= rowSize_ - out;
        if (ok) std::memcpy(row + out, in + at, count);
        at += count, out += count;
      } else if (n != -128) {
        size_t count = size_t(1 - n);
        ok = at < length && count <= rowSize_ - out;
        if (ok) std::memset(row + out, in[at], count);
        at += 1, out += count;
      }
    }
    ok = ok && out == rowSize_;
  }
  if (!ok) {
    SetError(input_.failed() ? kErrRead : kErrRow);
    return nullptr;
  }
  // Bitmap mode stores ink as 1; the gray ramp wants white as 1.
  if (file_.mode == kModeBitmap)
    for (size_t i = 0; i < rowSize_; ++i) row[i] = uint8_t(~row[i]);
  return row;
}

bool PsdDecoder::SkipRow() {
  size_t length = rowSize_;
  if (compressed_) {
    if (rowIndex_ >= rowLengths_.size()) return SetError(kErrRow);
    length = rowLengths_[rowIndex_++];
  }
  if (input_.Skip(length)) return true;
  return SetError(input_.failed() ? kErrRead : kErrRow);
}

// Red, green and blue land in the third, second and first byte of each pixel; CMYK's black darkens
// the three (the samples are stored as 255 - ink).
void PsdDecoder::ComposeRow(const uint8_t* channelRow, uint8_t* composed) const {
  const size_t width = size_t(file_.width);
  if (channel_ < 3) {
    uint8_t* target = composed + (2 - channel_);
    for (size_t x = 0; x < width; ++x) target[3 * x] = channelRow[x];
    return;
  }
  for (size_t x = 0; x < width; ++x) {
    int k = channelRow[x];
    for (int c = 0; c < 3; ++c) composed[3 * x + c] = uint8_t(std::max(0, composed[3 * x + c] + k - 255));
  }
}

bool PsdDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  const int width = outputWidth(), height = outputHeight(), sourceHeight = int(file_.height);
  if (channel_ >= channelsUsed_) return SetError(kErrInvalidState);
  const bool lastPass = channel_ == channelsUsed_ - 1;
  const int count = std::clamp(rows, 0, height - rowsDone_);
  if (lastPass && rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, rowsDone_, width, rowsDone_ + count};
  }
  const size_t composedRow = size_t(file_.width) * 3;
  for (int i = 0; i < count; ++i) {
    const uint8_t* row = nullptr;
    while (accumulator_ < sourceHeight) {
      if (accumulator_ + height >= sourceHeight) {
        row = ReadRow();
        if (!row) return false;
      } else if (!SkipRow()) {
        return false;
      }
      accumulator_ += height;
    }
    accumulator_ -= sourceHeight;
    if (channelsUsed_ == 1) {
      if (!PutRow(row, rowsDone_)) return false;
    } else {
      uint8_t* composed = composition_.get() + size_t(rowsDone_) * composedRow;
      ComposeRow(row, composed);
      if (lastPass && !PutRow(composed, rowsDone_)) return false;
    }
    ++rowsDone_;
  }

  // Each pass has an equal share of the progress; only the end of the last one completes it.
  const int share = kProgressComplete / channelsUsed_;
  decodedRect_ = lastPass ? ImageRect{0, 0, width, rowsDone_} : ImageRect{};
  if (rowsDone_ >= height) {
    ++channel_;
    if (lastPass) {
      EndOfImage();
      return SetError(kErrNone);
    }
    rowsDone_ = accumulator_ = 0;
    progress_ = share * channel_;
    return SetError(kErrNone);
  }
  progress_ = std::min(kProgressComplete - 1, share * channel_ + MulDiv(rowsDone_, share, height));
  return SetError(kErrNone);
}

}  // namespace lumetta
