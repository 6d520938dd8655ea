#pragma once

// Decoding test images through ImageFile and reading the result back as RGB.
#include <cstdint>
#include <vector>

#include "image/ImageFile.h"
#include "pipeline/PlatformGraphics.h"

namespace testimages {

struct Decoded {
  bool ok = false;
  int error = 0;
  lumetta::BitmapPixels pixels;
  std::vector<uint8_t> rgb;  // top-down, 3 bytes a pixel
  int width() const { return pixels.width; }
  int height() const { return pixels.height; }
  // The pixel (x, y) as 0xRRGGBB.
  uint32_t At(int x, int y) const {
    const uint8_t* p = rgb.data() + (size_t(y) * pixels.width + x) * 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
};

inline Decoded DecodeBytes(const std::vector<uint8_t>& file, const lumetta::DecodeRequest& request,
                           lumetta::PlatformGraphics& graphics, bool fullColor = false) {
  Decoded result;
  lumetta::ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  result.ok = image.Decode(request);
  result.error = image.GetLastError();
  lumetta::BitmapHandle bitmap = fullColor ? image.GetFullColorBitmap() : image.GetBitmap();
  if (result.ok && bitmap && graphics.ReadPixels(bitmap, &result.pixels))
    result.rgb = lumetta::PixelsToRgb(result.pixels);
  return result;
}

inline Decoded DecodeBytes(const std::vector<uint8_t>& file, lumetta::PlatformGraphics& graphics) {
  return DecodeBytes(file, lumetta::DecodeRequest{}, graphics);
}

}  // namespace testimages

namespace testimages {

// Decodes in steps of `rows` rows (0: in one run, as ImageFile::Decode does), as a window that shows
// the image while it is decoded does; gives up on a decoder that stops moving.
inline bool DecodeInSteps(lumetta::ImageFile& image, const lumetta::DecodeRequest& request, int rows) {
  if (rows <= 0) return image.Decode(request);
  image.ReleaseAll();
  bool ok = image.BeginDecode(request);
  lumetta::StallWatch watch;
  while (ok && image.GetProgress() < lumetta::kProgressComplete)
    ok = image.DecodeStep(rows, nullptr, nullptr) && !watch.Stalled(image);
  image.EndDecode(false);
  return ok;
}

// One of the ways the context menu, the viewer, the wallpaper and conversion decode an image: the
// display, the legacy platform, the request and the step size. Every number picks one; kDecodeVariants
// numbers cover them all.
struct DecodeVariant {
  int screenBits = 24;
  bool legacy = false;
  lumetta::DecodeRequest request;
  int rowsPerStep = 0;
};
constexpr unsigned kDecodeVariants = 7 * 6 * 2 * 3;

inline DecodeVariant MakeDecodeVariant(unsigned choice) {
  static const int kScreens[7] = {1, 4, 8, 15, 16, 24, 32};
  static const int kSteps[3] = {0, 1, 7};
  DecodeVariant v;
  v.screenBits = kScreens[choice % 7];
  choice /= 7;
  lumetta::DecodeRequest& r = v.request;
  switch (choice % 6) {
    case 0:  // the viewer animating: every page or frame in one run
      r.allPages = r.scanAllFrames = 1;
      break;
    case 1:  // the menu's thumbnail
      r.width = r.height = 100;
      r.ditherMode = 2;
      r.fixedPalette = 1;
      break;
    case 2:  // the wallpaper: two passes, bottom-up
      r.ditherMode = 4;
      r.bottomUp = 1;
      break;
    case 3:  // conversion and printing: only the full-colour bitmap
      r.bottomUp = 1;
      r.makeBitmap = 0;
      r.makeFullColorBitmap = 1;
      r.ditherMode = 3;
      break;
    case 4:  // a device bitmap in a small box, unreduced
      r.width = 7;
      r.height = 5;
      r.deviceBitmap = 1;
      r.ditherMode = 0;
      break;
    case 5:  // both bitmaps, fixed palette
      r.fixedPalette = 1;
      r.makeFullColorBitmap = 1;
      r.ditherMode = 1;
      break;
  }
  choice /= 6;
  v.legacy = choice % 2;
  choice /= 2;
  v.rowsPerStep = kSteps[choice % 3];
  return v;
}

}  // namespace testimages
