// PNG (kind 7): the sniffer and the decoder over libpng.
//
// libpng reports errors by jumping to the jump buffer in its structure; every library call goes through
// Guarded(), whose own frame sets that buffer, so a jump never crosses a frame that owns a C++ object
// with a destructor.
#include "formats/PngDecoder.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <new>

#include <png.h>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

bool SniffPng(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (!b.Has(0, 8)) return false;
  for (int i = 0; i < 8; ++i)
    if (b.U8(i) != kSignature[i]) return false;
  DetectedImage values;
  switch (open(ImageKind::Png, false, &values)) {
    case DecoderProbe::Opened:
      *out = MakeDetected(ImageKind::Png, values.width, values.height, values.bits);
      return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder: break;
  }
  // The header chunk: sizes, then bits = sample depth x samples of the colour type.
  if (!b.Equals(12, "IHDR") || !b.Has(16, 10)) return false;
  int depth = b.U8(24), samples = 0;
  switch (b.U8(25)) {
    case 0:
    case 3: samples = 1; break;
    case 2: samples = 3; break;
    case 4: samples = 2; break;
    case 6: samples = 4; break;
    default: return false;
  }
  *out = MakeDetected(ImageKind::Png, b.Be32(16), b.Be32(20), depth * samples);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// The glue

namespace {

constexpr double kScreenGamma = 2.2;
constexpr double kDefaultFileGamma = 0.45;
constexpr int64_t kLargestChunk = int64_t(8) << 20;

}  // namespace

struct PngGlue {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngDecoder* decoder = nullptr;

  [[noreturn]] static void Error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
  static void Warning(png_structp, png_const_charp) {}  // warnings are not shown

  static void Read(png_structp png, png_bytep data, size_t length) {
    PngGlue* glue = static_cast<PngGlue*>(png_get_io_ptr(png));
    uint32_t got = 0;
    if (length > UINT32_MAX) png_error(png, "read too long");
    glue->decoder->ReadSource(data, uint32_t(length), &got);
    if (got < length) png_error(png, "file ends early");
  }
};

namespace {

// Runs library calls under the jump target; false when the library gave up.
template <class Call>
bool Guarded(PngGlue* glue, Call call) {
  if (setjmp(png_jmpbuf(glue->png))) return false;
  call();
  return true;
}

}  // namespace

PngDecoder::PngDecoder(const ImageSource& source) : ImageDecoder(source) {}

PngDecoder::~PngDecoder() { Release(); }

void PngDecoder::Release() {
  if (glue_ && glue_->png) png_destroy_read_struct(&glue_->png, glue_->info ? &glue_->info : nullptr, nullptr);
  glue_.reset();
  std::vector<uint8_t>().swap(row_);
  std::vector<std::vector<uint8_t>>().swap(store_);
}

bool PngDecoder::ReadHeader(ImageHeader& header) { return Setup(header, kErrFormat); }

// Reads the file's header and sets the library up for the rows. The transformations belong here, not
// with the rows: compositing a palette image changes its palette, and the palette must be known before
// the outputs are made.
bool PngDecoder::Setup(ImageHeader& header, int failure) {
  Release();
  rowsTaken_ = false;
  glue_.reset(new (std::nothrow) PngGlue);
  if (!glue_) return SetError(failure);
  PngGlue* glue = glue_.get();
  glue->decoder = this;
  glue->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, glue, &PngGlue::Error, &PngGlue::Warning);
  if (!glue->png) return SetError(failure);
  glue->info = png_create_info_struct(glue->png);
  if (!glue->info) return SetError(failure);
  png_set_read_fn(glue->png, glue, &PngGlue::Read);
  // Hostile sizes and chunks are refused before the library allocates for them. No chunk that is read
  // here needs more than a few megabytes (the image data is read as a stream); texts are never shown,
  // so they are passed over unread rather than inflated.
  png_set_user_limits(glue->png, kMaxImageDimension, kMaxImageDimension);
  png_set_chunk_malloc_max(glue->png, png_alloc_size_t(std::min<int64_t>(MemoryCeiling(), kLargestChunk)));
  static const png_byte kTextChunks[] = {'t', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0, 'i', 'T', 'X', 't', 0};
  png_set_keep_unknown_chunks(glue->png, PNG_HANDLE_CHUNK_NEVER, kTextChunks, 3);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  if (!Guarded(glue, [glue, &width, &height, &depth, &colorType, &interlace] {
        png_read_info(glue->png, glue->info);
        png_get_IHDR(glue->png, glue->info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
      }))
    return SetError(failure);

  const int channels = colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 3 : 1;
  const int bits = std::min(depth, 8) * channels;
  interlaced_ = interlace != PNG_INTERLACE_NONE;
  const bool transparent = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(glue->png, glue->info, PNG_INFO_tRNS);
  double fileGamma = kDefaultFileGamma;
  if (!png_get_gAMA(glue->png, glue->info, &fileGamma)) fileGamma = kDefaultFileGamma;
  // The library composites and gamma-corrects a palette only in its own copy, never in the one it
  // hands out: a palette image that needs either is widened to colour rows, which the library does
  // correct. (Below 5 % the library leaves gamma alone.)
  const bool widen =
      colorType == PNG_COLOR_TYPE_PALETTE && (transparent || std::fabs(fileGamma * kScreenGamma - 1) > 0.05);
  const int rowChannels = widen ? 3 : channels;
  if (!AcceptImageSize(width, height, rowChannels * 8)) return false;
  rowBytes_ = size_t(width) * size_t(rowChannels);

  int passes = 1;
  bool ok = Guarded(glue, [glue, depth, colorType, transparent, fileGamma, widen, &passes] {
    png_structp png = glue->png;
    png_infop info = glue->info;
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) png_set_packing(png);
    if (widen) png_set_palette_to_rgb(png);
    if (transparent) {
      png_color_16p background = nullptr;
      if (png_get_bKGD(png, info, &background)) {
        png_set_background(png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
      } else {
        png_color_16 black = {};
        png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
      }
    }
    png_set_gamma(png, kScreenGamma, fileGamma);
    if (widen || colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
  });
  if (!ok || png_get_rowbytes(glue->png, glue->info) != rowBytes_) return SetError(failure);
  passes_ = passes;

  header.kind = ImageKind::Png;
  header.width = int(width);
  header.height = int(height);
  // Gray with an alpha channel is gray too once composited.
  header.gray = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
  header.bitsCode = bits;
  header.rowDepth = rowChannels == 1 ? 8 : 24;
  header.sourceRowLength = int(width);
  header.colorCount = 0;
  png_colorp palette = nullptr;
  int entries = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !widen && png_get_PLTE(glue->png, glue->info, &palette, &entries)) {
    header.colorCount = std::clamp(entries, 0, 256);
    for (int i = 0; i < header.colorCount; ++i)
      header.palette[i] = RgbColor{palette[i].red, palette[i].green, palette[i].blue};
  }
  return SetError(kErrNone);
}

bool PngDecoder::BeginImageHook() {
  if (rowsTaken_ || !glue_) {
    // The rows of an earlier image are gone: read the file again from its start.
    if (!SeekSource(0, 0, nullptr)) return SetError(kErrPixelData);
    ImageHeader again;
    if (!Setup(again, kErrPixelData)) return false;
    if (again.width != header().width || again.height != header().height) return SetError(kErrPixelData);
  }
  const int64_t storeBytes = interlaced_ ? int64_t(rowBytes_) * header().height : 0;
  if (!AllocateCounted(int64_t(rowBytes_) + storeBytes, kErrPixelData, [&] {
        row_.assign(rowBytes_, 0);
        store_.clear();
        if (interlaced_) store_.resize(size_t(header().height));
      }))
    return false;
  rowsDone_ = accumulator_ = sourceRow_ = pass_ = 0;
  passRowsRead_ = 0;
  sweepRow_ = -1;
  if (interlaced_) {
    if (!ClearBitmaps()) return false;
    decodedRect_ = ImageRect{0, 0, outputWidth(), outputHeight()};
  }
  return SetError(kErrNone);
}

bool PngDecoder::ReadRow(uint8_t* row) {
  rowsTaken_ = true;
  PngGlue* glue = glue_.get();
  return Guarded(glue, [glue, row] { png_read_row(glue->png, row, nullptr); });
}

bool PngDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  if (!glue_) return SetError(kErrInvalidState);
  if (interlaced_) return DecodeInterlaced(rows, rectCount, updateRect);
  const int width = outputWidth();
  const int height = outputHeight();
  const int sourceHeight = header().height;
  if (rowsDone_ >= height) return SetError(kErrInvalidState);
  const int count = std::clamp(rows, 0, height - rowsDone_);
  if (rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, rowsDone_, width, rowsDone_ + count};
  }
  for (int i = 0; i < count; ++i) {
    while (accumulator_ < sourceHeight) {
      if (!ReadRow(row_.data())) return SetError(kErrRow);
      accumulator_ += height;
    }
    accumulator_ -= sourceHeight;
    if (!PutRow(row_.data(), rowsDone_)) return false;
    ++rowsDone_;
  }
  progress_ = MulDiv(rowsDone_, kProgressComplete, height);
  decodedRect_ = ImageRect{0, 0, width, rowsDone_};
  if (rowsDone_ >= height) EndOfImage();
  return SetError(kErrNone);
}

