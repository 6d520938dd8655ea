// The module's entry points: process set-up and tear-down, and the COM server's two exports.
// ShowImage, the launcher's entry, is in ShowImage.cpp.
#include <windows.h>
#include <objbase.h>

#include "module/ClassFactory.h"
#include "shell/ModuleState.h"
#include "shell/ObjectCount.h"
#include "viewer/ViewerWindow.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    AttachModule(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    // A module that is freed (not a process that ends) takes its window classes with it: loaded again,
    // perhaps upgraded at the same address, it must not find classes pointing at the old procedures.
    if (!reserved) lumetta::UnregisterViewerClasses();
    DetachModule();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return GetClassObject(rclsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ObjectCount == 0 ? S_OK : S_FALSE; }
