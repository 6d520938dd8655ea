// libFuzzer target: any bytes decoded into a small box as the wallpaper and conversion decode them, the
// display bitmap written as BMP and JPEG and both files read back. The BMP copy must give back the very
// pixels it was written from (16-bit pixels to their 5 significant bits); the JPEG copy must decode at
// the same size; a JPEG of a depth the writer does not take must fail cleanly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "image/ImageFile.h"
#include "formats/ImageWriter.h"
#include "pipeline/MemoryGraphics.h"

namespace {

using namespace lumetta;

std::string ScratchPath(const char* extension) {
  return (std::filesystem::temp_directory_path() / ("writer-round-trip-" + std::to_string(getpid()) + extension))
      .string();
}

int32_t WriteWhole(ImageWriter& writer, BitmapHandle bitmap, PlatformGraphics& graphics, const std::string& path) {
  writer.SetOutputPath(path.c_str());
  if (writer.SetSource(bitmap, graphics) != 0 || writer.Begin() != 0) return kWriterFailed;
  // Uneven steps, as the wallpaper's progress loop takes them.
  while (writer.RowsWritten() < writer.Height())
    if (writer.WriteRows(3) != 0) return kWriterFailed;
  return writer.Finish();
}

// The file read back at full size on a full-colour screen.
bool ReadBack(const std::string& path, BitmapPixels* pixels) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  MemoryGraphics graphics(24);
  ImageFile image(bytes.data(), bytes.size());
  image.SetGraphics(graphics);
  DecodeRequest request;
  return image.Decode(request) && graphics.ReadPixels(image.GetBitmap(), pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int kScreens[] = {8, 16, 24};
  const unsigned choice = size ? data[size - 1] : 0;
  MemoryGraphics graphics(kScreens[choice % 3]);
  ImageFile image(data, size);
  image.SetGraphics(graphics);
  image.SetMemoryCeiling(int64_t(64) << 20);  // as in the image target: more inputs, not larger ones
  DecodeRequest request;
  request.width = request.height = 48;
  request.ditherMode = int32_t(choice / 3 % 5);
  request.bottomUp = int32_t(choice / 15 % 2);
  if (!image.Decode(request)) return 0;

  BitmapPixels source;
  if (!graphics.ReadPixels(image.GetBitmap(), &source)) std::abort();
  const std::string bmpPath = ScratchPath(".bmp"), jpegPath = ScratchPath(".jpg");

  BmpWriter bmp;
  if (WriteWhole(bmp, image.GetBitmap(), graphics, bmpPath) != 0) std::abort();
  BitmapPixels copy;
  if (!ReadBack(bmpPath, &copy) || copy.width != source.width || copy.height != source.height) std::abort();
  const std::vector<uint8_t> written = PixelsToRgb(source), read = PixelsToRgb(copy);
  const uint8_t mask = source.bitCount == 16 ? 0xF8 : 0xFF;
  for (size_t i = 0; i < written.size(); ++i)
    if ((written[i] & mask) != (read[i] & mask)) std::abort();

  JpegWriter jpeg;
  const int32_t jpegResult = WriteWhole(jpeg, image.GetBitmap(), graphics, jpegPath);
  if (source.bitCount == 8 || source.bitCount == 24) {
    if (jpegResult != 0 || !ReadBack(jpegPath, &copy) || copy.width != source.width || copy.height != source.height)
      std::abort();
  } else if (jpegResult == 0) {
    std::abort();
  }
  std::filesystem::remove(bmpPath);
  std::filesystem::remove(jpegPath);
  return 0;
}
