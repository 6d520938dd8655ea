#include "shell/ModuleState.h"

#include <cstdlib>
#include <cstring>

#include "shell/Settings.h"
#include "resources/resource.h"

HINSTANCE ModuleInstance = nullptr;
HICON ProductIcon = nullptr;
HICON BlinkIcon = nullptr;
char HelpFilePath[kPathBufferSize] = "Lumetta32.hlp";

void HelpPathForModule(const char* moduleFileName, char* out) {
  std::strncpy(out, moduleFileName, kPathBufferSize - 1);
  out[kPathBufferSize - 1] = '\0';
  char* dot = std::strrchr(out, '.');
  if (!dot || std::strchr(dot, '\\')) return;
  // ".hlp" replaces the extension in place; a name that already fills the buffer loses its tail.
  size_t at = size_t(dot - out);
  if (at + 5 > kPathBufferSize - 1) at = kPathBufferSize - 1 - 4;
  std::memcpy(out + at, ".hlp", 5);
}

void AttachModule(HINSTANCE instance) {
  ModuleInstance = instance;
  ProductIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMETTA));
  BlinkIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMETTA_BLINK));
  char moduleName[kPathBufferSize] = {};
  if (GetModuleFileNameA(instance, moduleName, kPathBufferSize) > 0) {
    moduleName[kPathBufferSize - 1] = '\0';
    HelpPathForModule(moduleName, HelpFilePath);
  }
  std::srand(GetTickCount());
  TheSettings.Load(kSettingsKey);
  TheSettings.LoadPrintOptions(kSettingsKey);
}

void DetachModule() {
  TheSettings.Save(kSettingsKey);
  TheSettings.SavePrintOptions(kSettingsKey);
}
