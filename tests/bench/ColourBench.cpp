// Colour reduction on a 4000 x 3000 photographic image: every converter mode, both quantizer passes and the
// colour choice, and ImageMagick's own reduction of the same image to 236 colours for comparison.
//
// The image is made once with ImageMagick (fractal plasma, a few soft shapes, blur and noise, fixed seed)
// and kept as colour-bench.ppm in the working folder; COLOUR_BENCH_IMAGE names another PPM to use instead.
// Items per second are pixels per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pipeline/ColorConverter.h"
#include "pipeline/MedianCutQuantizer.h"

using lumetta::ColorConverter;
using lumetta::MedianCutQuantizer;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Image {
  std::string path;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // blue, green, red, top row first
  const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
  int64_t PixelCount() const { return int64_t{width} * height; }
};

std::string ImagePath() {
  const char* chosen = std::getenv("COLOUR_BENCH_IMAGE");
  return chosen != nullptr && *chosen != '\0' ? chosen : "colour-bench.ppm";
}

void MakeImage(const std::string& path) {
  const std::string command = "convert -seed 4711 -size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                              " plasma:fractal"
                              " -fill 'rgba(240,220,180,0.55)' -draw 'ellipse 1200,1500 700,450 0,360'"
                              " -fill 'rgba(20,40,90,0.6)' -draw 'rectangle 2500,300 3600,1400'"
                              " -fill 'rgba(200,30,30,0.5)' -draw 'circle 3000,2300 3000,2800'"
                              " -blur 0x3 -attenuate 0.4 +noise Gaussian -depth 8 '" +
                              path + "'";
  std::fprintf(stderr, "making %s\n", path.c_str());
  if (std::system(command.c_str()) != 0) throw std::runtime_error("could not make " + path + " with convert");
}

// Reads a binary PPM (maxval 255) into blue, green, red rows.
Image ReadPpm(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) throw std::runtime_error("cannot open " + path);
  Image image;
  image.path = path;
  int maxval = 0;
  if (std::fscanf(file.get(), "P6 %d %d %d", &image.width, &image.height, &maxval) != 3 || maxval != 255 ||
      image.width <= 0 || image.height <= 0 || std::fgetc(file.get()) == EOF)
    throw std::runtime_error(path + " is not an 8-bit binary PPM");
  image.pixels.resize(static_cast<size_t>(image.PixelCount()) * 3);
  if (std::fread(image.pixels.data(), 1, image.pixels.size(), file.get()) != image.pixels.size())
    throw std::runtime_error(path + " is short");
  for (size_t i = 0; i < image.pixels.size(); i += 3) std::swap(image.pixels[i], image.pixels[i + 2]);
  return image;
}

const Image& Photo() {
  static const Image image = [] {
    const std::string path = ImagePath();
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      std::fclose(f);
    } else {
      MakeImage(path);
    }
    return ReadPpm(path);
  }();
  return image;
}

void ConvertImage(benchmark::State& state, int mode) {
  const Image& image = Photo();
  std::vector<uint8_t> target(static_cast<size_t>(image.width) * 3);
  for (auto _ : state) {
    ColorConverter converter(mode <= ColorConverter::kErrorDiffusion ? 240 : 0, mode, image.width, nullptr);
    for (int y = 0; y < image.height; ++y) converter.ConvertRow(image.Row(y), target.data());
    benchmark::DoNotOptimize(target.data());
  }
  state.SetItemsProcessed(state.iterations() * image.PixelCount());
}

void BM_Mode0Nearest(benchmark::State& state) { ConvertImage(state, ColorConverter::kNearest); }
void BM_Mode1Ordered(benchmark::State& state) { ConvertImage(state, ColorConverter::kOrderedDither); }
void BM_Mode2Diffusion(benchmark::State& state) { ConvertImage(state, ColorConverter::kErrorDiffusion); }
void BM_Mode3Dither15(benchmark::State& state) { ConvertImage(state, ColorConverter::kDither15); }
void BM_Mode4Dither15To24(benchmark::State& state) { ConvertImage(state, ColorConverter::kDither15To24); }

void AddImage(MedianCutQuantizer& quantizer, const Image& image) {
  for (int y = 0; y < image.height; ++y) quantizer.AddRow(image.Row(y));
}

