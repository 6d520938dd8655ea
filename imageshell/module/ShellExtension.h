#pragma once

// The object the file manager makes for each context menu: its lifetime, its interfaces and the
// selection it is initialised with (ShellExtension.cpp); the menu it adds, draws and runs is in
// ContextMenu.cpp. Every live object counts in ObjectCount, so the module stays loaded while one exists.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "image/ImageFile.h"

// One per context menu. The primary interface is IContextMenu2 (the shell asks for it when it will
// route owner-drawn items to us); IShellExtInit is the secondary one and forwards IUnknown.
class ShellExtension final : public IContextMenu2, public IShellExtInit {
public:
  ShellExtension();

  // IUnknown (both interfaces)
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IContextMenu / IContextMenu2
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  STDMETHODIMP GetCommandString(UINT_PTR offset, UINT flags, UINT* reserved, LPSTR buffer, UINT bufferSize) override;
  STDMETHODIMP HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override;

  // IShellExtInit
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* dataObject, HKEY progIdKey) override;

private:
  ~ShellExtension();
  void ReleaseImage();
  HRESULT AddMenuItems(HMENU menu, UINT indexMenu, UINT idCmdFirst);
  void MeasureThumbnail(MEASUREITEMSTRUCT* measure);
  void DrawThumbnail(const DRAWITEMSTRUCT* draw);

  LONG references_ = 0;
  IDataObject* dataObject_ = nullptr;
  lumetta::ImageFile* image_ = nullptr;
  bool ownerDraw_ = false;
  HMENU submenu_ = nullptr;
};
