// lumetta32's viewer as rundll32 opens it: ShowImage on a thread of its own, the frame driven with the
// messages a person's keys, wheel and window buttons send, read back through the real window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "BmpBuilder.h"
#include "BuildFolders.h"
#include "GdiObjects_win.h"
#include "pipeline/GdiGraphics.h"
#include "image/ImageFile.h"
#include "viewer/ImageView.h"
#include "ScriptedDecoder.h"
#include "shell/Settings.h"
#include "TempFiles_win.h"

namespace {

using ShowImageFn = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

std::string WriteBmp(const char* name, int width, int height) {
  testimages::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixel = [](int x, int y) { return uint32_t((x * 4) << 16 | (y * 4) << 8 | 0x80); };
  std::string path = testfiles::TempFolder() + name;
  testfiles::WriteWholeFile(path, testimages::BuildBmp(layout));
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
    // The module writes its settings back as it goes: the ones a test changed are put back after that.
    FreeLibrary(module_);
    if (autoZoomChanged_) WriteAutoZoom(savedAutoZoom_[0], savedAutoZoom_[1]);
  }

  static void WriteAutoZoom(int32_t shrink, int32_t enlarge) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "AutoShrink", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&shrink), sizeof shrink);
    RegSetValueExA(key, "AutoEnlarge", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&enlarge), sizeof enlarge);
    RegCloseKey(key);
  }

  // The module reads its settings when a process loads it: set the two automatic zooms and load it anew.
  void ReloadWithAutoZoom(int32_t shrink, int32_t enlarge) {
    FreeLibrary(module_);
    if (!autoZoomChanged_) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (int i = 0; i < 2; ++i) {
          DWORD size = sizeof savedAutoZoom_[i];
          RegQueryValueExA(key, i ? "AutoEnlarge" : "AutoShrink", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&savedAutoZoom_[i]), &size);
        }
        RegCloseKey(key);
      }
      autoZoomChanged_ = true;
    }
    WriteAutoZoom(shrink, enlarge);
    SetUp();
  }

  // Esc, then ShowImage returns.
  void Close(HWND frame) {
    SendMessageA(frame, WM_KEYDOWN, VK_ESCAPE, 0);
    viewer_.join();
  }

  // Starts ShowImage as rundll32 does and waits for its frame. The frame is shown last, once it has its
  // size, zoom and title.
  HWND Open(std::string path) {
    path_ = path;
    viewer_ = std::thread([this] { showImage_(nullptr, nullptr, path_.data(), SW_SHOWNORMAL); });
    for (int i = 0; i < 200; ++i) {
      HWND w = FindWindowA("Lumetta", nullptr);
      if (w && IsWindowVisible(w)) return w;
      Sleep(50);
    }
    return nullptr;
  }

  HMODULE module_ = nullptr;
  ShowImageFn showImage_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
  std::string path_;
  std::thread viewer_;
  bool autoZoomChanged_ = false;
  int32_t savedAutoZoom_[2] = {0, 0};
};

int TitleZoom(HWND frame) {
  std::string title = Title(frame);
  return std::atoi(title.c_str() + title.rfind(' ') + 1);
}

bool InsideWorkArea(HWND frame) {
  RECT work{}, r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(frame, &r);
  return r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom;
}

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
  std::string path = testfiles::TempFolder() + name;
  testfiles::WriteWholeFile(path, b);
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

