// The placeable metafile decoder on pictures the test records through GDI and wraps in a placeable
// header: the size, refused files, the pixels drawn, two-pass colour reduction over the rendered
// picture, and the viewer's replay of the kept enhanced metafile.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BuildFolders.h"
#include "pipeline/GdiGraphics.h"
#include "image/ImageFile.h"
#include "TempFiles_win.h"

using namespace lumetta;

namespace {

constexpr COLORREF kUpperLeft = RGB(200, 40, 30);
constexpr COLORREF kLower = RGB(20, 110, 190);

// A picture of `width` x `height` logical units: the upper left quarter and the lower half filled, a
// cosmetic (one pixel at any scale) black line down the middle of the upper right quarter, the rest
// left undrawn. Recorded through GDI, with a placeable header of `unitsPerInch` in front.
std::vector<uint8_t> RecordPlaceable(int width, int height, int unitsPerInch) {
  HDC dc = CreateMetaFileA(nullptr);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, width, height, nullptr);
  HGDIOBJ noPen = GetStockObject(NULL_PEN);
  HBRUSH upper = CreateSolidBrush(kUpperLeft), lower = CreateSolidBrush(kLower);
  SelectObject(dc, noPen);
  SelectObject(dc, upper);
  Rectangle(dc, 0, 0, width / 2, height / 2);
  SelectObject(dc, lower);
  Rectangle(dc, 0, height / 2, width + 1, height + 1);
  HPEN line = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
  SelectObject(dc, line);
  MoveToEx(dc, width * 3 / 4, 0, nullptr);
  LineTo(dc, width * 3 / 4, height / 2 - height / 16);
  HMETAFILE metafile = CloseMetaFile(dc);
  DeleteObject(upper);
  DeleteObject(lower);
  DeleteObject(line);
  std::vector<uint8_t> file(22 + GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, UINT(file.size() - 22), file.data() + 22);
  DeleteMetaFile(metafile);

  // Key, handle, bounding box (left, top, right, bottom), units per inch, reserved, checksum.
  uint16_t words[11] = {0xCDD7, 0x9AC6, 0, 0, 0, uint16_t(width - 1), uint16_t(height - 1), uint16_t(unitsPerInch),
                        0,      0,      0};
  for (int i = 0; i < 10; ++i) words[10] ^= words[i];
  std::memcpy(file.data(), words, sizeof words);
  return file;
}

std::string WriteFile(const char* name, const std::vector<uint8_t>& bytes) {
  std::string path = testfiles::TempFolder() + name;
  testfiles::WriteWholeFile(path, bytes);
  return path;
}

COLORREF At(const BitmapPixels& p, int x, int y) {
  const uint8_t* q = p.rows.data() + p.stride * y + 3 * x;
  return RGB(q[2], q[1], q[0]);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class Metafile : public ::testing::Test {
protected:
  void SetUp() override {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi != 96) GTEST_SKIP() << "the expected sizes are those of a 96-dpi screen, this one has " << dpi;
  }
};

}  // namespace

TEST_F(Metafile, DecodesAtTheScreensResolutionWithinTheLimitOnTheWindowBackground) {
  struct Case {
    const char* name;
    int units[3];  // width, height, per inch
    int width, height;
  } cases[] = {
      {"10 x 5 inches", {14400, 7200, 1440}, 960, 480},
      {"40 x 10 inches, scaled to the limit", {23040, 5760, 576}, 2000, 500},
  };
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  GdiGraphics gdi(24);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageFile image(WriteFile("metafile.wmf", RecordPlaceable(c.units[0], c.units[1], c.units[2])).c_str());
    image.SetGraphics(gdi);
    EXPECT_EQ(image.GetKind(), ImageKind::Wmf);
    EXPECT_EQ(image.GetWidth(0), c.width);
    DecodeRequest request;
    request.makeFullColorBitmap = 1;
    ASSERT_TRUE(image.Decode(request)) << "error " << image.GetLastError();
    EXPECT_EQ(image.GetOutputWidth(0), c.width);
    EXPECT_EQ(image.GetOutputHeight(0), c.height);
    ASSERT_NE(image.GetExtras(), nullptr);
    EXPECT_EQ(GetObjectType(image.GetExtras()->EnhancedMetafile()), DWORD(OBJ_ENHMETAFILE));
    for (BitmapHandle bitmap : {image.GetBitmap(), image.GetFullColorBitmap()}) {
      BitmapPixels p;
      ASSERT_TRUE(gdi.ReadPixels(bitmap, &p));
      ASSERT_EQ(p.bitCount, 24);
      const int w = c.width, h = c.height;
      EXPECT_EQ(At(p, w / 4, h / 4), kUpperLeft);
      EXPECT_EQ(At(p, w / 2, h * 3 / 4), kLower);
      EXPECT_EQ(At(p, w - 1, h - 1), kLower);
      EXPECT_EQ(At(p, w * 7 / 8, h / 4), window);
    }
  }
}

