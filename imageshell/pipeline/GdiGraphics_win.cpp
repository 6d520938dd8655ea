#include "pipeline/GdiGraphics.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pipeline/GdiGuards_win.h"

namespace lumetta {

using gdi::BitmapDc;
using gdi::ScreenDc;

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));

namespace {

HBITMAP H(BitmapHandle h) { return reinterpret_cast<HBITMAP>(h); }
HPALETTE H(PaletteHandle h) { return reinterpret_cast<HPALETTE>(h); }
HDC H(DeviceContextHandle h) { return reinterpret_cast<HDC>(h); }

// The header as the platform reads it. Above 8 bits no colour table follows our header, so the
// colours-used count must not make GDI read one.
BitmapHeader PlatformHeader(const BitmapHeader& header) {
  BitmapHeader copy = header;
  if (copy.info.bitCount > 8) copy.info.clrUsed = 0;
  copy.info.clrImportant = 0;
  return copy;
}

const BITMAPINFO* AsInfo(const BitmapHeader& header) { return reinterpret_cast<const BITMAPINFO*>(&header); }

// The row order of a section made here. The system reports every section's height as positive, so
// the order is kept with the handle itself, in the bitmap dimension that GDI stores for applications
// and never uses: no table shared between threads (each file-manager window runs its context menu on
// a thread of its own) and no table per graphics object.
constexpr int kRowOrderMark = 0x4C55;  // the dimension's width says the height is ours

void KeepRowOrder(HBITMAP bitmap, bool topDown) { SetBitmapDimensionEx(bitmap, kRowOrderMark, topDown, nullptr); }

bool IsTopDown(HBITMAP bitmap, bool otherwise) {
  SIZE kept = {};
  if (!GetBitmapDimensionEx(bitmap, &kept) || kept.cx != kRowOrderMark) return otherwise;
  return kept.cy != 0;
}

}  // namespace

int GdiGraphics::ScreenBitsPerPixel() {
  if (screenBitsOverride_ > 0) return screenBitsOverride_;
  ScreenDc screen;
  if (!screen.get()) return 24;
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

void GdiGraphics::ScreenDotsPerInch(int* horizontal, int* vertical) {
  ScreenDc screen;
  if (horizontal) *horizontal = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  if (vertical) *vertical = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

bool GdiGraphics::IsLegacyPlatform() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&version)) return false;
#pragma GCC diagnostic pop
  return version.dwPlatformId == VER_PLATFORM_WIN32s;
}

PaletteHandle GdiGraphics::CreatePalette(const RgbColor* colors, int count) {
  if (!colors || count <= 0 || count > 256) return nullptr;
  struct {
    WORD version;
    WORD entries;
    PALETTEENTRY colors[256];
  } logical = {0x300, WORD(count), {}};
  for (int i = 0; i < count; ++i) logical.colors[i] = PALETTEENTRY{colors[i].red, colors[i].green, colors[i].blue, 0};
  return reinterpret_cast<PaletteHandle>(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical)));
}

int GdiGraphics::GetPaletteColors(PaletteHandle palette, RgbColor* colors, int maxCount) {
  if (!palette) return 0;
  if (!colors) return int(GetPaletteEntries(H(palette), 0, 0, nullptr));
  PALETTEENTRY entries[256];
  UINT n = GetPaletteEntries(H(palette), 0, UINT(std::clamp(maxCount, 0, 256)), entries);
  for (UINT i = 0; i < n; ++i) colors[i] = RgbColor{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
  return int(n);
}

void GdiGraphics::DeletePalette(PaletteHandle palette) {
  if (palette) DeleteObject(H(palette));
}

BitmapHandle GdiGraphics::CreateDibSection(const BitmapHeader& header, PaletteHandle palette, uint8_t** bits) {
  if (bits) *bits = nullptr;
  BitmapHeader platformHeader = PlatformHeader(header);
  ScreenDc screen;
  if (!screen.get()) return nullptr;
  HPALETTE oldPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(screen.get(), H(palette), FALSE);
    RealizePalette(screen.get());
  }
  void* pixels = nullptr;
  UINT usage = header.info.bitCount <= 8 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
  HBITMAP bitmap = CreateDIBSection(screen.get(), AsInfo(platformHeader), usage, &pixels, nullptr, 0);
  if (palette) SelectPalette(screen.get(), oldPalette ? oldPalette : HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
  if (!bitmap) return nullptr;
  if (bits) *bits = static_cast<uint8_t*>(pixels);
  KeepRowOrder(bitmap, header.info.height < 0);
  return reinterpret_cast<BitmapHandle>(bitmap);
}

bool GdiGraphics::SetColorTable(BitmapHandle bitmap, const RgbColor* colors, int count) {
  if (!bitmap || !colors || count <= 0) return false;
  BitmapDc dc(H(bitmap));
  if (!dc.get()) return false;
  RGBQUAD quads[256];
  int n = std::min(count, 256);
  for (int i = 0; i < n; ++i) quads[i] = RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 0};
  return SetDIBColorTable(dc.get(), 0, UINT(n), quads) > 0;
}

