#include "AstroDict.h"

#include "Bookmark.h"
#include "ContentDatabase.h"
#include "DCPanel.h"
#include "HPPanel.h"
#include "PGPanel.h"
#include "RBPanel.h"
#include "CtrlLayout.h"
#include "EngineConfig.h"
#include "FlatMenu.h"
#include "Globals.h"
#include "LinkRequest.h"
#include "NUXSV.h"
#include "NUXUtils.h"
#include "ObjectMenu.h"
#include "Panel.h"
#include "Report.h"
#include "VariantText.h"
#include "process/shell.h"
#include "ui/window.h"

namespace {

// The default page: the first dictionary page by name.
const char16_t kDefaultQuery[] = u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY proper_name ASC";

CString ReadText(CDaoRecordset& rs, LPCWSTR column) {
  CVariantText value;
  rs.GetFieldValue(column, value);
  return value.ToString();
}

// The side panel of a module (an upper-case module code), not yet created.
CPanel* MakePanel(const CString& module, CWnd* pParent) {
  if (module == u"DICT") return new CDCPanel(pParent);
  if (module == u"PGAL") return new CPGPanel(pParent);
  if (module == u"RECB") return new CRBPanel(pParent);
  if (module == u"HELP") return new CHPPanel(pParent);
  return nullptr;
}

}  // namespace

BEGIN_MESSAGE_MAP(CAstroDict, CNUXDialogSkin)
  ON_WM_TIMER()
  ON_WM_CLOSE()
  ON_WM_SIZE()
  ON_MESSAGE(WM_AD_LINK, &CAstroDict::OnLinkClicked)
  ON_MESSAGE(WM_AD_CONTEXTMENU, &CAstroDict::OnBrowserContextMenu)
  ON_MESSAGE(WM_AD_PAGEREADY, &CAstroDict::OnPageReady)
END_MESSAGE_MAP()

CAstroDict::CAstroDict(CWnd* pParent)
    : CNUXDialogSkin(IDD_ASTRODICT, pParent),
      m_pPrintBrowser(nullptr),
      m_nPendingScroll(-1),
      m_lContentID(0),
      m_pBookmark(nullptr),
      m_pPanel(nullptr),
      m_nFoldedHeight(kFoldedHeight),
      m_nUnfoldedHeight(0),
      m_bUnfolded(0) {
  m_History.m_nLimit = 20;
  LoadSkin(theEngineConfig.m_strUI + u"Frames\\frame.ads");
}

CAstroDict::~CAstroDict() {
  delete m_pPanel;
  m_pPanel = nullptr;
  delete m_pPrintBrowser;
  m_pPrintBrowser = nullptr;
}

void CAstroDict::DoDataExchange(CDataExchange* pDX) {
  CNUXDialogSkin::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_AD_BACK, m_btnBack);
  DDX_Control(pDX, IDC_AD_FORWARD, m_btnForward);
  DDX_Control(pDX, IDC_AD_TAB_DICT, m_tabDict);
  DDX_Control(pDX, IDC_AD_TAB_PGAL, m_tabPGal);
  DDX_Control(pDX, IDC_AD_TAB_RECB, m_tabRecB);
  DDX_Control(pDX, IDC_AD_TAB_HELP, m_tabHelp);
  DDX_Control(pDX, IDC_AD_OBJECTMENU, m_btnObjectMenu);
  DDX_Control(pDX, IDC_AD_WORDLIST, m_btnWordList);
  DDX_Control(pDX, IDC_AD_TITLE, m_imgTitle);
}

BOOL CAstroDict::OnInitDialog() {
  m_Browser.EnableEventSink(1);
  m_Browser.EnableUIHandler(1, nullptr);
  m_Browser.SetInterceptLinks(1);
  m_Browser.SuppressParentRedraw(1);
  m_Browser.InitBookmarks(theEngineConfig.m_strUserData + u"Bookmark.mdb", TRUE);
  m_Browser.CreateInPlace(this, IDC_AD_BROWSER, u"about:blank");

  CNUXDialogSkin::OnInitDialog();

  RECT rc{};
  GetWindowRect(&rc);
  m_nFoldedHeight = kFoldedHeight;
  m_nUnfoldedHeight = rc.bottom - rc.top;
  m_bUnfolded = 1;
  m_btnBack.SetState(0);
  m_btnForward.SetState(0);
  SetTimer(kFirstDisplayTimer, kFirstDisplayDelay, nullptr);
  return TRUE;
}

