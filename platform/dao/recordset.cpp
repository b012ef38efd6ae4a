// CDaoRecordset: dynasets over the row ids a query selected.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "base/codepage.h"
#include "base/wstr.h"
#include "dao/impl.h"

IMPLEMENT_DYNAMIC(CDaoRecordset, CObject)

namespace nux::dao {

namespace {

// A text column as a BSTR, decoded from the database's UTF-8 straight into the string (a
// malformed sequence gives U+FFFD, as the engine's own conversion does).
BSTR TextOf(sqlite3_stmt* s, int column) {
  const auto* p = static_cast<const unsigned char*>(sqlite3_column_text(s, column));
  const size_t bytes = size_t(sqlite3_column_bytes(s, column));
  std::u16string wide;
  size_t i = 0;
  while (i < bytes && p[i] < 0x80) ++i;
  if (i == bytes) {
    BSTR b = SysAllocStringLen(nullptr, UINT(bytes));
    if (!b) AfxThrowMemoryException();
    for (size_t k = 0; k < bytes; ++k) b[k] = OLECHAR(p[k]);
    return b;
  }
  wide.reserve(bytes);
  for (size_t k = 0; k < i; ++k) wide.push_back(char16_t(p[k]));
  while (i < bytes) {
    unsigned char c = p[i];
    char32_t cp = 0xFFFD;
    size_t length = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c < 0xE0) {
      length = 2;
    } else if (c >= 0xE0 && c < 0xF0) {
      length = 3;
    } else if (c >= 0xF0 && c < 0xF5) {
      length = 4;
    }
    if (length > 1) {
      bool valid = i + length <= bytes;
      char32_t v = c & (0xFF >> (length + 1));
      for (size_t k = 1; valid && k < length; ++k) {
        valid = (p[i + k] & 0xC0) == 0x80;
        v = (v << 6) | (p[i + k] & 0x3F);
      }
      static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (valid && v >= kMin[length] && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
      } else {
        length = 1;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      wide.push_back(char16_t(0xD800 + (cp >> 10)));
      wide.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      wide.push_back(char16_t(cp));
    }
    i += length;
  }
  BSTR b = SysAllocStringLen(wide.data(), UINT(wide.size()));
  if (!b) AfxThrowMemoryException();
  return b;
}

}  // namespace

void ReadColumn(sqlite3_stmt* s, int column, const DeclInfo& decl, VARIANT& out) {
  VariantClear(&out);
  int storage = sqlite3_column_type(s, column);
  if (storage == SQLITE_NULL) {
    out.vt = VT_NULL;
    return;
  }
  VARTYPE vt = decl.vt;
  if (vt == VT_EMPTY) {
    switch (storage) {
      case SQLITE_INTEGER: {
        sqlite3_int64 v = sqlite3_column_int64(s, column);
        vt = (v >= INT32_MIN && v <= INT32_MAX) ? VARTYPE(VT_I4) : VARTYPE(VT_R8);
        break;
      }
      case SQLITE_FLOAT: vt = VT_R8; break;
      case SQLITE_BLOB: vt = VT_ARRAY | VT_UI1; break;
      default: vt = VT_BSTR; break;
    }
  }
  bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
  if (vt != VT_BSTR && vt != (VT_ARRAY | VT_UI1) && !numeric) vt = VT_BSTR;  // a text where a number belongs
  switch (vt) {
    case VT_BSTR:
      out.vt = VT_BSTR;
      out.bstrVal = TextOf(s, column);
      return;
    case VT_I4:
      out.vt = VT_I4;
      out.lVal = LONG(sqlite3_column_int64(s, column));
      return;
    case VT_I2:
      out.vt = VT_I2;
      out.iVal = SHORT(sqlite3_column_int64(s, column));
      return;
    case VT_UI1:
      out.vt = VT_UI1;
      out.bVal = BYTE(sqlite3_column_int64(s, column));
      return;
    case VT_BOOL:
      out.vt = VT_BOOL;
      out.boolVal = sqlite3_column_int64(s, column) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VT_R4:
      out.vt = VT_R4;
      out.fltVal = FLOAT(sqlite3_column_double(s, column));
      return;
    case VT_R8:
      out.vt = VT_R8;
      out.dblVal = sqlite3_column_double(s, column);
      return;
    case VT_DATE:
      out.vt = VT_DATE;
      out.date = sqlite3_column_double(s, column);
      return;
    case VT_CY:
      out.vt = VT_CY;
      out.cyVal.int64 = storage == SQLITE_INTEGER ? sqlite3_column_int64(s, column)
                                                  : LONGLONG(std::llround(sqlite3_column_double(s, column) * 10000.0));
      return;
    default: {
      if (storage != SQLITE_BLOB) {
        out.vt = VT_BSTR;
        out.bstrVal = TextOf(s, column);
        return;
      }
      int bytes = sqlite3_column_bytes(s, column);
      SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, ULONG(bytes));
      if (!psa) AfxThrowMemoryException();
      if (bytes) std::memcpy(psa->pvData, sqlite3_column_blob(s, column), size_t(bytes));
      out.vt = VT_ARRAY | VT_UI1;
      out.parray = psa;
      return;
    }
  }
}

