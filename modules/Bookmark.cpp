#include "Bookmark.h"

#include "EngineConfig.h"
#include "Globals.h"
#include "NUXSV.h"
#include "NUXUtils.h"
#include "RenameDlg.h"
#include "Report.h"
#include "VariantText.h"
#include "ui/msgbox.h"

namespace {

const char16_t kTable[] = u"Bookmark";
const char16_t kIdOrder[] = u"ID ASC";

}  // namespace

BEGIN_MESSAGE_MAP(CBookmark, CNUXDialog)
  ON_NOTIFY(TVN_SELCHANGED, IDC_BM_TREE, &CBookmark::OnSelchangedTree)
  ON_WM_DESTROY()
  ON_WM_TIMER()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CBookmark, CNUXDialog)
  ON_EVENT(CBookmark, IDC_BM_CLOSE, -600, CBookmark::OnClickClose, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_ADD, -600, CBookmark::OnClickAdd, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_DELETE, -600, CBookmark::OnClickDelete, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_RENAME, -600, CBookmark::OnClickRename, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_HELP, -600, CBookmark::OnClickHelp, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_DELETEALL, -600, CBookmark::OnClickDeleteAll, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 0, -600, CBookmark::OnClickType1, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 1, -600, CBookmark::OnClickType2, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 2, -600, CBookmark::OnClickType3, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 3, -600, CBookmark::OnClickType4, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 4, -600, CBookmark::OnClickType5, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_TYPE1 + 5, -600, CBookmark::OnClickType6, VTS_NONE)
  ON_EVENT(CBookmark, IDC_BM_BACKGROUND, -605, CBookmark::OnBackMouseDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CBookmark, IDC_BM_BACKGROUND, -606, CBookmark::OnBackMouseMove, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CBookmark, IDC_BM_BACKGROUND, -607, CBookmark::OnBackMouseUp, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

CBookmark::CBookmark(CWnd* pParent)
    : CNUXDialog(IDD_BOOKMARK, pParent), m_pBrowser(nullptr), m_nSelHandling(1), m_nSortMode(0), m_lNoteID(-1) {}

CBookmark::~CBookmark() = default;

void CBookmark::DoDataExchange(CDataExchange* pDX) {
  CNUXDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_BM_NOTE, m_editNote);
  DDX_Control(pDX, IDC_BM_TREE, m_Tree);
  DDX_Control(pDX, IDC_BM_RENAME, m_btnRename);
  DDX_Control(pDX, IDC_BM_DELETE, m_btnDelete);
  for (int i = 0; i < 6; ++i) DDX_Control(pDX, IDC_BM_TYPE1 + i, m_chkType[i]);
}

BOOL CBookmark::OnInitDialog() {
  CNUXDialog::OnInitDialog();
  KeepInWorkAreaOff();
  m_editNote.SetFontAndColors(u"MS Sans Serif", 12, 400, SwapRGB(0xFFFFFF), SwapRGB(0x4B4A4A), SwapRGB(0x666666),
                              SwapRGB(0xCCCCCC));
  // Without a browser (or its store) the tree stays empty and unbound.
  CDaoDatabase* store = m_pBrowser != nullptr ? m_pBrowser->GetBookmarkDatabase() : nullptr;
  m_Tree.Init(store, kTable, u"", kIdOrder, u"MS Sans Serif", 80, 1);
  m_Tree.SetBitmaps(IDB_BM_TREE_CLOSED, IDB_BM_TREE_OPEN, IDB_BM_TREE_LEAF);
  m_Tree.SetColors(SwapRGB(0xADADAD), SwapRGB(0xCCCCCC), SwapRGB(0xFDB86D), SwapRGB(0x32343C), SwapRGB(0x626262),
                   SwapRGB(0x444444));
  SetSortOrder(2);
  SetEntryButtons(0);
  UpdateTypeChecks();
  UpdateNoteEdit();
  SetTimer(kShowTimer, kShowDelay, nullptr);
  return TRUE;
}

void CBookmark::SetEntryButtons(short nState) {
  m_btnRename.SetState(nState);
  m_btnDelete.SetState(nState);
}

void CBookmark::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kShowTimer) {
    KillTimer(kShowTimer);
    ShowWindow(SW_SHOW);
    Refresh();
  }
  CNUXDialog::OnTimer(nIDEvent);
}

void CBookmark::Refresh() {
  m_nSelHandling = 0;
  const long node = m_pBrowser != nullptr ? m_pBrowser->GetBookmarkNodeID() : 0;
  if (node > 0) {
    if (m_Tree.GetParentID() != node) m_Tree.SelectID(node, TRUE);
  } else {
    m_Tree.ClearSelection();
  }
  m_nSelHandling = 1;
}

void CBookmark::SelectAndRefresh(long lID) {
  m_nSelHandling = 0;
  m_Tree.DeleteAll();
  m_Tree.Fill(TVI_ROOT);
  if (lID > 0) {
    m_Tree.SelectID(lID, TRUE);
  } else {
    m_Tree.ClearSelection();
  }
  m_nSelHandling = 1;
}

void CBookmark::SetSortOrder(int nMode) {
  if (nMode == 1) {
    m_Tree.SetOrder(u"Title ASC");
  } else if (nMode == 2 || nMode == 3) {
    m_Tree.SetOrder(u"StartChar ASC, Title ASC");
  }
  m_nSortMode = nMode;
  SelectAndRefresh(m_Tree.GetSelectedID());
}

void CBookmark::SelectType(int nType) {
  SetCurrentBookmarkType(BYTE(nType));
  UpdateTypeChecks();
}

void CBookmark::UpdateTypeChecks() {
  const int current = GetCurrentBookmarkType();
  for (int i = 0; i < 6; ++i) m_chkType[i].SetCheck(current == i + 1 ? 1 : 0);
}

