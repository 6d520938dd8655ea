// The help compiler's files, read back the way the help viewer reads them: directory B+ tree, |SYSTEM,
// topic blocks unframed and walked link by link with the viewer's position arithmetic, the context
// index searched by hash, the context-number map and the keyword index.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "HelpCompiler.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A reader written from the published format, independent of the compiler's own structures.
class HelpReader {
public:
  explicit HelpReader(Bytes file) : f_(std::move(file)) {}

  uint32_t U16(size_t at) const { return at + 2 <= f_.size() ? f_[at] | f_[at + 1] << 8 : (bad_ = true, 0); }
  uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
  bool Bad() const { return bad_; }
  const Bytes& File() const { return f_; }

  // B+ tree search as the viewer does it: index pages down to a leaf, then a scan of the leaf.
  // `keyLength` gives an entry's key size at a position, `compare` orders a key against the wanted one.
  template <class KeyLength, class Compare>
  size_t TreeSearch(size_t tree, size_t leafValueSize, KeyLength keyLength, Compare compare) const {
    if (U16(tree + 9) != 0x293B) return 0;
    const size_t pageSize = U16(tree + 9 + 4);
    size_t page = U16(tree + 9 + 26);
    const size_t pages = tree + 9 + 38;
    for (uint32_t level = U16(tree + 9 + 32); level > 1; --level) {
      size_t at = pages + page * pageSize;
      const uint32_t entries = U16(at + 2);
      size_t child = U16(at + 4);
      at += 6;
      for (uint32_t i = 0; i < entries && compare(at) <= 0; ++i) {
        child = U16(at + keyLength(at));
        at += keyLength(at) + 2;
      }
      page = child;
    }
    size_t at = pages + page * pageSize;
    const uint32_t entries = U16(at + 2);
    at += 8;
    for (uint32_t i = 0; i < entries && !bad_; ++i) {
      if (compare(at) == 0) return at + keyLength(at);
      at += keyLength(at) + leafValueSize;
    }
    return 0;
  }

  // The internal file's contents (after its 9-byte header), or false.
  bool FindFile(const std::string& name, size_t* begin, size_t* size) const {
    auto length = [&](size_t at) { return std::string(reinterpret_cast<const char*>(&f_[at])).size() + 1; };
    auto compare = [&](size_t at) { return std::string(reinterpret_cast<const char*>(&f_[at])).compare(name); };
    const size_t value = TreeSearch(U32(4), 4, length, compare);
    if (value == 0) return false;
    const size_t header = U32(value);
    *begin = header + 9;
    *size = U32(header + 4);
    return !bad_ && U32(header) == *size + 9 && *begin + *size <= f_.size();
  }

  // Topic blocks unframed (LZ77) and laid end to end; the start of each block's data.
  bool Unframe() {
    size_t at, size;
    if (!FindFile("|TOPIC", &at, &size) || size % 4096 != 0) return false;
    for (size_t block = at; block < at + size; block += 4096) {
      starts_.push_back(topic_.size());
      const size_t blockStart = topic_.size();
      for (size_t p = block + 12; p < block + 4096;) {
        const uint8_t flags = f_[p++];
        for (int bit = 0; bit < 8 && p < block + 4096; ++bit) {
          if (flags & (1 << bit)) {
            const uint32_t code = U16(p);
            p += 2;
            const size_t from = topic_.size() - (code & 0xFFF) - 1;
            if (from < blockStart || from >= topic_.size()) return false;
            for (uint32_t n = 0; n < 3 + (code >> 12); ++n) topic_.push_back(topic_[from + n]);
          } else {
            topic_.push_back(f_[p++]);
          }
        }
      }
      if (topic_.size() - blockStart > 16384) return false;
    }
    return true;
  }

  struct Page {
    std::string title;
    uint32_t offset = 0;  // TOPICOFFSET, as the viewer computes it
    std::string text;     // texts of its paragraph records
  };

