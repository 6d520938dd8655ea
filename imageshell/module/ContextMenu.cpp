// The shell extension's context menu: the thumbnail item, the command submenu under a caption that
// describes the image, the owner-drawn thumbnail, the help texts and the commands.
#include <cstring>

#include "module/ContextMenu.h"
#include "module/ShellExtension.h"
#include "resources/resource.h"
#include "shell/AboutBox.h"
#include "shell/ModuleState.h"
#include "shell/ObjectCount.h"
#include "shell/Settings.h"
#include "shell/ShellCommands.h"
#include "viewer/ViewerWindow.h"

using lumetta::ImageKind;

namespace {

constexpr int kTextSize = 100;
constexpr int kThumbnailMargin = 12;

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// A resource string of the user's language, empty when there is none.
void LoadText(UINT id, char* out, int size) {
  if (LoadStringA(ModuleInstance, id, out, size) <= 0) out[0] = '\0';
}

void AppendText(HMENU menu, UINT id, UINT textId) {
  char text[kTextSize];
  LoadText(textId, text, kTextSize);
  AppendMenuA(menu, MF_STRING, id, text);
}

HRESULT Used(UINT identifiers) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, identifiers); }

// Help text of each command offset (id 5 was dropped long ago).
constexpr UINT kHelpTexts[] = {IDS_HELP_VIEW,   IDS_HELP_PRINT,   IDS_HELP_TILED,   IDS_HELP_CENTERED, IDS_HELP_RESTORE,
                               IDS_HELP_TO_BMP, IDS_HELP_TO_JPEG, IDS_HELP_OPTIONS, IDS_HELP_ABOUT,    IDS_HELP_HELP};

}  // namespace

STDMETHODIMP ShellExtension::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) {
  if (!image_ || (flags & CMF_DEFAULTONLY) || KeyDown(VK_CONTROL)) return Used(0);
  if (!TheSettings.CheckAllExtensions && !lumetta::IsImageFileName(image_->GetPath())) return Used(0);
  // Our identifiers must stay inside the range the shell gave us, or they would collide with the items
  // of the handlers that come after us.
  if (idCmdLast < idCmdFirst || idCmdLast - idCmdFirst < kCommandsReserved - 1) return Used(0);

  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  try {
    AddMenuItems(menu, indexMenu, idCmdFirst);
  } catch (...) {
    // Whatever went wrong decoding, the shell keeps its menu; ours is simply shorter.
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  return Used(kCommandsReserved);
}

HRESULT ShellExtension::AddMenuItems(HMENU menu, UINT indexMenu, UINT idCmdFirst) {
  // SHIFT shows what the option would not: the thumbnail when it is switched off, and vice versa.
  const bool thumbnail = KeyDown(VK_SHIFT) != !TheSettings.NoThumbnail;
  // Detection, the shortcut and the thumbnail share one budget of time and memory (the file manager
  // waits for its menu meanwhile); past it the menu comes without its thumbnail.
  if (!lumetta::DetectAndDecodeThumbnail(*image_, thumbnail)) return S_OK;
  UINT position = indexMenu;
  InsertMenuA(menu, position++, MF_SEPARATOR | MF_BYPOSITION, 0, nullptr);

  if (thumbnail) {
    if (image_->IsComplete()) {
      auto bitmap = reinterpret_cast<HBITMAP>(image_->GetBitmap());
      if (ownerDraw_)
        InsertMenuA(menu, position++, MF_BYPOSITION | MF_OWNERDRAW, idCmdFirst + kCommandView,
                    reinterpret_cast<LPCSTR>(image_));
      else if (bitmap)
        InsertMenuA(menu, position++, MF_BYPOSITION | MF_BITMAP, idCmdFirst + kCommandView,
                    reinterpret_cast<LPCSTR>(bitmap));
    }
  } else {
    char text[kTextSize];
    LoadText(IDS_MENU_VIEW, text, kTextSize);
    InsertMenuA(menu, position++, MF_BYPOSITION | MF_STRING, idCmdFirst + kCommandView, text);
  }

  submenu_ = CreatePopupMenu();
  if (!submenu_) return E_OUTOFMEMORY;
  const ImageKind kind = image_->GetKind();
  AppendText(submenu_, idCmdFirst + kCommandView, IDS_MENU_VIEW);
  AppendText(submenu_, idCmdFirst + kCommandPrint, IDS_MENU_PRINT);
  AppendMenuA(submenu_, MF_SEPARATOR, 0, nullptr);
  AppendText(submenu_, idCmdFirst + kCommandTiledWallpaper, IDS_MENU_TILED);
  AppendText(submenu_, idCmdFirst + kCommandCenteredWallpaper, IDS_MENU_CENTERED);
  AppendText(submenu_, idCmdFirst + kCommandRestoreWallpaper, IDS_MENU_RESTORE);
  AppendMenuA(submenu_, MF_SEPARATOR, 0, nullptr);
  if (kind != ImageKind::Bmp) AppendText(submenu_, idCmdFirst + kCommandToBmp, IDS_MENU_TO_BMP);
  // A JPEG of a two-colour image would be larger and worse than the image itself.
  if (kind != ImageKind::Jpeg && image_->GetBitsPerPixel() > 1)
    AppendText(submenu_, idCmdFirst + kCommandToJpeg, IDS_MENU_TO_JPEG);
  AppendMenuA(submenu_, MF_SEPARATOR, 0, nullptr);
  AppendText(submenu_, idCmdFirst + kCommandOptions, IDS_MENU_OPTIONS);
  AppendMenuA(submenu_, MF_SEPARATOR, 0, nullptr);
  AppendText(submenu_, idCmdFirst + kCommandAbout, IDS_MENU_ABOUT);
  AppendText(submenu_, idCmdFirst + kCommandHelp, IDS_MENU_HELP);

  char caption[kPathBufferSize];
  lumetta::FormatImageLabel(caption, sizeof caption, "", kind, image_->GetWidth(), image_->GetHeight(),
                            image_->GetBitsPerPixel(), false, false);
  InsertMenuA(menu, position++, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu_), caption);
  InsertMenuA(menu, position, MF_SEPARATOR | MF_BYPOSITION, 0, nullptr);
  return S_OK;
}

