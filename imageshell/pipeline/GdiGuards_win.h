#pragma once

// Scope guards for the GDI seam's own calls: a screen DC, a memory DC, an object selected into a DC,
// and a GDI object; and the header of the 32-bit copies made of bitmaps. For Windows-only sources, included after the
// platform header; the guards never outlive the call that made them.

namespace lumetta::gdi {

// GetDC(nullptr) for the duration of a call.
class ScreenDc {
public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// A memory DC made with CreateCompatibleDC, deleted on exit.
class MemoryDc {
public:
  explicit MemoryDc(HDC compatibleWith = nullptr) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

// SelectObject, undone on exit: a DC must not be deleted with our object still selected.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return old_ != nullptr; }

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC with one bitmap selected; get() is null unless the selection worked.
class BitmapDc {
public:
  explicit BitmapDc(HBITMAP bitmap) : selection_(dc_.get(), bitmap) {}
  HDC get() const { return selection_.ok() ? dc_.get() : nullptr; }

private:
  MemoryDc dc_;
  Selection selection_;
};

// A GDI object deleted on exit unless released.
template <class Handle>
class Object {
public:
  explicit Object(Handle handle = nullptr) : handle_(handle) {}
  ~Object() {
    if (handle_) DeleteObject(handle_);
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  Handle get() const { return handle_; }
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

private:
  Handle handle_;
};

// The header of a 32-bit top-down DIB of width x height without a colour table: what a copy made to be
// handed on or kept (a thumbnail, a held frame) is made as, whatever the source's depth and palette.
inline BITMAPINFO TopDown32Info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace lumetta::gdi
