// Decoding a 4000 x 3000 24-bit BMP from a file: to full size and to the context menu's 100 x 100
// thumbnail, on 24-, 16- and 8-bit displays. Items per second are source pixels per second.
// The same picture as run-length PCX, TGA and PSD (written by ImageMagick) and as a ByteRun1 24-plane
// IFF (written by netpbm), each beside an independent decoder's run on the same file (ImageMagick, or
// netpbm's ilbmtoppm for IFF) as a whole process, start-up included.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
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

// The bench picture in another format, made once beside the benchmark; empty when no writer is there.
const std::string& FormatFile(const std::string& extension) {
  static std::map<std::string, std::string> files;
  auto found = files.find(extension);
  if (found != files.end()) return found->second;
  std::string name = "image-bench-4000x3000." + extension;
  std::string command = extension == "iff"
                            ? "/usr/bin/convert " + BenchFile() + " ppm:- | ppmtoilbm -24force >" + name
                            : "/usr/bin/convert " + BenchFile() + " -compress RLE " + name;
  command += " 2>/dev/null";
  if (std::system(command.c_str()) != 0) name.clear();
  return files[extension] = name;
}

void DecodeFormat(benchmark::State& state, const std::string& extension, bool thumbnail) {
  const std::string& path = FormatFile(extension);
  if (path.empty()) {
    state.SkipWithError("no writer for the format");
    return;
  }
  MemoryGraphics graphics(24);
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
  state.counters["Mpx/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The independent decoder reading the same file to a PPM that is thrown away.
void ReferenceDecode(benchmark::State& state, const std::string& extension) {
  const std::string& path = FormatFile(extension);
  if (path.empty()) {
    state.SkipWithError("no writer for the format");
    return;
  }
  std::string command = extension == "iff" ? "ilbmtoppm " + path + " >/dev/null 2>&1"
                                           : "/usr/bin/convert " + path + "[0] ppm:/dev/null 2>/dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("the reference decoder failed");
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

BENCHMARK_CAPTURE(DecodeFormat, PcxFullSize, std::string("pcx"), false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, PcxThumbnail, std::string("pcx"), true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReferenceDecode, PcxImageMagick, std::string("pcx"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, TgaFullSize, std::string("tga"), false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, TgaThumbnail, std::string("tga"), true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReferenceDecode, TgaImageMagick, std::string("tga"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, IffFullSize, std::string("iff"), false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, IffThumbnail, std::string("iff"), true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReferenceDecode, IffIlbmtoppm, std::string("iff"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, PsdFullSize, std::string("psd"), false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DecodeFormat, PsdThumbnail, std::string("psd"), true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReferenceDecode, PsdImageMagick, std::string("psd"))->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
