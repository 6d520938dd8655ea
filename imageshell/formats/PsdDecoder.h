#pragma once

// Layered-editor documents (kind 11): the merged image of bitmap, gray, duotone, Lab (its lightness),
// indexed, RGB, multichannel and CMYK files of 1 or 8 bits a channel, raw or PackBits-coded. The file
// stores whole channel planes one after the other, so colour images are decoded in one pass per
// channel into a composition store, and rows are delivered during the last channel's pass.
#include <cstdint>
#include <memory>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/ByteReader.h"
#include "pipeline/ImageDecoder.h"

namespace lumetta {

// The 26-byte header, as stored (big-endian).
struct PsdHeader {
  int channels = 0;
  int64_t width = 0;
  int64_t height = 0;
  int depth = 0;
  int mode = 0;
};

// False unless the signature, the version, the depth, the channel count and the colour mode are ones
// the decoder reads.
bool ParsePsdHeader(const ByteReader& bytes, PsdHeader* header);

class PsdDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  bool SkipSection();
  const uint8_t* ReadRow();
  bool SkipRow();
  void ComposeRow(const uint8_t* channelRow, uint8_t* composed) const;

  PsdHeader file_;
  int channelsUsed_ = 1;
  int64_t resourcesOffset_ = 0;
  bool compressed_ = false;
  size_t rowSize_ = 0;
  std::vector<uint16_t> rowLengths_;  // one a row of every channel, channel after channel
  size_t rowIndex_ = 0;
  BufferedInput input_;
  std::vector<uint8_t> packed_;
  std::vector<uint8_t> channelRow_;
  // Width x 3 bytes for every output row, left uninitialised: the first pass writes each row before
  // any other reads it, and a truncated file never touches the rows it does not reach.
  std::unique_ptr<uint8_t[]> composition_;

  int channel_ = 0;
  int rowsDone_ = 0;
  int accumulator_ = 0;
};

}  // namespace lumetta
