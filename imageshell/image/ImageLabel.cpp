// The format label shown beside a thumbnail and in the viewer's title, and the extension filter.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "image/ImageFile.h"
#include "pipeline/PathHelpers.h"
#include "pipeline/PlatformFiles.h"

namespace lumetta {

namespace {

// The type word of each kind, " jpeg" for kind 0 and so on (kind 8 has a word but no decoder).
const char* const kTypeWords[] = {" jpeg", " gif", " bmp", " tga", " pcx", " tiff", " pcd",
                                  " png",  " fif", " wmf", " iff", " psd", " pic"};

const char* DepthSuffix(int bitsCode) {
  switch (bitsCode) {
    case 1: return "x2";
    case 2: return "x4";
    case 3: return "x8";
    case 4: return "x16";
    case 5: return "x32";
    case 6: return "x64";
    case 7: return "x128";
    case 8: return "x256";
    case 12: return "xHAM";
    case 15: return "x32k";
    case 16: return "x64k";
    case 18: return "xHAM8";
    case 24: return "x16M";
    case 32: return "x16M+";
    default: return "";
  }
}

// Appends to a buffer of `size` characters, cutting what does not fit.
class LabelWriter {
public:
  LabelWriter(char* out, size_t size) : out_(out), size_(size) {
    if (size_) out_[0] = '\0';
  }
  void Append(const char* text, size_t limit = SIZE_MAX) {
    for (size_t i = 0; text[i] && i < limit && length_ + 1 < size_; ++i) out_[length_++] = text[i];
    if (size_) out_[length_] = '\0';
  }
  size_t length() const { return length_; }

private:
  char* out_;
  size_t size_;
  size_t length_ = 0;
};

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

bool IsImageFileNameAtDepth(const char* path, int depth) {
  static const char* const kExtensions[] = {"BMP", "DIB",  "RLE", "GIF",  "IFF",  "LBM", "ILBM", "JPG",
                                            "JPE", "JPEG", "JIF", "JFIF", "PCD",  "DCX", "PCX",  "PIC",
                                            "PNG", "PSD",  "TGA", "TIF",  "TIFF", "WMF"};
  if (!path) return false;
  const char* dot = std::strrchr(path, '.');
  if (!dot) return false;
  const char* extension = dot + 1;
  for (const char* known : kExtensions)
    if (EqualsIgnoringCase(extension, known)) return true;
  // A shortcut counts by its target; a chain of shortcuts ends somewhere (or loops): follow a few.
  if (EqualsIgnoringCase(extension, "LNK") && depth < 8) {
    char target[kPathBufferSize] = {};
    FollowShortcut(path, target, sizeof target);
    return target[0] && IsImageFileNameAtDepth(target, depth + 1);
  }
  return false;
}

}  // namespace

const char* ImageKindName(ImageKind kind) {
  int k = int(kind);
  return k >= 0 && k <= int(ImageKind::Pic) ? kTypeWords[k] + 1 : "unknown";
}

void FormatImageLabel(char* out, size_t outSize, const char* path, ImageKind kind, int width, int height, int bitsCode,
                      bool parenthesize, bool withDirectory) {
  if (!out || outSize == 0) return;
  LabelWriter label(out, outSize);
  if (path && *path) {
    if (withDirectory) {
      char folder[kPathBufferSize];
      if (FolderOfPath(path, folder)) {
        label.Append(folder);
        // A drive's root keeps its backslash; it needs no second one.
        size_t n = std::strlen(folder);
        if (n == 0 || folder[n - 1] != '\\') label.Append("\\");
      }
    }
    char title[kPathBufferSize];
    DisplayFileTitle(path, title, sizeof title);
    size_t room = label.length() < 256 ? 256 - label.length() : 0;
    label.Append(title, room);
    label.Append(" ");
  }
  if (parenthesize) label.Append("(");
  if (width != 0 && height != 0) {
    char size[48];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    label.Append(size);
    label.Append(DepthSuffix(bitsCode));
    int k = int(kind);
    if (k < 0 || k > int(ImageKind::Pic)) {
      if (parenthesize) label.Append(")");
      return;
    }
    label.Append(kTypeWords[k]);
  } else {
    label.Append("Unknown");
  }
  if (parenthesize) label.Append(")");
}

bool IsImageFileName(const char* path) { return IsImageFileNameAtDepth(path, 0); }

}  // namespace lumetta
