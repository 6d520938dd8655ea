#pragma once

// A decoder driven by a tiny made-up header, for testing the pipeline and ImageFile without a real
// format: bytes 0..3 any magic (the DCX magic when ImageFile must detect it), then width and height
// (16-bit), page count, gray flag, row depth and column mode (bytes). Pixels: 8-bit rows hold page + 40 y,
// 24-bit rows hold a colour made of page and y, 1-bit rows alternate. In column mode the pixel (x, y) is
// blue x, green y, red 7, delivered a column at a time.
#include <cstring>
#include <vector>

#include "formats/DecoderTable.h"
#include "pipeline/ImageDecoder.h"
#include "pipeline/ImageSource.h"

namespace testimages {

class ScriptedDecoder : public lumetta::ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

  // The protected machinery, opened up for tests.
  bool Seek(int64_t offset, int origin, int64_t* position) { return SeekSource(offset, origin, position); }
  bool Read(void* buffer, uint32_t count, uint32_t* got) { return ReadSource(buffer, count, got); }
  bool Reserved() { return ReservedOperation(); }
  int rowsDelivered = 0;

  static std::vector<uint8_t> Header(int width, int height, int pages, bool gray, int rowDepth, bool columns = false) {
    std::vector<uint8_t> bytes = {0xB1,
                                  0x68,
                                  0xDE,
                                  0x3A,
                                  uint8_t(width),
                                  uint8_t(width >> 8),
                                  uint8_t(height),
                                  uint8_t(height >> 8),
                                  uint8_t(pages),
                                  uint8_t(gray),
                                  uint8_t(rowDepth),
                                  uint8_t(columns)};
    bytes.resize(128, 0);
    return bytes;
  }

protected:
  bool ReadHeader(lumetta::ImageHeader& h) override {
    uint8_t header[12];
    uint32_t got = 0;
    ReadSource(header, sizeof header, &got);
    if (got < sizeof header) return SetError(lumetta::kErrFormat);
    h.kind = lumetta::ImageKind::Pcx;
    width_ = h.width = header[4] | header[5] << 8;
    height_ = h.height = header[6] | header[7] << 8;
    pages_ = header[8];
    gray_ = h.gray = header[9] != 0;
    rowDepth_ = h.rowDepth = header[10];
    columnMode_ = h.columnMode = header[11] != 0;
    h.sourceColumnLength = height_;
    h.bitsCode = rowDepth_;
    h.sourceRowLength = width_;
    if (!gray_ && rowDepth_ <= 8) {
      h.colorCount = 1 << rowDepth_;
      for (int i = 0; i < h.colorCount; ++i)
        h.palette[i] = lumetta::RgbColor{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
    }
    return AcceptImageSize(width_, height_, rowDepth_);
  }

  bool SelectPageHook(int index) override {
    return SetError(index >= 0 && index < pages_ ? lumetta::kErrNone : lumetta::kErrInvalidState);
  }

  bool BeginImageHook() override {
    row_.assign(size_t(width_) * 3 + 8, 0);
    accumulator_ = 0;
    done_ = 0;
    sourceRow_ = 0;
    return SetError(lumetta::kErrNone);
  }

  bool DecodeRowsHook(int rows, int* rectCount, lumetta::ImageRect* updateRect) override {
    const int outputWidth_ = outputWidth(), outputHeight_ = outputHeight();
    if (columnMode_) return DecodeColumns();
    if (done_ >= outputHeight_) return SetError(lumetta::kErrInvalidState);
    int count = std::min(rows, outputHeight_ - done_);
    if (rectCount && updateRect) {
      *rectCount = 1;
      updateRect[0] = lumetta::ImageRect{0, done_, outputWidth_, done_ + count};
    }
    for (int i = 0; i < count; ++i) {
      while (accumulator_ < height_) {
        FillRow(sourceRow_++);
        accumulator_ += outputHeight_;
      }
      accumulator_ -= height_;
      if (!PutRow(row_.data(), done_)) return false;
      ++done_;
      ++rowsDelivered;
    }
    progress_ = lumetta::MulDiv(done_, lumetta::kProgressComplete, outputHeight_);
    decodedRect_ = lumetta::ImageRect{0, 0, outputWidth_, done_};
    if (done_ >= outputHeight_) EndOfImage();
    return SetError(lumetta::kErrNone);
  }

private:
  // All columns at once, reduced across by the same accumulator rule.
  bool DecodeColumns() {
    const int outputWidth_ = outputWidth();
    std::vector<uint8_t> column(size_t(height_) * 3);
    int accumulator = 0, source = 0;
    for (int x = 0; x < outputWidth_; ++x) {
      int last = 0;
      while (accumulator < width_) {
        last = source++;
        accumulator += outputWidth_;
      }
      accumulator -= width_;
      for (int y = 0; y < height_; ++y) {
        column[3 * y] = uint8_t(last);
        column[3 * y + 1] = uint8_t(y);
        column[3 * y + 2] = 7;
      }
      if (!PutColumn(x, column.data())) return false;
    }
    progress_ = lumetta::kProgressComplete;
    EndOfImage();
    return SetError(lumetta::kErrNone);
  }

  void FillRow(int y) {
    int page = GetSelectedPage();
    for (int x = 0; x < width_; ++x) {
      if (rowDepth_ == 24) {
        row_[3 * x] = uint8_t(page * 16 + y);
        row_[3 * x + 1] = uint8_t(x * 7 + y);
        row_[3 * x + 2] = uint8_t(255 - x * 3);
      } else if (rowDepth_ == 8) {
        row_[x] = uint8_t(gray_ ? (x * 255 / std::max(1, width_ - 1)) : page + 40 * y);
      }
    }
    if (rowDepth_ == 1) {
      std::memset(row_.data(), 0, row_.size());
      for (int x = 0; x < width_; ++x)
        if ((x + y) & 1) row_[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
  }

  int width_ = 0;
  int height_ = 0;
  bool gray_ = false;
  int rowDepth_ = 8;
  bool columnMode_ = false;
  int pages_ = 1;
  std::vector<uint8_t> row_;
  int accumulator_ = 0;
  int done_ = 0;
  int sourceRow_ = 0;
};

// A decoder factory for ImageFile::SetDecoderFactory: the scripted decoder for the PCX kind, the
// built-in table for every other kind.
inline std::unique_ptr<lumetta::ImageDecoder> ScriptedFactory(lumetta::ImageKind kind,
                                                              const lumetta::ImageSource& source, int* error) {
  if (kind != lumetta::ImageKind::Pcx) return lumetta::NewDecoder(kind, source, error);
  *error = lumetta::kErrNone;
  return lumetta::MakeDecoder<ScriptedDecoder>(source);
}

}  // namespace testimages
