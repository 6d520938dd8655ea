#include "formats/DecoderTable.h"

#include "formats/BmpDecoder.h"
#include "formats/GifDecoder.h"
#include "formats/IffDecoder.h"
#include "formats/JpegDecoder.h"
#include "formats/PcdDecoder.h"
#include "formats/PcxDecoder.h"
#include "formats/PicDecoder.h"
#include "formats/PngDecoder.h"
#include "formats/PsdDecoder.h"
#include "formats/TgaDecoder.h"
#include "formats/TiffDecoder.h"
#include "formats/WmfDecoder.h"

namespace lumetta {

namespace {

struct DecoderEntry {
  ImageKind kind;
  std::unique_ptr<ImageDecoder> (*make)(const ImageSource& source);
  bool pathOnly;  // decoders that need a file of their own (the metafile player)
};

// One entry per format with a decoder. The metafile player exists on Windows only, and only for files:
// GDI is handed the metafile read whole from its own file.
// clang-format off
const DecoderEntry kDecoders[] = {
    {ImageKind::Jpeg, &MakeDecoder<JpegDecoder>, false},
    {ImageKind::Bmp, &MakeDecoder<BmpDecoder>, false},
    {ImageKind::Tiff, &MakeDecoder<TiffDecoder>, false},
    {ImageKind::Png, &MakeDecoder<PngDecoder>, false},
    {ImageKind::Gif, &MakeDecoder<GifDecoder>, false},
    {ImageKind::Tga, &MakeDecoder<TgaDecoder>, false},
    {ImageKind::Pcx, &MakeDecoder<PcxDecoder>, false},
    {ImageKind::Pcd, &MakeDecoder<PcdDecoder>, false},
    {ImageKind::Iff, &MakeDecoder<IffDecoder>, false},
    {ImageKind::Psd, &MakeDecoder<PsdDecoder>, false},
    {ImageKind::Pic, &MakeDecoder<PicDecoder>, false},
#ifdef _WIN32
    {ImageKind::Wmf, &MakeDecoder<WmfDecoder>, true},
#endif
};
// clang-format on

}  // namespace

std::unique_ptr<ImageDecoder> NewDecoder(ImageKind kind, const ImageSource& source, int* error) {
  *error = kErrNoDecoder;
  for (const DecoderEntry& entry : kDecoders) {
    if (entry.kind != kind) continue;
    if (entry.pathOnly && source.kind != ImageSource::Kind::Path) return nullptr;
    *error = kErrNone;
    return entry.make(source);
  }
  return nullptr;
}

}  // namespace lumetta
