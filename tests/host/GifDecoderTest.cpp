// The GIF decoder on hand-made files: interlace order, composition of animation frames (transparency,
// disposal, frames reaching past the screen), palettes, LZW streams that end early or fill the table,
// page selection and the cap on the pages of an all-pages decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "formats/GifDecoder.h"
#include "image/ImageFile.h"
#include "pipeline/MemoryGraphics.h"

using namespace lumetta;

namespace {

// Colours of the global table used throughout: index 0 black, 1 red, 2 green, 3 blue.
const std::vector<uint32_t> kGlobal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

void Put16(std::vector<uint8_t>& b, int v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }

void PutTable(std::vector<uint8_t>& b, const std::vector<uint32_t>& colours) {
  for (uint32_t c : colours) b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
}

// Packs LZW codes least-significant bit first, widening the codes as the decoder's table grows (each
// code after the first one following a clear adds an entry), and cuts them into data sub-blocks
// behind the minimum code size.
std::vector<uint8_t> PackCodes(int minSize, const std::vector<int>& codes) {
  const int clear = 1 << minSize;
  int width = minSize + 1, next = clear + 2;
  bool first = true;
  std::vector<uint8_t> bytes;
  uint32_t bits = 0;
  int count = 0;
  for (int code : codes) {
    bits |= uint32_t(code) << count;
    for (count += width; count >= 8; count -= 8, bits >>= 8) bytes.push_back(uint8_t(bits));
    if (code == clear) {
      width = minSize + 1, next = clear + 2, first = true;
    } else if (first) {
      first = false;
    } else if (next < 4096 && ++next >= (1 << width) && width < 12) {
      ++width;
    }
  }
  if (count > 0) bytes.push_back(uint8_t(bits));
  std::vector<uint8_t> data{uint8_t(minSize)};
  for (size_t i = 0; i < bytes.size(); i += 255) {
    size_t n = std::min<size_t>(255, bytes.size() - i);
    data.push_back(uint8_t(n));
    data.insert(data.end(), bytes.begin() + long(i), bytes.begin() + long(i + n));
  }
  data.push_back(0);  // the empty sub-block that ends the data
  return data;
}

// Pixels as literal codes: clear, one code a pixel, end (minimum code size 2: clear 4, end 5).
std::vector<uint8_t> Literals(const std::vector<int>& pixels) {
  std::vector<int> codes{4};
  codes.insert(codes.end(), pixels.begin(), pixels.end());
  codes.push_back(5);
  return PackCodes(2, codes);
}

struct Frame {
  Frame(int l = 0, int t = 0, int w = 0, int h = 0, bool i = false)
      : left(l), top(t), width(w), height(h), interlaced(i) {}
  int left, top, width, height;
  bool interlaced;
  std::vector<uint32_t> localTable;  // empty: the global table
  bool control = false;              // a graphic control extension precedes the frame
  int disposal = 0, delay = 10, transparent = -1;
  std::vector<uint8_t> data;  // minimum code size and sub-blocks
};

std::vector<uint8_t> BuildGif(int width, int height, const std::vector<Frame>& frames, int background = 0) {
  std::vector<uint8_t> b{'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, width);    // logical screen width
  Put16(b, height);   // logical screen height
  b.push_back(0x81);  // global table of 2 << 1 = 4 colours
  b.push_back(uint8_t(background));
  b.push_back(0);  // aspect
  PutTable(b, kGlobal);
  for (const Frame& f : frames) {
    if (f.control) {
      b.insert(b.end(), {0x21, 0xF9, 4});  // graphic control extension, one sub-block of 4
      b.push_back(uint8_t(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0)));
      Put16(b, f.delay);  // hundredths
      b.push_back(uint8_t(std::max(f.transparent, 0)));
      b.push_back(0);
    }
    b.push_back(0x2C);  // image descriptor
    Put16(b, f.left);
    Put16(b, f.top);
    Put16(b, f.width);
    Put16(b, f.height);
    uint8_t flags = f.interlaced ? 0x40 : 0;
    if (!f.localTable.empty()) flags |= 0x80 | 1;  // local table of 4 colours
    b.push_back(flags);
    PutTable(b, f.localTable);
    b.insert(b.end(), f.data.begin(), f.data.end());
  }
  b.push_back(0x3B);  // trailer
  return b;
}

Frame Filled(int left, int top, int width, int height, std::function<int(int x, int y)> index) {
  Frame f{left, top, width, height};
  std::vector<int> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(index(x, y));
  f.data = Literals(pixels);
  return f;
}

// Every page of an all-pages decode, as 0xRRGGBB rows.
struct Pages {
  bool ok = false;
  int error = 0;
  std::vector<std::vector<uint32_t>> rgb;
  std::vector<int> widths;
  uint32_t At(size_t page, int x, int y) const { return rgb[page][size_t(y * widths[page] + x)]; }
};

Pages DecodeAll(const std::vector<uint8_t>& file, MemoryGraphics& graphics) {
  Pages pages;
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  DecodeRequest request;
  request.allPages = 1;
  pages.ok = image.Decode(request);
  pages.error = image.GetLastError();
  for (int i = 0; i < image.GetPageCount(); ++i) {
    BitmapPixels pixels;
    if (!image.GetBitmap(i) || !graphics.ReadPixels(image.GetBitmap(i), &pixels)) break;
    std::vector<uint8_t> rgb = PixelsToRgb(pixels);
    std::vector<uint32_t> page;
    for (size_t p = 0; p + 2 < rgb.size(); p += 3)
      page.push_back(uint32_t(rgb[p]) << 16 | rgb[p + 1] << 8 | rgb[p + 2]);
    pages.rgb.push_back(page);
    pages.widths.push_back(pixels.width);
  }
  return pages;
}

}  // namespace