void BindValue(sqlite3_stmt* s, int index, const VARIANT& value, const ColumnSchema* column) {
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    sqlite3_bind_null(s, index);
    return;
  }
  VARTYPE target = column ? column->decl.vt : VARTYPE(VT_EMPTY);
  if (target == VT_EMPTY) target = value.vt;
  const std::u16string conversion = u"Data type conversion error.";
  if (target == (VT_ARRAY | VT_UI1)) {
    if (value.vt == (VT_ARRAY | VT_UI1) && value.parray) {
      sqlite3_bind_blob(s, index, value.parray->pvData, int(value.parray->rgsabound[0].cElements), SQLITE_TRANSIENT);
      return;
    }
    target = VT_BSTR;
  }
  if (target == VT_BSTR) {
    VARIANT text;
    VariantInit(&text);
    if (VariantChangeType(&text, &value, 0, VT_BSTR) != S_OK) ThrowJet(kErrTypeConversion, conversion);
    UINT length = SysStringLen(text.bstrVal);
    if (column && column->decl.dbType == dbText && column->decl.size > 0 && long(length) > column->decl.size) {
      VariantClear(&text);
      ThrowJet(kErrFieldTooSmall, u"The field is too small to accept the amount of data you attempted to add. Try "
                                  u"inserting or pasting less data.");
    }
    sqlite3_bind_text16(s, index, text.bstrVal ? text.bstrVal : u"", int(length * 2), SQLITE_TRANSIENT);
    VariantClear(&text);
    return;
  }
  if (target == VT_CY) {
    VARIANT cy;
    VariantInit(&cy);
    if (VariantChangeType(&cy, &value, 0, VT_CY) != S_OK) ThrowJet(kErrTypeConversion, conversion);
    sqlite3_bind_int64(s, index, cy.cyVal.int64);
    return;
  }
  if (target == VT_R4 || target == VT_R8 || target == VT_DATE) {
    VARIANT d;
    VariantInit(&d);
    if (VariantChangeType(&d, &value, 0, VT_R8) != S_OK) ThrowJet(kErrTypeConversion, conversion);
    sqlite3_bind_double(s, index, d.dblVal);
    return;
  }
  // Whole numbers: long, integer, byte, yes/no.
  VARIANT n;
  VariantInit(&n);
  if (VariantChangeType(&n, &value, 0, VT_I4) != S_OK) ThrowJet(kErrTypeConversion, conversion);
  LONG v = n.lVal;
  if (target == VT_BOOL) v = v ? -1 : 0;
  if ((target == VT_UI1 && (v < 0 || v > 255)) || (target == VT_I2 && (v < -32768 || v > 32767))) {
    ThrowJet(kErrTypeConversion, conversion);
  }
  sqlite3_bind_int64(s, index, v);
}

struct RecordsetImpl {
  DatabaseImpl* db = nullptr;
  bool open = false;
  int type = dbOpenDynaset;
  std::u16string sqlText;
  std::shared_ptr<const Statement> statement;
  std::vector<Literal> params;  // the values of this recordset's text
  std::shared_ptr<const TableSchema> schema;
  std::vector<int64_t> keys;
  long pos = -1;
  bool currentDeleted = false;
  std::shared_ptr<const std::vector<FieldDesc>> fieldList;
  const std::vector<FieldDesc>& Fields() const {
    static const std::vector<FieldDesc> none;
    return fieldList ? *fieldList : none;
  }
  std::vector<COleVariant> values;
  short editMode = dbEditNone;
  std::map<int, COleVariant> edits;  // by table column
  int64_t newKey = 0;

  long Count() const { return long(keys.size()); }
  bool HasCurrent() const { return open && !currentDeleted && pos >= 0 && pos < Count(); }

