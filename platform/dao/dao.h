// The class library's database classes over SQLite: CDaoDatabase, CDaoRecordset (dynasets),
// CDaoTableDef, CDaoException, and the SQL dialect of the desktop database engine
// (dao/jetsql.h).
//
// Databases are SQLite files. A database password is an access check made at open, as the
// engine's is (no encryption): the file keeps a salted hash of it, and opening it without the
// right ";PWD=" in the connect string fails with "Not a valid password.". Exclusive opens lock
// the file against every other open, in this process or another; read-only opens refuse every
// write with "Cannot update. Database or object is read-only.".
//
// A recordset is a dynaset: opening it selects the row ids of its records in its order; moving
// reads the current record's values. Record count, absolute position, MovePrev and the Find
// operations work over that set. Records added through the recordset join it at its end.
//
// Every failure is thrown as `CDaoException*` (catch, read, Delete()), with the engine's error
// number in m_pErrorInfo->m_lErrorCode and its message in m_strDescription.
#pragma once

#include <memory>

#include "base/types.h"
#include "com/olevariant.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/object.h"

// ---- constants --------------------------------------------------------------------
// Recordset types.
#define dbOpenTable 1
#define dbOpenDynaset 2
#define dbOpenSnapshot 4
#define AFX_DAO_USE_DEFAULT_TYPE (-1)

// Options of recordsets and Execute.
#define dbDenyWrite 0x1
#define dbDenyRead 0x2
#define dbReadOnly 0x4
#define dbAppendOnly 0x8
#define dbInconsistent 0x10
#define dbConsistent 0x20
#define dbSQLPassThrough 0x40
#define dbFailOnError 0x80
#define dbForwardOnly 0x100
#define dbSeeChanges 0x200

// Field types.
#define dbBoolean 1
#define dbByte 2
#define dbInteger 3
#define dbLong 4
#define dbCurrency 5
#define dbSingle 6
#define dbDouble 7
#define dbDate 8
#define dbBinary 9
#define dbText 10
#define dbLongBinary 11
#define dbMemo 12
#define dbGUID 15

// Field attributes.
#define dbFixedField 0x1
#define dbVariableField 0x2
#define dbAutoIncrField 0x10
#define dbUpdatableField 0x20
#define dbSystemField 0x2000
#define dbDescending 0x1

// Edit modes.
#define dbEditNone 0
#define dbEditInProgress 1
#define dbEditAdd 2

// Find types of CDaoRecordset::Find.
#define AFX_DAO_NEXT 1
#define AFX_DAO_PREV 2
#define AFX_DAO_FIRST 3
#define AFX_DAO_LAST 4

// How much GetFieldInfo and GetIndexInfo fill in (all of it, whichever is asked for).
#define AFX_DAO_PRIMARY_INFO 0x1
#define AFX_DAO_SECONDARY_INFO 0x2
#define AFX_DAO_ALL_INFO 0x4

// Collating order and code page of new databases (the general sort order).
#define dbLangGeneral u";LANGID=0x0409;CP=1252;COUNTRY=0"
#define dbVersion30 32
#define dbEncrypt 2
#define dbDecrypt 4

// Errors of the class library itself (m_nAfxDaoError).
#define NO_AFX_DAO_ERROR 0
#define AFX_DAO_ERROR_MIN 2000
#define AFX_DAO_ERROR_ENGINE_INITIALIZATION (AFX_DAO_ERROR_MIN + 0)
#define AFX_DAO_ERROR_DFX_BIND (AFX_DAO_ERROR_MIN + 1)
#define AFX_DAO_ERROR_OBJECT_NOT_OPEN (AFX_DAO_ERROR_MIN + 2)

class CDaoDatabase;
class CDaoTableDef;
namespace nux::dao {
struct DatabaseImpl;
struct RecordsetImpl;
struct TableDefImpl;
}  // namespace nux::dao

// ---- exceptions -------------------------------------------------------------------
class CDaoErrorInfo {
 public:
  long m_lErrorCode = 0;
  CStringW m_strSource;
  CStringW m_strDescription;
  CStringW m_strHelpFile;
  long m_lHelpContext = 0;
};

class CDaoException : public CException {
  DECLARE_DYNAMIC(CDaoException)

 public:
  CDaoException();
  ~CDaoException() override;

  // The engine's text of the error ("Not a valid password." ...).
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

  // One error is kept per exception; index 0 reads it into m_pErrorInfo.
  short GetErrorCount();
  void GetErrorInfo(int nIndex);

  CDaoErrorInfo* m_pErrorInfo;
  SCODE m_scode;
  int m_nAfxDaoError;
};

// Throws a CDaoException of the class library (no engine error).
[[noreturn]] void AFXAPI AfxThrowDaoException(int nAfxDaoError = NO_AFX_DAO_ERROR, SCODE scode = S_OK);
namespace nux::dao {
// Throws a CDaoException carrying an engine error.
[[noreturn]] void ThrowDaoError(long code, const CStringW& description);
}  // namespace nux::dao

