// The bookmark store: "Bookmark.mdb" with its one table Bookmark, node records for pages and
// bookmark records for marked stretches of their text, and the marks of the shown page.
//
// Texts go into the table as field values, never into SQL text; titles are cut to the
// field's 128 characters.
#include <string>

#include "NUXBrowser.h"
#include "dao/jetsql.h"
#include "fs/fs.h"
#include "Report.h"
#include "NUXUtils.h"
#include "VariantText.h"


namespace {

constexpr int kTitleSize = 128;

CString BstrText(BSTR b) { return b != nullptr ? CString(b, int(SysStringLen(b))) : CString(); }

CString Title(LPCWSTR text) {
  CString title = text != nullptr ? text : u"";
  if (title.GetLength() > kTitleSize) title = title.Left(kTitleSize);
  return title;
}

CString Query(LPCWSTR format, long value) {
  CString sql;
  sql.Format(format, value);
  return sql;
}

// The index of the one character `c` inserted into `before` to give `after` (checked), at or
// after `from`; -1 when `after` is not `before` with `c` inserted there.
int InsertedAt(const CString& before, const CString& after, char16_t c, int from) {
  if (after.GetLength() != before.GetLength() + 1) return -1;
  int i = from;
  const int n = before.GetLength();
  while (i < n && before[i] == after[i]) ++i;
  if (after[i] != c) return -1;
  for (int k = i; k < n; ++k)
    if (before[k] != after[k + 1]) return -1;
  return i;
}

}  // namespace

// ---- creating and opening --------------------------------------------------------------------

BOOL CNUXBrowser::CreateBookmarkDatabase(LPCWSTR lpszPath) {
  CDaoDatabase* db = new CDaoDatabase;
  try {
    db->Create(lpszPath, dbLangGeneral, 0);
    CDaoTableDef table(db);
    table.Create(u"Bookmark");
    table.CreateField(u"ID", dbLong, 4, dbAutoIncrField | dbFixedField);
    table.CreateField(u"PID", dbLong, 4, dbUpdatableField | dbFixedField);
    table.CreateField(u"MID", dbLong, 4, dbUpdatableField | dbFixedField);
    table.CreateField(u"Title", dbText, kTitleSize, dbUpdatableField | dbVariableField);
    table.CreateField(u"Note", dbMemo, 0, dbUpdatableField | dbVariableField);
    table.CreateField(u"Type", dbByte, 1, dbUpdatableField | dbFixedField);
    table.CreateField(u"StartChar", dbLong, 4, dbUpdatableField | dbFixedField);
    table.CreateField(u"EndChar", dbLong, 4, dbUpdatableField | dbFixedField);
    NUXUtils::CreateIndex(table, u"ID", TRUE, TRUE);
    NUXUtils::CreateIndex(table, u"PID", FALSE, FALSE);
    NUXUtils::CreateIndex(table, u"MID", FALSE, FALSE);
    table.Append();
    table.Close();
    delete db;
    return TRUE;
  } catch (CException* e) {
    delete db;
    ReportExceptionQuiet(e, u"CNUXBrowser::CreateBookmarkDatabase");
    return FALSE;
  }
}

BOOL CNUXBrowser::OpenBookmarkStore(LPCWSTR lpszPath, CString& strReason, BOOL& bForeign) {
  bForeign = FALSE;
  m_pBookmarkDB = new CDaoDatabase;
  try {
    m_pBookmarkDB->Open(lpszPath, FALSE, FALSE, u"");
    // A database of another program (or an empty file, which opens as an empty database)
    // would open and then fail every bookmark: the table and its fields are read first.
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, u"SELECT ID, PID, MID, Title, Note, Type, StartChar, EndChar FROM Bookmark WHERE ID=0");
    rs.Close();
    return TRUE;
  } catch (CException* e) {
    WCHAR message[256] = {};
    e->GetErrorMessage(message, 255);
    strReason = message;
    strReason.TrimRight(u'.');  // the reason stands inside a sentence of its own
    // Only a file that is no bookmark store is set aside; one that is in use, locked or
    // unreadable for now stays where it is.
    if (auto* dao = dynamic_cast<CDaoException*>(e); dao != nullptr && dao->m_pErrorInfo != nullptr) {
      switch (dao->m_pErrorInfo->m_lErrorCode) {
        case nux::dao::kErrUnrecognizedFormat:
        case nux::dao::kErrNotValidPassword:
        case nux::dao::kErrTableNotFound:
        case nux::dao::kErrItemNotFound:
        case nux::dao::kErrUnknownFieldInExpression:
        case nux::dao::kErrTooFewParameters:
          bForeign = TRUE;
          break;
        default:
          break;
      }
    }
    ReportExceptionQuiet(e, u"CNUXBrowser::InitBookmarks");
    delete m_pBookmarkDB;
    m_pBookmarkDB = nullptr;
    return FALSE;
  }
}

