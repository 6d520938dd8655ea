// libFuzzer target: any bytes through detection and a full decode, under several displays and
// requests chosen by the first byte. Built with clang when BUILD_FUZZERS is on; the same entry point
// replays the crashers folder in the host tests.
#include <cstddef>
#include <cstdint>

#include "ImageFile.h"
#include "MemoryGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t choice = size > 0 ? data[size - 1] : 0;
  static const int kScreens[3] = {8, 16, 24};
  lumetta::MemoryGraphics graphics(kScreens[choice % 3]);
  lumetta::DecodeRequest request;
  request.ditherMode = (choice >> 2) % 5;
  request.bottomUp = (choice >> 5) & 1;
  request.deviceBitmap = (choice >> 6) & 1;
  request.makeFullColorBitmap = (choice >> 7) & 1;
  if (choice & 0x10) request.width = request.height = 100;
  lumetta::ImageFile image(data, size);
  image.SetGraphics(graphics);
  image.Decode(request);
  return 0;
}