// The source row whose pixels output row k shows once the image is complete: the last of the rows
// that fall on it, as without interlacing.
int PngDecoder::RepresentedRow(int k) const {
  const int64_t height = header().height, outputs = outputHeight();
  return int(((int64_t(k) + 1) * height + outputs - 1) / outputs - 1);
}

// A source row of the store, made (blank) the first time it is asked for; null when memory is short.
// The whole store was counted against the ceiling as the image began.
uint8_t* PngDecoder::StoreRow(int y) {
  std::vector<uint8_t>& row = store_[size_t(y)];
  if (row.empty() && !AllocateOrFail([&] { row.assign(rowBytes_, 0); })) return nullptr;
  return row.data();
}

// Interlaced files: each pass's rows are combined into the store and shown at once on the output row
// they fall on. Once the seventh pass is in, the output rows are refreshed from the store with the rows
// a non-interlaced decode would show, so both end with the same picture.
bool PngDecoder::DecodeInterlaced(int rows, int* rectCount, ImageRect* updateRect) {
  const int width = outputWidth();
  const int height = outputHeight();
  const int sourceHeight = header().height;
  const int sourceWidth = header().width;
  const int64_t passRowsTotal = std::max<int64_t>(1, int64_t(sourceHeight) * 15 / 8);
  int delivered = 0;
  auto deliver = [&](const uint8_t* row, int y) {
    if (!PutRow(row, y)) return false;
    if (rectCount && updateRect) updateRect[delivered] = ImageRect{0, y, width, y + 1};
    ++delivered;
    return true;
  };
  const int budget = std::max(rows, 0);
  bool ok = true, readFailed = false;
  while (ok && delivered < budget && sweepRow_ < 0) {
    if (pass_ >= passes_) {
      sweepRow_ = height < sourceHeight ? 0 : height;
      break;
    }
    const int y = sourceRow_;
    const bool inPass = passes_ == 1 || (PNG_ROW_IN_INTERLACE_PASS(y, pass_) && PNG_PASS_COLS(sourceWidth, pass_) > 0);
    // The library leaves a row outside the pass untouched: it needs no room of its own yet.
    uint8_t* target = inPass ? StoreRow(y) : row_.data();
    if (!target) return SetError(kErrPixelData);
    if (!ReadRow(target)) {
      ok = false;
      readFailed = true;
      break;
    }
    if (inPass) {
      ++passRowsRead_;
      ok = deliver(target, int(int64_t(y) * height / sourceHeight));
    }
    if (++sourceRow_ >= sourceHeight) {
      sourceRow_ = 0;
      ++pass_;
    }
  }
  while (ok && sweepRow_ >= 0 && sweepRow_ < height && delivered < budget) {
    const uint8_t* row = StoreRow(RepresentedRow(sweepRow_));
    if (!row) return SetError(kErrPixelData);
    ok = deliver(row, sweepRow_);
    ++sweepRow_;
  }
  if (rectCount && updateRect) *rectCount = delivered;
  if (readFailed) return SetError(kErrRow);
  if (!ok) return false;
  progress_ = std::min<int64_t>(kProgressComplete - 1, passRowsRead_ * kProgressComplete / passRowsTotal);
  if (sweepRow_ >= height) EndOfImage();
  return SetError(kErrNone);
}

bool PngDecoder::FinishImage() {
  Release();
  return SetError(kErrNone);
}

}  // namespace lumetta
