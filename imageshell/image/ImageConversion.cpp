#include "image/ImageConversion.h"

#include <new>

#include "image/ImageFile.h"
#include "formats/ImageWriter.h"
#include "pipeline/PathHelpers.h"

namespace lumetta {

const char* OutputExtension(OutputFormat format) { return format == OutputFormat::Jpeg ? "jpg" : "bmp"; }

void ConversionOutputName(const char* source, OutputFormat format, char* out) {
  char renamed[kPathBufferSize];
  ReplaceExtension(source, OutputExtension(format), renamed);
  MakeUniqueFileName(renamed, out);
}

namespace {

ConversionResult ConvertDecoded(const char* source, const char* output, OutputFormat format, PlatformGraphics& graphics,
                                int* decodeError, bool* decoded) {
  ImageFile image(source);
  image.SetGraphics(graphics);
  DecodeRequest request;
  request.ditherMode = 4;
  request.bottomUp = 1;
  request.makeBitmap = 0;
  request.makeFullColorBitmap = 1;
  if (!image.Decode(request) || !image.GetFullColorBitmap()) {
    if (decodeError) *decodeError = image.GetLastError();
    return ConversionResult::SourceUnreadable;
  }
  *decoded = true;
  std::unique_ptr<ImageWriter> writer;
  if (format == OutputFormat::Jpeg)
    writer = std::make_unique<JpegWriter>();
  else
    writer = std::make_unique<BmpWriter>();
  bool written = writer->SetSource(image.GetFullColorBitmap(), graphics) == 0 && writer->SetOutputPath(output) == 0 &&
                 writer->Begin() == 0 && writer->WriteRows(writer->Height()) == 0 && writer->Finish() == 0;
  return written ? ConversionResult::Converted : ConversionResult::WriteFailed;
}

}  // namespace

ConversionResult ConvertImageFile(const char* source, const char* output, OutputFormat format,
                                  PlatformGraphics& graphics, int* decodeError) {
  // Memory running out anywhere on the way is a failure like any other: the caller reports it and puts
  // its cursor back rather than losing the command to an exception.
  bool decoded = false;
  try {
    return ConvertDecoded(source, output, format, graphics, decodeError, &decoded);
  } catch (const std::bad_alloc&) {
    if (!decoded && decodeError) *decodeError = kErrDisplayBitmap;
    return decoded ? ConversionResult::WriteFailed : ConversionResult::SourceUnreadable;
  }
}

}  // namespace lumetta
