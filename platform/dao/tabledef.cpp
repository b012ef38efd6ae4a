// CDaoTableDef: new tables collected field by field and made by Append, and existing tables
// with their fields and indexes.
#include "base/codepage.h"
#include "dao/impl.h"

IMPLEMENT_DYNAMIC(CDaoTableDef, CObject)

namespace nux::dao {

struct IndexDef {
  std::u16string name;
  std::vector<std::pair<std::u16string, bool>> fields;  // name, descending
  bool primary = false;
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
};

struct FieldDef {
  std::u16string name;
  short type = dbText;
  long size = 0;
  long attributes = 0;
  bool required = false;
};

struct TableDefImpl {
  DatabaseImpl* db = nullptr;
  bool open = false;
  bool isNew = false;
  std::u16string name;
  std::vector<FieldDef> fields;  // of a new table
  std::vector<IndexDef> indexes;

  void CheckOpen() const {
    if (!open || !db || !db->IsOpen()) ThrowJet(kErrObjectInvalid, u"Object invalid or no longer set.");
  }

  // SQLite index names are unique in the file: the table's name goes in front, and a primary
  // index is marked so that it reads back as one.
  std::string IndexName(const IndexDef& index) const {
    return QuoteName(name + u":" + index.name + (index.primary ? u":primary" : u""));
  }

  std::string IndexSql(const IndexDef& index) const {
    std::string list;
    for (auto& f : index.fields) list += (list.empty() ? "" : ", ") + QuoteName(f.first) + (f.second ? " DESC" : " ASC");
    return std::string("CREATE ") + (index.unique || index.primary ? "UNIQUE " : "") + "INDEX " + IndexName(index) +
           " ON " + QuoteName(name) + " (" + list + ")";
  }

  // Indexes of an existing table, read back from the file.
  std::vector<IndexDef> ReadIndexes() {
    std::vector<IndexDef> out;
    auto schema = db->Schema(name);
    if (schema->rowidAlias >= 0) {
      IndexDef key;
      key.name = schema->columns[size_t(schema->rowidAlias)].name;
      key.fields.push_back({key.name, false});
      key.primary = key.unique = key.required = true;
      out.push_back(key);
    }
    sqlite3_stmt* s = db->PrepareOnce("PRAGMA index_list(" + QuoteName(schema->name) + ")");
    std::vector<std::pair<std::string, bool>> list;
    while (sqlite3_step(s) == SQLITE_ROW) {
      list.push_back({reinterpret_cast<const char*>(sqlite3_column_text(s, 1)), sqlite3_column_int(s, 2) != 0});
    }
    sqlite3_finalize(s);
    for (auto& entry : list) {
      IndexDef index;
      std::u16string full = nux::FromUtf8(entry.first);
      std::u16string prefix = Lower(schema->name) + u":";
      index.name = full;
      if (Lower(full).rfind(prefix, 0) == 0) index.name = full.substr(prefix.size());
      const std::u16string mark = u":primary";
      if (index.name.size() > mark.size() && index.name.compare(index.name.size() - mark.size(), mark.size(), mark) == 0) {
        index.name.resize(index.name.size() - mark.size());
        index.primary = true;
      }
      index.unique = entry.second;
      sqlite3_stmt* info = db->PrepareOnce("PRAGMA index_xinfo(" + QuoteName(full) + ")");
      while (sqlite3_step(info) == SQLITE_ROW) {
        if (sqlite3_column_int(info, 5) == 0) continue;  // not a key column
        const unsigned char* column = sqlite3_column_text(info, 2);
        if (!column) continue;
        index.fields.push_back({nux::FromUtf8(reinterpret_cast<const char*>(column)), sqlite3_column_int(info, 3) != 0});
      }
      sqlite3_finalize(info);
      out.push_back(std::move(index));
    }
    return out;
  }
};

}  // namespace nux::dao

using nux::dao::FieldDef;
using nux::dao::Guard;
using nux::dao::IndexDef;
using nux::dao::TableDefImpl;
using nux::dao::ThrowJet;

CDaoIndexInfo::~CDaoIndexInfo() {
  if (m_bCleanupFieldInfo) delete[] m_pFieldInfos;
}

