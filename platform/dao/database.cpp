// CDaoDatabase over an SQLite connection: opening with the password check and file locks,
// the statement cache, schemas, Execute and the engine's error texts.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <random>

#include "base/codepage.h"
#include "base/textcase.h"
#include "base/wstr.h"
#include "dao/impl.h"
#include "dao/sha256.h"
#include "fs/path.h"

IMPLEMENT_DYNAMIC(CDaoException, CException)
IMPLEMENT_DYNAMIC(CDaoDatabase, CObject)

// ---- exceptions -------------------------------------------------------------------

CDaoException::CDaoException() : m_pErrorInfo(nullptr), m_scode(S_OK), m_nAfxDaoError(NO_AFX_DAO_ERROR) {}

CDaoException::~CDaoException() { delete m_pErrorInfo; }

short CDaoException::GetErrorCount() { return m_pErrorInfo ? 1 : 0; }

void CDaoException::GetErrorInfo(int nIndex) {
  if (nIndex != 0 || !m_pErrorInfo) AfxThrowInvalidArgException();
}

BOOL CDaoException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext) *pnHelpContext = m_pErrorInfo ? UINT(m_pErrorInfo->m_lHelpContext) : 0;
  CStringW text;
  if (m_pErrorInfo) {
    text = m_pErrorInfo->m_strDescription;
  } else {
    switch (m_nAfxDaoError) {
      case AFX_DAO_ERROR_ENGINE_INITIALIZATION: text = u"Unable to initialize the database engine."; break;
      case AFX_DAO_ERROR_DFX_BIND: text = u"A field exchange variable does not match its field."; break;
      case AFX_DAO_ERROR_OBJECT_NOT_OPEN: text = u"Attempted to use an object that is not open."; break;
      default: break;
    }
  }
  if (text.IsEmpty()) {
    if (lpszError && nMaxError) *lpszError = 0;
    return FALSE;
  }
  return CopyMessage(text, lpszError, nMaxError);
}

void AFXAPI AfxThrowDaoException(int nAfxDaoError, SCODE scode) {
  auto* e = new CDaoException;
  e->m_nAfxDaoError = nAfxDaoError;
  e->m_scode = scode;
  throw e;
}

namespace nux::dao {

void ThrowDaoError(long code, const CStringW& description) {
  auto* e = new CDaoException;
  e->m_pErrorInfo = new CDaoErrorInfo;
  e->m_pErrorInfo->m_lErrorCode = code;
  e->m_pErrorInfo->m_strSource = u"DAO.Database";
  e->m_pErrorInfo->m_strDescription = description;
  e->m_scode = E_FAIL;
  throw e;
}

namespace {

std::mutex g_openMutex;
std::set<CDaoDatabase*>& OpenDatabases() {
  static std::set<CDaoDatabase*> open;
  return open;
}

std::u16string ParseKey(std::u16string_view connect, const char* key) {
  size_t i = 0;
  while (i <= connect.size()) {
    size_t end = connect.find(u';', i);
    if (end == std::u16string_view::npos) end = connect.size();
    std::u16string_view part = connect.substr(i, end - i);
    size_t eq = part.find(u'=');
    if (eq != std::u16string_view::npos) {
      std::u16string_view k = part.substr(0, eq);
      while (!k.empty() && k.front() == u' ') k.remove_prefix(1);
      while (!k.empty() && k.back() == u' ') k.remove_suffix(1);
      if (SameName(k, std::u16string(key, key + std::strlen(key)))) return std::u16string(part.substr(eq + 1));
    }
    i = end + 1;
  }
  return u"";
}

std::array<uint8_t, 32> PasswordDigest(const std::vector<uint8_t>& salt, std::u16string_view password) {
  std::string utf8 = nux::ToUtf8(password);
  std::vector<uint8_t> data(salt);
  data.insert(data.end(), utf8.begin(), utf8.end());
  std::array<uint8_t, 32> digest = Sha256(data.data(), data.size());
  // Stretched a little, so that a copied hash is not a quick look-up.
  for (int i = 0; i < 999; ++i) {
    std::vector<uint8_t> round(digest.begin(), digest.end());
    round.insert(round.end(), salt.begin(), salt.end());
    digest = Sha256(round.data(), round.size());
  }
  return digest;
}

}  // namespace

int TableSchema::Find(std::u16string_view column) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (SameName(columns[i].name, column)) return int(i);
  }
  return -1;
}