DeviceContextHandle GdiGraphics::CreateMemoryContext(PaletteHandle palette) {
  ScreenDc screen;
  HDC dc = CreateCompatibleDC(screen.get());
  if (dc && palette) {
    SelectPalette(dc, H(palette), FALSE);
    RealizePalette(dc);
  }
  return reinterpret_cast<DeviceContextHandle>(dc);
}

void GdiGraphics::SelectContextPalette(DeviceContextHandle context, PaletteHandle palette) {
  if (!context) return;
  SelectPalette(H(context), palette ? H(palette) : HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
  RealizePalette(H(context));
}

void GdiGraphics::DeleteMemoryContext(DeviceContextHandle context) {
  if (!context) return;
  // The palette may outlive the context: take it out before the context goes.
  SelectPalette(H(context), HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
  DeleteDC(H(context));
}

BitmapHandle GdiGraphics::CreateDeviceBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  ScreenDc screen;
  if (!screen.get()) return nullptr;
  return reinterpret_cast<BitmapHandle>(CreateCompatibleBitmap(screen.get(), width, height));
}

bool GdiGraphics::SetDeviceBitmapRows(DeviceContextHandle context, BitmapHandle bitmap, int firstScanLine, int count,
                                      const void* rows, const BitmapHeader& header, bool paletteRelative) {
  if (!context || !bitmap || !rows || count <= 0) return false;
  BitmapHeader platformHeader = PlatformHeader(header);
  int stored = SetDIBits(H(context), H(bitmap), UINT(firstScanLine), UINT(count), rows, AsInfo(platformHeader),
                         paletteRelative ? DIB_PAL_COLORS : DIB_RGB_COLORS);
  return stored == count;
}

bool GdiGraphics::ClearDeviceBitmap(BitmapHandle bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(H(bitmap), sizeof(info), &info)) return false;
  BitmapDc dc(H(bitmap));
  return dc.get() && PatBlt(dc.get(), 0, 0, info.bmWidth, info.bmHeight, BLACKNESS);
}

void GdiGraphics::DeleteBitmap(BitmapHandle bitmap) {
  if (!bitmap) return;
  DeleteObject(H(bitmap));
}

bool GdiGraphics::ReadPixelRows(BitmapHandle bitmap, int firstRow, int count, BitmapPixels* pixels) {
  if (!bitmap || !pixels || firstRow < 0 || count < 0) return false;
  DIBSECTION section = {};
  int got = GetObjectA(H(bitmap), sizeof(section), &section);
  if (got == int(sizeof(DIBSECTION)) && section.dsBm.bmBits) {
    // A DIB section: its memory as stored, turned top-down, and its colour table.
    int height = std::abs(section.dsBmih.biHeight);
    if (firstRow > height) return false;
    int rows = std::min(count, height - firstRow);
    bool bottomUp = !IsTopDown(H(bitmap), section.dsBmih.biHeight < 0);
    pixels->width = section.dsBmih.biWidth;
    pixels->height = rows;
    pixels->bitmapHeight = height;
    pixels->bitCount = section.dsBmih.biBitCount;
    pixels->stride = section.dsBm.bmWidthBytes;
    pixels->rows.resize(size_t(pixels->stride) * rows);
    const auto* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    for (int i = 0; i < rows; ++i) {
      int y = firstRow + i;
      std::memcpy(pixels->rows.data() + pixels->stride * i, bits + pixels->stride * (bottomUp ? height - 1 - y : y),
                  size_t(pixels->stride));
    }
    pixels->colorTable.clear();
    if (pixels->bitCount <= 8) {
      BitmapDc dc(H(bitmap));
      RGBQUAD quads[256];
      UINT n = dc.get() ? GetDIBColorTable(dc.get(), 0, 256, quads) : 0;
      for (UINT i = 0; i < n; ++i)
        pixels->colorTable.push_back(RgbColor{quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue});
    }
    return true;
  }
  // A device bitmap: read back at 24 bits. Scan lines are numbered from the bottom, so the band is
  // asked for bottom-up, where a partial read is plainly defined, and turned over here.
  BITMAP info = {};
  if (!GetObjectA(H(bitmap), sizeof(info), &info) || firstRow > info.bmHeight) return false;
  int rows = std::min(count, int(info.bmHeight) - firstRow);
  BitmapHeader header;
  header.info.width = info.bmWidth;
  header.info.height = info.bmHeight;
  header.info.bitCount = 24;
  pixels->width = info.bmWidth;
  pixels->height = rows;
  pixels->bitmapHeight = info.bmHeight;
  pixels->bitCount = 24;
  pixels->stride = BitmapStride(info.bmWidth, 24);
  pixels->rows.assign(size_t(pixels->stride) * rows, 0);
  pixels->colorTable.clear();
  if (rows == 0) return true;
  ScreenDc screen;
  int read = GetDIBits(screen.get(), H(bitmap), UINT(info.bmHeight - firstRow - rows), UINT(rows), pixels->rows.data(),
                       reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  if (read != rows) return false;
  for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = pixels->rows.data() + pixels->stride * top;
    std::swap_ranges(a, a + pixels->stride, pixels->rows.data() + pixels->stride * bottom);
  }
  return true;
}

}  // namespace lumetta
