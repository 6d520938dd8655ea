// Reading the help source: lines into topics and paragraphs, UTF-8 into Windows-1252.
#include <cstdio>
#include <cstring>

#include "HelpCompiler.h"

namespace helpc {
namespace {

// The code points Windows-1252 places in 0x80..0x9F (0 where it has none).
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int ToCp1252(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] != 0 && kCp1252High[i] == codePoint) return 0x80 + i;
  }
  return -1;
}

// One source line, UTF-8 to Windows-1252. Control characters other than tab (which becomes a space) are
// refused: they would end up as formatting bytes in the file.
bool LineToCp1252(const std::string& in, std::string* out, std::string* what) {
  out->clear();
  for (size_t i = 0; i < in.size();) {
    const unsigned char lead = static_cast<unsigned char>(in[i]);
    uint32_t cp = 0;
    size_t length = 1;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F, length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F, length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      cp = lead & 0x07, length = 4;
    } else {
      *what = "invalid UTF-8";
      return false;
    }
    if (i + length > in.size()) {
      *what = "invalid UTF-8";
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(in[i + k]);
      if ((c & 0xC0) != 0x80) {
        *what = "invalid UTF-8";
        return false;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    i += length;
    if (cp == '\t') cp = ' ';
    if (cp < 0x20 || cp == 0x7F) {
      *what = "control character";
      return false;
    }
    const int byte = ToCp1252(cp);
    if (byte < 0 || (cp >= 0x80 && cp < 0xA0)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      *what = std::string("character ") + code + " has no Windows-1252 form";
      return false;
    }
    out->push_back(static_cast<char>(byte));
  }
  return true;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

bool IsContextChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool ValidContext(const std::string& s) {
  if (s.empty() || s.size() > kMaxContextLength) return false;
  for (char c : s) {
    if (!IsContextChar(c)) return false;
  }
  return true;
}

// "Title {context} 701 702"
bool ParseTopicLine(const std::string& rest, Topic* topic, std::string* what) {
  const size_t open = rest.find('{');
  const size_t close = rest.find('}', open == std::string::npos ? 0 : open);
  if (open == std::string::npos || close == std::string::npos) {
    *what = "a topic line needs {context_string}";
    return false;
  }
  topic->title = Trim(rest.substr(0, open));
  topic->context = rest.substr(open + 1, close - open - 1);
  if (topic->title.empty() || topic->title.size() > kMaxTitleBytes) {
    *what = "a topic title has 1 to " + std::to_string(kMaxTitleBytes) + " characters";
    return false;
  }
  if (!ValidContext(topic->context)) {
    *what = "context string \"" + topic->context + "\" is not 1 to 255 letters, digits, \"_\" or \".\"";
    return false;
  }
  const std::string numbers = rest.substr(close + 1);
  for (size_t i = 0; i < numbers.size();) {
    if (numbers[i] == ' ') {
      ++i;
      continue;
    }
    uint64_t value = 0;
    size_t j = i;
    while (j < numbers.size() && numbers[j] >= '0' && numbers[j] <= '9' && value <= 0xFFFFFFFFull) {
      value = value * 10 + static_cast<uint64_t>(numbers[j] - '0');
      ++j;
    }
    if (j == i || value > 0x7FFFFFFFull || (j < numbers.size() && numbers[j] != ' ')) {
      *what = "context numbers after the context string are decimal numbers below 2^31";
      return false;
    }
    topic->numbers.push_back(static_cast<uint32_t>(value));
    i = j;
  }
  return true;
}

// Inline markup of one paragraph's text into runs.
bool ParseRuns(const std::string& text, Paragraph* paragraph, std::string* what) {
  Run current;
  auto flush = [&] {
    if (!current.text.empty()) paragraph->runs.push_back(current);
    current.text.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      if (i + 1 >= text.size() || std::strchr("*[]\\", text[i + 1]) == nullptr) {
        *what = "\"\\\" escapes only *, [, ] and \\";
        return false;
      }
      current.text.push_back(text[++i]);
    } else if (c == '*') {
      flush();
      current.bold = !current.bold;
    } else if (c == '[') {
      const size_t close = text.find(']', i);
      if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != '(') {
        *what = "a jump is written [text](context_string)";
        return false;
      }
      const size_t end = text.find(')', close);
      if (end == std::string::npos) {
        *what = "a jump is written [text](context_string)";
        return false;
      }
      Run jump;
      jump.text = text.substr(i + 1, close - i - 1);
      jump.jump = text.substr(close + 2, end - close - 2);
      if (jump.text.empty() || jump.text.find_first_of("*[\\") != std::string::npos) {
        *what = "a jump's text is plain and not empty";
        return false;
      }
      if (!ValidContext(jump.jump)) {
        *what = "jump target \"" + jump.jump + "\" is not a context string";
        return false;
      }
      flush();
      jump.bold = current.bold;
      paragraph->runs.push_back(jump);
      i = end;
    } else if (c == ']') {
      *what = "\"]\" outside a jump (write \\])";
      return false;
    } else {
      current.text.push_back(c);
    }
  }
  if (current.bold) {
    *what = "bold (*) is not closed in this paragraph";
    return false;
  }
  flush();
  if (text.size() > kMaxParagraphBytes) {
    *what = "paragraph longer than " + std::to_string(kMaxParagraphBytes) + " characters";
    return false;
  }
  return true;
}

