#include "shell/ShellCommands.h"

#include "shell/FileServices.h"
#include "shell/ModuleState.h"
#include "shell/ObjectCount.h"
#include "shell/Printing.h"
#include "shell/Settings.h"

namespace {

// One long command at a time: a print spooling pumps messages, and a print or a wallpaper started from
// another menu meanwhile would take over the first one's progress dialog and its Cancel flag.
bool longCommandRunning = false;

class LongCommandHold {
public:
  LongCommandHold() : granted_(!longCommandRunning) {
    if (granted_)
      longCommandRunning = true;
    else
      MessageBeep(MB_ICONASTERISK);
  }
  ~LongCommandHold() {
    if (granted_) longCommandRunning = false;
  }
  LongCommandHold(const LongCommandHold&) = delete;
  LongCommandHold& operator=(const LongCommandHold&) = delete;
  bool granted() const { return granted_; }

private:
  bool granted_;
};

void PrintOneFile(HWND owner, const char* path, int scale, const RECT* visible) {
  ObjectCountHold hold;
  LongCommandHold command;
  if (!command.granted()) return;
  PrintJob job;
  job.instance = ModuleInstance;
  job.owner = owner;
  job.options = TheSettings.PrintOptions;
  job.options.scale = scale;
  if (visible) job.windowRect = *visible;
  job.showSetupDialog = true;
  job.page = 0;
  PrintFiles(job, {path});
  // Kept whether or not anything was printed: a cancelled printer dialog keeps the setup's choices.
  TheSettings.PrintOptions = job.options;
}

}  // namespace

void PrintImageFile(const char* path) { PrintOneFile(nullptr, path, TheSettings.PrintOptions.scale, nullptr); }

void PrintImageFromViewer(HWND owner, const char* path, int zoom, const RECT& visible) {
  PrintOneFile(owner, path, zoom, &visible);
}

void SetWallpaperFromMenu(const char* path, bool tiled) {
  ObjectCountHold hold;
  LongCommandHold command;
  if (!command.granted()) return;
  SetWallpaper(ModuleInstance, nullptr, "Lumetta32", path, tiled);
}

void ConvertImageFromMenu(const char* path, ConversionFormat format) {
  ObjectCountHold hold;
  ConvertImage(nullptr, path, int(format));
}
