#pragma once
// The programs keep their texts in Windows-1252, the ANSI code page they run under; the catalogue file
// holds UTF-8, so that any SQLite tool reads it. These two conversions sit at that boundary.
#include <string>
#include <string_view>

namespace mercanota {

std::string Cp1252ToUtf8(std::string_view cp1252);

// Characters that Windows-1252 cannot hold, and bytes that are not valid UTF-8, become '?', as the
// system's own conversion does.
std::string Utf8ToCp1252(std::string_view utf8);

// Decodes one UTF-8 sequence at `text[*pos]` and advances `*pos` past it. An invalid byte yields
// kInvalidCodePoint and advances by one, so a damaged text can always be walked to its end.
constexpr char32_t kInvalidCodePoint = 0xFFFD;
char32_t NextCodePoint(std::string_view text, size_t* pos);

// The Unicode code point of a Windows-1252 byte.
char32_t Cp1252CodePoint(unsigned char byte);

}  // namespace mercanota