BOOL CNUXBrowser::InitBookmarks(LPCWSTR lpszPath, BOOL bCreate) {
  delete m_pBookmarkDB;
  m_pBookmarkDB = nullptr;
  m_bBookmarksEnabled = FALSE;
  if (lpszPath == nullptr || *lpszPath == 0) return FALSE;
  BOOL created = FALSE;
  if (!FileExists(lpszPath)) {
    if (!bCreate || !CreateBookmarkDatabase(lpszPath)) return FALSE;
    created = TRUE;
  }
  CString reason;
  BOOL foreign = FALSE;
  if (!OpenBookmarkStore(lpszPath, reason, foreign)) {
    // A store of our own making that does not open, or a file the caller did not ask to
    // replace: no bookmarks, and the file as it is.
    if (created || !bCreate) return FALSE;
    const CString path(lpszPath);
    CString text;
    if (!foreign) {
      text.Format(u"The bookmark file \"%s\" cannot be used now (%s).\n\nThe file is kept as it is; "
                  u"bookmarks are off until the viewer is opened again.",
                  static_cast<LPCWSTR>(path), static_cast<LPCWSTR>(reason));
      ::MessageBoxW(::GetFocus(), text.GetString(), u"BOOKMARKS", MB_OK | MB_ICONEXCLAMATION);
      return FALSE;
    }
    // The file is set aside under a name of its own beside it (never over another file), with
    // a journal of its, so that it can neither be lost nor be played into the new store.
    CString aside;
    BOOL moved = FALSE;
    for (int n = 1; n <= 1000 && !moved; ++n) {
      if (n == 1)
        aside = path + u".bad";
      else
        aside.Format(u"%s.bad%d", static_cast<LPCWSTR>(path), n);
      if (FileExists(aside) || FileExists(aside + u"-journal")) continue;
      moved = MoveFileW(path, aside);
      if (!moved && FileExists(path) && !FileExists(aside)) break;  // the folder refuses it
    }
    if (!moved) {
      text.Format(u"The bookmark file \"%s\" cannot be opened (%s), and it cannot be renamed.\n\n"
                  u"The file is kept as it is; bookmarks are off.",
                  static_cast<LPCWSTR>(path), static_cast<LPCWSTR>(reason));
      ::MessageBoxW(::GetFocus(), text.GetString(), u"BOOKMARKS", MB_OK | MB_ICONEXCLAMATION);
      return FALSE;
    }
    for (const char16_t* suffix : {u"-journal", u"-wal"})
      if (FileExists(path + suffix)) MoveFileW(path + suffix, aside + suffix);
    text.Format(u"The bookmark file \"%s\" cannot be opened (%s).\n\nIt was kept as \"%s\"; "
                u"a new, empty bookmark file is used from now on.",
                static_cast<LPCWSTR>(path), static_cast<LPCWSTR>(reason), static_cast<LPCWSTR>(aside));
    ::MessageBoxW(::GetFocus(), text.GetString(), u"BOOKMARKS", MB_OK | MB_ICONEXCLAMATION);
    if (!CreateBookmarkDatabase(lpszPath) || !OpenBookmarkStore(lpszPath, reason, foreign)) return FALSE;
  }
  m_strBookmarkPath = lpszPath;
  m_bBookmarksEnabled = TRUE;
  return TRUE;
}

