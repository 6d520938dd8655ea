// TIFF (kind 5): the sniffer and the decoder over libtiff.
#include "formats/TiffDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

// TIFF without its decoder: the byte-order mark, the answer 42 and, when the first directory lies in
// the bytes, its width, length and bits.
bool TiffHeader(const ByteReader& b, DetectedImage* out) {
  bool big = b.Equals(0, "MM");
  if (b.U16(2, big) != 42) return false;
  int64_t width = 0, height = 0;
  int bitsPerSample = 1, samples = 1;
  size_t directory = b.U32(4, big);
  if (b.Has(directory, 2)) {
    uint32_t entries = b.U16(directory, big);
    for (uint32_t i = 0; i < entries; ++i) {
      size_t entry = directory + 2 + size_t(i) * 12;
      if (!b.Has(entry, 12)) break;
      uint32_t tag = b.U16(entry, big), type = b.U16(entry + 2, big);
      uint32_t value = type == 3 ? b.U16(entry + 8, big) : b.U32(entry + 8, big);
      if (tag == 256)
        width = value;
      else if (tag == 257)
        height = value;
      else if (tag == 258 && b.U32(entry + 4, big) == 1)
        bitsPerSample = int(value);
      else if (tag == 258)
        bitsPerSample = 8;
      else if (tag == 277)
        samples = int(value);
    }
  }
  // Both come from the file as they stand: their product is taken wide and kept only when it is a depth.
  const int64_t bits = int64_t(bitsPerSample) * samples;
  *out = MakeDetected(ImageKind::Tiff, width, height, bits > 0 && bits <= 64 ? int(bits) : 0);
  return true;
}

}  // namespace

bool SniffTiff(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  if (b.size() < 3 || !(b.Equals(0, "II") || b.Equals(0, "MM"))) return false;
  DetectedImage values;
  switch (open(ImageKind::Tiff, false, &values)) {
    case DecoderProbe::Opened:
      *out = MakeDetected(ImageKind::Tiff, values.width, values.height, values.bits);
      return true;
    // A file that says it is TIFF stays TIFF when the decoder refuses it: the testers after this one
    // would find what the file holds (a JPEG tile's start) and take a part for the picture.
    case DecoderProbe::Failed:
    case DecoderProbe::NoDecoder: return TiffHeader(b, out);
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// The decoder

// The library reads through the decoder's byte source; it never writes, and never maps the file.
struct TiffCallbacks {
  static TiffDecoder* Of(thandle_t handle) { return static_cast<TiffDecoder*>(handle); }

  static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
    if (size < 0) return -1;
    uint32_t got = 0;
    uint32_t count = uint32_t(std::min<tmsize_t>(size, INT32_MAX));
    Of(handle)->ReadSource(buffer, count, &got);
    if (Of(handle)->GetLastError() == kErrRead) return -1;
    return tmsize_t(got);
  }
  static tmsize_t Write(thandle_t, void*, tmsize_t size) { return size; }
  static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    int64_t position = 0;
    if (offset > toff_t(INT64_MAX)) return toff_t(-1);
    if (!Of(handle)->SeekSource(int64_t(offset), whence, &position)) return toff_t(-1);
    return toff_t(position);
  }
  static int Close(thandle_t) { return 0; }
  static toff_t Size(thandle_t handle) {
    TiffDecoder* decoder = Of(handle);
    int64_t here = 0, end = 0;
    if (!decoder->SeekSource(0, 1, &here) || !decoder->SeekSource(0, 2, &end) || !decoder->SeekSource(here, 0, nullptr))
      return 0;
    return toff_t(end);
  }
  static int Map(thandle_t, void**, toff_t*) { return 0; }
  static void Unmap(thandle_t, void*, toff_t) {}
  // Nothing is shown: a file the library cannot read simply fails.
  static int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }
};

TiffDecoder::TiffDecoder(const ImageSource& source) : RowDecoder(source) {}

TiffDecoder::~TiffDecoder() { CloseFile(); }

void TiffDecoder::CloseFile() {
  if (tiff_) TIFFClose(tiff_);
  tiff_ = nullptr;
}

bool TiffDecoder::ReadHeader(ImageHeader& header) {
  CloseFile();
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return SetError(kErrFormat);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(MemoryCeiling()));
  TIFFOpenOptionsSetErrorHandlerExtR(options, &TiffCallbacks::Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, &TiffCallbacks::Quiet, nullptr);
  tiff_ = TIFFClientOpenExt("image", "rb", this, &TiffCallbacks::Read, &TiffCallbacks::Write, &TiffCallbacks::Seek,
                            &TiffCallbacks::Close, &TiffCallbacks::Size, &TiffCallbacks::Map, &TiffCallbacks::Unmap,
                            options);
  TIFFOpenOptionsFree(options);
  if (!tiff_) return SetError(kErrFormat);
  directory_ = 0;
  return ReadDirectory(header);
}