// "keywords: list; price; printing" after its "keywords:".
bool ParseKeywords(const std::string& rest, Topic* topic, std::string* what) {
  size_t start = 0, pieces = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(';', start);
    if (end == std::string::npos) end = rest.size();
    const std::string keyword = Trim(rest.substr(start, end - start));
    const bool last = end == rest.size();
    start = end + 1;
    if (keyword.empty()) {
      if (last && pieces > 0) break;  // a closing ";"
      *what = "an empty keyword (keywords are separated by \";\")";
      return false;
    }
    if (keyword.size() > kMaxKeywordBytes) {
      *what = "a keyword has up to " + std::to_string(kMaxKeywordBytes) + " characters";
      return false;
    }
    ++pieces;
    bool known = false;
    for (const std::string& k : topic->keywords) known = known || CompareKeywords(k, keyword) == 0;
    if (!known) topic->keywords.push_back(keyword);
  }
  return true;
}

}  // namespace

bool ParseHelpSource(const std::string& utf8, HelpProject* project, std::string* error) {
  *project = HelpProject();
  if (utf8.size() > kMaxSourceBytes) {
    *error = "source larger than " + std::to_string(kMaxSourceBytes) + " bytes";
    return false;
  }
  std::string pending;  // the paragraph being gathered
  bool pendingBullet = false;
  int pendingLine = 0;
  int lineNumber = 0;
  std::string what;

  auto fail = [&](int line) {
    *error = "line " + std::to_string(line) + ": " + what;
    return false;
  };
  auto endParagraph = [&]() {
    if (pending.empty()) return true;
    Paragraph paragraph;
    paragraph.bullet = pendingBullet;
    if (!ParseRuns(pending, &paragraph, &what)) return false;
    project->topics.back().paragraphs.push_back(paragraph);
    pending.clear();
    return true;
  };

  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string::npos) end = utf8.size();
    std::string raw = utf8.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    if (lineNumber == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    if (!raw.empty() && raw[0] == '#') continue;

    std::string line;
    if (!LineToCp1252(raw, &line, &what)) return fail(lineNumber);
    line = Trim(line);

    if (line.empty()) {
      if (!endParagraph()) return fail(pendingLine);
      continue;
    }
    if (line.compare(0, 2, "==") == 0) {
      if (!endParagraph()) return fail(pendingLine);
      if (project->topics.size() >= kMaxTopics) {
        what = "more than " + std::to_string(kMaxTopics) + " topics";
        return fail(lineNumber);
      }
      Topic topic;
      topic.line = lineNumber;
      if (!ParseTopicLine(line.substr(2), &topic, &what)) return fail(lineNumber);
      project->topics.push_back(topic);
      continue;
    }
    if (project->topics.empty()) {
      const size_t colon = line.find(':');
      const std::string key = colon == std::string::npos ? "" : line.substr(0, colon);
      const std::string value = colon == std::string::npos ? "" : Trim(line.substr(colon + 1));
      if (key == "title" && value.size() <= kMaxTitleBytes) {
        project->title = value;
      } else if (key == "copyright" && value.size() <= kMaxTitleBytes) {
        project->copyright = value;
      } else {
        what = "before the first topic only \"title:\" and \"copyright:\" lines (up to 255 characters)";
        return fail(lineNumber);
      }
      continue;
    }
    if (line.compare(0, 9, "keywords:") == 0) {
      if (!endParagraph()) return fail(pendingLine);
      if (!ParseKeywords(line.substr(9), &project->topics.back(), &what)) return fail(lineNumber);
      continue;
    }
    // A bullet starts a paragraph of its own even without an empty line before it.
    if (line.compare(0, 2, "- ") == 0 && !endParagraph()) return fail(pendingLine);
    if (pending.empty()) {
      pendingLine = lineNumber;
      pendingBullet = line.compare(0, 2, "- ") == 0;
      pending = pendingBullet ? Trim(line.substr(2)) : line;
    } else {
      pending += ' ';
      pending += line;
    }
    if (pending.size() > kMaxParagraphBytes) {
      what = "paragraph longer than " + std::to_string(kMaxParagraphBytes) + " characters";
      return fail(pendingLine);
    }
  }
  if (!project->topics.empty() && !endParagraph()) return fail(pendingLine);
  if (project->topics.empty()) {
    *error = "the source has no topic";
    return false;
  }
  return true;
}

}  // namespace helpc
