// Decoding a 4000 x 3000 24-bit BMP from a file: to full size and to the context menu's 100 x 100
// thumbnail, on 24-, 16- and 8-bit displays. Items per second are source pixels per second.
#include <benchmark/benchmark.h>

#include <cstdio>
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

}  // namespace

BENCHMARK(BM_BmpFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpFullSize16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpFullSize8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpThumbnail8)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
