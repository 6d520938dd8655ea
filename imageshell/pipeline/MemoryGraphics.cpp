#include "pipeline/MemoryGraphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifndef _WIN32
#include <sys/mman.h>
#endif

// Under the address checker every bitmap comes from the heap, where a write past its end is caught.
#if defined(__SANITIZE_ADDRESS__)
#define LUMETTA_CHECKED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMETTA_CHECKED_HEAP 1
#endif
#endif

namespace lumetta {

namespace {

struct MemoryPalette {
  std::vector<RgbColor> colors;
};

// Zeroed pixel memory, taken from the system without clearing it here: a photograph's bitmap is tens of
// megabytes that the decoder is about to write over, and fresh pages come zeroed. On Linux a large block
// also asks for large pages: filling a 36 MB bitmap page by page costs some nine thousand page faults,
// in large pages a few dozen, which is a good share of a full-size decode.
class PixelMemory {
public:
  PixelMemory() = default;
  PixelMemory(const PixelMemory&) = delete;
  PixelMemory& operator=(const PixelMemory&) = delete;
  ~PixelMemory() { Release(); }

  bool Allocate(size_t size) {
    Release();
    if (size == 0) return true;
#if !defined(_WIN32) && !defined(LUMETTA_CHECKED_HEAP)
    if (size >= kLargePage) {
      // A whole number of large pages, so the system can place the block on a large-page boundary.
      size_t mapped = (size + kLargePage - 1) / kLargePage * kLargePage;
      void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (block == MAP_FAILED) return false;
#ifdef MADV_HUGEPAGE
      madvise(block, mapped, MADV_HUGEPAGE);  // advice only: small pages if refused
#endif
      data_ = static_cast<uint8_t*>(block);
      size_ = size;
      mapped_ = mapped;
      return true;
    }
#endif
    data_ = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!data_) return false;
    size_ = size;
    return true;
  }

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

private:
  static constexpr size_t kLargePage = size_t(2) << 20;

