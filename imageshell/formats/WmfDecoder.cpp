// Placeable metafiles (kind 9): the header parsers and the sniffer, portable. The decoder, which needs
// GDI to play the picture, is in WmfDecoder_win.cpp.
#include "formats/WmfDecoder.h"

#include <cstdint>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

bool ParsePlaceableHeader(const ByteReader& b, PlaceableHeader* h) {
  if (!b.Has(0, kPlaceableHeaderBytes) || b.Le32(0) != kPlaceableKey) return false;
  uint32_t checksum = 0;
  for (size_t word = 0; word < 10; ++word) checksum ^= b.Le16(2 * word);
  if (checksum != b.Le16(20)) return false;
  h->key = b.Le32(0);
  h->handle = uint16_t(b.Le16(4));
  h->left = int16_t(b.Le16(6));
  h->top = int16_t(b.Le16(8));
  h->right = int16_t(b.Le16(10));
  h->bottom = int16_t(b.Le16(12));
  h->unitsPerInch = uint16_t(b.Le16(14));
  h->reserved = b.Le32(16);
  h->checksum = uint16_t(b.Le16(20));
  return true;
}

void MetafilePixelSize(const PlaceableHeader& h, int dpiX, int dpiY, int* width, int* height) {
  int w = MulDiv(h.right - h.left + 1, dpiX, h.unitsPerInch);
  int ht = MulDiv(h.bottom - h.top + 1, dpiY, h.unitsPerInch);
  if (w <= 0 || ht <= 0) {
    w = ht = 0;
  } else if (w > kMaxMetafileSide || ht > kMaxMetafileSide) {
    int largest = w > ht ? w : ht;
    w = int(int64_t(w) * kMaxMetafileSide / largest);
    ht = int(int64_t(ht) * kMaxMetafileSide / largest);
  }
  *width = w;
  *height = ht;
}

bool ParseMetafileHeader(const ByteReader& b, MetafileHeader* h) {
  if (!b.Has(0, kMetafileHeaderBytes)) return false;
  h->type = uint16_t(b.Le16(0));
  h->headerWords = uint16_t(b.Le16(2));
  h->version = uint16_t(b.Le16(4));
  h->sizeInWords = b.Le32(6);
  h->objectCount = uint16_t(b.Le16(10));
  h->largestRecord = b.Le32(12);
  h->parameterCount = uint16_t(b.Le16(16));
  // GDI walks the records from the header's length up to the size: anything else would have it read
  // outside the bits it is given.
  return h->headerWords == kMetafileHeaderBytes / 2 && h->sizeInWords >= h->headerWords;
}

bool SniffWmf(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  PlaceableHeader header;
  if (b.size() < 50 || !ParsePlaceableHeader(b, &header)) return false;
  int width = 0, height = 0;  // no usable size: the label says "Unknown"
  MetafilePixelSize(header, context.screenDpiX, context.screenDpiY, &width, &height);
  *out = MakeDetected(ImageKind::Wmf, width, height, 24);
  return true;
}

}  // namespace lumetta
