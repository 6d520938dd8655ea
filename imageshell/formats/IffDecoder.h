#pragma once

// IFF pictures (kind 10): interleaved bitplanes ("ILBM") and chunky pixels ("PBM ") in a FORM, plain
// or ByteRun1-coded; 1 to 8 planes of palette indexes, 24 planes of true colour, the hold-and-modify
// modes of 6 and 8 planes, and extra-half-brite palettes.
#include <cstdint>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/RowDecoder.h"

namespace lumetta {

class IffDecoder : public RowDecoder {
public:
  using RowDecoder::RowDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool SkipSourceRow() override;
  bool FinishImage() override;

private:
  bool ReadBitmapHeader(ImageHeader& header, uint32_t length);
  bool ReadSourceBytes();
  void PlanarToChunky(uint8_t* row) const;
  void PlanarToRgb(uint8_t* row) const;
  void HoldAndModify(uint8_t* row);

  int width_ = 0;
  int planes_ = 0;
  int masking_ = 0;
  int compression_ = 0;
  uint32_t viewMode_ = 0;
  bool chunky_ = false;
  bool ham_ = false;
  RgbColor palette_[256] = {};  // for hold-and-modify, whose rows leave the palette behind

  size_t planeRowBytes_ = 0;
  size_t sourceRowSize_ = 0;
  BufferedInput input_;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> pixelValues_;  // hold-and-modify: each pixel's planes gathered
};

}  // namespace lumetta
