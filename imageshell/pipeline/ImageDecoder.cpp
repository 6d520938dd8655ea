#include "pipeline/ImageDecoder.h"

#include <algorithm>

namespace lumetta {

ImageDecoder::ImageDecoder(const ImageSource& source) : graphics_(&DefaultGraphics()), source_(source) {}

ImageDecoder::~ImageDecoder() {
  output_.Free();
  source_.Close();
}

bool ImageDecoder::SetError(int code) {
  lastError_ = code;
  return code == kErrNone;
}

bool ImageDecoder::OpenSource() { return SetError(source_.Open()); }

bool ImageDecoder::ReadSource(void* buffer, uint32_t count, uint32_t* got) {
  return SetError(source_.Read(buffer, count, got));
}

bool ImageDecoder::SeekSource(int64_t offset, int origin, int64_t* newPosition) {
  return SetError(source_.Seek(offset, origin, newPosition));
}

bool ImageDecoder::CloseSource() { return SetError(source_.Close()); }

bool ImageDecoder::AcceptImageSize(int64_t width, int64_t height, int bitsPerPixel) {
  int bytesPerPixel = std::max(1, (bitsPerPixel + 7) / 8);
  return SetError(ImageSizeAcceptable(width, height, bytesPerPixel) ? kErrNone : kErrFormat);
}

// ---------------------------------------------------------------------------------------------------
// The default virtual operations

bool ImageDecoder::SelectPageHook(int index) { return SetError(index == 0 ? kErrNone : kErrInvalidState); }

bool ImageDecoder::ReservedOperation() { return SetError(kErrReserved); }

bool ImageDecoder::BeginImageHook() { return SetError(kErrNone); }

bool ImageDecoder::FinishImage() { return SetError(kErrNone); }

// ---------------------------------------------------------------------------------------------------
// Life cycle

bool ImageDecoder::Open(bool scanAllFrames) {
  scanAllFrames_ = scanAllFrames;
  headerRead_ = false;
  if (!OpenSource()) return false;
  header_ = ImageHeader{};
  if (!ReadHeader(header_)) {
    if (lastError_ == kErrNone) SetError(kErrFormat);
    return false;
  }
  headerRead_ = true;
  return SetError(kErrNone);
}

bool ImageDecoder::SelectPage(int index) {
  if (!headerRead_) return SetError(kErrInvalidState);
  if (!SelectPageHook(index)) return false;
  pageIndex_ = index;
  return true;
}

ImageInfo ImageDecoder::GetInfo() const {
  return ImageInfo{header_.kind, header_.bitsCode, header_.width,    header_.height,
                   header_.gray, output_.width(),  output_.height(), output_.depth()};
}

int ImageDecoder::GetProgress() const {
  if (output_.TwoPass() && !output_.InSecondPass()) return progress_ / 2;
  return progress_;
}

bool ImageDecoder::Close() {
  bool finished = FinishImage();
  bool closed = CloseSource();
  if (finished && closed) return true;
  if (lastError_ == kErrNone) lastError_ = kErrInvalidState;
  return false;
}

bool ImageDecoder::BeginImage(const DecodeRequest& request, int displayDepth) {
  imageBegun_ = false;
  if (failed_) return false;
  output_.Free();
  if (!headerRead_) return SetError(kErrInvalidState);
  decodedRect_ = ImageRect{};
  progress_ = 0;
  firstPassEnded_ = false;
  if (!SetError(output_.Begin(*graphics_, header_, request, displayDepth, extras_.get(), pageIndex_))) return false;
  if (!BeginImageHook()) return false;
  if (!SetError(output_.AllocateRowBuffers())) return false;
  imageBegun_ = true;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Rows, columns and the second pass

bool ImageDecoder::PutRow(const uint8_t* row, int y) {
  int result = output_.PutRow(row, y);
  return result != OutputPipeline::kRefused && SetError(result);
}

bool ImageDecoder::PutColumn(int x, const uint8_t* column) {
  int result = output_.PutColumn(x, column);
  return result != OutputPipeline::kRefused && SetError(result);
}

void ImageDecoder::EndOfImage() {
  firstPassEnded_ = true;
  progress_ = output_.EndFirstPass() ? 5000 : kProgressComplete;
}

bool ImageDecoder::DecodeRows(int rows, int* rectCount, ImageRect* updateRect) {
  if (rectCount) *rectCount = 0;
  if (failed_) return false;
  if (progress_ > kProgressComplete - 1) return SetError(kErrInvalidState);
  if (!imageBegun_) return SetError(kErrInvalidState);
  bool ok = output_.InSecondPass() ? MapRows(rows, rectCount, updateRect) : DecodeRowsHook(rows, rectCount, updateRect);
  // A tall image's progress rounds up to complete before its last row: only EndOfImage completes the
  // first pass, or the rows still to come would be refused.
  if (!output_.InSecondPass() && !firstPassEnded_ && progress_ > kProgressComplete - 1)
    progress_ = kProgressComplete - 1;
  // Misuse (a call out of order) leaves the decoder usable; a decoding failure does not.
  if (!ok && lastError_ != kErrNone && lastError_ != kErrInvalidState) failed_ = true;
  return ok;
}

bool ImageDecoder::MapRows(int rows, int* rectCount, ImageRect* updateRect) {
  int mapped = 0;
  if (int error = output_.MapRows(rows, &mapped)) {
    decodedRect_ = ImageRect{};
    return SetError(error);
  }
  int height = output_.height();
  // Complete only once every row is mapped (the share of a tall image rounds up to 5000 sooner).
  progress_ =
      mapped >= height ? kProgressComplete : std::min(5000 + MulDiv(mapped, 5000, height), kProgressComplete - 1);
  decodedRect_ = ImageRect{0, 0, output_.width(), mapped};
  if (progress_ >= kProgressComplete && rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, 0, output_.width(), height};
  }
  return SetError(kErrNone);
}

}  // namespace lumetta