  void CheckOpen() const {
    if (!open || !db || !db->IsOpen()) ThrowJet(kErrObjectInvalid, u"Object invalid or no longer set.");
  }
  void CheckCurrent() const {
    CheckOpen();
    if (currentDeleted) ThrowJet(kErrRecordDeleted, u"Record is deleted.");
    if (!HasCurrent()) ThrowJet(kErrNoCurrentRecord, u"No current record.");
  }
  void CheckUpdatable() const {
    CheckOpen();
    db->CheckWritable();
    if (type == dbOpenSnapshot) ThrowJet(kErrReadOnly, u"Cannot update. Database or object is read-only.");
  }

  void RunKeyset() {
    keys.clear();
    DropAhead();
    prefetched = false;
    loadedPos = -1;
    bool withColumns = !statement->keysWithColumnsSql.empty();
    sqlite3_stmt* s = db->Prepare(withColumns ? statement->keysWithColumnsSql : statement->sql);
    BindLiterals(s, params);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      keys.push_back(sqlite3_column_int64(s, 0));
      if (withColumns && keys.size() == 1) {
        // The first record's values come with its row id.
        const auto& list = Fields();
        for (size_t i = 0; i < list.size(); ++i) ReadColumn(s, int(i) + 1, list[i].decl, values[i]);
        prefetched = true;
      }
    }
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    if (rc != SQLITE_DONE) db->Fail(rc);
  }
  bool prefetched = false;  // values hold the first record, read with the row ids
  long loadedPos = -1;      // the position whose record the values hold
  uint64_t loadedAt = 0;    // the database's write count when they were read

  void Describe() {
    auto cached = db->fieldLists.find(statement->rowSql);
    if (cached == db->fieldLists.end()) {
      sqlite3_stmt* s = db->Prepare(statement->rowSql);
      int n = sqlite3_column_count(s);
      auto list = std::make_shared<std::vector<FieldDesc>>();
      for (int i = 0; i < n; ++i) {
        FieldDesc f;
        const void* name = sqlite3_column_name16(s, i);
        f.name = name ? std::u16string(static_cast<const char16_t*>(name)) : std::u16string();
        const char* decl = sqlite3_column_decltype(s, i);
        f.decl = decl ? ParseDecl(decl) : DeclInfo{0, VT_EMPTY, 0};
        f.tableColumn = schema->Find(f.name);
        list->push_back(std::move(f));
      }
      cached = db->fieldLists.emplace(statement->rowSql, std::move(list)).first;
    }
    fieldList = cached->second;
    values.assign(fieldList->size(), COleVariant());
  }

  // Records read ahead by a forward scan: the keys they were read for, their values (none for
  // a record found gone), from position `aheadFirst`, valid while nothing is written.
  std::vector<int64_t> aheadKeys;
  std::vector<std::vector<COleVariant>> aheadValues;
  std::vector<bool> aheadFound;
  long aheadFirst = -1;
  uint64_t aheadAt = 0;
  int aheadRun = 0;  // blocks read one after another: each one reads more

  void DropAhead() {
    aheadKeys.clear();
    aheadValues.clear();
    aheadFound.clear();
    aheadFirst = -1;
    aheadRun = 0;
  }

  // Reads the records from `pos` on (at most kReadAhead, fewer for the first blocks of a scan)
  // with one statement: every statement takes and leaves the file's lock, which costs more
  // than reading a record.
  void ReadAhead() {
    const long count = std::min<long>(Count() - pos, std::min(kReadAhead, 16 << std::min(aheadRun, 2)));
    sqlite3_stmt* s = db->Prepare(statement->blockSql);
    for (long k = 0; k < count; ++k) sqlite3_bind_int64(s, int(k) + 1, keys[size_t(pos + k)]);
    std::unordered_map<int64_t, size_t> slot;
    for (long k = 0; k < count; ++k) slot.emplace(keys[size_t(pos + k)], size_t(k));
    aheadKeys.assign(keys.begin() + pos, keys.begin() + pos + count);
    aheadValues.assign(size_t(count), {});
    aheadFound.assign(size_t(count), false);
    const auto& list = Fields();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      auto it = slot.find(sqlite3_column_int64(s, 0));
      if (it == slot.end()) continue;
      std::vector<COleVariant>& row = aheadValues[it->second];
      row.resize(list.size());
      for (size_t i = 0; i < list.size(); ++i) ReadColumn(s, int(i) + 1, list[i].decl, row[i]);
      aheadFound[it->second] = true;
    }
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    if (rc != SQLITE_DONE) {
      DropAhead();
      db->Fail(rc);
    }
    aheadFirst = pos;
    aheadAt = db->writeCount;
    ++aheadRun;
  }

  // The current record as read ahead: 1 found, 0 gone, -1 not read ahead.
  int FromAhead() {
    if (aheadFirst < 0 || aheadAt != db->writeCount) return -1;
    const long k = pos - aheadFirst;
    if (k < 0 || k >= long(aheadKeys.size()) || aheadKeys[size_t(k)] != keys[size_t(pos)]) return -1;
    if (!aheadFound[size_t(k)]) return 0;
    for (size_t i = 0; i < values.size(); ++i) values[i] = aheadValues[size_t(k)][i];
    return 1;
  }

  // Reads the current record's values (nothing when there is none).
  void Load() {
    if (prefetched) {
      prefetched = false;
      if (HasCurrent() && pos == 0) {
        loadedPos = 0;
        loadedAt = db->writeCount;
        return;
      }
    }
    // Moving onto the record already read, with nothing written since, reads nothing.
    if (HasCurrent() && loadedPos == pos && loadedAt == db->writeCount) return;
    const bool forward = loadedPos >= 0 && pos == loadedPos + 1 && loadedAt == db->writeCount;
    loadedPos = -1;
    for (auto& v : values) v.Clear();
    if (!HasCurrent()) return;
    int found = FromAhead();
    if (found < 0 && forward) {
      // The next record of a scan: this one and the ones after it.
      ReadAhead();
      found = FromAhead();
    }
    if (found < 0) {
      if (!forward) aheadRun = 0;
      sqlite3_stmt* s = db->Prepare(statement->rowSql);
      sqlite3_bind_int64(s, 1, keys[size_t(pos)]);
      int rc = sqlite3_step(s);
      if (rc == SQLITE_ROW) {
        for (size_t i = 0; i < Fields().size(); ++i) ReadColumn(s, int(i), Fields()[i].decl, values[i]);
      }
      sqlite3_reset(s);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) db->Fail(rc);
      found = rc == SQLITE_ROW ? 1 : 0;
    }
    if (found) {
      loadedPos = pos;
      loadedAt = db->writeCount;
      return;
    }
    // Removed since the set was made: its place is taken by the one after it, as after Delete.
    keys.erase(keys.begin() + pos);
    DropAhead();
    currentDeleted = true;
  }

  void MoveTo(long p) {
    edits.clear();
    editMode = dbEditNone;
    currentDeleted = false;
    pos = p;
    Load();
  }

  int FieldIndex(std::u16string_view name) const {
    const std::vector<FieldDesc>& fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::u16string& field = fields[i].name;
      // Length and first letter first: most names differ there.
      if (field.size() != name.size()) continue;
      if (!name.empty() && nux::LowerAscii(field[0]) != nux::LowerAscii(name[0])) continue;
      if (SameName(field, name)) return int(i);
    }
    return -1;
  }

  void Value(int index, VARIANT& out) {
    CheckOpen();
    if (index < 0 || size_t(index) >= Fields().size()) ThrowJet(kErrItemNotFound, u"Item not found in this collection.");
    const FieldDesc& f = Fields()[size_t(index)];
    if (editMode != dbEditNone && f.tableColumn >= 0) {
      auto it = edits.find(f.tableColumn);
      if (it != edits.end()) {
        if (VariantCopy(&out, &it->second) != S_OK) AfxThrowMemoryException();
        return;
      }
    }
    if (editMode == dbEditAdd) {
      VariantClear(&out);
      if (f.tableColumn >= 0 && f.tableColumn == schema->rowidAlias) {
        out.vt = VT_I4;
        out.lVal = LONG(newKey);
      } else {
        out.vt = VT_NULL;
      }
      return;
    }
    CheckCurrent();
    if (VariantCopy(&out, &values[size_t(index)]) != S_OK) AfxThrowMemoryException();
  }

  int TableColumn(std::u16string_view name) const {
    int c = schema->Find(name);
    if (c < 0) ThrowJet(kErrItemNotFound, u"Item not found in this collection.");
    return c;
  }

  void Set(int tableColumn, const VARIANT& value) {
    CheckOpen();
    if (editMode == dbEditNone) ThrowJet(kErrUpdateWithoutEdit, u"Update or CancelUpdate without AddNew or Edit.");
    COleVariant copy(value);
    edits[tableColumn] = std::move(copy);
  }

  int64_t NextKey() {
    int64_t next = 0;
    sqlite3_stmt* s = db->Prepare("SELECT max(rowid) FROM " + QuoteName(schema->name));
    if (sqlite3_step(s) == SQLITE_ROW) next = sqlite3_column_int64(s, 0);
    sqlite3_reset(s);
    if (schema->autoIncrement) {
      s = db->Prepare("SELECT seq FROM sqlite_sequence WHERE name = " + QuoteText(schema->name));
      if (sqlite3_step(s) == SQLITE_ROW) next = std::max<int64_t>(next, sqlite3_column_int64(s, 0));
      sqlite3_reset(s);
    }
    return next + 1;
  }

  void Update() {
    CheckOpen();
    if (editMode == dbEditNone) ThrowJet(kErrUpdateWithoutEdit, u"Update or CancelUpdate without AddNew or Edit.");
    std::string table = QuoteName(schema->name);
    if (editMode == dbEditAdd) {
      if (schema->rowidAlias >= 0 && !edits.count(schema->rowidAlias)) {
        edits[schema->rowidAlias] = COleVariant(LONG(newKey));
      }
      std::string columns, params;
      int n = 0;
      for (auto& e : edits) {
        columns += (n ? ", " : "") + QuoteName(schema->columns[size_t(e.first)].name);
        params += (n ? ", ?" : "?") + std::to_string(n + 1);
        ++n;
      }
      std::string sql = edits.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                      : "INSERT INTO " + table + " (" + columns + ") VALUES (" + params + ")";
      sqlite3_stmt* s = db->Prepare(sql);
      int i = 0;
      for (auto& e : edits) BindValue(s, ++i, e.second, &schema->columns[size_t(e.first)]);
      int rc = sqlite3_step(s);
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
      if (rc != SQLITE_DONE) db->Fail(rc);
      keys.push_back(sqlite3_last_insert_rowid(db->db));
      ++db->writeCount;
      edits.clear();
      editMode = dbEditNone;
      // The current record is the one before AddNew; when that was the end, it stays there.
      if (pos == Count() - 1 && !currentDeleted) pos = Count();
      return;
    }
    if (!edits.empty()) {
      std::string sets;
      int n = 0;
      for (auto& e : edits) {
        sets += (n ? ", " : "") + QuoteName(schema->columns[size_t(e.first)].name) + " = ?" + std::to_string(n + 1);
        ++n;
      }
      sqlite3_stmt* s = db->Prepare("UPDATE " + table + " SET " + sets + " WHERE rowid = ?" + std::to_string(n + 1));
      int i = 0;
      for (auto& e : edits) BindValue(s, ++i, e.second, &schema->columns[size_t(e.first)]);
      sqlite3_bind_int64(s, n + 1, keys[size_t(pos)]);
      int rc = sqlite3_step(s);
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
      if (rc != SQLITE_DONE) db->Fail(rc);
      ++db->writeCount;
      // A changed key gets a new row id.
      if (schema->rowidAlias >= 0 && edits.count(schema->rowidAlias)) {
        VARIANT k;
        VariantInit(&k);
        if (VariantChangeType(&k, &edits[schema->rowidAlias], 0, VT_I4) == S_OK) keys[size_t(pos)] = k.lVal;
      }
    }
    edits.clear();
    editMode = dbEditNone;
    Load();
  }

  // Searches from index `from` in a direction for a record meeting the criteria.
  bool Find(long from, int step, std::u16string_view criteria) {
    CheckOpen();
    const Criteria crit = db->CriteriaCached(criteria);  // a copy: the cache may be emptied
    const std::string& condition = crit.sql;
    std::string table = QuoteName(schema->name);
    if (Count() <= 32) {
      // The row id follows the criteria's own values.
      int rowParam = kFirstLiteralParam + int(crit.params.size());
      std::string sql = "SELECT (" + condition + ") FROM " + table + " WHERE rowid = ?" + std::to_string(rowParam);
      for (long i = from; i >= 0 && i < Count(); i += step) {
        sqlite3_stmt* s = db->Prepare(sql, true);
        BindLiterals(s, crit.params);
        sqlite3_bind_int64(s, rowParam, keys[size_t(i)]);
        int rc = sqlite3_step(s);
        bool match = rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL && sqlite3_column_double(s, 0) != 0;
        sqlite3_reset(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) db->Fail(rc, true);
        if (match) {
          MoveTo(i);
          return true;
        }
      }
      return false;
    }
    std::unordered_set<int64_t> matching;
    sqlite3_stmt* s = db->Prepare("SELECT rowid FROM " + table + " WHERE (" + condition + ")", true);
    BindLiterals(s, crit.params);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) matching.insert(sqlite3_column_int64(s, 0));
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) db->Fail(rc, true);
    for (long i = from; i >= 0 && i < Count(); i += step) {
      if (matching.count(keys[size_t(i)])) {
        MoveTo(i);
        return true;
      }
    }
    return false;
  }
};

}  // namespace nux::dao