  // Follows the chain of topic links from the first, as the viewer does when it opens a file.
  bool Walk(std::vector<Page>* pages) const {
    uint32_t ref = 12, lastBlock = 0xFFFFFFFF, characters = 0;
    for (size_t guard = 0; ref != 0xFFFFFFFF; ++guard) {
      const uint32_t block = (ref - 12) >> 14, offset = (ref - 12) & 0x3FFF;
      if (guard > 1000000 || block >= starts_.size()) return false;
      const size_t at = starts_[block] + offset;
      if (at + 21 > topic_.size()) return false;
      auto u32 = [&](size_t p) {
        return p + 4 <= topic_.size()
                   ? static_cast<uint32_t>(topic_[p] | topic_[p + 1] << 8 | topic_[p + 2] << 16 | topic_[p + 3] << 24)
                   : 0u;
      };
      const uint32_t blockSize = u32(at), dataLen1 = u32(at + 16);
      if (at + blockSize > topic_.size() || dataLen1 > blockSize || u32(at + 4) != blockSize - dataLen1) return false;
      if (block != lastBlock) lastBlock = block, characters = 0;
      const std::string data2(reinterpret_cast<const char*>(&topic_[at + dataLen1]), blockSize - dataLen1);
      if (topic_[at + 20] == 0x02) {
        pages->push_back({data2.substr(0, data2.find('\0')), (block << 15) + characters, ""});
      } else if (topic_[at + 20] == 0x20 && !pages->empty()) {
        size_t p = at + 21;
        p += (topic_[p] & 1) ? 4 : 2;  // text size
        characters += (topic_[p] & 1) ? (topic_[p] | topic_[p + 1] << 8) / 2 : topic_[p] / 2;
        for (char c : data2) pages->back().text += c ? c : '|';
      } else {
        return false;
      }
      ref = u32(at + 12);
    }
    return true;
  }

  // |CONTEXT: topic offset of a context string, or -1.
  int64_t ContextOffset(const std::string& context) const {
    size_t at, size;
    if (!FindFile("|CONTEXT", &at, &size)) return -1;
    const int32_t hash = helpc::ContextHash(context);
    auto compare = [&](size_t p) {
      const int32_t key = static_cast<int32_t>(U32(p));
      return key < hash ? -1 : key > hash ? 1 : 0;
    };
    const size_t value = TreeSearch(
        at - 9, 4, [](size_t) { return size_t{4}; }, compare);
    return value == 0 ? -1 : static_cast<int64_t>(U32(value));
  }

  struct Keyword {
    std::string text;
    std::vector<uint32_t> topics;  // offsets, from |KWDATA
    uint16_t page = 0;             // the leaf page that holds it
  };

  // |KWBTREE walked as the viewer fills its index list: down the first children to the first leaf, then
  // leaf after leaf; each entry's topics taken from |KWDATA.
  bool Keywords(std::vector<Keyword>* keywords) const {
    size_t tree, treeSize, data, dataSize;
    if (!FindFile("|KWBTREE", &tree, &treeSize) || !FindFile("|KWDATA", &data, &dataSize)) return false;
    tree -= 9;
    if (U16(tree + 9) != 0x293B) return false;
    const size_t pageSize = U16(tree + 9 + 4), pages = tree + 9 + 38;
    size_t page = U16(tree + 9 + 26);
    for (uint32_t level = U16(tree + 9 + 32); level > 1; --level) page = U16(pages + page * pageSize + 4);
    for (size_t guard = 0; page != 0xFFFF && guard < 0x10000; ++guard) {
      size_t at = pages + page * pageSize;
      const uint32_t entries = U16(at + 2);
      const size_t next = U16(at + 6);
      at += 8;
      for (uint32_t i = 0; i < entries && !bad_; ++i) {
        Keyword k;
        k.text = reinterpret_cast<const char*>(&f_[at]);
        at += k.text.size() + 1;
        const uint32_t count = U16(at), offset = U32(at + 2);
        at += 6;
        if (offset + 4ull * count > dataSize) return false;
        for (uint32_t n = 0; n < count; ++n) k.topics.push_back(U32(data + offset + 4 * n));
        k.page = static_cast<uint16_t>(page);
        keywords->push_back(k);
      }
      page = next;
    }
    return !bad_ && keywords->size() == U32(tree + 9 + 34);
  }

  // A keyword searched from the root as the viewer looks one up: its count, or -1.
  int KeywordCount(const std::string& keyword) const {
    size_t at, size;
    if (!FindFile("|KWBTREE", &at, &size)) return -1;
    auto length = [&](size_t p) { return std::string(reinterpret_cast<const char*>(&f_[p])).size() + 1; };
    auto compare = [&](size_t p) { return helpc::CompareKeywords(reinterpret_cast<const char*>(&f_[p]), keyword); };
    const size_t value = TreeSearch(at - 9, 6, length, compare);
    return value == 0 ? -1 : static_cast<int>(U16(value));
  }

