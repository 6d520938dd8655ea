// png-reference IN.png OUT.ppm — a plain libpng decode with the transformations the image model asks
// for (alpha onto bKGD or black, gamma for a 2.2 screen, 16 bits stripped), the whole image read at
// once with the library's own interlace handling, written as a PPM. Palettes are expanded by the
// library and low gray depths spread over 0..255, where the image model keeps indices and a ramp.
// It is both the reference of the PNG conformance run and the yardstick of the PNG benchmark.
#include <cstdio>
#include <vector>

#include <png.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: png-reference IN.png OUT.ppm\n");
    return 2;
  }
  FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  std::vector<png_byte> pixels;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return 1;
  }
  png_init_io(png, in);
  png_read_info(png, info);
  const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  const bool lowGray = !(type & PNG_COLOR_MASK_COLOR) && depth < 8;
  if (depth == 16) png_set_strip_16(png);
  if (lowGray) png_set_packing(png);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if ((type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_color_16p background = nullptr;
    if (png_get_bKGD(png, info, &background)) {
      png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      png_color_16 black = {};
      png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  }
  double gamma = 0.45;
  if (!png_get_gAMA(png, info, &gamma)) gamma = 0.45;
  png_set_gamma(png, 2.2, gamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  const size_t stride = png_get_rowbytes(png, info);
  const int channels = png_get_channels(png, info);
  pixels.resize(stride * height);
  for (png_uint_32 y = 0; y < height; ++y) rows.push_back(pixels.data() + stride * y);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(in);

  FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  std::fprintf(out, "P6\n%u %u\n255\n", width, height);
  std::vector<png_byte> line(size_t(width) * 3);
  for (png_uint_32 y = 0; y < height; ++y) {
    for (png_uint_32 x = 0; x < width; ++x) {
      const png_byte* p = rows[y] + size_t(x) * size_t(channels);
      for (int c = 0; c < 3; ++c) {
        int v = channels >= 3 ? p[c] : p[0];
        if (lowGray) v = v * 255 / ((1 << depth) - 1);
        line[size_t(x) * 3 + size_t(c)] = png_byte(v);
      }
    }
    std::fwrite(line.data(), 1, line.size(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