using nux::dao::Guard;
using nux::dao::DatabaseImpl;
using nux::dao::RecordsetImpl;
using nux::dao::ThrowJet;

CDaoRecordset::CDaoRecordset(CDaoDatabase* pDatabase)
    : m_pDatabase(pDatabase), m_impl(std::make_unique<RecordsetImpl>()) {}

CDaoRecordset::~CDaoRecordset() { Close(); }

void CDaoRecordset::Open(int nOpenType, LPCWSTR lpszSQL, int nOptions) {
  (void)nOptions;
  if (IsOpen()) Close();
  Guard(m_pDatabase && m_pDatabase->IsOpen() ? m_pDatabase : nullptr, [&] {
    RecordsetImpl& r = *m_impl;
    if (!m_pDatabase || !m_pDatabase->IsOpen()) ThrowJet(nux::dao::kErrObjectInvalid, u"Object invalid or no longer set.");
    r.db = m_pDatabase->Impl();
    r.type = nOpenType == AFX_DAO_USE_DEFAULT_TYPE ? dbOpenDynaset : nOpenType;
    std::u16string text;
    std::u16string_view given = lpszSQL ? std::u16string_view(lpszSQL) : std::u16string_view();
    // A bare table name opens the whole table.
    size_t first = given.find_first_not_of(u" \t\r\n");
    bool select = first != std::u16string_view::npos && given.size() - first >= 6 &&
                  nux::dao::SameName(given.substr(first, 6), u"SELECT");
    if (select) {
      text = given;
    } else {
      std::u16string table(given);
      while (!table.empty() && (table.back() == u' ' || table.back() == u';')) table.pop_back();
      if (first != std::u16string::npos) table = table.substr(first);
      if (table.size() >= 2 && table.front() == u'[' && table.back() == u']') table = table.substr(1, table.size() - 2);
      if (table.empty()) ThrowJet(nux::dao::kErrInvalidStatement, u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
      text = u"SELECT * FROM [" + table + u"]";
      if (!m_strFilter.IsEmpty()) text += u" WHERE " + std::u16string(m_strFilter.GetString());
      if (!m_strSort.IsEmpty()) text += u" ORDER BY " + std::u16string(m_strSort.GetString());
    }
    DatabaseImpl::Prepared prepared = r.db->TranslateCached(text);
    r.sqlText = std::move(text);
    r.statement = std::move(prepared.statement);
    r.params = std::move(prepared.params);
    if (r.statement->kind != nux::dao::Statement::Select) ThrowJet(3219, u"Invalid operation.");
    r.schema = r.db->Schema(r.statement->table);
    r.Describe();
    r.RunKeyset();
    r.open = true;
    r.db->recordsets.push_back(this);
    r.MoveTo(r.keys.empty() ? -1 : 0);
  });
}

void CDaoRecordset::Open(CDaoTableDef* pTableDef, int nOpenType, int nOptions) {
  if (!pTableDef) AfxThrowInvalidArgException();
  if (!m_pDatabase) m_pDatabase = pTableDef->m_pDatabase;
  CStringW name = pTableDef->GetName();
  Open(nOpenType, name.GetString(), nOptions);
}

void CDaoRecordset::Close() {
  RecordsetImpl& r = *m_impl;
  std::unique_lock<std::recursive_mutex> lock;
  if (r.db) lock = std::unique_lock<std::recursive_mutex>(r.db->mutex);
  if (r.db) {
    auto& open = r.db->recordsets;
    auto it = std::find(open.begin(), open.end(), this);
    if (it != open.end()) {
      *it = open.back();
      open.pop_back();
    }
  }
  r.open = false;
  r.db = nullptr;
  r.statement.reset();
  r.params.clear();
  r.schema.reset();
  r.keys.clear();
  r.DropAhead();
  r.values.clear();
  r.fieldList.reset();
  r.edits.clear();
  r.editMode = dbEditNone;
  r.pos = -1;
  r.currentDeleted = false;
}

BOOL CDaoRecordset::IsOpen() const { return m_impl->open; }

BOOL CDaoRecordset::IsBOF() const {
  Guard(m_impl->db, [&] { m_impl->CheckOpen(); });
  const RecordsetImpl& r = *m_impl;
  if (r.keys.empty()) return TRUE;
  return !r.currentDeleted && r.pos < 0;
}

BOOL CDaoRecordset::IsEOF() const {
  Guard(m_impl->db, [&] { m_impl->CheckOpen(); });
  const RecordsetImpl& r = *m_impl;
  if (r.keys.empty()) return TRUE;
  return !r.currentDeleted && r.pos >= r.Count();
}

BOOL CDaoRecordset::IsDeleted() const { return m_impl->currentDeleted; }

void CDaoRecordset::MoveFirst() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.keys.empty()) ThrowJet(nux::dao::kErrNoCurrentRecord, u"No current record.");
    r.MoveTo(0);
  });
}

