#pragma once

// The extension's options: which files get menu items, the thumbnail, the viewer's automatic zoom and
// the print options. Defaults at load, read from the registry when a process attaches the module,
// edited in the Options sheet, written back when the process detaches it.
#include <windows.h>

#include <cstdint>

// The registry key under HKEY_CURRENT_USER.
constexpr const char* kSettingsKey = "Software\\Orvane\\Lumetta32";

// Stored whole as one 64-byte binary value; the layout is part of the registry format.
struct PrintOptionsRecord {
  int32_t scale;  // percent of the image's screen size
  uint8_t showFileName;
  uint8_t showDescription;  // from the folder's "descript.ion"
  uint8_t showImageInfo;    // the format label
  uint8_t onePerPage;
  uint8_t windowContentOnly;  // only the part visible in the viewer
  uint8_t fitToPage;
  uint8_t centerOnPage;  // 0: top of the page
  uint8_t showFilePath;
  uint8_t reserved[52];
};
static_assert(sizeof(PrintOptionsRecord) == 64);

struct Settings {
  Settings() { SetDefaults(); }
  void SetDefaults();

  // Registry values missing, or not of the field's size, leave the field as it was. Load and
  // LoadPrintOptions are false when the key cannot be opened, Save and SavePrintOptions when it cannot
  // be created; the record is unchanged then.
  bool Load(const char* keyPath);
  bool LoadPrintOptions(const char* keyPath);
  bool Save(const char* keyPath) const;
  bool SavePrintOptions(const char* keyPath) const;

  // The Options property sheet over `parent` (none: centred on the desktop). Only OK changes the
  // record. Returns true.
  bool ShowOptions(HINSTANCE instance, HWND parent);

  // Non-zero counts as true; kept as 32-bit integers because that is how they are stored.
  int32_t CheckAllExtensions;
  int32_t AutoShrink;
  int32_t AutoEnlarge;
  int32_t AutoFitWindow;
  int32_t NoThumbnail;
  // The folder views' thumbnails of JPEG, PNG, GIF, BMP and TIFF files come from lumetta32 rather than
  // from the system (the user's own registration, made when the Options are closed with OK).
  int32_t CommonFormatThumbnails;
  // Kept and written back for older and newer versions that read them.
  int32_t Dither8;
  int32_t Dither16;
  int32_t Dither8Preview;
  int32_t Dither16Preview;
  PrintOptionsRecord PrintOptions;
};

// The process's one record.
extern Settings TheSettings;