bool TiffDecoder::SelectPageHook(int index) {
  if (!tiff_) return SetError(kErrInvalidState);
  if (index == directory_) return SetError(kErrNone);
  // Pages asked for in turn (counting them, decoding them all) each read the next directory: finding
  // every one from the first would take time growing with the square of the pages.
  const bool next = index == directory_ + 1 && TIFFCurrentDirectory(tiff_) == tdir_t(directory_);
  if (index < 0 || index > 65535 || !(next ? TIFFReadDirectory(tiff_) : TIFFSetDirectory(tiff_, tdir_t(index))))
    return SetError(kErrNoPage);
  directory_ = index;
  ImageHeader page;
  if (!ReadDirectory(page)) return SetError(kErrNoPage);
  mutableHeader() = page;
  return SetError(kErrNone);
}

// The current directory's fields, checked and turned into the header.
bool TiffDecoder::ReadDirectory(ImageHeader& header) {
  TIFF* tiff = tiff_;
  uint32_t width = 0, height = 0;
  uint16_t compression = COMPRESSION_NONE;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression) || compression == COMPRESSION_OJPEG)
    return SetError(kErrFormat);

  uint16_t bitsPerSample = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE;
  const bool fax = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
                   compression == COMPRESSION_CCITTFAX4;
  if (fax) {
    // Fax pages are one bit of one sample; most say white is 0, but a page that states black is 0 is
    // drawn so rather than inverted.
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) || photometric != PHOTOMETRIC_MINISBLACK)
      photometric = PHOTOMETRIC_MINISWHITE;
  } else {
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
      photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    // Separate planes would need each row gathered from several strips; such files are rare.
    if (samples > 1 && planar != PLANARCONFIG_CONTIG) return SetError(kErrFormat);
  }
  // Only whole samples of the depths the rows are built from: 1 or 4 bits alone, or bytes.
  const bool known = (samples == 1 && (bitsPerSample == 1 || bitsPerSample == 4 || bitsPerSample == 8)) ||
                     (bitsPerSample == 8 && (samples == 3 || samples == 4));
  if (!known) return SetError(kErrFormat);
  const int bits = bitsPerSample * samples;
  if (!AcceptImageSize(width, height, bits)) return false;

  swapRedBlue_ = photometric == PHOTOMETRIC_RGB;
  if (photometric == PHOTOMETRIC_YCBCR) {
    // Only the JPEG codec turns YCbCr back into RGB rows by itself.
    if (compression != COMPRESSION_JPEG || bits != 24 || !TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
      return SetError(kErrFormat);
    swapRedBlue_ = true;
  }
  tileWidth_ = tileLength_ = 0;
  if (TIFFIsTiled(tiff)) {
    uint32_t tileWidth = 0, tileLength = 0;
    if (!TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth) || !TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength) ||
        tileWidth == 0 || tileLength == 0 || int64_t(tileWidth) * bits % 8 != 0)
      return SetError(kErrFormat);
    tileWidth_ = tileWidth;
    tileLength_ = tileLength;
  }
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  bottomUp_ = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT;

  header = ImageHeader{};
  header.colorCount = 0;
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (photometric == PHOTOMETRIC_PALETTE) {
    if (bits > 8 || !TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return SetError(kErrFormat);
    header.colorCount = 1 << bits;
    for (int i = 0; i < header.colorCount; ++i)
      header.palette[i] = RgbColor{uint8_t(red[i] >> 8), uint8_t(green[i] >> 8), uint8_t(blue[i] >> 8)};
  } else if (bits == 1) {
    header.colorCount = 2;
    const RgbColor black{0, 0, 0}, white{255, 255, 255};
    header.palette[0] = photometric == PHOTOMETRIC_MINISBLACK ? black : white;
    header.palette[1] = photometric == PHOTOMETRIC_MINISBLACK ? white : black;
  } else if (bits <= 8) {
    header.gray = true;
  }
  photometric_ = photometric;
  bits_ = bits;
  width_ = int(width);
  header.kind = ImageKind::Tiff;
  header.width = int(width);
  header.height = int(height);
  header.bitsCode = bits;
  header.rowDepth = bits == 1 ? 1 : bits <= 8 ? 8 : 24;
  header.sourceRowLength = int(width);
  return SetError(kErrNone);
}

