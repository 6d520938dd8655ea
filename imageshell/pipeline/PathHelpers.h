#pragma once

// Path routines on fixed-size ANSI buffers, shared by the image model and the shell commands.
#include <cstddef>

// Every path buffer holds this many characters, terminator included.
constexpr size_t kPathBufferSize = 261;

// out = folder, "\" when folder is non-empty, does not end in "\" and name is non-empty, then name.
// `out` holds kPathBufferSize characters; longer results are cut.
void JoinPath(char* out, const char* folder, const char* name);

// Copies path to out (unless they are the same buffer) and replaces what follows the last "." by
// extension, or appends "." and extension when there is no ".". A null extension cuts the text at the
// last "." (or leaves it). `out` holds kPathBufferSize characters.
void ReplaceExtension(const char* path, const char* extension, char* out);

// The folder of the path's full form, without a trailing "\" unless it follows a ":". Null when the
// full path has no file part. `out` holds kPathBufferSize characters.
char* FolderOfPath(const char* path, char* out);

// The text after the last "\", else after the last ":", else the whole path.
const char* FileNamePart(const char* path);