CDaoTableDef::CDaoTableDef(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase), m_impl(std::make_unique<TableDefImpl>()) {}

CDaoTableDef::~CDaoTableDef() { Close(); }

void CDaoTableDef::Create(LPCWSTR lpszName, long, LPCWSTR, LPCWSTR) {
  Close();
  Guard(m_pDatabase, [&] {
    TableDefImpl& t = *m_impl;
    if (!m_pDatabase || !m_pDatabase->IsOpen()) ThrowJet(nux::dao::kErrObjectInvalid, u"Object invalid or no longer set.");
    t.db = m_pDatabase->Impl();
    t.name = lpszName ? lpszName : u"";
    if (t.name.empty()) ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    t.isNew = true;
    t.open = true;
    t.fields.clear();
    t.indexes.clear();
    t.db->tableDefs.insert(this);
  });
}

void CDaoTableDef::Open(LPCWSTR lpszName) {
  Close();
  Guard(m_pDatabase, [&] {
    TableDefImpl& t = *m_impl;
    if (!m_pDatabase || !m_pDatabase->IsOpen()) ThrowJet(nux::dao::kErrObjectInvalid, u"Object invalid or no longer set.");
    t.db = m_pDatabase->Impl();
    auto schema = t.db->Schema(lpszName ? lpszName : u"");
    t.name = schema->name;
    t.isNew = false;
    t.open = true;
    t.db->tableDefs.insert(this);
  });
}

void CDaoTableDef::Close() {
  TableDefImpl& t = *m_impl;
  std::unique_lock<std::recursive_mutex> lock;
  if (t.db) lock = std::unique_lock<std::recursive_mutex>(t.db->mutex);
  if (t.db) t.db->tableDefs.erase(this);
  t.db = nullptr;
  t.open = false;
  t.isNew = false;
  t.fields.clear();
  t.indexes.clear();
}

BOOL CDaoTableDef::IsOpen() const { return m_impl->open; }

CStringW CDaoTableDef::GetName() { return CStringW(m_impl->name.c_str()); }

void CDaoTableDef::CreateField(LPCWSTR lpszName, short nType, long lSize, long lAttributes) {
  CDaoFieldInfo info;
  info.m_strName = lpszName;
  info.m_nType = nType;
  info.m_lSize = lSize;
  info.m_lAttributes = lAttributes;
  CreateField(info);
}

void CDaoTableDef::CreateField(CDaoFieldInfo& info) {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    FieldDef f;
    f.name = info.m_strName.GetString();
    f.type = info.m_nType;
    f.size = info.m_lSize;
    f.attributes = info.m_lAttributes;
    f.required = info.m_bRequired != FALSE;
    if (f.name.empty()) ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    nux::dao::ColumnDecl(f.type, f.size, false);  // checks the type
    bool autoIncrement = (f.attributes & dbAutoIncrField) != 0;
    if (autoIncrement && f.type != dbLong) ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    if (t.isNew) {
      for (const FieldDef& other : t.fields) {
        if (nux::dao::SameName(other.name, f.name)) ThrowJet(3191, u"Cannot define field more than once.");
      }
      t.fields.push_back(f);
      return;
    }
    t.db->CheckWritable();
    if (autoIncrement) ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    t.db->SchemaChanged();
    t.db->Exec("ALTER TABLE " + nux::dao::QuoteName(t.name) + " ADD COLUMN " + nux::dao::QuoteName(f.name) + " " +
               nux::dao::ColumnDecl(f.type, f.size, false));
  });
}