// Each case is a file and what its pages must show.
TEST(GifDecoder, FramesComposeOnTheCanvas) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    std::function<void(const Pages&)> check;
  };
  Frame base = Filled(0, 0, 20, 20, [](int, int) { return 1; });  // red everywhere
  base.control = true;

  Frame patch = Filled(5, 5, 10, 10, [](int x, int y) { return (x + y) % 2 ? 2 : 0; });
  patch.control = true;
  patch.transparent = 0;  // the black squares of the patch let the red through

  Frame cleared = Filled(5, 5, 10, 10, [](int, int) { return 2; });
  cleared.control = true;
  cleared.disposal = 2;  // restore to background after it has been shown
  Frame dot = Filled(0, 0, 1, 1, [](int, int) { return 2; });
  // Frames as a GIF87a file has them, with no control blocks.
  Frame plain = Filled(0, 0, 20, 20, [](int, int) { return 1; });
  Frame plainPatch = Filled(5, 5, 10, 10, [](int, int) { return 2; });

  // Frame 1 reaches 8 pixels past the right edge and lies partly below the screen.
  Frame outside = Filled(16, 17, 12, 6, [](int, int) { return 3; });
  Frame beyond = Filled(30, 30, 4, 4, [](int, int) { return 3; });  // wholly outside

  std::vector<Case> cases = {
      {"transparent patch over the first frame", BuildGif(20, 20, {base, patch}),
       [](const Pages& p) {
         ASSERT_EQ(p.rgb.size(), 2u);
         EXPECT_EQ(p.At(1, 0, 0), 0xFF0000u);  // around the patch
         EXPECT_EQ(p.At(1, 5, 5), 0xFF0000u);  // under a transparent pixel
         EXPECT_EQ(p.At(1, 6, 5), 0x00FF00u);  // an opaque pixel of the patch
         EXPECT_EQ(p.At(1, 14, 14), 0xFF0000u);
         EXPECT_EQ(p.At(0, 6, 5), 0xFF0000u);  // the first page keeps its own picture
       }},
      {"disposal 2 clears to the background before the next frame", BuildGif(20, 20, {base, cleared, dot}, 3),
       [](const Pages& p) {
         ASSERT_EQ(p.rgb.size(), 3u);
         EXPECT_EQ(p.At(1, 6, 6), 0x00FF00u);
         EXPECT_EQ(p.At(2, 6, 6), 0x0000FFu);  // background index 3
         EXPECT_EQ(p.At(2, 4, 4), 0xFF0000u);  // outside the cleared rectangle
         EXPECT_EQ(p.At(2, 0, 0), 0x00FF00u);  // the dot
       }},
      {"a first frame with no control block stays under the later ones", BuildGif(20, 20, {plain, plainPatch}),
       [](const Pages& p) {
         ASSERT_EQ(p.rgb.size(), 2u);
         EXPECT_EQ(p.At(1, 0, 0), 0xFF0000u);
         EXPECT_EQ(p.At(1, 19, 19), 0xFF0000u);
         EXPECT_EQ(p.At(1, 6, 5), 0x00FF00u);
       }},
      {"frames outside the screen are clipped", BuildGif(20, 20, {base, outside, beyond}),
       [](const Pages& p) {
         ASSERT_EQ(p.rgb.size(), 3u);
         EXPECT_EQ(p.widths[1], 20);
         EXPECT_EQ(p.At(1, 19, 19), 0x0000FFu);
         EXPECT_EQ(p.At(1, 15, 19), 0xFF0000u);
         EXPECT_EQ(p.At(1, 19, 16), 0xFF0000u);
         EXPECT_EQ(p.rgb[2], p.rgb[1]);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryGraphics graphics(24);
    Pages pages = DecodeAll(c.file, graphics);
    ASSERT_TRUE(pages.ok) << "error " << pages.error;
    c.check(pages);
  }
}

TEST(GifDecoder, InterlacedRowsArriveInPassOrderOneRectangleEach) {
  Frame frame{0, 0, 2, 8, true};
  // The file stores the rows in pass order: 0, 4, 2, 6, 1, 3, 5, 7.
  const int order[8] = {0, 4, 2, 6, 1, 3, 5, 7};
  std::vector<int> pixels;
  for (int row : order) pixels.insert(pixels.end(), 2, row % 4);
  frame.data = Literals(pixels);
  std::vector<uint8_t> file = BuildGif(2, 8, {frame});

  MemoryGraphics graphics(24);
  ImageFile image(file.data(), file.size());
  image.SetGraphics(graphics);
  ASSERT_TRUE(image.BeginDecode(DecodeRequest{}));
  std::vector<int> tops;
  while (image.GetProgress() < kProgressComplete) {
    int count = -1;
    ImageRect rects[1];
    ASSERT_TRUE(image.DecodeStep(1, &count, rects)) << image.GetLastError();
    ASSERT_EQ(count, 1);
    EXPECT_EQ(rects[0].bottom - rects[0].top, 1);
    tops.push_back(rects[0].top);
  }
  EXPECT_EQ(tops, std::vector<int>(order, order + 8));
  image.EndDecode(false);
}

// Streams that end early and one that fills the table without a clear code (real files, with codes
// defined by their own use, are the conformance run's).
TEST(GifDecoder, LzwStreamsEndEarlyOrFillTheTable) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    std::vector<int> expected;  // the frame's pixels
  };
  std::vector<int> many;
  for (int i = 0; i < 5000; ++i) many.push_back(i * 7 / 3 % 4);
  std::vector<int> manyCodes{4};
  manyCodes.insert(manyCodes.end(), many.begin(), many.end());
  manyCodes.push_back(4095);  // the last entry: made from the two pixels before the table filled
  manyCodes.push_back(5);
  std::vector<int> manyExpected = many;
  // Entry 4095 is the 4090th entry, made from pixel 4089 followed by pixel 4090.
  manyExpected.push_back(many[4089]);
  manyExpected.push_back(many[4090]);

  std::vector<uint8_t> endsInSubBlock = PackCodes(2, {4, 1, 2});
  endsInSubBlock.pop_back();  // no end code, no empty sub-block: the file simply ends

  std::vector<Case> cases = {
      {"end code after three of eight pixels", Literals({1, 2, 3}), {1, 2, 3, 0, 0, 0, 0, 0}},
      {"data cut off by the end of the file", endsInSubBlock, {1, 2, 0, 0, 0, 0, 0, 0}},
      {"a full table without clear codes", PackCodes(2, manyCodes), manyExpected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int width = c.expected.size() > 8 ? 50 : 4;
    int height = int(c.expected.size() + size_t(width) - 1) / width;
    Frame frame{0, 0, width, height};
    frame.data = c.data;
    std::vector<uint8_t> file = BuildGif(width, height, {frame});
    if (std::string(c.name) == "data cut off by the end of the file") file.pop_back();  // and no trailer
    MemoryGraphics graphics(24);
    Pages pages = DecodeAll(file, graphics);
    ASSERT_TRUE(pages.ok) << "error " << pages.error;
    ASSERT_EQ(pages.rgb.size(), 1u);
    for (size_t i = 0; i < c.expected.size(); ++i)
      ASSERT_EQ(pages.rgb[0][i], kGlobal[size_t(c.expected[i])]) << "pixel " << i;
  }
}

