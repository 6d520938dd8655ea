#pragma once

// Limits, scales, kinds and error codes shared by the whole image model.
#include <cstdint>

namespace lumetta {

// Every progress value is on this scale; the full value means complete.
constexpr int kProgressComplete = 10000;

// The format of an image as detected from its first bytes. Kind 8 (Fif) only names a label: nothing
// detects or decodes it.
enum class ImageKind : int32_t {
  NotDetected = -2,
  Unknown = -1,
  Jpeg = 0,
  Gif = 1,
  Bmp = 2,
  Tga = 3,
  Pcx = 4,
  Tiff = 5,
  Pcd = 6,
  Png = 7,
  Fif = 8,
  Wmf = 9,
  Iff = 10,
  Psd = 11,
  Pic = 12,
};

// Last-error codes of decoders and of ImageFile, the formats' own codes with them (one list, so that a
// number means one thing whichever decoder answers it).
enum ImageError : int {
  kErrNone = 0,
  kErrInvalidState = 1,      // no source, decode after completion, column operation on a row decoder
  kErrOpen = 3,              // the source cannot be opened
  kErrRead = 4,              // read failed
  kErrEndOfData = 5,         // fewer bytes than requested
  kErrSeek = 6,              // seek failed or out of range
  kErrFormat = 7,            // header not understood, refused or beyond the size limits
  kErrPixelData = 8,         // BMP: the pixel data offset cannot be reached
  kErrRow = 9,               // a format's row reader returned no row
  kErrMemoryDc = 10,         // the memory DC for a device bitmap cannot be created
  kErrDisplayBitmap = 11,    // the display bitmap cannot be created
  kErrFullColorBitmap = 12,  // the full-colour bitmap cannot be created
  kErrPalette = 13,          // the palette cannot be created
  kErrDeviceRow = 14,        // storing a row into a device bitmap failed
  kErrNoPage = 18,           // SelectPage asked for a page the file does not have (TIFF, DCX)
  kErrReserved = 19,         // the reserved virtual operation was called
  kErrOutOfTime = 20,        // a decode with a time budget was still running when its time was up
  kErrNoDecoder = 100,       // no decoder for this kind and source
  kErrFileNotFound = 101,    // the path's file cannot be found
};

// Hostile headers are refused before anything is allocated for them. Page sizes are 16-bit in the
// page records, and no image may need more than 1 GiB of pixel memory.
constexpr int kMaxImageDimension = 32767;
constexpr int64_t kMaxImageBytes = int64_t(1) << 30;

// The ceiling of what one decode may allocate: the display bitmap, the full-colour bitmap and every
// buffer of the pipeline and of the format, as really allocated (rows widened to 24 bits count 3 bytes
// a pixel). The pipeline checks its own share before it makes anything; formats reserve theirs through
// ImageDecoder::ReserveBytes before allocating.
constexpr int64_t kMaxDecodeBytes = int64_t(1) << 30;

// What a decode may cost a caller that cannot wait long, such as the context menu holding the file
// manager while it makes a thumbnail: the memory ceiling (as kMaxDecodeBytes, but lower) and the time in
// milliseconds (0: no limit) on `clock` (the platform's tick count when null).
struct DecodeBudget {
  int64_t maxBytes = kMaxDecodeBytes;
  uint32_t maxMs = 0;
  uint32_t (*clock)() = nullptr;
};

// The time a decode must end by: `maxMs` after `start` on `clock` (maxMs 0: none).
struct TimeLimit {
  uint32_t (*clock)() = nullptr;
  uint32_t start = 0;
  uint32_t maxMs = 0;
  bool Over() const { return maxMs != 0 && clock() - start > maxMs; }
};

// True when width x height x bytesPerPixel fits the limits and both dimensions are positive.
bool ImageSizeAcceptable(int64_t width, int64_t height, int bytesPerPixel);

// a x b / c rounded half away from zero, as the platform's MulDiv does; -1 when c is 0 or the
// result does not fit 32 bits.
int MulDiv(int a, int b, int c);

// A rectangle in output pixels, laid out as the platform's RECT.
struct ImageRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const ImageRect&) const = default;
};

// One palette colour.
struct RgbColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RgbColor&) const = default;
};

}  // namespace lumetta
