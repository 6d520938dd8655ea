#pragma once

// What a caller asks of a decode. ImageFile keeps a copy while it decodes and hands it, with the
// screen's depth, to the decoder as it is. Eleven 32-bit fields in this order; the defaults are the
// request constructor's.
#include <cstdint>

namespace lumetta {

struct DecodeRequest {
  int32_t width = 0;  // target box; 0 means the image's own size
  int32_t height = 0;
  int32_t ditherMode = 1;           // 0..4 on 8-bit displays
  int32_t ditherTo16 = 1;           // ordered dither of 24-bit images on 16-bit displays
  int32_t bottomUp = 0;             // rows stored bottom-up
  int32_t fixedPalette = 0;         // only the fixed 240-colour palette
  int32_t makeBitmap = 1;           // the display bitmap
  int32_t makeFullColorBitmap = 0;  // also the full-depth bitmap
  int32_t allPages = 0;             // every page or frame in one run
  int32_t scanAllFrames = 0;        // handed to the decoder's Open
  int32_t deviceBitmap = 0;         // a device-dependent display bitmap
};
static_assert(sizeof(DecodeRequest) == 11 * 4);

}  // namespace lumetta
