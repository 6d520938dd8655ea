// lumetta-tool: reads images through the image model as the shell extension does.
//   lumetta-tool info FILE...
//   lumetta-tool decode FILE OUT.ppm [--page N] [--box WxH] [--screen-bits 1|4|8|16|24] [--dither 0-4]
//                                    [--fixed-palette] [--full-color] [--rows-per-step N]
//   lumetta-tool thumbnail FILE OUT.ppm [--screen-bits N]   (the context menu's thumbnail, its budget too)
//   lumetta-tool convert --to bmp|jpg FILE...
// Exit status: 0 success, 1 an image could not be read ("error N" on standard error) or, for convert, any
// file could not be converted (each file gets a line "FILE<tab>OUTPUT" or "FILE<tab>failed: ..."),
// 2 bad usage.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/ImageConversion.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"
#include "pipeline/PathHelpers.h"
#ifdef _WIN32
#include <io.h>

#include "pipeline/GdiGraphics.h"
#else
#include <unistd.h>
#endif

using namespace lumetta;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
  std::fputs(
      "usage: lumetta-tool info FILE...\n"
      "       lumetta-tool decode FILE OUT.ppm [--page N] [--box WxH] [--screen-bits 1|4|8|16|24]\n"
      "                                        [--dither 0-4] [--fixed-palette] [--full-color]\n"
      "                                        [--rows-per-step N]\n"
      "       lumetta-tool thumbnail FILE OUT.ppm [--screen-bits 1|4|8|16|24]\n"
      "       lumetta-tool convert --to bmp|jpg FILE...\n",
      stderr);
  return kExitUsage;
}

bool ParseInt(const char* text, int low, int high, int* value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < low || v > high) return false;
  *value = int(v);
  return true;
}

// Graphics "as on" a display of the chosen depth: GDI on Windows, memory elsewhere.
std::unique_ptr<PlatformGraphics> MakeGraphics(int screenBits) {
#ifdef _WIN32
  return std::make_unique<GdiGraphics>(screenBits);
#else
  return std::make_unique<MemoryGraphics>(screenBits);
#endif
}

int Info(int count, char** files) {
  int status = kExitOk;
  for (int i = 0; i < count; ++i) {
    ImageFile image(files[i]);
    ImageKind kind = image.GetKind();
    int width = 0, height = 0, bits = 0, pages = 0;
    if (kind != ImageKind::Unknown) {
      width = image.GetWidth(0);
      height = image.GetHeight(0);
      bits = image.GetBitsPerPixel(0);
      pages = image.CountPages();
      if (pages == 0) {
        pages = 1;  // detected, but this build cannot open its pages
        if (image.GetLastError() == kErrNoDecoder)
          std::fprintf(stderr, "%s: %s images cannot be decoded by this build (error %d)%s\n", files[i],
                       ImageKindName(kind), kErrNoDecoder,
                       kind == ImageKind::Wmf ? ": metafiles are played by the Windows graphics system" : "");
      }
    } else {
      std::fprintf(stderr, "%s: error %d\n", files[i], image.GetLastError());
      status = kExitFailed;
    }
    char label[512];
    FormatImageLabel(label, sizeof label, files[i], kind, width, height, bits, true, false);
    std::printf("%s\t%d\t%d\t%d\t%d\t%s\n", ImageKindName(kind), width, height, bits, pages, label);
  }
  return status;
}

// Read back and converted a band of rows at a time into the same two small buffers: a second copy of a
// large picture would cost more than its decode.
bool WritePpm(const char* path, PlatformGraphics& graphics, BitmapHandle bitmap) {
  constexpr int kBandRows = 16;
  BitmapPixels band;
  if (!graphics.ReadPixelRows(bitmap, 0, kBandRows, &band)) return false;
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  const int height = band.bitmapHeight;
  std::fprintf(out, "P6\n%d %d\n255\n", band.width, height);
  std::vector<uint8_t> rgb(size_t(band.width) * 3 * kBandRows);
  bool ok = true;
  for (int y = 0; ok && y < height; y += band.height) {
    ok = (y == 0 || graphics.ReadPixelRows(bitmap, y, kBandRows, &band)) && band.height > 0;
    if (!ok) break;
    PixelsToRgb(band, rgb.data());
    size_t bytes = size_t(band.width) * 3 * size_t(band.height);
    ok = std::fwrite(rgb.data(), 1, bytes, out) == bytes;
  }
  return std::fclose(out) == 0 && ok;
}

// Decodes in steps of `rows` rows, as a window that shows the image while it is decoded does.
bool DecodeInSteps(ImageFile& image, const DecodeRequest& request, int rows) {
  image.ReleaseAll();
  bool ok = image.BeginDecode(request);
  StallWatch watch;
  while (ok && image.GetProgress() < kProgressComplete) {
    ok = image.DecodeStep(rows, nullptr, nullptr);
    if (ok && watch.Stalled(image)) {
      std::fprintf(stderr, "the decoder stopped moving\n");
      ok = false;
    }
  }
  int error = image.GetLastError();
  image.EndDecode(false);
  return ok && error == kErrNone;
}

// Exactly what the context menu does with the file: detection and the thumbnail in one budget.
int ThumbnailToPpm(const char* file, const char* output, PlatformGraphics& graphics) {
  ImageFile image(file);
  image.SetGraphics(graphics);
  if (!DetectAndDecodeThumbnail(image, true) || !image.IsComplete() || !image.GetBitmap()) {
    std::fprintf(stderr, "error %d\n", image.GetLastError() ? image.GetLastError() : int(kErrInvalidState));
    return kExitFailed;
  }
  if (!WritePpm(output, graphics, image.GetBitmap())) {
    std::fprintf(stderr, "%s: cannot write\n", output);
    return kExitFailed;
  }
  return kExitOk;
}

