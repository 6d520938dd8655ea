// The Options property sheet: one page over the process's Settings record.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "shell/HelpTopics.h"
#include "shell/ModuleState.h"
#include "shell/Settings.h"
#include "shell/WindowHelpers.h"
#include "resources/resource.h"

const DWORD OptionsPageHelpTopics[] = {IDC_OPT_ALL_EXTENSIONS,
                                       1000,
                                       IDC_OPT_IMAGE_EXTENSIONS,
                                       1001,
                                       IDC_OPT_NO_THUMBNAIL,
                                       1002,
                                       IDC_OPT_SHRINK,
                                       1003,
                                       IDC_OPT_ENLARGE,
                                       1004,
                                       IDC_OPT_FIT_RESIZED,
                                       1005,
                                       0,
                                       0};

const DWORD PrintSetupHelpTopics[] = {103, 701, 104, 702, 101, 703, 102, 704, 127, 710, 124,
                                      705, 126, 706, 128, 707, 123, 708, 125, 709, 0,   0};

bool HandleHelpMessage(UINT message, WPARAM wParam, LPARAM lParam, const DWORD* topics) {
  if (message == WM_HELP) {
    auto info = reinterpret_cast<const HELPINFO*>(lParam);
    if (info && info->iContextType == HELPINFO_WINDOW)
      WinHelpA(static_cast<HWND>(info->hItemHandle), HelpFilePath, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(topics));
    return true;
  }
  if (message == WM_CONTEXTMENU) {
    WinHelpA(reinterpret_cast<HWND>(wParam), HelpFilePath, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(topics));
    return true;
  }
  return false;
}

namespace {

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void Check(HWND page, int id, int32_t on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto settings = reinterpret_cast<Settings*>(sheetPage->lParam);
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(settings));
    HWND sheet = GetParent(page);
    CenterWindow(sheet, GetParent(sheet));
    Check(page, settings->CheckAllExtensions ? IDC_OPT_ALL_EXTENSIONS : IDC_OPT_IMAGE_EXTENSIONS, 1);
    Check(page, IDC_OPT_NO_THUMBNAIL, settings->NoThumbnail);
    Check(page, IDC_OPT_SHRINK, settings->AutoShrink);
    Check(page, IDC_OPT_ENLARGE, settings->AutoEnlarge);
    Check(page, IDC_OPT_FIT_RESIZED, settings->AutoFitWindow);
    return TRUE;
  }
  auto settings = reinterpret_cast<Settings*>(GetWindowLongPtrA(page, DWLP_USER));
  if (!settings) return FALSE;
  switch (message) {
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
          settings->NoThumbnail = Checked(page, IDC_OPT_NO_THUMBNAIL);
          settings->AutoShrink = Checked(page, IDC_OPT_SHRINK);
          settings->AutoEnlarge = Checked(page, IDC_OPT_ENLARGE);
          settings->AutoFitWindow = Checked(page, IDC_OPT_FIT_RESIZED);
          if (Checked(page, IDC_OPT_ALL_EXTENSIONS)) settings->CheckAllExtensions = 1;
          if (Checked(page, IDC_OPT_IMAGE_EXTENSIONS)) settings->CheckAllExtensions = 0;
          [[fallthrough]];
        case PSN_KILLACTIVE: SetWindowLongPtrA(page, DWLP_MSGRESULT, 0); return TRUE;
        case PSN_RESET:
        case PSN_SETACTIVE: return TRUE;
      }
      return FALSE;
    case WM_HELP:
    case WM_CONTEXTMENU: return HandleHelpMessage(message, wParam, lParam, OptionsPageHelpTopics) ? TRUE : FALSE;
  }
  return FALSE;
}

}  // namespace

bool Settings::ShowOptions(HINSTANCE instance, HWND parent) {
  InitCommonControls();
  PROPSHEETPAGEA page = {};
  page.dwSize = PROPSHEETPAGEA_V1_SIZE;
  page.dwFlags = 0;
  page.hInstance = instance;
  page.pszTemplate = MAKEINTRESOURCEA(IDD_OPTIONS);
  page.pfnDlgProc = OptionsPageProc;
  page.lParam = reinterpret_cast<LPARAM>(this);

  PROPSHEETHEADERA header = {};
  header.dwSize = PROPSHEETHEADERA_V1_SIZE;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
  header.hwndParent = parent;
  header.hInstance = instance;
  char caption[100];
  LoadTextWith(instance, IDS_OPTIONS_CAPTION, "Options", nullptr, caption, sizeof caption);
  header.pszCaption = caption;
  header.nPages = 1;
  header.nStartPage = 0;
  header.ppsp = &page;
  PropertySheetA(&header);
  return true;
}
