#pragma once

// The module's class object: the one class it serves and the factory that makes its objects.
// Every live factory counts in ObjectCount, so the module stays loaded while one exists.
#include <windows.h>
#include <objbase.h>

// The one class the module serves.
extern const CLSID CLSID_Lumetta;

class ClassFactory final : public IClassFactory {
public:
  ClassFactory();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

private:
  ~ClassFactory();
  LONG references_ = 0;
};

// DllGetClassObject's work: a new factory for the served class, handed out as `riid`.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
