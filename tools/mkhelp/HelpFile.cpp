// Writing a WinHelp 3.1 file (format version 1.21).
//
// The file is a small file system: a 16-byte header, internal files each behind a 9-byte header, and a
// directory of them kept as a B+ tree. We write the internal files the viewer needs:
//   |SYSTEM   version, title, copyright and where the contents topic starts;
//   |FONT     the three faces the topics use (body, bold body, topic heading);
//   |TOPIC    the topics: topic headers and paragraph records chained in 4 KiB blocks;
//   |CONTEXT  B+ tree from the hash of each context string to its topic's offset;
//   |CTXOMAP  context numbers to topic offsets, for programs that call the viewer with a number;
//   |KWBTREE  the keyword index: B+ tree from each keyword to how many topics it names and where their
//             offsets start in |KWDATA;
//   |KWDATA   those topic offsets, keyword after keyword;
//   |KWMAP    when the index has several leaf pages, the number of the first keyword on each, so that a
//             viewer can reach the n-th keyword of its list without walking the leaves.
// The layout follows the descriptions published by the authors of the help decompilers (file system,
// B+ trees, TOPICLINK and TOPICOFFSET arithmetic); Wine's help viewer served as the reading side.
//
// Topic blocks are written in the LZ77 framing (|SYSTEM flags 4) but with literals only. Positions in
// |TOPIC are "block number * 16384 + 12 + offset", which every reader agrees on for framed blocks; for
// unframed 4 KiB blocks readers disagree once a file passes 16 KiB. Literals cost one flag byte in
// nine, and each 4096-byte block carries 3630 bytes of topic data.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>

#include "HelpCompiler.h"

