// Decoding a 4000 x 3000 24-bit BMP from a file: to full size and to the context menu's 100 x 100
// thumbnail, on 24-, 16- and 8-bit displays; the same picture as a baseline and a progressive JPEG, a
// PNG and a TIFF. Items per second are source pixels per second. The baseline JPEG also as whole
// processes: the image tool beside djpeg.
// GIF: a 2000 x 1500 picture and a 100-frame animation of 400 x 300 (every frame decoded, as the viewer
// does), made once with ImageMagick, beside ImageMagick's own decoding of the same files (a whole
// process each time, so it includes the process start).
// The same picture as run-length PCX, TGA and PSD (written by ImageMagick) and as a ByteRun1 24-plane
// IFF (written by netpbm), each beside an independent decoder's run on the same file (ImageMagick, or
// netpbm's ilbmtoppm for IFF) as a whole process, start-up included.
// The same picture as a PIC of one mixed run-length packet (written here: no other tool writes the
// format), and as a Photo CD pack made by ImageMagick from it at 768 x 512, the largest level the
// decoder reads, beside ImageMagick's reading of that pack.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}
#include <png.h>
#include <tiffio.h>

#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

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

// The BMP's pixels (bottom-up, blue, green, red) as top-down red, green, blue rows.
std::vector<uint8_t> RgbRows() {
  std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = rgb.data() + (size_t(y) * kWidth + x) * 3;
      p[2] = uint8_t(x * 255 / kWidth ^ (y & 7));
      p[1] = uint8_t(y * 255 / kHeight + (x * y >> 10 & 15));
      p[0] = uint8_t((x + y) * 255 / (kWidth + kHeight));
    }
  return rgb;
}

std::string WriteJpeg(bool progressive) {
  std::string name = progressive ? "image-bench-4000x3000-progressive.jpg" : "image-bench-4000x3000.jpg";
  std::vector<uint8_t> rgb = RgbRows();
  FILE* out = std::fopen(name.c_str(), "wb");
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = rgb.data() + size_t(info.next_scanline) * kWidth * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
  return name;
}

