#pragma once

// GIF87a and GIF89a (kind 1): every frame is a page, selected strictly in order. Interlaced frames,
// transparency and the disposal methods of animations; frames are composed on a canvas of palette
// indices the size of the image.
#include <cstdint>
#include <vector>

#include "pipeline/ImageDecoder.h"
#include "pipeline/OwnedHandles.h"

namespace lumetta {

// The logical screen descriptor as stored.
struct GifScreen {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t flags = 0;       // bit 7 global colour table, bits 0..2 its size
  uint8_t background = 0;  // colour index of the background
  uint8_t aspect = 0;
};

// A frame's graphic control values. Frames without a control extension keep a record that says so,
// so that record i always belongs to frame i.
struct GifFrameControl {
  bool present = false;
  uint8_t flags = 0;   // bits 2..4 disposal method, bit 0 transparency
  uint16_t delay = 0;  // hundredths of a second
  uint8_t transparentIndex = 0;
  int Disposal() const { return flags >> 2 & 7; }
  bool Transparent() const { return present && (flags & 1); }
};

// An image descriptor as stored (after the 0x2C separator).
struct GifImageDescriptor {
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t flags = 0;             // bit 7 local colour table, bit 6 interlaced, bits 0..2 table size
  bool composedInColor = false;  // not stored: the frame is shown from a full-colour canvas
  bool LocalTable() const { return flags & 0x80; }
  bool Interlaced() const { return flags & 0x40; }
};

// What a GIF decode leaves for the viewer: the screen, each frame's control record and descriptor (as
// far as the file has been read), and the palette made from the global colour table.
class GifExtras : public ImageExtras {
public:
  static constexpr int kDefaultDelay = 10;  // hundredths, for a frame that gives none

  GifScreen screen;
  std::vector<GifFrameControl> controls;
  std::vector<GifImageDescriptor> descriptors;
  OwnedPalette sharedPalette;

  int FrameCount() const { return int(descriptors.size()); }
  // The frame's delay in hundredths of a second.
  int FrameDelay(int frame) const;

  bool FrameUsesSharedPalette(int frame) const override;
  bool FrameHasTransparentColor(int frame) const override;
  PaletteHandle SharedPalette() const override { return sharedPalette.get(); }
  // The viewer's animation paces itself by this: true for every frame read so far.
  bool FrameDisplayTime(int frame, int* hundredths) const override {
    if (frame < 0 || frame >= FrameCount()) return false;
    *hundredths = FrameDelay(frame);
    return true;
  }
};

class GifDecoder : public ImageDecoder {
public:
  using ImageDecoder::ImageDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool SelectPageHook(int index) override;
  bool BeginImageHook() override;
  bool DecodeRowsHook(int rows, int* rectCount, ImageRect* updateRect) override;
  bool FinishImage() override;

private:
  enum class FrameData { Unread, Reading, Consumed };
  static constexpr int kMaxCodes = 4096;

  GifExtras* Extras() const { return static_cast<GifExtras*>(extras_.get()); }

  // Buffered input over the byte source.
  int NextByte();
  bool ReadBytes(uint8_t* out, size_t count);
  bool SkipBytes(size_t count);
  bool SkipSubBlocks();
  // The next byte of the frame's data sub-blocks; -1 when the data has ended.
  int NextDataByte();
  void SkipRestOfFrameData();

  int ReadToNextDescriptor();
  int ReadDescriptor();
  bool ReadColorTable(int flags);
  void ApplyDisposal();
  bool NeedsCanvas() const;
  bool PlanFrame();
  bool MakeCanvas();
  bool ConvertCanvasToColor();

  // LZW.
  void ResetCodes();
  bool PushNextString();
  void DecodeFrameRow(uint8_t* out, int visible);
  int NextInterlaceRow();

  ImageHeader* header_ = nullptr;  // the base's header, which ReadHeader fills and frames update
  RgbColor globalTable_[256] = {};
  int globalCount_ = 0;
  int globalBits_ = 0;
  uint8_t background_ = 0;  // the screen's background colour index

  std::vector<uint8_t> in_;
  size_t inPos_ = 0;
  size_t inFill_ = 0;
  bool inEnded_ = false;
  bool inFailed_ = false;

  int frame_ = -1;
  GifImageDescriptor desc_;
  GifFrameControl control_;
  GifFrameControl pending_;
  FrameData data_ = FrameData::Unread;
  int subBlockLeft_ = 0;
  bool dataEnded_ = false;
  bool terminatorRead_ = false;

  // Canvas: the composed frame and the base the next frame is drawn on, image-sized index rows.
  std::vector<uint8_t> composed_;
  std::vector<uint8_t> base_;
  std::vector<uint8_t> row_;  // the visible part of one frame row
  // The canvas holds indices into canvasTable_ until a frame with other colours is drawn on it; from
  // then on it holds blue, green, red.
  bool canvasPlanned_ = false;
  bool colorPlanned_ = false;
  bool canvasInColor_ = false;
  RgbColor canvasTable_[256] = {};
  int canvasTableCount_ = 0;
  int visibleWidth_ = 0;
  bool skipTransparent_ = false;

  // Walk over the image's rows for one frame: rows above the frame, the frame's rows, rows below.
  int64_t step_ = 0;
  int64_t rowsAbove_ = 0;
  int64_t rowsBelow_ = 0;
  int rowsDone_ = 0;
  int interlacePass_ = 0;
  int interlaceRow_ = 0;

  int minCodeSize_ = 0;
  int clearCode_ = 0;
  int endCode_ = 0;
  int nextFree_ = 0;
  int codeWidth_ = 0;
  int codeLimit_ = 0;
  int previous_ = -1;
  uint8_t firstChar_ = 0;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
  bool codesEnded_ = false;
  uint16_t prefix_[kMaxCodes] = {};
  uint8_t suffix_[kMaxCodes] = {};
  uint8_t stack_[kMaxCodes + 1] = {};
  int stackSize_ = 0;
};

}  // namespace lumetta
