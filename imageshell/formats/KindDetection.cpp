#include "formats/KindDetection.h"

#include "formats/Sniffers.h"

namespace lumetta {

namespace {

// The testers in the order they are tried: the first that accepts decides.
const Sniffer kTesters[] = {
    &SniffTiff, &SniffBmp, &SniffGif, &SniffPcd, &SniffPcx, &SniffPic,
    &SniffPng,  &SniffPsd, &SniffTga, &SniffWmf, &SniffIff, &SniffJpeg,
};
static_assert(sizeof kTesters / sizeof kTesters[0] == 12);

int PageSize(int64_t value) {
  if (value < 0) value = -value;
  return value <= kMaxImageDimension ? int(value) : 0;
}

}  // namespace

DetectedImage MakeDetected(ImageKind kind, int64_t width, int64_t height, int bits) {
  return DetectedImage{kind, PageSize(width), PageSize(height), bits};
}

bool DetectImageKind(const uint8_t* data, size_t length, const DecoderOpener& openDecoder, int screenDpiX,
                     int screenDpiY, DetectedImage* detected) {
  ByteReader bytes(data, data ? length : 0);
  DetectionContext context{openDecoder, screenDpiX, screenDpiY};
  for (Sniffer test : kTesters)
    if (test(bytes, context, detected)) return true;
  return false;
}

}  // namespace lumetta
