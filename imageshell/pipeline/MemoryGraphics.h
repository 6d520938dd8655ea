#pragma once

// The memory implementation of the platform seam: bitmaps are plain buffers laid out exactly as DIB
// sections, device bitmaps are 24-bit buffers, palettes are colour lists. The host build uses it for
// everything; Windows tests use it as the reference that the GDI implementation must match.
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

class MemoryGraphics : public PlatformGraphics {
public:
  explicit MemoryGraphics(int screenBitsPerPixel = 24);
  ~MemoryGraphics() override;

  void SetScreenBitsPerPixel(int bits) { screenBits_ = bits; }
  void SetLegacyPlatform(bool legacy) { legacy_ = legacy; }
  void SetDotsPerInch(int horizontal, int vertical) {
    dpiX_ = horizontal;
    dpiY_ = vertical;
  }

  // Failure injection for tests: the next creation of that kind fails (once).
  enum class Creation { DibSection, DeviceBitmap, Palette, MemoryContext, DeviceRow };
  void FailNext(Creation what, int after = 0);

  // Objects created and not yet deleted (leak checks).
  int LiveObjects() const { return live_; }
  // Pixel memory of every bitmap made so far (what a refused image must not have cost).
  int64_t PixelBytesMade() const { return pixelBytesMade_; }

  int ScreenBitsPerPixel() override { return screenBits_; }
  void ScreenDotsPerInch(int* horizontal, int* vertical) override;
  bool IsLegacyPlatform() override { return legacy_; }

  PaletteHandle CreatePalette(const RgbColor* colors, int count) override;
  int GetPaletteColors(PaletteHandle palette, RgbColor* colors, int maxCount) override;
  void DeletePalette(PaletteHandle palette) override;

  BitmapHandle CreateDibSection(const BitmapHeader& header, PaletteHandle palette, uint8_t** bits) override;
  bool SetColorTable(BitmapHandle bitmap, const RgbColor* colors, int count) override;

  DeviceContextHandle CreateMemoryContext(PaletteHandle palette) override;
  void SelectContextPalette(DeviceContextHandle context, PaletteHandle palette) override;
  void DeleteMemoryContext(DeviceContextHandle context) override;
  BitmapHandle CreateDeviceBitmap(int width, int height) override;
  bool SetDeviceBitmapRows(DeviceContextHandle context, BitmapHandle bitmap, int firstScanLine, int count,
                           const void* rows, const BitmapHeader& header, bool paletteRelative) override;
  bool ClearDeviceBitmap(BitmapHandle bitmap) override;

  void DeleteBitmap(BitmapHandle bitmap) override;
  bool ReadPixelRows(BitmapHandle bitmap, int firstRow, int count, BitmapPixels* pixels) override;

private:
  bool ShouldFail(Creation what);

  int screenBits_;
  bool legacy_ = false;
  int dpiX_ = 96;
  int dpiY_ = 96;
  int live_ = 0;
  int64_t pixelBytesMade_ = 0;
  int failCountdown_[5] = {-1, -1, -1, -1, -1};
};

}  // namespace lumetta