std::u16string Lower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = nux::LowerAscii(c);
  return out;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // names are mostly written as the database spells them
  for (size_t i = 0; i < a.size(); ++i) {
    if (nux::LowerAscii(a[i]) != nux::LowerAscii(b[i])) return false;
  }
  return true;
}

void DatabaseImpl::CheckOpen() const {
  if (!db) ThrowJet(kErrObjectInvalid, u"Object invalid or no longer set.");
}

void DatabaseImpl::CheckWritable() const {
  CheckOpen();
  if (readOnly) ThrowJet(kErrReadOnly, u"Cannot update. Database or object is read-only.");
}

void DatabaseImpl::Fail(int rc, bool forCriteria) const {
  std::string msg = db ? sqlite3_errmsg(db) : "";
  int extended = db ? sqlite3_extended_errcode(db) : rc;
  auto after = [&](const char* prefix) -> std::u16string {
    return nux::FromUtf8(msg.substr(std::strlen(prefix)));
  };
  if (msg.rfind("no such table: ", 0) == 0) {
    ThrowJet(kErrTableNotFound, u"The database engine cannot find the input table or query '" + after("no such table: ") +
                                    u"'. Make sure it exists and that its name is spelled correctly.");
  }
  if (msg.rfind("no such column: ", 0) == 0) {
    if (forCriteria) {
      ThrowJet(kErrUnknownFieldInExpression, u"The database engine does not recognize '" + after("no such column: ") +
                                                 u"' as a valid field name or expression.");
    }
    ThrowJet(kErrTooFewParameters, u"Too few parameters. Expected 1.");
  }
  if (msg.rfind("no such function: ", 0) == 0) {
    ThrowJet(kErrUndefinedFunction, u"Undefined function '" + after("no such function: ") + u"' in expression.");
  }
  if (msg.rfind("table ", 0) == 0 && msg.find(" already exists") != std::string::npos) {
    std::string t = msg.substr(6, msg.find(" already exists") - 6);
    if (t.size() >= 2 && t.front() == '"') t = t.substr(1, t.size() - 2);
    ThrowJet(kErrTableExists, u"Table '" + nux::FromUtf8(t) + u"' already exists.");
  }
  switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
      ThrowJet(kErrDuplicateKey,
               u"The changes you requested to the table were not successful because they would create duplicate "
               u"values in the index, primary key, or relationship. Change the data in the field or fields that "
               u"contain duplicate data, remove the index, or redefine the index to permit duplicate entries and "
               u"try again.");
    case SQLITE_CONSTRAINT_NOTNULL:
      ThrowJet(3314, u"The field '" + after("NOT NULL constraint failed: ") +
                         u"' cannot contain a Null value because the Required property for this field is set to True. "
                         u"Enter a value in this field.");
    default:
      break;
  }
  switch (rc & 0xFF) {
    case SQLITE_READONLY: ThrowJet(kErrReadOnly, u"Cannot update. Database or object is read-only.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED: ThrowJet(kErrLocked, u"Could not update; currently locked.");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: ThrowJet(kErrUnrecognizedFormat, u"Unrecognized database format '" + name + u"'.");
    case SQLITE_NOMEM: AfxThrowMemoryException();
    case SQLITE_FULL: ThrowJet(3035, u"System resource exceeded.");
    case SQLITE_IOERR: ThrowJet(3040, u"Disk I/O error during read.");
    default: break;
  }
  // Conditions nested deeper than SQLite's parser or expression tree take.
  if (msg.find("parser stack overflow") != std::string::npos || msg.find("Expression tree is too large") != std::string::npos) {
    ThrowJet(kErrQueryTooComplex, u"Query is too complex.");
  }
  if (msg.find("syntax error") != std::string::npos) {
    ThrowJet(kErrSyntaxInExpression, u"Syntax error (missing operator) in expression.");
  }
  ThrowJet(kErrEngine, u"The database engine reported an error: " + nux::FromUtf8(msg) + u".");
}