// ---- records ---------------------------------------------------------------------------------

long CNUXBrowser::InsertBookmarkNode(long lContentID, LPCWSTR lpszTitle) {
  if (m_pBookmarkDB == nullptr) return 0;
  long contentID = lContentID != 0 ? lContentID : m_lContentID;
  CString title = (lpszTitle != nullptr && *lpszTitle != 0) ? Title(lpszTitle) : Title(m_strContentTitle);
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE MID=%li AND PID=0", contentID));
    long id = 0;
    if (rs.IsEOF()) {
      rs.AddNew();
      rs.SetFieldValue(u"MID", contentID);
      rs.SetFieldValue(u"PID", 0L);
      rs.SetFieldValue(u"Title", static_cast<LPCWSTR>(title));
      id = ReadLongField(rs, u"ID");
      rs.Update();
    }
    rs.Close();
    return id;
  } catch (CException* e) {
    ReportException(e, u"CNUXBrowser::InsertBookmarkNode");
    return 0;
  }
}

long CNUXBrowser::AddBookmark(LPCWSTR lpszTitle, LPCWSTR lpszNote) {
  if (m_pBookmarkDB == nullptr) return 0;
  CString note = (lpszNote != nullptr && *lpszNote != 0) ? CString(lpszNote) : CString(u" ");
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE MID=%li AND PID=0", m_lContentID));
    long nodeID;
    if (rs.IsEOF()) {
      rs.AddNew();
      rs.SetFieldValue(u"MID", m_lContentID);
      rs.SetFieldValue(u"PID", 0L);
      rs.SetFieldValue(u"Title", static_cast<LPCWSTR>(Title(m_strContentTitle)));
      rs.SetFieldValue(u"Note", static_cast<LPCWSTR>(note));
      nodeID = ReadLongField(rs, u"ID");
      rs.Update();
    } else {
      nodeID = ReadLongField(rs, u"ID");
    }
    rs.AddNew();
    rs.SetFieldValue(u"MID", m_lContentID);
    rs.SetFieldValue(u"PID", nodeID);
    rs.SetFieldValue(u"Title", static_cast<LPCWSTR>(Title(lpszTitle)));
    rs.SetFieldValue(u"Note", static_cast<LPCWSTR>(note));
    rs.SetFieldValue(u"StartChar", 0L);
    rs.SetFieldValue(u"EndChar", 0L);
    long id = ReadLongField(rs, u"ID");
    rs.Update();
    rs.Close();
    return id;
  } catch (CException* e) {
    // The bookmark record was not stored: no id counts as made.
    ReportException(e, u"CNUXBrowser::AddBookmark");
    return 0;
  }
}

