// JPEG (kind 0): the sniffer and the decoder over libjpeg.
//
// The library reports fatal errors through its error manager's exit, which must not return: ours jumps
// back to the glue. Every library call goes through Guarded(), whose own frame holds the jump target, so
// the jump only ever crosses the library's C frames and our callbacks, never a frame that owns a C++
// object with a destructor.
#include "formats/JpegDecoder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

bool SniffJpeg(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
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
        frame = MakeDetected(ImageKind::Jpeg, b.Be16(at + 6), b.Be16(at + 4), b.U8(at + 8) == 1 ? 8 : 24);
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
    case DecoderProbe::Opened:
      *out = MakeDetected(ImageKind::Jpeg, values.width, values.height, values.bits);
      return true;
    case DecoderProbe::Failed: return false;
    case DecoderProbe::NoDecoder:
      if (!frameFound) return false;
      *out = frame;
      return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------------
// The glue

namespace {

constexpr uint32_t kInputChunk = 64 * 1024;
// Output strips: a few rows per library call keep the call overhead small without holding much.
constexpr int kStripRows = 8;
// A progressive file may announce any number of scans, each one a walk over every block of the
// image; real files use about ten.
constexpr int kMaxScans = 1000;

}  // namespace

struct JpegGlue {
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  JpegDecoder* decoder;
  bool created;
  JOCTET input[kInputChunk];

  static JpegGlue* Of(j_common_ptr info) { return reinterpret_cast<JpegGlue*>(info->client_data); }

  [[noreturn]] static void ErrorExit(j_common_ptr info) { std::longjmp(Of(info)->jump, 1); }
  static void OutputMessage(j_common_ptr) {}  // warnings are not shown

  static void InitSource(j_decompress_ptr) {}
  static void TermSource(j_decompress_ptr) {}

  // A file that ends early is an error, not a picture grey from there on.
  static boolean FillInputBuffer(j_decompress_ptr info) {
    JpegGlue* glue = Of(reinterpret_cast<j_common_ptr>(info));
    if (info->input_scan_number > kMaxScans) ERREXIT(info, JERR_BAD_SCAN_SCRIPT);
    uint32_t got = 0;
    glue->decoder->ReadSource(glue->input, kInputChunk, &got);
    if (got == 0) ERREXIT(info, JERR_INPUT_EOF);
    glue->source.next_input_byte = glue->input;
    glue->source.bytes_in_buffer = got;
    return TRUE;
  }

  static void SkipInputData(j_decompress_ptr info, long count) {
    JpegGlue* glue = Of(reinterpret_cast<j_common_ptr>(info));
    if (count <= 0) return;
    size_t skip = size_t(count);
    if (skip <= glue->source.bytes_in_buffer) {
      glue->source.next_input_byte += skip;
      glue->source.bytes_in_buffer -= skip;
      return;
    }
    skip -= glue->source.bytes_in_buffer;
    glue->source.bytes_in_buffer = 0;
    if (!glue->decoder->SeekSource(int64_t(skip), 1, nullptr)) ERREXIT(info, JERR_INPUT_EOF);
  }

  // Called between rows of blocks while the library absorbs a multi-scan file, which it does in one call:
  // the only place a caller with a time limit can be given back its thread.
  static void Progress(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
      ERREXIT(info, JERR_BAD_SCAN_SCRIPT);
    if (Of(info)->decoder->OutOfTime()) ERREXIT(info, JERR_INPUT_EOF);
  }
};

namespace {

// Runs one library call under the jump target; false when the library gave up.
template <class Call>
bool Guarded(JpegGlue* glue, Call call) {
  if (setjmp(glue->jump)) return false;
  call();
  return true;
}

}  // namespace

JpegDecoder::JpegDecoder(const ImageSource& source) : ImageDecoder(source) {}

JpegDecoder::~JpegDecoder() { Release(); }

void JpegDecoder::Release() {
  if (glue_ && glue_->created) jpeg_destroy_decompress(&glue_->info);  // frees; never fails
  glue_.reset();
  started_ = false;
  std::vector<uint8_t>().swap(strip_);
  std::vector<uint8_t*>().swap(stripRows_);
  std::vector<uint8_t>().swap(converted_);
}

int JpegDecoder::ScaleDenominator(int width, int height, int outputWidth, int outputHeight) {
  if (outputWidth <= 0 || outputHeight <= 0) return 1;
  int f = std::min(width / outputWidth, height / outputHeight);
  return f >= 8 ? 8 : f >= 4 ? 4 : f >= 2 ? 2 : 1;
}

bool JpegDecoder::ReadHeader(ImageHeader& header) {
  Release();
  // Some files carry a few bytes of something else before the image.
  uint8_t probe[1024];
  uint32_t got = 0;
  ReadSource(probe, sizeof probe, &got);
  uint32_t start = 0;
  while (start + 1 < got && !(probe[start] == 0xFF && probe[start + 1] == 0xD8)) ++start;
  if (start + 1 >= got || !SeekSource(start, 0, nullptr)) return SetError(kErrFormat);

  glue_.reset(new (std::nothrow) JpegGlue);
  if (!glue_) return SetError(kErrFormat);
  JpegGlue* glue = glue_.get();
  std::memset(glue, 0, offsetof(JpegGlue, input));
  glue->decoder = this;
  glue->info.err = jpeg_std_error(&glue->error);
  glue->error.error_exit = &JpegGlue::ErrorExit;
  glue->error.output_message = &JpegGlue::OutputMessage;
  glue->info.client_data = glue;
  if (!Guarded(glue, [glue] { jpeg_create_decompress(&glue->info); })) return SetError(kErrFormat);
  glue->created = true;
  glue->info.client_data = glue;  // jpeg_create_decompress clears everything but the error manager
  glue->info.mem->max_memory_to_use = long(std::min<int64_t>(MemoryCeiling(), LONG_MAX));
  glue->source.init_source = &JpegGlue::InitSource;
  glue->source.fill_input_buffer = &JpegGlue::FillInputBuffer;
  glue->source.skip_input_data = &JpegGlue::SkipInputData;
  glue->source.resync_to_restart = &jpeg_resync_to_restart;
  glue->source.term_source = &JpegGlue::TermSource;
  glue->info.src = &glue->source;
  glue->progress.progress_monitor = &JpegGlue::Progress;
  glue->info.progress = &glue->progress;
  if (!Guarded(glue, [glue] { jpeg_read_header(&glue->info, TRUE); })) return SetError(kErrFormat);

  const int components = glue->info.num_components;
  if (components != 1 && components != 3 && components != 4) return SetError(kErrFormat);
  const bool gray = components == 1;
  if (!AcceptImageSize(glue->info.image_width, glue->info.image_height, gray ? 8 : 24)) return false;
  cmyk_ = components == 4;
  inverted_ = glue->info.saw_Adobe_marker;
  header.kind = ImageKind::Jpeg;
  header.width = int(glue->info.image_width);
  header.height = int(glue->info.image_height);
  header.gray = gray;
  header.bitsCode = gray ? 8 : 24;
  header.rowDepth = header.bitsCode;
  header.colorCount = 0;
  header.sourceRowLength = header.width;
  return SetError(kErrNone);
}

bool JpegDecoder::BeginImageHook() {
  if (!glue_) return SetError(kErrInvalidState);
  JpegGlue* glue = glue_.get();
  jpeg_decompress_struct& info = glue->info;
  if (started_) {
    // Another image of the same file: back to the state after the header, then the header again.
    jpeg_abort_decompress(&info);
    started_ = false;
    glue->source.bytes_in_buffer = 0;
    if (!SeekSource(0, 0, nullptr)) return SetError(kErrPixelData);
    uint8_t probe[1024];
    uint32_t got = 0;
    ReadSource(probe, sizeof probe, &got);
    uint32_t start = 0;
    while (start + 1 < got && !(probe[start] == 0xFF && probe[start + 1] == 0xD8)) ++start;
    if (start + 1 >= got || !SeekSource(start, 0, nullptr)) return SetError(kErrPixelData);
    if (!Guarded(glue, [glue] { jpeg_read_header(&glue->info, TRUE); })) return SetError(kErrPixelData);
  }

  const int denominator = ScaleDenominator(header().width, header().height, outputWidth(), outputHeight());
  info.scale_num = 1;
  info.scale_denom = unsigned(denominator);
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = TRUE;
  info.quantize_colors = FALSE;
  info.out_color_space = cmyk_ ? JCS_CMYK : header().gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
  // A two-pass quantizer needs the final pixels in its first pass: no coarse pass then.
  buffered_ = info.progressive_mode && !output().TwoPass();
  info.buffered_image = buffered_ ? TRUE : FALSE;
  if (!Guarded(glue, [glue] { jpeg_start_decompress(&glue->info); })) return SetError(kErrPixelData);
  started_ = true;
  awaitingScan_ = buffered_;  // the coarse pass starts once the first scan is in (AwaitFirstScan)

  // The library rounds scaled sizes up: its rows, not width / denominator, are what arrives.
  decodedWidth_ = int(info.output_width);
  decodedHeight_ = int(info.output_height);
  if (decodedWidth_ < outputWidth() || decodedHeight_ < outputHeight()) return SetError(kErrPixelData);
  mutableHeader().sourceRowLength = decodedWidth_;
  // A full-size picture needs no reduction and, in the bitmap's own depth, no conversion: the library
  // then writes into the bitmap, which spares a strip buffer and a copy of every row.
  inPlace_ = !cmyk_ && decodedHeight_ == outputHeight() && RowInPlace(0) != nullptr;
  const size_t stride = size_t(decodedWidth_) * size_t(info.output_components);
  const size_t stripBytes = inPlace_ ? 0 : stride * kStripRows;
  if (!AllocateCounted(int64_t(stripBytes) + (cmyk_ ? int64_t(decodedWidth_) * 3 : 0), kErrPixelData, [&] {
        strip_.assign(stripBytes, 0);
        stripRows_.assign(kStripRows, nullptr);
        if (cmyk_) converted_.assign(size_t(decodedWidth_) * 3, 0);
      }))
    return false;
  if (!inPlace_)
    for (int i = 0; i < kStripRows; ++i) stripRows_[i] = strip_.data() + stride * size_t(i);
  firstPass_ = true;
  absorbing_ = false;
  rowsDone_ = decodedRows_ = accumulator_ = 0;
  stripFill_ = stripNext_ = 0;
  return SetError(kErrNone);
}

const uint8_t* JpegDecoder::NextDecodedRow() {
  if (stripNext_ >= stripFill_) {
    JpegGlue* glue = glue_.get();
    JSAMPARRAY rows = stripRows_.data();
    JDIMENSION read = 0;
    if (decodedRows_ >= decodedHeight_ ||
        !Guarded(glue, [glue, rows, &read] { read = jpeg_read_scanlines(&glue->info, rows, kStripRows); }) || read == 0)
      return nullptr;
    stripFill_ = int(read);
    stripNext_ = 0;
  }
  ++decodedRows_;
  return stripRows_[size_t(stripNext_++)];
}

// Up to a strip of rows a library call, each row pointing into the bitmap.
bool JpegDecoder::ReadRowsInPlace(int count) {
  JpegGlue* glue = glue_.get();
  const int end = rowsDone_ + count;
  while (rowsDone_ < end) {
    const int wanted = std::min(kStripRows, end - rowsDone_);
    for (int i = 0; i < wanted; ++i) stripRows_[size_t(i)] = RowInPlace(rowsDone_ + i);
    JSAMPARRAY rows = stripRows_.data();
    JDIMENSION read = 0;
    if (!Guarded(glue,
                 [glue, rows, wanted, &read] { read = jpeg_read_scanlines(&glue->info, rows, JDIMENSION(wanted)); }) ||
        read == 0)
      return false;
    rowsDone_ += int(read);
    decodedRows_ += int(read);
  }
  return true;
}

// Buffered-image mode reads the file a bounded share a step (rows of blocks: half as many as the rows
// asked for, and at least a 64th of a scan, which keeps the steps of a ten-scan file to some 640), so
// that a caller that decodes in short steps (the viewer) stays free between them. Two stretches are read
// so: the first scan, which the coarse pass needs whole before its first row, and the rest of the file
// between the coarse pass and the final one (the library decides its block smoothing from what it holds
// when a pass starts: started earlier, the final pass would smooth blocks that are in fact complete).
// True once `scan` has begun or the input has ended; false with the error set.
bool JpegDecoder::ReadInputShare(int rows, int scan, bool whole, bool* reached) {
  JpegGlue* glue = glue_.get();
  const int64_t share = whole ? INT64_MAX : std::max<int64_t>(rows / 2, glue->info.total_iMCU_rows / 64 + 1);
  return Guarded(glue, [glue, share, scan, reached] {
    auto done = [glue, scan] { return jpeg_input_complete(&glue->info) || glue->info.input_scan_number >= scan; };
    for (int64_t i = 0; i < share && !done(); ++i) {
      if (jpeg_consume_input(&glue->info) == JPEG_SUSPENDED) ERREXIT(&glue->info, JERR_INPUT_EOF);
      if (glue->info.input_scan_number > kMaxScans) ERREXIT(&glue->info, JERR_BAD_SCAN_SCRIPT);
      if (glue->decoder->OutOfTime()) ERREXIT(&glue->info, JERR_INPUT_EOF);
    }
    *reached = done();
    if (*reached) jpeg_start_output(&glue->info, std::min(scan, glue->info.input_scan_number));
  });
}

// The coarse pass shows the second scan; progress moves by one a step while the first is read (and, at
// the end of its room, the rest of the first scan goes in one step).
bool JpegDecoder::AwaitFirstScan(int rows) {
  bool reached = false;
  if (!ReadInputShare(rows, 2, progress_ >= 3998, &reached)) return false;
  if (reached)
    awaitingScan_ = false;
  else
    progress_ = std::min(progress_ + 1, 3999);
  return true;
}

// Progress moves by one a step from 4000 while the rest is read and, were a file of very many scans to
// use up the room below 5000, the rest goes in one step.
bool JpegDecoder::AbsorbInput(int rows) {
  bool reached = false;
  if (!ReadInputShare(rows, INT_MAX, progress_ >= 4998, &reached)) return false;
  if (!reached) {
    progress_ = std::min(progress_ + 1, 4999);
    return true;
  }
  absorbing_ = false;
  firstPass_ = false;
  progress_ = 5000;
  rowsDone_ = decodedRows_ = accumulator_ = 0;
  stripFill_ = stripNext_ = 0;
  return true;
}

bool JpegDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  const int width = outputWidth();
  const int height = outputHeight();
  if (started_ && absorbing_) {
    if (rectCount) *rectCount = 0;
    return SetError(AbsorbInput(rows) ? kErrNone : kErrRow);
  }
  if (started_ && awaitingScan_) {
    if (!AwaitFirstScan(rows)) return SetError(kErrRow);
    if (awaitingScan_) {
      if (rectCount) *rectCount = 0;
      return SetError(kErrNone);
    }
  }
  if (!started_ || rowsDone_ >= height) return SetError(kErrInvalidState);
  const int count = std::clamp(rows, 0, height - rowsDone_);
  if (rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, rowsDone_, width, rowsDone_ + count};
  }
  if (inPlace_) {
    if (!ReadRowsInPlace(count)) return SetError(kErrRow);
  } else {
    for (int i = 0; i < count; ++i) {
      const uint8_t* row = nullptr;
      while (accumulator_ < decodedHeight_) {
        row = NextDecodedRow();
        if (!row) return SetError(kErrRow);
        accumulator_ += height;
      }
      accumulator_ -= decodedHeight_;
      if (cmyk_) {
        CmykToBgr(row, converted_.data(), decodedWidth_, inverted_);
        row = converted_.data();
      }
      if (!PutRow(row, rowsDone_)) return false;
      ++rowsDone_;
    }
  }

  if (!buffered_) {
    progress_ = MulDiv(rowsDone_, kProgressComplete, height);
    decodedRect_ = ImageRect{0, 0, width, rowsDone_};
  } else if (firstPass_) {
    progress_ = std::max(progress_, MulDiv(rowsDone_, 4000, height));
    decodedRect_ = ImageRect{0, 0, width, rowsDone_};
  } else {
    progress_ = std::min(kProgressComplete - 1, 5000 + MulDiv(rowsDone_, 5000, height));
    decodedRect_ = ImageRect{0, 0, width, height};
  }
  if (rowsDone_ < height) return SetError(kErrNone);
  if (buffered_ && firstPass_ && !jpeg_input_complete(&glue_->info)) {
    JpegGlue* glue = glue_.get();
    if (!Guarded(glue, [glue] { jpeg_finish_output(&glue->info); })) return SetError(kErrRow);
    absorbing_ = true;
    return SetError(kErrNone);
  }
  EndOfImage();
  return SetError(kErrNone);
}

bool JpegDecoder::FinishImage() {
  Release();
  return SetError(kErrNone);
}

}  // namespace lumetta
