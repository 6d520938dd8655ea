#include "shell/FileServices.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "pipeline/FileDescriptions.h"
#include "image/ImageConversion.h"
#include "image/ImageFile.h"
#include "formats/ImageWriter.h"
#include "pipeline/PathHelpers.h"
#include "shell/ProgressDialog.h"
#include "resources/resource.h"

using namespace lumetta;

namespace {

int ShowMessage(HWND owner, const char* text, const char* caption, UINT type) {
  return ShowMessageBox(owner, text, caption, type);
}

const char kDesktopKey[] = "Control Panel\\desktop";
const char kNoWallpaper[] = "(none)";

// Reads a string value into `out` (of `size` bytes), always terminated. False when it is missing.
bool ReadString(HKEY key, const char* name, char* out, DWORD size) {
  char value[kPathBufferSize] = {};
  DWORD type = 0;
  DWORD length = size < sizeof value ? size : DWORD(sizeof value);
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &length) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  // A stored string need not carry its terminator.
  value[length < size ? length : size - 1] = '\0';
  std::memcpy(out, value, std::strlen(value) + 1);
  return true;
}

void WriteString(HKEY key, const char* name, const char* value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(std::strlen(value) + 1));
}

// Decodes the image to fit the screen in its colours, a slice at a time under the progress dialog.
// True when the picture is complete; false when it failed or the user cancelled.
bool DecodeForScreen(ImageFile& image, const char* path) {
  char title[MAX_PATH] = {};
  if (GetFileTitleA(path, title, sizeof title) != 0) std::snprintf(title, sizeof title, "%s", FileNamePart(path));
  char text[MAX_PATH + 16];
  std::snprintf(text, sizeof text, "Decoding %s", title);
  ProgressDialog::SetProgress(0);
  if (ProgressDialog::Handle()) SetDlgItemTextA(ProgressDialog::Handle(), IDC_PROGRESS_TEXT, text);

  DecodeRequest request;
  request.width = GetSystemMetrics(SM_CXSCREEN);
  request.height = GetSystemMetrics(SM_CYSCREEN);
  request.ditherMode = 4;
  request.ditherTo16 = 1;
  request.bottomUp = 1;
  if (!image.BeginDecode(request)) return false;
  int stalled = 0;
  while (!image.IsComplete() && !CancelRequested) {
    int before = image.GetProgress();
    int slice = (image.GetOutputHeight() + 50) / 100;
    if (!image.DecodeStep(slice > 1 ? slice : 1, nullptr, nullptr)) break;
    // A decoder that keeps answering success without moving on would hold the desktop forever.
    stalled = image.GetProgress() == before ? stalled + 1 : 0;
    if (stalled > 100) break;
    ProgressDialog::SetProgress(image.GetProgress());
    ProgressDialog::PumpMessages();
  }
  bool complete = image.IsComplete() && !CancelRequested;
  image.EndDecode(!complete);
  return complete && image.GetBitmap() != nullptr;
}

// Writes the decoded display bitmap as the wallpaper file. False on failure or cancellation; the file
// of an earlier wallpaper then stays as it was.
bool WriteWallpaperFile(ImageFile& image, const char* wallpaperPath) {
  BmpWriter writer;
  writer.SetOutputPath(wallpaperPath);
  if (writer.SetSource(image.GetBitmap()) != 0 || writer.Begin() != 0) return false;
  int slice = (writer.Height() + 50) / 100;
  while (writer.GetProgress() < 10000 && !CancelRequested) {
    if (writer.WriteRows(slice > 1 ? slice : 1) != 0) return false;
    ProgressDialog::SetProgress(writer.GetProgress());
    ProgressDialog::PumpMessages();
  }
  // Finish refuses a file with rows missing, so a cancelled write leaves nothing behind.
  return !CancelRequested && writer.Finish() == 0;
}

// Points the desktop at `wallpaperPath` (setting) or at the stored previous wallpaper (restoring); false
// when the system refused it.
bool StoreWallpaper(bool restoring, char* wallpaperPath, bool tiled) {
  char tile[10];
  std::snprintf(tile, sizeof tile, "%s", tiled ? "1" : "0");
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, kDesktopKey, &key) == ERROR_SUCCESS) {
    if (!restoring) {
      char current[kPathBufferSize] = {};
      char currentTile[10] = {};
      ReadString(key, "Wallpaper", current, sizeof current);
      ReadString(key, "TileWallpaper", currentTile, sizeof currentTile);
      // Setting our file again keeps the values from before the first of the series, so that a
      // restore returns to the user's own wallpaper.
      if (lstrcmpiA(current, wallpaperPath) != 0) {
        WriteString(key, "PrevWallpaper", current);
        WriteString(key, "PrevTileWallpaper", currentTile);
      }
    } else {
      ReadString(key, "PrevWallpaper", wallpaperPath, kPathBufferSize);
      ReadString(key, "PrevTileWallpaper", tile, sizeof tile);
    }
    WriteString(key, "Wallpaper", wallpaperPath);
    WriteString(key, "TileWallpaper", tile);
    RegCloseKey(key);
  }
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, wallpaperPath, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE) !=
         FALSE;
}

}  // namespace

