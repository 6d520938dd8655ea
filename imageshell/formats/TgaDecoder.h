#pragma once

// Targa images (kind 3): colour-mapped, true-colour and gray, plain or run-length coded (types 1-3 and
// 9-11), 8, 16, 24 and 32 bits per pixel, colour maps of 15-, 16-, 24- and 32-bit entries, bottom-up or
// top-down. The image identification text, the
// footer and the extension area stay in the extras.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/ByteReader.h"
#include "pipeline/ImageExtras.h"
#include "pipeline/RowDecoder.h"

namespace lumetta {

// The 18-byte file header, as stored.
struct TgaHeader {
  int idLength = 0;
  int mapType = 0;
  int imageType = 0;
  int mapFirst = 0;
  int mapLength = 0;
  int mapEntryBits = 0;
  int xOrigin = 0;
  int yOrigin = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int descriptor = 0;
};

// False unless the image type, the colour map's description, the descriptor, the size and the depth
// are ones the decoder reads.
bool ParseTgaHeader(const ByteReader& bytes, TgaHeader* header);

class TgaExtras : public ImageExtras {
public:
  int xOrigin = 0;
  int yOrigin = 0;
  int width = 0;
  int height = 0;
  int descriptor = 0;
  std::string id;                  // the identification field, as stored
  uint8_t footer[26] = {};         // zero unless the file ends with one
  bool hasFooter = false;          // the footer carries the version-2 signature
  int extensionSize = 0;           // 0 when there is no extension area
  std::vector<uint8_t> extension;  // the 493 bytes after the extension area's size
};

class TgaDecoder : public RowDecoder {
public:
  using RowDecoder::RowDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool SkipSourceRow() override;
  bool RowsTopDown() const override { return (file_.descriptor & 0x20) != 0; }
  bool FinishImage() override;

private:
  bool ReadColorMap(ImageHeader& header);
  void ReadFooter(TgaExtras& extras);
  bool ReadRunRow(uint8_t* row);
  // One stored pixel as the row holds it: 1 byte for 8 bits, else blue, green, red.
  void StorePixel(const uint8_t* stored, uint8_t* target) const;

  TgaHeader file_;
  int64_t pixelOffset_ = 0;
  size_t rowSize_ = 0;
  int pixelBytes_ = 1;
  int outBytes_ = 1;
  bool runLength_ = false;
  BufferedInput input_;
  std::vector<uint8_t> row_;
  // A packet may go on into the next row.
  int packetLeft_ = 0;
  bool packetIsRun_ = false;
  uint8_t runValue_[4] = {};
};

}  // namespace lumetta
