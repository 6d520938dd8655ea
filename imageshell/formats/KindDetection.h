#pragma once

// Kind detection by signature: twelve testers in a fixed order over the first bytes of an image; the
// first that accepts decides. Each tester is its format's sniffer and lives in that format's file.
// Some testers let the format's decoder decide (it reads the header from the source); while a format
// has no decoder yet they decide from the signature and the header bytes.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "pipeline/ByteReader.h"
#include "pipeline/ImageModel.h"

namespace lumetta {

struct DetectedImage {
  ImageKind kind = ImageKind::Unknown;
  int width = 0;
  int height = 0;
  int bits = 0;
};

// Page records keep 16-bit sizes: a size beyond them (either sign) is kept as unknown.
DetectedImage MakeDetected(ImageKind kind, int64_t width, int64_t height, int bits);

// What a tester learns from opening a decoder of a kind.
enum class DecoderProbe { Opened, Failed, NoDecoder };

// Opens a decoder of `kind` on the image's source (or, with onBuffer, on the detection bytes) and
// reports its header values.
using DecoderOpener = std::function<DecoderProbe(ImageKind kind, bool onBuffer, DetectedImage* values)>;

// What testers may use besides the bytes.
struct DetectionContext {
  const DecoderOpener& openDecoder;
  int screenDpiX;
  int screenDpiY;
};

// A format's sniffer: true when the bytes are that format, with its header values.
using Sniffer = bool (*)(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);

// Runs the testers; false when none accepts.
bool DetectImageKind(const uint8_t* data, size_t length, const DecoderOpener& openDecoder, int screenDpiX,
                     int screenDpiY, DetectedImage* detected);

}  // namespace lumetta
