// The GDI implementation of the platform seam against the memory one: the same files and requests
// must give the same pixels, colour tables and palettes (DIB sections, device bitmaps, palettes).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "BmpBuilder.h"
#include "CodecBuilders.h"
#include "pipeline/GdiGraphics.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

using namespace lumetta;
using testimages::BmpLayout;
using testimages::BuildBmp;

namespace {

struct Output {
  bool ok = false;
  BitmapPixels display, full;
  BitmapPixels displayInBands;  // read back a few rows at a time, as the image tool reads it
  std::vector<RgbColor> palette;
};

BitmapPixels ReadInBands(PlatformGraphics& graphics, BitmapHandle bitmap) {
  BitmapPixels joined, band;
  for (int y = 0; graphics.ReadPixelRows(bitmap, y, 4, &band) && band.height > 0; y += band.height) {
    joined.rows.insert(joined.rows.end(), band.rows.begin(), band.rows.end());
    joined.height += band.height;
    joined.width = band.width, joined.bitCount = band.bitCount, joined.stride = band.stride;
    joined.colorTable = band.colorTable;
  }
  return joined;
}

Output Decode(const std::vector<uint8_t>& file, const DecodeRequest& request, PlatformGraphics& graphics) {
  Output out;
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  out.ok = image.Decode(request);
  if (image.GetBitmap()) {
    graphics.ReadPixels(image.GetBitmap(), &out.display);
    out.displayInBands = ReadInBands(graphics, image.GetBitmap());
  }
  if (image.GetFullColorBitmap()) graphics.ReadPixels(image.GetFullColorBitmap(), &out.full);
  if (PaletteHandle palette = image.GetPalette()) {
    out.palette.resize(256);
    out.palette.resize(graphics.GetPaletteColors(palette, out.palette.data(), 256));
  }
  return out;
}

void ExpectSamePixels(const BitmapPixels& gdi, const BitmapPixels& memory, const char* which) {
  SCOPED_TRACE(which);
  EXPECT_EQ(gdi.width, memory.width);
  EXPECT_EQ(gdi.height, memory.height);
  ASSERT_EQ(gdi.bitCount, memory.bitCount);
  EXPECT_EQ(gdi.colorTable, memory.colorTable);
  // Compare the used bytes of each row (padding is undefined).
  size_t used = (size_t(gdi.width) * gdi.bitCount + 7) / 8;
  for (int y = 0; y < gdi.height && y < memory.height; ++y)
    ASSERT_EQ(0, memcmp(gdi.rows.data() + gdi.stride * y, memory.rows.data() + memory.stride * y, used)) << "row " << y;
}

std::vector<std::vector<uint8_t>> Files() {
  std::vector<std::vector<uint8_t>> files;
  BmpLayout rgb;
  rgb.width = 37;
  rgb.height = 23;
  rgb.bits = 24;
  rgb.pixel = [](int x, int y) { return uint32_t(x * 7) << 16 | uint32_t(y * 11) << 8 | uint32_t((x ^ y) * 5); };
  files.push_back(BuildBmp(rgb));
  BmpLayout indexed;
  indexed.width = 29;
  indexed.height = -17;
  indexed.bits = 8;
  for (int i = 0; i < 256; ++i)
    indexed.palette.push_back(uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i * 3 % 256));
  indexed.pixel = [](int x, int y) { return uint32_t(x * 9 + y * 5) % 256; };
  files.push_back(BuildBmp(indexed));
  BmpLayout mono;
  mono.width = 19;
  mono.height = 9;
  mono.bits = 1;
  mono.palette = {0x203040, 0xE0D0C0};
  mono.pixel = [](int x, int y) { return uint32_t(x * y) & 1; };
  files.push_back(BuildBmp(mono));
  // The library decoders too, a progressive JPEG and an interlaced PNG among them.
  testimages::JpegOptions progressive;
  progressive.progressive = true;
  files.push_back(testimages::EncodeJpeg(41, 27, testimages::SamplePicture(41, 27, 3), progressive));
  testimages::PngOptions interlaced;
  interlaced.interlaced = true;
  files.push_back(testimages::EncodePng(33, 21, testimages::SamplePicture(33, 21, 3), interlaced));
  return files;
}

}  // namespace

