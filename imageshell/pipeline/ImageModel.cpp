#include "pipeline/ImageModel.h"

#include <climits>

namespace lumetta {

bool ImageSizeAcceptable(int64_t width, int64_t height, int bytesPerPixel) {
  if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return false;
  if (width > kMaxImageDimension || height > kMaxImageDimension) return false;
  return width * height * bytesPerPixel <= kMaxImageBytes;
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = int64_t(a) * b;
  bool negative = (product < 0) != (c < 0);
  uint64_t magnitude = uint64_t(product < 0 ? -product : product);
  uint64_t divisor = uint64_t(c < 0 ? -int64_t(c) : int64_t(c));
  uint64_t quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > uint64_t(INT_MAX) + (negative ? 1 : 0)) return -1;
  return negative ? int(-int64_t(quotient)) : int(quotient);
}

}  // namespace lumetta
