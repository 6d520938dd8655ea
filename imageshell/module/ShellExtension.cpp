// The context menu's object: its lifetime, its interfaces and IShellExtInit, which hands it the
// selection.
#include "module/ShellExtension.h"

#include <new>

#include "module/InterfaceTable.h"
#include "pipeline/PathHelpers.h"
#include "shell/ObjectCount.h"

using lumetta::ImageFile;

ShellExtension::ShellExtension() { ObjectCountUp(); }

ShellExtension::~ShellExtension() {
  if (dataObject_) dataObject_->Release();
  ReleaseImage();
  // The shell usually destroys its menu, and our submenu with it, before releasing us.
  if (submenu_ && IsMenu(submenu_)) DestroyMenu(submenu_);
  ObjectCountDown();
}

void ShellExtension::ReleaseImage() {
  delete image_;
  image_ = nullptr;
}

STDMETHODIMP ShellExtension::QueryInterface(REFIID riid, void** ppv) {
  // IShellExtInit first: it is the object's IUnknown.
  static const InterfaceEntry kInterfaces[] = {
      {&IID_IShellExtInit, InterfaceOffset<ShellExtension, IShellExtInit>()},
      {&IID_IContextMenu2, InterfaceOffset<ShellExtension, IContextMenu2>()},
      {&IID_IContextMenu, InterfaceOffset<ShellExtension, IContextMenu>()},
      {nullptr, 0},
  };
  HRESULT hr = QueryFromTable(this, kInterfaces, riid, ppv);
  if (SUCCEEDED(hr) && IsEqualIID(riid, IID_IContextMenu2)) {
    // A shell that asks for this routes WM_MEASUREITEM/WM_DRAWITEM to us: the thumbnail can be drawn.
    MessageBeep(0);
    ownerDraw_ = true;
  }
  return hr;
}

STDMETHODIMP_(ULONG) ShellExtension::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) ShellExtension::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return ULONG(left);
}

STDMETHODIMP ShellExtension::Initialize(PCIDLIST_ABSOLUTE, IDataObject* dataObject, HKEY) {
  if (dataObject) dataObject->AddRef();
  if (dataObject_) dataObject_->Release();
  dataObject_ = dataObject;
  ReleaseImage();
  if (!dataObject_) return S_OK;

  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(dataObject_->GetData(&format, &medium))) return S_OK;
  // Only a selection of exactly one file gets our items: the commands act on one image.
  auto drop = static_cast<HDROP>(medium.hGlobal);
  if (medium.tymed == TYMED_HGLOBAL && drop && DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
    // A name that does not fit would be cut into the name of another file: such a selection gets no items.
    char path[kPathBufferSize] = {};
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    if (length > 0 && length < kPathBufferSize && DragQueryFileA(drop, 0, path, kPathBufferSize) == length)
      image_ = new (std::nothrow) ImageFile(path);
  }
  ReleaseStgMedium(&medium);
  return S_OK;
}
