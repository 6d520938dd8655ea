#pragma once

// The COM objects of the module: the class factory and the per-menu shell extension, written out by
// hand. Every live object counts in ObjectCount, so the module stays loaded while one exists.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "image/ImageFile.h"

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

// Command offsets from the first identifier the shell gives QueryContextMenu.
enum MenuCommand : UINT {
  kCommandView = 0,
  kCommandPrint,
  kCommandTiledWallpaper,
  kCommandCenteredWallpaper,
  kCommandRestoreWallpaper,
  kCommandToBmp,
  kCommandToJpeg,
  kCommandOptions,
  kCommandAbout,
  kCommandHelp,
  kCommandsReserved = 11,  // offsets 0..10, the last without an item
};

// QueryContextMenu's request for the thumbnail: fit 100 x 100 in the fixed palette on 8-bit screens.
lumetta::DecodeRequest ThumbnailRequest();
// What the thumbnail may cost while the file manager waits for its menu: an image that needs more is
// listed without thumbnail rather than holding the file manager.
lumetta::DecodeBudget ThumbnailBudget();
