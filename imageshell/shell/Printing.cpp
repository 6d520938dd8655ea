#include "shell/Printing.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "shell/FileServices.h"
#include "pipeline/GdiGuards_win.h"
#include "shell/HelpTopics.h"
#include "image/ImageFile.h"
#include "pipeline/PathHelpers.h"
#include "shell/PrintLayout.h"
#include "shell/ProgressDialog.h"
#include "shell/WindowHelpers.h"
#include "resources/resource.h"

using namespace lumetta;

namespace {

PrintDialogFunction printDialog = nullptr;

// The run's state on the printer: how far down the current page is used, whether a page is open, how
// many pages were finished, and whether the printer refused a page (which ends the run).
int printPosition = 0;
bool pageOpen = false;
int pagesPrinted = 0;
bool pageRefused = false;

bool BeginPrinterPage(HDC dc) {
  if (StartPage(dc) <= 0) {
    pageRefused = true;
    return false;
  }
  pageOpen = true;
  printPosition = 0;
  return true;
}

bool FinishPrinterPage(HDC dc) {
  pageOpen = false;
  if (EndPage(dc) < 0) {
    pageRefused = true;
    return false;
  }
  ++pagesPrinted;
  return true;
}

void SetProgressText(const char* text) {
  if (HWND dialog = ProgressDialog::Handle()) SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text);
}

void FileTitle(const char* path, char* title, WORD size) {
  if (GetFileTitleA(path, title, size) != 0) std::snprintf(title, size, "%s", FileNamePart(path));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

INT_PTR CALLBACK PrintSetupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto parameters = reinterpret_cast<PrintSetupParameters*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    const PrintOptionsRecord& o = *parameters->options;
    Check(dialog, IDC_PRINT_WINDOW_ONLY, o.windowContentOnly);
    Check(dialog, IDC_PRINT_ENTIRE, !o.windowContentOnly);
    Check(dialog, IDC_PRINT_CENTER, o.centerOnPage);
    Check(dialog, IDC_PRINT_TOP, !o.centerOnPage);
    Check(dialog, IDC_PRINT_FILE_PATH, o.showFilePath);
    Check(dialog, IDC_PRINT_FILE_NAME, o.showFileName);
    Check(dialog, IDC_PRINT_DESCRIPTION, o.showDescription);
    Check(dialog, IDC_PRINT_IMAGE_INFO, o.showImageInfo);
    Check(dialog, IDC_PRINT_ONE_PER_PAGE, o.onePerPage);
    Check(dialog, IDC_PRINT_FIT, o.fitToPage);
    // Only the viewer knows a visible part, and only of its one image.
    const bool window = parameters->singleImage && parameters->windowContentAvailable;
    EnableWindow(GetDlgItem(dialog, IDC_PRINT_WINDOW_ONLY), window);
    EnableWindow(GetDlgItem(dialog, IDC_PRINT_ENTIRE), window);
    EnableWindow(GetDlgItem(dialog, IDC_PRINT_ONE_PER_PAGE), parameters->multipleImages);
    char caption[100];
    LoadTextWith(parameters->instance, IDS_PRINT_SETUP_CAPTION, "%s Print Setup", "Lumetta32", caption, sizeof caption);
    SetWindowTextA(dialog, caption);
    CenterWindow(dialog, parameters->owner);
    return TRUE;
  }
  auto parameters = reinterpret_cast<PrintSetupParameters*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!parameters) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        PrintOptionsRecord& o = *parameters->options;
        o.windowContentOnly = Checked(dialog, IDC_PRINT_WINDOW_ONLY);
        o.centerOnPage = Checked(dialog, IDC_PRINT_CENTER);
        o.showFilePath = Checked(dialog, IDC_PRINT_FILE_PATH);
        o.showFileName = Checked(dialog, IDC_PRINT_FILE_NAME);
        o.showDescription = Checked(dialog, IDC_PRINT_DESCRIPTION);
        o.showImageInfo = Checked(dialog, IDC_PRINT_IMAGE_INFO);
        o.onePerPage = Checked(dialog, IDC_PRINT_ONE_PER_PAGE);
        o.fitToPage = Checked(dialog, IDC_PRINT_FIT);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 2);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
    case WM_CONTEXTMENU: return HandleHelpMessage(message, wParam, lParam, PrintSetupHelpTopics) ? TRUE : FALSE;
  }
  return FALSE;
}