void CAstroDict::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->SetCtrlGroup(IDC_AD_CAPTION, 0, 0, 1, 0);
  pLayout->SetCtrlGroup(IDC_AD_LEFT, 0, 0, 0, 1);
  pLayout->SetCtrlGroup(IDC_AD_RIGHT, 0, 0, 1, 1);
  pLayout->SetCtrlAnchor(1, int(IDC_AD_FOLD), int(IDC_AD_CLOSE), int(IDC_AD_OBJECTMENU), 0);
  pLayout->SetCtrlProp(IDC_AD_BROWSER, 0, 0, 1, 1);
}

void CAstroDict::SetPendingRequest(const CString& strCondition, CStringArray* pWords) {
  m_strPendingCondition = strCondition;
  if (pWords != nullptr) m_aPendingWords.Copy(*pWords);
}

void CAstroDict::OnTimer(UINT_PTR nIDEvent) {
  CNUXDialogSkin::OnTimer(nIDEvent);
  if (nIDEvent == kPrintTimer) {
    OnPrintTimer();
    return;
  }
  if (nIDEvent != kFirstDisplayTimer) return;
  KillTimer(kFirstDisplayTimer);
  Display(m_strPendingCondition, &m_aPendingWords, 1, 1);
  m_aPendingWords.RemoveAll();
}

void CAstroDict::Display(const CString& strCondition, CStringArray* pWords, int bAddHistory, int bUpdatePanel) {
  CDaoRecordset rs(GetContentDatabase());
  try {
    sHistory entry{};
    if (bAddHistory && m_History.GetCurrent(entry)) {
      long x = 0, y = 0;
      m_Browser.GetScrollPos(x, y);
      entry.nScrollPos = int(y);
      m_History.SetCurrent(entry);
    }

    CString sql = strCondition.IsEmpty() ? CString(kDefaultQuery) : u"SELECT * FROM SV_MODULE WHERE " + strCondition;
    rs.Open(dbOpenDynaset, sql, 0);
    rs.MoveFirst();
    m_lContentID = ReadLongField(rs, u"ID");
    m_strSVID = ReadText(rs, u"ID_QBZ_SV");
    const CString code = ReadText(rs, u"ID_TPL");

    const CString path = theEngineConfig.m_strHTML + code + u".htm";
    if (FileExists(path)) {
      m_Browser.Navigate(path);
    } else {
      MessageBox(path, u"TEMPLATE NOT FOUND", MB_ICONHAND);
    }
    if (pWords != nullptr) m_Browser.SetSearchTerms(*pWords);
    m_Browser.SetHTML(&rs, u"proper_name", u"HTML", u"../../");
    rs.Close();

    SetModule(code, bUpdatePanel);

    // A condition too long for an entry is not pushed: the page stays reachable by the way
    // it was reached, and no step ever shows another page in its place.
    sHistory record{};
    if (bAddHistory && record.SetCondition(strCondition)) {
      record.nScrollPos = 0;
      m_History.Add(record);
    }
    m_btnBack.SetState(m_History.CanGoBack() ? 1 : 0);
    m_btnForward.SetState(m_History.CanGoForward() ? 1 : 0);
    if (m_pBookmark != nullptr) static_cast<CBookmark*>(m_pBookmark)->Refresh();
    m_btnObjectMenu.SetState(NUXSV_HasLookupTableRef(m_strSVID) ? 1 : 0);
  } catch (CException* e) {
    ReportException(e, u"CAstroDict::Display");
  }
}

