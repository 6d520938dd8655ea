#include "viewer/ViewerMath.h"

#include <algorithm>
#include <cstdlib>

namespace lumetta {

const int ZoomSteps[kZoomStepCount] = {5,   10,  15,  20,   30,   50,   70,   100,  150,  200,
                                       300, 500, 700, 1000, 1500, 2000, 3000, 5000, 7000, 10000};

namespace {
// a / b rounded up, for non-negative a and positive b.
int CeilDiv(int64_t a, int64_t b) { return int((a + b - 1) / b); }
}  // namespace

int NearestZoomIndex(int percent) {
  int best = 0;
  for (int i = 1; i < kZoomStepCount; ++i)
    if (std::llabs(int64_t(ZoomSteps[i]) - percent) < std::llabs(int64_t(ZoomSteps[best]) - percent)) best = i;
  return best;
}

int NextHigherZoomIndex(int percent) {
  for (int i = 0; i < kZoomStepCount; ++i)
    if (ZoomSteps[i] > percent) return i;
  return kZoomStepCount - 1;
}

int NextLowerZoomIndex(int percent) {
  for (int i = kZoomStepCount - 1; i >= 0; --i)
    if (ZoomSteps[i] < percent) return i;
  return 0;
}

int EffectivePercent(int decodedWidth, int imageWidth, int zoom) {
  if (imageWidth <= 0) return zoom;
  return int((int64_t(decodedWidth) * zoom + imageWidth / 2) / imageWidth);
}

int RowsPerStep(int decodedWidth) {
  constexpr int kStepPixels = 64 * 1024, kMostRows = 100;
  if (decodedWidth <= 0) return 1;
  return std::clamp(kStepPixels / decodedWidth, 1, kMostRows);
}

ViewRect ViewPlacement(int clientRight, int clientBottom, int zoomedWidth, int zoomedHeight) {
  // The owner's extent counts one pixel more than its client rectangle, as the frame has always done.
  int cw = clientRight + 1, ch = clientBottom + 1;
  int x = std::max(0, (cw - zoomedWidth) / 2);
  int y = std::max(0, (ch - zoomedHeight) / 2);
  return {x, y, x + std::min(cw, zoomedWidth), y + std::min(ch, zoomedHeight)};
}

int ScrollKeepingCentre(int scroll, int clientExtent, int oldZoom, int newZoom) {
  if (oldZoom <= 0) return scroll;
  return int(int64_t(newZoom) * (scroll + clientExtent / 2) / oldZoom - clientExtent / 2);
}

ViewRect MapDecodedRect(const ViewRect& r, int zoom, int scrollX, int scrollY) {
  int d = zoom != 100 ? 1 : 0;
  int e = zoom > 100 ? 1 : 0;
  ViewRect out;
  out.left = std::max<int64_t>(0, int64_t(zoom) * r.left / 100 - d) - scrollX;
  out.top = std::max<int64_t>(0, int64_t(zoom) * r.top / 100 - d) - scrollY;
  out.right = int((int64_t(zoom) * r.right + 99) / 100 + e) - scrollX;
  out.bottom = int((int64_t(zoom) * r.bottom + 99) / 100 + e) - scrollY;
  return out;
}

PaintPlan PlanPaint(const ViewRect& p, int width, int height, const ViewRect& decoded, int zoom, int scrollX,
                    int scrollY) {
  PaintPlan plan;
  int64_t z = std::max(zoom, 1);
  int xs, xe, ys, ye;
  if (z == 100) {
    xs = std::max(0, scrollX + p.left);
    xe = std::min(width, scrollX + p.right);
    ys = std::max(0, scrollY + p.top);
    ye = std::min(height, scrollY + p.bottom);
    plan.destX = xs - scrollX;
    plan.destY = ys - scrollY;
    plan.destWidth = xe - xs;
    plan.destHeight = ye - ys;
    plan.clip = decoded;
  } else {
    int64_t l = p.left, t = p.top, r = p.right, b = p.bottom;
    if (z > 100) {
      // Whole source pixels only, so that a partly covered pixel is stretched the same in every paint.
      l = (l * z / 100) * 100 / z;
      t = (t * z / 100) * 100 / z;
      r = CeilDiv(CeilDiv(r * z, 100) * 100, z);
      b = CeilDiv(CeilDiv(b * z, 100) * 100, z);
    }
    xs = int(std::max<int64_t>(0, (l + scrollX) * 100 / z));
    xe = int(std::min<int64_t>(width, CeilDiv(std::max<int64_t>(0, (r + scrollX) * 100), z)));
    ys = int(std::max<int64_t>(0, (t + scrollY) * 100 / z));
    ye = int(std::min<int64_t>(height, CeilDiv(std::max<int64_t>(0, (b + scrollY) * 100), z)));
    plan.destWidth = CeilDiv(std::max(0, xe - xs) * z, 100);
    plan.destHeight = CeilDiv(std::max(0, ye - ys) * z, 100);
    plan.destX = int(xs * z / 100 - scrollX);
    plan.destY = int(ys * z / 100 - scrollY);
    plan.clip = {CeilDiv(z * decoded.left, 100), CeilDiv(z * decoded.top, 100), int(z * decoded.right / 100),
                 int(z * decoded.bottom / 100)};
  }
  plan.sourceX = xs;
  plan.sourceY = ys;
  plan.sourceWidth = std::max(0, xe - xs);
  plan.sourceHeight = std::max(0, ye - ys);
  plan.clip.left -= scrollX;
  plan.clip.right -= scrollX;
  plan.clip.top -= scrollY;
  plan.clip.bottom -= scrollY;
  return plan;
}

int FitPercent(int availableWidth, int availableHeight, int width, int height) {
  if (width <= 0 || height <= 0) return 100;
  int64_t zx = int64_t(availableWidth) * 100 / width;
  int64_t zy = int64_t(availableHeight) * 100 / height;
  return int(std::clamp<int64_t>(std::min(zx, zy), 1, 10000));
}

void FrameExtent(int windowWidth, int windowHeight, int maxWidth, int maxHeight, int* cx, int* cy) {
  *cx = std::min(maxWidth, std::max(windowWidth, 120));
  *cy = std::min(maxHeight, std::max(windowHeight, 20));
}

void PlaceFrame(const ViewRect& normal, const ViewRect& work, int cx, int cy, int* x, int* y) {
  int px = work.left + (normal.left + normal.right) / 2 - cx / 2;
  int py = work.top + (normal.top + normal.bottom) / 2 - cy / 2;
  if (px + cx > work.right) px = work.right - cx;
  if (py + cy > work.bottom) py = work.bottom - cy;
  *x = std::max(px, int(work.left));
  *y = std::max(py, int(work.top));
}

}  // namespace lumetta
