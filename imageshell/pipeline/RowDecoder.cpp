#include "pipeline/RowDecoder.h"

#include <algorithm>

namespace lumetta {

bool RowDecoder::BeginImageHook() {
  rowsDone_ = 0;
  accumulator_ = 0;
  return BeginRows();
}

bool RowDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  const int width = outputWidth();
  const int height = outputHeight();
  const int sourceHeight = header().height;
  const bool topDown = RowsTopDown();
  if (rowsDone_ >= height) return SetError(kErrInvalidState);
  int count = std::clamp(rows, 0, height - rowsDone_);
  if (rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = topDown ? ImageRect{0, rowsDone_, width, rowsDone_ + count}
                            : ImageRect{0, height - rowsDone_ - count, width, height - rowsDone_};
  }
  auto failed = [this] { return SetError(GetLastError() == kErrRead ? kErrRead : kErrRow); };
  for (int i = 0; i < count; ++i) {
    const uint8_t* row = nullptr;
    while (accumulator_ < sourceHeight) {
      bool delivered = accumulator_ + height >= sourceHeight;
      if (delivered) {
        row = ReadSourceRow();
        if (!row) return failed();
      } else if (!SkipSourceRow()) {
        return failed();
      }
      accumulator_ += height;
    }
    accumulator_ -= sourceHeight;
    int y = topDown ? rowsDone_ : height - 1 - rowsDone_;
    if (!PutRow(row, y)) return false;
    ++rowsDone_;
  }
  progress_ = MulDiv(rowsDone_, kProgressComplete, height);
  decodedRect_ = topDown ? ImageRect{0, 0, width, rowsDone_} : ImageRect{0, height - rowsDone_, width, height};
  if (rowsDone_ >= height) EndOfImage();
  return SetError(kErrNone);
}

}  // namespace lumetta