// A viewer closed while its picture is still coming in, then the module freed: nothing of it may run
// on (a late pacing thread in unloaded code), and the module loaded again shows a viewer as before.
TEST_F(LumettaViewer, TheModuleFreedAfterAViewerClosedMidDecodeLoadsAgainAndShowsAViewer) {
  HWND frame = Open(WriteBmp("viewer-large.bmp", 3000, 2500));
  ASSERT_NE(frame, nullptr);
  Close(frame);
  FreeLibrary(module_);
  module_ = nullptr;
  Sleep(200);  // time for anything left behind to fail
  SetUp();
  frame = Open(WriteBmp("viewer-small.bmp", 40, 30));
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(Title(frame).find("viewer-small.bmp"), std::string::npos) << Title(frame);
  Close(frame);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A launcher hands the path over in quotes ("%1" in a file type's command) or as typed; a folder with a
// space opens either way.
TEST_F(LumettaViewer, APathWithSpacesOpensQuotedOrNot) {
  CreateDirectoryA((testfiles::TempFolder() + "My Pictures").c_str(), nullptr);
  const std::string path = WriteBmp("My Pictures\\a b.bmp", 40, 30);
  for (const std::string& argument : {path, "\"" + path + "\"", " \"" + path + "\"  "}) {
    SCOPED_TRACE(argument);
    HWND frame = Open(argument);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Title(frame).rfind("a b.bmp (40x30x16M bmp)", 0), 0u) << Title(frame);
    Close(frame);
  }
}

TEST_F(LumettaViewer, AutoShrinkAndAutoEnlargeSizeTheFirstWindow) {
  std::string large = WriteBmp("viewer-1600x1200.bmp", 1600, 1200);
  std::string small = WriteBmp("viewer-200x100.bmp", 200, 100);
  struct Case {
    int32_t shrink, enlarge;
    const std::string& file;
    int below, above;  // the first zoom lies strictly between
  } cases[] = {
      {1, 0, large, 10, 100},
      {1, 0, small, 99, 101},  // only shrinking: a small image stays at 100 %
      {0, 1, small, 100, 10001},
      {0, 1, large, 99, 101},  // only enlarging: a large one stays at 100 %
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shrink) + " " + std::to_string(c.enlarge) + " " + c.file);
    ReloadWithAutoZoom(c.shrink, c.enlarge);
    HWND frame = Open(c.file);
    ASSERT_NE(frame, nullptr);
    int zoom = TitleZoom(frame);
    EXPECT_GT(zoom, c.below);
    EXPECT_LT(zoom, c.above);
    EXPECT_TRUE(InsideWorkArea(frame));
    Close(frame);
  }
}

namespace {

using lumetta::ImageFile;
using lumetta::ImageView;

// A top-level window of exactly width x height client pixels that owns the view under test, placed
// away from the pointer so that no real mouse message reaches it.
class Owner {
public:
  Owner(int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ViewerTestOwner";
    RegisterClassA(&wc);
    SetCursorPos(1000, 700);
    window = CreateWindowExA(WS_EX_TOPMOST, "ViewerTestOwner", "", WS_POPUP | WS_VISIBLE, 40, 40, width, height,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~Owner() { DestroyWindow(window); }
  HWND window;
};

// Dispatches this thread's messages until `done` holds or `limitMs` have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limitMs) return false;
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    } else {
      Sleep(1);
    }
  }
  return true;
}

COLORREF PixelAt(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

// Each slice of this decoder takes a while, as a slow disk or a huge image would.
class SlowDecoder : public testimages::ScriptedDecoder {
public:
  using ScriptedDecoder::ScriptedDecoder;

protected:
  bool DecodeRowsHook(int rows, int* rectCount, lumetta::ImageRect* updateRect) override {
    Sleep(5);
    return ScriptedDecoder::DecodeRowsHook(rows, rectCount, updateRect);
  }
};

std::unique_ptr<lumetta::ImageDecoder> SlowFactory(lumetta::ImageKind, const lumetta::ImageSource& source, int* error) {
  *error = lumetta::kErrNone;
  return lumetta::MakeDecoder<SlowDecoder>(source);
}

}  // namespace