void CDaoRecordset::MoveLast() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.keys.empty()) ThrowJet(nux::dao::kErrNoCurrentRecord, u"No current record.");
    r.MoveTo(r.Count() - 1);
  });
}

void CDaoRecordset::MoveNext() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.currentDeleted) {
      // The deleted record's place is taken by the one after it.
      r.MoveTo(std::min(r.pos, r.Count()));
      return;
    }
    if (r.keys.empty() || r.pos >= r.Count()) ThrowJet(nux::dao::kErrNoCurrentRecord, u"No current record.");
    r.MoveTo(r.pos + 1);
  });
}

void CDaoRecordset::MovePrev() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.keys.empty() || (!r.currentDeleted && r.pos < 0)) ThrowJet(nux::dao::kErrNoCurrentRecord, u"No current record.");
    r.MoveTo(std::min(r.pos, r.Count()) - 1);
  });
}

void CDaoRecordset::Move(long lRows) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.keys.empty()) ThrowJet(nux::dao::kErrNoCurrentRecord, u"No current record.");
    long target = r.pos + lRows;
    if (target < -1) target = -1;
    if (target > r.Count()) target = r.Count();
    r.MoveTo(target);
  });
}

long CDaoRecordset::GetRecordCount() {
  Guard(m_impl->db, [&] { m_impl->CheckOpen(); });
  return m_impl->Count();
}

