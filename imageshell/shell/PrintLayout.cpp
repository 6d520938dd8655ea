// The arithmetic is done in 64-bit integers: the scale comes from the registry and may be anything, and
// a quotient such as 29 / 100 * 100 done in floating point truncates to 28, one column short.
#include "shell/PrintLayout.h"

#include <algorithm>
#include <cstdint>

namespace {

int64_t AtLeastOne(int64_t value) { return value < 1 ? 1 : value; }

int ToInt(int64_t value) { return int(std::clamp<int64_t>(value, 0, INT32_MAX)); }

}  // namespace

PrintPlacement PlaceImageOnPage(const PrintSizing& s) {
  // A scale of zero or less can only come from a damaged registry value; print at the screen's size.
  const int64_t scale = s.scale > 0 ? s.scale : 100;
  const int64_t imageWidth = AtLeastOne(s.imageWidth);
  const int64_t imageHeight = AtLeastOne(s.imageHeight);
  const int64_t pageWidth = AtLeastOne(s.pageWidth);
  const int64_t pageHeight = AtLeastOne(s.pageHeight);

  // The box the image (or its visible part) fills on the screen, and the part of the image behind it.
  int64_t boxWidth = imageWidth * scale / 100;
  int64_t boxHeight = imageHeight * scale / 100;
  PrintPlacement p;
  if (!s.window.IsEmpty() && boxWidth > 0 && boxHeight > 0) {
    // Only what the rectangle shows of the scaled image: a rectangle reaching past the image's edge
    // (the viewer's window larger than the image) ends at that edge.
    const int64_t left = std::clamp<int64_t>(s.window.left, 0, boxWidth - 1);
    const int64_t top = std::clamp<int64_t>(s.window.top, 0, boxHeight - 1);
    boxWidth = std::min<int64_t>(s.window.right, boxWidth) - left;
    boxHeight = std::min<int64_t>(s.window.bottom, boxHeight) - top;
    const int64_t sourceX = std::min<int64_t>(left * 100 / scale, imageWidth - 1);
    const int64_t sourceY = std::min<int64_t>(top * 100 / scale, imageHeight - 1);
    p.sourceX = int(sourceX);
    p.sourceY = int(sourceY);
    p.sourceWidth = int(std::clamp<int64_t>(boxWidth * 100 / scale, 1, imageWidth - sourceX));
    p.sourceHeight = int(std::clamp<int64_t>(boxHeight * 100 / scale, 1, imageHeight - sourceY));
  } else {
    p.sourceWidth = int(imageWidth);
    p.sourceHeight = int(imageHeight);
  }
  boxWidth = AtLeastOne(boxWidth);
  boxHeight = AtLeastOne(boxHeight);

  int64_t width, height;
  if (s.fitToPage) {
    width = pageWidth;
    height = boxHeight * pageWidth / boxWidth;
    if (height > pageHeight) {
      width = boxWidth * pageHeight / boxHeight;
      height = pageHeight;
    }
  } else {
    width = boxWidth * s.printerDpiX / AtLeastOne(s.screenDpiX);
    height = boxHeight * s.printerDpiY / AtLeastOne(s.screenDpiY);
  }
  if (width > pageWidth || height > pageHeight) {
    height = boxHeight * pageWidth / boxWidth;
    width = pageWidth;
    if (height > pageHeight) {
      width = boxWidth * pageHeight / boxHeight;
      height = pageHeight;
    }
  }
  width = AtLeastOne(width);
  height = AtLeastOne(height);

  p.width = ToInt(width);
  p.height = ToInt(height);
  p.x = ToInt((pageWidth - width) / 2);
  p.y = ToInt(s.top + (s.centerOnPage ? (pageHeight - height) / 2 : 0));
  return p;
}
