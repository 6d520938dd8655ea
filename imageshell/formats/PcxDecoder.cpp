// PCX and DCX (kind 4): the sniffer; the decoder is not built yet.
#include <cstdint>

#include "ByteReader.h"
#include "KindDetection.h"
#include "Sniffers.h"

namespace lumetta {

namespace {

// The PCX header at `at`: sizes from the window and bits = planes x bits per plane.
bool PcxHeader(const ByteReader& b, size_t at, DetectedImage* out) {
  if (!b.Has(at, 128) || b.U8(at) != 0x0A) return false;
  int64_t width = int64_t(b.Le16(at + 8)) - int64_t(b.Le16(at + 4)) + 1;
  int64_t height = int64_t(b.Le16(at + 10)) - int64_t(b.Le16(at + 6)) + 1;
  int bits = b.U8(at + 65) * b.U8(at + 3);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 15 && bits != 16 && bits != 24) return false;
  *out = MakeDetected(ImageKind::Pcx, width, height, bits);
  return true;
}

}  // namespace

bool SniffPcx(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  if (b.size() < 128) return false;
  if (b.Le32(0) == 0x3ADE68B1u) {  // a DCX file: a table of PCX pages
    DetectedImage values;
    switch (open(ImageKind::Pcx, false, &values)) {
      case DecoderProbe::Opened: *out = MakeDetected(ImageKind::Pcx, values.width, values.height, values.bits); return true;
      case DecoderProbe::Failed: return false;
      case DecoderProbe::NoDecoder: return PcxHeader(b, b.Le32(4), out);
    }
    return false;
  }
  return PcxHeader(b, 0, out);
}

}  // namespace lumetta