long CDaoRecordset::GetAbsolutePosition() {
  Guard(m_impl->db, [&] { m_impl->CheckOpen(); });
  return m_impl->HasCurrent() ? m_impl->pos : -1;
}

void CDaoRecordset::SetAbsolutePosition(long lPosition) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (lPosition < 0 || lPosition >= r.Count()) ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    r.MoveTo(lPosition);
  });
}

BOOL CDaoRecordset::Find(long lFindType, LPCWSTR lpszFilter) {
  return Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    std::u16string_view criteria = lpszFilter ? lpszFilter : u"";
    long pos = r.pos;
    switch (lFindType) {
      case AFX_DAO_FIRST: return r.Find(0, 1, criteria) ? TRUE : FALSE;
      case AFX_DAO_LAST: return r.Find(r.Count() - 1, -1, criteria) ? TRUE : FALSE;
      case AFX_DAO_NEXT: return r.Find(r.currentDeleted ? pos : std::max(pos + 1, 0L), 1, criteria) ? TRUE : FALSE;
      case AFX_DAO_PREV: return r.Find(std::min(pos, r.Count()) - 1, -1, criteria) ? TRUE : FALSE;
      default: ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    }
  });
}

BOOL CDaoRecordset::FindFirst(LPCWSTR lpszFilter) { return Find(AFX_DAO_FIRST, lpszFilter); }
BOOL CDaoRecordset::FindNext(LPCWSTR lpszFilter) { return Find(AFX_DAO_NEXT, lpszFilter); }
BOOL CDaoRecordset::FindPrev(LPCWSTR lpszFilter) { return Find(AFX_DAO_PREV, lpszFilter); }
BOOL CDaoRecordset::FindLast(LPCWSTR lpszFilter) { return Find(AFX_DAO_LAST, lpszFilter); }

