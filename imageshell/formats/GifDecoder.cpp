// GIF (kind 1): the sniffer, the header and frame records, the canvas and the LZW decoder.
//
// Frames are read strictly in order. Each frame is drawn on a canvas of palette indices the size of
// the image: the composed rows hold what the current frame shows, the base holds what the next frame
// is drawn on, and the previous frame's disposal method (leave, restore to background, restore to
// previous) decides how the base follows the composed rows. Output rows are always taken from the
// canvas, so an interlaced frame or a frame smaller than the image shows the earlier frames around it.
//
// The LZW decoder is the variable-width one of the format: codes least-significant bit first, a clear
// code and an end code above the literal indices, the table growing to 4096 entries and the code width
// to 12 bits. A string is unwound onto a stack and handed out from it, so a row may end in the middle
// of a string and the next row goes on with it. Data that ends early leaves the remaining pixels 0.
#include "formats/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"
#include "formats/Sniffers.h"

namespace lumetta {

namespace {

constexpr size_t kReadChunk = 65536;
constexpr int kMaxCodeWidth = 12;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Sniffer and extras

bool SniffGif(const ByteReader& b, const DetectionContext& context, DetectedImage* out) {
  const DecoderOpener& open = context.openDecoder;
  if (b.size() <= 12 || !(b.Equals(0, "GIF87a") || b.Equals(0, "GIF89a"))) return false;
  *out = MakeDetected(ImageKind::Gif, b.Le16(6), b.Le16(8), (b.U8(10) & 7) + 1);
  DetectedImage values;
  if (open(ImageKind::Gif, true, &values) == DecoderProbe::Opened)
    *out = MakeDetected(ImageKind::Gif, values.width, values.height, values.bits);
  return true;
}

int GifExtras::FrameDelay(int frame) const {
  if (frame < 0 || size_t(frame) >= controls.size() || !controls[size_t(frame)].present) return kDefaultDelay;
  return controls[size_t(frame)].delay;
}

bool GifExtras::FrameUsesSharedPalette(int frame) const {
  if (frame < 0 || size_t(frame) >= descriptors.size() || !sharedPalette) return false;
  const GifImageDescriptor& d = descriptors[size_t(frame)];
  return !d.LocalTable() && !d.composedInColor;
}

bool GifExtras::FrameHasTransparentColor(int frame) const {
  return frame >= 0 && size_t(frame) < controls.size() && controls[size_t(frame)].Transparent();
}

// ---------------------------------------------------------------------------------------------------
// Buffered input

int GifDecoder::NextByte() {
  if (inPos_ >= inFill_) {
    if (inEnded_ || inFailed_) return -1;
    uint32_t got = 0;
    ReadSource(in_.data(), uint32_t(in_.size()), &got);
    int error = GetLastError();
    if (error != kErrNone && error != kErrEndOfData) {
      inFailed_ = true;
      return -1;
    }
    SetError(kErrNone);
    if (got < in_.size()) inEnded_ = true;
    inPos_ = 0;
    inFill_ = got;
    if (got == 0) return -1;
  }
  return in_[inPos_++];
}

bool GifDecoder::ReadBytes(uint8_t* out, size_t count) {
  while (count > 0) {
    if (inPos_ >= inFill_) {
      int b = NextByte();
      if (b < 0) return false;
      *out++ = uint8_t(b);
      --count;
      continue;
    }
    size_t n = std::min(count, inFill_ - inPos_);
    std::memcpy(out, in_.data() + inPos_, n);
    inPos_ += n;
    out += n;
    count -= n;
  }
  return true;
}

bool GifDecoder::SkipBytes(size_t count) {
  while (count > 0) {
    if (inPos_ >= inFill_) {
      if (NextByte() < 0) return false;
      --count;
      continue;
    }
    size_t n = std::min(count, inFill_ - inPos_);
    inPos_ += n;
    count -= n;
  }
  return true;
}

// Sub-blocks, each led by its length, up to and including the empty one.
bool GifDecoder::SkipSubBlocks() {
  for (;;) {
    int length = NextByte();
    if (length <= 0) return length == 0;
    if (!SkipBytes(size_t(length))) return false;
  }
}

int GifDecoder::NextDataByte() {
  if (dataEnded_) return -1;
  if (subBlockLeft_ == 0) {
    int length = NextByte();
    if (length <= 0) {
      dataEnded_ = true;
      terminatorRead_ = length == 0;
      return -1;
    }
    subBlockLeft_ = length;
  }
  int b = NextByte();
  if (b < 0) {
    dataEnded_ = true;
    return -1;
  }
  --subBlockLeft_;
  return b;
}

// Leaves the input after the current frame's data, whether or not the frame was decoded.
void GifDecoder::SkipRestOfFrameData() {
  if (data_ == FrameData::Unread) {
    if (NextByte() >= 0) SkipSubBlocks();  // the minimum code size, then the data
  } else if (data_ == FrameData::Reading && !dataEnded_) {
    if (SkipBytes(size_t(subBlockLeft_))) SkipSubBlocks();
  }
  subBlockLeft_ = 0;
  dataEnded_ = true;
  data_ = FrameData::Consumed;
}

// ---------------------------------------------------------------------------------------------------
// Header and frame records

bool GifDecoder::ReadHeader(ImageHeader& header) {
  header_ = &header;
  GifExtras* extras = new (std::nothrow) GifExtras;
  extras_.reset(extras);
  // The read buffer lives across frames: every frame's decode counts it.
  if (!extras || !AllocateOrFail([&] { in_.assign(kReadChunk, 0); })) return SetError(kErrFormat);
  inPos_ = inFill_ = 0;
  inEnded_ = inFailed_ = false;
  frame_ = -1;
  pending_ = GifFrameControl{};
  data_ = FrameData::Consumed;
  composed_.clear();
  base_.clear();
  canvasPlanned_ = colorPlanned_ = canvasInColor_ = false;

  uint8_t start[13];
  if (!ReadBytes(start, sizeof start)) return SetError(kErrFormat);
  ByteReader b(start, sizeof start);
  if (!(b.Equals(0, "GIF87a") || b.Equals(0, "GIF89a"))) return SetError(kErrFormat);
  GifScreen& screen = extras->screen;
  screen = GifScreen{uint16_t(b.Le16(6)), uint16_t(b.Le16(8)), start[10], start[11], start[12]};
  extras->controls.reserve(32);
  extras->descriptors.reserve(32);

  background_ = screen.background;
  globalCount_ = 0;
  globalBits_ = (screen.flags & 7) + 1;
  if (screen.flags & 0x80) {
    globalCount_ = 2 << (screen.flags & 7);
    uint8_t table[256 * 3];
    if (!ReadBytes(table, size_t(globalCount_) * 3)) return SetError(kErrFormat);
    for (int i = 0; i < globalCount_; ++i) globalTable_[i] = RgbColor{table[3 * i], table[3 * i + 1], table[3 * i + 2]};
    PaletteHandle palette = graphics().CreatePalette(globalTable_, globalCount_);
    if (palette) extras->sharedPalette = OwnedPalette(graphics(), palette);
  }

  header.kind = ImageKind::Gif;
  header.gray = false;
  header.rowDepth = 8;  // 1-bit files too: a frame's own table may have more colours than the global one
  if (ReadToNextDescriptor() != kErrNone) return SetError(kErrFormat);
  // A first frame larger than the screen makes the image larger; later frames are clipped to it.
  header.width = std::max<int>(screen.width, desc_.width);
  header.height = std::max<int>(screen.height, desc_.height);
  header.sourceRowLength = header.width;
  if (!AcceptImageSize(header.width, header.height, 1)) return false;
  if (!PlanFrame()) return SetError(kErrFormat);
  return SetError(kErrNone);
}

// Extensions up to the next image descriptor, then the descriptor. kErrInvalidState when the file has
// no further frame (its trailer, or its end), kErrFormat when something else stands in the way.
int GifDecoder::ReadToNextDescriptor() {
  for (;;) {
    int b = NextByte();
    if (b == 0x2C) return ReadDescriptor();
    if (b < 0 || b == 0x3B) return kErrInvalidState;
    if (b != 0x21) return kErrFormat;
    int label = NextByte();
    if (label < 0) return kErrInvalidState;
    if (label == 0xF9) {
      int length = NextByte();
      uint8_t block[255];
      if (length < 0 || !ReadBytes(block, size_t(length))) return kErrInvalidState;
      if (length >= 4) pending_ = GifFrameControl{true, block[0], uint16_t(block[1] | block[2] << 8), block[3]};
      if (length > 0 && !SkipSubBlocks()) return kErrInvalidState;
    } else if (!SkipSubBlocks()) {
      return kErrInvalidState;
    }
  }
}

int GifDecoder::ReadDescriptor() {
  uint8_t d[9];
  if (!ReadBytes(d, sizeof d)) return kErrFormat;
  if (!composed_.empty()) ApplyDisposal();
  ByteReader b(d, sizeof d);
  desc_ = GifImageDescriptor{uint16_t(b.Le16(0)), uint16_t(b.Le16(2)), uint16_t(b.Le16(4)), uint16_t(b.Le16(6)), d[8]};
  control_ = pending_;
  pending_ = GifFrameControl{};
  ++frame_;
  data_ = FrameData::Unread;

  if (desc_.LocalTable()) {
    if (!ReadColorTable(desc_.flags)) return kErrFormat;
  } else {
    ImageHeader& h = *header_;
    std::fill(std::begin(h.palette), std::end(h.palette), RgbColor{});
    if (globalCount_ > 0) {
      std::copy(globalTable_, globalTable_ + globalCount_, h.palette);
      h.colorCount = globalCount_;
    } else {
      // Neither table: a gray ramp rather than an image of black.
      for (int i = 0; i < 256; ++i) h.palette[i] = RgbColor{uint8_t(i), uint8_t(i), uint8_t(i)};
      h.colorCount = 256;
    }
    h.bitsCode = globalBits_;
  }
  return kErrNone;
}

// Decides how the frame just read will be drawn, and records it. Indices on the canvas mean the
// colours of the table the canvas was made with; a frame with other colours turns the canvas into
// full colour for the rest of the animation, so that earlier frames keep their colours around it.
bool GifDecoder::PlanFrame() {
  ImageHeader& h = *header_;
  if (!canvasPlanned_ && NeedsCanvas()) {
    canvasPlanned_ = true;
    const RgbColor* table = globalCount_ > 0 ? globalTable_ : h.palette;
    canvasTableCount_ = globalCount_ > 0 ? globalCount_ : h.colorCount;
    std::fill(std::begin(canvasTable_), std::end(canvasTable_), RgbColor{});
    std::copy(table, table + canvasTableCount_, canvasTable_);
  }
  if (canvasPlanned_ && !colorPlanned_ &&
      (h.colorCount != canvasTableCount_ || !std::equal(h.palette, h.palette + h.colorCount, canvasTable_)))
    colorPlanned_ = true;
  h.rowDepth = colorPlanned_ ? 24 : 8;
  desc_.composedInColor = colorPlanned_;
  if (GifExtras* extras = Extras()) {
    if (!AllocateOrFail([&] {
          extras->controls.push_back(control_);
          extras->descriptors.push_back(desc_);
        }))
      return false;
  }
  return true;
}

bool GifDecoder::ReadColorTable(int flags) {
  int count = 2 << (flags & 7);
  uint8_t table[256 * 3];
  if (!ReadBytes(table, size_t(count) * 3)) return false;
  ImageHeader& h = *header_;
  std::fill(std::begin(h.palette), std::end(h.palette), RgbColor{});
  for (int i = 0; i < count; ++i) h.palette[i] = RgbColor{table[3 * i], table[3 * i + 1], table[3 * i + 2]};
  h.colorCount = count;
  h.bitsCode = (flags & 7) + 1;
  return true;
}

// The previous frame's disposal, on its rectangle clipped to the canvas. Afterwards the composed rows
// equal the base, ready for the next frame.
void GifDecoder::ApplyDisposal() {
  const int64_t width = header_->width;
  const int64_t height = header_->height;
  int64_t x0 = desc_.left, y0 = desc_.top;
  int64_t x1 = std::min<int64_t>(width, x0 + desc_.width), y1 = std::min<int64_t>(height, y0 + desc_.height);
  if (x0 >= x1 || y0 >= y1) return;
  const size_t pixel = canvasInColor_ ? 3 : 1;
  const size_t span = size_t(x1 - x0) * pixel;
  const RgbColor background = canvasTable_[background_];
  int disposal = control_.Disposal();
  for (int64_t y = y0; y < y1; ++y) {
    size_t at = size_t(y * width + x0) * pixel;
    uint8_t* base = base_.data() + at;
    if (disposal <= 1) {
      std::memcpy(base, composed_.data() + at, span);
    } else if (disposal == 2 && !canvasInColor_) {
      std::memset(base, background_, span);
    } else if (disposal == 2) {
      for (size_t x = 0; x < span; x += 3) {
        base[x] = background.blue;
        base[x + 1] = background.green;
        base[x + 2] = background.red;
      }
    }
    if (disposal >= 2) std::memcpy(composed_.data() + at, base, span);
  }
}

// A canvas is needed unless the image is one frame that covers it and has no control record. A first
// frame that has one is kept on the canvas even with a delay of 0, as later frames are drawn over it.
bool GifDecoder::NeedsCanvas() const {
  bool covers = desc_.left == 0 && desc_.top == 0 && desc_.width >= header_->width && desc_.height >= header_->height;
  return frame_ > 0 || control_.present || !covers;
}

bool GifDecoder::MakeCanvas() {
  size_t size = size_t(header_->width) * size_t(header_->height);
  uint8_t background = background_;
  // The canvas lives across frames: every frame's decode counts it.
  if (!AllocateOrFail([&] {
        composed_.assign(size, background);
        base_.assign(size, background);
      })) {
    composed_.clear();
    base_.clear();
    return false;
  }
  canvasInColor_ = false;
  return true;
}

bool GifDecoder::ConvertCanvasToColor() {
  std::vector<uint8_t> composed, base;
  if (!AllocateOrFail([&] {
        composed.assign(composed_.size() * 3, 0);
        base.assign(base_.size() * 3, 0);
      }))
    return false;
  for (size_t i = 0; i < composed_.size(); ++i) {
    const RgbColor& c = canvasTable_[composed_[i]];
    const RgbColor& b = canvasTable_[base_[i]];
    composed[3 * i] = c.blue, composed[3 * i + 1] = c.green, composed[3 * i + 2] = c.red;
    base[3 * i] = b.blue, base[3 * i + 1] = b.green, base[3 * i + 2] = b.red;
  }
  composed_.swap(composed);
  base_.swap(base);
  canvasInColor_ = true;
  return true;
}

bool GifDecoder::SelectPageHook(int index) {
  if (index == frame_) return SetError(data_ == FrameData::Unread ? kErrNone : kErrInvalidState);
  if (index != frame_ + 1 || frame_ < 0) return SetError(kErrInvalidState);
  SkipRestOfFrameData();
  if (!SetError(ReadToNextDescriptor())) return false;
  return PlanFrame() || SetError(kErrFormat);
}

// ---------------------------------------------------------------------------------------------------
// Frames

bool GifDecoder::BeginImageHook() {
  if (data_ != FrameData::Unread) return SetError(kErrInvalidState);
  data_ = FrameData::Reading;
  int size = NextByte();
  if (size < 2 || size > 11) return SetError(kErrFormat);
  minCodeSize_ = size;
  clearCode_ = 1 << size;
  endCode_ = clearCode_ + 1;
  ResetCodes();
  bits_ = 0;
  bitCount_ = 0;
  codesEnded_ = false;
  stackSize_ = 0;
  subBlockLeft_ = 0;
  dataEnded_ = terminatorRead_ = false;
  std::memset(prefix_, 0, sizeof prefix_);
  std::memset(suffix_, 0, sizeof suffix_);

  const int width = header_->width;
  const int height = header_->height;
  // A first frame that covers the screen and has no control block (every frame of a GIF87a file) needs
  // no canvas when it is the only one; a decode of every frame draws the later frames over it, so it
  // goes onto a canvas in its own colours.
  if (frame_ == 0 && !canvasPlanned_ && output().request().allPages) {
    canvasPlanned_ = true;
    canvasTableCount_ = header_->colorCount;
    std::fill(std::begin(canvasTable_), std::end(canvasTable_), RgbColor{});
    std::copy(header_->palette, header_->palette + header_->colorCount, canvasTable_);
  }
  visibleWidth_ = std::clamp(width - int(desc_.left), 0, int(desc_.width));
  // The canvas lives across frames but counts against every frame's ceiling, with both forms while
  // it turns into full colour.
  const int64_t pixels = int64_t(width) * height;
  int64_t canvas = canvasPlanned_ ? pixels * 2 * (colorPlanned_ ? 3 : 1) : 0;
  if (colorPlanned_ && !canvasInColor_) canvas += pixels * 2;
  if (!AllocateCounted(int64_t(in_.size()) + std::max(visibleWidth_, 1) + canvas, kErrDisplayBitmap,
                       [&] { row_.assign(size_t(std::max(visibleWidth_, 1)), 0); }))
    return false;
  if (!ClearBitmaps()) return false;
  decodedRect_ = ImageRect{0, 0, outputWidth(), outputHeight()};

  bool covers = desc_.left == 0 && desc_.top == 0 && desc_.width >= width && desc_.height >= height;
  if (canvasPlanned_ && composed_.empty() && !MakeCanvas()) return SetError(kErrDisplayBitmap);
  if (colorPlanned_ && !canvasInColor_ && !ConvertCanvasToColor()) return SetError(kErrDisplayBitmap);
  // A still image keeps its transparent colour's own index, as it has nothing to show through.
  skipTransparent_ = control_.Transparent() && (frame_ > 0 || control_.delay != 0 || !covers);

  rowsAbove_ = std::min<int64_t>(desc_.top, height);
  rowsBelow_ = std::max<int64_t>(0, int64_t(height) - (int64_t(desc_.top) + desc_.height));
  step_ = 0;
  rowsDone_ = 0;
  interlacePass_ = 0;
  interlaceRow_ = 0;
  return SetError(kErrNone);
}

int GifDecoder::NextInterlaceRow() {
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  int row = interlaceRow_;
  interlaceRow_ += kStep[interlacePass_];
  while (interlaceRow_ >= desc_.height && interlacePass_ < 3) {
    ++interlacePass_;
    interlaceRow_ = kStart[interlacePass_];
  }
  return row;
}

bool GifDecoder::DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) {
  const int outWidth = outputWidth();
  const int outHeight = outputHeight();
  const int64_t width = header_->width;
  const int64_t height = header_->height;
  if (rowsDone_ >= outHeight) return SetError(kErrInvalidState);
  int count = std::clamp(rows, 0, outHeight - rowsDone_);
  const bool interlaced = desc_.Interlaced();
  if (!interlaced && rectCount && updateRect) {
    *rectCount = 1;
    updateRect[0] = ImageRect{0, rowsDone_, outWidth, rowsDone_ + count};
  }
  const int64_t frameRows = desc_.height;
  const int64_t steps = rowsAbove_ + frameRows + rowsBelow_;
  int delivered = 0;
  while (delivered < count && step_ < steps) {
    int64_t row;
    if (step_ < rowsAbove_) {
      row = step_;
    } else if (step_ < rowsAbove_ + frameRows) {
      row = desc_.top + (interlaced ? NextInterlaceRow() : step_ - rowsAbove_);
      bool visible = row < height;
      // Rows below the image only keep the data in step; once it has ended they hold nothing.
      if (visible || !codesEnded_ || stackSize_ > 0) DecodeFrameRow(row_.data(), visible ? visibleWidth_ : 0);
      if (inFailed_) return SetError(kErrRow);
      if (!visible) {
        ++step_;
        continue;
      }
      if (!composed_.empty() && visibleWidth_ > 0) {
        uint8_t* target = composed_.data() + size_t(row * width + desc_.left) * (canvasInColor_ ? 3 : 1);
        const uint8_t* source = row_.data();
        if (canvasInColor_) {
          const RgbColor* palette = header_->palette;
          for (int x = 0; x < visibleWidth_; ++x) {
            if (skipTransparent_ && source[x] == control_.transparentIndex) continue;
            const RgbColor& c = palette[source[x]];
            target[3 * x] = c.blue, target[3 * x + 1] = c.green, target[3 * x + 2] = c.red;
          }
        } else if (skipTransparent_) {
          const uint8_t transparent = control_.transparentIndex;
          for (int x = 0; x < visibleWidth_; ++x)
            if (source[x] != transparent) target[x] = source[x];
        } else {
          std::memcpy(target, source, size_t(visibleWidth_));
        }
      }
    } else {
      row = desc_.top + frameRows + (step_ - rowsAbove_ - frameRows);
    }
    ++step_;
    // Vertical reduction: of the canvas rows that fall on one output row, the last one is delivered.
    int64_t y = row * outHeight / height;
    if ((row + 1) * outHeight / height == y) continue;
    const uint8_t* line =
        composed_.empty() ? row_.data() : composed_.data() + size_t(row * width) * (canvasInColor_ ? 3 : 1);
    if (!PutRow(line, int(y))) return false;
    if (interlaced && rectCount && updateRect) updateRect[(*rectCount)++] = ImageRect{0, int(y), outWidth, int(y) + 1};
    ++rowsDone_;
    ++delivered;
  }
  if (!interlaced) decodedRect_ = ImageRect{0, 0, outWidth, rowsDone_};
  if (rowsDone_ >= outHeight) {
    SkipRestOfFrameData();
    EndOfImage();
    return SetError(kErrNone);
  }
  if (step_ >= steps) return SetError(kErrRow);
  progress_ = std::min(MulDiv(rowsDone_, kProgressComplete, outHeight), kProgressComplete - 1);
  return SetError(kErrNone);
}

bool GifDecoder::FinishImage() {
  rowsDone_ = 0;
  std::vector<uint8_t>().swap(row_);
  std::vector<uint8_t>().swap(composed_);
  std::vector<uint8_t>().swap(base_);
  std::vector<uint8_t>().swap(in_);
  inPos_ = inFill_ = 0;
  return SetError(kErrNone);
}

// ---------------------------------------------------------------------------------------------------
// LZW

void GifDecoder::ResetCodes() {
  codeWidth_ = minCodeSize_ + 1;
  codeLimit_ = 1 << codeWidth_;
  nextFree_ = clearCode_ + 2;
  previous_ = -1;
}

// Unwinds the next code's string onto the stack (last character at the bottom); false once the data
// has ended.
bool GifDecoder::PushNextString() {
  while (!codesEnded_) {
    while (bitCount_ < codeWidth_) {
      int b = NextDataByte();
      if (b < 0) {
        codesEnded_ = true;
        return false;
      }
      bits_ |= uint32_t(b) << bitCount_;
      bitCount_ += 8;
    }
    int code = int(bits_ & ((1u << codeWidth_) - 1));
    bits_ >>= codeWidth_;
    bitCount_ -= codeWidth_;

    if (code == clearCode_) {
      ResetCodes();
      continue;
    }
    if (code == endCode_) {
      codesEnded_ = true;
      return false;
    }
    if (previous_ < 0) {
      if (code > clearCode_) code = 0;
      previous_ = code;
      firstChar_ = uint8_t(code);
      stack_[stackSize_++] = firstChar_;
      return true;
    }
    int incoming = code;
    if (code >= nextFree_) {  // the string being defined by this very code
      stack_[stackSize_++] = firstChar_;
      code = previous_;
    }
    // Every chain is shorter than the table in a sound stream; a hostile one is cut at the stack's end.
    while (code > endCode_ && stackSize_ < kMaxCodes) {
      stack_[stackSize_++] = suffix_[code];
      code = prefix_[code];
    }
    firstChar_ = code > endCode_ ? 0 : uint8_t(code);
    stack_[stackSize_++] = firstChar_;
    // A full table takes no new entries and keeps 12-bit codes until a clear code comes.
    if (nextFree_ < kMaxCodes) {
      prefix_[nextFree_] = uint16_t(previous_);
      suffix_[nextFree_] = firstChar_;
      if (++nextFree_ >= codeLimit_ && codeWidth_ < kMaxCodeWidth) {
        ++codeWidth_;
        codeLimit_ <<= 1;
      }
    }
    previous_ = incoming;
    return true;
  }
  return false;
}

// One frame row of the frame's width; the first `visible` pixels are kept.
void GifDecoder::DecodeFrameRow(uint8_t* out, int visible) {
  const int n = desc_.width;
  int x = 0;
  while (x < n) {
    if (stackSize_ == 0 && !PushNextString()) {
      if (x < visible) std::memset(out + x, 0, size_t(visible - x));
      return;
    }
    int take = std::min(stackSize_, n - x);
    for (int i = 0; i < take; ++i, ++x) {
      uint8_t v = stack_[--stackSize_];
      if (x < visible) out[x] = v;
    }
  }
}

}  // namespace lumetta
