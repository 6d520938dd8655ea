#include "module/ThumbnailProvider.h"

#include <shlobj.h>

#include <algorithm>
#include <new>

#include "formats/DecoderTable.h"
#include "formats/WmfDecoder.h"
#include "image/ImageFile.h"
#include "module/InterfaceTable.h"
#include "pipeline/GdiGuards_win.h"
#include "shell/ObjectCount.h"

using lumetta::DecodeRequest;
using lumetta::ImageFile;

// {75EC0415-F7B1-44B3-ACF4-2A08AFC04379}
const CLSID CLSID_LumettaThumbnail = {0x75EC0415, 0xF7B1, 0x44B3, {0xAC, 0xF4, 0x2A, 0x08, 0xAF, 0xC0, 0x43, 0x79}};

namespace {

// The image error that stopped a decode, as the HRESULT the shell is given: the ones a caller can act
// on by their system codes, the rest in this interface's own range (0x200 + the image error).
HRESULT DecodeFailure(int error) {
  if (error == lumetta::kErrOutOfTime) return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
  if (error == lumetta::kErrFileNotFound) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + (error & 0xFF));
}

// The decoders of a stream's bytes: the built-in table's, and the metafile player besides. The table
// keeps that one to files, whose bits the viewer replays for as long as it shows them; a thumbnail's
// bytes are held by the provider for the whole decode, which is all the player needs of them.
std::unique_ptr<lumetta::ImageDecoder> NewStreamDecoder(lumetta::ImageKind kind, const lumetta::ImageSource& source,
                                                        int* error) {
  if (kind == lumetta::ImageKind::Wmf) {
    *error = lumetta::kErrNone;
    return lumetta::MakeDecoder<lumetta::WmfDecoder>(source);
  }
  return lumetta::NewDecoder(kind, source, error);
}

constexpr char kClassText[] = "{75EC0415-F7B1-44B3-ACF4-2A08AFC04379}";
constexpr const char* kCommonExtensions[] = {".bmp",  ".dib", ".rle", ".gif", ".jpg",
                                             ".jpeg", ".jpe", ".png", ".tif", ".tiff"};

// Deletes `path` under HKEY_CURRENT_USER when it holds neither values nor keys.
void DeleteIfEmpty(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD keys = 1, values = 1;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  if (keys == 0 && values == 0) RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

}  // namespace

void RegisterCommonFormatThumbnails(bool on) {
  for (const char* extension : kCommonExtensions) {
    const std::string type = std::string("Software\\Classes\\") + extension;
    const std::string handler = type + "\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
    if (on) {
      HKEY key = nullptr;
      if (RegCreateKeyExA(HKEY_CURRENT_USER, handler.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        continue;
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClassText), sizeof kClassText);
      RegCloseKey(key);
      continue;
    }
    // Another handler the user chose since is theirs to keep.
    char value[64] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CURRENT_USER, handler.c_str(), value, &size) != ERROR_SUCCESS ||
        lstrcmpiA(value, kClassText) != 0)
      continue;
    RegDeleteKeyA(HKEY_CURRENT_USER, handler.c_str());
    DeleteIfEmpty(type + "\\ShellEx");
    DeleteIfEmpty(type);
  }
  // The file manager reads associations once; this tells it they changed.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

ThumbnailProvider::ThumbnailProvider() { ObjectCountUp(); }
ThumbnailProvider::~ThumbnailProvider() { ObjectCountDown(); }

STDMETHODIMP ThumbnailProvider::QueryInterface(REFIID riid, void** ppv) {
  static const InterfaceEntry kInterfaces[] = {
      {&__uuidof(IThumbnailProvider), InterfaceOffset<ThumbnailProvider, IThumbnailProvider>()},
      {&IID_IInitializeWithStream, InterfaceOffset<ThumbnailProvider, IInitializeWithStream>()},
      {&IID_IInitializeWithFile, InterfaceOffset<ThumbnailProvider, IInitializeWithFile>()},
      {nullptr, 0},
  };
  return QueryFromTable(this, kInterfaces, riid, ppv);
}

STDMETHODIMP_(ULONG) ThumbnailProvider::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) ThumbnailProvider::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return ULONG(left);
}

STDMETHODIMP ThumbnailProvider::Initialize(IStream* stream, DWORD) {
  if (!stream) return E_INVALIDARG;
  if (initialized_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
  // The whole stream is the decoders' byte source; one longer than the memory the thumbnail may use
  // could never be decoded within it, so it is refused before it is read.
  const int64_t ceiling = lumetta::ThumbnailBudget().maxBytes;
  STATSTG stat = {};
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && int64_t(stat.cbSize.QuadPart) > ceiling) return E_OUTOFMEMORY;
  try {
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(std::min<int64_t>(int64_t(stat.cbSize.QuadPart), ceiling)));
    uint8_t chunk[64 * 1024];
    for (;;) {
      ULONG got = 0;
      HRESULT hr = stream->Read(chunk, sizeof chunk, &got);
      if (FAILED(hr)) return hr;
      if (int64_t(bytes.size()) + got > ceiling) return E_OUTOFMEMORY;
      bytes.insert(bytes.end(), chunk, chunk + got);
      if (hr == S_FALSE || got == 0) break;
    }
    bytes_ = std::move(bytes);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  initialized_ = true;
  return S_OK;
}