  void Release() {
#ifndef _WIN32
    if (mapped_) {
      munmap(data_, mapped_);
      data_ = nullptr;
    }
#endif
    std::free(data_);
    data_ = nullptr;
    size_ = mapped_ = 0;
  }

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t mapped_ = 0;  // bytes mapped from the system; 0 when from the heap
};

struct MemoryBitmap {
  int width = 0;
  int height = 0;  // rows
  int bitCount = 0;
  bool bottomUp = false;
  bool device = false;  // device bitmaps are 24-bit, rows top-down
  int64_t stride = 0;
  PixelMemory bits;
  std::vector<RgbColor> colorTable;
};

struct MemoryContext {
  const MemoryPalette* palette = nullptr;
};

MemoryBitmap* AsBitmap(BitmapHandle h) { return reinterpret_cast<MemoryBitmap*>(h); }
MemoryPalette* AsPalette(PaletteHandle h) { return reinterpret_cast<MemoryPalette*>(h); }
MemoryContext* AsContext(DeviceContextHandle h) { return reinterpret_cast<MemoryContext*>(h); }

bool SupportedBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Entries in the colour table of a bitmap of at most 8 bits: the colours-used value when it is set and
// smaller than the depth allows, else all of them.
int ColorTableSize(const BitmapInfoHeader& info) {
  int full = 1 << info.bitCount;
  return info.clrUsed != 0 && info.clrUsed < uint32_t(full) ? int(info.clrUsed) : full;
}

RgbColor PaletteColor(const MemoryPalette* palette, unsigned index) {
  if (!palette || index >= palette->colors.size()) return RgbColor{};
  return palette->colors[index];
}

// One pixel of a DIB row as RGB, the way the platform converts rows stored into a true-colour device.
RgbColor DibPixel(const uint8_t* row, int x, const BitmapHeader& header, bool paletteRelative,
                  const MemoryPalette* palette) {
  switch (header.info.bitCount) {
    case 1:
    case 4:
    case 8: {
      int bits = header.info.bitCount;
      unsigned index = bits == 8   ? row[x]
                       : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F
                                   : (row[x / 8] >> (7 - x % 8)) & 1;
      if (!paletteRelative || int(index) >= ColorTableSize(header.info)) return RgbColor{};
      return PaletteColor(palette, header.paletteIndex[index]);
    }
    case 16: {
      unsigned v = row[2 * x] | row[2 * x + 1] << 8;
      auto widen = [](unsigned c) { return uint8_t(c << 3 | c >> 2); };
      return RgbColor{widen(v >> 10 & 31), widen(v >> 5 & 31), widen(v & 31)};
    }
    case 24: return RgbColor{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    case 32: return RgbColor{row[4 * x + 2], row[4 * x + 1], row[4 * x]};
    default: return RgbColor{};
  }
}

}  // namespace

MemoryGraphics::MemoryGraphics(int screenBitsPerPixel) : screenBits_(screenBitsPerPixel) {}

MemoryGraphics::~MemoryGraphics() = default;

void MemoryGraphics::FailNext(Creation what, int after) { failCountdown_[int(what)] = after; }

bool MemoryGraphics::ShouldFail(Creation what) {
  int& countdown = failCountdown_[int(what)];
  if (countdown < 0) return false;
  if (countdown-- == 0) return true;
  return false;
}

void MemoryGraphics::ScreenDotsPerInch(int* horizontal, int* vertical) {
  if (horizontal) *horizontal = dpiX_;
  if (vertical) *vertical = dpiY_;
}

PaletteHandle MemoryGraphics::CreatePalette(const RgbColor* colors, int count) {
  if (ShouldFail(Creation::Palette) || count <= 0 || count > 256 || !colors) return nullptr;
  auto* palette = new (std::nothrow) MemoryPalette;
  if (!palette) return nullptr;
  palette->colors.assign(colors, colors + count);
  ++live_;
  return reinterpret_cast<PaletteHandle>(palette);
}

int MemoryGraphics::GetPaletteColors(PaletteHandle handle, RgbColor* colors, int maxCount) {
  MemoryPalette* palette = AsPalette(handle);
  if (!palette) return 0;
  int n = std::min<int>(maxCount, int(palette->colors.size()));
  if (colors) std::copy_n(palette->colors.begin(), n, colors);
  return colors ? n : int(palette->colors.size());
}

void MemoryGraphics::DeletePalette(PaletteHandle handle) {
  if (!handle) return;
  delete AsPalette(handle);
  --live_;
}

BitmapHandle MemoryGraphics::CreateDibSection(const BitmapHeader& header, PaletteHandle palette, uint8_t** bits) {
  if (bits) *bits = nullptr;
  const BitmapInfoHeader& info = header.info;
  if (ShouldFail(Creation::DibSection) || info.width <= 0 || info.height == 0 || info.height == INT32_MIN ||
      !SupportedBitCount(info.bitCount))
    return nullptr;
  int rows = info.height < 0 ? -info.height : info.height;
  int64_t stride = BitmapStride(info.width, info.bitCount);
  if (stride < 0 || stride * rows > 2 * kMaxImageBytes) return nullptr;
  auto* bitmap = new (std::nothrow) MemoryBitmap;
  if (!bitmap) return nullptr;
  if (!bitmap->bits.Allocate(size_t(stride * rows))) {
    delete bitmap;
    return nullptr;
  }
  bitmap->width = info.width;
  bitmap->height = rows;
  bitmap->bitCount = info.bitCount;
  bitmap->bottomUp = info.height > 0;
  bitmap->stride = stride;
  pixelBytesMade_ += stride * rows;
  if (info.bitCount <= 8) {
    // As GDI keeps it: room for every index of the depth, the entries past the colours used black.
    bitmap->colorTable.assign(size_t(1) << info.bitCount, RgbColor{});
    int entries = ColorTableSize(info);
    for (int i = 0; i < entries; ++i) bitmap->colorTable[i] = PaletteColor(AsPalette(palette), header.paletteIndex[i]);
  }
  ++live_;
  if (bits) *bits = bitmap->bits.data();
  return reinterpret_cast<BitmapHandle>(bitmap);
}

bool MemoryGraphics::SetColorTable(BitmapHandle handle, const RgbColor* colors, int count) {
  MemoryBitmap* bitmap = AsBitmap(handle);
  if (!bitmap || bitmap->device || bitmap->bitCount > 8 || !colors || count < 0) return false;
  int n = std::min<int>(count, int(bitmap->colorTable.size()));
  std::copy_n(colors, n, bitmap->colorTable.begin());
  return n > 0;
}

DeviceContextHandle MemoryGraphics::CreateMemoryContext(PaletteHandle palette) {
  if (ShouldFail(Creation::MemoryContext)) return nullptr;
  auto* context = new (std::nothrow) MemoryContext;
  if (!context) return nullptr;
  context->palette = AsPalette(palette);
  ++live_;
  return reinterpret_cast<DeviceContextHandle>(context);
}

void MemoryGraphics::SelectContextPalette(DeviceContextHandle context, PaletteHandle palette) {
  if (context) AsContext(context)->palette = AsPalette(palette);
}

void MemoryGraphics::DeleteMemoryContext(DeviceContextHandle context) {
  if (!context) return;
  delete AsContext(context);
  --live_;
}

BitmapHandle MemoryGraphics::CreateDeviceBitmap(int width, int height) {
  if (ShouldFail(Creation::DeviceBitmap) || width <= 0 || height <= 0) return nullptr;
  int64_t stride = BitmapStride(width, 24);
  if (stride * height > 2 * kMaxImageBytes) return nullptr;
  auto* bitmap = new (std::nothrow) MemoryBitmap;
  if (!bitmap) return nullptr;
  if (!bitmap->bits.Allocate(size_t(stride * height))) {
    delete bitmap;
    return nullptr;
  }
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitCount = 24;
  bitmap->device = true;
  bitmap->stride = stride;
  pixelBytesMade_ += stride * height;
  ++live_;
  return reinterpret_cast<BitmapHandle>(bitmap);
}

bool MemoryGraphics::SetDeviceBitmapRows(DeviceContextHandle context, BitmapHandle handle, int firstScanLine, int count,
                                         const void* rows, const BitmapHeader& header, bool paletteRelative) {
  MemoryBitmap* bitmap = AsBitmap(handle);
  if (ShouldFail(Creation::DeviceRow) || !context || !bitmap || !bitmap->device || !rows ||
      !SupportedBitCount(header.info.bitCount) || header.info.width <= 0)
    return false;
  if (firstScanLine < 0 || count <= 0 || firstScanLine > bitmap->height - count) return false;
  const MemoryPalette* palette = AsContext(context)->palette;
  int64_t sourceStride = BitmapStride(header.info.width, header.info.bitCount);
  int width = std::min(bitmap->width, int(header.info.width));
  for (int i = 0; i < count; ++i) {
    const uint8_t* source = static_cast<const uint8_t*>(rows) + sourceStride * i;
    int scanLine = firstScanLine + i;  // counted from the bottom
    uint8_t* target = bitmap->bits.data() + bitmap->stride * (bitmap->height - 1 - scanLine);
    for (int x = 0; x < width; ++x) {
      RgbColor c = DibPixel(source, x, header, paletteRelative, palette);
      target[3 * x] = c.blue;
      target[3 * x + 1] = c.green;
      target[3 * x + 2] = c.red;
    }
  }
  return true;
}

bool MemoryGraphics::ClearDeviceBitmap(BitmapHandle handle) {
  MemoryBitmap* bitmap = AsBitmap(handle);
  if (!bitmap) return false;
  std::memset(bitmap->bits.data(), 0, bitmap->bits.size());
  return true;
}

void MemoryGraphics::DeleteBitmap(BitmapHandle handle) {
  if (!handle) return;
  delete AsBitmap(handle);
  --live_;
}

bool MemoryGraphics::ReadPixelRows(BitmapHandle handle, int firstRow, int count, BitmapPixels* pixels) {
  MemoryBitmap* bitmap = AsBitmap(handle);
  if (!bitmap || !pixels || firstRow < 0 || firstRow > bitmap->height || count < 0) return false;
  const int rows = std::min(count, bitmap->height - firstRow);
  pixels->width = bitmap->width;
  pixels->height = rows;
  pixels->bitmapHeight = bitmap->height;
  pixels->bitCount = bitmap->bitCount;
  pixels->stride = bitmap->stride;
  pixels->colorTable = bitmap->colorTable;
  pixels->rows.resize(size_t(bitmap->stride) * size_t(rows));
  for (int i = 0; i < rows; ++i) {
    int y = firstRow + i;
    int stored = bitmap->bottomUp ? bitmap->height - 1 - y : y;
    std::memcpy(pixels->rows.data() + bitmap->stride * i, bitmap->bits.data() + bitmap->stride * stored,
                size_t(bitmap->stride));
  }
  return true;
}

}  // namespace lumetta
