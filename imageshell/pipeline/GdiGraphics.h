#pragma once

// The GDI implementation of the platform seam (Windows only). The handles it gives out are the real
// HBITMAP, HPALETTE and HDC values.

#include "pipeline/PlatformGraphics.h"

namespace lumetta {

class GdiGraphics : public PlatformGraphics {
public:
  // A non-zero `screenBitsOverride` answers ScreenBitsPerPixel with that value instead of the
  // screen's (the image tool decodes "as on" a display of a chosen depth).
  explicit GdiGraphics(int screenBitsOverride = 0) : screenBitsOverride_(screenBitsOverride) {}

  int ScreenBitsPerPixel() override;
  void ScreenDotsPerInch(int* horizontal, int* vertical) override;
  bool IsLegacyPlatform() override;

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
  int screenBitsOverride_;
};

}  // namespace lumetta