// Decodes the image at full size and colour, a slice at a time under the progress dialog. True when the
// picture is complete and the user did not cancel.
bool DecodeForPrinting(const PrintJob& job, ImageFile& image, const char* title) {
  DecodeRequest request;
  request.bottomUp = 1;
  request.makeBitmap = 0;
  request.makeFullColorBitmap = 1;
  if (!image.BeginDecode(request)) {
    char text[MAX_PATH + 32];
    std::snprintf(text, sizeof text, "Could not read image:\n%s", title);
    ShowMessageBox(job.owner, text, "Lumetta32", MB_OK);
    return false;
  }
  char text[MAX_PATH + 16];
  std::snprintf(text, sizeof text, "Decoding %s", title);
  SetProgressText(text);
  int stalled = 0;
  while (!image.IsComplete() && !CancelRequested) {
    const int before = image.GetProgress();
    const int slice = (image.GetOutputHeight() + 50) / 100;
    if (!image.DecodeStep(slice > 1 ? slice : 1, nullptr, nullptr)) {
      ShowMessageBox(job.owner, "Could not load image.", "Lumetta32", MB_OK);
      break;
    }
    // A decoder that keeps answering success without moving on would hold the printer forever.
    stalled = image.GetProgress() == before ? stalled + 1 : 0;
    if (stalled > 100) break;
    ProgressDialog::SetProgress(image.GetProgress());
    ProgressDialog::PumpMessages();
  }
  const bool complete = image.IsComplete() && !CancelRequested;
  image.EndDecode(!complete);
  return complete;
}

struct TextLine {
  std::string text;
  SIZE size{};
};

// The lines above the image: folder and name (or the image's label instead), then the description.
std::vector<TextLine> TextLines(HDC printerDC, const PrintOptionsRecord& o, ImageFile& image) {
  std::vector<std::string> texts;
  const char* path = image.GetPath();
  // The folder is printed as the file system gives it, in the ANSI code page like every other text.
  char folder[kPathBufferSize] = {};
  const bool haveFolder = path && o.showFilePath && FolderOfPath(path, folder);
  if ((o.showFileName || o.showFilePath) && path && !o.showImageInfo) {
    char title[kPathBufferSize] = {};
    if (o.showFileName) FileTitle(path, title, sizeof title);
    char line[kPathBufferSize];
    JoinPath(line, haveFolder ? folder : "", title);
    texts.push_back(line);
  }
  if (o.showImageInfo) {
    std::string line;
    if (haveFolder) line = std::string(folder) + (o.showFileName ? "\\ " : " ");
    char label[kPathBufferSize + 64];
    FormatImageLabel(label, sizeof label, o.showFileName ? path : nullptr, image.GetKind(), image.GetWidth(),
                     image.GetHeight(), image.GetBitsPerPixel(), o.showFileName || o.showFilePath, false);
    line += label;
    texts.push_back(line);
  }
  if (o.showDescription && path) {
    if (char* description = ReadFileDescription(path)) {
      texts.push_back(description);
      delete[] description;
    }
  }
  std::vector<TextLine> lines;
  for (std::string& text : texts) {
    if (text.empty()) continue;
    TextLine line{std::move(text)};
    GetTextExtentExPointA(printerDC, line.text.c_str(), int(line.text.size()), 0, nullptr, nullptr, &line.size);
    lines.push_back(std::move(line));
  }
  return lines;
}

