// libFuzzer target: any bytes through detection and a decode as the menu and the viewer run it, the
// display, request and step size chosen by the last two bytes. Built with clang when BUILD_FUZZERS is
// on; the host tests replay the crashers folder through every such choice.
#include <cstddef>
#include <cstdint>

#include "DecodeHelpers.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unsigned choice = size >= 2 ? unsigned(data[size - 1] | data[size - 2] << 8) : 0;
  testimages::DecodeVariant variant = testimages::MakeDecodeVariant(choice % testimages::kDecodeVariants);
  lumetta::MemoryGraphics graphics(variant.screenBits);
  graphics.SetLegacyPlatform(variant.legacy);
  {
    lumetta::ImageFile image(data, size);
    image.SetGraphics(graphics);
    // Headers may ask for up to 1 GiB, and get it; filling that much takes seconds, which the fuzzer
    // spends better on more inputs. The ceiling's own checks are as much exercised at 64 MiB.
    image.SetMemoryCeiling(int64_t(64) << 20);
    testimages::DecodeInSteps(image, variant.request, variant.rowsPerStep);
  }
  if (graphics.LiveObjects() != 0) __builtin_trap();
  return 0;
}