void CDaoTableDef::CreateIndex(CDaoIndexInfo& info) {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    IndexDef index;
    index.name = info.m_strName.GetString();
    index.primary = info.m_bPrimary != FALSE;
    index.unique = info.m_bUnique != FALSE;
    index.ignoreNulls = info.m_bIgnoreNulls != FALSE;
    index.required = info.m_bRequired != FALSE;
    if (index.name.empty() || info.m_nFields <= 0 || !info.m_pFieldInfos) {
      ThrowJet(nux::dao::kErrInvalidArgument, u"Invalid argument.");
    }
    for (short i = 0; i < info.m_nFields; ++i) {
      index.fields.push_back({info.m_pFieldInfos[i].m_strName.GetString(), info.m_pFieldInfos[i].m_bDescending != FALSE});
    }
    std::vector<IndexDef> existing = t.isNew ? t.indexes : t.ReadIndexes();
    for (const IndexDef& other : existing) {
      if (nux::dao::SameName(other.name, index.name)) ThrowJet(3284, u"Index already exists.");
      if (index.primary && other.primary) ThrowJet(3283, u"Primary key already exists.");
    }
    if (t.isNew) {
      for (auto& f : index.fields) {
        bool known = false;
        for (const FieldDef& field : t.fields) known = known || nux::dao::SameName(field.name, f.first);
        if (!known) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
      }
      t.indexes.push_back(std::move(index));
      return;
    }
    t.db->CheckWritable();
    auto schema = t.db->Schema(t.name);
    for (auto& f : index.fields) {
      if (schema->Find(f.first) < 0) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    }
    t.db->SchemaChanged();
    t.db->Exec(t.IndexSql(index));
  });
}

void CDaoTableDef::DeleteIndex(LPCWSTR lpszName) {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    std::u16string name = lpszName ? lpszName : u"";
    if (t.isNew) {
      for (size_t i = 0; i < t.indexes.size(); ++i) {
        if (nux::dao::SameName(t.indexes[i].name, name)) {
          t.indexes.erase(t.indexes.begin() + long(i));
          return;
        }
      }
      ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    }
    t.db->CheckWritable();
    for (const IndexDef& index : t.ReadIndexes()) {
      if (nux::dao::SameName(index.name, name)) {
        t.db->SchemaChanged();
        t.db->Exec("DROP INDEX " + t.IndexName(index));
        return;
      }
    }
    ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
  });
}

void CDaoTableDef::Append() {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    if (!t.isNew) ThrowJet(3219, u"Invalid operation.");
    t.db->CheckWritable();
    if (t.fields.empty()) ThrowJet(3264, u"No field defined--cannot append TableDef or Index.");
    std::string columns;
    for (const FieldDef& f : t.fields) {
      bool autoIncrement = (f.attributes & dbAutoIncrField) != 0;
      columns += (columns.empty() ? "" : ", ") + nux::dao::QuoteName(f.name) + " " +
                 nux::dao::ColumnDecl(f.type, f.size, autoIncrement) + (f.required && !autoIncrement ? " NOT NULL" : "");
    }
    t.db->SchemaChanged();
    t.db->Exec("SAVEPOINT nux_append");
    try {
      t.db->Exec("CREATE TABLE " + nux::dao::QuoteName(t.name) + " (" + columns + ")");
      for (const IndexDef& index : t.indexes) {
        // The primary index of the auto-increment field is the table's row id itself.
        if (index.primary && index.fields.size() == 1) {
          bool onKey = false;
          for (const FieldDef& f : t.fields) {
            onKey = onKey || ((f.attributes & dbAutoIncrField) && nux::dao::SameName(f.name, index.fields[0].first));
          }
          if (onKey) continue;
        }
        t.db->Exec(t.IndexSql(index));
      }
      t.db->Exec("RELEASE nux_append");
    } catch (...) {
      sqlite3_exec(t.db->db, "ROLLBACK TO nux_append; RELEASE nux_append", nullptr, nullptr, nullptr);
      t.db->SchemaChanged();
      throw;
    }
    t.db->SchemaChanged();
    t.isNew = false;
    t.fields.clear();
    t.indexes.clear();
  });
}

short CDaoTableDef::GetFieldCount() {
  return Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    return short(t.isNew ? t.fields.size() : t.db->Schema(t.name)->columns.size());
  });
}

