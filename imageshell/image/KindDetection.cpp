#include "KindDetection.h"

#include <cstdlib>
#include <cstring>

namespace lumetta {

namespace {

// Bounds-checked reads over the detection bytes: every tester reads through these.
class Bytes {
public:
  Bytes(const uint8_t* data, size_t length) : data_(data), length_(length) {}
  size_t size() const { return length_; }
  bool Has(size_t offset, size_t count) const { return offset <= length_ && count <= length_ - offset; }
  int U8(size_t at) const { return Has(at, 1) ? data_[at] : -1; }
  uint32_t Le16(size_t at) const { return Has(at, 2) ? uint32_t(data_[at] | data_[at + 1] << 8) : 0; }
  uint32_t Le32(size_t at) const { return Has(at, 4) ? Le16(at) | Le16(at + 2) << 16 : 0; }
  uint32_t Be16(size_t at) const { return Has(at, 2) ? uint32_t(data_[at] << 8 | data_[at + 1]) : 0; }
  uint32_t Be32(size_t at) const { return Has(at, 4) ? Be16(at) << 16 | Be16(at + 2) : 0; }
  uint32_t U16(size_t at, bool bigEndian) const { return bigEndian ? Be16(at) : Le16(at); }
  uint32_t U32(size_t at, bool bigEndian) const { return bigEndian ? Be32(at) : Le32(at); }
  bool Equals(size_t at, const char* text) const {
    size_t n = std::strlen(text);
    return Has(at, n) && std::memcmp(data_ + at, text, n) == 0;
  }

private:
  const uint8_t* data_;
  size_t length_;
};

// Page records keep 16-bit sizes: a size beyond them is kept as unknown.
int PageSize(int64_t value) {
  if (value < 0) value = -value;
  return value <= kMaxImageDimension ? int(value) : 0;
}

void Set(DetectedImage* out, ImageKind kind, int64_t width, int64_t height, int bits) {
  *out = DetectedImage{kind, PageSize(width), PageSize(height), bits};
}

// ---------------------------------------------------------------------------------------------------
// TIFF without its decoder: the byte-order mark, the answer 42 and, when the first directory lies in
// the bytes, its width, length and bits.
bool TiffHeader(const Bytes& b, DetectedImage* out) {
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
      if (tag == 256) width = value;
      else if (tag == 257) height = value;
      else if (tag == 258 && b.U32(entry + 4, big) == 1) bitsPerSample = int(value);
      else if (tag == 258) bitsPerSample = 8;
      else if (tag == 277) samples = int(value);
    }
  }
  int bits = bitsPerSample * samples;
  Set(out, ImageKind::Tiff, width, height, bits > 0 && bits <= 64 ? bits : 0);
  return true;
}

bool TestTiff(const Bytes& b, const DecoderOpener& open, DetectedImage* out) {
  if (b.size() < 3 || !(b.Equals(0, "II") || b.Equals(0, "MM"))) return false;
  DetectedImage values;
  switch (open(ImageKind::Tiff, false, &values)) {
    case DecoderProbe::Opened: Set(out, ImageKind::Tiff, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder: return TiffHeader(b, out);
  }
  return false;
}

bool TestBmp(const Bytes& b, DetectedImage* out) {
  if (b.size() < 54 || !(b.Equals(0, "BM") || b.Equals(0, "MB"))) return false;
  uint32_t headerSize = b.Le32(14);
  int64_t width, height;
  uint32_t bitCount, compression;
  if (headerSize == 12) {
    width = b.Le16(18);
    height = b.Le16(20);
    bitCount = b.Le16(24);
    compression = 0;
  } else if (headerSize == 40 || headerSize == 64) {
    width = int32_t(b.Le32(18));
    height = int32_t(b.Le32(22));
    bitCount = b.Le16(28);
    compression = b.Le32(30);
  } else {
    return false;
  }
  switch (bitCount) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32: break;
    default: return false;
  }
  if (compression > 3) return false;
  Set(out, ImageKind::Bmp, width, height, int(bitCount));
  return true;
}

bool TestGif(const Bytes& b, const DecoderOpener& open, DetectedImage* out) {
  if (b.size() <= 12 || !(b.Equals(0, "GIF87a") || b.Equals(0, "GIF89a"))) return false;
  Set(out, ImageKind::Gif, b.Le16(6), b.Le16(8), (b.U8(10) & 7) + 1);
  DetectedImage values;
  if (open(ImageKind::Gif, true, &values) == DecoderProbe::Opened)
    Set(out, ImageKind::Gif, values.width, values.height, values.bits);
  return true;
}

bool TestPcd(const Bytes& b, DetectedImage* out) {
  if (!b.Has(3586, 1) || !b.Equals(2048, "PCD")) return false;
  bool portrait = (b.U8(3586) & 3) != 0;
  Set(out, ImageKind::Pcd, portrait ? 512 : 768, portrait ? 768 : 512, 24);
  return true;
}

