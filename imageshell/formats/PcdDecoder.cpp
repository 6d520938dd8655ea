#include "formats/PcdDecoder.h"

#include <algorithm>
#include <new>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr int kHeaderBytes = 6144;
constexpr int kRotationAt = 3586;
constexpr int64_t kSector = 2048;
constexpr int64_t kLevelSector[4] = {0, 4, 23, 96};  // where the uncompressed levels 1 to 3 start
constexpr size_t kReadLimit = 65000;

uint8_t Clamp(int v) { return uint8_t(std::clamp(v, 0, 255)); }

}  // namespace

bool SniffPcd(const ByteReader& b, const DetectionContext&, DetectedImage* out) {
  if (!b.Has(kRotationAt, 1) || !b.Equals(2048, "PCD")) return false;
  bool portrait = (b.U8(kRotationAt) & 3) != 0;
  *out = MakeDetected(ImageKind::Pcd, portrait ? 512 : 768, portrait ? 768 : 512, 24);
  return true;
}

bool PcdDecoder::ReadHeader(ImageHeader& header) {
  std::vector<uint8_t> bytes;
  if (!AllocateOrFail([&] { bytes.assign(kHeaderBytes, 0); })) return SetError(kErrFormat);
  uint32_t got = 0;
  ReadSource(bytes.data(), kHeaderBytes, &got);
  ByteReader b(bytes.data(), got);
  if (!b.Has(kRotationAt, 1) || !b.Equals(2048, "PCD")) return SetError(kErrFormat);
  rotation_ = b.U8(kRotationAt) & 3;
  const bool portrait = rotation_ != 0;
  header = ImageHeader{};
  header.kind = ImageKind::Pcd;
  header.width = portrait ? 512 : 768;
  header.height = portrait ? 768 : 512;
  header.bitsCode = 24;
  header.gray = false;
  header.rowDepth = 24;
  header.colorCount = 0;
  header.columnMode = portrait;
  // The largest level's lengths; BeginImageHook sets the chosen level's.
  header.sourceRowLength = header.width;
  header.sourceColumnLength = header.height;
  return SetError(kErrNone);
}

bool PcdDecoder::BeginImageHook() {
  const bool portrait = rotation_ != 0;
  // The smallest level whose displayed size covers the output in both directions.
  int level = 1, shownWidth = portrait ? 128 : 192, shownHeight = portrait ? 192 : 128;
  while (level < 3 && (shownWidth < outputWidth() || shownHeight < outputHeight()))
    ++level, shownWidth *= 2, shownHeight *= 2;
  storedWidth_ = 192 << (level - 1);
  storedHeight_ = 128 << (level - 1);
  lines_ = portrait ? outputWidth() : outputHeight();
  linesDone_ = 0;
  accumulator_ = 0;
  parity_ = 1;
  pair_ = nullptr;

  const size_t pairBytes = size_t(storedWidth_) * 3;
  const size_t chunk = kReadLimit / pairBytes * pairBytes;
  auto reader = [this](uint8_t* buffer, uint32_t count, uint32_t* got) {
    ReadSource(buffer, count, got);
    return GetLastError();
  };
  if (!AllocateCounted(int64_t(chunk) + int64_t(pairBytes) + 5 * 256 * int64_t(sizeof(int)), kErrDisplayBitmap, [&] {
        input_.Allocate(chunk, reader);
        row_.assign(pairBytes, 0);
        for (auto* table : {&luma_, &red_, &greenC1_, &greenCr_, &blue_}) table->assign(256, 0);
      }))
    return false;
  if (!SeekSource(kLevelSector[level] * kSector, 0, nullptr)) return SetError(kErrPixelData);
  input_.Restart();

  for (int i = 0; i < 256; ++i) {
    luma_[size_t(i)] = int(1.35638 * i);
    red_[size_t(i)] = int(1.82153 * (i - 137));
    greenC1_[size_t(i)] = int(-0.43018 * (i - 156));
    greenCr_[size_t(i)] = int(-0.92725 * (i - 137));
    blue_[size_t(i)] = int(2.21802 * (i - 156));
  }

  ImageHeader& header = mutableHeader();
  if (portrait) {
    header.sourceColumnLength = storedWidth_;
    header.sourceRowLength = storedHeight_;
  } else {
    header.sourceRowLength = storedWidth_;
  }
  return SetError(kErrNone);
}

bool PcdDecoder::FinishImage() {
  input_.Free();
  for (auto* table : {&luma_, &red_, &greenC1_, &greenCr_, &blue_}) std::vector<int>().swap(*table);
  std::vector<uint8_t>().swap(row_);
  pair_ = nullptr;
  return SetError(kErrNone);
}

bool PcdDecoder::NextRow() {
  parity_ ^= 1;
  if (parity_ == 0) {
    pair_ = input_.Take(size_t(storedWidth_) * 3);
    if (!pair_) return SetError(input_.failed() ? kErrRead : kErrRow);
  }
  return true;
}

void PcdDecoder::ConvertRow() {
  const size_t width = size_t(storedWidth_);
  const uint8_t* y = pair_ + (parity_ ? width : 0);
  const uint8_t* c1 = pair_ + 2 * width;
  const uint8_t* cr = c1 + width / 2;
  uint8_t* out = row_.data();
  for (size_t x = 0; x < width; ++x) {
    const int l = luma_[y[x]], b = c1[x / 2], r = cr[x / 2];
    // Rotation 1 is stored the other way round along the row.
    uint8_t* p = out + 3 * (rotation_ == 1 ? width - 1 - x : x);
    p[0] = Clamp(l + blue_[size_t(b)]);
    p[1] = Clamp(l + greenC1_[size_t(b)] + greenCr_[size_t(r)]);
    p[2] = Clamp(l + red_[size_t(r)]);
  }
}

bool PcdDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  const int width = outputWidth(), height = outputHeight();
  if (linesDone_ >= lines_) return SetError(kErrInvalidState);
  const int count = std::clamp(rows, 0, lines_ - linesDone_);
  const int k = linesDone_;
  if (rectCount && updateRect) {
    *rectCount = 1;
    if (rotation_ == 0)
      updateRect[0] = ImageRect{0, k, width, k + count};
    else if (rotation_ == 1)
      updateRect[0] = ImageRect{k, 0, k + count, height};
    else
      updateRect[0] = ImageRect{width - k - count, 0, width - k, height};
  }
  for (int i = 0; i < count; ++i) {
    // Stored rows between delivered ones are passed over (a pair is still read for its first row).
    while (accumulator_ < storedHeight_) {
      if (!NextRow()) return false;
      accumulator_ += lines_;
    }
    accumulator_ -= storedHeight_;
    ConvertRow();
    const int line = linesDone_;
    bool put =
        rotation_ == 0 ? PutRow(row_.data(), line) : PutColumn(rotation_ == 1 ? line : width - 1 - line, row_.data());
    if (!put) return false;
    ++linesDone_;
  }
  progress_ = MulDiv(linesDone_, kProgressComplete, lines_);
  if (rotation_ == 0)
    decodedRect_ = ImageRect{0, 0, width, linesDone_};
  else if (rotation_ == 1)
    decodedRect_ = ImageRect{0, 0, linesDone_, height};
  else
    decodedRect_ = ImageRect{width - linesDone_, 0, width, height};
  if (linesDone_ >= lines_) EndOfImage();
  return SetError(kErrNone);
}

}  // namespace lumetta
