#include "shell/Settings.h"

#include <cstring>

Settings TheSettings;

namespace {

struct NamedField {
  const char* name;
  int32_t Settings::*field;
};

// The order values are written in; reading order does not matter.
constexpr NamedField kFields[] = {
    {"Dither8", &Settings::Dither8},
    {"Dither16", &Settings::Dither16},
    {"Dither8Preview", &Settings::Dither8Preview},
    {"Dither16Preview", &Settings::Dither16Preview},
    {"AutoShrink", &Settings::AutoShrink},
    {"AutoEnlarge", &Settings::AutoEnlarge},
    {"AutoFitWindow", &Settings::AutoFitWindow},
    {"CheckAllExtensions", &Settings::CheckAllExtensions},
    {"NoThumbnail", &Settings::NoThumbnail},
    {"CommonFormatThumbnails", &Settings::CommonFormatThumbnails},
};

// Reads a binary value of exactly `size` bytes into `out`. A value of another size would leave a
// field half-written (or, larger, undefined), so it is ignored like a missing one.
void QueryExactly(HKEY key, const char* name, void* out, DWORD size) {
  BYTE buffer[64];
  DWORD got = sizeof buffer;
  if (RegQueryValueExA(key, name, nullptr, nullptr, buffer, &got) == ERROR_SUCCESS && got == size)
    std::memcpy(out, buffer, size);
}

HKEY OpenForReading(const char* keyPath) {
  HKEY key = nullptr;
  return RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
}

HKEY CreateForWriting(const char* keyPath) {
  HKEY key = nullptr;
  char emptyClass[] = "";
  return RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                         nullptr) == ERROR_SUCCESS
             ? key
             : nullptr;
}

}  // namespace

void Settings::SetDefaults() {
  CheckAllExtensions = 1;
  AutoShrink = 0;
  AutoEnlarge = 0;
  AutoFitWindow = 1;
  NoThumbnail = 0;
  CommonFormatThumbnails = 0;
  Dither8 = Dither16 = Dither8Preview = Dither16Preview = 1;
  std::memset(&PrintOptions, 0, sizeof PrintOptions);
  PrintOptions.scale = 100;
  PrintOptions.showFileName = 1;
  PrintOptions.showDescription = 1;
  PrintOptions.showImageInfo = 1;
  PrintOptions.onePerPage = 1;
}

bool Settings::Load(const char* keyPath) {
  HKEY key = OpenForReading(keyPath);
  if (!key) return false;
  for (const NamedField& f : kFields) QueryExactly(key, f.name, &(this->*f.field), sizeof(int32_t));
  RegCloseKey(key);
  return true;
}

bool Settings::LoadPrintOptions(const char* keyPath) {
  HKEY key = OpenForReading(keyPath);
  if (!key) return false;
  QueryExactly(key, "PrintOptions", &PrintOptions, sizeof PrintOptions);
  RegCloseKey(key);
  return true;
}

bool Settings::Save(const char* keyPath) const {
  HKEY key = CreateForWriting(keyPath);
  if (!key) return false;
  for (const NamedField& f : kFields)
    RegSetValueExA(key, f.name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&(this->*f.field)), sizeof(int32_t));
  RegCloseKey(key);
  return true;
}

bool Settings::SavePrintOptions(const char* keyPath) const {
  HKEY key = CreateForWriting(keyPath);
  if (!key) return false;
  RegSetValueExA(key, "PrintOptions", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&PrintOptions), sizeof PrintOptions);
  RegCloseKey(key);
  return true;
}
