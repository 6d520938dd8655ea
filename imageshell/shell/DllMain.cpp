#include <windows.h>
#include <objbase.h>

#include "ObjectCount.h"

namespace {
HINSTANCE g_instance = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// No class is served yet: answer as COM expects for an unknown class, with the out-pointer cleared.
extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return ObjectCount == 0 ? S_OK : S_FALSE;
}

// rundll32 entry: ShowImage(hwnd, instance, path, showCommand). The viewer is not built yet.
extern "C" void CALLBACK ShowImage(HWND, HINSTANCE, LPSTR, int) {}