namespace helpc {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Patch32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutString(Bytes& b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}

// Paragraph records store some numbers in one or two bytes, the low bit saying which.
void PutCompressedUnsigned16(Bytes& b, uint32_t v) {  // v < 32768
  if (v < 128) {
    b.push_back(static_cast<uint8_t>(v * 2));
  } else {
    Put16(b, v * 2 + 1);
  }
}
void PutCompressedSigned16(Bytes& b, int v) {  // -16384 <= v < 16384
  if (v >= -64 && v < 64) {
    b.push_back(static_cast<uint8_t>((v + 64) * 2));
  } else {
    Put16(b, static_cast<uint32_t>((v + 16384) * 2 + 1));
  }
}
void PutCompressedSigned32(Bytes& b, int v) {  // -16384 <= v < 16384: the two-byte form
  Put16(b, static_cast<uint32_t>((v + 16384) * 2));
}

constexpr uint32_t kNone = 0xFFFFFFFFu;

// ---- B+ trees --------------------------------------------------------------------------------------

struct TreeEntry {
  Bytes key;    // what index pages repeat
  Bytes value;  // what follows the key in a leaf
};

// Where each leaf page of a tree starts: the index of its first entry and the page's number.
struct Leaf {
  uint32_t firstEntry;
  uint16_t page;
};

// A B+ tree over entries already in key order: leaves filled in order, index levels above them until one
// page remains, which is the root.
bool BuildTree(const std::vector<TreeEntry>& entries, uint16_t pageSize, uint16_t flags, const char* structure,
               Bytes* out, std::string* error, std::vector<Leaf>* leaves = nullptr) {
  std::vector<Bytes> pages;
  struct Child {
    const Bytes* key;
    uint16_t page;
  };
  std::vector<Child> level;

  // Leaves: 8-byte header (free bytes, entries, previous, next) and entries.
  size_t i = 0;
  do {
    Bytes page(8, 0);
    const Bytes* firstKey = i < entries.size() ? &entries[i].key : nullptr;
    uint16_t count = 0;
    while (i < entries.size() && page.size() + entries[i].key.size() + entries[i].value.size() <= pageSize) {
      page.insert(page.end(), entries[i].key.begin(), entries[i].key.end());
      page.insert(page.end(), entries[i].value.begin(), entries[i].value.end());
      ++i, ++count;
    }
    if (count == 0 && i < entries.size()) {
      *error = "an index entry is larger than a B+ tree page";
      return false;
    }
    const uint16_t number = static_cast<uint16_t>(pages.size());
    if (leaves) leaves->push_back({static_cast<uint32_t>(i - count), number});
    const uint32_t unused = pageSize - static_cast<uint32_t>(page.size());
    page[0] = static_cast<uint8_t>(unused), page[1] = static_cast<uint8_t>(unused >> 8);
    page[2] = static_cast<uint8_t>(count), page[3] = static_cast<uint8_t>(count >> 8);
    const uint16_t previous = number == 0 ? 0xFFFF : number - 1;
    page[4] = static_cast<uint8_t>(previous), page[5] = static_cast<uint8_t>(previous >> 8);
    page[6] = page[7] = 0xFF;  // next: set when the next leaf comes
    if (number > 0) {
      pages.back()[6] = static_cast<uint8_t>(number), pages.back()[7] = static_cast<uint8_t>(number >> 8);
    }
    page.resize(pageSize, 0);
    pages.push_back(page);
    level.push_back({firstKey, number});
    if (pages.size() > 0xFFF0) {
      *error = "B+ tree too large";
      return false;
    }
  } while (i < entries.size());

  // Index levels: 6-byte header (free bytes, entries, first child) and (key, page) pairs, the first child
  // taking every key below the page's first entry.
  uint16_t levels = 1;
  while (level.size() > 1) {
    std::vector<Child> parents;
    size_t c = 0;
    while (c < level.size()) {
      Bytes page(6, 0);
      const Child first = level[c++];
      page[4] = static_cast<uint8_t>(first.page), page[5] = static_cast<uint8_t>(first.page >> 8);
      uint16_t count = 0;
      while (c < level.size() && page.size() + level[c].key->size() + 2 <= pageSize) {
        page.insert(page.end(), level[c].key->begin(), level[c].key->end());
        Put16(page, level[c].page);
        ++c, ++count;
      }
      if (count == 0 && c < level.size()) {
        *error = "an index entry is larger than a B+ tree page";
        return false;
      }
      const uint32_t unused = pageSize - static_cast<uint32_t>(page.size());
      page[0] = static_cast<uint8_t>(unused), page[1] = static_cast<uint8_t>(unused >> 8);
      page[2] = static_cast<uint8_t>(count), page[3] = static_cast<uint8_t>(count >> 8);
      page.resize(pageSize, 0);
      parents.push_back({first.key, static_cast<uint16_t>(pages.size())});
      pages.push_back(page);
      if (pages.size() > 0xFFF0) {
        *error = "B+ tree too large";
        return false;
      }
    }
    level = parents;
    ++levels;
  }

  // Header: magic, flags, page size, structure, 0, page splits, root, -1, pages, levels, entries.
  out->clear();
  Put16(*out, 0x293B);
  Put16(*out, flags);
  Put16(*out, pageSize);
  char text[16] = {};
  std::strncpy(text, structure, sizeof text - 1);
  out->insert(out->end(), text, text + 16);
  Put16(*out, 0);
  Put16(*out, 0);
  Put16(*out, level[0].page);
  Put16(*out, 0xFFFF);
  Put16(*out, static_cast<uint32_t>(pages.size()));
  Put16(*out, levels);
  Put32(*out, static_cast<uint32_t>(entries.size()));
  for (const Bytes& page : pages) out->insert(out->end(), page.begin(), page.end());
  return true;
}

// ---- |TOPIC -----------------------------------------------------------------------------------------

constexpr uint32_t kBlockSize = 4096;
constexpr uint32_t kBlockHeader = 12;
constexpr uint32_t kBlockData = 3630;  // literals that fill 4084 framed bytes: 3630 + ceil(3630 / 8)
constexpr uint32_t kLinkHeader = 21;
constexpr uint8_t kTopicHeaderRecord = 0x02;
constexpr uint8_t kTextRecord = 0x20;

// Fonts of |FONT, by index.
constexpr uint16_t kFontBody = 0;
constexpr uint16_t kFontBold = 1;
constexpr uint16_t kFontHeading = 2;

struct Link {
  uint8_t type = 0;
  Bytes data1;  // after the 21-byte link header
  Bytes data2;  // texts
  size_t topic = 0;
  uint32_t characters = 0;  // what the record adds to a topic offset
  // Placed:
  uint32_t block = 0;
  uint32_t offset = 0;  // within the block's data
  uint32_t Size() const { return kLinkHeader + static_cast<uint32_t>(data1.size() + data2.size()); }
  uint32_t Position() const { return (block << 14) + kBlockHeader + offset; }
};

// A paragraph record: layout, then texts in data2 between the formatting commands in data1.
class ParagraphRecord {
public:
  ParagraphRecord(int spaceBelow, int leftIndent) {
    uint16_t bits = 0x0004;  // space below follows
    if (leftIndent != 0) bits |= 0x0010;
    layout_.push_back(0x00);
    layout_.push_back(0x80);
    Put16(layout_, 0);
    Put16(layout_, bits);
    PutCompressedSigned16(layout_, spaceBelow);
    if (leftIndent != 0) PutCompressedSigned16(layout_, leftIndent);
  }
  void Text(const std::string& s) {
    pending_ += s;
    characters_ += static_cast<uint32_t>(s.size());
  }
  void Font(uint16_t font) {
    Command({0x80});
    Put16(commands_, font);
  }
  void Jump(int32_t hash) {
    Command({0xE3});
    Put32(commands_, static_cast<uint32_t>(hash));
  }
  void EndJump() { Command({0x89}); }
  Link Finish() {
    Command({0x82});  // end of paragraph
    ++characters_;
    Command({0xFF});  // end of formatting
    Link link;
    link.type = kTextRecord;
    PutCompressedSigned32(link.data1, static_cast<int>(texts_.size()));
    PutCompressedUnsigned16(link.data1, characters_);
    link.data1.insert(link.data1.end(), layout_.begin(), layout_.end());
    link.data1.insert(link.data1.end(), commands_.begin(), commands_.end());
    link.data2 = texts_;
    link.characters = characters_;
    return link;
  }

private:
  // Each command follows the text before it, which ends with a NUL.
  void Command(std::initializer_list<uint8_t> bytes) {
    texts_.insert(texts_.end(), pending_.begin(), pending_.end());
    texts_.push_back(0);
    pending_.clear();
    commands_.insert(commands_.end(), bytes);
  }
  Bytes layout_, commands_, texts_;
  std::string pending_;
  uint32_t characters_ = 0;
};

Link TopicHeader(const Topic& topic) {
  Link link;
  link.type = kTopicHeaderRecord;
  link.data1.assign(28, 0);  // size, browse back, browse forward, number, non-scroll, scroll, next: placed later
  PutString(link.data2, topic.title);
  return link;
}

Link HeadingParagraph(const Topic& topic) {
  ParagraphRecord p(12, 0);
  p.Font(kFontHeading);
  p.Text(topic.title);
  return p.Finish();
}

Link BodyParagraph(const Paragraph& paragraph) {
  ParagraphRecord p(12, paragraph.bullet ? 24 : 0);
  uint16_t font = kFontBody;
  p.Font(font);
  if (paragraph.bullet) p.Text("\x95 ");
  for (const Run& run : paragraph.runs) {
    const uint16_t wanted = run.bold ? kFontBold : kFontBody;
    if (wanted != font) p.Font(font = wanted);
    if (!run.jump.empty()) {
      p.Jump(ContextHash(run.jump));
      p.Text(run.text);
      p.EndJump();
    } else {
      p.Text(run.text);
    }
  }
  return p.Finish();
}

struct TopicFile {
  Bytes bytes;
  std::vector<uint32_t> topicOffsets;  // TOPICOFFSET of each topic
};

bool BuildTopicFile(const HelpProject& project, TopicFile* out, std::string* error) {
  std::vector<Link> links;
  std::vector<size_t> headerIndex;
  for (size_t t = 0; t < project.topics.size(); ++t) {
    const Topic& topic = project.topics[t];
    headerIndex.push_back(links.size());
    links.push_back(TopicHeader(topic));
    links.push_back(HeadingParagraph(topic));
    for (const Paragraph& paragraph : topic.paragraphs) links.push_back(BodyParagraph(paragraph));
    for (size_t i = headerIndex.back(); i < links.size(); ++i) links[i].topic = t;
  }

  // Place the records. A record may run on into the next block, but one starts in a fresh block when
  // fewer bytes than its fixed part remain, so that no reader meets a header cut in two.
  uint32_t block = 0, offset = 0;
  for (Link& link : links) {
    if (kBlockData - offset < kLinkHeader + 28) block++, offset = 0;
    link.block = block, link.offset = offset;
    offset += link.Size();
    block += offset / kBlockData;
    offset %= kBlockData;
    if (block >= (1u << 17) - 1) {
      *error = "help text too large for one file";
      return false;
    }
  }
  const uint64_t dataEnd = static_cast<uint64_t>(block) * kBlockData + offset;
  const uint32_t blocks = block + 1;

  // Topic offsets: block number * 32768 plus the characters of the records that start earlier in the
  // same block.
  out->topicOffsets.assign(project.topics.size(), 0);
  uint32_t countedBlock = kNone, characters = 0;
  for (const Link& link : links) {
    if (link.block != countedBlock) countedBlock = link.block, characters = 0;
    if (link.type == kTopicHeaderRecord) out->topicOffsets[link.topic] = (link.block << 15) + characters;
    characters += link.characters;
    if (characters >= 0x8000) {
      *error = "too much text starts in one topic block";
      return false;
    }
  }

  // Chain the records and fill in the topic headers.
  for (size_t i = 0; i < links.size(); ++i) {
    Link& link = links[i];
    if (link.type != kTopicHeaderRecord) continue;
    size_t end = i + 1;
    while (end < links.size() && links[end].type != kTopicHeaderRecord) ++end;
    uint32_t size = 0;
    for (size_t k = i; k < end; ++k) size += links[k].Size();
    Patch32(link.data1, 0, size);
    Patch32(link.data1, 4, kNone);  // no browse sequence
    Patch32(link.data1, 8, kNone);
    Patch32(link.data1, 12, static_cast<uint32_t>(link.topic));
    Patch32(link.data1, 16, kNone);  // no non-scrolling region
    Patch32(link.data1, 20, links[i + 1].Position());
    Patch32(link.data1, 24, end < links.size() ? links[end].Position() : kNone);
  }

  // The data of every block, as if unframed, then each block framed with its header.
  Bytes data(static_cast<size_t>(blocks) * kBlockData, 0);
  for (size_t i = 0; i < links.size(); ++i) {
    const Link& link = links[i];
    Bytes record;
    Put32(record, link.Size());
    Put32(record, static_cast<uint32_t>(link.data2.size()));
    Put32(record, i > 0 ? links[i - 1].Position() : kNone);
    Put32(record, i + 1 < links.size() ? links[i + 1].Position() : kNone);
    Put32(record, kLinkHeader + static_cast<uint32_t>(link.data1.size()));
    record.push_back(link.type);
    record.insert(record.end(), link.data1.begin(), link.data1.end());
    record.insert(record.end(), link.data2.begin(), link.data2.end());
    std::copy(record.begin(), record.end(),
              data.begin() + static_cast<ptrdiff_t>(link.block) * kBlockData + link.offset);
  }

  out->bytes.clear();
  size_t next = 0;  // first record not yet started
  uint32_t lastLink = kNone, lastHeader = kNone;
  for (uint32_t b = 0; b < blocks; ++b) {
    // Header: last record started in an earlier block, first record starting in this one, and the topic
    // header in force where this block begins.
    uint32_t first = kNone;
    if (next < links.size() && links[next].block == b) first = links[next].Position();
    Bytes frame;
    Put32(frame, lastLink);
    Put32(frame, first);
    Put32(frame, lastHeader);
    while (next < links.size() && links[next].block == b) {
      lastLink = links[next].Position();
      if (links[next].type == kTopicHeaderRecord) lastHeader = lastLink;
      ++next;
    }
    const size_t begin = static_cast<size_t>(b) * kBlockData;
    const size_t end = std::min<uint64_t>(begin + kBlockData, dataEnd);
    for (size_t k = begin; k < end; k += 8) {
      const size_t group = std::min<size_t>(8, end - k);
      frame.push_back(0);  // eight literals follow
      frame.insert(frame.end(), data.begin() + static_cast<ptrdiff_t>(k),
                   data.begin() + static_cast<ptrdiff_t>(k + group));
    }
    // Every block is whole, the last one too: zeros read as literal zeros after the last record.
    frame.resize(kBlockSize, 0);
    out->bytes.insert(out->bytes.end(), frame.begin(), frame.end());
  }
  return true;
}

// ---- the other internal files -----------------------------------------------------------------------

Bytes SystemFile(const HelpProject& project, uint32_t contents) {
  Bytes b;
  Put16(b, 0x036C);  // magic
  Put16(b, 21);      // format 1.21
  Put16(b, 1);
  Put32(b, 0);  // no build date: the same source makes the same file
  Put16(b, 4);  // topic blocks of 4 KiB in LZ77 framing
  auto record = [&](uint16_t type, const Bytes& data) {
    Put16(b, type);
    Put16(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
  };
  Bytes title;
  PutString(title, project.title);
  record(1, title);
  if (!project.copyright.empty()) {
    Bytes copyright;
    PutString(copyright, project.copyright);
    record(2, copyright);
  }
  Bytes start;
  Put32(start, contents);
  record(3, start);
  return b;
}

Bytes FontFile() {
  struct Face {
    uint8_t attributes;  // 1 bold
    uint8_t halfPoints;
    uint8_t red, green, blue;
  };
  const Face faces[] = {{0, 20, 0, 0, 0}, {1, 20, 0, 0, 0}, {1, 28, 0, 0, 128}};
  const char kFace[] = "Arial";
  constexpr uint16_t kFaceLength = 32;
  Bytes b;
  Put16(b, 1);  // face names
  Put16(b, static_cast<uint32_t>(std::size(faces)));
  Put16(b, 8);  // where the names start
  Put16(b, 8 + kFaceLength);
  Bytes name(kFaceLength, 0);
  std::memcpy(name.data(), kFace, sizeof kFace - 1);
  b.insert(b.end(), name.begin(), name.end());
  for (const Face& f : faces) {
    b.push_back(f.attributes);
    b.push_back(f.halfPoints);
    b.push_back(0x03);  // swiss
    Put16(b, 0);        // face name 0
    b.push_back(f.red), b.push_back(f.green), b.push_back(f.blue);
    b.push_back(0xFF), b.push_back(0xFF), b.push_back(0xFF);
  }
  return b;
}

// ---- the keyword index -------------------------------------------------------------------------------

// A keyword's letters for ordering: case folded (Windows-1252 upper case to lower case) and, on the first
// level, accents taken off as well.
unsigned char FoldCase(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A: return 0x9A;  // S with caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z with caron
    case 0x9F: return 0xFF;  // Y with diaeresis
    default: return c;
  }
}

unsigned char BaseLetter(unsigned char c) {
  c = FoldCase(c);
  if (c >= 0xE0 && c <= 0xE5) return 'a';
  if (c >= 0xE8 && c <= 0xEB) return 'e';
  if (c >= 0xEC && c <= 0xEF) return 'i';
  if ((c >= 0xF2 && c <= 0xF6) || c == 0xF8) return 'o';
  if (c >= 0xF9 && c <= 0xFC) return 'u';
  switch (c) {
    case 0xE7: return 'c';
    case 0xF1: return 'n';
    case 0xFD:
    case 0xFF: return 'y';
    case 0x9A: return 's';
    case 0x9E: return 'z';
    default: return c;
  }
}

template <class Fold>
int CompareFolded(const std::string& a, const std::string& b, Fold fold) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = fold(static_cast<unsigned char>(a[i])), y = fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

struct KeywordLess {
  bool operator()(const std::string& a, const std::string& b) const { return CompareKeywords(a, b) < 0; }
};

// |KWBTREE, |KWDATA and, for an index of several leaves, |KWMAP, added to `files`. Nothing when no topic
// has a keyword.
bool BuildKeywordIndex(const HelpProject& project, const std::vector<uint32_t>& topicOffsets,
                       std::map<std::string, Bytes>* files, std::string* error) {
  std::map<std::string, std::vector<size_t>, KeywordLess> index;  // keeps the first spelling met
  for (size_t t = 0; t < project.topics.size(); ++t) {
    for (const std::string& keyword : project.topics[t].keywords) {
      std::vector<size_t>& topics = index[keyword];
      if (topics.empty() || topics.back() != t) topics.push_back(t);
      if (topics.size() > kMaxTopicsPerKeyword) {
        *error = "keyword \"" + keyword + "\" names more than " + std::to_string(kMaxTopicsPerKeyword) + " topics";
        return false;
      }
    }
  }
  if (index.empty()) return true;

  Bytes data;
  std::vector<TreeEntry> entries;
  for (const auto& [keyword, topics] : index) {
    if (data.size() > 0x7FFFFFFFu - 4 * topics.size()) {
      *error = "keyword index too large";
      return false;
    }
    TreeEntry e;
    PutString(e.key, keyword);
    Put16(e.value, static_cast<uint32_t>(topics.size()));
    Put32(e.value, static_cast<uint32_t>(data.size()));
    entries.push_back(e);
    for (size_t t : topics) Put32(data, topicOffsets[t]);  // in the order of the topics in the file
  }
  Bytes tree;
  std::vector<Leaf> leaves;
  if (!BuildTree(entries, 2048, 0x0002, "F24", &tree, error, &leaves)) return false;
  (*files)["|KWBTREE"] = std::move(tree);
  (*files)["|KWDATA"] = std::move(data);
  if (leaves.size() > 1) {
    Bytes map;
    Put16(map, static_cast<uint32_t>(leaves.size()));
    for (const Leaf& leaf : leaves) {
      Put32(map, leaf.firstEntry);
      Put16(map, leaf.page);
    }
    (*files)["|KWMAP"] = std::move(map);
  }
  return true;
}

}  // namespace