int DecodeToPpm(const char* file, const char* output, const DecodeRequest& baseRequest, int page, bool fullColor,
                int rowsPerStep, PlatformGraphics& graphics) {
  ImageFile image(file);
  image.SetGraphics(graphics);
  DecodeRequest request = baseRequest;
  if (fullColor) request.makeFullColorBitmap = 1;
  // An animation's frame is drawn over the frames before it: decode them all, as the viewer does.
  if (image.GetKind() == ImageKind::Gif) {
    request.allPages = 1;
    request.scanAllFrames = 1;
  } else {
    image.SetPage(page);
  }
  if (!(rowsPerStep > 0 ? DecodeInSteps(image, request, rowsPerStep) : image.Decode(request))) {
    std::fprintf(stderr, "error %d\n", image.GetLastError());
    return kExitFailed;
  }
  BitmapHandle bitmap = fullColor ? image.GetFullColorBitmap(page) : image.GetBitmap(page);
  BitmapPixels none;  // a bitmap that cannot be read back is the decode's failure, not the output file's
  if (!bitmap || !graphics.ReadPixelRows(bitmap, 0, 0, &none)) {
    std::fprintf(stderr, "error %d\n", image.GetLastError() ? image.GetLastError() : int(kErrInvalidState));
    return kExitFailed;
  }
  if (!WritePpm(output, graphics, bitmap)) {
    std::fprintf(stderr, "%s: cannot write\n", output);
    return kExitFailed;
  }
  return kExitOk;
}

int Decode(int argc, char** argv, bool thumbnail) {
  if (argc < 2) return Usage();
  const char* file = argv[0];
  const char* output = argv[1];
  DecodeRequest request;
  int page = 0, screenBits = 24, rowsPerStep = 0;
  bool fullColor = false;
  for (int i = 2; i < argc; ++i) {
    std::string option = argv[i];
    bool hasValue = i + 1 < argc;
    if (option == "--screen-bits" && hasValue) {
      if (!ParseInt(argv[++i], 1, 24, &screenBits) ||
          (screenBits != 1 && screenBits != 4 && screenBits != 8 && screenBits != 16 && screenBits != 24))
        return Usage();
    } else if (thumbnail) {
      return Usage();
    } else if (option == "--page" && hasValue) {
      if (!ParseInt(argv[++i], 0, 65534, &page)) return Usage();
    } else if (option == "--box" && hasValue) {
      int w = 0, h = 0;
      char extra = 0;
      if (std::sscanf(argv[++i], "%dx%d%c", &w, &h, &extra) != 2 || w < 0 || h < 0) return Usage();
      request.width = w;
      request.height = h;
    } else if (option == "--dither" && hasValue) {
      if (!ParseInt(argv[++i], 0, 4, &request.ditherMode)) return Usage();
    } else if (option == "--fixed-palette") {
      request.fixedPalette = 1;
    } else if (option == "--full-color") {
      fullColor = true;
    } else if (option == "--rows-per-step" && hasValue) {
      if (!ParseInt(argv[++i], 1, 1 << 20, &rowsPerStep)) return Usage();
    } else {
      return Usage();
    }
  }
  std::unique_ptr<PlatformGraphics> graphics = MakeGraphics(screenBits);
  SetDefaultGraphics(graphics.get());
  int status = thumbnail ? ThumbnailToPpm(file, output, *graphics)
                         : DecodeToPpm(file, output, request, page, fullColor, rowsPerStep, *graphics);
  SetDefaultGraphics(nullptr);
  return status;
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

// Each file is converted beside itself under the first free name, as the context menu's command does;
// a file that exists nevertheless (one that cannot be read) is never replaced.
int Convert(int argc, char** argv) {
  if (argc < 3 || std::string(argv[0]) != "--to") return Usage();
  std::string to = argv[1];
  if (to != "bmp" && to != "jpg") return Usage();
  OutputFormat format = to == "bmp" ? OutputFormat::Bmp : OutputFormat::Jpeg;
  std::unique_ptr<PlatformGraphics> graphics = MakeGraphics(24);
  SetDefaultGraphics(graphics.get());
  const bool progress = StderrIsTerminal();
  const int count = argc - 2;
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    const char* file = argv[2 + i];
    if (progress) std::fprintf(stderr, "\r[%d/%d] %-60.60s", i + 1, count, file);
    char output[kPathBufferSize];
    ConversionOutputName(file, format, output);
    int error = 0;
    ConversionResult result = ConversionResult::WriteFailed;
    FILE* existing = std::fopen(output, "rb");
    bool blocked = existing != nullptr || FileAttributesReadable(output);
    if (existing) std::fclose(existing);
    if (!blocked) result = ConvertImageFile(file, output, format, *graphics, &error);
    if (progress) std::fprintf(stderr, "\r%72s\r", "");
    if (result == ConversionResult::Converted) {
      std::printf("%s\t%s\n", file, output);
    } else {
      ++failed;
      if (blocked)
        std::printf("%s\tfailed: %s exists\n", file, output);
      else if (result == ConversionResult::SourceUnreadable)
        std::printf("%s\tfailed: error %d\n", file, error);
      else
        std::printf("%s\tfailed: cannot write %s\n", file, output);
    }
    std::fflush(stdout);
  }
  SetDefaultGraphics(nullptr);
  return failed ? kExitFailed : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  if (command == "info") return Info(argc - 2, argv + 2);
  if (command == "decode") return Decode(argc - 2, argv + 2, false);
  if (command == "thumbnail") return Decode(argc - 2, argv + 2, true);
  if (command == "convert") return Convert(argc - 2, argv + 2);
  return Usage();
}
