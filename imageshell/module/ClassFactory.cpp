#include "module/ClassFactory.h"

#include <new>

#include "module/InterfaceTable.h"
#include "module/ShellExtension.h"
#include "shell/ObjectCount.h"

// {672386AE-5F5E-4D0E-94CC-446F33F0D831}
const CLSID CLSID_Lumetta = {0x672386AE, 0x5F5E, 0x4D0E, {0x94, 0xCC, 0x44, 0x6F, 0x33, 0xF0, 0xD8, 0x31}};

ClassFactory::ClassFactory() { ObjectCountUp(); }
ClassFactory::~ClassFactory() { ObjectCountDown(); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  static const InterfaceEntry kInterfaces[] = {
      {&IID_IClassFactory, InterfaceOffset<ClassFactory, IClassFactory>()},
      {nullptr, 0},
  };
  return QueryFromTable(this, kInterfaces, riid, ppv);
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

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_Lumetta)) return CLASS_E_CLASSNOTAVAILABLE;
  auto factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  return HandOut(factory, riid, ppv);
}