int CompareKeywords(const std::string& a, const std::string& b) {
  const int first = CompareFolded(a, b, BaseLetter);
  return first != 0 ? first : CompareFolded(a, b, FoldCase);
}

int32_t ContextHash(const std::string& context) {
  uint32_t hash = 0;
  for (unsigned char c : context) {
    uint32_t x = 0;
    if (c >= 'A' && c <= 'Z')
      x = c - 'A' + 17;
    else if (c >= 'a' && c <= 'z')
      x = c - 'a' + 17;
    else if (c >= '1' && c <= '9')
      x = c - '0';
    else if (c == '0')
      x = 10;
    else if (c == '.')
      x = 12;
    else if (c == '_')
      x = 13;
    hash = hash * 43 + x;  // wraps as the viewer's 32-bit arithmetic does
  }
  return static_cast<int32_t>(hash);
}

bool CompileHelpFile(const HelpProject& project, std::vector<uint8_t>* file, std::string* error) {
  if (project.topics.empty()) {
    *error = "no topic";
    return false;
  }
  // Context strings and numbers name one topic each; every jump leads to one of them. Two strings with
  // the same hash could not be told apart by the viewer.
  std::map<int32_t, size_t> byHash;
  std::map<uint32_t, size_t> byNumber;
  for (size_t t = 0; t < project.topics.size(); ++t) {
    const Topic& topic = project.topics[t];
    const auto [it, added] = byHash.emplace(ContextHash(topic.context), t);
    if (!added) {
      const Topic& other = project.topics[it->second];
      *error = "line " + std::to_string(topic.line) + ": context string \"" + topic.context +
               (other.context == topic.context ? "\" already names the topic of line "
                                               : "\" has the same hash as \"" + other.context + "\" of line ") +
               std::to_string(other.line);
      return false;
    }
    for (uint32_t number : topic.numbers) {
      const auto [at, fresh] = byNumber.emplace(number, t);
      if (!fresh) {
        *error = "line " + std::to_string(topic.line) + ": context number " + std::to_string(number) +
                 " already belongs to the topic of line " + std::to_string(project.topics[at->second].line);
        return false;
      }
    }
  }
  for (const Topic& topic : project.topics) {
    for (const Paragraph& paragraph : topic.paragraphs) {
      for (const Run& run : paragraph.runs) {
        const auto target = byHash.find(ContextHash(run.jump));
        if (!run.jump.empty() && (target == byHash.end() || project.topics[target->second].context != run.jump)) {
          *error =
              "topic of line " + std::to_string(topic.line) + ": jump to unknown context string \"" + run.jump + "\"";
          return false;
        }
      }
    }
  }

  TopicFile topics;
  if (!BuildTopicFile(project, &topics, error)) return false;

  std::vector<TreeEntry> contexts;
  for (const auto& [hash, t] : byHash) {  // ascending signed hashes, as the viewer compares them
    TreeEntry e;
    Put32(e.key, static_cast<uint32_t>(hash));
    Put32(e.value, topics.topicOffsets[t]);
    contexts.push_back(e);
  }
  Bytes contextTree;
  if (!BuildTree(contexts, 2048, 0x0002, "L4", &contextTree, error)) return false;

  std::map<std::string, Bytes> files;  // ordered as the directory wants them (byte order)
  files["|SYSTEM"] = SystemFile(project, topics.topicOffsets[0]);
  files["|FONT"] = FontFile();
  files["|TOPIC"] = std::move(topics.bytes);
  files["|CONTEXT"] = std::move(contextTree);
  if (!byNumber.empty()) {
    if (byNumber.size() > 0xFFFF) {
      *error = "more than 65535 context numbers";
      return false;
    }
    Bytes map;
    Put16(map, static_cast<uint32_t>(byNumber.size()));
    for (const auto& [number, t] : byNumber) {
      Put32(map, number);
      Put32(map, topics.topicOffsets[t]);
    }
    files["|CTXOMAP"] = std::move(map);
  }
  if (!BuildKeywordIndex(project, topics.topicOffsets, &files, error)) return false;

  // The file: header, the internal files each behind its own header, then the directory.
  Bytes out(16, 0);
  std::vector<TreeEntry> directory;
  for (const auto& [name, content] : files) {
    if (out.size() + content.size() + 9 > 0x7FFFFFFFu) {
      *error = "help file too large";
      return false;
    }
    TreeEntry e;
    PutString(e.key, name);
    Put32(e.value, static_cast<uint32_t>(out.size()));
    directory.push_back(e);
    Put32(out, static_cast<uint32_t>(content.size() + 9));  // reserved, this header included
    Put32(out, static_cast<uint32_t>(content.size()));
    out.push_back(4);
    out.insert(out.end(), content.begin(), content.end());
  }
  Bytes tree;
  if (!BuildTree(directory, 1024, 0x0402, "z4", &tree, error)) return false;
  const uint32_t directoryStart = static_cast<uint32_t>(out.size());
  Put32(out, static_cast<uint32_t>(tree.size() + 9));
  Put32(out, static_cast<uint32_t>(tree.size()));
  out.push_back(4);
  out.insert(out.end(), tree.begin(), tree.end());

  Patch32(out, 0, 0x00035F3F);
  Patch32(out, 4, directoryStart);
  Patch32(out, 8, kNone);  // no free blocks
  Patch32(out, 12, static_cast<uint32_t>(out.size()));
  *file = std::move(out);
  return true;
}

}  // namespace helpc
