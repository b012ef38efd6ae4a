// What the database, recordset and table definition classes share inside the layer: the open
// SQLite connection, its statement cache, table schemas and the conversion of errors.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "dao/dao.h"
#include "dao/jetsql.h"

namespace nux::dao {

struct ColumnSchema {
  std::u16string name;
  std::string declText;
  DeclInfo decl;
  bool notNull = false;
};

struct TableSchema {
  std::u16string name;  // as the database spells it
  std::vector<ColumnSchema> columns;
  int rowidAlias = -1;  // the INTEGER PRIMARY KEY column (the auto-increment field)
  bool autoIncrement = false;
  int Find(std::u16string_view column) const;  // without case; -1 when missing
};

// A column of a recordset: its name, its declared type, and its column in the table.
struct FieldDesc {
  std::u16string name;
  DeclInfo decl;
  int tableColumn = -1;
};

// The name of the table that holds the password hash; it is not one of the user's tables.
inline constexpr const char* kAccessTable = "MSysAccess";

struct DatabaseImpl {
  CDaoDatabase* owner = nullptr;
  // Held by every call on the database and on its recordsets and table definitions: a
  // connection used from two threads at once serves one call after the other.
  mutable std::recursive_mutex mutex;
  sqlite3* db = nullptr;
  int lockFd = -1;
  std::u16string name;
  std::u16string connect;
  bool readOnly = false;
  bool exclusive = false;
  long recordsAffected = 0;
  uint64_t writeCount = 0;  // every write through the layer counts; read values older than it are read again
  std::unordered_map<std::string, sqlite3_stmt*> statements;
  std::unordered_map<std::u16string, std::shared_ptr<const Statement>> translations;
  std::unordered_map<std::u16string, std::shared_ptr<const Statement>> shapes;  // by ShapeOf
  // Statements whose one value is a string, known by the text around that string, so that
  // the next text of the shape needs no shaping: the look-ups of other ids.
  struct OneStringShape {
    std::u16string prefix;  // up to the string's opening quote, inclusive
    std::u16string suffix;  // from its closing quote
    char16_t quote = 0;
    char16_t mark = 0;
    std::shared_ptr<const Statement> statement;
  };
  std::vector<OneStringShape> oneStringShapes;
  size_t nextOneStringShape = 0;
  std::unordered_map<std::u16string, Criteria> criteria;
  std::unordered_map<std::u16string, std::shared_ptr<const TableSchema>> schemas;
  std::shared_ptr<const TableSchema> lastSchema;  // the one Schema returned last, while schemas holds it
  std::unordered_map<std::string, std::shared_ptr<const std::vector<FieldDesc>>> fieldLists;  // by row query
  std::vector<CDaoRecordset*> recordsets;  // the open ones, in no order
  std::set<CDaoTableDef*> tableDefs;

  bool IsOpen() const { return db != nullptr; }
  void CheckOpen() const;      // "Object invalid or no longer set." when closed
  void CheckWritable() const;  // "Cannot update. Database or object is read-only."

  // A cached statement, reset and with its bindings cleared. Do not keep it across another
  // Prepare: the cache may be emptied when it grows. `forCriteria` reports unknown names as a
  // Find criteria's error.
  sqlite3_stmt* Prepare(const std::string& sql, bool forCriteria = false);
  // A statement that is not cached (data definition); finalize it.
  sqlite3_stmt* PrepareOnce(const std::string& sql);
  // A translated statement and the values to bind to it.
  struct Prepared {
    std::shared_ptr<const Statement> statement;
    std::vector<Literal> params;
  };
  Prepared TranslateCached(std::u16string_view jetSql);
  const Criteria& CriteriaCached(std::u16string_view criteria);
  std::shared_ptr<const TableSchema> Schema(std::u16string_view table);
  void SchemaChanged();
  void Exec(const std::string& sql);  // runs a statement without results, uncached

  // Turns an SQLite failure into the engine's error.
  [[noreturn]] void Fail(int rc, bool forCriteria = false) const;
  void Close();
  void FinalizeStatements();
};

// Runs a body and turns JetError into CDaoException.
template <typename F>
auto Guard(F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const JetError& e) {
    ThrowDaoError(e.code, CStringW(e.message.c_str()));
  }
}

// Guard that also holds the database's lock for the call (none when there is no database:
// an object that is not open fails in the body).
template <typename F>
auto Guard(const DatabaseImpl* database, F&& body) -> decltype(body()) {
  std::unique_lock<std::recursive_mutex> lock;
  if (database) lock = std::unique_lock<std::recursive_mutex>(database->mutex);
  return Guard(std::forward<F>(body));
}
template <typename F>
auto Guard(const CDaoDatabase* database, F&& body) -> decltype(body()) {
  return Guard(database ? database->Impl() : nullptr, std::forward<F>(body));
}

// Binds the values of a statement's text to its parameters ?1, ?2 ...
void BindLiterals(sqlite3_stmt* s, const std::vector<Literal>& params);

// Values between SQLite and VARIANTs.
void ReadColumn(sqlite3_stmt* s, int column, const DeclInfo& decl, VARIANT& out);
void BindValue(sqlite3_stmt* s, int index, const VARIANT& value, const ColumnSchema* column);

std::u16string Lower(std::u16string_view s);
bool SameName(std::u16string_view a, std::u16string_view b);

}  // namespace nux::dao
