#pragma once
// The path of the pointer glide used by the guided tours: one pixel at a time on each axis that has not
// reached its target, so a diagonal glide runs at 45 degrees and then straight on. `step` is called with
// every point of the path, the target last (it processes window events and moves the pointer); returning
// false ends the glide early. A glide to where the pointer already is still makes one step.
namespace mercanota {

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

template <typename Step>
void GlideCursor(ScreenPoint from, ScreenPoint to, Step step) {
  // The directions are fixed once, from the starting point.
  const int dx = from.x >= to.x ? -1 : 1;
  const int dy = from.y >= to.y ? -1 : 1;
  ScreenPoint p = from;
  do {
    if (p.x != to.x) p.x += dx;
    if (p.y != to.y) p.y += dy;
    if (!step(p)) return;
  } while (p.x != to.x || p.y != to.y);
}

}  // namespace mercanota
