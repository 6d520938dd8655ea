// The BMP writer: a 14-byte file header, the 40-byte info header (2880 pixels per metre, about 73 dpi),
// the colour table for up to 8 bits, then the rows bottom-up, each padded to 4 bytes.
#include <cstring>

#include "formats/ImageWriter.h"

namespace lumetta {

namespace {

#pragma pack(push, 1)
struct BmpFileHeader {
  char magic[2] = {'B', 'M'};
  uint32_t fileSize = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint32_t pixelOffset = 0;
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14);

struct RgbQuad {
  uint8_t blue, green, red, reserved;
};
static_assert(sizeof(RgbQuad) == 4);

constexpr int32_t kPixelsPerMetre = 2880;

}  // namespace

int32_t BmpWriter::WriteHeader() {
  rowSize_ = BitmapStride(Width(), BitsPerPixel());
  const int bits = BitsPerPixel();
  const uint32_t colours = bits <= 8 ? uint32_t(ColorTable().size()) : 0;
  const uint64_t headerSize = 54 + 4 * uint64_t(colours);
  const uint64_t fileSize = headerSize + uint64_t(rowSize_) * uint64_t(Height());
  if (rowSize_ <= 0 || fileSize > UINT32_MAX) return kWriterFailed;

  BmpFileHeader file;
  file.fileSize = uint32_t(fileSize);
  file.pixelOffset = uint32_t(headerSize);
  BitmapInfoHeader info;
  info.width = Width();
  info.height = Height();  // positive: the rows follow bottom-up
  info.planes = 1;
  info.bitCount = uint16_t(bits);
  info.xPelsPerMeter = kPixelsPerMetre;
  info.yPelsPerMeter = kPixelsPerMetre;
  if (WriteBytes(&file, sizeof file) != 0 || WriteBytes(&info, sizeof info) != 0) return kWriterFailed;

  if (colours > 0) {
    RgbQuad table[256];
    for (uint32_t i = 0; i < colours; ++i) {
      const RgbColor& c = ColorTable()[i];
      table[i] = RgbQuad{c.blue, c.green, c.red, 0};
    }
    if (WriteBytes(table, colours * sizeof(RgbQuad)) != 0) return kWriterFailed;
  }
  return 0;
}

int32_t BmpWriter::WriteRows(int count) {
  for (int i = 0; i < count && !AllRowsWritten(); ++i) {
    // The file's first row is the picture's last.
    if (WriteBytes(SourceRowFromTop(Height() - 1 - RowsWritten()), size_t(rowSize_)) != 0) return kWriterFailed;
    RowDone();
  }
  return 0;
}

}  // namespace lumetta
