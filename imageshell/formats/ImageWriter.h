#pragma once

// Writers that put a decoded image on disk: BMP for the wallpaper and conversion, JPEG for conversion.
// Both take their pixels from a bitmap of the platform seam (an ImageFile's display or full-colour
// bitmap) and share ImageWriter, which owns the output file, reads the source's geometry and colour
// table and drives three steps: header, rows, finish.
//
// The output goes to a companion file that replaces the target only when Finish succeeds; a writer
// destroyed before that (a failed step, a cancelled operation) leaves the target as it was.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/ImageModel.h"
#include "pipeline/OutputFile.h"
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

// Every failing step answers this (E_FAIL); success is 0.
constexpr int32_t kWriterFailed = int32_t(0x80004005u);

class ImageWriter {
public:
  virtual ~ImageWriter();
  ImageWriter(const ImageWriter&) = delete;
  ImageWriter& operator=(const ImageWriter&) = delete;

  // Keeps a copy of the output path. Returns 0.
  int32_t SetOutputPath(const char* path);
  // Reads the source bitmap's geometry, pixels and (for up to 8 bits) colour table. Fails for a bitmap
  // that cannot be read or an indexed one without a colour table.
  int32_t SetSource(BitmapHandle bitmap, PlatformGraphics& graphics = DefaultGraphics());
  // Creates the output and writes the header.
  int32_t Begin();
  // Writes up to `count` further rows.
  virtual int32_t WriteRows(int count) = 0;
  // Completes the file and puts it under its name. Fails, leaving no file, when rows are missing.
  int32_t Finish();

  int GetProgress() const { return progress_; }
  int RowsWritten() const { return rowsWritten_; }
  int Width() const { return source_.width; }
  int Height() const { return source_.height; }

protected:
  ImageWriter() = default;
  virtual int32_t WriteHeader() = 0;
  // The format's last bytes, before the file is closed.
  virtual int32_t FinishImage() = 0;

  int32_t WriteBytes(const void* data, size_t length);
  // Source row `y` counted from the top of the picture, whatever the source's storage order.
  const uint8_t* SourceRowFromTop(int y) const { return source_.rows.data() + size_t(source_.stride) * size_t(y); }
  int BitsPerPixel() const { return source_.bitCount; }
  int64_t SourceStride() const { return source_.stride; }
  const std::vector<RgbColor>& ColorTable() const { return source_.colorTable; }
  // Counts a written row and updates the progress (0..10000).
  void RowDone();
  bool AllRowsWritten() const { return rowsWritten_ >= source_.height; }

private:
  std::string path_;
  OutputFile file_;
  BitmapPixels source_;  // read back top-down: both storage orders give the same file
  bool haveSource_ = false;
  int rowsWritten_ = 0;
  int progress_ = 0;
};

// Uncompressed bottom-up BMP with a 40-byte info header, the source's depth and its colour table.
class BmpWriter : public ImageWriter {
public:
  int32_t WriteRows(int count) override;

protected:
  int32_t WriteHeader() override;
  int32_t FinishImage() override { return 0; }

private:
  int64_t rowSize_ = 0;
};

// Baseline JPEG at quality 65 from 8-bit (through the colour table) or 24-bit sources.
class JpegWriter : public ImageWriter {
public:
  JpegWriter();
  ~JpegWriter() override;
  int32_t WriteRows(int count) override;

  struct Compressor;  // the library's state, kept out of this header

protected:
  int32_t WriteHeader() override;
  int32_t FinishImage() override;

private:
  int quality_ = 65;
  std::unique_ptr<Compressor> compressor_;
  std::vector<uint8_t> conversionRow_;  // width × 3 bytes for 8-bit sources
};

}  // namespace lumetta
