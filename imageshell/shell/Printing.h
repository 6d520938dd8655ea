#pragma once

// Printing images: the print setup dialog over the print options, the system's printer dialog, and for
// each file a full-colour decode, optionally cut to the part the viewer shows, scaled and sent to the
// printer below optional lines of text (folder and name, the image's label, its description). A progress
// dialog with Cancel runs alongside. One print run at a time: the progress dialog, CancelRequested and the
// running position on the page are process-wide. Windows only.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "shell/Settings.h"

namespace lumetta {
class ImageFile;
}

struct PrintJob {
  HINSTANCE instance = nullptr;  // holds the dialog templates
  HWND owner = nullptr;          // disabled while the run lasts; none from the context menu
  PrintOptionsRecord options{};  // edited by the setup dialog; the caller keeps them afterwards
  // The part of the zoomed image the viewer shows, in zoomed pixels; empty when not printing from it.
  RECT windowRect{};
  bool showSetupDialog = true;
  int page = 0;  // the page (or frame) of each file to print
};

struct PrintSetupParameters {
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  PrintOptionsRecord* options = nullptr;  // edited in place on OK
  bool singleImage = false;
  bool multipleImages = false;
  bool windowContentAvailable = false;
};

// Prints the files with the job's options. True when every file was printed; false when there were no
// files, a dialog was cancelled, the printer cannot print bitmaps, or a file failed or the user cancelled
// the run (whatever was printed before stays printed). The caller keeps `job.options` afterwards.
bool PrintFiles(PrintJob& job, const std::vector<std::string>& files);

// The setup dialog (template 504); true when closed with OK, which stores the choices into the options.
bool PrintSetupDialog(PrintSetupParameters& parameters);

// One image of the run onto the printer; true when it was sent.
bool PrintImage(HDC printerDC, PrintJob& job, lumetta::ImageFile& image);

// The document around the pages: the progress dialog, the owner disabled, the abort procedure. A
// cancelled run, or one that put nothing on paper, is dropped instead of ended. EndPrintJob deletes the
// printer DC.
bool StartPrintJob(HINSTANCE instance, HWND owner, HDC printerDC);
bool EndPrintJob(HWND owner, HDC printerDC);
// Keeps the progress dialog answering while the spooler works; FALSE once the user cancelled.
BOOL CALLBACK AbortProc(HDC printerDC, int error);

// A new DIB section holding the given part of `bitmap` (at its depth and with its colours), or null.
HBITMAP CopyBitmapPart(HBITMAP bitmap, int x, int y, int width, int height);

// The printer dialog goes through this function; tests put a scripted one in place (null restores
// PrintDlgA).
using PrintDialogFunction = BOOL (*)(PRINTDLGA* dialog);
void SetPrintDialogFunction(PrintDialogFunction function);