bool SetWallpaper(HINSTANCE instance, HWND owner, const char* caption, const char* path, bool tiled) {
  char wallpaperPath[kPathBufferSize];
  std::snprintf(wallpaperPath, sizeof wallpaperPath, "%s", kNoWallpaper);
  bool success = true;
  HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  // The dialog clears the flag as it starts; without a dialog an old cancellation must not count.
  CancelRequested = false;
  ProgressDialog::Create(instance, owner, "Decoding", 500);

  if (path) {
    auto image = std::make_unique<ImageFile>(path);
    if (!DecodeForScreen(*image, path)) {
      if (!CancelRequested) ShowMessage(owner, "Could not read image.", caption, MB_OK);
      ProgressDialog::Destroy();
      SetCursor(previousCursor);
      return false;
    }
    char windowsFolder[kPathBufferSize] = {};
    GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    char fileName[64];
    std::snprintf(fileName, sizeof fileName, "%s Wallpaper.bmp", "Orvane");
    JoinPath(wallpaperPath, windowsFolder, fileName);
    if (ProgressDialog::Handle()) SetDlgItemTextA(ProgressDialog::Handle(), IDC_PROGRESS_TEXT, "Writing BMP");
    ProgressDialog::SetProgress(0);
    success = WriteWallpaperFile(*image, wallpaperPath);
  }

  if (success) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    HWND dialog = ProgressDialog::Handle();
    if (dialog) {
      EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
      SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, "Setting Wallpaper");
    }
    ProgressDialog::SetProgress(0);
    const bool stored = StoreWallpaper(path == nullptr, wallpaperPath, tiled);
    ProgressDialog::SetProgress(10000);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (dialog) EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    // The system may refuse the picture (no room, policy): the user is told, not shown success.
    if (!stored) {
      success = false;
      if (!ShowSystemError(caption)) ShowMessage(owner, "Could not set wallpaper.", caption, MB_OK);
    }
  } else if (!CancelRequested) {
    // A cancelled write is the user's choice, not a failure to report.
    ShowMessage(owner, "Could not write bitmap.", caption, MB_OK);
  }
  SetCursor(previousCursor);
  ProgressDialog::Destroy();
  return success;
}

bool ConvertImage(HWND owner, const char* path, int format) {
  OutputFormat outputFormat = format == 0 ? OutputFormat::Jpeg : OutputFormat::Bmp;
  char output[kPathBufferSize];
  ConversionOutputName(path, outputFormat, output);
  if (GetFileAttributesA(output) != INVALID_FILE_ATTRIBUTES &&
      ShowMessage(owner, "Output file exists.  Overwrite?", "Overwrite", MB_OKCANCEL) != IDOK)
    return true;
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  switch (ConvertImageFile(path, output, outputFormat, DefaultGraphics())) {
    case ConversionResult::Converted: SetCursor(LoadCursorA(nullptr, IDC_ARROW)); return true;
    case ConversionResult::SourceUnreadable:
      ShowMessage(owner, "Could not load source image!", "Conversion Failed", MB_OK);
      break;
    case ConversionResult::WriteFailed:
      ShowMessage(owner, "Can't write output image", "Conversion Failed", MB_OK);
      break;
  }
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return false;
}

namespace {
// The names in the list are OEM text, as its descriptions are; the file's own name is in the ANSI code
// page. Compared as they are, a name with an accent ("promoção.jpg") never found its line.
bool SameFileName(const char* listed, const char* name) {
  const size_t length = std::strlen(listed);
  char ansi[lumetta::kMaxDescribedName + 2];
  if (length >= sizeof ansi) return false;
  OemToCharBuffA(listed, ansi, DWORD(length + 1));
  return lstrcmpiA(ansi, name) == 0;
}
}  // namespace

char* ReadFileDescription(const char* path) {
  char folder[kPathBufferSize];
  if (!path || !FolderOfPath(path, folder)) return nullptr;
  char listPath[kPathBufferSize];
  JoinPath(listPath, folder, "descript.ion");
  FILE* list = std::fopen(listPath, "rb");
  if (!list) return nullptr;
  std::optional<std::string> description = lumetta::FindFileDescription(list, FileNamePart(path), &SameFileName);
  std::fclose(list);
  if (!description) return nullptr;
  char* found = new char[description->size() + 1];
  OemToCharA(description->c_str(), found);
  return found;
}
