// lumetta32's viewer as rundll32 opens it: ShowImage on a thread of its own, the frame driven with the
// messages a person's keys, wheel and window buttons send, read back through the real window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "BmpBuilder.h"
#include "BuildFolders.h"

namespace {

using ShowImageFn = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

std::string WriteBmp(const char* name, int width, int height) {
  testimages::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixel = [](int x, int y) { return uint32_t((x * 4) << 16 | (y * 4) << 8 | 0x80); };
  std::vector<uint8_t> bytes = testimages::BuildBmp(layout);
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

std::string Title(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

SIZE Extent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

class LumettaViewer : public ::testing::Test {
protected:
  void SetUp() override {
    module_ = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module_, nullptr);
    showImage_ = reinterpret_cast<ShowImageFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ShowImage")));
    canUnloadNow_ =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    ASSERT_NE(showImage_, nullptr);
  }
  void TearDown() override {
    if (viewer_.joinable()) {
      if (HWND w = FindWindowA("Lumetta", nullptr)) PostMessageA(w, WM_CLOSE, 0, 0);
      viewer_.join();
    }
    FreeLibrary(module_);
  }

  // Starts ShowImage as rundll32 does and waits for its frame.
  HWND Open(std::string path) {
    path_ = path;
    viewer_ = std::thread([this] { showImage_(nullptr, nullptr, path_.data(), SW_SHOWNORMAL); });
    for (int i = 0; i < 200; ++i) {
      if (HWND w = FindWindowA("Lumetta", nullptr)) return w;
      Sleep(50);
    }
    return nullptr;
  }

  HMODULE module_ = nullptr;
  ShowImageFn showImage_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
  std::string path_;
  std::thread viewer_;
};

}  // namespace

TEST_F(LumettaViewer, KeysAndWheelZoomInStepsAndTheFrameFollowsWithinItsLimits) {
  HWND frame = Open(WriteBmp("viewer-200x100.bmp", 200, 100));
  ASSERT_NE(frame, nullptr) << "no viewer frame appeared";
  EXPECT_EQ(Title(frame), "viewer-200x100.bmp (200x100x16M bmp) - 100%");
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);