  // |KWMAP: (index of the first keyword, page) per leaf; empty when the file has none.
  std::vector<std::pair<uint32_t, uint16_t>> KeywordMap() const {
    std::vector<std::pair<uint32_t, uint16_t>> map;
    size_t at, size;
    if (!FindFile("|KWMAP", &at, &size)) return map;
    for (uint32_t i = 0; i < U16(at) && 2 + 6 * (i + 1) <= size; ++i)
      map.push_back({U32(at + 2 + 6 * i), static_cast<uint16_t>(U16(at + 6 + 6 * i))});
    return map;
  }

  // |CTXOMAP: number -> topic offset.
  std::map<uint32_t, uint32_t> NumberMap() const {
    std::map<uint32_t, uint32_t> map;
    size_t at, size;
    if (!FindFile("|CTXOMAP", &at, &size)) return map;
    for (uint32_t i = 0; i < U16(at) && 2 + 8 * (i + 1) <= size; ++i) map[U32(at + 2 + 8 * i)] = U32(at + 6 + 8 * i);
    return map;
  }

private:
  Bytes f_;
  Bytes topic_;
  std::vector<size_t> starts_;
  mutable bool bad_ = false;
};

// Sources are UTF-8 whatever the execution character set of this file.
std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

Bytes Compile(const std::string& source) {
  helpc::HelpProject project;
  Bytes file;
  std::string error;
  EXPECT_TRUE(helpc::ParseHelpSource(source, &project, &error)) << error;
  EXPECT_TRUE(helpc::CompileHelpFile(project, &file, &error)) << error;
  return file;
}

std::string CompileError(const std::string& source) {
  helpc::HelpProject project;
  Bytes file;
  std::string error;
  if (helpc::ParseHelpSource(source, &project, &error) && helpc::CompileHelpFile(project, &file, &error)) {
    return "(compiled)";
  }
  return error;
}

const char8_t kSample[] =
    u8"title: Ajuda de teste\n"
    u8"copyright: Tarvelo\n"
    u8"== Sumário {conteudo}\n"
    u8"keywords: ajuda; Preço; índice\n"
    u8"Veja a [lista](lista) e o *preço*.\n"
    u8"\n"
    u8"- Um ítem\n"
    u8"- Outro ítem\n"
    u8"== Lista de Compras {lista} 701 1000\n"
    u8"Marque os produtos.\n"
    u8"keywords: lista; imprimir; preço; PREÇO; Lista\n";

// What a topic must look like once read back: its title, offset by context string and by number.
void ExpectTopicsReachable(const helpc::HelpProject& project, const Bytes& file) {
  HelpReader reader(file);
  ASSERT_TRUE(reader.Unframe());
  std::vector<HelpReader::Page> pages;
  ASSERT_TRUE(reader.Walk(&pages));
  ASSERT_EQ(pages.size(), project.topics.size());
  const auto numbers = reader.NumberMap();
  for (size_t t = 0; t < project.topics.size(); ++t) {
    const helpc::Topic& topic = project.topics[t];
    EXPECT_EQ(pages[t].title, topic.title);
    EXPECT_EQ(reader.ContextOffset(topic.context), pages[t].offset) << topic.context;
    for (uint32_t n : topic.numbers) {
      const auto it = numbers.find(n);
      ASSERT_NE(it, numbers.end()) << n;
      EXPECT_EQ(it->second, pages[t].offset) << n;
    }
    // Offsets are unique, so the viewer's "last topic at or before this offset" finds this one.
    if (t > 0) {
      EXPECT_GT(pages[t].offset, pages[t - 1].offset);
    }
  }
  EXPECT_EQ(reader.ContextOffset("no_such_topic"), -1);
}

