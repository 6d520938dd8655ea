// Where a printed image lands and which part of it is sent, on an A4 page at 300 dots per inch (2329 x
// 3000 device pixels left below the text) with a 96 dpi screen: the screen's size at a scale, the viewer's
// visible part, fit to page, and the reduction of whatever is larger than the page.
#include <gtest/gtest.h>

#include "PrintLayout.h"

TEST(PrintLayout, SizesPartsAndPlacesImagesOnThePage) {
  struct Case {
    const char* what;
    int width, height, scale;
    PrintRect window;
    bool fit, center;
    PrintPlacement expected;  // source x, y, width, height; page x, y, width, height
  } cases[] = {
      {"100 %: the screen's size, centred across, at the top",
       64,
       48,
       100,
       {},
       false,
       false,
       {0, 0, 64, 48, 1064, 100, 200, 150}},
      {"centred in the height left below the text", 64, 48, 100, {}, false, true, {0, 0, 64, 48, 1064, 1525, 200, 150}},
      {"200 %", 64, 48, 200, {}, false, false, {0, 0, 64, 48, 964, 100, 400, 300}},
      {"wider than the page: reduced to its width",
       3000,
       1000,
       100,
       {},
       false,
       false,
       {0, 0, 3000, 1000, 0, 100, 2329, 776}},
      {"taller than the page: reduced to its height",
       1000,
       3000,
       100,
       {},
       false,
       false,
       {0, 0, 1000, 3000, 664, 100, 1000, 3000}},
      {"fit to page enlarges to the width", 64, 48, 100, {}, true, false, {0, 0, 64, 48, 0, 100, 2329, 1746}},
      {"fit to page stops at the height", 48, 64, 100, {}, true, false, {0, 0, 48, 64, 39, 100, 2250, 3000}},
      {"the viewer's visible part at 200 %",
       200,
       100,
       200,
       {100, 40, 300, 141},
       false,
       false,
       {50, 20, 100, 50, 852, 100, 625, 315}},
      // 29 / 100 * 100 in floating point is 28.999...: the part must not lose its last column.
      {"a visible part of 29 columns at 100 %",
       100,
       10,
       100,
       {0, 0, 29, 10},
       false,
       false,
       {0, 0, 29, 10, 1119, 100, 90, 31}},
      {"a visible part reaching past the image ends at its edge",
       100,
       50,
       100,
       {60, 0, 160, 80},
       false,
       false,
       {60, 0, 40, 50, 1102, 100, 125, 156}},
      {"a scale of zero from a damaged registry prints at 100 %",
       64,
       48,
       0,
       {},
       false,
       false,
       {0, 0, 64, 48, 1064, 100, 200, 150}},
      {"one pixel at 10 % still prints, and fits the page",
       1,
       1,
       10,
       {},
       true,
       false,
       {0, 0, 1, 1, 0, 100, 2329, 2329}},
  };
  for (const Case& c : cases) {
    PrintSizing sizing;
    sizing.imageWidth = c.width;
    sizing.imageHeight = c.height;
    sizing.scale = c.scale;
    sizing.window = c.window;
    sizing.fitToPage = c.fit;
    sizing.centerOnPage = c.center;
    sizing.pageWidth = 2329;
    sizing.pageHeight = 3000;
    sizing.top = 100;
    sizing.printerDpiX = sizing.printerDpiY = 300;
    sizing.screenDpiX = sizing.screenDpiY = 96;
    const PrintPlacement got = PlaceImageOnPage(sizing);
    const PrintPlacement& e = c.expected;
    EXPECT_EQ((std::vector<int>{got.sourceX, got.sourceY, got.sourceWidth, got.sourceHeight, got.x, got.y, got.width,
                                got.height}),
              (std::vector<int>{e.sourceX, e.sourceY, e.sourceWidth, e.sourceHeight, e.x, e.y, e.width, e.height}))
        << c.what;
  }
}
