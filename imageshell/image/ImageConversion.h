#pragma once

// Conversion of an image file into a BMP or JPEG copy: the output name beside the source, and the
// decode-and-write itself. The shell's conversion command and the image tool share these.
#include <cstddef>

namespace lumetta {

class PlatformGraphics;

enum class OutputFormat { Jpeg = 0, Bmp = 2 };

// "jpg" or "bmp".
const char* OutputExtension(OutputFormat format);

// The source's name with the format's extension, made unique in its folder (photo.bmp, photo_2.bmp,
// ...). `out` holds kPathBufferSize characters.
void ConversionOutputName(const char* source, OutputFormat format, char* out);

enum class ConversionResult { Converted, SourceUnreadable, WriteFailed };

// Decodes `source` completely at full size and full colour and writes it to `output` in `format`. On
// failure nothing is left at `output` (an existing file there stays as it was); `decodeError` receives
// the image's error code when the source cannot be read. Bitmaps are made with `graphics`.
ConversionResult ConvertImageFile(const char* source, const char* output, OutputFormat format,
                                  PlatformGraphics& graphics, int* decodeError = nullptr);

}  // namespace lumetta
