#pragma once

// Placeable metafiles (kind 9): a 22-byte placeable header (key, bounding box in metafile units, units
// per inch, checksum) in front of a standard metafile. The header is read everywhere (detection gives
// the size on any build); the decoder plays the picture through GDI and so exists only on Windows
// (WmfDecoder_win.cpp). It converts the metafile into an enhanced metafile, which it keeps in its extras
// for the viewer to replay at any zoom, and renders it once into the output bitmaps.
#include <cstdint>

#include "pipeline/ByteReader.h"
#include "pipeline/ImageDecoder.h"

namespace lumetta {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kPlaceableHeaderBytes = 22;
constexpr int kMetafileHeaderBytes = 18;
// Rendered pictures are never larger than this on either side.
constexpr int kMaxMetafileSide = 2000;

// The placeable header, as stored (little-endian).
struct PlaceableHeader {
  uint32_t key = 0;
  uint16_t handle = 0;
  int16_t left = 0, top = 0, right = 0, bottom = 0;
  uint16_t unitsPerInch = 0;
  uint32_t reserved = 0;
  uint16_t checksum = 0;  // XOR of the ten 16-bit words before it
};

// The standard metafile header that follows it.
struct MetafileHeader {
  uint16_t type = 0;         // 1 in memory, 2 on disk
  uint16_t headerWords = 0;  // 9
  uint16_t version = 0;
  uint32_t sizeInWords = 0;  // the whole metafile, this header included
  uint16_t objectCount = 0;
  uint32_t largestRecord = 0;
  uint16_t parameterCount = 0;
};

// Reads the placeable header; false unless the key and the checksum match.
bool ParsePlaceableHeader(const ByteReader& bytes, PlaceableHeader* header);
// The picture's size in pixels at the screen's dots per inch, both sides scaled down together so that
// neither exceeds 2000; 0 x 0 when the bounding box or the units give no size.
void MetafilePixelSize(const PlaceableHeader& header, int dpiX, int dpiY, int* width, int* height);
// Reads the standard header at the start of `bytes`; false if it is short or not a metafile header that
// GDI could be handed (its own length, or a size below the header's).
bool ParseMetafileHeader(const ByteReader& bytes, MetafileHeader* header);

#ifdef _WIN32
class WmfExtras;

class WmfDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  bool Render(void* metafile);
  bool HandRowsToQuantizer();

  WmfExtras* wmf_ = nullptr;  // the extras object (owned by the base until detached)
  void* memory_ = nullptr;    // the extras' memory block (an HGLOBAL), while we hold it locked
  uint8_t* bits_ = nullptr;   // its bits
  uint32_t bytes_ = 0;        // the metafile's length in bytes
};
#endif

}  // namespace lumetta
