#pragma once

// The platform seam: everything the output pipeline asks of the graphics system. On Windows the GDI
// implementation hands out real HBITMAP / HPALETTE / HDC values behind these opaque handles; on the host
// the memory implementation keeps plain pixel buffers, so decoders and the pipeline run unchanged there.
#include <cstdint>
#include <vector>

#include "pipeline/ImageModel.h"

namespace lumetta {

struct BitmapObject;
struct PaletteObject;
struct DeviceContextObject;
using BitmapHandle = BitmapObject*;                // HBITMAP on Windows
using PaletteHandle = PaletteObject*;              // HPALETTE on Windows
using DeviceContextHandle = DeviceContextObject*;  // HDC on Windows

// The 40-byte bitmap header, laid out as the platform's BITMAPINFOHEADER.
struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up; negative: top-down
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// A bitmap header followed by 256 palette-relative colour slots: bitmaps of at most 8 bits are made
// with colours that index the selected logical palette (laid out as BITMAPINFO with DIB_PAL_COLORS).
struct BitmapHeader {
  BitmapInfoHeader info;
  uint16_t paletteIndex[256] = {};
};
static_assert(sizeof(BitmapHeader) == 40 + 512);

// Bytes in one stored row of a bitmap: rows are padded to 4 bytes. -1 if it does not fit.
int64_t BitmapStride(int64_t width, int bitCount);

// A bitmap's pixels as stored, rows top-down, each padded to 4 bytes, with its colour table. Device
// bitmaps are read back at 24 bits.
struct BitmapPixels {
  int width = 0;
  int height = 0;        // rows read
  int bitmapHeight = 0;  // rows in the whole bitmap
  int bitCount = 0;
  int64_t stride = 0;
  std::vector<uint8_t> rows;
  std::vector<RgbColor> colorTable;  // for bit counts up to 8
};

class PlatformGraphics {
public:
  virtual ~PlatformGraphics() = default;

  // The screen: bits per pixel as the system reports it, dots per inch, and whether the system is the
  // legacy 16-bit-hosted Win32 subset (which can show only device bitmaps properly).
  virtual int ScreenBitsPerPixel() = 0;
  virtual void ScreenDotsPerInch(int* horizontal, int* vertical) = 0;
  virtual bool IsLegacyPlatform() = 0;

  // Logical palettes.
  virtual PaletteHandle CreatePalette(const RgbColor* colors, int count) = 0;
  virtual int GetPaletteColors(PaletteHandle palette, RgbColor* colors, int maxCount) = 0;
  virtual void DeletePalette(PaletteHandle palette) = 0;

  // A DIB section as the header describes it; for at most 8 bits its colour table comes from
  // `palette` through the header's palette-relative slots (black where there is no palette entry).
  // `bits` receives the pixel memory. Null on failure.
  virtual BitmapHandle CreateDibSection(const BitmapHeader& header, PaletteHandle palette, uint8_t** bits) = 0;
  // Replaces the first `count` entries of a DIB section's colour table.
  virtual bool SetColorTable(BitmapHandle bitmap, const RgbColor* colors, int count) = 0;

  // A memory device context with `palette` selected and realised (none when null), for device bitmaps.
  virtual DeviceContextHandle CreateMemoryContext(PaletteHandle palette) = 0;
  virtual void SelectContextPalette(DeviceContextHandle context, PaletteHandle palette) = 0;
  virtual void DeleteMemoryContext(DeviceContextHandle context) = 0;
  // A device-dependent bitmap compatible with the screen, without initial bits.
  virtual BitmapHandle CreateDeviceBitmap(int width, int height) = 0;
  // Stores `count` scan lines (bottom-up numbering) of a device bitmap from DIB rows described by
  // `header`, with palette-relative colours through the context's palette or with RGB colours.
  virtual bool SetDeviceBitmapRows(DeviceContextHandle context, BitmapHandle bitmap, int firstScanLine, int count,
                                   const void* rows, const BitmapHeader& header, bool paletteRelative) = 0;
  // Fills a device bitmap with black.
  virtual bool ClearDeviceBitmap(BitmapHandle bitmap) = 0;

  virtual void DeleteBitmap(BitmapHandle bitmap) = 0;

  // Reads any bitmap back (DIB sections as stored, device bitmaps at 24 bits).
  bool ReadPixels(BitmapHandle bitmap, BitmapPixels* pixels) { return ReadPixelRows(bitmap, 0, INT32_MAX, pixels); }
  // Reads `count` rows from row `firstRow` (top-down numbering; clipped to the rows there are) the same
  // way: pixels->height is the number read. A band at a time lets a caller go through a large bitmap
  // without a second copy of the whole.
  virtual bool ReadPixelRows(BitmapHandle bitmap, int firstRow, int count, BitmapPixels* pixels) = 0;
};

// The process's graphics: GDI on Windows, memory on the host, unless a test or tool set another.
PlatformGraphics& DefaultGraphics();
// Replaces the process's graphics (null restores the built-in one). The object must outlive every
// image made while it is set.
void SetDefaultGraphics(PlatformGraphics* graphics);

// Converts read-back pixels to 8-bit RGB, top-down and unpadded: indexed pixels through the colour
// table, 16-bit pixels (5-5-5) widened as v << 3 | v >> 2, 24/32-bit pixels as stored.
std::vector<uint8_t> PixelsToRgb(const BitmapPixels& pixels);
// The same into `rgb`, which holds width * height * 3 bytes.
void PixelsToRgb(const BitmapPixels& pixels, uint8_t* rgb);

}  // namespace lumetta
