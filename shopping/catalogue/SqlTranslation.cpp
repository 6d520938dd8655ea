#include "catalogue/SqlTranslation.h"

#include <cstring>

#include "catalogue/Charset.h"

namespace mercanota {
namespace {

struct Token {
  enum class Kind { kWord, kNumber, kLiteral, kPunct };
  Kind kind;
  std::string_view raw;
  std::string value;  // a literal's text without its quotes, doubled quotes read as one
  bool spaceBefore = false;
};

bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool IsWord(const Token& t, std::string_view word) { return t.kind == Token::Kind::kWord && SameWord(t.raw, word); }
bool IsPunct(const Token& t, char c) { return t.kind == Token::Kind::kPunct && t.raw[0] == c; }

bool Tokenize(std::string_view s, std::vector<Token>* tokens, std::string* error) {
  size_t i = 0;
  while (i < s.size()) {
    bool space = false;
    while (i < s.size() && IsSpace(s[i])) ++i, space = true;
    if (i >= s.size()) break;
    const size_t start = i;
    const char c = s[i];
    Token t{Token::Kind::kPunct, {}, {}, space};
    if (IsWordStart(c)) {
      while (i < s.size() && IsWordChar(s[i])) ++i;
      t.kind = Token::Kind::kWord;
    } else if (IsDigit(c)) {
      while (i < s.size() && IsDigit(s[i])) ++i;
      if (i + 1 < s.size() && s[i] == '.' && IsDigit(s[i + 1])) {
        for (++i; i < s.size() && IsDigit(s[i]); ++i) {
        }
      }
      if (i < s.size() && IsWordChar(s[i])) {
        *error = "Número mal formado na instrução SQL.";
        return false;
      }
      t.kind = Token::Kind::kNumber;
    } else if (c == '\'' || c == '"') {
      t.kind = Token::Kind::kLiteral;
      for (++i;; ++i) {
        if (i >= s.size()) {
          *error = "Texto sem aspas de fechamento na instrução SQL.";
          return false;
        }
        if (s[i] == c) {
          if (i + 1 < s.size() && s[i + 1] == c) {
            t.value.push_back(c);
            ++i;
            continue;
          }
          ++i;
          break;
        }
        t.value.push_back(s[i]);
      }
    } else if (std::strchr("(),=*<>.+-", c) != nullptr) {
      // A comment would hide the rest of a statement; nothing the catalogue sends has one.
      if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
        *error = "Comentário não permitido na instrução SQL.";
        return false;
      }
      ++i;
    } else {
      *error = std::string("Caractere inesperado na instrução SQL: ") + c;
      return false;
    }
    t.raw = s.substr(start, i - start);
    tokens->push_back(std::move(t));
  }
  if (tokens->empty()) {
    *error = "Instrução SQL vazia.";
    return false;
  }
  return true;
}

// Follows "Insert Into Table(columns) Values(values)" so that each value is known by its column.
class InsertTracker {
public:
  // Called for each token before it is emitted; returns the column of a value at this token, if any.
  std::string_view Column(const std::vector<Token>& tokens, size_t i) {
    const Token& t = tokens[i];
    switch (state_) {
      case State::kNone:
        if (IsWord(t, "Into") && i > 0 && IsWord(tokens[i - 1], "Insert")) state_ = State::kTable;
        break;
      case State::kTable:
        if (IsPunct(t, '(')) state_ = State::kColumns;
        break;
      case State::kColumns:
        if (t.kind == Token::Kind::kWord) columns_.push_back(t.raw);
        if (IsPunct(t, ')')) state_ = State::kBeforeValues;
        break;
      case State::kBeforeValues:
        if (IsPunct(t, '(') && i > 0 && IsWord(tokens[i - 1], "Values")) state_ = State::kValues, index_ = 0;
        break;
      case State::kValues:
        if (IsPunct(t, ',')) {
          ++index_;
        } else if (IsPunct(t, ')')) {
          state_ = State::kDone;
        } else if (index_ < columns_.size()) {
          return columns_[index_];
        }
        break;
      case State::kDone: break;
    }
    return {};
  }

private:
  enum class State { kNone, kTable, kColumns, kBeforeValues, kValues, kDone };
  State state_ = State::kNone;
  std::vector<std::string_view> columns_;
  size_t index_ = 0;
};

}  // namespace

bool IsNameColumn(std::string_view column) {
  for (const char* name : {"Produto", "Marca", "Complemento", "Nome_Salvar"}) {
    if (SameWord(column, name)) return true;
  }
  return false;
}

bool IsNumericColumn(std::string_view column) {
  return SameWord(column, "PrecoUnitario") || SameWord(column, "Quantidade");
}

bool TranslateStatement(std::string_view statement, const RegionalSettings& regional, TranslatedStatement* out,
                        std::string* error) {
  std::vector<Token> tokens;
  if (!Tokenize(statement, &tokens, error)) return false;

  TranslatedStatement result;
  InsertTracker insert;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    std::string_view column = insert.Column(tokens, i);

    // "Delete * From": SQLite deletes rows without naming columns.
    if (IsPunct(t, '*') && i > 0 && IsWord(tokens[i - 1], "Delete") && i + 1 < tokens.size() &&
        IsWord(tokens[i + 1], "From")) {
      continue;
    }
    if (!result.sql.empty() && t.spaceBefore) result.sql.push_back(' ');
    if (t.kind != Token::Kind::kLiteral) {
      result.sql.append(t.raw);
      // The original engine sorted text in the order of the user's language; the file keeps only the
      // engine's own case-blind order (so that any SQLite program can use and change it), and the
      // program's order of names is asked for where a statement sorts.
      if (i >= 2 && IsWord(tokens[i - 2], "Order") && IsWord(tokens[i - 1], "By") && IsNameColumn(t.raw)) {
        result.sql.append(" COLLATE ");
        result.sql.append(kOrdemDosNomes);
      }
      continue;
    }

    // "Column = 'value'" in Set and Where.
    if (column.empty() && i >= 2 && IsPunct(tokens[i - 1], '=') && tokens[i - 2].kind == Token::Kind::kWord) {
      column = tokens[i - 2].raw;
    }
    SqlParameter p;
    if (!column.empty() && IsNumericColumn(column)) {
      p.kind = SqlParameter::Kind::kReal;
      if (!ParseNumber(t.value, &p.real, regional)) {
        *error = "O valor \"" + t.value + "\" não é um número válido para " + std::string(column) + ".";
        return false;
      }
    } else {
      p.text = Cp1252ToUtf8(t.value);
    }
    result.parameters.push_back(std::move(p));
    result.sql.push_back('?');
  }
  *out = std::move(result);
  return true;
}

}  // namespace mercanota
