#pragma once

// TIFF through libtiff: strip- or tile-organised files of 1, 4, 8, 24 and 32 bits a pixel (bilevel, gray,
// palette, RGB, RGB with alpha, CMYK), uncompressed or in any codec the library is built with. Each
// directory is a page. Old-style JPEG files are refused.
#include <cstdint>
#include <vector>

#include "pipeline/RowDecoder.h"

typedef struct tiff TIFF;

namespace lumetta {

class TiffDecoder : public RowDecoder {
public:
  explicit TiffDecoder(const ImageSource& source);
  ~TiffDecoder() override;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool SelectPageHook(int index) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool RowsTopDown() const override { return !bottomUp_; }
  bool FinishImage() override;

private:
  friend struct TiffCallbacks;

  bool ReadDirectory(ImageHeader& header);
  void CloseFile();
  bool ReadTileBand(uint32_t top);

  TIFF* tiff_ = nullptr;
  int directory_ = 0;
  int photometric_ = 0;
  int bits_ = 0;
  bool swapRedBlue_ = false;
  bool bottomUp_ = false;
  int width_ = 0;
  uint32_t nextRow_ = 0;
  std::vector<uint8_t> raw_;
  std::vector<uint8_t> row_;
  // Tiled pages: the tile size (0 for strips), one tile and the band of rows cut from a row of tiles.
  uint32_t tileWidth_ = 0;
  uint32_t tileLength_ = 0;
  std::vector<uint8_t> tile_;
  std::vector<uint8_t> band_;
};

}  // namespace lumetta
