// The placeable metafile decoder: the metafile is read whole, converted into an enhanced metafile on
// the screen's DC (kept in the extras, where the viewer replays it at whatever zoom it shows) and played
// once into the output bitmaps on the window background. Two-pass colour reduction sees the rendered
// picture row by row, as it would a decoded one.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "pipeline/GdiGraphics.h"
#include "pipeline/GdiGuards_win.h"
#include "formats/WmfDecoder.h"

namespace lumetta {

// The headers, the metafile bits and the enhanced metafile, for as long as the image lives.
class WmfExtras : public ImageExtras {
public:
  ~WmfExtras() override {
    if (enhanced) DeleteEnhMetaFile(enhanced);
    if (memory) {
      while (GlobalFlags(memory) & GMEM_LOCKCOUNT) GlobalUnlock(memory);
      GlobalFree(memory);
    }
  }
  void* EnhancedMetafile() const override { return enhanced; }

  PlaceableHeader placeable;
  MetafileHeader metafile;
  HGLOBAL memory = nullptr;
  HENHMETAFILE enhanced = nullptr;
};

bool WmfDecoder::ReadHeader(ImageHeader& header) {
  uint8_t bytes[kPlaceableHeaderBytes + kMetafileHeaderBytes] = {};
  uint32_t got = 0;
  PlaceableHeader placeable;
  if (!ReadSource(bytes, kPlaceableHeaderBytes, &got) || got < kPlaceableHeaderBytes ||
      !ParsePlaceableHeader(ByteReader(bytes, got), &placeable))
    return SetError(kErrFormat);
  MetafileHeader metafile;
  if (!ReadSource(bytes + kPlaceableHeaderBytes, kMetafileHeaderBytes, &got) || got < kMetafileHeaderBytes)
    return SetError(kErrPixelData);
  if (!ParseMetafileHeader(ByteReader(bytes + kPlaceableHeaderBytes, got), &metafile)) return SetError(kErrFormat);
  // The bits GDI is handed are read in one piece after the placeable header. The file may end up to
  // that header's length short of the size (the missing end reads as zeros); a size the file cannot
  // hold even so is refused here, before anything is allocated for it.
  int64_t length = SourceLength();
  int64_t metafileBytes = int64_t(metafile.sizeInWords) * 2;
  if (metafileBytes > kMaxDecodeBytes) return SetError(kErrFormat);
  if (length > 0 && metafileBytes > length) return SetError(kErrRow);

  int dpiX = 96, dpiY = 96;
  graphics().ScreenDotsPerInch(&dpiX, &dpiY);
  int width = 0, height = 0;
  MetafilePixelSize(placeable, dpiX, dpiY, &width, &height);
  if (!AcceptImageSize(width, height, 24)) return false;

  header = ImageHeader{};
  header.kind = ImageKind::Wmf;
  header.width = width;
  header.height = height;
  header.bitsCode = 24;
  header.gray = false;
  header.rowDepth = 24;

  auto extras = std::unique_ptr<WmfExtras>(new (std::nothrow) WmfExtras);
  if (!extras) return SetError(kErrFormat);
  extras->placeable = placeable;
  extras->metafile = metafile;
  wmf_ = extras.get();
  extras_ = std::move(extras);
  bytes_ = uint32_t(metafileBytes);
  return SeekSource(kPlaceableHeaderBytes, 0, nullptr);
}

bool WmfDecoder::BeginImageHook() {
  // The handles of the outputs must be GDI's to play into them (a test may decode with the memory
  // graphics on Windows too).
  if (!dynamic_cast<GdiGraphics*>(&graphics())) return SetError(kErrNoDecoder);
  if (!wmf_) return SetError(kErrInvalidState);
  FinishImage();
  if (wmf_->memory) {  // a second BeginImage renders again from a fresh read
    GlobalFree(wmf_->memory);
    wmf_->memory = nullptr;
  }
  memory_ = nullptr;
  if (!ReserveBytes(bytes_)) return false;
  // Zeroed: the slack a short file leaves at the end must not hand GDI whatever the heap held.
  wmf_->memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes_);
  if (!wmf_->memory) return SetError(kErrFormat);
  bits_ = static_cast<uint8_t*>(GlobalLock(wmf_->memory));
  if (!bits_) return SetError(kErrFormat);
  memory_ = wmf_->memory;
  return SeekSource(kPlaceableHeaderBytes, 0, nullptr);
}