long CNUXBrowser::AddBookmarkFromSelection(UINT nType) {
  if (!m_bBookmarksEnabled || m_pBookmarkDB == nullptr) return -1;
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return -1;
  IHTMLSelectionObject* selection = nullptr;
  IHTMLTxtRange* range = nullptr;
  if (SUCCEEDED(doc->get_selection(&selection)) && selection != nullptr) {
    BSTR type = nullptr;
    bool none = FAILED(selection->get_type(&type)) || BstrText(type) == u"None";
    SysFreeString(type);
    IDispatch* disp = nullptr;
    if (!none && SUCCEEDED(selection->createRange(&disp)) && disp != nullptr) {
      if (FAILED(disp->QueryInterface(IID_IHTMLTxtRange, reinterpret_cast<void**>(&range)))) range = nullptr;
      disp->Release();
    }
    selection->Release();
  }
  doc->Release();
  if (range == nullptr) return -1;

  BSTR rangeText = nullptr;
  range->get_text(&rangeText);
  CString title = BstrText(rangeText).Left(39) + u"...";
  SysFreeString(rangeText);

  // The page as it stands, then the start and end of the selection marked with "{" and "}".
  const CString page = GetBodyHTML();
  auto paste = [&](BOOL atStart, LPCWSTR marker) {
    IHTMLTxtRange* copy = nullptr;
    if (FAILED(range->duplicate(&copy)) || copy == nullptr) return;
    copy->collapse(atStart ? VARIANT_TRUE : VARIANT_FALSE);
    BSTR html = SysAllocString(marker);
    copy->pasteHTML(html);
    SysFreeString(html);
    copy->Release();
  };
  paste(TRUE, u"{");
  const CString withStart = GetBodyHTML();
  paste(FALSE, u"}");
  const CString withBoth = GetBodyHTML();
  range->Release();

  // The markers count only where they were pasted: the page with them taken out again must
  // be the page as it was.
  long start = InsertedAt(page, withStart, u'{', 0);
  CString withoutStart = withBoth;
  if (start >= 0) withoutStart.Delete(int(start), 1);
  long end = start >= 0 ? InsertedAt(page, withoutStart, u'}', int(start)) : -1;
  if (start < 0 || end < 0) {
    if (withBoth != page) SetBodyHTML(page);
    return -1;
  }
  long id = AddBookmark(title, u"");
  if (id <= 0) {
    SetBodyHTML(page);
    return -1;
  }
  CString text = page;
  WidenRangeOverLinks(text, start, end);
  InsertBookmarkMark(text, start, end, nType, id);
  SetBodyHTML(text);
  CString anchor;
  anchor.Format(u"Bookmark%u", unsigned(id));
  GoToAnchor(anchor);
  RetrieveBookmarks();
  return id;
}

BOOL CNUXBrowser::RenameBookmark(long lID, LPCWSTR lpszTitle, UINT nType) {
  if (m_pBookmarkDB == nullptr) return FALSE;
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (rs.IsEOF()) return FALSE;
    rs.Edit();
    rs.SetFieldValue(u"Title", static_cast<LPCWSTR>(Title(lpszTitle)));
    rs.SetFieldValue(u"Type", BYTE(nType));
    rs.Update();
    rs.Close();
    return TRUE;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::RenameBookmark");
    return FALSE;
  }
}

BYTE CNUXBrowser::GetBookmarkType(long lID) {
  if (m_pBookmarkDB == nullptr) return 0;
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (rs.IsEOF()) return 0;
    BYTE type = BYTE(ReadLongField(rs, u"Type") & 0xFF);
    rs.Close();
    return type;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::GetBookmarkType");
    return 0;
  }
}

CString CNUXBrowser::GetBookmarkNote(long lID) {
  if (m_pBookmarkDB == nullptr) return CString();
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (rs.IsEOF()) return CString();
    CVariantText note;
    rs.GetFieldValue(u"Note", note);
    CString text = note.ToString();
    text.Trim();
    rs.Close();
    return text;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::GetBookmarkNote");
    return CString();
  }
}

BOOL CNUXBrowser::SetBookmarkNote(long lID, LPCWSTR lpszNote) {
  if (m_pBookmarkDB == nullptr) return FALSE;
  CString note = (lpszNote != nullptr && *lpszNote != 0) ? CString(lpszNote) : CString(u" ");
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (rs.IsEOF()) return FALSE;  // no such bookmark: nothing was stored
    rs.Edit();
    rs.SetFieldValue(u"Note", static_cast<LPCWSTR>(note));
    rs.Update();
    rs.Close();
    return TRUE;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::SetBookmarkNote");
    return FALSE;
  }
}

long CNUXBrowser::GetBookmarkContentID(long lID) {
  if (m_pBookmarkDB == nullptr) return 0;
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    long mid = rs.IsEOF() ? 0 : ReadLongField(rs, u"MID");
    rs.Close();
    return mid;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::GetBookmarkContentID");
    return 0;
  }
}

long CNUXBrowser::GetBookmarkNodeID() {
  if (m_pBookmarkDB == nullptr) return 0;
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE MID=%li AND PID=0", m_lContentID));
    long id = rs.IsEOF() ? 0 : ReadLongField(rs, u"ID");
    rs.Close();
    return id;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::GetBookmarkNodeID");
    return 0;
  }
}

// ---- deleting --------------------------------------------------------------------------------