void CDaoTableDef::GetFieldInfo(int nIndex, CDaoFieldInfo& info, DWORD) {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    if (t.isNew) {
      if (nIndex < 0 || size_t(nIndex) >= t.fields.size()) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
      const FieldDef& f = t.fields[size_t(nIndex)];
      info.m_strName = f.name.c_str();
      info.m_nType = f.type;
      info.m_lSize = f.type == dbText ? (f.size > 0 ? f.size : 255) : nux::dao::ParseDecl(nux::dao::ColumnDecl(f.type, f.size, false)).size;
      info.m_lAttributes = f.attributes;
      info.m_bRequired = f.required;
    } else {
      auto schema = t.db->Schema(t.name);
      if (nIndex < 0 || size_t(nIndex) >= schema->columns.size()) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
      const nux::dao::ColumnSchema& c = schema->columns[size_t(nIndex)];
      info.m_strName = c.name.c_str();
      info.m_nType = c.decl.dbType ? c.decl.dbType : short(dbText);
      info.m_lSize = c.decl.size;
      bool key = nIndex == schema->rowidAlias;
      info.m_lAttributes = (info.m_nType == dbText || info.m_nType == dbMemo ? dbVariableField : dbFixedField) |
                           (key && schema->autoIncrement ? dbAutoIncrField : dbUpdatableField);
      info.m_bRequired = c.notNull;
    }
    info.m_nOrdinalPosition = short(nIndex);
    info.m_bAllowZeroLength = info.m_nType == dbText || info.m_nType == dbMemo;
  });
}

void CDaoTableDef::GetFieldInfo(LPCWSTR lpszName, CDaoFieldInfo& info, DWORD options) {
  short count = GetFieldCount();
  for (short i = 0; i < count; ++i) {
    CDaoFieldInfo probe;
    GetFieldInfo(i, probe, options);
    if (nux::dao::SameName(probe.m_strName.GetString(), lpszName ? lpszName : u"")) {
      GetFieldInfo(i, info, options);
      return;
    }
  }
  nux::dao::ThrowDaoError(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
}

short CDaoTableDef::GetIndexCount() {
  return Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    return short(t.isNew ? t.indexes.size() : t.ReadIndexes().size());
  });
}

void CDaoTableDef::GetIndexInfo(int nIndex, CDaoIndexInfo& info, DWORD) {
  Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    std::vector<IndexDef> indexes = t.isNew ? t.indexes : t.ReadIndexes();
    if (nIndex < 0 || size_t(nIndex) >= indexes.size()) ThrowJet(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
    const IndexDef& index = indexes[size_t(nIndex)];
    if (info.m_bCleanupFieldInfo) delete[] info.m_pFieldInfos;
    info.m_strName = index.name.c_str();
    info.m_nFields = short(index.fields.size());
    info.m_pFieldInfos = new CDaoIndexFieldInfo[index.fields.size() ? index.fields.size() : 1];
    info.m_bCleanupFieldInfo = TRUE;
    for (size_t i = 0; i < index.fields.size(); ++i) {
      info.m_pFieldInfos[i].m_strName = index.fields[i].first.c_str();
      info.m_pFieldInfos[i].m_bDescending = index.fields[i].second;
    }
    info.m_bPrimary = index.primary;
    info.m_bUnique = index.unique || index.primary;
    info.m_bClustered = FALSE;
    info.m_bIgnoreNulls = index.ignoreNulls;
    info.m_bRequired = index.required;
    info.m_bForeign = FALSE;
  });
}

void CDaoTableDef::GetIndexInfo(LPCWSTR lpszName, CDaoIndexInfo& info, DWORD options) {
  short count = GetIndexCount();
  for (short i = 0; i < count; ++i) {
    GetIndexInfo(i, info, options);
    if (nux::dao::SameName(info.m_strName.GetString(), lpszName ? lpszName : u"")) return;
  }
  nux::dao::ThrowDaoError(nux::dao::kErrItemNotFound, u"Item not found in this collection.");
}

long CDaoTableDef::GetRecordCount() {
  return Guard(m_impl->db, [&] {
    TableDefImpl& t = *m_impl;
    t.CheckOpen();
    if (t.isNew) return 0L;
    sqlite3_stmt* s = t.db->Prepare("SELECT count(*) FROM " + nux::dao::QuoteName(t.name));
    long n = sqlite3_step(s) == SQLITE_ROW ? long(sqlite3_column_int64(s, 0)) : 0;
    sqlite3_reset(s);
    return n;
  });
}
