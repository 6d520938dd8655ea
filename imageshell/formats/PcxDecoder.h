#pragma once

// PCX images (kind 4) and DCX files, a table of up to 1024 PCX pages, each page one image page.
// Scanlines are run-length coded across all the planes of a row; 1, 4 (one 4-bit plane or four 1-bit
// planes), 8, 15, 16 and 24 bits (three 8-bit planes) per pixel.
#include <cstdint>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/ByteReader.h"
#include "pipeline/RowDecoder.h"

namespace lumetta {

// The 128-byte page header, as stored.
struct PcxHeader {
  int version = 0;
  int bitsPerPixel = 0;  // per plane
  int planes = 0;
  int bytesPerLine = 0;  // per plane
  int64_t width = 0;
  int64_t height = 0;
  uint8_t palette16[48] = {};
  int bits() const { return bitsPerPixel * planes; }
};

constexpr uint32_t kDcxMagic = 0x3ADE68B1u;

// Reads the page header at `at`. False unless the manufacturer byte is 0x0A and the depth is one of
// 1, 4, 8, 15, 16 and 24 bits.
bool ParsePcxHeader(const ByteReader& bytes, size_t at, PcxHeader* header);

class PcxDecoder : public RowDecoder {
public:
  using RowDecoder::RowDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool SelectPageHook(int index) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool SkipSourceRow() override;
  bool FinishImage() override;

private:
  enum class RowFormat { Packed1, Nibbles, Bytes, Rgb555, Rgb565, Planes24, BitPlanes };

  bool ReadPage(ImageHeader& header, int64_t start);
  bool ReadTrailerPalette(ImageHeader& header, int64_t start);
  bool DecodeScanline(bool keep);

  std::vector<uint32_t> pages_;  // DCX page offsets; empty for a plain PCX file
  int64_t pageStart_ = 0;
  PcxHeader page_;
  RowFormat format_ = RowFormat::Bytes;
  BufferedInput input_;
  std::vector<uint8_t> scanline_;
  std::vector<uint8_t> row_;
};

}  // namespace lumetta
