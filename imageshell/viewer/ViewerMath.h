#pragma once

// The viewer's arithmetic without a window: zoom steps, slice sizes, the view's placement and the
// rectangles a paint blits. Kept apart from the windows so that it is checked on the host.
#include <cstdint>

namespace lumetta {

// A rectangle laid out as the platform's RECT.
struct ViewRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const ViewRect&) const = default;
};

constexpr int kZoomStepCount = 20;
constexpr int kZoomIndex100 = 7;
extern const int ZoomSteps[kZoomStepCount];

// The step nearest to `percent` (the lower one on a tie).
int NearestZoomIndex(int percent);
// The lowest step above `percent`, the last step when none is.
int NextHigherZoomIndex(int percent);
// The highest step below `percent`, the first step when none is.
int NextLowerZoomIndex(int percent);

// The zoom the user sees when the decoded width differs from the image's own: a decode to a box shows
// `decodedWidth` pixels for `imageWidth`.
int EffectivePercent(int decodedWidth, int imageWidth, int zoom);

// A slice of decoding (one message from the pacing thread, one paint) runs for about one frame's time.
constexpr int kSliceMs = 15;
// Rows decoded per step within a slice: about 64 K pixels, so that the clock is looked at often, and no
// more than the room for one update rectangle a row.
int RowsPerStep(int decodedWidth);

// The view inside its owner's client area: centred when the zoomed image is smaller, filling it else.
// `clientRight`/`clientBottom` are the owner's client rectangle's right and bottom.
ViewRect ViewPlacement(int clientRight, int clientBottom, int zoomedWidth, int zoomedHeight);

// New scroll offset along one axis so that the point at the view's centre stays there.
int ScrollKeepingCentre(int scroll, int clientExtent, int oldZoom, int newZoom);

// A rectangle changed by a decode step (decoded pixels) as the view's client area shows it.
ViewRect MapDecodedRect(const ViewRect& decoded, int zoom, int scrollX, int scrollY);

// What a paint of rectangle `paint` copies: the source part of the decoded bitmap, where it lands and
// the clip that keeps undecoded rows out. `decoded` is the part of the page decoded so far.
struct PaintPlan {
  int32_t sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
  int32_t destX = 0, destY = 0, destWidth = 0, destHeight = 0;
  ViewRect clip;  // client coordinates
  bool operator==(const PaintPlan&) const = default;
};
PaintPlan PlanPaint(const ViewRect& paint, int width, int height, const ViewRect& decoded, int zoom, int scrollX,
                    int scrollY);

// The zoom that fits an image of `width` x `height` into the available extents, clamped to 1 .. 10000.
int FitPercent(int availableWidth, int availableHeight, int width, int height);

// The outer size of the frame around a zoomed image: never below 120 x 20, never beyond the work area.
void FrameExtent(int windowWidth, int windowHeight, int maxWidth, int maxHeight, int* cx, int* cy);

// Places a frame of cx x cy centred on `normal` (work-area coordinates) inside `work` (screen).
void PlaceFrame(const ViewRect& normal, const ViewRect& work, int cx, int cy, int* x, int* y);

}  // namespace lumetta
