// The JPEG writer, through libjpeg: baseline tables at quality 65, 4:2:0 as the library's defaults
// choose, pixels handed over in the DIB's blue-green-red order (JCS_EXT_BGR), so 24-bit rows go to
// the compressor as they are stored and 8-bit rows are expanded through the colour table first.
//
// The library reports fatal errors through error_exit, which here jumps back into the step that called
// it. Every setjmp sits in a function of its own that owns nothing with a destructor, so a jump never
// skips one; the step then answers kWriterFailed.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "formats/ImageWriter.h"

namespace lumetta {

namespace {
constexpr size_t kBlockSize = 4096;
}

struct JpegWriter::Compressor {
  struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
  };
  struct Destination {
    jpeg_destination_mgr base;
    JpegWriter* writer;
  };

  jpeg_compress_struct info;
  ErrorManager error;
  Destination destination;
  JOCTET block[kBlockSize];
  bool created = false;

  static void ErrorExit(j_common_ptr common) {
    auto* manager = reinterpret_cast<ErrorManager*>(common->err);
    std::longjmp(manager->jump, 1);
  }
  static void OutputMessage(j_common_ptr) {}  // a module has no console to warn on

  static void InitDestination(j_compress_ptr info) {
    auto* self = reinterpret_cast<Compressor*>(reinterpret_cast<Destination*>(info->dest)->writer->compressor_.get());
    info->dest->next_output_byte = self->block;
    info->dest->free_in_buffer = kBlockSize;
  }
  static boolean EmptyOutputBuffer(j_compress_ptr info) {
    JpegWriter* writer = reinterpret_cast<Destination*>(info->dest)->writer;
    Compressor* self = writer->compressor_.get();
    // The library wants the whole block written, whatever free_in_buffer says.
    if (writer->WriteBytes(self->block, kBlockSize) != 0) ERREXIT(info, JERR_FILE_WRITE);
    info->dest->next_output_byte = self->block;
    info->dest->free_in_buffer = kBlockSize;
    return TRUE;
  }
  static void TermDestination(j_compress_ptr info) {
    JpegWriter* writer = reinterpret_cast<Destination*>(info->dest)->writer;
    Compressor* self = writer->compressor_.get();
    size_t used = kBlockSize - info->dest->free_in_buffer;
    if (used > 0 && writer->WriteBytes(self->block, used) != 0) ERREXIT(info, JERR_FILE_WRITE);
  }

  void Release() {
    if (created) jpeg_destroy_compress(&info);
    created = false;
  }
};

namespace {

using Compressor = JpegWriter::Compressor;

bool StartCompressor(Compressor* c, JpegWriter* writer, int width, int height, int quality) {
  if (setjmp(c->error.jump)) return false;
  c->info.err = jpeg_std_error(&c->error.base);
  c->error.base.error_exit = &Compressor::ErrorExit;
  c->error.base.output_message = &Compressor::OutputMessage;
  jpeg_create_compress(&c->info);
  c->created = true;
  c->destination.writer = writer;
  c->destination.base.init_destination = &Compressor::InitDestination;
  c->destination.base.empty_output_buffer = &Compressor::EmptyOutputBuffer;
  c->destination.base.term_destination = &Compressor::TermDestination;
  c->info.dest = &c->destination.base;
  c->info.image_width = JDIMENSION(width);
  c->info.image_height = JDIMENSION(height);
  c->info.input_components = 3;
  c->info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c->info);
  jpeg_set_quality(&c->info, quality, TRUE);
  jpeg_start_compress(&c->info, TRUE);
  return true;
}

bool WriteScanline(Compressor* c, const uint8_t* row) {
  if (setjmp(c->error.jump)) return false;
  JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
  return jpeg_write_scanlines(&c->info, rows, 1) == 1;
}

bool FinishCompressor(Compressor* c) {
  if (setjmp(c->error.jump)) return false;
  jpeg_finish_compress(&c->info);
  return true;
}

}  // namespace

JpegWriter::JpegWriter() = default;

JpegWriter::~JpegWriter() {
  if (compressor_) compressor_->Release();
}

int32_t JpegWriter::WriteHeader() {
  const int bits = BitsPerPixel();
  if (bits != 8 && bits != 24) return kWriterFailed;
  if (compressor_) compressor_->Release();
  compressor_ = std::make_unique<Compressor>();
  std::memset(&compressor_->info, 0, sizeof compressor_->info);
  if (bits == 8) conversionRow_.assign(size_t(Width()) * 3, 0);
  if (!StartCompressor(compressor_.get(), this, Width(), Height(), quality_)) {
    compressor_->Release();
    return kWriterFailed;
  }
  return 0;
}

int32_t JpegWriter::WriteRows(int count) {
  if (!compressor_ || !compressor_->created) return kWriterFailed;
  for (int i = 0; i < count && !AllRowsWritten(); ++i) {
    const uint8_t* row = SourceRowFromTop(RowsWritten());
    if (BitsPerPixel() == 8) {
      const std::vector<RgbColor>& table = ColorTable();
      uint8_t* out = conversionRow_.data();
      for (int x = 0; x < Width(); ++x, out += 3) {
        // An index past a short colour table reads as black rather than past the table.
        RgbColor c = row[x] < table.size() ? table[row[x]] : RgbColor{};
        out[0] = c.blue;
        out[1] = c.green;
        out[2] = c.red;
      }
      row = conversionRow_.data();
    }
    if (!WriteScanline(compressor_.get(), row)) {
      compressor_->Release();
      return kWriterFailed;
    }
    RowDone();
  }
  return 0;
}

int32_t JpegWriter::FinishImage() {
  if (!compressor_ || !compressor_->created) return kWriterFailed;
  bool finished = FinishCompressor(compressor_.get());
  compressor_->Release();
  return finished ? 0 : kWriterFailed;
}

}  // namespace lumetta