// The PCX header at `at`: sizes from the window and bits = planes x bits per plane.
bool PcxHeader(const Bytes& b, size_t at, DetectedImage* out) {
  if (!b.Has(at, 128) || b.U8(at) != 0x0A) return false;
  int64_t width = int64_t(b.Le16(at + 8)) - int64_t(b.Le16(at + 4)) + 1;
  int64_t height = int64_t(b.Le16(at + 10)) - int64_t(b.Le16(at + 6)) + 1;
  int bits = b.U8(at + 65) * b.U8(at + 3);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 15 && bits != 16 && bits != 24) return false;
  Set(out, ImageKind::Pcx, width, height, bits);
  return true;
}

bool TestPcx(const Bytes& b, const DecoderOpener& open, DetectedImage* out) {
  if (b.size() < 128) return false;
  if (b.Le32(0) == 0x3ADE68B1u) {  // a DCX file: a table of PCX pages
    DetectedImage values;
    switch (open(ImageKind::Pcx, false, &values)) {
      case DecoderProbe::Opened: Set(out, ImageKind::Pcx, values.width, values.height, values.bits); return true;
      case DecoderProbe::Failed: return false;
      case DecoderProbe::NoDecoder: return PcxHeader(b, b.Le32(4), out);
    }
    return false;
  }
  return PcxHeader(b, 0, out);
}

bool TestPic(const Bytes& b, DetectedImage* out) {
  static const uint8_t kMagic[4] = {0x53, 0x80, 0xF6, 0x34};
  if (b.size() <= 103 || !b.Has(0, 4)) return false;
  for (int i = 0; i < 4; ++i)
    if (b.U8(i) != kMagic[i]) return false;
  if (!b.Equals(88, "PICT")) return false;
  int bits = 0;
  size_t at = 104;
  for (int packet = 0;; ++packet, at += 4) {
    if (packet == 8 || !b.Has(at, 4)) return false;
    int mask = b.U8(at + 3);
    for (int bit : {0x80, 0x40, 0x20, 0x10})
      if (mask & bit) bits += 8;
    if (b.U8(at) == 0) break;
  }
  if (bits == 0 || bits > 32) return false;
  Set(out, ImageKind::Pic, b.Be16(92), b.Be16(94), bits);
  return true;
}