// The keyword index read back: every keyword of the source listed once, in the index's order, with the
// titles of its topics; each found again by a search from the root; the leaf map, when there is one,
// naming the first keyword of each leaf.
void ExpectKeywordsReachable(const helpc::HelpProject& project, const Bytes& file) {
  HelpReader reader(file);
  ASSERT_TRUE(reader.Unframe());
  std::vector<HelpReader::Page> pages;
  ASSERT_TRUE(reader.Walk(&pages));
  std::map<uint32_t, std::string> titleAt;
  for (const auto& page : pages) titleAt[page.offset] = page.title;

  std::vector<HelpReader::Keyword> keywords;
  size_t at, size;
  bool any = false;
  for (const helpc::Topic& topic : project.topics) any = any || !topic.keywords.empty();
  if (!any) {  // no index at all
    for (const char* name : {"|KWBTREE", "|KWDATA", "|KWMAP"}) EXPECT_FALSE(reader.FindFile(name, &at, &size)) << name;
    return;
  }
  ASSERT_TRUE(reader.Keywords(&keywords));
  std::map<std::string, std::vector<std::string>> expected, got;  // keyword folded to lower case
  auto lower = [](std::string s) {                                // Windows-1252 letters of both cases
    for (char& c : s) {
      const unsigned char u = static_cast<unsigned char>(c);
      if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) c = static_cast<char>(u + 0x20);
    }
    return s;
  };
  for (const helpc::Topic& topic : project.topics) {
    for (const std::string& k : topic.keywords) {
      auto& titles = expected[lower(k)];
      if (titles.empty() || titles.back() != topic.title) titles.push_back(topic.title);
    }
  }
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(helpc::CompareKeywords(keywords[i - 1].text, keywords[i].text), 0)
          << keywords[i - 1].text << " before " << keywords[i].text;
    }
    for (uint32_t offset : keywords[i].topics) got[lower(keywords[i].text)].push_back(titleAt[offset]);
    EXPECT_EQ(reader.KeywordCount(keywords[i].text), static_cast<int>(keywords[i].topics.size())) << keywords[i].text;
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(reader.KeywordCount("no such keyword"), -1);

  std::vector<std::pair<uint32_t, uint16_t>> leaves;
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (i == 0 || keywords[i].page != keywords[i - 1].page)
      leaves.push_back({static_cast<uint32_t>(i), keywords[i].page});
  }
  EXPECT_EQ(reader.KeywordMap(), leaves.size() > 1 ? leaves : decltype(leaves){});
}

TEST(HelpCompiler, FileSystemSystemAndFontsAsTheViewerReadsThem) {
  const Bytes file = Compile(U8(kSample));
  HelpReader r(file);
  size_t at = 0, size = 0;
  ASSERT_TRUE(r.FindFile("|SYSTEM", &at, &size));
  const struct {
    const char* what;
    uint32_t got, expected;
  } checks[] = {
      {"magic", r.U32(0), 0x00035F3F},
      {"file size", r.U32(12), static_cast<uint32_t>(file.size())},
      {"no free list", r.U32(8), 0xFFFFFFFF},
      {"|SYSTEM magic", r.U16(at), 0x036C},
      {"format 1.21", r.U16(at + 2), 21},
      {"major 1", r.U16(at + 4), 1},
      {"4 KiB framed topic blocks", r.U16(at + 10), 4},
      {"first record: title", r.U16(at + 12), 1},
      {"directory page size", r.U16(r.U32(4) + 9 + 4), 1024},
  };
  for (const auto& c : checks) EXPECT_EQ(c.got, c.expected) << c.what;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[at + 16])), "Ajuda de teste");
  for (const char* name : {"|CONTEXT", "|CTXOMAP", "|FONT", "|TOPIC"})
    EXPECT_TRUE(r.FindFile(name, &at, &size)) << name;
  EXPECT_FALSE(r.FindFile("|Phrases", &at, &size));
  EXPECT_FALSE(r.Bad());
}

TEST(HelpCompiler, ContextStringsNumbersAndTextsReachTheirTopics) {
  // The sample, then a file large enough for many topic blocks, records running across blocks and a
  // context index of several levels.
  std::string large = "title: Large\n";
  for (int i = 0; i < 1500; ++i) {
    large += "== Topic " + std::to_string(i) + " {topic_" + std::to_string(i) + "} " + std::to_string(5000 + i) + "\n";
    large += std::string(i % 7 == 0 ? 2500 : 40, 'x') + " [next](topic_" + std::to_string((i + 1) % 1500) + ")\n";
  }
  for (const std::string& source : {U8(kSample), large}) {
    helpc::HelpProject project;
    std::string error;
    ASSERT_TRUE(helpc::ParseHelpSource(source, &project, &error)) << error;
    Bytes file;
    ASSERT_TRUE(helpc::CompileHelpFile(project, &file, &error)) << error;
    ExpectTopicsReachable(project, file);
    ExpectKeywordsReachable(project, file);
  }

  // Texts come back in Windows-1252, heading first, bullets marked.
  HelpReader reader(Compile(U8(kSample)));
  ASSERT_TRUE(reader.Unframe());
  std::vector<HelpReader::Page> pages;
  ASSERT_TRUE(reader.Walk(&pages));
  EXPECT_EQ(pages[0].title, "Sum\xE1rio");
  EXPECT_NE(pages[0].text.find("|Sum\xE1rio|"), std::string::npos) << pages[0].text;
  EXPECT_NE(pages[0].text.find("Veja a |lista| e o |pre\xE7o|."), std::string::npos) << pages[0].text;
  EXPECT_NE(pages[0].text.find("\x95 Um \xEDtem"), std::string::npos) << pages[0].text;
}