// Sends the bitmap at the placement: stretched from its bits where the driver can scale, else copied.
bool SendBitmap(HDC printerDC, HBITMAP bitmap, const PrintPlacement& at, bool canStretch) {
  gdi::MemoryDc memory(printerDC);
  gdi::Selection selection(memory.get(), bitmap);
  if (!memory.get() || !selection.ok()) {
    ShowSystemError("SelectObject");
    return false;
  }
  bool sent = false;
  DIBSECTION section{};
  if (canStretch && GetObjectA(bitmap, sizeof section, &section) == int(sizeof section) && section.dsBm.bmBits) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colors[256];
    } info{};
    info.header = section.dsBmih;
    if (info.header.biBitCount <= 8) {
      UINT count = info.header.biClrUsed ? info.header.biClrUsed : 1u << info.header.biBitCount;
      GetDIBColorTable(memory.get(), 0, count > 256 ? 256 : count, info.colors);
    } else if (info.header.biCompression == BI_BITFIELDS) {
      std::memcpy(info.colors, section.dsBitfields, sizeof section.dsBitfields);
    }
    const int lines = StretchDIBits(printerDC, at.x, at.y, at.width, at.height, 0, 0, at.sourceWidth, at.sourceHeight,
                                    section.dsBm.bmBits, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    sent = lines > 0;
  } else if (canStretch) {
    sent = StretchBlt(printerDC, at.x, at.y, at.width, at.height, memory.get(), 0, 0, at.sourceWidth, at.sourceHeight,
                      SRCCOPY) != FALSE;
  } else {
    sent = BitBlt(printerDC, at.x, at.y, at.width, at.height, memory.get(), 0, 0, SRCCOPY) != FALSE;
  }
  if (!sent) ShowSystemError("Error printing bitmap");
  return sent;
}

}  // namespace

void SetPrintDialogFunction(PrintDialogFunction function) { printDialog = function; }

bool PrintSetupDialog(PrintSetupParameters& parameters) {
  if (!parameters.options) return false;
  return DialogBoxParamA(parameters.instance, MAKEINTRESOURCEA(IDD_PRINT_SETUP), parameters.owner, PrintSetupProc,
                         reinterpret_cast<LPARAM>(&parameters)) == 1;
}