bool TestPng(const Bytes& b, const DecoderOpener& open, DetectedImage* out) {
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (!b.Has(0, 8)) return false;
  for (int i = 0; i < 8; ++i)
    if (b.U8(i) != kSignature[i]) return false;
  DetectedImage values;
  switch (open(ImageKind::Png, false, &values)) {
    case DecoderProbe::Opened: Set(out, ImageKind::Png, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder: break;
  }
  // The header chunk: sizes, then bits = sample depth x samples of the colour type.
  if (!b.Equals(12, "IHDR") || !b.Has(16, 10)) return false;
  int depth = b.U8(24), samples = 0;
  switch (b.U8(25)) {
    case 0: case 3: samples = 1; break;
    case 2: samples = 3; break;
    case 4: samples = 2; break;
    case 6: samples = 4; break;
    default: return false;
  }
  Set(out, ImageKind::Png, b.Be32(16), b.Be32(20), depth * samples);
  return true;
}

bool TestPsd(const Bytes& b, DetectedImage* out) {
  if (b.size() <= 25 || !b.Equals(0, "8BPS") || b.Be16(4) != 1) return false;
  int channels = int(b.Be16(12));
  if (channels >= 4 && channels <= 24) channels = 3;
  else if (channels < 1 || channels > 3) return false;
  int depth = int(b.Be16(22));
  if (depth != 1 && depth != 8) return false;
  int mode = int(b.Be16(24));
  if (!((mode >= 0 && mode <= 4) || (mode >= 7 && mode <= 9))) return false;
  if (channels == 2) channels = 1;
  Set(out, ImageKind::Psd, int32_t(b.Be32(18)), int32_t(b.Be32(14)), channels * (depth < 8 ? depth : 8));
  return true;
}

bool TestTga(const Bytes& b, DetectedImage* out) {
  if (b.size() <= 17) return false;
  int type = b.U8(2), mapType = b.U8(1);
  if (!((type >= 1 && type <= 3) || (type >= 9 && type <= 11))) return false;
  if (mapType > 1 || (mapType == 1 && b.U8(7) != 16 && b.U8(7) != 24)) return false;
  if (b.U8(17) >= 64) return false;
  uint32_t width = b.Le16(12), height = b.Le16(14);
  if (width == 0 || height == 0) return false;
  int depth = b.U8(16);
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  Set(out, ImageKind::Tga, width, height, depth);
  return true;
}

bool TestWmf(const Bytes& b, int dpiX, int dpiY, DetectedImage* out) {
  if (b.size() < 50 || b.Le32(0) != 0x9AC6CDD7u) return false;
  uint32_t checksum = 0;
  for (size_t word = 0; word < 10; ++word) checksum ^= b.Le16(2 * word);
  if (checksum != b.Le16(20)) return false;
  auto word = [&](size_t n) { return int(int16_t(b.Le16(2 * n))); };
  int unitsPerInch = int(b.Le16(14));
  int width = MulDiv(word(5) - word(3) + 1, dpiX, unitsPerInch);
  int height = MulDiv(word(6) - word(4) + 1, dpiY, unitsPerInch);
  if (width <= 0 || height <= 0) {
    width = height = 0;  // no usable size: the label says "Unknown"
  } else if (width > 2000 || height > 2000) {
    int largest = width > height ? width : height;
    width = int(int64_t(width) * 2000 / largest);
    height = int(int64_t(height) * 2000 / largest);
  }
  Set(out, ImageKind::Wmf, width, height, 24);
  return true;
}

bool TestIff(const Bytes& b, DetectedImage* out) {
  if (b.size() < 36 || !b.Equals(0, "FORM") || !(b.Equals(8, "ILBM") || b.Equals(8, "PBM "))) return false;
  bool sawCamg = false, found = false;
  uint32_t camg = 0;
  int64_t width = 0, height = 0;
  int planes = 0;
  size_t at = 12;
  while (b.Has(at, 8)) {
    uint32_t length = b.Be32(at + 4);
    if (b.Equals(at, "CAMG") && b.Has(at + 8, 4)) {
      camg = b.Be32(at + 8);
      sawCamg = true;
    }
    if (!found && b.Equals(at, "BMHD")) {
      if (length < 20 || !b.Has(at + 8, 20)) return false;
      width = b.Be16(at + 8);
      height = b.Be16(at + 10);
      planes = b.U8(at + 16);
      found = true;
      // Six or eight planes may be HAM: that is told by a CAMG chunk, which may still come.
      if (!((planes == 6 || planes == 8) && !sawCamg)) break;
    }
    if (found && b.Equals(at, "BODY")) break;
    if (found && sawCamg) break;
    uint64_t next = uint64_t(at) + 8 + length + (length & 1);
    if (next > b.size()) break;
    at = size_t(next);
  }
  if (!found) return false;
  int bits = planes;
  if (camg & 0x800) {
    if (planes == 6) bits = 12;
    else if (planes == 8) bits = 18;
  }
  Set(out, ImageKind::Iff, width, height, bits);
  return true;
}

bool TestJpeg(const Bytes& b, const DecoderOpener& open, DetectedImage* out) {
  size_t at = 0;
  while (b.Has(at, 2) && !(b.U8(at) == 0xFF && b.U8(at + 1) == 0xD8)) ++at;
  if (!b.Has(at, 2)) return false;
  at += 2;
  bool jfif = false;
  bool frameFound = false;
  DetectedImage frame;
  bool decided = false;
  while (!decided) {
    while (b.Has(at, 1) && b.U8(at) != 0xFF) ++at;  // to a marker
    while (b.Has(at, 1) && b.U8(at) == 0xFF) ++at;  // past fill bytes
    if (!b.Has(at, 1)) break;
    int marker = b.U8(at);
    if (marker == 0xE0 && b.Equals(at + 3, "JFIF") && b.U8(at + 7) == 0) {
      jfif = true;
      ++at;
    } else if (marker >= 0xE2 && marker <= 0xEF && b.Has(at + 1, 2)) {
      at += 1 + b.Be16(at + 1);
    } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      if (b.Has(at + 1, 8)) {
        frameFound = true;
        Set(&frame, ImageKind::Jpeg, b.Be16(at + 6), b.Be16(at + 4), b.U8(at + 8) == 1 ? 8 : 24);
      }
      if (jfif && frameFound) {
        *out = frame;
        return true;
      }
      decided = true;  // a frame before any JFIF marker: the decoder decides
    } else {
      ++at;
    }
  }
  DetectedImage values;
  switch (open(ImageKind::Jpeg, false, &values)) {
    case DecoderProbe::Opened: Set(out, ImageKind::Jpeg, values.width, values.height, values.bits); return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder:
      if (!frameFound) return false;
      *out = frame;
      return true;
  }
  return false;
}

}  // namespace

bool DetectImageKind(const uint8_t* data, size_t length, const DecoderOpener& openDecoder, int screenDpiX,
                     int screenDpiY, DetectedImage* detected) {
  Bytes b(data, data ? length : 0);
  return TestTiff(b, openDecoder, detected) || TestBmp(b, detected) || TestGif(b, openDecoder, detected) ||
         TestPcd(b, detected) || TestPcx(b, openDecoder, detected) || TestPic(b, detected) ||
         TestPng(b, openDecoder, detected) || TestPsd(b, detected) || TestTga(b, detected) ||
         TestWmf(b, screenDpiX, screenDpiY, detected) || TestIff(b, detected) || TestJpeg(b, openDecoder, detected);
}

}  // namespace lumetta
