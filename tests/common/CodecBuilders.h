#pragma once

// Test images written by the libraries themselves: JPEG and PNG encoded in memory, TIFF written to a
// temporary file by libtiff and read back.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <jpeglib.h>
}
#include <png.h>
#include <tiffio.h>

namespace testimages {

// A smooth picture with some detail: channel c of pixel (x, y).
inline uint8_t Sample(int x, int y, int c) { return uint8_t((x * 7 + y * 3 + c * 80) ^ ((x * y) >> 4)); }

struct JpegOptions {
  int components = 3;  // 1 gray, 3 colour, 4 CMYK
  bool progressive = false;
  bool jfif = true;
  int quality = 90;
};

// samples: width x height x components bytes, top-down.
inline std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples,
                                       const JpegOptions& options = {}) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = options.components;
  info.in_color_space = options.components == 1 ? JCS_GRAYSCALE : options.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  info.write_JFIF_header = options.jfif ? TRUE : FALSE;  // CMYK files carry the Adobe marker instead
  if (options.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = size_t(width) * size_t(options.components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> file(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return file;
}

inline std::vector<uint8_t> SamplePicture(int width, int height, int components) {
  std::vector<uint8_t> samples(size_t(width) * height * components);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c) samples[(size_t(y) * width + x) * components + c] = Sample(x, y, c);
  return samples;
}

struct PngOptions {
  int colorType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  bool interlaced = false;
  const png_color_16* background = nullptr;  // a bKGD chunk
  std::vector<png_color> palette;            // PLTE
  std::vector<png_byte> alpha;               // tRNS of a palette
};

// rows: the packed rows as libpng takes them, top-down.
inline std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rows,
                                      const PngOptions& options = {}) {
  std::vector<uint8_t> file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &file,
      [](png_structp p, png_bytep data, size_t n) {
        auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), options.depth, options.colorType,
               options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (options.background) png_set_bKGD(png, info, options.background);
  if (!options.palette.empty()) png_set_PLTE(png, info, options.palette.data(), int(options.palette.size()));
  if (!options.alpha.empty()) png_set_tRNS(png, info, options.alpha.data(), int(options.alpha.size()), nullptr);
  png_write_info(png, info);
  const size_t stride = rows.size() / size_t(height);
  std::vector<png_bytep> pointers;
  for (int y = 0; y < height; ++y) pointers.push_back(const_cast<png_bytep>(rows.data() + stride * y));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return file;
}

// Lets `write` fill a new TIFF file through libtiff, then answers the file's bytes.
inline std::vector<uint8_t> WriteTiff(const std::function<void(TIFF*)>& write) {
  std::string path = testing::TempDir() + "codec-builder.tif";
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) return {};
  write(tiff);
  TIFFClose(tiff);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return bytes;
}

// One directory in one strip; `extra` adds or changes fields before the strip is written.
inline void WriteTiffPage(TIFF* tiff, int width, int height, int bitsPerSample, int samples, int photometric,
                          const std::vector<uint8_t>& pixels, int compression = COMPRESSION_NONE,
                          const std::function<void(TIFF*)>& extra = nullptr) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
  if (extra) extra(tiff);
  TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t*>(pixels.data()), tmsize_t(pixels.size()));
  TIFFWriteDirectory(tiff);
}

// One directory in tiles of `tileWidth` x `tileLength` (multiples of 16), cut from `pixels` (rows of whole
// bytes); tiles at the right and bottom edges are padded with zeros.
inline void WriteTiledTiffPage(TIFF* tiff, int width, int height, int bitsPerSample, int samples, int photometric,
                               const std::vector<uint8_t>& pixels, int tileWidth, int tileLength,
                               int compression = COMPRESSION_NONE) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_TILEWIDTH, tileWidth);
  TIFFSetField(tiff, TIFFTAG_TILELENGTH, tileLength);
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> map(size_t(1) << bitsPerSample);
    for (size_t i = 0; i < map.size(); ++i) map[i] = uint16_t(i * 65535 / (map.size() - 1));
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
  }
  const size_t stride = pixels.size() / size_t(height);
  const size_t tileRow = size_t(tileWidth) * size_t(bitsPerSample * samples) / 8;
  std::vector<uint8_t> tile(tileRow * size_t(tileLength));
  for (int top = 0; top < height; top += tileLength) {
    for (int left = 0; left < width; left += tileWidth) {
      std::fill(tile.begin(), tile.end(), 0);
      const size_t start = size_t(left) * size_t(bitsPerSample * samples) / 8;
      const size_t bytes = std::min(tileRow, stride - start);
      for (int y = 0; y < tileLength && top + y < height; ++y)
        std::copy_n(pixels.begin() + std::ptrdiff_t(size_t(top + y) * stride + start), bytes,
                    tile.begin() + std::ptrdiff_t(size_t(y) * tileRow));
      TIFFWriteTile(tiff, tile.data(), uint32_t(left), uint32_t(top), 0, 0);
    }
  }
  TIFFWriteDirectory(tiff);
}

// Changes the value of a SHORT tag in the first directory of a little-endian TIFF.
inline void PatchTiffTag(std::vector<uint8_t>& bytes, int tag, int value) {
  auto u16 = [&](size_t at) { return bytes[at] | bytes[at + 1] << 8; };
  size_t directory = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | size_t(bytes[7]) << 24;
  for (int i = 0, n = u16(directory); i < n; ++i) {
    size_t entry = directory + 2 + 12 * size_t(i);
    if (u16(entry) != tag) continue;
    bytes[entry + 8] = uint8_t(value);
    bytes[entry + 9] = uint8_t(value >> 8);
  }
}

}  // namespace testimages
