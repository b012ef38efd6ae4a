// The main reference window's toolbar: the buttons' clicks and the caption's mouse events
// arrive through the event sink map; printing goes through a hidden second browser that loads
// the print template and takes the body of the page shown.
#include "AstroDict.h"
#include "Bookmark.h"
#include "EngineConfig.h"
#include "NUXSV.h"

namespace {

// The print browser: a pop-up off the screen (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU).
constexpr DWORD kPrintBrowserStyle = 0x90C80000;
constexpr RECT kPrintBrowserRect = {-500, -500, -50, -50};
constexpr UINT kPrintDelay = 250;

}  // namespace

BEGIN_EVENTSINK_MAP(CAstroDict, CNUXDialogSkin)
  ON_EVENT(CAstroDict, IDC_AD_CLOSE, DISPID_CLICK, CAstroDict::OnClickClose, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_BACK, DISPID_CLICK, CAstroDict::GoBack, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_FORWARD, DISPID_CLICK, CAstroDict::GoForward, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_PRINT, DISPID_CLICK, CAstroDict::Print, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_BOOKMARKS, DISPID_CLICK, CAstroDict::ShowBookmarks, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_SEARCH, DISPID_CLICK, CAstroDict::OnClickSearch, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_WORDLIST, DISPID_CLICK, CAstroDict::OnClickWordList, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_COPY, DISPID_CLICK, CAstroDict::OnClickCopy, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_TAB_DICT, DISPID_CLICK, CAstroDict::OnClickTabDict, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_TAB_PGAL, DISPID_CLICK, CAstroDict::OnClickTabPGal, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_TAB_RECB, DISPID_CLICK, CAstroDict::OnClickTabRecB, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_TAB_HELP, DISPID_CLICK, CAstroDict::OnClickTabHelp, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_OBJECTMENU, DISPID_CLICK, CAstroDict::OnClickObjectMenu, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_FOLD, DISPID_CLICK, CAstroDict::ToggleFold, VTS_NONE)
  ON_EVENT(CAstroDict, IDC_AD_CAPTION, DISPID_MOUSEDOWN, CAstroDict::OnCaptionDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CAstroDict, IDC_AD_CAPTION, DISPID_MOUSEMOVE, CAstroDict::OnCaptionMove, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CAstroDict, IDC_AD_CAPTION, DISPID_MOUSEUP, CAstroDict::OnCaptionUp, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

void CAstroDict::GoBack() {
  sHistory record{};
  if (!m_History.Back(record)) return;
  m_nPendingScroll = record.nScrollPos;
  m_bScrollWaitsForText = FALSE;
  Display(CString(record.szCondition), nullptr, 0, 1);
  m_bScrollWaitsForText = m_Browser.m_bLoadPending;
}

void CAstroDict::GoForward() {
  sHistory record{};
  if (!m_History.Forward(record)) return;
  m_nPendingScroll = record.nScrollPos;
  m_bScrollWaitsForText = FALSE;
  Display(CString(record.szCondition), nullptr, 0, 1);
  m_bScrollWaitsForText = m_Browser.m_bLoadPending;
}

void CAstroDict::OnClickClose() { OnClose(); }

void CAstroDict::OnClickCopy() { m_Browser.Copy(); }

void CAstroDict::OnClickSearch() { NUXSV_OpenSearch(this); }

void CAstroDict::OnClickWordList() { NUXSV_OpenDictionary(this); }

void CAstroDict::OnClickTabDict() { SetModule(u"DICT", 1); }
void CAstroDict::OnClickTabPGal() { SetModule(u"PGAL", 1); }
void CAstroDict::OnClickTabRecB() { SetModule(u"RECB", 1); }
void CAstroDict::OnClickTabHelp() { SetModule(u"HELP", 1); }

void CAstroDict::OnClickObjectMenu() {
  CWnd* button = GetDlgItem(IDC_AD_OBJECTMENU);
  if (button == nullptr) return;
  RECT rc{};
  button->GetWindowRect(&rc);
  NUXSV_OpenLinkMenubySVID(GetParent(), rc.left, rc.bottom, m_strSVID, 0);
}

void CAstroDict::ShowBookmarks() {
  if (m_pBookmark != nullptr) return;
  auto* bookmark = new CBookmark(this);
  bookmark->SetBrowser(&m_Browser);
  if (!bookmark->CreatePlaced(this, u"Bookmark", &m_pBookmark)) {
    delete bookmark;
    return;
  }
  m_pBookmark = bookmark;
}

void CAstroDict::ToggleFold() {
  m_bUnfolded = m_bUnfolded ? 0 : 1;
  RECT rc{};
  GetWindowRect(&rc);
  const int height = m_bUnfolded ? m_nUnfoldedHeight : m_nFoldedHeight;
  SetWindowPos(nullptr, 0, 0, rc.right - rc.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAstroDict::Print() {
  const CString body = m_Browser.GetBodyHTML();
  if (body.IsEmpty()) return;
  if (m_pPrintBrowser == nullptr) {
    auto* browser = new CNUXBrowser;
    if (!browser->Create(this, kPrintBrowserStyle, kPrintBrowserRect, theEngineConfig.m_strHTML + u"print.htm")) {
      if (browser->GetSafeHwnd() != nullptr) browser->DestroyWindow();
      delete browser;
      return;
    }
    m_pPrintBrowser = browser;
  }
  m_pPrintBrowser->SetPage(body);
  CString header;
  header.Format(u"%s&b&b&p / &P", u"");
  m_pPrintBrowser->SetPrintHeader(header);
  // The print engine reads "&" as the start of a code ("&d", "&b", ...); "&&" prints one "&".
  CString copyright = theEngineConfig.GetString(u"copyright");
  copyright.Replace(u"&", u"&&");
  CString footer;
  footer.Format(u"&b%s&b", static_cast<LPCWSTR>(copyright));
  m_pPrintBrowser->SetPrintFooter(footer);
  SetTimer(kPrintTimer, kPrintDelay, nullptr);
}

void CAstroDict::OnPrintTimer() {
  if (m_pPrintBrowser == nullptr) {
    KillTimer(kPrintTimer);
    return;
  }
  if (m_pPrintBrowser->m_bLoadPending) return;
  KillTimer(kPrintTimer);
  m_pPrintBrowser->Print(FALSE);
}

void CAstroDict::OnCaptionDown(short, short, long x, long y) { StartMove(int(x), int(y)); }
void CAstroDict::OnCaptionMove(short, short, long x, long y) { MoveTo(int(x), int(y)); }
void CAstroDict::OnCaptionUp(short, short, long, long) { StopMove(); }
