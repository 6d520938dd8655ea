#pragma once

// Decoding test images through ImageFile and reading the result back as RGB.
#include <cstdint>
#include <vector>

#include "ImageFile.h"
#include "PlatformGraphics.h"

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
