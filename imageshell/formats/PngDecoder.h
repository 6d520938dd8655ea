#pragma once

// PNG through libpng: every colour type and depth, composited onto the file's background colour (or
// black), gamma-corrected for a screen gamma of 2.2, as 8-bit palette or gray rows or 24-bit blue,
// green, red rows. Interlaced files are shown pass by pass. One page.
#include <cstdint>
#include <memory>
#include <vector>

#include "pipeline/ImageDecoder.h"

namespace lumetta {

struct PngGlue;  // the library's structures; its jump buffer lives in them

class PngDecoder : public ImageDecoder {
public:
  explicit PngDecoder(const ImageSource& source);
  ~PngDecoder() override;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  friend struct PngGlue;

  bool Setup(ImageHeader& header, int failure);
  bool ReadRow(uint8_t* row);
  bool DecodeInterlaced(int rows, int* rectCount, ImageRect* updateRect);
  int RepresentedRow(int outputRow) const;
  uint8_t* StoreRow(int y);
  void Release();

  std::unique_ptr<PngGlue> glue_;
  bool interlaced_ = false;
  bool rowsTaken_ = false;  // the library has handed out rows: a new image needs a new read
  int passes_ = 1;
  size_t rowBytes_ = 0;
  std::vector<uint8_t> row_;
  // Interlaced files: the passes combined, every source row, each made when a pass first reaches it
  // (a file whose data ends early costs only the rows it had).
  std::vector<std::vector<uint8_t>> store_;

  int rowsDone_ = 0;  // output rows delivered (non-interlaced)
  int accumulator_ = 0;
  int sourceRow_ = 0;  // next source row of the current pass (interlaced)
  int pass_ = 0;
  int64_t passRowsRead_ = 0;  // rows read that belong to a pass, over all passes
  int sweepRow_ = -1;         // after the last pass: the next output row refreshed from the store
};

}  // namespace lumetta