// The view on its own, in a window of the test: the 8-bit screen path (display bitmap with a palette that
// each paint realises), the cursor while decoding, dragging with the hand and the strips a scroll exposes.
TEST(LumettaViewerView, DecodesUnderTheBusyCursorThenTheHandDragsItAndTheIncomingStripsArePainted) {
  // 400 x 300 indexed, stored top row first so that the first slices fill the top of the view; every
  // pixel's index differs from its neighbours' and no colour is black, so a strip painted from the wrong
  // place or not at all shows.
  testimages::BmpLayout layout;
  layout.width = 400;
  layout.height = -300;
  layout.bits = 8;
  for (uint32_t i = 0; i < 256; ++i) layout.palette.push_back(i << 16 | (255 - i) << 8 | 0x80);
  auto index = [](int x, int y) { return uint32_t(x + 3 * y) % 256; };
  layout.pixel = index;
  auto expected = [&](int x, int y) {
    uint32_t c = layout.palette[index(x, y)];
    return RGB(c >> 16, c >> 8 & 0xFF, c & 0xFF);
  };
  std::vector<uint8_t> bytes = testimages::BuildBmp(layout);
  ImageFile image(bytes.data(), bytes.size());
  lumetta::GdiGraphics eightBitScreen(8);
  image.SetGraphics(eightBitScreen);

  Owner owner(200, 150);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HCURSOR hand = LoadCursorA(instance, "HandCursor"), closed = LoadCursorA(instance, "HandClosedCursor");
  HCURSOR busy = LoadCursorA(nullptr, IDC_APPSTARTING);
  ASSERT_NE(hand, nullptr);
  {
    ImageView view(instance, owner.window);
    HWND w = view.Window();
    view.SetImage(&image, true, true);
    view.Layout();
    auto cursorAt = [&](UINT message, WPARAM keys, int x, int y) {
      SendMessageA(w, message, keys, MAKELPARAM(x, y));
      return GetCursor();
    };

    // A first slice: the decoded rows show, the rest is the black background, the cursor is busy.
    ASSERT_TRUE(view.DecodeSlice(40, true));
    ASSERT_TRUE(image.IsDecoding());
    EXPECT_NE(image.GetPalette(), nullptr) << "an 8-bit screen gets a palette";
    EXPECT_EQ(PixelAt(w, 5, 5), expected(5, 5));
    EXPECT_EQ(PixelAt(w, 5, 100), RGB(0, 0, 0));
    EXPECT_EQ(cursorAt(WM_MOUSEMOVE, 0, 100, 75), busy);

    // The pacing thread brings the rest.
    view.StartDecoding(THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(PumpUntil([&] { return image.IsComplete() && !view.ThreadRunning(); }, 20000));

    // Drag right-down, then back a little: both pairs of edges take new pixels.
    EXPECT_EQ(cursorAt(WM_MOUSEMOVE, 0, 100, 75), hand);
    EXPECT_EQ(cursorAt(WM_LBUTTONDOWN, MK_LBUTTON, 100, 75), closed);
    EXPECT_EQ(cursorAt(WM_MOUSEMOVE, MK_LBUTTON, 60, 45), closed);
    EXPECT_EQ(view.ScrollX(), 40);
    EXPECT_EQ(view.ScrollY(), 30);
    cursorAt(WM_MOUSEMOVE, MK_LBUTTON, 70, 60);
    cursorAt(WM_LBUTTONUP, 0, 70, 60);
    ASSERT_EQ(view.ScrollX(), 30);
    ASSERT_EQ(view.ScrollY(), 15);
    int wrong = 0;
    for (int y = 0; y < 150; y += 7)
      for (int x : {0, 1, 9, 10, 11, 29, 30, 31, 100, 159, 160, 161, 189, 190, 199})
        if (PixelAt(w, x, y) != expected(x + 30, y + 15) && ++wrong <= 5)
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << PixelAt(w, x, y) << ", not "
                        << expected(x + 30, y + 15);
    EXPECT_EQ(wrong, 0);
  }
}

TEST(LumettaViewerView, StoppingASlowDecodeEndsThePacingAtOnceAndItResumesLater) {
  std::vector<uint8_t> bytes = testimages::ScriptedDecoder::Header(640, 2000, 1, false, 24);
  ImageFile image(bytes.data(), bytes.size());
  image.SetDecoderFactory(&SlowFactory);
  Owner owner(200, 150);
  ImageView view(GetModuleHandleA(nullptr), owner.window);
  view.SetImage(&image, true, true);
  view.Layout();
  view.StartDecoding(THREAD_PRIORITY_NORMAL);
  ASSERT_TRUE(PumpUntil([&] { return image.GetProgress() > 500; }, 20000));

  DWORD start = GetTickCount();
  view.StopDecoding();
  DWORD took = GetTickCount() - start;
  // Past its limit the view beeps and leaves the thread behind: it must end when asked.
  EXPECT_LT(took, 3000u);
  EXPECT_FALSE(view.ThreadRunning());
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, view.Window(), WM_USER, WM_USER, PM_NOREMOVE)) << "a slice is still queued";
  int stoppedAt = image.GetProgress();
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(image.GetProgress(), stoppedAt) << "slices came after the stop";
  EXPECT_TRUE(image.IsDecoding());

  view.StartDecoding(THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(PumpUntil([&] { return image.IsComplete() && !view.ThreadRunning(); }, 30000));
}