void MapImage(MedianCutQuantizer& quantizer, const Image& image, std::vector<uint8_t>& target) {
  for (int y = 0; y < image.height; ++y) quantizer.MapRow(image.Row(y), target.data());
}

void BM_MedianCutPass1(benchmark::State& state) {
  const Image& image = Photo();
  for (auto _ : state) {
    MedianCutQuantizer quantizer(236, false, image.width);
    AddImage(quantizer, image);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * image.PixelCount());
}

void BM_MedianCutChooseColors(benchmark::State& state) {
  const Image& image = Photo();
  int colours = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto quantizer = std::make_unique<MedianCutQuantizer>(236, false, image.width);
    AddImage(*quantizer, image);
    state.ResumeTiming();
    colours = quantizer->ChooseColors();
  }
  state.counters["colours"] = colours;
}

// Each iteration starts from an empty inverse map, so the lazy fill is part of the cost.
void MapPass2(benchmark::State& state, bool dither) {
  const Image& image = Photo();
  std::vector<uint8_t> target(image.width);
  for (auto _ : state) {
    state.PauseTiming();
    auto quantizer = std::make_unique<MedianCutQuantizer>(236, dither, image.width);
    AddImage(*quantizer, image);
    quantizer->ChooseColors();
    state.ResumeTiming();
    MapImage(*quantizer, image, target);
    benchmark::DoNotOptimize(target.data());
  }
  state.SetItemsProcessed(state.iterations() * image.PixelCount());
}

void BM_MedianCutPass2Plain(benchmark::State& state) { MapPass2(state, false); }
void BM_MedianCutPass2Dithered(benchmark::State& state) { MapPass2(state, true); }

// Everything a 236-colour dithered display of the image costs here: pass 1, the choice and pass 2.
double TwoPassDitheredSeconds(const Image& image) {
  std::vector<uint8_t> target(image.width);
  const auto start = std::chrono::steady_clock::now();
  MedianCutQuantizer quantizer(236, true, image.width);
  AddImage(quantizer, image);
  quantizer.ChooseColors();
  MapImage(quantizer, image, target);
  benchmark::DoNotOptimize(target.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_TwoPassDithered(benchmark::State& state) {
  const Image& image = Photo();
  for (auto _ : state) benchmark::DoNotOptimize(TwoPassDitheredSeconds(image));
  state.SetItemsProcessed(state.iterations() * image.PixelCount());
}

double RunSeconds(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ImageMagick reads the PPM, reduces to 236 colours with Floyd-Steinberg and writes nothing (null:). Its
// reading time alone is measured too and taken off, so "quantize_s" is its reduction only. ratio = that
// time divided by this code's two-pass dithered time on the same image in the same run (best of three).
// Argument: ImageMagick's thread limit (0 = its default).
void BM_ImageMagickColors236(benchmark::State& state) {
  const Image& image = Photo();
  const int threads = static_cast<int>(state.range(0));
  const std::string limit = threads > 0 ? "MAGICK_THREAD_LIMIT=" + std::to_string(threads) + " " : "";
  const std::string reduce = limit + "convert '" + image.path + "' -dither FloydSteinberg -colors 236 null:";
  const std::string readOnly = limit + "convert '" + image.path + "' null:";

  double ours = 1e9;
  for (int i = 0; i < 3; ++i) ours = std::min(ours, TwoPassDitheredSeconds(image));
  double total = 0, reading = 0;
  for (auto _ : state) {
    const double seconds = RunSeconds(reduce);
    state.SetIterationTime(seconds);
    total += seconds;
    state.PauseTiming();
    reading += RunSeconds(readOnly);
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_s"] = ours;
  state.counters["magick_total_s"] = total / n;
  state.counters["magick_read_s"] = reading / n;
  state.counters["quantize_s"] = (total - reading) / n;
  state.counters["ratio"] = (total - reading) / n / ours;
  state.SetItemsProcessed(state.iterations() * image.PixelCount());
}

}  // namespace

BENCHMARK(BM_Mode0Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mode1Ordered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mode2Diffusion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mode3Dither15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mode4Dither15To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianCutPass1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianCutChooseColors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianCutPass2Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianCutPass2Dithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoPassDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageMagickColors236)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
