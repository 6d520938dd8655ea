// libFuzzer target: any bytes through exactly what the context menu does with a file, detection and the
// thumbnail in the menu's budget of time and memory. The runs give it a timeout a little past that
// budget: an input that holds it longer is a finding, as it would hold the file manager.
#include <cstddef>
#include <cstdint>

#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumetta::MemoryGraphics graphics(size > 0 && data[size - 1] & 1 ? 8 : 24);
  {
    lumetta::ImageFile image(data, size);
    image.SetGraphics(graphics);
    lumetta::DetectAndDecodeThumbnail(image, true);
  }
  if (graphics.LiveObjects() != 0) __builtin_trap();
  return 0;
}