sqlite3_stmt* DatabaseImpl::Prepare(const std::string& sql, bool forCriteria) {
  CheckOpen();
  auto it = statements.find(sql);
  if (it != statements.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  // Each distinct text of a search or a seek is a new statement: keep the cache bounded.
  if (statements.size() >= 256) FinalizeStatements();
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v3(db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(s);
    Fail(rc, forCriteria);
  }
  statements.emplace(sql, s);
  return s;
}

sqlite3_stmt* DatabaseImpl::PrepareOnce(const std::string& sql) {
  CheckOpen();
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &s, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(s);
    Fail(rc);
  }
  return s;
}

void DatabaseImpl::Exec(const std::string& sql) {
  sqlite3_stmt* s = PrepareOnce(sql);
  int rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail(rc);
}

DatabaseImpl::Prepared DatabaseImpl::TranslateCached(std::u16string_view jetSql) {
  // Texts that differ only in their values (the look-up of another id) share the translation
  // of their shape; other statements are kept by their text.
  std::vector<std::u16string> values;
  // The same text around one string, which holds no quote: the same shape, when the string can
  // be used as a pattern in the same way.
  for (const OneStringShape& known : oneStringShapes) {
    const size_t around = known.prefix.size() + known.suffix.size();
    if (jetSql.size() < around || jetSql.substr(0, known.prefix.size()) != known.prefix ||
        jetSql.substr(jetSql.size() - known.suffix.size()) != known.suffix) {
      continue;
    }
    std::u16string_view text = jetSql.substr(known.prefix.size(), jetSql.size() - around);
    if (text.find(known.quote) != std::u16string_view::npos || PatternMark(text) != known.mark) continue;
    values.emplace_back(text);
    return {known.statement, ReuseParams(*known.statement, values)};
  }
  values.reserve(4);
  StringSpan span;
  std::u16string shape = ShapeOf(jetSql, values, &span);
  auto remember = [&](const std::shared_ptr<const Statement>& st) {
    if (values.size() != 1 || span.quote == 0 || shape.find(u'\x02') != std::u16string::npos) return;
    std::u16string_view text = jetSql.substr(span.begin, span.end - span.begin);
    if (text.find(span.quote) != std::u16string_view::npos) return;
    OneStringShape known{std::u16string(jetSql.substr(0, span.begin)), std::u16string(jetSql.substr(span.end)),
                         span.quote, PatternMark(text), st};
    if (oneStringShapes.size() < 8) {
      oneStringShapes.push_back(std::move(known));
    } else {
      oneStringShapes[nextOneStringShape] = std::move(known);
      nextOneStringShape = (nextOneStringShape + 1) % oneStringShapes.size();
    }
  };
  if (!shape.empty()) {
    auto s = shapes.find(shape);
    if (s != shapes.end()) {
      remember(s->second);
      return {s->second, ReuseParams(*s->second, values)};
    }
  }
  std::u16string key(jetSql);
  auto it = translations.find(key);
  if (it != translations.end()) return {it->second, it->second->params};
  auto st = std::make_shared<const Statement>(Translate(jetSql));
  if (!shape.empty() && st->reusable) {
    if (shapes.size() >= 256) shapes.clear();
    remember(st);
    shapes.emplace(std::move(shape), st);
  } else {
    if (translations.size() >= 512) translations.clear();
    translations.emplace(std::move(key), st);
  }
  return {st, st->params};
}

