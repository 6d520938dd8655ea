// Decoding a 4000 x 3000 24-bit BMP from a file: to full size and to the context menu's 100 x 100
// thumbnail, on 24-, 16- and 8-bit displays. Items per second are source pixels per second.
// GIF: a 2000 x 1500 picture and a 100-frame animation of 400 x 300 (every frame decoded, as the viewer
// does), made once with ImageMagick, beside ImageMagick's own decoding of the same files (a whole
// process each time, so it includes the process start).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "MemoryGraphics.h"

using namespace lumetta;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// A smooth picture with some texture, written once beside the benchmark.
const std::string& BenchFile() {
  static const std::string path = [] {
    std::string name = "image-bench-4000x3000.bmp";
    size_t stride = size_t(kWidth) * 3;
    std::vector<uint8_t> file(54 + stride * kHeight, 0);
    file[0] = 'B', file[1] = 'M';
    Put32(file, 2, uint32_t(file.size()));
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, kWidth);
    Put32(file, 22, kHeight);
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = file.data() + 54 + stride * y;
      for (int x = 0; x < kWidth; ++x) {
        row[3 * x] = uint8_t(x * 255 / kWidth ^ (y & 7));
        row[3 * x + 1] = uint8_t(y * 255 / kHeight + (x * y >> 10 & 15));
        row[3 * x + 2] = uint8_t((x + y) * 255 / (kWidth + kHeight));
      }
    }
    FILE* out = std::fopen(name.c_str(), "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) std::abort();
    std::fclose(out);
    return name;
  }();
  return path;
}

void Decode(benchmark::State& state, int screenBits, bool thumbnail) {
  const std::string& path = BenchFile();
  MemoryGraphics graphics(screenBits);
  DecodeRequest request;
  if (thumbnail) {
    request.width = request.height = 100;
    request.ditherMode = 2;
    request.fixedPalette = 1;
  }
  for (auto _ : state) {
    ImageFile image(path.c_str());
    image.SetGraphics(graphics);
    if (!image.Decode(request)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.GetBitmap());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
  state.counters["Mpx/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BmpFullSize24(benchmark::State& state) { Decode(state, 24, false); }
void BM_BmpFullSize16(benchmark::State& state) { Decode(state, 16, false); }
void BM_BmpFullSize8(benchmark::State& state) { Decode(state, 8, false); }
void BM_BmpThumbnail24(benchmark::State& state) { Decode(state, 24, true); }
void BM_BmpThumbnail8(benchmark::State& state) { Decode(state, 8, true); }

constexpr const char* kMagick = "/usr/bin/convert";

// A GIF made by ImageMagick on first use; empty when it cannot be made.
std::string MadeGif(const char* name, const std::string& recipe) {
  if (FILE* f = std::fopen(name, "rb")) {
    std::fclose(f);
    return name;
  }
  std::string command = std::string(kMagick) + " " + recipe + " " + name + " 2>/dev/null";
  return std::system(command.c_str()) == 0 ? name : "";
}

const std::string& PictureGif() {
  static const std::string path =
      MadeGif("image-bench-2000x1500.gif", "-seed 7 -size 2000x1500 plasma:fractal -colors 256");
  return path;
}

const std::string& AnimationGif() {
  static const std::string path =
      MadeGif("image-bench-100-frames.gif", "-seed 3 -size 400x300 plasma:fractal -colors 128 -duplicate 99 "
                                            "-distort SRT '%[fx:t*3.6]' -set delay 4 -loop 0");
  return path;
}

void DecodeGif(benchmark::State& state, const std::string& path, bool allPages, bool thumbnail, int64_t pixels) {
  if (path.empty()) return state.SkipWithError("ImageMagick could not make the file");
  MemoryGraphics graphics(24);
  DecodeRequest request;
  request.allPages = request.scanAllFrames = allPages;
  if (thumbnail) {
    request.width = request.height = 100;
    request.ditherMode = 2;
    request.fixedPalette = 1;
  }
  for (auto _ : state) {
    ImageFile image(path.c_str());
    image.SetGraphics(graphics);
    if (!image.Decode(request)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image.GetBitmap());
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}

void MagickDecode(benchmark::State& state, const std::string& path, const char* options, int64_t pixels) {
  if (path.empty()) return state.SkipWithError("ImageMagick could not make the file");
  std::string command = std::string(kMagick) + " " + path + " " + options + " null: 2>/dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("ImageMagick failed");
  state.SetItemsProcessed(state.iterations() * pixels);
}

constexpr int64_t kPicturePixels = 2000 * 1500;
constexpr int64_t kAnimationPixels = 100 * 400 * 300;

void BM_GifFullSize(benchmark::State& state) { DecodeGif(state, PictureGif(), false, false, kPicturePixels); }
void BM_GifThumbnail(benchmark::State& state) { DecodeGif(state, PictureGif(), false, true, kPicturePixels); }
void BM_GifMagick(benchmark::State& state) { MagickDecode(state, PictureGif(), "", kPicturePixels); }
void BM_GifAnimation100(benchmark::State& state) { DecodeGif(state, AnimationGif(), true, false, kAnimationPixels); }
void BM_GifAnimation100Magick(benchmark::State& state) {
  MagickDecode(state, AnimationGif(), "-coalesce", kAnimationPixels);
}

}  // namespace

BENCHMARK(BM_BmpFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpFullSize16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpFullSize8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpThumbnail8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifMagick)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifAnimation100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifAnimation100Magick)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