void CDaoRecordset::GetFieldValue(LPCWSTR lpszName, COleVariant& varValue) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    int index = r.FieldIndex(lpszName ? lpszName : u"");
    if (index < 0) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    r.Value(index, varValue);
  });
}

void CDaoRecordset::GetFieldValue(int nIndex, COleVariant& varValue) {
  Guard(m_impl->db, [&] { m_impl->Value(nIndex, varValue); });
}

COleVariant CDaoRecordset::GetFieldValue(LPCWSTR lpszName) {
  COleVariant v;
  GetFieldValue(lpszName, v);
  return v;
}

COleVariant CDaoRecordset::GetFieldValue(int nIndex) {
  COleVariant v;
  GetFieldValue(nIndex, v);
  return v;
}

void CDaoRecordset::SetFieldValue(LPCWSTR lpszName, const COleVariant& varValue) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    r.Set(r.TableColumn(lpszName ? lpszName : u""), varValue);
  });
}

void CDaoRecordset::SetFieldValue(int nIndex, const COleVariant& varValue) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (nIndex < 0 || size_t(nIndex) >= r.Fields().size() || r.Fields()[size_t(nIndex)].tableColumn < 0) {
      ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    }
    r.Set(r.Fields()[size_t(nIndex)].tableColumn, varValue);
  });
}

