// The path of the pointer glide.
#include <gtest/gtest.h>

#include <vector>

#include "forms/CursorGlide.h"

namespace {

using mercanota::ScreenPoint;

std::vector<ScreenPoint> Path(ScreenPoint from, ScreenPoint to) {
  std::vector<ScreenPoint> path;
  mercanota::GlideCursor(from, to, [&](ScreenPoint p) {
    path.push_back(p);
    return path.size() < 10000;
  });
  return path;
}

TEST(CursorGlide, StepsOnePixelPerAxisUntilBothArrive) {
  EXPECT_EQ(Path({10, 10}, {13, 11}), (std::vector<ScreenPoint>{{11, 11}, {12, 11}, {13, 11}}));
  EXPECT_EQ(Path({10, 10}, {8, 13}), (std::vector<ScreenPoint>{{9, 11}, {8, 12}, {8, 13}}));
  EXPECT_EQ(Path({5, 9}, {5, 6}), (std::vector<ScreenPoint>{{5, 8}, {5, 7}, {5, 6}}));
  EXPECT_EQ(Path({0, 0}, {300, 200}).size(), 300u);
}

TEST(CursorGlide, AtTheTargetMakesOneStepInPlace) {
  EXPECT_EQ(Path({40, 50}, {40, 50}), (std::vector<ScreenPoint>{{40, 50}}));
}

TEST(CursorGlide, StopsWhenAStepSaysSo) {
  int steps = 0;
  mercanota::GlideCursor({0, 0}, {100, 100}, [&](ScreenPoint) { return ++steps < 3; });
  EXPECT_EQ(steps, 3);
}

}  // namespace
