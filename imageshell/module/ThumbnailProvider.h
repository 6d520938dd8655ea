#pragma once

// The file manager's thumbnail handler: the class it creates for an image's icon view and preview pane.
// It is given the file as a byte stream (or, by shells that run handlers in their own process, a
// path), and makes one 32-bit top-down DIB section of the asked size through the same budgeted detection
// and decode as the context menu's thumbnail, so that a file that would hold the menu holds the icon view no
// longer. Every live object counts in ObjectCount.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <thumbcache.h>

#include <cstdint>
#include <string>
#include <vector>

// The thumbnail handler's class (the module's second, beside the context menu's).
extern const CLSID CLSID_LumettaThumbnail;

class ThumbnailProvider final : public IThumbnailProvider, public IInitializeWithStream, public IInitializeWithFile {
public:
  ThumbnailProvider();

  // IUnknown (all three interfaces)
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IInitializeWithStream: the stream is read whole here, within the thumbnail's memory ceiling, and
  // not kept (the shell may close it once we return).
  STDMETHODIMP Initialize(IStream* stream, DWORD mode) override;
  // IInitializeWithFile: the path is kept and read at GetThumbnail.
  STDMETHODIMP Initialize(LPCWSTR path, DWORD mode) override;
  // IThumbnailProvider: the picture fitted to cx x cx (never enlarged), aspect kept.
  STDMETHODIMP GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override;

private:
  ~ThumbnailProvider();

  LONG references_ = 0;
  bool initialized_ = false;
  std::vector<uint8_t> bytes_;  // the stream's contents
  std::string path_;            // or the file's path
};

// The user's own registration of the handler for the formats the system has thumbnails of (JPEG, PNG,
// GIF, BMP, TIFF), which overrides the system's: made when `on`, else taken back where it still names
// this handler. What the CommonFormatThumbnails setting says, applied.
void RegisterCommonFormatThumbnails(bool on);

// The class factory's maker: a new provider handed out as `riid`.
HRESULT CreateThumbnailProvider(REFIID riid, void** ppv);

// The size of a width x height picture whose longer side is cx, aspect kept; its own when not larger.
void ThumbnailSize(int width, int height, UINT cx, int* outWidth, int* outHeight);

// A top-down 32-bit DIB section of width x height made of `source` (any depth GDI holds, sourceWidth x
// sourceHeight: copied, or stretched with halftoning when the sizes differ), opaque: every pixel's
// fourth byte is 0xFF. Null when GDI cannot make it.
HBITMAP CopyToTopDown32(HBITMAP source, int sourceWidth, int sourceHeight, int width, int height);
