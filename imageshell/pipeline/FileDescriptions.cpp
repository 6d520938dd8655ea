// Reading "descript.ion" one character at a time, as the file may be of any length and any content.
#include "pipeline/FileDescriptions.h"

#include <cstring>

namespace lumetta {

std::optional<std::string> FindFileDescription(std::FILE* list, const char* name,
                                               bool (*sameName)(const char* a, const char* b)) {
  char entry[kMaxDescribedName + 2];
  std::string description;
  int c = std::fgetc(list);
  while (c != EOF) {
    int length = 0;
    if (c == '"') {
      // A quoted name may hold spaces.
      while ((c = std::fgetc(list)) != EOF && c != '"' && c != '\n' && length < kMaxDescribedName)
        entry[length++] = char(c);
      if (c == '"') c = std::fgetc(list);
    } else {
      entry[length++] = char(c);
      while ((c = std::fgetc(list)) != EOF && c != ' ' && c != '\r' && c != '\n' && length <= kMaxDescribedName)
        entry[length++] = char(c);
    }
    entry[length] = '\0';
    while (c == ' ') c = std::fgetc(list);
    description.clear();
    while (c != EOF && c != '\r' && c != '\n') {
      if (int(description.size()) < kMaxDescription) description += char(c);
      c = std::fgetc(list);
    }
    while (c == '\r' || c == '\n') c = std::fgetc(list);
    // A NUL inside the name would end it early and let it match another file's name.
    if (entry[0] && std::strlen(entry) == size_t(length) && sameName(entry, name)) {
      // Code 4 ends the description; what follows belongs to other programs.
      size_t end = description.find('\x04');
      if (end != std::string::npos) description.resize(end);
      return description;
    }
  }
  return std::nullopt;
}

}  // namespace lumetta
