#include "Search.h"

#include <algorithm>

#include "EngineConfig.h"
#include "Globals.h"
#include "NUXSV.h"
#include "Report.h"
#include "SearchListItem.h"
#include "VariantText.h"

namespace {

// The module boxes in the order their filters are joined, with the module each stands for.
struct ModuleBox {
  CCheckbox CSearch::*box;
  const char16_t* filter;
};
const ModuleBox kModuleBoxes[4] = {
    {&CSearch::m_chkDict, u"SV_MODULE LIKE 'dict' OR "},
    {&CSearch::m_chkPGal, u"SV_MODULE LIKE 'pgal' OR "},
    {&CSearch::m_chkRecB, u"SV_MODULE LIKE 'recb' OR "},
    {&CSearch::m_chkHelp, u"SV_MODULE LIKE 'help' OR "},
};

// The number a text starts with (after blanks), as a page key; -1 when it has none.
long KeyOfText(const CString& text) {
  CString t = text;
  t.Trim();
  if (t.IsEmpty()) return -1;
  long value = 0;
  for (int i = 0; i < t.GetLength(); ++i) {
    const WCHAR c = t[i];
    if (c < u'0' || c > u'9') return -1;
    if (value > 99999999) return -1;
    value = value * 10 + long(c - u'0');
  }
  return value;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSearch, CNUXDialog)
  ON_MESSAGE(WM_LISTWND_CLICK, &CSearch::OnClickList)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CSearch, CNUXDialog)
  ON_EVENT(CSearch, IDC_SEARCH_CLOSE, DISPID_CLICK, CSearch::OnClickClose, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_OR, DISPID_CLICK, CSearch::OnClickOr, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_AND, DISPID_CLICK, CSearch::OnClickAnd, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_NOT, DISPID_CLICK, CSearch::OnClickNot, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_OPEN, DISPID_CLICK, CSearch::OnClickOpenParen, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_CLOSEPAREN, DISPID_CLICK, CSearch::OnClickCloseParen, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_GO, DISPID_CLICK, CSearch::OnClickSearch, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_DICT, DISPID_CLICK, CSearch::RunQuery, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_PGAL, DISPID_CLICK, CSearch::RunQuery, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_RECB, DISPID_CLICK, CSearch::RunQuery, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_HELPPAGES, DISPID_CLICK, CSearch::RunQuery, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_HELP, DISPID_CLICK, CSearch::OnClickHelp, VTS_NONE)
  ON_EVENT(CSearch, IDC_SEARCH_PICTURE, DISPID_MOUSEDOWN, CSearch::OnMouseDownPicture, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CSearch, IDC_SEARCH_PICTURE, DISPID_MOUSEMOVE, CSearch::OnMouseMovePicture, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CSearch, IDC_SEARCH_PICTURE, DISPID_MOUSEUP, CSearch::OnMouseUpPicture, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

CSearch::CSearch(CWnd* pParent) : CNUXDialog(IDD_SEARCH, pParent) {}

CSearch::~CSearch() = default;

CSearch* CSearch::Open(CWnd* pParent) {
  nuxsv::Globals& g = nuxsv::G();
  if (g.search != nullptr) return static_cast<CSearch*>(g.search);
  auto* search = new CSearch(nullptr);
  g.search = search;
  if (!search->CreatePlaced(pParent, u"Search", reinterpret_cast<CNUXDialog**>(&g.search))) {
    // No window: nothing may stay in the slot.
    if (g.search == search) g.search = nullptr;
    delete search;
    return nullptr;
  }
  return search;
}

void CSearch::DoDataExchange(CDataExchange* pDX) {
  CNUXDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SEARCH_QUERY, m_editQuery);
  DDX_Control(pDX, IDC_SEARCH_WHOLEWORD, m_chkWholeWord);
  DDX_Control(pDX, IDC_SEARCH_DICT, m_chkDict);
  DDX_Control(pDX, IDC_SEARCH_PGAL, m_chkPGal);
  DDX_Control(pDX, IDC_SEARCH_RECB, m_chkRecB);
  DDX_Control(pDX, IDC_SEARCH_HELPPAGES, m_chkHelp);
}

BOOL CSearch::OnInitDialog() {
  CNUXDialog::OnInitDialog();
  m_editQuery.SetFontAndColors(u"MS Sans Serif", 8, 400, RGB(0, 0, 0), 0xBEBEBE, 0x666666, 0xCCCCCC);
  m_strOrderColumn = u"proper_name";

  // An empty list to begin with: no module is called "~~~~".
  CString sql = u"SELECT * FROM SV_MODULE WHERE " + m_strOrderColumn + u" LIKE '~~~~'";
  m_List.Create(GetContentDatabase(), sql, u"ID", u"proper_name", 1, 1, 1, u"StichList", WS_CHILD,
                CRect(12, 183, 392, 566), this, IDC_SEARCH_LIST, 1, RUNTIME_CLASS(CSearchListItem));
  m_List.m_crBackground = 0x312B2A;
  m_List.m_bShowEmptyText = FALSE;
  if (m_List.GetSafeHwnd() != nullptr) m_List.Invalidate();

  for (const ModuleBox& module : kModuleBoxes) (this->*module.box).SetCheck(1);

  m_Parser.SetTable(GetContentDatabase(), u"SV_MODULE", u"SearchText");
  m_Parser.RemoveInvalidCharacters(u"");
  m_Parser.Parse();
  return TRUE;
}