std::string WritePng() {
  std::string name = "image-bench-4000x3000.png";
  std::vector<uint8_t> rgb = RgbRows();
  FILE* out = std::fopen(name.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, rgb.data() + size_t(y) * kWidth * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
  return name;
}

std::string WriteTiff() {
  std::string name = "image-bench-4000x3000.tif";
  std::vector<uint8_t> rgb = RgbRows();
  TIFF* tiff = TIFFOpen(name.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
  for (int y = 0; y < kHeight; ++y) TIFFWriteScanline(tiff, rgb.data() + size_t(y) * kWidth * 3, uint32_t(y), 0);
  TIFFClose(tiff);
  return name;
}

// One decode a round through the image model; `pixels` are the picture's (all frames' for an animation).
void DecodeFile(benchmark::State& state, const std::string& path, int screenBits, bool thumbnail,
                int64_t pixels = int64_t(kWidth) * kHeight, bool allPages = false) {
  if (path.empty()) return state.SkipWithError("the file could not be made");
  MemoryGraphics graphics(screenBits);
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
  state.counters["Mpx/s"] =
      benchmark::Counter(double(pixels) / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void Decode(benchmark::State& state, int screenBits, bool thumbnail) {
  DecodeFile(state, BenchFile(), screenBits, thumbnail);
}

const std::string& JpegFile() {
  static const std::string path = WriteJpeg(false);
  return path;
}
const std::string& ProgressiveJpegFile() {
  static const std::string path = WriteJpeg(true);
  return path;
}
const std::string& PngFile() {
  static const std::string path = WritePng();
  return path;
}
const std::string& TiffFile() {
  static const std::string path = WriteTiff();
  return path;
}

// Whole processes on the baseline JPEG, each started through the shell: libjpeg's own djpeg (with its
// default DCT and with the fast one the decoder uses, at full size and at 1/8) beside the image tool's
// decode of the same file. The tool keeps the whole bitmap, as the product does, and then writes it out;
// djpeg streams a few rows at a time. Both write their picture to /dev/null.
void WholeProcess(benchmark::State& state, const std::string& command) {
  const std::string line = command + " >/dev/null 2>&1";
  for (auto _ : state)
    if (std::system(line.c_str()) != 0) state.SkipWithError("the command failed");
  state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
void BM_JpegToolFullSize(benchmark::State& state) {
  WholeProcess(state, std::string(LUMETTA_TOOL) + " decode " + JpegFile() + " /dev/null");
}
void BM_JpegToolThumbnail(benchmark::State& state) {
  WholeProcess(state, std::string(LUMETTA_TOOL) + " thumbnail " + JpegFile() + " /dev/null");
}
void BM_JpegDjpeg(benchmark::State& state) { WholeProcess(state, "djpeg -outfile /dev/null " + JpegFile()); }
void BM_JpegDjpegFast(benchmark::State& state) {
  WholeProcess(state, "djpeg -dct fast -outfile /dev/null " + JpegFile());
}
void BM_JpegDjpegScale8(benchmark::State& state) {
  WholeProcess(state, "djpeg -scale 1/8 -outfile /dev/null " + JpegFile());
}

void BM_JpegFullSize24(benchmark::State& state) { DecodeFile(state, JpegFile(), 24, false); }
void BM_JpegThumbnail24(benchmark::State& state) { DecodeFile(state, JpegFile(), 24, true); }
void BM_JpegThumbnail8(benchmark::State& state) { DecodeFile(state, JpegFile(), 8, true); }
void BM_ProgressiveJpegThumbnail24(benchmark::State& state) { DecodeFile(state, ProgressiveJpegFile(), 24, true); }
void BM_PngFullSize24(benchmark::State& state) { DecodeFile(state, PngFile(), 24, false); }
void BM_PngThumbnail24(benchmark::State& state) { DecodeFile(state, PngFile(), 24, true); }
void BM_TiffFullSize24(benchmark::State& state) { DecodeFile(state, TiffFile(), 24, false); }
void BM_TiffThumbnail24(benchmark::State& state) { DecodeFile(state, TiffFile(), 24, true); }

// The bench picture in another format, made once beside the benchmark; empty when no writer is there.
const std::string& FormatFile(const std::string& extension) {
  static std::map<std::string, std::string> files;
  auto found = files.find(extension);
  if (found != files.end()) return found->second;
  std::string name = "image-bench-4000x3000." + extension;
  std::string command = extension == "iff" ? "/usr/bin/convert " + BenchFile() + " ppm:- | ppmtoilbm -24force >" + name
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
  DecodeFile(state, path, 24, thumbnail);
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

// The bench picture as a PIC: one packet of red, green and blue in mixed runs (a repeat of 2 to 128
// pixels as one count byte above 128, anything else as literal groups of up to 128).
const std::string& PicFile() {
  static const std::string path = [] {
    std::string name = "image-bench-4000x3000.pic";
    std::vector<uint8_t> rgb = RgbRows(), file(104, 0);
    const uint8_t magic[4] = {0x53, 0x80, 0xF6, 0x34};
    std::copy(magic, magic + 4, file.begin());
    std::copy_n("PICT", 4, file.begin() + 88);
    file[92] = uint8_t(kWidth >> 8), file[93] = uint8_t(kWidth), file[94] = uint8_t(kHeight >> 8);
    file[95] = uint8_t(kHeight);
    file.insert(file.end(), {0, 8, 2, 0xE0});
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* row = rgb.data() + size_t(y) * kWidth * 3;
      auto same = [row](int a, int b) { return std::equal(row + 3 * a, row + 3 * a + 3, row + 3 * b); };
      int x = 0;
      while (x < kWidth) {
        int run = 1;
        while (x + run < kWidth && run < 128 && same(x, x + run)) ++run;
        if (run > 1) {
          file.push_back(uint8_t(run + 127));
          file.insert(file.end(), row + 3 * x, row + 3 * x + 3);
          x += run;
          continue;
        }
        int literal = 1;
        while (x + literal < kWidth && literal < 128 &&
               !(x + literal + 1 < kWidth && same(x + literal, x + literal + 1)))
          ++literal;
        file.push_back(uint8_t(literal - 1));
        file.insert(file.end(), row + 3 * x, row + 3 * (x + literal));
        x += literal;
      }
    }
    FILE* out = std::fopen(name.c_str(), "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) std::abort();
    std::fclose(out);
    return name;
  }();
  return path;
}

void BM_PicFullSize24(benchmark::State& state) { DecodeFile(state, PicFile(), 24, false); }
void BM_PicThumbnail24(benchmark::State& state) { DecodeFile(state, PicFile(), 24, true); }

// The Photo CD pack: 768 x 512 pixels, whatever the level read.
constexpr int64_t kPcdPixels = 768 * 512;

const std::string& PcdFile() {
  static const std::string path = [] {
    std::string name = "image-bench-768x512.pcd";
    std::string command = "/usr/bin/convert " + BenchFile() + " -resize '768x512!' " + name + " 2>/dev/null";
    return std::system(command.c_str()) == 0 ? name : std::string();
  }();
  return path;
}

void DecodePcd(benchmark::State& state, int screenBits, bool thumbnail) {
  DecodeFile(state, PcdFile(), screenBits, thumbnail, kPcdPixels);
}

void BM_PcdFullSize24(benchmark::State& state) { DecodePcd(state, 24, false); }
void BM_PcdFullSize8(benchmark::State& state) { DecodePcd(state, 8, false); }
void BM_PcdThumbnail24(benchmark::State& state) { DecodePcd(state, 24, true); }

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
  static const std::string path = MadeGif("image-bench-100-frames.gif",
                                          "-seed 3 -size 400x300 plasma:fractal -colors 128 -duplicate 99 "
                                          "-distort SRT '%[fx:t*3.6]' -set delay 4 -loop 0");
  return path;
}

void DecodeGif(benchmark::State& state, const std::string& path, bool allPages, bool thumbnail, int64_t pixels) {
  DecodeFile(state, path, 24, thumbnail, pixels, allPages);
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
void BM_PcdMagick(benchmark::State& state) { MagickDecode(state, PcdFile(), "", kPcdPixels); }
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
BENCHMARK(BM_JpegFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegThumbnail8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProgressiveJpegThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegToolFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDjpegFast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegToolThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDjpegScale8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifMagick)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifAnimation100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifAnimation100Magick)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_PicFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PicThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcdFullSize24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcdFullSize8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcdThumbnail24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PcdMagick)->Unit(benchmark::kMillisecond)->UseRealTime();

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