// Starts and ends the database engine's use by the process. Opening a database starts it;
// AfxDaoTerm closes the databases still open (and their recordsets).
void AFXAPI AfxDaoInit();
void AFXAPI AfxDaoTerm();

// ---- information structures -------------------------------------------------------
struct CDaoFieldInfo {
  CStringW m_strName;
  short m_nType = 0;
  long m_lSize = 0;
  long m_lAttributes = 0;
  short m_nOrdinalPosition = 0;
  BOOL m_bRequired = FALSE;
  BOOL m_bAllowZeroLength = FALSE;
  long m_lCollatingOrder = 0;
  CStringW m_strForeignName;
  CStringW m_strSourceField;
  CStringW m_strSourceTable;
  CStringW m_strValidationRule;
  CStringW m_strValidationText;
  CStringW m_strDefaultValue;
};

struct CDaoIndexFieldInfo {
  CStringW m_strName;
  BOOL m_bDescending = FALSE;
};

struct CDaoIndexInfo {
  CDaoIndexInfo() = default;
  ~CDaoIndexInfo();
  CDaoIndexInfo(const CDaoIndexInfo&) = delete;
  CDaoIndexInfo& operator=(const CDaoIndexInfo&) = delete;

  CStringW m_strName;
  CDaoIndexFieldInfo* m_pFieldInfos = nullptr;  // the caller's array, or one GetIndexInfo made
  short m_nFields = 0;
  BOOL m_bPrimary = FALSE;
  BOOL m_bUnique = FALSE;
  BOOL m_bClustered = FALSE;
  BOOL m_bIgnoreNulls = FALSE;
  BOOL m_bRequired = FALSE;
  BOOL m_bForeign = FALSE;
  long m_lDistinctCount = 0;
  BOOL m_bCleanupFieldInfo = FALSE;  // TRUE when GetIndexInfo allocated m_pFieldInfos
};

// ---- database ---------------------------------------------------------------------
class CDaoDatabase : public CObject {
  DECLARE_DYNAMIC(CDaoDatabase)

 public:
  CDaoDatabase();
  ~CDaoDatabase() override;  // closes the database

  // Opens a database file (a Windows path). The connect string may hold ";PWD=password"
  // (key without case, password with case). Errors: "Could not find file '...'." (3024),
  // "Not a valid password." (3031), "Could not use '...'; file already in use." (3045),
  // "Unrecognized database format '...'." (3343).
  virtual void Open(LPCWSTR lpszName, BOOL bExclusive = FALSE, BOOL bReadOnly = FALSE, LPCWSTR lpszConnect = u"");
  // Creates a new database file and opens it, shared and writable. The locale string may
  // carry ";PWD=password", which protects the new database. An existing file: "Database
  // already exists." (3204).
  virtual void Create(LPCWSTR lpszName, LPCWSTR lpszLocale = dbLangGeneral, int dwOptions = 0);
  // Closes the database and every recordset and table definition still open on it.
  virtual void Close();

  BOOL IsOpen() const;
  BOOL CanUpdate();
  BOOL CanTransact();
  CStringW GetName();
  CStringW GetConnect();

  // Runs an action query (INSERT, UPDATE, DELETE, or CREATE/DROP TABLE/INDEX).
  void Execute(LPCWSTR lpszSQL, int nOptions = dbFailOnError);
  long GetRecordsAffected();
  void DeleteTableDef(LPCWSTR lpszName);
  short GetTableDefCount();
  CStringW GetTableDefName(int nIndex);  // in the order the tables were created

  // Changes the database password; the database must be open exclusively. An empty new
  // password removes the protection. A wrong old password: "Not a valid password.".
  void NewPassword(LPCWSTR lpszOldPassword, LPCWSTR lpszNewPassword);

  // The transaction of the workspace, for this database.
  void BeginTrans();
  void CommitTrans();
  void Rollback();

  nux::dao::DatabaseImpl* Impl() const { return m_impl.get(); }

 private:
  std::unique_ptr<nux::dao::DatabaseImpl> m_impl;
};

// ---- recordset --------------------------------------------------------------------
class CDaoRecordset : public CObject {
  DECLARE_DYNAMIC(CDaoRecordset)

 public:
  explicit CDaoRecordset(CDaoDatabase* pDatabase = nullptr);
  ~CDaoRecordset() override;  // closes the recordset

  // Opens a dynaset (or snapshot, or table-type recordset) on a SELECT text or a table name.
  virtual void Open(int nOpenType = AFX_DAO_USE_DEFAULT_TYPE, LPCWSTR lpszSQL = nullptr, int nOptions = 0);
  virtual void Open(CDaoTableDef* pTableDef, int nOpenType = dbOpenTable, int nOptions = 0);
  virtual void Close();
  BOOL IsOpen() const;

