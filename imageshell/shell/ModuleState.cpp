#include "shell/ModuleState.h"

#include <cstdlib>
#include <cstring>

#include "shell/Settings.h"
#include "resources/resource.h"

HINSTANCE ModuleInstance = nullptr;
HICON ProductIcon = nullptr;
HICON BlinkIcon = nullptr;
char HelpFilePath[kPathBufferSize] = "Lumetta32.hlp";

void HelpPathForModule(const char* moduleFileName, char* out, const char* ending) {
  std::strncpy(out, moduleFileName, kPathBufferSize - 1);
  out[kPathBufferSize - 1] = '\0';
  char* dot = std::strrchr(out, '.');
  if (!dot || std::strchr(dot, '\\')) return;
  // The ending replaces the extension in place; a name that already fills the buffer loses its tail.
  const size_t length = std::strlen(ending);
  size_t at = size_t(dot - out);
  if (at + length > kPathBufferSize - 1) at = kPathBufferSize - 1 - length;
  std::memcpy(out + at, ending, length + 1);
}

void AttachModule(HINSTANCE instance) {
  ModuleInstance = instance;
  ProductIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMETTA));
  BlinkIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LUMETTA_BLINK));
  char moduleName[kPathBufferSize] = {};
  if (GetModuleFileNameA(instance, moduleName, kPathBufferSize) > 0) {
    moduleName[kPathBufferSize - 1] = '\0';
    HelpPathForModule(moduleName, HelpFilePath);
    char ending[16];
    char translated[kPathBufferSize];
    if (LoadStringA(instance, IDS_HELP_FILE_EXTENSION, ending, sizeof ending) > 0) {
      HelpPathForModule(moduleName, translated, ending);
      if (GetFileAttributesA(translated) != INVALID_FILE_ATTRIBUTES)
        std::memcpy(HelpFilePath, translated, kPathBufferSize);
    }
  }
  std::srand(GetTickCount());
  TheSettings.Load(kSettingsKey);
  TheSettings.LoadPrintOptions(kSettingsKey);
}

void DetachModule() {
  TheSettings.Save(kSettingsKey);
  TheSettings.SavePrintOptions(kSettingsKey);
}
