// lumetta32's thumbnail handler as the file manager's icon view reaches it: the class from the module's
// own DllGetClassObject, a stream (on a file, or on memory) or a path, GetThumbnail; and its registration
// applied to and removed from this test prefix with regedit, as the setup program's .reg files do.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "BuildFolders.h"
#include "CodecBuilders.h"
#include "image/ImageFile.h"

namespace {

const CLSID kThumbnailClsid = {0x75EC0415, 0xF7B1, 0x44B3, {0xAC, 0xF4, 0x2A, 0x08, 0xAF, 0xC0, 0x43, 0x79}};
const char kHandlerKey[] = "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
const char* const kExtensions[] = {".bmp", ".dib", ".rle", ".gif", ".jpg", ".jpeg", ".jpe", ".png", ".tif", ".tiff",
                                   ".pcx", ".dcx", ".tga", ".iff", ".lbm", ".ilbm", ".psd", ".pic", ".pcd", ".wmf"};

std::string SamplesFolder() { return BinFolder() + "..\\tests\\thumbnail-samples\\"; }

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Thumbnail {
  HRESULT hr = E_FAIL;
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

class LumettaThumbnail : public ::testing::Test {
protected:
  void SetUp() override {
    CoInitialize(nullptr);
    module_ = LoadLibraryA((BinFolder() + "lumetta32.dll").c_str());
    ASSERT_NE(module_, nullptr) << "LoadLibrary failed, error " << GetLastError();
    getClassObject_ =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    canUnloadNow_ =
        reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    CoUninitialize();
  }

  template <typename Interface>
  Interface* Create(REFIID riid) {
    IClassFactory* factory = nullptr;
    Interface* object = nullptr;
    if (SUCCEEDED(getClassObject_(kThumbnailClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
      factory->CreateInstance(nullptr, riid, reinterpret_cast<void**>(&object));
      factory->Release();
    }
    return object;
  }

  // What the icon view gets for `bytes` handed over as a stream on memory.
  Thumbnail FromMemory(const std::vector<uint8_t>& bytes, UINT cx) {
    IStream* stream = SHCreateMemStream(bytes.data(), UINT(bytes.size()));
    Thumbnail got = FromStream(stream, cx);
    if (stream) stream->Release();
    return got;
  }

  Thumbnail FromStream(IStream* stream, UINT cx) {
    Thumbnail got;
    auto init = Create<IInitializeWithStream>(IID_IInitializeWithStream);
    if (!init) return got;
    got.hr = stream ? init->Initialize(stream, STGM_READ) : E_POINTER;
    if (SUCCEEDED(got.hr)) got = Take(init, cx);
    init->Release();
    return got;
  }

  Thumbnail Take(IUnknown* object, UINT cx) {
    Thumbnail got;
    IThumbnailProvider* provider = nullptr;
    got.hr = object->QueryInterface(__uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider));
    if (FAILED(got.hr)) return got;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    got.hr = provider->GetThumbnail(cx, &bitmap, &alpha);
    provider->Release();
    if (FAILED(got.hr)) {
      EXPECT_EQ(bitmap, nullptr) << "a failed call hands out no bitmap";
      return got;
    }
    EXPECT_EQ(alpha, WTSAT_RGB);
    DIBSECTION dib = {};
    EXPECT_EQ(GetObjectA(bitmap, sizeof dib, &dib), int(sizeof dib)) << "not a DIB section";
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    got.width = dib.dsBm.bmWidth;
    got.height = dib.dsBm.bmHeight;
    if (dib.dsBm.bmBits && dib.dsBm.bmBitsPixel == 32) {
      auto first = static_cast<const uint32_t*>(dib.dsBm.bmBits);
      got.pixels.assign(first, first + size_t(got.width) * size_t(got.height));
    }
    DeleteObject(bitmap);
    return got;
  }

  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

uint8_t Red(uint32_t p) { return uint8_t(p >> 16); }
uint8_t Green(uint32_t p) { return uint8_t(p >> 8); }
uint8_t Blue(uint32_t p) { return uint8_t(p); }

// A whole, valid PNG of 8000 x 8000 black RGB pixels, interlaced, which is read only into a whole image:
// 192 MB, within the 1 GiB any decode may use but past the thumbnail's 128 MiB. Its zeros are deflated
// as they are counted, so the test never holds them.
std::vector<uint8_t> LargeInterlacedPng() {
  constexpr uint32_t kSide = 8000;
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
    const uint32_t n = uint32_t(data.size());
    for (int s = 24; s >= 0; s -= 8) file.push_back(uint8_t(n >> s));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
    for (int s = 24; s >= 0; s -= 8) file.push_back(uint8_t(crc >> s));
  };
  // width, height, bit depth 8, colour type 2 (RGB), compression, filter, interlace 1 (Adam7)
  const uint8_t hi = uint8_t(kSide >> 8), lo = uint8_t(kSide);
  chunk("IHDR", {0, 0, hi, lo, 0, 0, hi, lo, 8, 2, 0, 0, 1});
  // Each of the seven passes: its rows, each a filter byte and its pixels.
  const uint32_t starts[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
  const uint32_t steps[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
  uint64_t raw = 0;
  for (int p = 0; p < 7; ++p) {
    const uint64_t w = (kSide - starts[p][0] + steps[p][0] - 1) / steps[p][0];
    const uint64_t h = (kSide - starts[p][1] + steps[p][1] - 1) / steps[p][1];
    raw += h * (1 + w * 3);
  }
  z_stream z = {};
  deflateInit(&z, 1);
  std::vector<uint8_t> zeros(1 << 20, 0), out(1 << 16), packed;
  for (uint64_t left = raw; left > 0 || z.avail_in > 0;) {
    if (z.avail_in == 0) {
      const uint64_t n = std::min<uint64_t>(left, zeros.size());
      z.next_in = zeros.data();
      z.avail_in = uInt(n);
      left -= n;
    }
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_NO_FLUSH);
    packed.insert(packed.end(), out.data(), z.next_out);
  }
  for (int status = Z_OK; status != Z_STREAM_END;) {
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    status = deflate(&z, Z_FINISH);
    packed.insert(packed.end(), out.data(), z.next_out);
  }
  deflateEnd(&z);
  chunk("IDAT", packed);
  chunk("IEND", {});
  return file;
}

}  // namespace

// Each format's sample (160 x 120: blue at the left, red at the right, a yellow disc above the middle; the
// Photo CD one 768 x 512, the metafile 4 x 2 inches of a green rectangle) through a stream on
// the file, as the file manager hands it: the longer side is cx, or the picture's own when smaller.
TEST_F(LumettaThumbnail, EveryFormatFitsTheAskedSideWithItsAspectAndColours) {
  struct Case {
    const char* file;
    UINT cx;
    int width, height;
  };
  const Case cases[] = {
      {"sample.bmp", 96, 96, 72}, {"sample.bmp", 256, 160, 120}, {"sample.gif", 96, 96, 72}, {"sample.jpg", 96, 96, 72},
      {"sample.png", 96, 96, 72}, {"sample.tif", 96, 96, 72},    {"sample.pcx", 96, 96, 72}, {"sample.dcx", 96, 96, 72},
      {"sample.tga", 96, 96, 72}, {"sample.iff", 96, 96, 72},    {"sample.psd", 96, 96, 72}, {"sample.pic", 96, 96, 72},
      {"sample.pcd", 96, 96, 64}, {"sample.pcd", 256, 256, 171}, {"sample.wmf", 96, 96, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.cx));
    IStream* stream = nullptr;
    ASSERT_EQ(SHCreateStreamOnFileA((SamplesFolder() + c.file).c_str(), STGM_READ, &stream), S_OK);
    Thumbnail t = FromStream(stream, c.cx);
    stream->Release();
    ASSERT_EQ(t.hr, S_OK);
    EXPECT_EQ(t.width, c.width);
    EXPECT_EQ(t.height, c.height);
    if (t.pixels.empty()) continue;
    for (uint32_t p : t.pixels) ASSERT_EQ(p >> 24, 0xFFu) << "every pixel opaque";
    const uint32_t left = t.At(2, t.height / 2), right = t.At(t.width - 3, t.height / 2);
    if (std::string(c.file) == "sample.wmf") {
      const uint32_t middle = t.At(t.width / 2, t.height / 2);
      EXPECT_GT(Green(middle), 150) << std::hex << middle;
      EXPECT_LT(Red(middle), 60) << std::hex << middle;
      continue;
    }
    EXPECT_GT(Blue(left), 150) << std::hex << left;
    EXPECT_LT(Red(left), 100) << std::hex << left;
    EXPECT_GT(Red(right), 150) << std::hex << right;
    EXPECT_LT(Blue(right), 100) << std::hex << right;
    // The disc is in the upper half: a picture handed over bottom-up would show it in the lower one.
    const uint32_t disc = t.At(t.width / 2, t.height / 3), below = t.At(t.width / 2, t.height * 5 / 6);
    EXPECT_GT(Red(disc), 180) << std::hex << disc;
    EXPECT_GT(Green(disc), 180) << std::hex << disc;
    EXPECT_LT(Blue(disc), 100) << std::hex << disc;
    EXPECT_LT(Green(below), 100) << std::hex << below;
  }
}

// Bytes that are only in memory, the path initialisation, and the calls a handler must refuse.
TEST_F(LumettaThumbnail, MemoryStreamAndPathGiveTheSamePictureAndMisuseIsRefused) {
  const std::vector<uint8_t> png = ReadWhole(SamplesFolder() + "sample.png");
  ASSERT_FALSE(png.empty());
  Thumbnail fromMemory = FromMemory(png, 64);
  ASSERT_EQ(fromMemory.hr, S_OK);
  EXPECT_EQ(fromMemory.width, 64);
  EXPECT_EQ(fromMemory.height, 48);

  auto withFile = Create<IInitializeWithFile>(IID_IInitializeWithFile);
  ASSERT_NE(withFile, nullptr);
  const std::string path = SamplesFolder() + "sample.png";
  std::wstring wide(path.begin(), path.end());
  EXPECT_EQ(withFile->Initialize(wide.c_str(), STGM_READ), S_OK);
  EXPECT_EQ(withFile->Initialize(wide.c_str(), STGM_READ), HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
  Thumbnail fromPath = Take(withFile, 64);
  withFile->Release();
  ASSERT_EQ(fromPath.hr, S_OK);
  EXPECT_EQ(fromPath.pixels, fromMemory.pixels);

  // An interlaced PNG taller than its thumbnail ends with a sweep over the output rows, a few at a step.
  testimages::PngOptions interlaced;
  interlaced.interlaced = true;
  Thumbnail adam7 = FromMemory(testimages::EncodePng(600, 400, testimages::SamplePicture(600, 400, 3), interlaced), 96);
  EXPECT_EQ(adam7.hr, S_OK);
  EXPECT_EQ(adam7.width, 96);
  EXPECT_EQ(adam7.height, 64);

  // Not initialised, a zero size, no out pointer; bytes of no image; an empty stream.
  auto bare = Create<IThumbnailProvider>(__uuidof(IThumbnailProvider));
  ASSERT_NE(bare, nullptr);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  EXPECT_EQ(bare->GetThumbnail(64, &bitmap, nullptr), E_UNEXPECTED);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(bare->GetThumbnail(64, nullptr, nullptr), E_POINTER);
  bare->Release();
  EXPECT_EQ(FromMemory(png, 0).hr, E_INVALIDARG);
  EXPECT_TRUE(FAILED(FromMemory(std::vector<uint8_t>(5000, 'x'), 64).hr));
  EXPECT_TRUE(FAILED(FromMemory(std::vector<uint8_t>(), 64).hr));
  EXPECT_EQ(canUnloadNow_(), S_OK) << "every object released";
}

// A file only the thumbnail's budget refuses (a decode without it succeeds) fails, again and again,
// leaving no GDI object and no COM object behind.
TEST_F(LumettaThumbnail, OverBudgetFailsWithoutLeaking) {
  const std::vector<uint8_t> hostile = LargeInterlacedPng();
  {
    lumetta::ImageFile plain(hostile.data(), hostile.size());
    lumetta::DecodeRequest request;
    request.width = request.height = 64;
    EXPECT_TRUE(plain.Decode(request)) << "error " << plain.GetLastError();
  }
  const std::vector<uint8_t> good = ReadWhole(SamplesFolder() + "sample.jpg");
  FromMemory(good, 64);  // the first call loads what stays loaded (libraries, fonts)
  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(FAILED(FromMemory(hostile, 256).hr));
    EXPECT_EQ(FromMemory(good, 64).hr, S_OK);
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

// The icon view asks for several thumbnails at once, each handler in an apartment of its own thread:
// the pictures are those made one at a time.
TEST_F(LumettaThumbnail, HandlersOnSeveralThreadsAtOnceMakeTheSamePictures) {
  const char* const files[] = {"sample.jpg", "sample.png", "sample.tif", "sample.gif", "sample.psd", "sample.wmf"};
  std::vector<std::vector<uint8_t>> bytes;
  std::vector<Thumbnail> alone;
  for (const char* file : files) {
    bytes.push_back(ReadWhole(SamplesFolder() + file));
    alone.push_back(FromMemory(bytes.back(), 80));
    ASSERT_EQ(alone.back().hr, S_OK) << file;
  }
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      CoInitialize(nullptr);
      for (int round = 0; round < 5; ++round) {
        for (size_t i = 0; i < bytes.size(); ++i) {
          Thumbnail got = FromMemory(bytes[(i + size_t(t)) % bytes.size()], 80);
          if (got.hr != S_OK || got.pixels != alone[(i + size_t(t)) % bytes.size()].pixels) ++mismatches[size_t(t)];
        }
      }
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

namespace {

bool RunRegedit(const std::string& regFile) {
  std::string command = "regedit.exe /S \"" + regFile + "\"";
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// The handler named for `ext` under the extension's own key, or else under SystemFileAssociations.
std::string HandlerOf(const std::string& ext, bool* own) {
  for (int i = 0; i < 2; ++i) {
    const std::string key = (i == 0 ? ext : "SystemFileAssociations\\" + ext) + kHandlerKey;
    char value[64] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) == ERROR_SUCCESS) {
      *own = i == 0;
      return value;
    }
  }
  return "";
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

// The built .reg files in this prefix: every extension gets the handler (the five formats the system
// has thumbnails of only where the system names none), lumetta-menu then finds and drives it as the
// icon view would, and removal leaves none of it.
TEST(LumettaThumbnailRegistration, InstallNamesEveryExtensionAndRemoveTakesItAllBack) {
  const std::string clsid = "{75EC0415-F7B1-44B3-ACF4-2A08AFC04379}";
  // The end-to-end menu tests register the module in this prefix too: what was there is put back.
  const bool wasRegistered = KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{672386AE-5F5E-4D0E-94CC-446F33F0D831}");
  const std::string common = ".bmp.dib.rle.gif.jpg.jpeg.jpe.png.tif.tiff.";
  ASSERT_TRUE(RunRegedit(BinFolder() + "lumetta32-install.reg"));
  for (const char* ext : kExtensions) {
    bool own = false;
    EXPECT_EQ(HandlerOf(ext, &own), clsid) << ext;
    EXPECT_EQ(own, common.find(std::string(ext) + ".") == std::string::npos) << ext << " taken over";
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32"));

  const std::string out = BinFolder() + "..\\tests\\thumbnail-registered.bmp";
  DeleteFileA(out.c_str());
  std::string command =
      "\"" + BinFolder() + "lumetta-menu.exe\" --thumbnail 256 \"" + SamplesFolder() + "sample.tga\" \"" + out + "\"";
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 30000);
  DWORD status = 99;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(status, 0u);
  const std::vector<uint8_t> bmp = ReadWhole(out);
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[18]), 160);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[22]), 120);

  ASSERT_TRUE(RunRegedit(BinFolder() + "lumetta32-remove.reg"));
  for (const char* ext : kExtensions) {
    bool own = false;
    EXPECT_EQ(HandlerOf(ext, &own), "") << ext;
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + clsid));
  if (wasRegistered) RunRegedit(BinFolder() + "lumetta32-install.reg");
}