HBITMAP CopyBitmapPart(HBITMAP bitmap, int x, int y, int width, int height) {
  DIBSECTION section{};
  if (!bitmap || width <= 0 || height <= 0 || GetObjectA(bitmap, sizeof section, &section) != int(sizeof section))
    return nullptr;
  gdi::MemoryDc source;
  gdi::Selection sourceSelection(source.get(), bitmap);
  if (!sourceSelection.ok()) return nullptr;
  // The part is made as a DIB section of the source's own depth and colours, so that it goes to the
  // printer through the same path as a whole image.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header = section.dsBmih;
  info.header.biWidth = width;
  info.header.biHeight = section.dsBmih.biHeight < 0 ? -height : height;
  info.header.biSizeImage = 0;
  if (info.header.biBitCount <= 8) {
    UINT count = info.header.biClrUsed ? info.header.biClrUsed : 1u << info.header.biBitCount;
    GetDIBColorTable(source.get(), 0, count > 256 ? 256 : count, info.colors);
  } else if (info.header.biCompression == BI_BITFIELDS) {
    std::memcpy(info.colors, section.dsBitfields, sizeof section.dsBitfields);
  }
  void* bits = nullptr;
  gdi::Object<HBITMAP> part(
      CreateDIBSection(source.get(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!part.get()) return nullptr;
  gdi::MemoryDc target;
  {
    gdi::Selection targetSelection(target.get(), part.get());
    if (!targetSelection.ok() || !BitBlt(target.get(), 0, 0, width, height, source.get(), x, y, SRCCOPY))
      return nullptr;
  }
  GdiFlush();
  return part.release();
}

BOOL CALLBACK AbortProc(HDC, int) {
  MSG message;
  while (!CancelRequested && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The quit belongs to the loop that runs the program; put it back for that loop to see.
      PostQuitMessage(int(message.wParam));
      break;
    }
    HWND dialog = ProgressDialog::Handle();
    if (!dialog) return FALSE;
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return CancelRequested ? FALSE : TRUE;
}

bool StartPrintJob(HINSTANCE instance, HWND owner, HDC printerDC) {
  if (!ProgressDialog::Create(instance, owner, nullptr, 0)) {
    ShowMessageBox(owner, "Could not create progress dialog box", "Print Error", MB_OK);
    return false;
  }
  if (owner && IsWindow(owner)) EnableWindow(owner, FALSE);
  ProgressDialog::SetProgress(0);
  CancelRequested = false;
  printPosition = 0;
  pageOpen = false;
  pagesPrinted = 0;
  pageRefused = false;
  SetAbortProc(printerDC, AbortProc);
  char name[64];
  std::snprintf(name, sizeof name, "%s print job", "Lumetta32");
  DOCINFOA document{};
  document.cbSize = sizeof document;
  document.lpszDocName = name;
  if (StartDocA(printerDC, &document) > 0) {
    ShowWindow(ProgressDialog::Handle(), SW_SHOWNA);
    return true;
  }
  if (owner && IsWindow(owner)) EnableWindow(owner, TRUE);
  ProgressDialog::Destroy();
  return false;
}

bool EndPrintJob(HWND owner, HDC printerDC) {
  if (pageOpen && !CancelRequested) FinishPrinterPage(printerDC);
  // The spooler drops a cancelled document; a document without a page would come out as blank paper.
  if (CancelRequested || pagesPrinted == 0)
    AbortDoc(printerDC);
  else
    EndDoc(printerDC);
  pageOpen = false;
  DeleteDC(printerDC);
  if (owner && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetFocus(owner);
  }
  ProgressDialog::Destroy();
  return true;
}

bool PrintImage(HDC printerDC, PrintJob& job, ImageFile& image) {
  const PrintOptionsRecord& o = job.options;
  const bool useWindow = o.windowContentOnly && !IsRectEmpty(&job.windowRect);
  const int rasterCaps = GetDeviceCaps(printerDC, RASTERCAPS);
  const char* path = image.GetPath();
  char title[kPathBufferSize] = {};
  if (path) FileTitle(path, title, sizeof title);

  if (!DecodeForPrinting(job, image, title)) return false;
  SetProgressText("Printing... Please wait");
  ProgressDialog::SetProgress(0);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(image.GetFullColorBitmap());
  if (!bitmap) return false;
  if (o.onePerPage || !pageOpen) {
    if (pageOpen && !FinishPrinterPage(printerDC)) return false;
    if (!BeginPrinterPage(printerDC)) return false;
  }

  const int pageWidth = GetDeviceCaps(printerDC, HORZRES);
  const int pageHeight = GetDeviceCaps(printerDC, VERTRES);
  PrintSizing sizing;
  sizing.imageWidth = image.GetOutputWidth();
  sizing.imageHeight = image.GetOutputHeight();
  sizing.scale = o.scale;
  if (useWindow) sizing.window = {job.windowRect.left, job.windowRect.top, job.windowRect.right, job.windowRect.bottom};
  sizing.fitToPage = o.fitToPage;
  sizing.centerOnPage = o.centerOnPage;
  sizing.pageWidth = pageWidth;
  sizing.printerDpiX = GetDeviceCaps(printerDC, LOGPIXELSX);
  sizing.printerDpiY = GetDeviceCaps(printerDC, LOGPIXELSY);
  {
    gdi::ScreenDc screen;
    sizing.screenDpiX = GetDeviceCaps(screen.get(), LOGPIXELSX);
    sizing.screenDpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }

  // Each text line takes twice its height.
  std::vector<TextLine> lines = TextLines(printerDC, o, image);
  int textHeight = 0;
  for (const TextLine& line : lines) textHeight += 2 * line.size.cy;

  // Several images share a page one below the other; one that does not fit below the last starts a
  // new page, where it is sized as if it were alone.
  if (printPosition > 0) {
    sizing.top = 0;
    sizing.pageHeight = pageHeight - textHeight;
    const PrintPlacement alone = PlaceImageOnPage(sizing);
    if (printPosition + textHeight + alone.height > pageHeight) {
      if (!FinishPrinterPage(printerDC) || !BeginPrinterPage(printerDC)) return false;
    }
  }
  for (const TextLine& line : lines) {
    TextOutA(printerDC, (pageWidth - line.size.cx) / 2, printPosition, line.text.c_str(), int(line.text.size()));
    printPosition += 2 * line.size.cy;
  }
  sizing.top = printPosition;
  sizing.pageHeight = pageHeight - printPosition;
  const PrintPlacement at = PlaceImageOnPage(sizing);

  gdi::Object<HBITMAP> part(useWindow ? CopyBitmapPart(bitmap, at.sourceX, at.sourceY, at.sourceWidth, at.sourceHeight)
                                      : nullptr);
  if (useWindow) {
    if (!part.get()) {
      ShowMessageBox(job.owner, "Could not cut DI bitmap - insufficient memory?", "Print Error", MB_OK);
      return false;
    }
    bitmap = part.get();
  }
  if (!SendBitmap(printerDC, bitmap, at, (rasterCaps & (RC_STRETCHBLT | RC_STRETCHDIB)) != 0)) return false;
  // The next image of a shared page starts a text line's height below this one.
  TEXTMETRICA metrics{};
  GetTextMetricsA(printerDC, &metrics);
  printPosition = at.y + at.height + metrics.tmHeight;
  return true;
}

bool PrintFiles(PrintJob& job, const std::vector<std::string>& files) {
  if (files.empty()) return false;
  if (job.showSetupDialog) {
    PrintOptionsRecord edited = job.options;
    PrintSetupParameters parameters;
    parameters.instance = job.instance;
    parameters.owner = job.owner;
    parameters.options = &edited;
    parameters.singleImage = files.size() == 1;
    parameters.multipleImages = files.size() > 1;
    parameters.windowContentAvailable = !IsRectEmpty(&job.windowRect);
    if (!PrintSetupDialog(parameters)) return false;
    job.options = edited;
  }

  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = job.owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  const BOOL chosen = printDialog ? printDialog(&dialog) : PrintDlgA(&dialog);
  // The printer's settings are not kept between runs.
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  HDC printerDC = chosen ? dialog.hDC : nullptr;
  if (!printerDC) return false;

  const int rasterCaps = GetDeviceCaps(printerDC, RASTERCAPS);
  if (!(rasterCaps & RC_BITBLT)) {
    ShowMessageBox(job.owner, "Cannot print to the selected printer because it\ndoes not support printing bitmaps.",
                   "Print Error", MB_OK);
    DeleteDC(printerDC);
    return false;
  }
  if (!(rasterCaps & (RC_STRETCHBLT | RC_STRETCHDIB)))
    ShowMessageBox(job.owner, "The selected print driver\ndoes not support bitmap scaling.", "Print Warning", MB_OK);

  if (!StartPrintJob(job.instance, job.owner, printerDC)) {
    DeleteDC(printerDC);
    return false;
  }
  bool allPrinted = true;
  if (!job.options.onePerPage) BeginPrinterPage(printerDC);
  for (size_t i = 0; i < files.size() && !CancelRequested && !pageRefused; ++i) {
    auto image = std::make_unique<ImageFile>(files[i].c_str());
    image->SetPage(job.page);
    const bool printed = PrintImage(printerDC, job, *image);
    if (printed) ProgressDialog::SetProgress(5000);
    // A page that something went onto is ended even when this image failed, so that it still comes out.
    const bool last = i + 1 == files.size();
    if (pageOpen && (job.options.onePerPage || last)) FinishPrinterPage(printerDC);
    if (printed)
      ProgressDialog::SetProgress(10000);
    else
      allPrinted = false;
  }
  const bool cancelled = CancelRequested || pageRefused;
  EndPrintJob(job.owner, printerDC);
  return allPrinted && !cancelled;
}