STDMETHODIMP ThumbnailProvider::Initialize(LPCWSTR path, DWORD) {
  if (!path) return E_INVALIDARG;
  if (initialized_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
  // The module reads files by their ANSI names; a name the code page cannot spell would open another
  // file or none, so it is refused.
  char ansi[MAX_PATH] = {};
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, ansi, MAX_PATH, nullptr, &lossy) <= 0 || lossy)
    return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  try {
    path_ = ansi;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  initialized_ = true;
  return S_OK;
}

void ThumbnailSize(int width, int height, UINT cx, int* outWidth, int* outHeight) {
  *outWidth = width;
  *outHeight = height;
  const int longer = std::max(width, height);
  if (longer <= 0 || UINT(longer) <= cx) return;
  // The shorter side rounded to the nearest pixel, never below one.
  const int shorter = std::max(1, int((int64_t(std::min(width, height)) * cx + longer / 2) / longer));
  *outWidth = width >= height ? int(cx) : shorter;
  *outHeight = width >= height ? shorter : int(cx);
}

HBITMAP CopyToTopDown32(HBITMAP source, int sourceWidth, int sourceHeight, int width, int height) {
  if (!source || sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info = lumetta::gdi::TopDown32Info(width, height);
  void* bits = nullptr;
  lumetta::gdi::Object<HBITMAP> copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!copy.get()) return nullptr;
  bool ok = false;
  if (sourceWidth == width && sourceHeight == height) {
    // GetDIBits converts from the source's depth and colour table into the layout asked for.
    lumetta::gdi::ScreenDc screen;
    ok = screen.get() && GetDIBits(screen.get(), source, 0, UINT(height), bits, &info, DIB_RGB_COLORS) == height;
  } else {
    lumetta::gdi::BitmapDc from(source), to(copy.get());
    if (from.get() && to.get()) {
      SetStretchBltMode(to.get(), HALFTONE);
      SetBrushOrgEx(to.get(), 0, 0, nullptr);
      ok = StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, sourceWidth, sourceHeight, SRCCOPY) != FALSE;
      GdiFlush();
    }
  }
  if (!ok) return nullptr;
  auto pixel = static_cast<uint8_t*>(bits);
  for (int64_t i = 0, n = int64_t(width) * height; i < n; ++i) pixel[i * 4 + 3] = 0xFF;
  return copy.release();
}

STDMETHODIMP ThumbnailProvider::GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
  if (!bitmap) return E_POINTER;
  *bitmap = nullptr;
  if (alpha) *alpha = WTSAT_UNKNOWN;
  if (!initialized_) return E_UNEXPECTED;
  if (cx == 0) return E_INVALIDARG;
  try {
    ImageFile image =
        bytes_.empty() && !path_.empty() ? ImageFile(path_.c_str()) : ImageFile(bytes_.data(), bytes_.size());
    if (bytes_.size() || path_.empty()) image.SetDecoderFactory(&NewStreamDecoder);
    DecodeRequest request;
    request.width = request.height = int32_t(std::min<UINT>(cx, lumetta::kMaxImageDimension));
    // The full-colour bitmap only: the shell scales and dithers for the screen itself.
    request.makeBitmap = 0;
    request.makeFullColorBitmap = 1;
    // The context menu's budget: detection and decode together, as long as the file manager waits.
    if (!lumetta::DetectAndDecodeThumbnail(image, request)) return DecodeFailure(image.GetLastError());
    // The decoders scale by whole thousandths, which can leave the longer side a pixel short of cx; the
    // shell asked for cx exactly, so that pixel is made up here.
    int width = 0, height = 0;
    ThumbnailSize(image.GetWidth(), image.GetHeight(), cx, &width, &height);
    HBITMAP made = CopyToTopDown32(reinterpret_cast<HBITMAP>(image.GetFullColorBitmap()), image.GetOutputWidth(),
                                   image.GetOutputHeight(), width, height);
    if (!made) return E_OUTOFMEMORY;
    *bitmap = made;
    // Formats with transparency are composited on their background by the decoders: what is handed
    // over is always opaque.
    if (alpha) *alpha = WTSAT_RGB;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CreateThumbnailProvider(REFIID riid, void** ppv) {
  auto provider = new (std::nothrow) ThumbnailProvider();
  if (!provider) return E_OUTOFMEMORY;
  return HandOut(provider, riid, ppv);
}
