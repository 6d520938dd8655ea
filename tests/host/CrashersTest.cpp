// Replays the hand-made hostile files of tests/crashers (and any file a fuzzer found) through every
// display, request and step size that the menu and the viewer use. A name ending in ".eN.bmp" says the plain decode
// fails with error N; other files must decode. None may crash, leak or trip the sanitizers.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DecodeHelpers.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

using namespace lumetta;

TEST(Crashers, EveryHostileFileFailsCleanlyOrDecodes) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CRASHERS_DIR)) {
    if (!entry.is_regular_file()) continue;
    std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ++files;

    size_t mark = name.find(".e");
    int expected = mark != std::string::npos ? std::atoi(name.c_str() + mark + 2) : 0;
    {
      MemoryGraphics graphics(24);
      ImageFile image(bytes.data(), bytes.size());
      image.SetGraphics(graphics);
      bool ok = image.Decode(DecodeRequest{});
      EXPECT_EQ(ok ? 0 : image.GetLastError(), expected);
      EXPECT_EQ(ok, expected == 0);
    }
    // Then every way the menu and the viewer decode: displays, legacy platform, requests, step sizes.
    for (unsigned choice = 0; choice < testimages::kDecodeVariants; ++choice) {
      testimages::DecodeVariant variant = testimages::MakeDecodeVariant(choice);
      MemoryGraphics graphics(variant.screenBits);
      graphics.SetLegacyPlatform(variant.legacy);
      {
        ImageFile image(bytes.data(), bytes.size());
        image.SetGraphics(graphics);
        testimages::DecodeInSteps(image, variant.request, variant.rowsPerStep);
      }
      EXPECT_EQ(graphics.LiveObjects(), 0) << "variant " << choice;
    }
  }
  EXPECT_GT(files, 20);
}