void BindLiterals(sqlite3_stmt* s, const std::vector<Literal>& params) {
  for (size_t i = 0; i < params.size(); ++i) {
    int index = kFirstLiteralParam + int(i);
    const Literal& l = params[i];
    switch (l.kind) {
      case Literal::Text: sqlite3_bind_text16(s, index, l.text.data(), int(l.text.size() * 2), SQLITE_STATIC); break;
      case Literal::Integer: sqlite3_bind_int64(s, index, l.integer); break;
      case Literal::Real: sqlite3_bind_double(s, index, l.real); break;
    }
  }
}

const Criteria& DatabaseImpl::CriteriaCached(std::u16string_view text) {
  std::u16string key(text);
  auto it = criteria.find(key);
  if (it != criteria.end()) return it->second;
  if (criteria.size() >= 512) criteria.clear();
  return criteria.emplace(std::move(key), TranslateCriteria(text)).first->second;
}

std::shared_ptr<const TableSchema> DatabaseImpl::Schema(std::u16string_view table) {
  // The table of the last query is asked for again and again: no key is built for it.
  if (lastSchema && SameName(lastSchema->name, table)) return lastSchema;
  std::u16string key = Lower(table);
  auto it = schemas.find(key);
  if (it != schemas.end()) {
    if (SameName(it->second->name, table)) lastSchema = it->second;
    return it->second;
  }
  auto schema = std::make_shared<TableSchema>();
  sqlite3_stmt* s = PrepareOnce("PRAGMA table_info(" + QuoteName(table) + ")");
  int pkCount = 0, pkColumn = -1;
  while (sqlite3_step(s) == SQLITE_ROW) {
    ColumnSchema c;
    c.name = nux::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
    const unsigned char* type = sqlite3_column_text(s, 2);
    c.declText = type ? reinterpret_cast<const char*>(type) : "";
    c.decl = ParseDecl(c.declText);
    c.notNull = sqlite3_column_int(s, 3) != 0;
    if (sqlite3_column_int(s, 5) > 0) {
      ++pkCount;
      pkColumn = int(schema->columns.size());
    }
    schema->columns.push_back(std::move(c));
  }
  sqlite3_finalize(s);
  if (schema->columns.empty()) {
    ThrowJet(kErrTableNotFound, u"The database engine cannot find the input table or query '" + std::u16string(table) +
                                    u"'. Make sure it exists and that its name is spelled correctly.");
  }
  if (pkCount == 1) {
    std::string t = schema->columns[size_t(pkColumn)].declText;
    for (char& ch : t) ch = nux::UpperAscii(ch);
    if (t == "INTEGER") schema->rowidAlias = pkColumn;
  }
  // The table's own spelling of its name, and whether it counts its keys on.
  s = PrepareOnce("SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = " + QuoteText(table) +
                  " COLLATE NOCASE");
  if (sqlite3_step(s) == SQLITE_ROW) {
    schema->name = nux::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    const unsigned char* sql = sqlite3_column_text(s, 1);
    std::string text = sql ? reinterpret_cast<const char*>(sql) : "";
    for (char& ch : text) ch = nux::UpperAscii(ch);
    schema->autoIncrement = text.find("AUTOINCREMENT") != std::string::npos;
  } else {
    schema->name = std::u16string(table);
  }
  sqlite3_finalize(s);
  schemas.emplace(key, schema);
  return schema;
}

void DatabaseImpl::SchemaChanged() {
  ++writeCount;
  schemas.clear();
  lastSchema.reset();
  fieldLists.clear();
  FinalizeStatements();
}

void DatabaseImpl::FinalizeStatements() {
  for (auto& entry : statements) sqlite3_finalize(entry.second);
  statements.clear();
}

