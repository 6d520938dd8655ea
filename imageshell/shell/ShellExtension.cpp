// The class factory, the shell extension's reference counting and IShellExtInit, and the module's
// COM entry points.
#include "shell/ShellExtension.h"

#include <new>

#include "shell/ObjectCount.h"
#include "pipeline/PathHelpers.h"

using lumetta::ImageFile;

// {672386AE-5F5E-4D0E-94CC-446F33F0D831}
const CLSID CLSID_Lumetta = {0x672386AE, 0x5F5E, 0x4D0E, {0x94, 0xCC, 0x44, 0x6F, 0x33, 0xF0, 0xD8, 0x31}};

namespace {

// Hands out `object` through its QueryInterface; an object nobody took is destroyed at once (its
// count went from 0 to 1 and back), so a refused interface leaves nothing alive behind.
template <typename T>
HRESULT HandOut(T* object, REFIID riid, void** ppv) {
  object->AddRef();
  HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace

// ---- ClassFactory ----

ClassFactory::ClassFactory() { ObjectCountUp(); }
ClassFactory::~ClassFactory() { ObjectCountDown(); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return ULONG(left);
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto extension = new (std::nothrow) ShellExtension();
  if (!extension) return E_OUTOFMEMORY;
  return HandOut(extension, riid, ppv);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock)
    ObjectCountUp();
  else
    ObjectCountDown();
  return S_OK;
}

// ---- ShellExtension: lifetime and initialisation ----

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
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IUnknown)) {
    *ppv = static_cast<IShellExtInit*>(this);
  } else if (IsEqualIID(riid, IID_IContextMenu2)) {
    // A shell that asks for this routes WM_MEASUREITEM/WM_DRAWITEM to us: the thumbnail can be drawn.
    MessageBeep(0);
    ownerDraw_ = true;
    *ppv = static_cast<IContextMenu2*>(this);
  } else if (IsEqualIID(riid, IID_IContextMenu)) {
    *ppv = static_cast<IContextMenu*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
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
    char path[kPathBufferSize] = {};
    if (DragQueryFileA(drop, 0, path, kPathBufferSize) > 0) image_ = new (std::nothrow) ImageFile(path);
  }
  ReleaseStgMedium(&medium);
  return S_OK;
}

// ---- The module's class object ----

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_Lumetta)) return CLASS_E_CLASSNOTAVAILABLE;
  auto factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  return HandOut(factory, riid, ppv);
}