TEST(GdiGraphics, DecodesToTheSamePixelsAsTheMemoryImplementation) {
  struct Variant {
    const char* name;
    int screen;
    DecodeRequest request;
  };
  std::vector<Variant> variants;
  for (int screen : {8, 16, 24}) {
    for (int dither = 0; dither <= 4; ++dither) {
      DecodeRequest r;
      r.ditherMode = dither;
      r.makeFullColorBitmap = dither % 2;
      r.bottomUp = dither >= 3;
      variants.push_back({"section", screen, r});
    }
    DecodeRequest device;
    device.deviceBitmap = 1;
    variants.push_back({"device bitmap", screen, device});
    DecodeRequest thumbnail;
    thumbnail.width = thumbnail.height = 10;
    thumbnail.ditherMode = 2;
    thumbnail.fixedPalette = 1;
    variants.push_back({"thumbnail", screen, thumbnail});
  }
  int fileIndex = 0;
  for (const std::vector<uint8_t>& file : Files()) {
    for (const Variant& v : variants) {
      SCOPED_TRACE(std::string(v.name) + " on " + std::to_string(v.screen) + " bits, file " +
                   std::to_string(fileIndex) + ", dither " + std::to_string(v.request.ditherMode));
      GdiGraphics gdi(v.screen);
      MemoryGraphics memory(v.screen);
      Output a = Decode(file, v.request, gdi);
      Output b = Decode(file, v.request, memory);
      ASSERT_TRUE(a.ok && b.ok);
      ExpectSamePixels(a.display, b.display, "display bitmap");
      ExpectSamePixels(a.displayInBands, a.display, "display bitmap in bands (GDI)");
      ExpectSamePixels(b.displayInBands, b.display, "display bitmap in bands (memory)");
      if (v.request.makeFullColorBitmap || a.full.width) ExpectSamePixels(a.full, b.full, "full-colour bitmap");
      EXPECT_EQ(a.palette, b.palette);
    }
    ++fileIndex;
  }
}

TEST(GdiGraphics, MadeObjectsAreRealGdiObjectsAndAreFreed) {
  GdiGraphics gdi(24);
  std::vector<uint8_t> file = Files()[1];
  DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    ImageFile image(file.data(), file.size());
    image.SetGraphics(gdi);
    DecodeRequest request;
    request.makeFullColorBitmap = 1;
    ASSERT_TRUE(image.Decode(request));
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(image.GetBitmap());
    DIBSECTION section = {};
    EXPECT_EQ(GetObjectA(bitmap, sizeof section, &section), int(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 29);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HPALETTE>(image.GetPalette())), DWORD(OBJ_PAL));
  }
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

// File-manager windows run their context menus on threads of their own with the one process-wide
// graphics: sections made, read back and deleted at once on several threads keep their row order, which
// travels with the handle (a thread's own graphics object reads it as well).
TEST(GdiGraphics, ThreadsMakeAndDeleteSectionsAtOnce) {
  GdiGraphics gdi(24);
  constexpr int kThreads = 4, kRounds = 30, kSections = 64;
  int wrongOrder[kThreads] = {};
  auto work = [&gdi](int* wrong) {
    GdiGraphics reader(24);
    for (int round = 0; round < kRounds; ++round) {
      BitmapHandle made[kSections] = {};
      for (int i = 0; i < kSections; ++i) {
        BitmapHeader header;
        header.info.width = 1;
        header.info.height = i % 2 ? 2 : -2;  // bottom-up and top-down in turn
        header.info.bitCount = 24;
        uint8_t* bits = nullptr;
        made[i] = gdi.CreateDibSection(header, nullptr, &bits);
        if (bits) bits[0] = 0xAA;  // the first row in memory
      }
      for (int i = 0; i < kSections; ++i) {
        BitmapPixels pixels;
        if (!made[i] || !(i % 4 < 2 ? gdi : reader).ReadPixels(made[i], &pixels) ||
            pixels.rows[i % 2 ? pixels.stride : 0] != 0xAA)
          ++*wrong;
      }
      for (BitmapHandle bitmap : made) gdi.DeleteBitmap(bitmap);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < kThreads; ++t) threads.emplace_back(work, &wrongOrder[t]);
  work(&wrongOrder[0]);
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrongOrder[t], 0) << "thread " << t;
}

// libjpeg and libpng report a fatal error by a long jump back into the glue, here through frames the
// mingw compilers built: a cut file must come back as error 9 and leave no GDI object behind.
TEST(GdiGraphics, CutLibraryFilesComeBackAsErrors) {
  testimages::JpegOptions progressive;
  progressive.progressive = true;
  std::vector<uint8_t> picture = testimages::SamplePicture(64, 48, 3);
  for (std::vector<uint8_t> file :
       {testimages::EncodeJpeg(64, 48, picture), testimages::EncodeJpeg(64, 48, picture, progressive),
        testimages::EncodePng(64, 48, picture)}) {
    file.resize(file.size() * 2 / 3);
    GdiGraphics gdi(24);
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    {
      ImageFile image(file.data(), file.size());
      image.SetGraphics(gdi);
      EXPECT_FALSE(image.Decode(DecodeRequest{}));
      EXPECT_EQ(image.GetLastError(), kErrRow);
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
  }
}
