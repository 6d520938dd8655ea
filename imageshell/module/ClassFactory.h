#pragma once

// The module's class objects: the classes it serves and the factory that makes their objects.
// Every live factory counts in ObjectCount, so the module stays loaded while one exists.
#include <windows.h>
#include <objbase.h>

// The context menu's class; the thumbnail handler's is in ThumbnailProvider.h.
extern const CLSID CLSID_Lumetta;

// Makes a new object of one class and hands it out as `riid`.
using ObjectMaker = HRESULT (*)(REFIID riid, void** ppv);

class ClassFactory final : public IClassFactory {
public:
  explicit ClassFactory(ObjectMaker make);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

private:
  ~ClassFactory();
  LONG references_ = 0;
  ObjectMaker make_;
};

// DllGetClassObject's work: a new factory for one of the served classes, handed out as `riid`.
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
