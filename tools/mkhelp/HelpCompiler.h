#pragma once
// The help-file compiler: a text source with topics in, a WinHelp 3.1 file out.
//
// The source is UTF-8 text, one construct a line:
//
//   # a comment (only at the start of a line)
//   title: Title of the help file              (before the first topic)
//   copyright: Text shown in the viewer's About box
//   == Title of the topic {context_string} 701 702
//   keywords: list; price; printing               (in a topic: what the viewer's index lists for it)
//   A paragraph: consecutive lines are joined with a space; an empty line ends it.
//   - A bulleted paragraph.
//
// Inside a paragraph, *bold* switches bold on and off and [text](context_string) jumps to another topic;
// "\*", "\[", "\]" and "\\" stand for the characters themselves. Context strings are made of letters,
// digits, "_" and "." (the characters whose hash the viewer computes); the numbers after a topic's
// context string are the context numbers programs pass to the viewer (HELP_CONTEXT, HELP_WM_HELP). The
// first topic is the contents topic. A keyword may name several topics; keywords that differ only in the
// case of their letters are one keyword (the viewer's index ignores case), spelt as first written. Texts are stored in
// Windows-1252, the code page the help viewer assumes for a 3.1 file; a character outside it is an error.
#include <cstdint>
#include <string>
#include <vector>

namespace helpc {

// A stretch of paragraph text with one look: plain, bold, or the hot spot of a jump.
struct Run {
  std::string text;  // Windows-1252
  bool bold = false;
  std::string jump;  // context string of the target topic, or empty
};

struct Paragraph {
  bool bullet = false;
  std::vector<Run> runs;
};

struct Topic {
  std::string title;    // Windows-1252
  std::string context;  // context string
  std::vector<uint32_t> numbers;
  std::vector<std::string> keywords;  // Windows-1252, in the order given
  std::vector<Paragraph> paragraphs;
  int line = 0;  // where it starts in the source, for messages
};

struct HelpProject {
  std::string title;      // Windows-1252
  std::string copyright;  // Windows-1252
  std::vector<Topic> topics;
};

// Bounds on what one source may ask for; each keeps the file's fields in range.
constexpr size_t kMaxSourceBytes = 4u << 20;
constexpr size_t kMaxTopics = 20000;
constexpr size_t kMaxParagraphBytes = 8000;  // a paragraph's text, stored as a 2-byte count
constexpr size_t kMaxTitleBytes = 255;
constexpr size_t kMaxContextLength = 255;
constexpr size_t kMaxKeywordBytes = 255;
constexpr size_t kMaxTopicsPerKeyword = 32767;  // the index stores the count in 16 bits

// Parses a source. On failure returns false and sets `error` to "line N: what is wrong".
bool ParseHelpSource(const std::string& utf8, HelpProject* project, std::string* error);

// The viewer's hash of a context string (the key of the context index and of every jump).
int32_t ContextHash(const std::string& context);

// The order of the keyword index: letters without regard to case or accent first, then accents; 0 when
// the two are one keyword (they differ in the case of their letters at most).
int CompareKeywords(const std::string& a, const std::string& b);

// Writes the help file. Fails (false, with `error`) when jumps lead nowhere, context strings or numbers
// repeat, or the file's own limits are passed.
bool CompileHelpFile(const HelpProject& project, std::vector<uint8_t>* file, std::string* error);

}  // namespace helpc
