#include "catalogue/CatalogueDatabase.h"

#include <sqlite3.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

#include "catalogue/Charset.h"
#include "catalogue/SqlTranslation.h"

namespace mercanota {
namespace {

// The product table's columns, one text for new catalogues and for the conversion below, so that a
// converted file declares them exactly as a new one does.
#define MERCANOTA_COLUNAS_DE_PRODUTOS              \
  " ID_Produto INTEGER PRIMARY KEY AUTOINCREMENT," \
  " Produto TEXT NOT NULL COLLATE NOCASE,"         \
  " Marca TEXT COLLATE NOCASE,"                    \
  " Complemento TEXT COLLATE NOCASE,"              \
  " DataPesquisa TEXT,"                            \
  " PrecoUnitario REAL);"

// The schema. Text columns compare without regard to letter case, as the original engine's did (a name
// typed in lower case finds the same product), under SQLite's own NOCASE, so that any SQLite program
// (the stock shell, a spreadsheet's import, a script) reads, sorts, counts and changes the file as this
// program does and keeps its index in the same order. The program's order of names, with accented
// letters beside their plain ones, is asked for by the statements that sort (kOrdemDosNomes); it is
// never part of the file.
const char kSchema[] = "CREATE TABLE Produtos (" MERCANOTA_COLUNAS_DE_PRODUTOS
                       "CREATE TABLE Compras ("
                       " Nome_Salvar TEXT NOT NULL COLLATE NOCASE,"
                       " ID_Produto INTEGER NOT NULL,"
                       " Quantidade REAL);";

// The list windows look entries up by name, and by name in price order, once per ticked product; on a
// shop's catalogue of tens of thousands of entries a scan each time would make every step of a list slow.
// One index on the name serves both: a name has a handful of entries, sorted by price in no time. An
// index on name and price would also order the entries of one name by price where a statement orders by
// the name alone, and the query window shows a name's brands in the order they were registered.
const char kIndexes[] = "CREATE INDEX ProdutosPorNome ON Produtos(Produto);";

// Catalogues made by earlier versions declared the product name, and indexed it, under the program's own
// collation, which no other SQLite program knows: they refused to count, sort or change the products.
// Such a file is rebuilt once, when it is opened for writing, with the same rows, identifiers and next
// identifier, and the name index under the engine's own collation. (A catalogue made before the index
// existed is left as it is: it works, only slower.)
const char kPrecisaConverter[] =
    "SELECT count(*) FROM sqlite_master WHERE tbl_name = 'Produtos' AND sql LIKE '%COLLATE CATALOGO%'";
const char kConversao[] =
    "CREATE TABLE ProdutosConvertidos (" MERCANOTA_COLUNAS_DE_PRODUTOS
    "INSERT INTO ProdutosConvertidos (ID_Produto, Produto, Marca, Complemento, DataPesquisa, PrecoUnitario)"
    " SELECT ID_Produto, Produto, Marca, Complemento, DataPesquisa, PrecoUnitario FROM Produtos;"
    "CREATE TEMP TABLE ProximoProduto AS SELECT seq FROM sqlite_sequence WHERE name = 'Produtos';"
    "DROP TABLE Produtos;"
    "ALTER TABLE ProdutosConvertidos RENAME TO Produtos;"
    "DELETE FROM sqlite_sequence WHERE name IN ('Produtos', 'ProdutosConvertidos');"
    "INSERT INTO sqlite_sequence (name, seq) SELECT 'Produtos', seq FROM (SELECT max(seq) AS seq FROM"
    " (SELECT seq FROM ProximoProduto UNION ALL SELECT max(ID_Produto) FROM Produtos)) WHERE seq IS NOT NULL;"
    "DROP TABLE ProximoProduto;";

// Opening checks that the file really is a catalogue: the engine opens files lazily, so a text file or an
// empty file named Registro.mdb would otherwise fail only at the first query.
const char* const kSchemaChecks[] = {
    "SELECT ID_Produto, Produto, Marca, Complemento, DataPesquisa, PrecoUnitario FROM Produtos LIMIT 0",
    "SELECT Nome_Salvar, ID_Produto, Quantidade FROM Compras LIMIT 0",
};

constexpr int kBusyTimeoutMs = 2000;

// Paths come as the system spells them: in the ANSI code page in force on Windows (which need not be
// Windows-1252: an accented folder name is spelt differently under another code page), as the file
// system's own bytes elsewhere (the host tools and tests), where they are passed on untouched.

// The path as the engine wants it: UTF-8.
std::string EnginePath(const std::string& path) {
#ifdef _WIN32
  if (path.empty() || path.size() > 0x7FFFFFFF) return {};
  const int size = static_cast<int>(path.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring utf16(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), size, utf16.data(), wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
#else
  return path;
#endif
}

// A file the person has write-protected is opened for reading only, whether or not the system would let
// this process write it anyway (an administrator may); elsewhere the engine finds out by itself.
bool WriteProtected(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
#else
  (void)path;
  return false;
#endif
}

// The path inside a message, which is Windows-1252 text.
std::string PathInMessage(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  return Utf8ToCp1252(path);
#endif
}

// Folding for the collation: the letter without case or accent (primary), then with its accent but
// without case (secondary). Only letters of Windows-1252 are folded; other characters keep their code.
char32_t FoldCase(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  switch (c) {
    case 0x160:
    case 0x17D:
    case 0x152: return c + 1;  // Š Ž Œ
    case 0x178: return 0xFF;   // Ÿ
    default: return c;
  }
}

char32_t FoldAccent(char32_t c) {
  c = FoldCase(c);
  if (c >= 0xE0 && c <= 0xE5) return 'a';
  if (c == 0xE7) return 'c';
  if (c >= 0xE8 && c <= 0xEB) return 'e';
  if (c >= 0xEC && c <= 0xEF) return 'i';
  if (c == 0xF1) return 'n';
  if ((c >= 0xF2 && c <= 0xF6) || c == 0xF8) return 'o';
  if (c >= 0xF9 && c <= 0xFC) return 'u';
  if (c == 0xFD || c == 0xFF) return 'y';
  if (c == 0x161) return 's';
  if (c == 0x17E) return 'z';
  return c;
}

int CompareFolded(std::string_view a, std::string_view b, char32_t (*fold)(char32_t)) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = fold(NextCodePoint(a, &i));
    const char32_t y = fold(NextCodePoint(b, &j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

// The program's order of names (kOrdemDosNomes): "Óleo" sorts among the O's, "água" beside "Arroz", and
// names equal but for letter case stay together. Two names that differ only in accents are different
// names, ordered by their accents. Catalogues of earlier versions also declared the product name under it,
// until they are converted.
int CatalogueCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
  const std::string_view x(static_cast<const char*>(a), static_cast<size_t>(lengthA));
  const std::string_view y(static_cast<const char*>(b), static_cast<size_t>(lengthB));
  const int primary = CompareFolded(x, y, FoldAccent);
  return primary != 0 ? primary : CompareFolded(x, y, FoldCase);
}

bool SameColumnName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

Field ColumnValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return Field::Integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: return Field::Real(sqlite3_column_double(statement, column));
    case SQLITE_NULL: return Field();
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      const int length = sqlite3_column_bytes(statement, column);
      return Field::Text(Utf8ToCp1252(std::string_view(text ? text : "", text ? static_cast<size_t>(length) : 0)));
    }
  }
}

// Owns a prepared statement.
class Statement {
public:
  ~Statement() { sqlite3_finalize(statement_); }
  sqlite3_stmt** out() { return &statement_; }
  sqlite3_stmt* get() const { return statement_; }

private:
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

Field Field::Integer(long long v) {
  Field f;
  f.kind_ = Kind::kInteger;
  f.integer_ = v;
  return f;
}

Field Field::Real(double v) {
  Field f;
  f.kind_ = Kind::kReal;
  f.real_ = v;
  return f;
}

Field Field::Text(std::string cp1252) {
  Field f;
  f.kind_ = Kind::kText;
  f.text_ = std::move(cp1252);
  return f;
}

std::string Field::AsText(const RegionalSettings& r) const {
  switch (kind_) {
    case Kind::kInteger: return std::to_string(integer_);
    case Kind::kReal: return NumberToText(real_, r);
    case Kind::kText: return text_;
    case Kind::kNull: break;
  }
  return {};
}

double Field::AsDouble(const RegionalSettings& r) const {
  switch (kind_) {
    case Kind::kInteger: return static_cast<double>(integer_);
    case Kind::kReal: return real_;
    case Kind::kText: {
      double v = 0;
      return ParseNumber(text_, &v, r) ? v : 0;
    }
    case Kind::kNull: break;
  }
  return 0;
}

long long Field::AsInteger(const RegionalSettings& r) const {
  if (kind_ == Kind::kInteger) return integer_;
  const double v = AsDouble(r);
  // Out-of-range values clamp rather than overflow.
  if (!(v > -9.2e18)) return v < 0 ? -9200000000000000000ll : 0;
  if (v >= 9.2e18) return 9200000000000000000ll;
  return static_cast<long long>(v < 0 ? v - 0.5 : v + 0.5);
}

Field Recordset::Fields(std::string_view column) const {
  if (Eof()) return Field();
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (SameColumnName(columns_[c], column)) return rows_[row_][c];
  }
  return Field();
}

bool Recordset::HasField(std::string_view column) const {
  for (const auto& name : columns_) {
    if (SameColumnName(name, column)) return true;
  }
  return false;
}

void Recordset::MoveNext() {
  if (!Eof()) ++row_;
}

void Recordset::Close() {
  columns_.clear();
  rows_.clear();
  row_ = 0;
}

CatalogueDatabase::~CatalogueDatabase() { Close(); }

bool CatalogueDatabase::Fail(CatalogueError code, std::string text) {
  lastError_ = code;
  lastErrorText_ = std::move(text);
  return false;
}

bool CatalogueDatabase::FailFromEngine(CatalogueError code, std::string_view context) {
  std::string text(context);
  if (db_) text += Utf8ToCp1252(sqlite3_errmsg(db_));
  return Fail(code, text);
}

bool CatalogueDatabase::OpenDatabase(const std::string& path) {
  Close();
  lastError_ = CatalogueError::kNone;
  lastErrorText_.clear();
  const std::string utf8Path = EnginePath(path);
  const int mode = WriteProtected(path) ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  if (sqlite3_open_v2(utf8Path.c_str(), &db_, mode, nullptr) != SQLITE_OK) {
    FailFromEngine(CatalogueError::kCannotOpen, "Não foi possível abrir " + PathInMessage(path) + ": ");
    Close();
    return false;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_create_collation(db_, kOrdemDosNomes, SQLITE_UTF8, nullptr, CatalogueCollation);
  for (const char* check : kSchemaChecks) {
    Statement statement;
    if (sqlite3_prepare_v2(db_, check, -1, statement.out(), nullptr) != SQLITE_OK) {
      FailFromEngine(CatalogueError::kCannotOpen, PathInMessage(path) + " não é um catálogo de produtos: ");
      Close();
      return false;
    }
  }
  if (!IsReadOnly()) AtualizaEsquema();
  return true;
}

long long CatalogueDatabase::Conta(const char* consulta) {
  Statement statement;
  if (sqlite3_prepare_v2(db_, consulta, -1, statement.out(), nullptr) != SQLITE_OK) return -1;
  return sqlite3_step(statement.get()) == SQLITE_ROW ? sqlite3_column_int64(statement.get(), 0) : -1;
}

void CatalogueDatabase::AtualizaEsquema() {
  if (Conta(kPrecisaConverter) <= 0) return;
  // All of it or nothing: a file that cannot be converted now (locked by another program, a full disk)
  // still works as it is, and is converted at a later opening.
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return;
  bool ok = sqlite3_exec(db_, kConversao, nullptr, nullptr, nullptr) == SQLITE_OK;
  ok = ok && sqlite3_exec(db_, kIndexes, nullptr, nullptr, nullptr) == SQLITE_OK;
  ok = ok && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool CatalogueDatabase::IsReadOnly() const { return db_ && sqlite3_db_readonly(db_, "main") == 1; }

void CatalogueDatabase::Close() {
  if (db_) {
    // Every statement is finalized when its operation ends, so the close cannot be refused.
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

bool CatalogueDatabase::BeginTrans() {
  lastError_ = CatalogueError::kNone;
  lastErrorText_.clear();
  if (!db_) return Fail(CatalogueError::kNotOpen, "O banco de dados não está aberto.");
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return FailFromEngine(CatalogueError::kEngine, "Erro no banco de dados: ");
  }
  return true;
}

bool CatalogueDatabase::CommitTrans() {
  lastError_ = CatalogueError::kNone;
  lastErrorText_.clear();
  if (!db_) return Fail(CatalogueError::kNotOpen, "O banco de dados não está aberto.");
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return FailFromEngine(CatalogueError::kEngine, "Erro no banco de dados: ");
  }
  return true;
}

void CatalogueDatabase::Rollback() {
  // The engine may have rolled back already (some errors end the transaction themselves).
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool CatalogueDatabase::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

bool CatalogueDatabase::CreateSnapshot(std::string_view sql, Recordset* rows) {
  rows->Close();
  return Run(sql, true, rows);
}

bool CatalogueDatabase::Execute(std::string_view sql) { return Run(sql, false, nullptr); }

bool CatalogueDatabase::Run(std::string_view sql, bool query, Recordset* rows) {
  lastError_ = CatalogueError::kNone;
  lastErrorText_.clear();
  if (!db_) return Fail(CatalogueError::kNotOpen, "O banco de dados não está aberto.");

  const RegionalSettings& regional = Regional();
  TranslatedStatement translated;
  std::string error;
  if (!TranslateStatement(sql, regional, &translated, &error)) return Fail(CatalogueError::kBadStatement, error);

  Statement statement;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, translated.sql.c_str(), static_cast<int>(translated.sql.size()), statement.out(),
                         &tail) != SQLITE_OK) {
    return FailFromEngine(CatalogueError::kEngine, "Erro na instrução SQL: ");
  }
  if (!statement.get()) return Fail(CatalogueError::kBadStatement, "Instrução SQL vazia.");
  if (query && !sqlite3_stmt_readonly(statement.get())) {
    return Fail(CatalogueError::kNotAQuery, "A instrução SQL não é uma consulta.");
  }

  for (size_t i = 0; i < translated.parameters.size(); ++i) {
    const SqlParameter& p = translated.parameters[i];
    const int index = static_cast<int>(i) + 1;
    const int rc = p.kind == SqlParameter::Kind::kReal
                       ? sqlite3_bind_double(statement.get(), index, p.real)
                       : sqlite3_bind_text(statement.get(), index, p.text.data(), static_cast<int>(p.text.size()),
                                           SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) return FailFromEngine(CatalogueError::kEngine, "Erro na instrução SQL: ");
  }

  Recordset result;
  if (query) {
    const int columns = sqlite3_column_count(statement.get());
    for (int c = 0; c < columns; ++c) {
      const char* name = sqlite3_column_name(statement.get(), c);
      result.columns_.push_back(Utf8ToCp1252(name ? name : ""));
    }
  }
  for (;;) {
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) return FailFromEngine(CatalogueError::kEngine, "Erro no banco de dados: ");
    if (!query) continue;
    std::vector<Field> row;
    row.reserve(result.columns_.size());
    for (int c = 0; c < static_cast<int>(result.columns_.size()); ++c) row.push_back(ColumnValue(statement.get(), c));
    result.rows_.push_back(std::move(row));
  }
  if (query) {
    *rows = std::move(result);
  } else {
    recordsAffected_ = sqlite3_changes64(db_);
  }
  return true;
}

bool CatalogueDatabase::CreateCatalogueFile(const std::string& path, bool replace, std::string* error) {
  const std::string utf8Path = EnginePath(path);
  if (replace) std::remove(path.c_str());
  // Open without creating first, so that an existing file is never written over by accident.
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(utf8Path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_close_v2(db);
    *error = PathInMessage(path) + " já existe.";
    return false;
  }
  sqlite3_close_v2(db);
  db = nullptr;
  if (sqlite3_open_v2(utf8Path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    *error =
        "Não foi possível criar " + PathInMessage(path) + ": " + Utf8ToCp1252(db ? sqlite3_errmsg(db) : "sem memória");
    sqlite3_close_v2(db);
    return false;
  }
  char* message = nullptr;
  const bool ok = sqlite3_exec(db, kSchema, nullptr, nullptr, &message) == SQLITE_OK &&
                  sqlite3_exec(db, kIndexes, nullptr, nullptr, &message) == SQLITE_OK;
  if (!ok) *error = "Não foi possível criar as tabelas: " + Utf8ToCp1252(message ? message : "");
  sqlite3_free(message);
  sqlite3_close_v2(db);
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace mercanota
