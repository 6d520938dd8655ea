#pragma once

// Path routines on fixed-size ANSI buffers, shared by the image model and the shell commands.
#include <cstddef>

// Every path buffer holds this many characters, terminator included.
constexpr size_t kPathBufferSize = 261;

// out = folder, "\" when folder is non-empty, does not end in "\" and name is non-empty, then name.
// `out` holds kPathBufferSize characters; longer results are cut.
void JoinPath(char* out, const char* folder, const char* name);

// Copies path to out (unless they are the same buffer) and replaces what follows the last "." of the
// file name by extension, or appends "." and extension when the name has no ".". A null extension cuts
// the text at that "." (or leaves it). `out` holds kPathBufferSize characters.
void ReplaceExtension(const char* path, const char* extension, char* out);

// The folder of the path's full form, without a trailing "\" unless it follows a ":". Null when the
// full path has no file part. `out` holds kPathBufferSize characters.
char* FolderOfPath(const char* path, char* out);

// The text after the last "\", else after the last ":", else the whole path.
const char* FileNamePart(const char* path);

// The first free name in the series path, name_2.ext, name_3.ext, ...: while a file of the name exists,
// a trailing "_<n>" before the extension becomes "_<n+1>" (scan_7.bmp -> scan_8.bmp), and a name
// without one gets "_2". `out` holds kPathBufferSize characters. When no longer name fits the buffer
// the last name tried is given, existing or not; the caller asks before replacing a file.
void MakeUniqueFileName(const char* path, char* out);

// A path as a launcher hands it over on a command line: blanks around it and one pair of double quotes
// around the rest removed ("%1" in a file type's command, a path with spaces typed in quotes). `out`
// holds kPathBufferSize characters; a path longer than that is refused (false, `out` empty) rather than
// cut into the name of another file.
bool UnquoteArgument(const char* argument, char* out);
