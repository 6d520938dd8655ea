#pragma once

// JPEG through libjpeg: baseline and progressive files, gray, colour and CMYK (plain or stored
// inverted, as Adobe writes them). The library decodes at 1/1, 1/2, 1/4 or 1/8 of the size, chosen
// from the requested box, so a thumbnail of a large photograph costs little more than its DC values.
// Progressive files are shown first coarse, then finished (two output passes of the library's
// buffered-image mode). One page.
#include <cstdint>
#include <memory>
#include <vector>

#include "pipeline/ImageDecoder.h"

namespace lumetta {

struct JpegGlue;  // the library's structures and the jump target of its error exit

class JpegDecoder : public ImageDecoder {
public:
  explicit JpegDecoder(const ImageSource& source);
  ~JpegDecoder() override;

  // The scale denominator (1, 2, 4 or 8) for an image decoded into an output of that size.
  static int ScaleDenominator(int width, int height, int outputWidth, int outputHeight);

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  friend struct JpegGlue;

  const uint8_t* NextDecodedRow();
  bool ReadRowsInPlace(int count);
  bool ReadInputShare(int rows, int scan, bool whole, bool* reached);
  bool AwaitFirstScan(int rows);
  bool AbsorbInput(int rows);
  void Release();

  std::unique_ptr<JpegGlue> glue_;
  bool started_ = false;   // jpeg_start_decompress has run
  bool buffered_ = false;  // buffered-image mode: output passes over the absorbed scans
  bool firstPass_ = true;
  bool awaitingScan_ = false;  // before the coarse pass: its scan is not in yet
  bool absorbing_ = false;     // between the coarse pass and the final one
  bool cmyk_ = false;
  bool inverted_ = false;  // CMYK stored as 255 - ink
  bool inPlace_ = false;   // the library writes straight into the bitmap's rows
  int decodedWidth_ = 0;
  int decodedHeight_ = 0;
  int rowsDone_ = 0;     // output rows of this pass
  int decodedRows_ = 0;  // library rows read in this pass
  int accumulator_ = 0;
  std::vector<uint8_t> strip_;
  std::vector<uint8_t*> stripRows_;
  int stripFill_ = 0;
  int stripNext_ = 0;
  std::vector<uint8_t> converted_;
};

}  // namespace lumetta
