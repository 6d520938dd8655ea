#pragma once
// The catalogue database, Registro.mdb: an SQLite 3 file with the tables Produtos and Compras. The
// program uses it as it would any database object: open it once, read through snapshots (all rows
// copied when the query runs, then read forwards), change it with executed statements, close it.
//
// Every operation returns true/false and keeps a numeric last-error code and a message for the user; a
// failing statement never crashes and never passes for a success.
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Regional.h"

struct sqlite3;

namespace mercanota {

enum class CatalogueError {
  kNone = 0,
  kNotOpen,       // no database is open
  kCannotOpen,    // the file is missing, unreadable or not a catalogue
  kBadStatement,  // the text is not a statement of the catalogue's dialect, or a number is not one
  kNotAQuery,     // a snapshot was asked of a statement that changes data
  kEngine,        // the engine refused the statement (unknown column, constraint, locked file, ...)
};

// One value of a row, read as the program reads its fields.
class Field {
public:
  enum class Kind { kNull, kInteger, kReal, kText };

  Field() = default;
  static Field Integer(long long v);
  static Field Real(double v);
  static Field Text(std::string cp1252);

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::kNull; }
  // As text: numbers in the regional format ("12,5"), Null as "".
  std::string AsText(const RegionalSettings& r = Regional()) const;
  // As a number: a text is read as a regional number (0 when it is none), Null is 0.
  double AsDouble(const RegionalSettings& r = Regional()) const;
  long long AsInteger(const RegionalSettings& r = Regional()) const;

private:
  Kind kind_ = Kind::kNull;
  long long integer_ = 0;
  double real_ = 0;
  std::string text_;
};

// A read-only, forward-read row set.
class Recordset {
public:
  // True when no current row remains (the original engine's EOF; that name is a C macro).
  bool Eof() const { return row_ >= rows_.size(); }
  // The field of the current row named `column` (any letter case); a Null field past the end or for a
  // column the statement did not select.
  Field Fields(std::string_view column) const;
  bool HasField(std::string_view column) const;
  void MoveNext();
  void Close();
  size_t RowCount() const { return rows_.size(); }

private:
  friend class CatalogueDatabase;
  std::vector<std::string> columns_;
  std::vector<std::vector<Field>> rows_;
  size_t row_ = 0;
};

class CatalogueDatabase {
public:
  CatalogueDatabase() = default;
  ~CatalogueDatabase();
  CatalogueDatabase(const CatalogueDatabase&) = delete;
  CatalogueDatabase& operator=(const CatalogueDatabase&) = delete;

  // Opens an existing catalogue, shared and read-write (read-only when the file cannot be written); never
  // creates one. `path` is in the ANSI code page on Windows, the file system's own bytes elsewhere.
  // Fails for a missing or unreadable file and for a file without the two tables. A writable catalogue of
  // an earlier version is brought to the current schema, keeping every row.
  bool OpenDatabase(const std::string& path);
  // Runs a query and copies its rows into `rows`. Numbers are converted with the regional settings in
  // force at the call.
  bool CreateSnapshot(std::string_view sql, Recordset* rows);
  // Runs an insert, update or delete.
  bool Execute(std::string_view sql);
  // A transaction around several statements, as the engine's workspace offers it: nothing of them
  // reaches the file unless CommitTrans succeeds; a failed commit leaves the transaction to Rollback.
  // BeginTrans takes the write lock at once, so a catalogue locked by another program fails here, before
  // anything has run.
  bool BeginTrans();
  bool CommitTrans();
  void Rollback();
  bool InTransaction() const;
  // Rows changed by the last successful Execute.
  long long RecordsAffected() const { return recordsAffected_; }
  void Close();
  bool IsOpen() const { return db_ != nullptr; }
  // Open, but every change will be refused: the file is write-protected.
  bool IsReadOnly() const;

  CatalogueError LastError() const { return lastError_; }
  // In Windows-1252, for a message box.
  const std::string& LastErrorText() const { return lastErrorText_; }

  // Makes a new, empty catalogue file with the two tables. Fails if `path` (spelt as for OpenDatabase)
  // exists, unless `replace`.
  static bool CreateCatalogueFile(const std::string& path, bool replace, std::string* error);

private:
  bool Fail(CatalogueError code, std::string text);
  bool FailFromEngine(CatalogueError code, std::string_view context);
  bool Run(std::string_view sql, bool query, Recordset* rows);
  // The first column of the first row of an internal query, -1 when it fails.
  long long Conta(const char* consulta);
  // Brings a catalogue of an earlier version to the current schema (see kConversao).
  void AtualizaEsquema();

  sqlite3* db_ = nullptr;
  CatalogueError lastError_ = CatalogueError::kNone;
  std::string lastErrorText_;
  long long recordsAffected_ = 0;
};

}  // namespace mercanota