TEST_F(Metafile, RefusesWhatGdiCannotBeHandedSafely) {
  const std::vector<uint8_t> good = RecordPlaceable(1440, 720, 1440);
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int error;
  };
  std::vector<Case> cases;
  cases.push_back({"wrong checksum", good, kErrFormat});
  cases.back().file[20] ^= 1;
  cases.push_back({"records cut off", std::vector<uint8_t>(good.begin(), good.end() - 40), kErrRow});
  cases.push_back({"metafile header of the wrong length", good, kErrFormat});
  cases.back().file[22 + 2] = 10;
  cases.push_back({"size of four gigabytes", good, kErrFormat});
  cases.back().file[22 + 6] = cases.back().file[22 + 7] = cases.back().file[22 + 8] = cases.back().file[22 + 9] = 0xFF;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageFile image(WriteFile("refused.wmf", c.file).c_str());
    EXPECT_FALSE(image.Decode(DecodeRequest{}));
    EXPECT_EQ(image.GetLastError(), c.error);
  }
  // GDI is handed the bits of a file of its own: a metafile in memory has no decoder.
  ImageFile inMemory(good.data(), good.size());
  EXPECT_FALSE(inMemory.Decode(DecodeRequest{}));
  EXPECT_EQ(inMemory.GetLastError(), kErrNoDecoder);
}

TEST_F(Metafile, OptimisedPaletteOnAnEightBitDisplayComesFromEveryRenderedRow) {
  GdiGraphics gdi(8);
  ImageFile image(WriteFile("palette.wmf", RecordPlaceable(14400, 7200, 1440)).c_str());
  image.SetGraphics(gdi);
  DecodeRequest request;
  request.ditherMode = 3;
  ASSERT_TRUE(image.Decode(request)) << "error " << image.GetLastError();
  BitmapPixels p;
  ASSERT_TRUE(gdi.ReadPixels(image.GetBitmap(), &p));
  ASSERT_EQ(p.bitCount, 8);
  std::vector<uint8_t> rgb = PixelsToRgb(p);
  auto shown = [&](int x, int y) {
    const uint8_t* q = rgb.data() + 3 * (size_t(y) * p.width + x);
    return RGB(q[0], q[1], q[2]);
  };
  // Neither colour is in the fixed palette: only the image's own palette, built from the top rows and
  // the bottom ones alike, shows both closely.
  EXPECT_TRUE(Near(shown(240, 120), kUpperLeft, 8)) << std::hex << shown(240, 120);
  EXPECT_TRUE(Near(shown(480, 470), kLower, 8)) << std::hex << shown(480, 470);
}

TEST_F(Metafile, TheViewerReplaysThePictureAtThreeTimesItsSizeWithoutLoss) {
  // 1 x 0.5 inches: 96 x 48 pixels, 288 x 144 at 300 %.
  std::string path = WriteFile("viewer.wmf", RecordPlaceable(1440, 720, 1440));
  HMODULE module = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
  ASSERT_NE(module, nullptr);
  using ShowImageFn = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
  auto showImage = reinterpret_cast<ShowImageFn>(reinterpret_cast<void*>(GetProcAddress(module, "ShowImage")));
  ASSERT_NE(showImage, nullptr);
  std::thread viewer([&] { showImage(nullptr, nullptr, path.data(), SW_SHOWNORMAL); });
  HWND frame = nullptr;
  for (int i = 0; i < 200 && !frame; ++i, Sleep(50)) frame = FindWindowA("Lumetta", nullptr);
  if (frame) {
    for (int i = 0; i < 3; ++i) SendMessageA(frame, WM_KEYDOWN, VK_ADD, 0);  // 150, 200, 300
    char title[256] = "";
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ(std::strrchr(title, ' '), " 300%");
    HWND view = FindWindowExA(frame, nullptr, "ImageViewWndClass", nullptr);
    ASSERT_NE(view, nullptr);
    RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(view);
    EXPECT_EQ(GetPixel(dc, 3 * 24, 3 * 12), kUpperLeft);
    EXPECT_EQ(GetPixel(dc, 3 * 48, 3 * 40), kLower);
    // The one-pixel line is drawn again at the new scale: still about a pixel wide, where a stretched
    // bitmap would show it three pixels wide.
    int dark = 0;
    for (int x = 3 * 60; x < 3 * 84; ++x) dark += GetPixel(dc, x, 3 * 20) == RGB(0, 0, 0);
    EXPECT_GE(dark, 1);
    EXPECT_LE(dark, 2);
    ReleaseDC(view, dc);
    PostMessageA(frame, WM_CLOSE, 0, 0);
  }
  viewer.join();
  FreeLibrary(module);
  EXPECT_NE(frame, nullptr) << "no viewer frame appeared";
}
