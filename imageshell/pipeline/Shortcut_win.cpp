#include "pipeline/Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace lumetta {

static_assert(sizeof(long) == sizeof(HRESULT) && sizeof(unsigned long) == sizeof(DWORD));

long ResolveShortcut(void* ownerWindow, const char* linkPath, char* targetOut, unsigned long resolveFlags,
                     bool resolve) {
  if (targetOut) targetOut[0] = '\0';
  if (!linkPath || !targetOut) return E_POINTER;
  HRESULT result = OleInitialize(nullptr);
  bool initialized = SUCCEEDED(result);

  IShellLinkA* link = nullptr;
  result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                            reinterpret_cast<void**>(&link));
  if (SUCCEEDED(result)) {
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
      WCHAR widePath[MAX_PATH] = {};
      if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0) {
        result = HRESULT_FROM_WIN32(GetLastError());
      } else {
        result = file->Load(widePath, 0);
      }
      if (SUCCEEDED(result) && resolve) result = link->Resolve(static_cast<HWND>(ownerWindow), resolveFlags);
      if (SUCCEEDED(result)) {
        char target[MAX_PATH + 1] = {};
        WIN32_FIND_DATAA findData = {};
        result = link->GetPath(target, MAX_PATH, &findData, 0);
        if (SUCCEEDED(result)) lstrcpynA(targetOut, target, MAX_PATH + 1);
      }
      file->Release();
    }
    link->Release();
  }
  if (initialized) OleUninitialize();
  return result;
}

}  // namespace lumetta