  BOOL IsBOF() const;
  BOOL IsEOF() const;
  BOOL IsDeleted() const;
  // "No current record." (3021) when there is none to move to (MoveFirst and MoveLast on an
  // empty set, MoveNext at the end, MovePrev at the beginning).
  void MoveFirst();
  void MoveNext();
  void MovePrev();
  void MoveLast();
  virtual void Move(long lRows);

  long GetRecordCount();
  // 0-based position of the current record; -1 when there is none.
  long GetAbsolutePosition();
  void SetAbsolutePosition(long lPosition);

  // The Find operations take a criteria expression ("ID = 5", "proper_name >= 'M'") and make
  // the matching record current; FALSE (and no move) when none matches.
  BOOL FindFirst(LPCWSTR lpszFilter);
  BOOL FindNext(LPCWSTR lpszFilter);
  BOOL FindPrev(LPCWSTR lpszFilter);
  BOOL FindLast(LPCWSTR lpszFilter);
  virtual BOOL Find(long lFindType, LPCWSTR lpszFilter);

  // Field values of the current record (names without case). "Item not found in this
  // collection." (3265) for an unknown name.
  virtual void GetFieldValue(LPCWSTR lpszName, COleVariant& varValue);
  virtual void GetFieldValue(int nIndex, COleVariant& varValue);
  COleVariant GetFieldValue(LPCWSTR lpszName);
  COleVariant GetFieldValue(int nIndex);

  // Values of the record being edited or added.
  void SetFieldValue(LPCWSTR lpszName, const COleVariant& varValue);
  void SetFieldValue(int nIndex, const COleVariant& varValue);
  void SetFieldValue(LPCWSTR lpszName, LPCWSTR lpszValue);
  void SetFieldValue(LPCWSTR lpszName, int nValue) { SetFieldValue(lpszName, COleVariant(nValue)); }
  void SetFieldValue(LPCWSTR lpszName, long lValue) { SetFieldValue(lpszName, COleVariant(lValue)); }
  void SetFieldValue(LPCWSTR lpszName, short nValue) { SetFieldValue(lpszName, COleVariant(nValue)); }
  void SetFieldValue(LPCWSTR lpszName, BYTE nValue) { SetFieldValue(lpszName, COleVariant(nValue)); }
  void SetFieldValue(LPCWSTR lpszName, double dValue) { SetFieldValue(lpszName, COleVariant(dValue)); }
  void SetFieldValueNull(LPCWSTR lpszName);
  void SetFieldValueNull(int nIndex);

  // AddNew starts a new record: an auto-increment field reads its new value at once.
  // Update stores it (and the current record stays what it was before AddNew); Edit starts a
  // change of the current record, Update stores it. Delete removes the current record.
  virtual void AddNew();
  virtual void Edit();
  virtual void Update();
  virtual void CancelUpdate();
  virtual void Delete();
  virtual void Requery();

  BOOL CanUpdate();
  BOOL CanAppend();
  BOOL CanScroll() { return TRUE; }
  BOOL CanBookmark() { return FALSE; }
  short GetEditMode();
  short GetFieldCount();
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetFieldInfo(LPCWSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  CStringW GetSQL() const;
  int GetType();

  CDaoDatabase* m_pDatabase;
  // Condition and order of a recordset opened on a table's name (ignored for SQL texts).
  CStringW m_strFilter;
  CStringW m_strSort;

 private:
  friend struct nux::dao::DatabaseImpl;
  std::unique_ptr<nux::dao::RecordsetImpl> m_impl;
};

// ---- table definitions ------------------------------------------------------------
class CDaoTableDef : public CObject {
  DECLARE_DYNAMIC(CDaoTableDef)

 public:
  explicit CDaoTableDef(CDaoDatabase* pDatabase);
  ~CDaoTableDef() override;

  // A new table: its fields and indexes are collected and made by Append.
  virtual void Create(LPCWSTR lpszName, long lAttributes = 0, LPCWSTR lpszSrcTable = nullptr,
                      LPCWSTR lpszConnect = nullptr);
  virtual void Append();
  // An existing table ("The database engine cannot find the input table or query ..." when
  // there is none); fields and indexes created on it are added at once.
  virtual void Open(LPCWSTR lpszName);
  virtual void Close();
  BOOL IsOpen() const;
  CStringW GetName();

  void CreateField(LPCWSTR lpszName, short nType, long lSize, long lAttributes = 0);
  void CreateField(CDaoFieldInfo& fieldinfo);
  void CreateIndex(CDaoIndexInfo& indexinfo);
  void DeleteIndex(LPCWSTR lpszName);

  short GetFieldCount();
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetFieldInfo(LPCWSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  short GetIndexCount();
  void GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetIndexInfo(LPCWSTR lpszName, CDaoIndexInfo& indexinfo, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  long GetRecordCount();

  CDaoDatabase* m_pDatabase;

 private:
  friend struct nux::dao::DatabaseImpl;
  std::unique_ptr<nux::dao::TableDefImpl> m_impl;
};