namespace {

// An animation of `frames` frames of one pixel each (the colours of a two-entry table in turn) on a
// `width` x `height` screen, each shown for `delay` hundredths: every frame shows the whole screen.
std::vector<uint8_t> DotAnimation(int width, int height, int frames, int delay) {
  std::vector<uint8_t> b = {'G',
                            'I',
                            'F',
                            '8',
                            '9',
                            'a',
                            uint8_t(width),
                            uint8_t(width >> 8),
                            uint8_t(height),
                            uint8_t(height >> 8),
                            0x80,
                            0,
                            0,
                            0xFF,
                            0,
                            0,
                            0,
                            0,
                            0xFF};  // red, blue
  const uint8_t loop[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  b.insert(b.end(), std::begin(loop), std::end(loop));
  for (int i = 0; i < frames; ++i) {
    const uint8_t control[] = {0x21, 0xF9, 4, 0x04, uint8_t(delay), 0, 0, 0};
    const uint8_t descriptor[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2};
    b.insert(b.end(), std::begin(control), std::end(control));
    b.insert(b.end(), std::begin(descriptor), std::end(descriptor));
    // Clear (4), the pixel, end (5), three bits each; one sub-block of two bytes.
    const uint32_t bits = 4u | uint32_t(i % 2) << 3 | 5u << 6;
    const uint8_t data[] = {2, uint8_t(bits), uint8_t(bits >> 8), 0};
    b.insert(b.end(), std::begin(data), std::end(data));
  }
  b.push_back(0x3B);
  return b;
}

}  // namespace

// Animations hold only a few frames: a frame goes once the next is on screen, the decode waits one frame
// ahead, and after the last frame the file is decoded again from its start. Across that wrap the last
// frame stays up until the first is whole: a paint at any moment (a window moved away, say) shows a
// whole frame, never the background, and nothing is left behind loop after loop. A still image never
// starts the animation timer, so its window does nothing at rest.
TEST(LumettaViewerView, AnimationsHoldAFewFramesAndLoopAndAStillGifNeverTicks) {
  struct Case {
    const char* what;
    int frames;
    bool ticks;
  } cases[] = {{"a still image", 1, false}, {"30 frames of 1280 x 800", 30, true}};
  const COLORREF backdrop = RGB(0, 255, 0);  // in no frame
  {
    // The first view of the process leaves what stays (the window class, the system's caches of DCs).
    std::vector<uint8_t> bytes = DotAnimation(64, 64, 1, 1);
    ImageFile image(bytes.data(), bytes.size());
    Owner owner(200, 150);
    ImageView view(GetModuleHandleA(nullptr), owner.window);
    view.SetImage(&image, true, true);
    view.StartDecoding(THREAD_PRIORITY_NORMAL);
    PumpUntil([&] { return image.IsComplete() && !view.ThreadRunning(); }, 5000);
    view.SetImage(nullptr, true, true);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = DotAnimation(1280, 800, c.frames, 1);
    ImageFile image(bytes.data(), bytes.size());
    Owner owner(200, 150);
    const int64_t gdiBefore = testgdi::GdiObjectsInUse();
    std::vector<int64_t> gdiAtWraps;
    int ticks = 0, mostHeld = 0, wraps = 0, last = 0, backdropPaints = 0;
    {
      ImageView view(GetModuleHandleA(nullptr), owner.window);
      view.SetBackground(backdrop);
      view.SetImage(&image, false, true);
      view.Layout();
      view.StartDecoding(THREAD_PRIORITY_NORMAL);
      bool moved = false;
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < (c.ticks ? 10000u : 3000u) && wraps < 3) {
        MSG m;
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
          Sleep(1);
          continue;
        }
        if (m.message == WM_TIMER && m.hwnd == view.Window()) ++ticks;
        TranslateMessage(&m);
        DispatchMessageA(&m);
        int held = 0;
        for (int page = 0; page < image.GetPageCount(); ++page) held += image.GetBitmap(page) != nullptr;
        mostHeld = std::max(mostHeld, held);
        // Once the frames move on, every one is whole when it is shown.
        moved = moved || view.FrameIndex() > 0;
        if (moved) {
          InvalidateRect(view.Window(), nullptr, FALSE);
          UpdateWindow(view.Window());
          backdropPaints += PixelAt(view.Window(), 100, 75) == backdrop;
        }
        if (view.FrameIndex() < last) {
          ++wraps;
          gdiAtWraps.push_back(testgdi::GdiObjectsInUse());
        }
        last = view.FrameIndex();
      }
      view.SetImage(nullptr, false, false);
    }
    EXPECT_EQ(ticks > 0, c.ticks) << ticks << " ticks";
    EXPECT_LE(mostHeld, 3) << "frames held at once";
    EXPECT_EQ(backdropPaints, 0) << "paints that showed the background instead of a frame";
    if (c.ticks) {
      EXPECT_GE(wraps, 2) << "the animation came round to its first frame again";
      if (wraps >= 2) {
        EXPECT_LE(gdiAtWraps.back(), gdiAtWraps.front() + 2) << "GDI objects grew loop by loop";
      }
    } else {
      EXPECT_TRUE(image.IsComplete());
    }
    image.ReleaseAll();
    EXPECT_LE(testgdi::GdiObjectsInUse(), gdiBefore + 2) << "GDI objects left behind by the view";
  }
}