bool WmfDecoder::DecodeRowsHook(int /*rows*/, int* rectCount, ImageRect* updateRect) {
  if (rectCount) *rectCount = 1;
  if (updateRect) *updateRect = ImageRect{};
  if (!bits_) return SetError(kErrInvalidState);
  uint32_t got = 0;
  ReadSource(bits_, bytes_, &got);
  if (int64_t(got) < int64_t(bytes_) - kPlaceableHeaderBytes) return SetError(kErrRow);

  if (wmf_->enhanced) {
    DeleteEnhMetaFile(wmf_->enhanced);
    wmf_->enhanced = nullptr;
  }
  {
    gdi::ScreenDc screen;
    wmf_->enhanced = SetWinMetaFileBits(bytes_, bits_, screen.get(), nullptr);
  }
  if (!wmf_->enhanced || !Render(wmf_->enhanced)) return SetError(kErrRow);

  const ImageRect whole{0, 0, outputWidth(), outputHeight()};
  if (updateRect) *updateRect = whole;
  if (output().TwoPass() && !HandRowsToQuantizer()) return false;
  decodedRect_ = whole;
  EndOfImage();
  return SetError(kErrNone);
}

// Plays the picture into each output bitmap over the window background. With two-pass colour
// reduction the display bitmap is skipped: the second pass writes every one of its pixels anyway.
bool WmfDecoder::Render(void* metafile) {
  BitmapHandle targets[2] = {output().TwoPass() ? nullptr : GetBitmap(), GetFullColorBitmap()};
  RECT area{0, 0, outputWidth(), outputHeight()};
  bool played = true;
  for (BitmapHandle target : targets) {
    if (!target) continue;
    gdi::BitmapDc dc(reinterpret_cast<HBITMAP>(target));
    if (!dc.get()) return false;
    HPALETTE palette = reinterpret_cast<HPALETTE>(GetPalette());
    HPALETTE oldPalette = palette ? SelectPalette(dc.get(), palette, FALSE) : nullptr;
    if (palette) RealizePalette(dc.get());
    FillRect(dc.get(), &area, GetSysColorBrush(COLOR_WINDOW));
    SelectClipRgn(dc.get(), nullptr);
    played = PlayEnhMetaFile(dc.get(), static_cast<HENHMETAFILE>(metafile), &area) && played;
    if (oldPalette) SelectPalette(dc.get(), oldPalette, FALSE);
  }
  GdiFlush();
  return played;
}

// Every row of the rendered full-colour picture goes through the pipeline once, so that the median-cut
// histogram is built from the whole picture.
bool WmfDecoder::HandRowsToQuantizer() {
  BitmapPixels pixels;
  if (!graphics().ReadPixels(GetFullColorBitmap(), &pixels) || pixels.bitCount != 24 ||
      pixels.height != outputHeight() || pixels.width != outputWidth())
    return SetError(kErrRow);
  // A copy of each row: the pipeline writes it back into the very bitmap it was read from.
  std::vector<uint8_t> row(size_t(pixels.stride));
  for (int y = 0; y < pixels.height; ++y) {
    std::memcpy(row.data(), pixels.rows.data() + size_t(pixels.stride) * size_t(y), row.size());
    if (!PutRow(row.data(), y)) return GetLastError() != kErrNone ? false : SetError(kErrRow);
  }
  return true;
}

// The extras keep the block (ImageFile may already hold them): only our lock is undone.
bool WmfDecoder::FinishImage() {
  if (bits_ && memory_) GlobalUnlock(static_cast<HGLOBAL>(memory_));
  bits_ = nullptr;
  memory_ = nullptr;
  return SetError(kErrNone);
}

}  // namespace lumetta