void CSearch::OnOK() { OnClickSearch(); }

void CSearch::OnClickSearch() {
  CString text;
  m_editQuery.GetWindowText(text);
  m_Parser.SetWholeWord(m_chkWholeWord.GetCheck() ? 1 : 0);
  m_Parser.RemoveInvalidCharacters(text);
  m_Parser.Parse();
  m_editQuery.SetWindowText(m_Parser.GetQuery());
  m_editQuery.SetSel(999, 999);
  m_editQuery.SendMessage(EM_SCROLLCARET, 0, 0);
  RunQuery();
}

void CSearch::RunQuery() {
  CString sql;
  int checked = 0;
  CString filter;
  for (const ModuleBox& module : kModuleBoxes) {
    if ((this->*module.box).GetCheck()) {
      ++checked;
      filter += module.filter;
    }
  }
  if (checked == 4) {
    sql = m_Parser.GetSQL() + u" ORDER BY " + m_strOrderColumn + u" ASC";
  } else {
    if (!filter.IsEmpty()) {
      filter = u"(" + filter.Left(filter.GetLength() - 4) + u") AND";
    } else {
      filter = u"(SV_MODULE LIKE '~~~~') AND";
    }
    sql.Format(u"SELECT * FROM SV_MODULE WHERE %s (%s) ORDER BY %s ASC", static_cast<LPCWSTR>(filter),
               static_cast<LPCWSTR>(m_Parser.GetCondition()), static_cast<LPCWSTR>(m_strOrderColumn));
  }
  m_List.ReQuery(sql, FALSE, TRUE);
}

void CSearch::InsertText(const CString& strText, BOOL bBlankBefore) {
  CString text;
  m_editQuery.GetWindowText(text);
  int start = 0, end = 0;
  m_editQuery.GetSel(start, end);
  // The edit reports positions inside its text; keep them so whatever it said.
  start = std::clamp(start, 0, text.GetLength());
  end = std::clamp(end, start, text.GetLength());
  if (end > start) text.Delete(start, end - start);

  if (bBlankBefore && !text.IsEmpty() && start > 0) {
    if (start < text.GetLength()) {
      if (text[start] != u' ') text.Insert(start, u' ');
    } else if (text[text.GetLength() - 1] != u' ') {
      text += u' ';
    }
    ++start;
  }
  if (start >= text.GetLength()) {
    start = text.GetLength();
    text += strText;
  } else {
    text.Insert(start, strText);
  }
  m_editQuery.SetWindowText(text);
  const int caret = start + strText.GetLength();
  m_editQuery.SetSel(caret, caret);
  m_editQuery.SendMessage(EM_SCROLLCARET, 0, 0);
  m_editQuery.SetFocus();
}

LRESULT CSearch::OnClickList(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const long key = long(lParam);
  CString module;
  if (GetContentDatabase() == nullptr) return 0;
  CDaoRecordset rs(GetContentDatabase());
  try {
    CString sql;
    sql.Format(u"SELECT * FROM SV_Module WHERE ID=%li", key);
    rs.Open(dbOpenDynaset, sql, 0);
    // A key whose page is gone (or no key at all) opens nothing.
    if (rs.IsEOF()) {
      rs.Close();
      return 0;
    }
    CVariantText value;
    rs.GetFieldValue(u"SV_MODULE", value.Variant());
    module = value.ToString();
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"CSearch::OnClickList");
    return 0;
  }
  module.MakeUpper();
  CStringArray words;
  m_Parser.GetWords(words);
  if (module == u"ENC") {
    NUXSV_OpenEncyclop();
  } else {
    CString condition;
    condition.Format(u"ID=%li", key);
    NUXSV_OpenAstroDict(GetParent(), condition, &words);
  }
  return 0;
}

void CSearch::OnClickHelp() {
  // The help page's key is a number of the interface texts; a text that is none opens nothing
  // rather than handing its words to the database as a condition.
  const long key = KeyOfText(theEngineConfig.GetString(u"SearchHelpID"));
  if (key < 0) return;
  CString condition;
  condition.Format(u"ID=%li", key);
  NUXSV_OpenAstroDict(nullptr, condition, nullptr);
}

void CSearch::OnClickClose() { CNUXDialog::OnClose(); }

void CSearch::OnClickOr() {
  CString text;
  text.Format(u"%s ", static_cast<LPCWSTR>(theEngineConfig.GetString(u"or")));
  InsertText(text, TRUE);
}

void CSearch::OnClickAnd() {
  CString text;
  text.Format(u"%s ", static_cast<LPCWSTR>(theEngineConfig.GetString(u"and")));
  InsertText(text, TRUE);
}

void CSearch::OnClickNot() {
  CString text;
  text.Format(u"%s ", static_cast<LPCWSTR>(theEngineConfig.GetString(u"not")));
  InsertText(text, TRUE);
}

void CSearch::OnClickOpenParen() { InsertText(u"(", TRUE); }

void CSearch::OnClickCloseParen() { InsertText(u") ", FALSE); }

void CSearch::OnMouseDownPicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  StartMove(int(x), int(y));
}

void CSearch::OnMouseMovePicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  MoveTo(int(x), int(y));
}

void CSearch::OnMouseUpPicture(short nButton, short nShift, long x, long y) {
  (void)nButton;
  (void)nShift;
  (void)x;
  (void)y;
  StopMove();
}