void DatabaseImpl::Close() {
  // Recordsets and table definitions close with their database.
  std::vector<CDaoRecordset*> open = recordsets;
  for (CDaoRecordset* rs : open) rs->Close();
  std::set<CDaoTableDef*> defs = tableDefs;
  for (CDaoTableDef* td : defs) td->Close();
  recordsets.clear();
  tableDefs.clear();
  FinalizeStatements();
  translations.clear();
  shapes.clear();
  oneStringShapes.clear();
  nextOneStringShape = 0;
  criteria.clear();
  schemas.clear();
  lastSchema.reset();
  fieldLists.clear();
  if (db) {
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
  }
  if (lockFd >= 0) {
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    lockFd = -1;
  }
}

// ---- the LIKE function ------------------------------------------------------------

namespace {

void LikeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  auto text = [](sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    int bytes = sqlite3_value_bytes16(v);
    return std::u16string_view(static_cast<const char16_t*>(p), size_t(bytes) / 2);
  };
  sqlite3_result_int(ctx, LikeMatch(text(argv[0]), text(argv[1])) ? 1 : 0);
}

// The order of text: compares the UTF-8 forms in the general language order, without case.
int TextCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return nux::CollateUtf8(std::string_view(static_cast<const char*>(a), size_t(lengthA)),
                          std::string_view(static_cast<const char*>(b), size_t(lengthB)));
}

void Configure(sqlite3* db) {
  sqlite3_extended_result_codes(db, 1);
  // Unknown names in double quotes are errors, not texts.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_create_function_v2(db, "nux_like", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, LikeFunction, nullptr,
                             nullptr, nullptr);
  sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF8, nullptr, TextCollation, nullptr);
  sqlite3_busy_timeout(db, 2000);
  // Content databases are read page by page at random: a page cache that holds them (up to
  // 32 MB) and reading through a mapping keep look-ups off the disk calls.
  sqlite3_exec(db, "PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
}

bool HasAccessTable(DatabaseImpl& d) {
  sqlite3_stmt* s = d.PrepareOnce(std::string("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '") +
                                  kAccessTable + "'");
  int rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) d.Fail(rc);
  return rc == SQLITE_ROW;
}

bool PasswordMatches(DatabaseImpl& d, std::u16string_view password) {
  sqlite3_stmt* s = d.PrepareOnce(std::string("SELECT salt, digest FROM ") + kAccessTable);
  // The access record is one salt and one digest of 32 bytes. A record that cannot be read, or
  // is missing or malformed, is damage, not a wrong password.
  int rc = sqlite3_step(s);
  bool damaged = rc != SQLITE_ROW;
  bool ok = false;
  if (!damaged) {
    const bool blobs = sqlite3_column_type(s, 0) == SQLITE_BLOB && sqlite3_column_type(s, 1) == SQLITE_BLOB;
    const auto* salt = static_cast<const uint8_t*>(sqlite3_column_blob(s, 0));
    const int saltBytes = sqlite3_column_bytes(s, 0);
    const auto* digest = static_cast<const uint8_t*>(sqlite3_column_blob(s, 1));
    const int digestBytes = sqlite3_column_bytes(s, 1);
    damaged = !blobs || !salt || saltBytes <= 0 || !digest || digestBytes != 32;
    if (!damaged) {
      std::vector<uint8_t> saltCopy(static_cast<size_t>(saltBytes));
      std::memcpy(saltCopy.data(), salt, saltCopy.size());
      std::array<uint8_t, 32> expected = PasswordDigest(saltCopy, password);
      ok = std::memcmp(digest, expected.data(), 32) == 0;
      rc = sqlite3_step(s);
      damaged = rc != SQLITE_DONE;  // one record, read to its end
    }
  }
  sqlite3_finalize(s);
  if (damaged) ThrowJet(kErrUnrecognizedFormat, u"Unrecognized database format '" + d.name + u"'.");
  return ok;
}

