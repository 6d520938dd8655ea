// Where a printed image lands and which part of it is sent, on an A4 page at 300 dots per inch (2329 x
// 3000 device pixels left below 100 pixels of text) with a 96 dpi screen.
#include <gtest/gtest.h>

#include <vector>

#include "shell/PrintLayout.h"

TEST(PrintLayout, SizesPartsAndPlacesImagesOnThePage) {
  struct Case {
    const char* what;
    int width, height, scale;
    PrintRect window;
    bool fit, center;
    std::vector<int> expected;  // source x, y, width, height; page x, y, width, height
  } cases[] = {
      // clang-format off
      {"100 %: screen size, centred, at the top", 64, 48, 100, {}, false, false, {0, 0, 64, 48, 1064, 100, 200, 150}},
      {"centred below the text", 64, 48, 100, {}, false, true, {0, 0, 64, 48, 1064, 1525, 200, 150}},
      {"200 %", 64, 48, 200, {}, false, false, {0, 0, 64, 48, 964, 100, 400, 300}},
      {"wider than the page", 3000, 1000, 100, {}, false, false, {0, 0, 3000, 1000, 0, 100, 2329, 776}},
      {"taller than the page", 1000, 3000, 100, {}, false, false, {0, 0, 1000, 3000, 664, 100, 1000, 3000}},
      {"fit: to the width", 64, 48, 100, {}, true, false, {0, 0, 64, 48, 0, 100, 2329, 1746}},
      {"fit: up to the height", 48, 64, 100, {}, true, false, {0, 0, 48, 64, 39, 100, 2250, 3000}},
      {"viewer part at 200 %", 200, 100, 200, {100, 40, 300, 141}, false, false, {50, 20, 100, 50, 852, 100, 625, 315}},
      // 29 / 100 * 100 in floating point is 28.999...: the part must not lose its last column.
      {"29 columns at 100 %", 100, 10, 100, {0, 0, 29, 10}, false, false, {0, 0, 29, 10, 1119, 100, 90, 31}},
      {"part past the edge", 100, 50, 100, {60, 0, 160, 80}, false, false, {60, 0, 40, 50, 1102, 100, 125, 156}},
      {"scale 0 (bad registry)", 64, 48, 0, {}, false, false, {0, 0, 64, 48, 1064, 100, 200, 150}},
      {"1 pixel at 10 %", 1, 1, 10, {}, true, false, {0, 0, 1, 1, 0, 100, 2329, 2329}},
      // clang-format on
  };
  for (const Case& c : cases) {
    PrintSizing s;
    s.imageWidth = c.width;
    s.imageHeight = c.height;
    s.scale = c.scale;
    s.window = c.window;
    s.fitToPage = c.fit;
    s.centerOnPage = c.center;
    s.pageWidth = 2329;
    s.pageHeight = 3000;
    s.top = 100;
    s.printerDpiX = s.printerDpiY = 300;
    s.screenDpiX = s.screenDpiY = 96;
    const PrintPlacement p = PlaceImageOnPage(s);
    EXPECT_EQ((std::vector<int>{p.sourceX, p.sourceY, p.sourceWidth, p.sourceHeight, p.x, p.y, p.width, p.height}),
              c.expected)
        << c.what;
  }
}