STDMETHODIMP ShellExtension::HandleMenuMsg(UINT message, WPARAM, LPARAM lParam) {
  if (!image_ || !lParam) return S_OK;
  if (message == WM_MEASUREITEM)
    MeasureThumbnail(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
  else if (message == WM_DRAWITEM)
    DrawThumbnail(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  return S_OK;
}

void ShellExtension::MeasureThumbnail(MEASUREITEMSTRUCT* measure) {
  measure->itemWidth = UINT(image_->GetOutputWidth() + kThumbnailMargin);
  measure->itemHeight = UINT(image_->GetOutputHeight() + kThumbnailMargin);
}

void ShellExtension::DrawThumbnail(const DRAWITEMSTRUCT* draw) {
  HDC dc = draw->hDC;
  RECT item = draw->rcItem;
  FillRect(dc, &item, GetSysColorBrush((draw->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_MENU));

  auto palette = reinterpret_cast<HPALETTE>(image_->GetPalette());
  HPALETTE previousPalette = nullptr;
  if (palette) {
    previousPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  const int w = image_->GetOutputWidth();
  const int h = image_->GetOutputHeight();
  const int x = (item.left + item.right - w) / 2;
  const int y = (item.top + item.bottom - h) / 2;
  RECT frame = {x, y, x + w, y + h};
  InflateRect(&frame, 1, 1);
  DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);

  if (auto bitmap = reinterpret_cast<HBITMAP>(image_->GetBitmap())) {
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
      HGDIOBJ previous = SelectObject(memory, bitmap);
      BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
      SelectObject(memory, previous);
      DeleteDC(memory);
    }
  }
  // The DC belongs to the menu: it gets its own palette back.
  if (palette) SelectPalette(dc, previousPalette, FALSE);
}

STDMETHODIMP ShellExtension::GetCommandString(UINT_PTR offset, UINT flags, UINT*, LPSTR buffer, UINT bufferSize) {
  if (!buffer || bufferSize == 0) return S_OK;
  buffer[0] = '\0';
  if ((flags & GCS_HELPTEXTA) && offset < sizeof kHelpTexts / sizeof kHelpTexts[0])
    LoadText(kHelpTexts[offset], buffer, int(bufferSize < 0x7FFFFFFF ? bufferSize : 0x7FFFFFFF));
  if (flags & GCS_UNICODE) {
    // For the wide requests the buffer holds bufferSize UTF-16 units; the text always ends in a
    // terminator inside it, however short the buffer.
    WCHAR wide[128];
    int units = MultiByteToWideChar(CP_ACP, 0, buffer, -1, wide, 128);
    if (units <= 0) units = 1;
    wide[units - 1] = L'\0';
    UINT copy = UINT(units) < bufferSize ? UINT(units) : bufferSize;
    auto out = reinterpret_cast<WCHAR*>(buffer);
    std::memcpy(out, wide, copy * sizeof(WCHAR));
    out[copy - 1] = L'\0';
  }
  return S_OK;
}

STDMETHODIMP ShellExtension::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info || !IS_INTRESOURCE(info->lpVerb)) return E_INVALIDARG;
  const UINT offset = LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb));
  const char* path = image_ ? image_->GetPath() : nullptr;
  try {
    switch (offset) {
      case kCommandView:
        if (path) lumetta::OpenViewerWindow(path);
        break;
      case kCommandPrint:
        if (path) PrintImageFile(path);
        break;
      case kCommandTiledWallpaper:
      case kCommandCenteredWallpaper:
        if (path) SetWallpaperFromMenu(path, offset == kCommandTiledWallpaper);
        break;
      case kCommandRestoreWallpaper: SetWallpaperFromMenu(nullptr, false); break;
      case kCommandToBmp:
      case kCommandToJpeg:
        if (path) ConvertImageFromMenu(path, offset == kCommandToBmp ? ConversionFormat::Bmp : ConversionFormat::Jpeg);
        break;
      case kCommandOptions: {
        ObjectCountHold hold;
        TheSettings.ShowOptions(ModuleInstance, nullptr);
        break;
      }
      case kCommandAbout: AboutBox(ModuleInstance, nullptr); break;
      case kCommandHelp: WinHelpA(nullptr, HelpFilePath, HELP_FINDER, 0); break;
    }
  } catch (...) {
    // A command that ran out of memory has failed on its own; the shell's thread carries on.
  }
  return S_OK;
}
