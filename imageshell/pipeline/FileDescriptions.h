#pragma once

// The description of a file in its folder's "descript.ion": a text file in the OEM code page, one entry
// a line, the file name first (plain, up to the first space, or in double quotes and then free to hold
// spaces), one or more spaces, then the description to the end of the line. Other programs keep their
// own data on the same line after a character of code 4. The file is hostile input like any image:
// names and descriptions are cut at fixed lengths, and any bytes read to its end.
#include <cstdio>
#include <optional>
#include <string>

namespace lumetta {

// Longest name and description read from a line; what goes beyond is skipped.
constexpr int kMaxDescribedName = 256;
constexpr int kMaxDescription = 4998;

// The description of `name` (compared by `sameName`, which the caller gives the system's case rules),
// read from `list` and cut at code 4, still in the OEM code page; nothing when no line names the file.
std::optional<std::string> FindFileDescription(std::FILE* list, const char* name,
                                               bool (*sameName)(const char* a, const char* b));

}  // namespace lumetta
