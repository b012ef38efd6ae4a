#include "BigImage.h"

#include "CtrlLayout.h"
#include "EngineConfig.h"
#include "Globals.h"
#include "LinkRequest.h"
#include "Report.h"
#include "VariantText.h"
#include "WindowPlacement.h"
#include "process/shell.h"

BEGIN_MESSAGE_MAP(CBigImage, CNUXDialogScale)
  ON_WM_TIMER()
  ON_MESSAGE(WM_BI_LINK, &CBigImage::OnLinkClicked)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CBigImage, CNUXDialogScale)
  ON_EVENT(CBigImage, IDC_BI_CLOSE, -600, CBigImage::OnClickClose, VTS_NONE)
  ON_EVENT(CBigImage, IDC_BI_STRIP, -605, CBigImage::OnStripMouseDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CBigImage, IDC_BI_STRIP, -606, CBigImage::OnStripMouseMove, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CBigImage, IDC_BI_STRIP, -607, CBigImage::OnStripMouseUp, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

CBigImage::CBigImage() : CNUXDialogScale(IDD_BIGIMAGE, nullptr), m_nWidth(0), m_nHeight(0) {}

CBigImage::~CBigImage() = default;

void CBigImage::DoDataExchange(CDataExchange* pDX) { CNUXDialogScale::DoDataExchange(pDX); }

void CBigImage::SetImageSize(const CString& strFile, int nWidth, int nHeight) {
  m_strFile = strFile;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
}

BOOL CBigImage::OnInitDialog() {
  m_Browser.EnableEventSink(1);
  m_Browser.EnableUIHandler(1, nullptr);
  m_Browser.SetInterceptLinks(1);
  m_Browser.CreateInPlace(this, IDC_BI_BROWSER, theEngineConfig.m_strHTML + u"bigimage.htm");
  CNUXDialogScale::OnInitDialog();
  Display(m_strFile, m_nWidth, m_nHeight);
  return TRUE;
}

void CBigImage::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->AnchorCtrlsRight(int(IDC_BI_CLOSE), 0);
  pLayout->SetCtrlProp(IDC_BI_BROWSER, 0, 0, 1, 1);
}

void CBigImage::Display(const CString& strFile, int nWidth, int nHeight) {
  CDaoDatabase* database = GetContentDatabase();
  if (database == nullptr) return;  // nothing to look the picture up in: the window stays as it is
  CDaoRecordset rs(database);
  try {
    RECT rc{};
    GetWindowRect(&rc);
    rc.right = rc.left + nWidth + m_nFrameLeft + m_nFrameRight;
    rc.bottom = rc.top + nHeight + m_nFrameTop + m_nFrameBottom + kStripHeight;
    FitRectToWorkArea(&rc, FALSE, 0, 0);

    // The file goes into the text with its quotes doubled, so a name with a quote finds its
    // record and never changes the statement.
    CString file = strFile;
    file.Replace(u"'", u"''");
    CString sql;
    sql.Format(u"SELECT * FROM SV_MODULE WHERE File LIKE '%s'", static_cast<LPCWSTR>(file));
    rs.Open(dbOpenDynaset, sql, 0);
    rs.MoveFirst();
    CVariantText html;
    rs.GetFieldValue(u"HTML", html);
    rs.Close();

    m_strFile = strFile;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    MoveWindowToRect(this, rc.left, rc.top, rc.right, rc.bottom, TRUE, TRUE, FALSE);
    m_Browser.SetPage(html.ToString());
  } catch (CException* e) {
    ReportException(e, u"CBigImage::Display");
  }
}

LRESULT CBigImage::OnLinkClicked(WPARAM, LPARAM lParam) {
  if (lParam == 0) return 0;
  const LinkRequest request = ReadLinkRequest(reinterpret_cast<const WCHAR*>(lParam));
  if (IsShellAddress(request.strAddress)) {
    ShellExecuteW(m_hWnd, u"open", request.strAddress, nullptr, nullptr, SW_SHOW);
    return 0;
  }
  const CString address = RewriteInternalAddress(request.strAddress, theEngineConfig.m_strHTML);
  if (request.strTarget == u"ENGINE" && address == u"close") SetTimer(kCloseTimer, kCloseDelay, nullptr);
  return 0;
}

void CBigImage::OnTimer(UINT_PTR nIDEvent) {
  CNUXDialogScale::OnTimer(nIDEvent);
  if (nIDEvent != kCloseTimer) return;
  KillTimer(kCloseTimer);
  OnClose();
}

void CBigImage::OnClickClose() { OnClose(); }

void CBigImage::OnStripMouseDown(short, short, long x, long y) { StartMove(int(x), int(y)); }
void CBigImage::OnStripMouseMove(short, short, long x, long y) { MoveTo(int(x), int(y)); }
void CBigImage::OnStripMouseUp(short, short, long, long) { StopMove(); }

CWnd* OpenBigImageWindow(CWnd* pParent, const CString& strFile, int nWidth, int nHeight) {
  nuxsv::Globals& g = nuxsv::G();
  if (g.bigImage != nullptr) {
    static_cast<CBigImage*>(g.bigImage)->Display(strFile, nWidth, nHeight);
  } else {
    auto* window = new CBigImage();
    g.bigImage = window;
    window->SetFrameColors(0xADADAD, 0x484848, 0x797979);
    window->SetImageSize(strFile, nWidth, nHeight);
    // The slot holds the window as a plain window; the dialog base clears it through a pointer
    // to its own class.
    if (!window->CreatePlaced(pParent, u"BigImage", reinterpret_cast<CNUXDialog**>(&g.bigImage))) {
      // No window: nothing may stay in the slot for a later call to take for a window.
      if (g.bigImage == window) g.bigImage = nullptr;
      delete window;
      return nullptr;
    }
  }
  if (g.bigImage != nullptr) g.bigImage->SetFocus();
  return g.bigImage;
}