void WritePassword(DatabaseImpl& d, std::u16string_view password) {
  d.Exec(std::string("DROP TABLE IF EXISTS ") + kAccessTable);
  if (password.empty()) return;
  d.Exec(std::string("CREATE TABLE ") + kAccessTable + " (salt BLOB NOT NULL, digest BLOB NOT NULL)");
  std::random_device random;
  std::vector<uint8_t> salt(16);
  for (auto& b : salt) b = uint8_t(random());
  std::array<uint8_t, 32> digest = PasswordDigest(salt, password);
  sqlite3_stmt* s = d.PrepareOnce(std::string("INSERT INTO ") + kAccessTable + " (salt, digest) VALUES (?1, ?2)");
  sqlite3_bind_blob(s, 1, salt.data(), int(salt.size()), SQLITE_TRANSIENT);
  sqlite3_bind_blob(s, 2, digest.data(), 32, SQLITE_TRANSIENT);
  int rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) d.Fail(rc);
}

// Opens the connection on a file that exists; the caller has checked the path.
void OpenConnection(DatabaseImpl& d, const std::string& filePath, bool create) {
  // Every call through the layer holds the database's own lock (DatabaseImpl::mutex), which
  // serialises the connection and the layer's caches together; SQLite's own mutex would guard
  // the connection alone.
  int flags = (d.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  int lockFd = ::open(filePath.c_str(), (create ? O_RDWR | O_CREAT | O_EXCL : O_RDONLY) | O_CLOEXEC, 0644);
  if (lockFd < 0) {
    if (create && errno == EEXIST) ThrowJet(kErrDatabaseExists, u"Database already exists.");
    if (create) ThrowJet(kErrInvalidPath, u"'" + d.name + u"' is not a valid path.");
    ThrowJet(kErrFileNotFound, u"Could not find file '" + d.name + u"'.");
  }
  // Exclusive opens keep every other open away; shared ones keep exclusive ones away.
  if (::flock(lockFd, (d.exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    ::close(lockFd);
    ThrowJet(kErrFileInUse, u"Could not use '" + d.name + u"'; file already in use.");
  }
  d.lockFd = lockFd;
  // An empty file is not a database (SQLite would take it for a new, empty one).
  struct stat info;
  if (!create && (::fstat(lockFd, &info) != 0 || info.st_size == 0)) {
    ThrowJet(kErrUnrecognizedFormat, u"Unrecognized database format '" + d.name + u"'.");
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(filePath.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    ThrowJet(kErrUnrecognizedFormat, u"Unrecognized database format '" + d.name + u"'.");
  }
  d.db = db;
  Configure(db);
  // No other open can share an exclusive one: the connection keeps its file lock between
  // statements instead of taking it and checking the file again for each.
  if (d.exclusive) sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
  // Reading the schema tells a damaged or foreign file from a database.
  sqlite3_stmt* s = nullptr;
  rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(s);
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW) ThrowJet(kErrUnrecognizedFormat, u"Unrecognized database format '" + d.name + u"'.");
}

}  // namespace

}  // namespace nux::dao

using nux::dao::DatabaseImpl;
using nux::dao::Guard;
using nux::dao::ThrowJet;

// ---- CDaoDatabase -----------------------------------------------------------------

CDaoDatabase::CDaoDatabase() : m_impl(std::make_unique<DatabaseImpl>()) { m_impl->owner = this; }

CDaoDatabase::~CDaoDatabase() { Close(); }

void CDaoDatabase::Open(LPCWSTR lpszName, BOOL bExclusive, BOOL bReadOnly, LPCWSTR lpszConnect) {
  Close();
  Guard(this, [&] {
    DatabaseImpl& d = *m_impl;
    d.name = lpszName ? lpszName : u"";
    d.connect = lpszConnect ? lpszConnect : u"";
    d.exclusive = bExclusive != FALSE;
    d.readOnly = bReadOnly != FALSE;
    std::string filePath = d.name.empty() ? std::string() : nux::fs::ToLinuxPath(d.name);
    struct stat info;
    if (filePath.empty() || ::stat(filePath.c_str(), &info) != 0) {
      ThrowJet(nux::dao::kErrFileNotFound, u"Could not find file '" + d.name + u"'.");
    }
    if (S_ISDIR(info.st_mode)) ThrowJet(nux::dao::kErrInvalidPath, u"'" + d.name + u"' is not a valid path.");
    try {
      nux::dao::OpenConnection(d, filePath, false);
      if (nux::dao::HasAccessTable(d) && !nux::dao::PasswordMatches(d, nux::dao::ParseKey(d.connect, "PWD"))) {
        ThrowJet(nux::dao::kErrNotValidPassword, u"Not a valid password.");
      }
    } catch (...) {
      d.Close();
      throw;
    }
  });
  std::lock_guard<std::mutex> lock(nux::dao::g_openMutex);
  nux::dao::OpenDatabases().insert(this);
}

void CDaoDatabase::Create(LPCWSTR lpszName, LPCWSTR lpszLocale, int dwOptions) {
  (void)dwOptions;
  Close();
  Guard(this, [&] {
    DatabaseImpl& d = *m_impl;
    d.name = lpszName ? lpszName : u"";
    d.connect.clear();
    d.exclusive = false;
    d.readOnly = false;
    std::string filePath = d.name.empty() ? std::string() : nux::fs::ToLinuxPath(d.name);
    if (filePath.empty()) ThrowJet(nux::dao::kErrInvalidPath, u"'" + d.name + u"' is not a valid path.");
    try {
      nux::dao::OpenConnection(d, filePath, true);
      // The header is written at once: a new database is never an empty file, which opens as damage.
      d.Exec("PRAGMA application_id = 1314216787");
      std::u16string password = nux::dao::ParseKey(lpszLocale ? lpszLocale : u"", "PWD");
      if (!password.empty()) nux::dao::WritePassword(d, password);
    } catch (...) {
      bool made = d.lockFd >= 0;
      d.Close();
      if (made) ::unlink(filePath.c_str());
      throw;
    }
  });
  std::lock_guard<std::mutex> lock(nux::dao::g_openMutex);
  nux::dao::OpenDatabases().insert(this);
}

void CDaoDatabase::Close() {
  {
    std::lock_guard<std::recursive_mutex> own(m_impl->mutex);
    m_impl->Close();
  }
  std::lock_guard<std::mutex> lock(nux::dao::g_openMutex);
  nux::dao::OpenDatabases().erase(this);
}

BOOL CDaoDatabase::IsOpen() const { return m_impl->IsOpen(); }
BOOL CDaoDatabase::CanUpdate() { return m_impl->IsOpen() && !m_impl->readOnly; }
BOOL CDaoDatabase::CanTransact() { return m_impl->IsOpen(); }

CStringW CDaoDatabase::GetName() {
  Guard(this, [&] { m_impl->CheckOpen(); });
  return CStringW(m_impl->name.c_str());
}

CStringW CDaoDatabase::GetConnect() {
  Guard(this, [&] { m_impl->CheckOpen(); });
  return CStringW(m_impl->connect.c_str());
}

void CDaoDatabase::Execute(LPCWSTR lpszSQL, int nOptions) {
  (void)nOptions;
  Guard(this, [&] {
    DatabaseImpl& d = *m_impl;
    d.CheckOpen();
    DatabaseImpl::Prepared prepared = d.TranslateCached(lpszSQL ? lpszSQL : u"");
    const nux::dao::Statement* st = prepared.statement.get();
    if (st->kind == nux::dao::Statement::Select) {
      ThrowJet(nux::dao::kErrCannotExecuteSelect, u"Cannot execute a select query.");
    }
    d.CheckWritable();
    bool definition = st->kind != nux::dao::Statement::Insert && st->kind != nux::dao::Statement::Update &&
                      st->kind != nux::dao::Statement::Delete;
    if (definition) {
      d.SchemaChanged();
      d.Exec(st->sql);
      for (const std::string& more : st->more) d.Exec(more);
      d.SchemaChanged();
      d.recordsAffected = 0;
      return;
    }
    d.Schema(st->table);  // names a missing table as the engine does
    sqlite3_stmt* s = d.Prepare(st->sql);
    nux::dao::BindLiterals(s, prepared.params);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    if (rc != SQLITE_DONE) d.Fail(rc);
    d.recordsAffected = long(sqlite3_changes(d.db));
    ++d.writeCount;
  });
}

long CDaoDatabase::GetRecordsAffected() { return m_impl->recordsAffected; }

void CDaoDatabase::DeleteTableDef(LPCWSTR lpszName) {
  Guard(this, [&] {
    DatabaseImpl& d = *m_impl;
    d.CheckWritable();
    auto schema = d.Schema(lpszName ? lpszName : u"");
    d.SchemaChanged();
    d.Exec("DROP TABLE " + nux::dao::QuoteName(schema->name));
  });
}

namespace {
std::vector<std::u16string> TableNames(DatabaseImpl& d) {
  std::vector<std::u16string> names;
  sqlite3_stmt* s = d.PrepareOnce(std::string("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                              "'sqlite\\_%' ESCAPE '\\' AND name <> '") +
                                  nux::dao::kAccessTable + "' ORDER BY rowid");
  while (sqlite3_step(s) == SQLITE_ROW) {
    names.push_back(nux::FromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))));
  }
  sqlite3_finalize(s);
  return names;
}
}  // namespace

