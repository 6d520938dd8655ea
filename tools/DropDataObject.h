#pragma once

// A data object holding a list of files as CF_HDROP, the way the file manager hands its selection to a
// context-menu handler. Used by lumetta-menu and by the tests that play the file manager.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

// The selection as the file manager hands it over: one CF_HDROP in global memory, made afresh for each
// GetData because the receiver frees it.
class DropDataObject final : public IDataObject {
public:
  explicit DropDataObject(std::vector<std::string> files) : files_(std::move(files)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++references_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = --references_;
    if (left == 0) delete this;
    return ULONG(left);
  }

  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    HRESULT hr = QueryGetData(format);
    if (FAILED(hr)) return hr;
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const auto& f : files_) bytes += f.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    if (!memory) return E_OUTOFMEMORY;
    auto drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const auto& f : files_) {
      std::memcpy(names, f.c_str(), f.size() + 1);
      names += f.size() + 1;
    }
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    if (format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    return S_OK;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
  ~DropDataObject() = default;
  LONG references_ = 1;
  std::vector<std::string> files_;
};