  struct Step {
    UINT message;
    WPARAM wParam;
    const char* zoom;  // the title's end afterwards
  } steps[] = {
      {WM_KEYDOWN, VK_ADD, "150%"},
      {WM_KEYDOWN, VK_SUBTRACT, "100%"},
      {WM_KEYDOWN, VK_OEM_MINUS, "70%"},
      {WM_KEYDOWN, VK_DIVIDE, "100%"},
      {WM_KEYDOWN, VK_OEM_PLUS, "150%"},
      {WM_KEYDOWN, VK_OEM_5, "100%"},
      // The wheel zooms only with CTRL.
      {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), "100%"},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), "150%"},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WORD(-120)), "100%"},
  };
  for (const Step& s : steps) {
    SendMessageA(frame, s.message, s.wParam, 0);
    std::string title = Title(frame);
    EXPECT_EQ(title.substr(title.rfind(' ') + 1), s.zoom) << "after message " << s.message << " " << s.wParam;
  }

  // Down to the smallest step: the frame keeps its minimum; up to the largest: never past the work area.
  for (int i = 0; i < 10; ++i) SendMessageA(frame, WM_KEYDOWN, VK_SUBTRACT, 0);
  EXPECT_EQ(Title(frame), "viewer-200x100.bmp (200x100x16M bmp) - 5%");
  SIZE small = Extent(frame);
  EXPECT_GE(small.cx, 120);
  EXPECT_GE(small.cy, 20);
  for (int i = 0; i < 25; ++i) SendMessageA(frame, WM_KEYDOWN, VK_ADD, 0);
  EXPECT_EQ(Title(frame), "viewer-200x100.bmp (200x100x16M bmp) - 10000%");
  SIZE large = Extent(frame);
  EXPECT_LE(large.cx, work.right - work.left);
  EXPECT_LE(large.cy, work.bottom - work.top);

  // '8' fits to screen like NUMPAD *: the image grows to what the work area holds.
  SendMessageA(frame, WM_KEYDOWN, VK_MULTIPLY, 0);
  std::string fitted = Title(frame);
  SendMessageA(frame, WM_KEYDOWN, VK_DIVIDE, 0);
  SendMessageA(frame, WM_KEYDOWN, '8', 0);
  EXPECT_EQ(Title(frame), fitted);
  int percent = std::stoi(fitted.substr(fitted.rfind(' ') + 1));
  EXPECT_GT(percent, 150);
  SIZE fit = Extent(frame);
  EXPECT_LE(fit.cx, work.right - work.left);
  EXPECT_LE(fit.cy, work.bottom - work.top);

  // F5 reloads (with or without SHIFT) and the image comes back whole.
  SendMessageA(frame, WM_KEYDOWN, VK_F5, 0);
  SendMessageA(frame, WM_NULL, 0, 0);
  EXPECT_EQ(Title(frame), fitted);

  // A maximised frame keeps its size when the zoom changes.
  ShowWindow(frame, SW_MAXIMIZE);
  SendMessageA(frame, WM_NULL, 0, 0);
  SIZE maximised = Extent(frame);
  SendMessageA(frame, WM_KEYDOWN, VK_SUBTRACT, 0);
  EXPECT_EQ(Extent(frame).cx, maximised.cx);
  EXPECT_EQ(Extent(frame).cy, maximised.cy);

  // Esc closes; ShowImage returns and nothing of the viewer holds the module.
  SendMessageA(frame, WM_KEYDOWN, VK_ESCAPE, 0);
  viewer_.join();
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(LumettaViewer, AFileThatCannotBeShownReturnsAtOnce) {
  std::string missing = "Z:\\no\\such\\folder\\image.bmp";
  showImage_(nullptr, nullptr, missing.data(), SW_SHOWNORMAL);
  EXPECT_EQ(FindWindowA("Lumetta", nullptr), nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

namespace {

// A looping two-frame GIF of 64 x 64: frame 0 all red, frame 1 all blue, each shown for a tenth of a second.
// The pixel data repeats the clear code before every pixel, so the code size stays at 3 bits and the
// stream needs no encoder.
std::string WriteTwoFrameGif(const char* name) {
  std::vector<uint8_t> b = {'G',  'I', 'F',  '8', '9', 'a', 64, 0,   64, 0,
                            0x80,                                       // global table of 2 entries
                            0,    0,   0xFF, 0,   0,   0,   0,  0xFF};  // red, blue
  const uint8_t loop[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  b.insert(b.end(), std::begin(loop), std::end(loop));
  for (uint8_t index : {0, 1}) {
    const uint8_t control[] = {0x21, 0xF9, 4, 0x04, 10, 0, 0, 0};         // disposal 1, delay 10 hundredths
    const uint8_t descriptor[] = {0x2C, 0, 0, 0, 0, 64, 0, 64, 0, 0, 2};  // whole screen, LZW minimum 2
    b.insert(b.end(), std::begin(control), std::end(control));
    b.insert(b.end(), std::begin(descriptor), std::end(descriptor));
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code) {
      bits |= code << count;
      for (count += 3; count >= 8; count -= 8, bits >>= 8) data.push_back(uint8_t(bits));
    };
    for (int i = 0; i < 64 * 64; ++i) {
      put(4);  // clear
      put(index);
    }
    put(5);  // end
    if (count) data.push_back(uint8_t(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
      size_t n = std::min<size_t>(255, data.size() - at);
      b.push_back(uint8_t(n));
      b.insert(b.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    b.push_back(0);
  }
  b.push_back(0x3B);
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
  return path;
}

}  // namespace

TEST_F(LumettaViewer, AGifAnimationShowsItsFramesInTurn) {
  HWND frame = Open(WriteTwoFrameGif("viewer-animation.gif"));
  ASSERT_NE(frame, nullptr);
  HWND view = FindWindowExA(frame, nullptr, "ImageViewWndClass", nullptr);
  ASSERT_NE(view, nullptr);
  // What a person sees in the middle of the picture, sampled for two seconds: both frames must come by.
  bool sawRed = false, sawBlue = false;
  for (int i = 0; i < 80 && !(sawRed && sawBlue); ++i) {
    HDC dc = GetDC(view);
    COLORREF c = GetPixel(dc, 32, 32);
    ReleaseDC(view, dc);
    sawRed |= c == RGB(255, 0, 0);
    sawBlue |= c == RGB(0, 0, 255);
    Sleep(25);
  }
  EXPECT_TRUE(sawRed);
  EXPECT_TRUE(sawBlue);
  SendMessageA(frame, WM_KEYDOWN, VK_ESCAPE, 0);
  viewer_.join();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}