void CDaoRecordset::SetFieldValue(LPCWSTR lpszName, LPCWSTR lpszValue) { SetFieldValue(lpszName, COleVariant(lpszValue)); }

void CDaoRecordset::SetFieldValueNull(LPCWSTR lpszName) { SetFieldValue(lpszName, COleVariant::Null()); }

void CDaoRecordset::SetFieldValueNull(int nIndex) { SetFieldValue(nIndex, COleVariant::Null()); }

void CDaoRecordset::AddNew() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckUpdatable();
    r.edits.clear();
    r.newKey = r.schema->rowidAlias >= 0 ? r.NextKey() : 0;
    r.editMode = dbEditAdd;
  });
}

void CDaoRecordset::Edit() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckUpdatable();
    r.CheckCurrent();
    r.edits.clear();
    r.editMode = dbEditInProgress;
  });
}

void CDaoRecordset::Update() {
  Guard(m_impl->db, [&] { m_impl->Update(); });
}

void CDaoRecordset::CancelUpdate() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (r.editMode == dbEditNone) ThrowJet(nux::dao::kErrUpdateWithoutEdit, u"Update or CancelUpdate without AddNew or Edit.");
    r.edits.clear();
    r.editMode = dbEditNone;
  });
}

void CDaoRecordset::Delete() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckUpdatable();
    r.CheckCurrent();
    r.edits.clear();
    r.editMode = dbEditNone;
    sqlite3_stmt* s = r.db->Prepare("DELETE FROM " + nux::dao::QuoteName(r.schema->name) + " WHERE rowid = ?1");
    sqlite3_bind_int64(s, 1, r.keys[size_t(r.pos)]);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) r.db->Fail(rc);
    r.keys.erase(r.keys.begin() + r.pos);
    ++r.db->writeCount;
    r.loadedPos = -1;
    r.currentDeleted = true;
    for (auto& v : r.values) v.Clear();
  });
}

void CDaoRecordset::Requery() {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    r.RunKeyset();
    r.MoveTo(r.keys.empty() ? -1 : 0);
  });
}

BOOL CDaoRecordset::CanUpdate() {
  return m_impl->open && m_impl->db && !m_impl->db->readOnly && m_impl->type != dbOpenSnapshot;
}

BOOL CDaoRecordset::CanAppend() { return CanUpdate(); }

short CDaoRecordset::GetEditMode() { return m_impl->editMode; }

short CDaoRecordset::GetFieldCount() {
  return Guard(m_impl->db, [&] {
    m_impl->CheckOpen();
    return short(m_impl->Fields().size());
  });
}

void CDaoRecordset::GetFieldInfo(int nIndex, CDaoFieldInfo& info, DWORD) {
  Guard(m_impl->db, [&] {
    RecordsetImpl& r = *m_impl;
    r.CheckOpen();
    if (nIndex < 0 || size_t(nIndex) >= r.Fields().size()) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    const nux::dao::FieldDesc& f = r.Fields()[size_t(nIndex)];
    info.m_strName = f.name.c_str();
    info.m_nType = f.decl.dbType ? f.decl.dbType : short(dbText);
    info.m_lSize = f.decl.size;
    bool key = f.tableColumn >= 0 && f.tableColumn == r.schema->rowidAlias;
    info.m_lAttributes = (info.m_nType == dbText || info.m_nType == dbMemo ? dbVariableField : dbFixedField) |
                         (key && r.schema->autoIncrement ? dbAutoIncrField : dbUpdatableField);
    info.m_nOrdinalPosition = short(nIndex);
    info.m_bRequired = f.tableColumn >= 0 && r.schema->columns[size_t(f.tableColumn)].notNull;
    info.m_bAllowZeroLength = info.m_nType == dbText || info.m_nType == dbMemo;
    info.m_strSourceField = info.m_strName;
    info.m_strSourceTable = r.schema->name.c_str();
  });
}

void CDaoRecordset::GetFieldInfo(LPCWSTR lpszName, CDaoFieldInfo& info, DWORD options) {
  int index = m_impl->FieldIndex(lpszName ? lpszName : u"");
  if (index < 0) nux::dao::ThrowDaoError(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
  GetFieldInfo(index, info, options);
}

CStringW CDaoRecordset::GetSQL() const { return CStringW(m_impl->sqlText.c_str()); }

int CDaoRecordset::GetType() { return m_impl->type; }