TEST(HelpCompiler, KeywordIndexListsEachKeywordOnceWithAllItsTopics) {
  // The sample: one keyword for two topics, spellings that differ in case merged under the first one,
  // accents ordered with their letters.
  HelpReader reader(Compile(U8(kSample)));
  ASSERT_TRUE(reader.Unframe());
  std::vector<HelpReader::Page> pages;
  ASSERT_TRUE(reader.Walk(&pages));
  std::vector<HelpReader::Keyword> keywords;
  ASSERT_TRUE(reader.Keywords(&keywords));
  const struct {
    const char* text;
    std::vector<uint32_t> topics;
  } expected[] = {
      {"ajuda", {pages[0].offset}},
      {"imprimir", {pages[1].offset}},
      {"\xEDndice", {pages[0].offset}},
      {"lista", {pages[1].offset}},
      {"Pre\xE7o", {pages[0].offset, pages[1].offset}},
  };
  ASSERT_EQ(keywords.size(), std::size(expected));
  for (size_t i = 0; i < keywords.size(); ++i) {
    EXPECT_EQ(keywords[i].text, expected[i].text);
    EXPECT_EQ(keywords[i].topics, expected[i].topics) << expected[i].text;
  }
  EXPECT_EQ(reader.KeywordCount("PRE\xC7O"), 2) << "found whatever the case";
  EXPECT_TRUE(reader.KeywordMap().empty()) << "one leaf needs no map";

  // A file with thousands of keywords has several leaves, index pages above them and the leaf map, and a
  // keyword that names every topic. (One without keywords has no index: see the test above.)
  std::string large = "title: Large\n";
  for (int i = 0; i < 3000; ++i) {
    large += "== Topic " + std::to_string(i) + " {topic_" + std::to_string(i) + "}\n";
    large += "keywords: every topic; word " + std::to_string(i) + "; " + std::string(100, 'k') +
             std::to_string(i % 700) + "\n";
    large += "Text " + std::to_string(i) + ".\n";
  }
  helpc::HelpProject project;
  std::string error;
  ASSERT_TRUE(helpc::ParseHelpSource(large, &project, &error)) << error;
  Bytes file;
  ASSERT_TRUE(helpc::CompileHelpFile(project, &file, &error)) << error;
  ExpectKeywordsReachable(project, file);
  HelpReader big(file);
  EXPECT_GT(big.KeywordMap().size(), 10u);
  EXPECT_EQ(big.KeywordCount("Every Topic"), 3000);
}

TEST(HelpCompiler, SourceErrorsNameTheirLine) {
  const struct {
    const char8_t* source;
    const char* message;
  } cases[] = {
      {u8"Texto antes.\n== T {a}\n", "line 1: before the first topic"},
      {u8"== Sem contexto\n", "line 1: a topic line needs {context_string}"},
      {u8"== T {com espaço}\n", "line 1: context string"},
      {u8"== T {a} 12x\n", "line 1: context numbers"},
      {u8"== T {a}\n== U {a}\n", "line 2: context string \"a\" already names the topic of line 1"},
      {u8"== T {a} 7\n== U {b} 7\n", "line 2: context number 7 already belongs"},
      {u8"== T {a}\nVeja [isto](b).\n", "jump to unknown context string \"b\""},
      {u8"== T {a}\n*aberto\n", "line 2: bold (*) is not closed"},
      {u8"== T {a}\numa [ligação sem destino\n", "line 2: a jump is written"},
      {u8"== T {a}\nSem \xE2\x82\xAC problema, mas \xE2\x86\x92 não.\n", "line 2: character U+2192"},
      {u8"== T {a}\n\xC3(\n", "line 2: invalid UTF-8"},
      {u8"== T {a}\nbarra \\n\n", "line 2: \"\\\" escapes only"},
      {u8"title: vazio\n", "no topic"},
      {u8"== T {a}\nkeywords: lista;; preço\n", "line 2: an empty keyword"},
      {u8"== T {a}\nkeywords:\n", "line 2: an empty keyword"},
      {u8"keywords: cedo\n== T {a}\n", "line 1: before the first topic"},
  };
  for (const auto& c : cases) {
    const std::string error = CompileError(U8(c.source));
    EXPECT_NE(error.find(c.message), std::string::npos) << "source:\n" << U8(c.source) << "got: " << error;
  }
}

