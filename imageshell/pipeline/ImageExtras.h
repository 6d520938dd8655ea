#pragma once

// What a format keeps beside its pages and hands over to ImageFile at the end of a decode: the GIF
// frame control list with its shared palette, the metafile handle. The questions the pipeline asks of
// it are virtual so that the base needs no knowledge of any format.
#include "pipeline/PlatformGraphics.h"

namespace lumetta {

class ImageExtras {
public:
  virtual ~ImageExtras() = default;
  // The frame draws with the shared palette (its record has a palette reference).
  virtual bool FrameUsesSharedPalette(int /*frame*/) const { return false; }
  // The frame's control record names a transparent colour.
  virtual bool FrameHasTransparentColor(int /*frame*/) const { return false; }
  // The palette that belongs to the extras (never deleted with a page).
  virtual PaletteHandle SharedPalette() const { return nullptr; }
  // The frame's display time in hundredths of a second, false while the file has given no record for
  // it yet (the viewer's animation clock).
  virtual bool FrameDisplayTime(int /*frame*/, int* /*hundredths*/) const { return false; }
  // The enhanced metafile a metafile image plays (an HENHMETAFILE on Windows), null for other formats.
  virtual void* EnhancedMetafile() const { return nullptr; }
};

}  // namespace lumetta