BOOL CNUXBrowser::DeleteBookmark(long lID) {
  if (!m_bBookmarksEnabled || m_pBookmarkDB == nullptr) return FALSE;
  long pid = 0, mid = 0;
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (rs.IsEOF()) return FALSE;
    pid = ReadLongField(rs, u"PID");
    mid = ReadLongField(rs, u"MID");
    rs.Close();
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::DeleteBookmark / check node");
    return FALSE;
  }
  if (pid == 0) {
    try {
      int deleted = 0;
      {
        CDaoRecordset rs(m_pBookmarkDB);
        rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE MID=%li", mid));
        for (; !rs.IsEOF(); rs.MoveNext()) {
          rs.Delete();
          ++deleted;
        }
        rs.Close();
      }
      if (mid == m_lContentID || deleted > 1) Refresh();
      return TRUE;
    } catch (CException* e) {
      ReportExceptionQuiet(e, u"CNUXBrowser::DeleteBookmark / delete node");
      return FALSE;
    }
  }
  // A single bookmark goes only together with its mark in the shown page.
  CString text = GetBodyHTML();
  CString anchor;
  anchor.Format(u"<A name=Bookmark%u>", unsigned(lID));
  int a = FindNoCase(text, anchor, 0);
  if (a < 0) return FALSE;
  int span = -1;
  auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
  for (int i = a; i >= 0 && span < 0; --i) {
    if (i + 5 > text.GetLength() || text[i] != u'<') continue;
    if (upper(text[i + 1]) == u'S' && upper(text[i + 2]) == u'P' && upper(text[i + 3]) == u'A' &&
        upper(text[i + 4]) == u'N')
      span = i;
  }
  if (span < 0) return FALSE;
  int img = FindNoCase(text, u"<IMG", span);
  int close = img >= 0 ? text.Find(u'>', img) : -1;
  if (close < 0) return FALSE;
  int endMark = FindNoCase(text, BROWSER_BOOKMARK_END, close + 1);
  if (endMark < 0) return FALSE;
  text.Delete(endMark, 7);
  text.Delete(span, close + 1 - span);
  try {
    CDaoRecordset rs(m_pBookmarkDB);
    rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE ID=%li", lID));
    if (!rs.IsEOF()) rs.Delete();
    rs.Close();
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::DeleteBookmark / delete single");
    return FALSE;
  }
  SetBodyHTML(text);
  return TRUE;
}

BOOL CNUXBrowser::DeleteAllBookmarks() {
  BOOL hadRecords = FALSE;
  if (m_pBookmarkDB != nullptr) {
    try {
      CDaoRecordset rs(m_pBookmarkDB);
      rs.Open(dbOpenDynaset, Query(u"SELECT * FROM Bookmark WHERE MID=%li", m_lContentID));
      hadRecords = !rs.IsEOF();
      rs.Close();
    } catch (CException* e) {
      e->Delete();
    }
  }
  delete m_pBookmarkDB;
  m_pBookmarkDB = nullptr;
  m_bBookmarksEnabled = FALSE;
  CString path = m_strBookmarkPath;
  BOOL recreated = FALSE;
  if (!path.IsEmpty()) {
    if (!FileExists(path) || ::DeleteFileW(path)) {
      recreated = InitBookmarks(path, TRUE);
    } else if (InitBookmarks(path, TRUE)) {
      // The file stays (held or read-only): its bookmarks are removed instead.
      try {
        m_pBookmarkDB->Execute(u"DELETE FROM Bookmark", dbFailOnError);
      } catch (CException* e) {
        ReportExceptionQuiet(e, u"CNUXBrowser::DeleteAllBookmarks");
      }
    }
  }
  if (hadRecords) Refresh();
  return recreated;
}

void CNUXBrowser::SetBookmarkAnchor(long lID) { m_strPendingAnchor.Format(u"Bookmark%li", lID); }

BOOL CNUXBrowser::GoToBookmark(long lID) {
  if (!m_bBookmarksEnabled) return FALSE;
  CString anchor;
  anchor.Format(u"Bookmark%li", lID);
  return GoToAnchor(anchor);
}