std::string ReadSource(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The extension's dialogs ask the viewer for these numbers (F1 or right-click on a control): each must
// open the topic about that control.
TEST(HelpCompiler, TheProgramsHelpFilesAnswerTheirDialogNumbers) {
  // Number, English title, Portuguese title: each the text of the control in that language's dialog.
  const struct {
    uint32_t number;
    const char* english;
    const char8_t* portuguese;
  } dialogTopics[] = {
      {1000, "All file extensions", u8"Todas as extensões de arquivo"},
      {1001, "Images file extensions only", u8"Somente extensões de imagem"},
      {1002, "Don't add thumbnail to context menu", u8"Não incluir miniatura no menu de contexto"},
      {1003, "Shrink image to fit screen", u8"Reduzir a imagem para caber na tela"},
      {1004, "Enlarge image to fit screen", u8"Ampliar a imagem para preencher a tela"},
      {1005, "Zoom to fit resized window", u8"Ajustar o zoom ao redimensionar a janela"},
      {1006, "Thumbnails in folders for JPEG, PNG, GIF, BMP, TIFF",
       u8"Miniaturas nas pastas para JPEG, PNG, GIF, BMP, TIFF"},
      {701, "Content of window only", u8"Só o conteúdo da janela"},
      {702, "Entire image", u8"Imagem inteira"},
      {703, "Center of page", u8"Centro da página"},
      {704, "Top of page", u8"Topo da página"},
      {705, "Show file name", u8"Mostrar o nome do arquivo"},
      {706, "Show file description", u8"Mostrar a descrição do arquivo"},
      {707, "Show image information", u8"Mostrar informações da imagem"},
      {708, "One image per page", u8"Uma imagem por página"},
      {709, "Fit to page", u8"Ajustar à página"},
      {710, "Show file path", u8"Mostrar o caminho do arquivo"},
  };
  const struct {
    const char* source;
    int language;  // 0: no dialog numbers, 1: English titles, 2: Portuguese titles
  } sources[] = {
      {"/shopping/resources/help/MercanotaK.txt", 0},
      {"/imageshell/resources/help/lumetta32.txt", 1},
      {"/imageshell/resources/help/lumetta32-ptb.txt", 2},
  };
  for (const auto& [source, language] : sources) {
    SCOPED_TRACE(source);
    helpc::HelpProject project;
    std::string error;
    ASSERT_TRUE(helpc::ParseHelpSource(ReadSource(std::string(SOURCE_DIR) + source), &project, &error)) << error;
    Bytes file;
    ASSERT_TRUE(helpc::CompileHelpFile(project, &file, &error)) << error;
    ExpectTopicsReachable(project, file);
    // Every topic can be found from the index.
    for (const helpc::Topic& topic : project.topics) EXPECT_FALSE(topic.keywords.empty()) << topic.title;
    ExpectKeywordsReachable(project, file);
    if (language == 0) continue;

    HelpReader reader(file);
    ASSERT_TRUE(reader.Unframe());
    std::vector<HelpReader::Page> pages;
    ASSERT_TRUE(reader.Walk(&pages));
    const auto numbers = reader.NumberMap();
    EXPECT_EQ(numbers.size(), std::size(dialogTopics));
    for (const auto& d : dialogTopics) {
      const auto it = numbers.find(d.number);
      ASSERT_NE(it, numbers.end()) << d.number;
      std::string title;
      for (const auto& page : pages) {
        if (page.offset == it->second) title = page.title;
      }
      helpc::HelpProject expected;  // the title in Windows-1252, as the file stores it
      ASSERT_TRUE(helpc::ParseHelpSource("== " + (language == 1 ? std::string(d.english) : U8(d.portuguese)) + " {t}\n",
                                         &expected, &error));
      EXPECT_EQ(title, expected.topics[0].title) << d.number;
    }
  }
}

}  // namespace
