#pragma once

// RowDecoder: the base of the row-oriented formats. It runs the decode loop they share: vertical
// reduction, the band rectangle each step reports, the decoded rectangle and the progress.
//
// Vertical reduction: for each output row, read source rows while the accumulator is below the image
// height, adding the output height per row read; then subtract the image height. The last row read
// becomes the output row; the others are only passed over (SkipSourceRow). Every source row is read
// exactly once.
//
// A format overrides ReadHeader, ReadSourceRow and, as needed, SkipSourceRow, RowsTopDown, BeginRows
// (its buffers, the source positioned at the pixel data) and FinishImage.
#include <cstdint>

#include "pipeline/ImageDecoder.h"

namespace lumetta {

class RowDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  // The next source row at the header's row depth, or null with the error set.
  virtual const uint8_t* ReadSourceRow() = 0;
  // Passes over a row that vertical reduction drops; reads it unless the format knows better.
  virtual bool SkipSourceRow() { return ReadSourceRow() != nullptr; }
  // Source rows come top-down; a bottom-up format fills the output from its last row upwards.
  virtual bool RowsTopDown() const { return true; }
  // The format's part of BeginImage.
  virtual bool BeginRows() { return SetError(kErrNone); }

  bool BeginImageHook() final;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) final;

  int rowsDone() const { return rowsDone_; }

private:
  int rowsDone_ = 0;
  int accumulator_ = 0;
};

}  // namespace lumetta
