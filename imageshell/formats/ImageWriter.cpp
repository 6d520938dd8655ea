#include "formats/ImageWriter.h"

#include <climits>

namespace lumetta {

ImageWriter::~ImageWriter() = default;  // an unfinished file is abandoned by OutputFile

int32_t ImageWriter::SetOutputPath(const char* path) {
  path_ = path ? path : "";
  return 0;
}

int32_t ImageWriter::SetSource(BitmapHandle bitmap, PlatformGraphics& graphics) {
  haveSource_ = false;
  source_ = BitmapPixels{};
  if (!bitmap || !graphics.ReadPixels(bitmap, &source_)) return kWriterFailed;
  const int bits = source_.bitCount;
  if (source_.width <= 0 || source_.height <= 0 || source_.stride < BitmapStride(source_.width, bits))
    return kWriterFailed;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kWriterFailed;
  if (source_.rows.size() < size_t(source_.stride) * size_t(source_.height)) return kWriterFailed;
  if (bits <= 8) {
    // The colour table holds the section's colours-used entries (2^bits when that is 0); an indexed
    // picture without one cannot be written.
    if (source_.colorTable.empty()) return kWriterFailed;
    if (source_.colorTable.size() > (size_t(1) << bits)) source_.colorTable.resize(size_t(1) << bits);
  } else {
    source_.colorTable.clear();
  }
  rowsWritten_ = 0;
  progress_ = 0;
  haveSource_ = true;
  return 0;
}

int32_t ImageWriter::Begin() {
  if (path_.empty() || !haveSource_) return kWriterFailed;
  rowsWritten_ = 0;
  progress_ = 0;
  if (!file_.Create(path_.c_str())) return kWriterFailed;
  int32_t result = WriteHeader();
  if (result != 0) file_.Abandon();
  return result;
}

int32_t ImageWriter::Finish() {
  if (!file_.IsOpen()) return kWriterFailed;
  int32_t result = AllRowsWritten() ? FinishImage() : kWriterFailed;
  if (result != 0 || !file_.Commit()) {
    file_.Abandon();
    return kWriterFailed;
  }
  return 0;
}

int32_t ImageWriter::WriteBytes(const void* data, size_t length) {
  return file_.Write(data, length) ? 0 : kWriterFailed;
}

void ImageWriter::RowDone() {
  ++rowsWritten_;
  progress_ = int(int64_t(rowsWritten_) * 10000 / source_.height);
}

}  // namespace lumetta