short CDaoDatabase::GetTableDefCount() {
  return Guard(this, [&] { return short(TableNames(*m_impl).size()); });
}

CStringW CDaoDatabase::GetTableDefName(int nIndex) {
  return Guard(this, [&] {
    auto names = TableNames(*m_impl);
    if (nIndex < 0 || size_t(nIndex) >= names.size()) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    return CStringW(names[size_t(nIndex)].c_str());
  });
}

void CDaoDatabase::NewPassword(LPCWSTR lpszOldPassword, LPCWSTR lpszNewPassword) {
  Guard(this, [&] {
    DatabaseImpl& d = *m_impl;
    d.CheckWritable();
    if (!d.exclusive) ThrowJet(3621, u"Cannot change password on a shared open database.");
    std::u16string oldPassword = lpszOldPassword ? lpszOldPassword : u"";
    bool protectedNow = nux::dao::HasAccessTable(d);
    if (protectedNow ? !nux::dao::PasswordMatches(d, oldPassword) : !oldPassword.empty()) {
      ThrowJet(nux::dao::kErrNotValidPassword, u"Not a valid password.");
    }
    d.SchemaChanged();
    nux::dao::WritePassword(d, lpszNewPassword ? lpszNewPassword : u"");
  });
}

void CDaoDatabase::BeginTrans() {
  Guard(this, [&] {
    m_impl->CheckOpen();
    m_impl->Exec("BEGIN");
  });
}

void CDaoDatabase::CommitTrans() {
  Guard(this, [&] {
    m_impl->CheckOpen();
    m_impl->Exec("COMMIT");
  });
}

void CDaoDatabase::Rollback() {
  Guard(this, [&] {
    m_impl->CheckOpen();
    m_impl->Exec("ROLLBACK");
  });
}

void AFXAPI AfxDaoInit() { sqlite3_initialize(); }

void AFXAPI AfxDaoTerm() {
  std::set<CDaoDatabase*> open;
  {
    std::lock_guard<std::mutex> lock(nux::dao::g_openMutex);
    open = nux::dao::OpenDatabases();
  }
  for (CDaoDatabase* db : open) db->Close();
}