bool TiffDecoder::BeginRows() {
  if (!tiff_) return SetError(kErrInvalidState);
  const tmsize_t scanline = TIFFScanlineSize(tiff_);
  const size_t rowBytes = size_t(width_) * 4;
  if (scanline <= 0 || size_t(scanline) > rowBytes + 16) return SetError(kErrPixelData);
  // A tiled page is read a band of tiles at a time: one tile, and the band's rows gathered from the
  // tiles across, counted against the ceiling before either is made.
  int64_t tileBytes = 0, bandBytes = 0;
  if (tileWidth_ != 0) {
    tileBytes = int64_t(TIFFTileSize64(tiff_));
    const int64_t tileRow = int64_t(TIFFTileRowSize64(tiff_));
    if (tileBytes <= 0 || tileRow <= 0 || tileRow * tileLength_ > tileBytes) return SetError(kErrPixelData);
    bandBytes = int64_t(scanline) * tileLength_;
  }
  if (!AllocateCounted(int64_t(rowBytes) * 2 + 16 + tileBytes + bandBytes, kErrPixelData, [&] {
        raw_.assign(rowBytes + 16, 0);
        row_.assign(rowBytes, 0);
        tile_.assign(size_t(tileBytes), 0);
        band_.assign(size_t(bandBytes), 0);
      }))
    return false;
  nextRow_ = 0;
  return SetError(kErrNone);
}

// The band of rows that holds `row`, cut from the tiles across the image: each tile's rows land at its
// column in the band's rows (tile widths are whole bytes, so packed pixels need no shifting).
bool TiffDecoder::ReadTileBand(uint32_t top) {
  const size_t stride = band_.size() / tileLength_;
  const size_t tileRow = size_t(TIFFTileRowSize64(tiff_));
  const uint32_t rows = std::min<uint32_t>(tileLength_, uint32_t(header().height) - top);
  for (uint32_t left = 0; left < uint32_t(width_); left += tileWidth_) {
    if (OutOfTime()) return SetError(kErrRow);
    const ttile_t tile = TIFFComputeTile(tiff_, left, top, 0, 0);
    if (TIFFReadEncodedTile(tiff_, tile, tile_.data(), tmsize_t(tile_.size())) < 0) return SetError(kErrRow);
    const size_t start = size_t(left) * size_t(bits_) / 8;
    const size_t bytes = std::min(tileRow, stride - start);
    for (uint32_t y = 0; y < rows; ++y) std::memcpy(&band_[y * stride + start], &tile_[y * tileRow], bytes);
  }
  return true;
}

const uint8_t* TiffDecoder::ReadSourceRow() {
  const uint8_t* raw = raw_.data();
  if (tileWidth_ != 0) {
    const uint32_t inBand = nextRow_ % tileLength_;
    if (inBand == 0 && !ReadTileBand(nextRow_)) return nullptr;
    raw = band_.data() + size_t(inBand) * (band_.size() / tileLength_);
  } else if (TIFFReadScanline(tiff_, raw_.data(), nextRow_, 0) < 0) {
    SetError(kErrRow);
    return nullptr;
  }
  ++nextRow_;
  uint8_t* row = row_.data();
  const bool minIsWhite = photometric_ == PHOTOMETRIC_MINISWHITE;
  switch (bits_) {
    case 1: return raw;  // stays packed; the two-entry palette gives the colours
    case 4:
      Unpack4To8(raw, row, width_);
      if (minIsWhite)
        for (int x = 0; x < width_; ++x) row[x] = uint8_t(15 - row[x]);
      return row;
    case 8:
      if (!minIsWhite) return raw;
      for (int x = 0; x < width_; ++x) row[x] = uint8_t(255 - raw[x]);
      return row;
    case 24:
      if (!swapRedBlue_) return raw;
      for (int x = 0; x < width_; ++x) {
        row[3 * x] = raw[3 * x + 2];
        row[3 * x + 1] = raw[3 * x + 1];
        row[3 * x + 2] = raw[3 * x];
      }
      return row;
    default:  // 32
      if (photometric_ == PHOTOMETRIC_SEPARATED) {
        CmykToBgr(raw, row, width_, false);
      } else {
        for (int x = 0; x < width_; ++x) {  // alpha dropped
          row[3 * x] = raw[4 * x + 2];
          row[3 * x + 1] = raw[4 * x + 1];
          row[3 * x + 2] = raw[4 * x];
        }
      }
      return row;
  }
}

bool TiffDecoder::FinishImage() {
  CloseFile();
  std::vector<uint8_t>().swap(raw_);
  std::vector<uint8_t>().swap(row_);
  std::vector<uint8_t>().swap(tile_);
  std::vector<uint8_t>().swap(band_);
  return SetError(kErrNone);
}

}  // namespace lumetta
