// libFuzzer target: any bytes as a folder's "descript.ion", searched for a few names. A description
// found is never longer than the limit and holds no code 4; a name that the list spells exactly on its
// first line is always found.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <strings.h>

#include "pipeline/FileDescriptions.h"

namespace {

bool SameName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

std::optional<std::string> Find(const uint8_t* data, size_t size, const char* name) {
  // An empty input cannot be opened as a memory stream; an empty list describes nothing.
  if (size == 0) return std::nullopt;
  std::FILE* list = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!list) std::abort();
  std::optional<std::string> found = lumetta::FindFileDescription(list, name, &SameName);
  std::fclose(list);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const char* name : {"photo.jpg", "My Picture.BMP", "a"}) {
    std::optional<std::string> found = Find(data, size, name);
    if (found && (found->size() > size_t(lumetta::kMaxDescription) || found->find('\x04') != std::string::npos))
      std::abort();
  }
  // A first line "name description" whose name is plain text always describes that name.
  std::string first;
  for (size_t i = 0; i < size && data[i] != ' ' && data[i] != '\r' && data[i] != '\n' && data[i] != '"' &&
                     data[i] != 0 && first.size() < 200;
       ++i)
    first += char(data[i]);
  if (!first.empty() && first.size() < size && data[first.size()] == ' ' && !Find(data, size, first.c_str()))
    std::abort();
  return 0;
}
