#pragma once

// Photo CD image packs (kind 6). Only the three uncompressed resolutions are read (192 x 128,
// 384 x 256 and 768 x 512), the smallest that covers the output. Samples are luma and chroma; two
// rows share one chroma row of each kind. Portrait images (a non-zero rotation code) are delivered
// upright, each stored row becoming an output column.
#include <cstdint>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/ImageDecoder.h"

namespace lumetta {

class PcdDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  // The next stored row: a new pair is read for the first row of each pair.
  bool NextRow();
  void ConvertRow();

  int rotation_ = 0;
  int storedWidth_ = 0;
  int storedHeight_ = 0;
  int lines_ = 0;  // output rows, or columns for a portrait image
  int linesDone_ = 0;
  int accumulator_ = 0;
  int parity_ = 1;  // of the last row read: 1 means the next row starts a pair
  const uint8_t* pair_ = nullptr;
  BufferedInput input_;
  std::vector<int> luma_, red_, greenC1_, greenCr_, blue_;
  std::vector<uint8_t> row_;
};

}  // namespace lumetta