void CAstroDict::SetModule(const CString& strCode, int bUpdatePanel) {
  CString code = strCode;
  code.MakeUpper();
  if (code == u"HLPS" || code == u"HLPW") code = u"HELP";
  if (code == u"PGGG") code = u"PGAL";

  const bool known = code == u"DICT" || code == u"PGAL" || code == u"RECB" || code == u"HELP";
  if (!known || code == m_strModule) {
    if (m_pPanel != nullptr) m_pPanel->Update(m_lContentID, m_strSVID, 0);
    ShowModuleTitle();
    return;
  }

  if (code == u"DICT" && !IsDictActive()) {
    ShowModuleTitle();
    ShowNoDictNotice();
    return;
  }
  if (code == u"PGAL" && !IsPGalActive()) {
    ShowModuleTitle();
    ShowNoPGalNotice();
    return;
  }
  if (code == u"RECB" && !IsRecBActive()) {
    ShowModuleTitle();
    ShowNoRecBNotice();
    return;
  }
  m_strModule = code;
  CPanel* panel = MakePanel(code, this);
  ShowModuleTitle();
  if (panel == nullptr) return;

  if (!panel->CreateAt(this, 0, 0)) {
    // A panel that cannot be made leaves the one shown in place.
    delete panel;
    return;
  }
  PositionPanel(panel);
  if (bUpdatePanel) panel->Update(m_lContentID, m_strSVID, 1);
  panel->ShowWindowState(SW_SHOW);
  if (m_pPanel != nullptr) {
    m_pPanel->DestroyWindow();
    delete m_pPanel;
  }
  m_pPanel = panel;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CAstroDict::ShowModuleTitle() {
  static const char16_t* const kModules[4] = {u"DICT", u"PGAL", u"RECB", u"HELP"};
  static const char16_t* const kTitles[4] = {u"TitleDict.bmp", u"TitlePG.bmp", u"TitleRB.bmp", u"TitleHelp.bmp"};
  CCheckbox* tabs[4] = {&m_tabDict, &m_tabPGal, &m_tabRecB, &m_tabHelp};
  for (int i = 0; i < 4; ++i) {
    if (tabs[i]->GetSafeHwnd() != nullptr) tabs[i]->SetCheck(m_strModule == kModules[i] ? 1 : 0);
  }
  for (int i = 0; i < 4; ++i) {
    if (m_strModule == kModules[i] && m_imgTitle.GetSafeHwnd() != nullptr) m_imgTitle.SetPicture(kTitles[i]);
  }
}

void CAstroDict::PositionPanel(CPanel* pPanel) {
  CPanel* panel = pPanel != nullptr ? pPanel : m_pPanel;
  if (panel == nullptr || panel->GetSafeHwnd() == nullptr) return;
  RECT client{}, own{};
  GetClientRect(&client);
  panel->GetWindowRect(&own);
  panel->SetWindowPos(nullptr, 0, kPanelTop, own.right - own.left, (client.bottom - client.top) - kPanelTop,
                      SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAstroDict::OnSize(UINT nType, int cx, int cy) {
  CNUXDialogSkin::OnSize(nType, cx, cy);
  PositionPanel(nullptr);
}

LRESULT CAstroDict::OnLinkClicked(WPARAM, LPARAM lParam) {
  const LinkRequest request = ReadLinkRequest(reinterpret_cast<const WCHAR*>(lParam));
  const LinkAction action = ClassifyLink(request, theEngineConfig.m_strHTML);
  switch (action.kind) {
    case LinkAction::Shell:
      ShellExecuteW(m_hWnd, u"open", request.strAddress, nullptr, nullptr, SW_SHOW);
      break;
    case LinkAction::ObjectMenu: {
      POINT pt{};
      GetCursorPos(&pt);
      NUXSV_OpenLinkMenubySVID(GetParent(), pt.x, pt.y, action.strObjectId, 1);
      break;
    }
    case LinkAction::Page:
      if (action.bAnchor) m_Browser.SetAnchor(action.strAnchor);
      Display(FileCondition(action.strFile), nullptr, 1, 1);
      break;
    case LinkAction::None:
      break;
  }
  return 0;
}

LRESULT CAstroDict::OnBrowserContextMenu(WPARAM, LPARAM) {
  CFlatMenu menu;
  SetMenuStyle(menu);
  menu.AddItem(0, theEngineConfig.GetString(u"AddBookmark"), 1, -1);
  POINT pt{};
  GetCursorPos(&pt);
  CWnd* owner = GetParent();
  if (menu.TrackPopup(pt.x, pt.y, owner != nullptr ? owner->GetSafeHwnd() : nullptr, TRUE, FALSE, 0) == 1) {
    const long id = m_Browser.AddBookmarkFromSelection(GetCurrentBookmarkType());
    if (m_pBookmark != nullptr) static_cast<CBookmark*>(m_pBookmark)->SelectAndRefresh(id);
  }
  return 0;
}

LRESULT CAstroDict::OnPageReady(WPARAM wParam, LPARAM) {
  // The print browser reports its pages too; only the page browser's are this window's.
  if (wParam != IDC_AD_BROWSER) return 0;
  if (m_nPendingScroll != -1 && m_bScrollWaitsForText) {
    // The template alone has loaded; the page text comes with the next notice and would
    // scroll the page back to the top.
    m_bScrollWaitsForText = FALSE;
  } else if (m_nPendingScroll != -1) {
    m_Browser.ScrollTo(0, m_nPendingScroll);
    m_nPendingScroll = -1;
  }
  if (m_Browser.m_lContentID > 0) ShowNow();
  return 0;
}

void CAstroDict::OnClose() {
  if (m_pPrintBrowser != nullptr) {
    m_pPrintBrowser->DestroyWindow();
    delete m_pPrintBrowser;
    m_pPrintBrowser = nullptr;
  }
  if (m_pBookmark != nullptr) {
    m_pBookmark->DestroyWindow();
    m_pBookmark = nullptr;
  }
  if (m_pPanel != nullptr) {
    m_pPanel->DestroyWindow();
    delete m_pPanel;
    m_pPanel = nullptr;
  }
  CNUXDialogSkin::OnClose();
}