TEST(GifDecoder, PagesPalettesAndFrameRecords) {
  Frame first = Filled(0, 0, 4, 4, [](int, int) { return 1; });
  first.control = true;
  first.delay = 25;
  Frame second = Filled(0, 0, 4, 4, [](int, int) { return 2; });  // no control extension
  Frame third = Filled(0, 0, 4, 4, [](int, int) { return 1; });
  third.control = true;
  third.transparent = 3;
  third.localTable = {0x000000, 0xFFFF00, 0x00FFFF, 0xFFFFFF};
  std::vector<uint8_t> file = BuildGif(4, 4, {first, second, third});

  MemoryGraphics graphics(8);
  {
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    EXPECT_EQ(image.CountPages(), 3);
    image.SetPage(2);  // frames are read in order: the third cannot come first
    EXPECT_FALSE(image.BeginDecode(DecodeRequest{}));
  }
  {
    ImageFile image(file.data(), file.size());
    image.SetGraphics(graphics);
    DecodeRequest request;
    request.allPages = 1;
    ASSERT_TRUE(image.BeginDecode(request));
    while (image.GetProgress() < kProgressComplete) {
      ASSERT_TRUE(image.DecodeStep(2, nullptr, nullptr));
    }
    EXPECT_EQ(image.GetCurrentPage(), 2);  // complete only once the last frame is
    image.EndDecode(false);
    ASSERT_EQ(image.GetPageCount(), 3);
    auto* extras = dynamic_cast<GifExtras*>(image.GetExtras());
    ASSERT_NE(extras, nullptr);
    EXPECT_EQ(extras->FrameCount(), 3);
    EXPECT_EQ(extras->FrameDelay(0), 25);
    EXPECT_EQ(extras->FrameDelay(1), GifExtras::kDefaultDelay);  // record 1 belongs to frame 1
    EXPECT_TRUE(extras->FrameHasTransparentColor(2));
    EXPECT_FALSE(extras->FrameHasTransparentColor(1));
    ASSERT_NE(extras->SharedPalette(), nullptr);
    EXPECT_EQ(image.GetPalette(0), extras->SharedPalette());
    EXPECT_EQ(image.GetPalette(1), extras->SharedPalette());
    // The frame with its own table, drawn over the others, has a palette of its own.
    EXPECT_NE(image.GetPalette(2), extras->SharedPalette());
    EXPECT_NE(image.GetBitmap(2), nullptr);
  }
  EXPECT_EQ(graphics.LiveObjects(), 0);
}

TEST(GifDecoder, AllPagesKeepsAtMostAThousandFramesAndSucceeds) {
  Frame dot = Filled(0, 0, 1, 1, [](int, int) { return 1; });
  MemoryGraphics graphics(24);
  Pages pages = DecodeAll(BuildGif(1, 1, std::vector<Frame>(1001, dot)), graphics);
  ASSERT_TRUE(pages.ok) << pages.error;
  EXPECT_EQ(pages.rgb.size(), 1000u);
}