void CBookmark::UpdateNoteEdit() {
  if (m_editNote.GetSafeHwnd()) m_editNote.SetReadOnly(m_lNoteID == -1);
}

void CBookmark::SaveNote() {
  if (m_lNoteID == -1 || m_pBrowser == nullptr) return;
  CString note;
  m_editNote.GetWindowText(note);
  m_pBrowser->SetBookmarkNote(m_lNoteID, note);
}

void CBookmark::OnSelchangedTree(NMHDR*, LRESULT* pResult) {
  if (pResult != nullptr) *pResult = 0;
  struct NoteEditAfter {
    CBookmark* self;
    ~NoteEditAfter() { self->UpdateNoteEdit(); }
  } after{this};
  const long id = m_Tree.GetSelectedID();
  SetEntryButtons(id > 0 ? 1 : 0);
  if (!m_nSelHandling) return;
  SaveNote();
  if (id < 0 || m_pBrowser == nullptr) {
    m_lNoteID = -1;
    return;
  }
  const long contentID = m_pBrowser->GetBookmarkContentID(id);
  if (contentID != m_pBrowser->m_lContentID) {
    CString module;
    CDaoDatabase* content = GetContentDatabase();
    if (content == nullptr) return;
    try {
      CDaoRecordset rs(content);
      CString sql;
      sql.Format(u"SELECT * FROM SV_Module WHERE ID=%li", contentID);
      rs.Open(dbOpenDynaset, sql, 0);
      rs.MoveFirst();
      CVariantText value;
      rs.GetFieldValue(u"SV_MODULE", value);
      module = value.ToString();
      module.MakeUpper();
      rs.Close();
    } catch (CException* e) {
      ReportException(e, u"CBookmark::OnSelchangedTree");
      return;
    }
    m_pBrowser->SetBookmarkAnchor(id);
    if (module == u"ENC") {
      NUXSV_OpenEncyclop();
    } else {
      CString condition;
      condition.Format(u"ID=%li", contentID);
      NUXSV_OpenAstroDict(nullptr, condition, nullptr);
    }
  } else {
    m_pBrowser->GoToBookmark(id);
  }
  m_editNote.SetWindowText(m_pBrowser->GetBookmarkNote(id));
  m_lNoteID = id;
}

void CBookmark::OnClickAdd() {
  if (m_pBrowser == nullptr) return;
  if (m_pBrowser->HasSelection()) {
    const long id = m_pBrowser->AddBookmarkFromSelection(GetCurrentBookmarkType());
    SelectAndRefresh(id);
  } else if (m_pBrowser->InsertBookmarkNode(0, u"") != 0) {
    SelectAndRefresh(-1);
  }
}

void CBookmark::OnClickDelete() {
  if (m_pBrowser == nullptr) return;
  const long id = m_Tree.GetSelectedID();
  long neighbour = m_Tree.GetNextID();
  if (neighbour <= 0) neighbour = m_Tree.GetPrevID();
  if (!m_pBrowser->DeleteBookmark(id)) return;
  // A note shown for a record that went (the entry, or a bookmark of the node) must not be
  // written back later, into nothing or into a record that takes its id.
  if (m_lNoteID != -1 && (m_lNoteID == id || m_pBrowser->GetBookmarkContentID(m_lNoteID) == 0)) {
    m_lNoteID = -1;
    m_editNote.SetWindowText(u"");
  }
  UpdateNoteEdit();
  SelectAndRefresh(neighbour);
  m_nSelHandling = 0;
  m_Tree.ClearSelection();
  m_nSelHandling = 1;
  SetEntryButtons(0);
}

void CBookmark::OnClickRename() {
  if (m_pBrowser == nullptr) return;
  const long id = m_Tree.GetSelectedID();
  if (id <= 0) return;
  CRenameDlg dialog(this, m_Tree.GetSelectedText(), m_pBrowser->GetBookmarkType(id));
  if (dialog.DoModalPlaced(u"Rename") > 0) {
    m_pBrowser->RenameBookmark(id, dialog.GetTitle(), dialog.GetType());
    SelectAndRefresh(id);
    m_pBrowser->SetBookmarkAnchor(id);
    m_pBrowser->Refresh();
  }
}

void CBookmark::OnClickHelp() {
  CString condition;
  condition.Format(u"ID=%s", static_cast<LPCWSTR>(theEngineConfig.GetString(u"BookmarkHelpID")));
  NUXSV_OpenAstroDict(nullptr, condition, nullptr);
}

void CBookmark::OnClickDeleteAll() {
  if (MessageBox(theEngineConfig.GetString(u"DelAllBookmarks"), theEngineConfig.GetString(u"Notice"),
                 MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) != IDYES) {
    return;
  }
  if (m_pBrowser == nullptr) return;
  m_pBrowser->DeleteAllBookmarks();
  // The note shown went with the store; a new bookmark may take its id.
  m_lNoteID = -1;
  m_editNote.SetWindowText(u"");
  UpdateNoteEdit();
  m_Tree.DeleteAll();
  m_Tree.SetSource(m_pBrowser->GetBookmarkDatabase(), kTable, u"", kIdOrder);
  SetEntryButtons(0);
  Refresh();
}

void CBookmark::OnClickClose() { OnClose(); }

void CBookmark::OnDestroy() {
  SaveNote();
  CNUXDialog::OnDestroy();
}

void CBookmark::OnBackMouseDown(short, short, long x, long y) { StartMove(int(x), int(y)); }
void CBookmark::OnBackMouseMove(short, short, long x, long y) { MoveTo(int(x), int(y)); }
void CBookmark::OnBackMouseUp(short, short, long, long) { StopMove(); }
