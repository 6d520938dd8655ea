// The viewer's arithmetic: zoom steps, slice sizes, placement and what a paint copies.
#include <gtest/gtest.h>

#include "viewer/ViewerMath.h"

using namespace lumetta;

TEST(ViewerMath, ZoomStepLookupsAtTheEdgesAndBetweenSteps) {
  struct Case {
    int percent, nearest, higher, lower;  // as percentages
  } cases[] = {
      {100, 100, 150, 70},          {120, 100, 150, 100}, {125, 100, 150, 100},  // a tie keeps the lower step
      {10000, 10000, 10000, 7000},  {5, 5, 10, 5},        {1, 5, 5, 5},
      {20000, 10000, 10000, 10000}, {0, 5, 5, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ZoomSteps[NearestZoomIndex(c.percent)], c.nearest) << c.percent;
    EXPECT_EQ(ZoomSteps[NextHigherZoomIndex(c.percent)], c.higher) << c.percent;
    EXPECT_EQ(ZoomSteps[NextLowerZoomIndex(c.percent)], c.lower) << c.percent;
  }
  EXPECT_EQ(ZoomSteps[kZoomIndex100], 100);
  // A decode to half the width shows 50 % at zoom 100; rounding to the nearest percent.
  EXPECT_EQ(EffectivePercent(320, 640, 100), 50);
  EXPECT_EQ(EffectivePercent(333, 1000, 150), 50);
  EXPECT_EQ(EffectivePercent(640, 640, 120), 120);
}

TEST(ViewerMath, RowsPerStepShrinkWithWidthWithinTheRectangleRoom) {
  struct Case {
    int decoded, rows;
  } cases[] = {{4000, 16}, {640, 100}, {1000, 65}, {70000, 1}, {0, 1}, {-5, 1}};
  for (const Case& c : cases) EXPECT_EQ(RowsPerStep(c.decoded), c.rows) << c.decoded;
}

TEST(ViewerMath, PaintCopiesTheVisibleDecodedPartAtEachZoom) {
  struct Case {
    int zoom;
    ViewRect paint, decoded;
    int scrollX, scrollY;
    PaintPlan expected;
  } cases[] = {
      // 100 %: one to one, the destination clipped to the image, the clip the decoded rows.
      {100, {0, 0, 40, 20}, {0, 0, 33, 17}, 0, 0, {0, 0, 33, 17, 0, 0, 33, 17, {0, 0, 33, 17}}},
      {100, {2, 3, 12, 9}, {0, 0, 33, 10}, 5, 4, {7, 7, 10, 6, 2, 3, 10, 6, {-5, -4, 28, 6}}},
      // 50 %: the odd size rounds the destination up and the clip down.
      {50, {0, 0, 17, 9}, {0, 0, 33, 17}, 0, 0, {0, 0, 33, 17, 0, 0, 17, 9, {0, 0, 16, 8}}},
      // 300 %: whole source pixels around the paint rectangle, from a scrolled origin.
      {300, {5, 5, 31, 31}, {0, 0, 33, 10}, 7, 4, {4, 3, 9, 9, 5, 5, 27, 27, {-7, -4, 92, 26}}},
  };
  for (const Case& c : cases) {
    PaintPlan got = PlanPaint(c.paint, 33, 17, c.decoded, c.zoom, c.scrollX, c.scrollY);
    const PaintPlan& e = c.expected;
    EXPECT_EQ(got, e) << "zoom " << c.zoom << ": source " << got.sourceX << "," << got.sourceY << " " << got.sourceWidth
                      << "x" << got.sourceHeight << " dest " << got.destX << "," << got.destY << " " << got.destWidth
                      << "x" << got.destHeight << " clip " << got.clip.left << "," << got.clip.top << ","
                      << got.clip.right << "," << got.clip.bottom;
  }
  // Decoded rows invalidate at least the zoomed pixels they touch.
  EXPECT_EQ(MapDecodedRect({10, 20, 30, 40}, 100, 5, 5), (ViewRect{5, 15, 25, 35}));
  EXPECT_EQ(MapDecodedRect({10, 20, 30, 40}, 50, 0, 0), (ViewRect{4, 9, 15, 20}));
  EXPECT_EQ(MapDecodedRect({10, 20, 30, 40}, 300, 0, 0), (ViewRect{29, 59, 91, 121}));
}

TEST(ViewerMath, ZoomKeepsTheCentreAndTheFrameStaysInTheWorkArea) {
  // The image point at the view's centre stays there, there and back.
  EXPECT_EQ(ScrollKeepingCentre(100, 200, 100, 200), 300);
  EXPECT_EQ(ScrollKeepingCentre(300, 200, 200, 100), 100);
  EXPECT_EQ(ScrollKeepingCentre(0, 200, 100, 50), -50) << "the view clamps it afterwards";

  EXPECT_EQ(ViewPlacement(399, 299, 200, 100), (ViewRect{100, 100, 300, 200})) << "centred";
  EXPECT_EQ(ViewPlacement(399, 299, 1000, 1000), (ViewRect{0, 0, 400, 300})) << "fills the owner";

  int cx, cy;
  FrameExtent(50, 10, 1000, 700, &cx, &cy);
  EXPECT_EQ(cx, 120);
  EXPECT_EQ(cy, 20);
  FrameExtent(5000, 5000, 1000, 700, &cx, &cy);
  EXPECT_EQ(cx, 1000);
  EXPECT_EQ(cy, 700);

  struct Case {
    ViewRect normal, work;
    int x, y;
  } places[] = {
      {{100, 100, 300, 200}, {0, 0, 1000, 700}, 0, 0},
      {{900, 600, 1100, 800}, {0, 0, 1000, 700}, 600, 400},  // pushed back inside at the bottom right
      {{0, 0, 100, 100}, {0, 30, 1000, 700}, 0, 30},         // never above the work area's top
  };
  for (const Case& c : places) {
    int x, y;
    PlaceFrame(c.normal, c.work, 400, 300, &x, &y);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
  }
  EXPECT_EQ(FitPercent(1000, 700, 100, 100), 700);
  EXPECT_EQ(FitPercent(1000, 700, 4000, 3000), 23);
  EXPECT_EQ(FitPercent(100000, 100000, 1, 1), 10000);
  EXPECT_EQ(FitPercent(10, 10, 30000, 30000), 1);
}
