// CBigImage: the window that shows one large picture of the content in a page of its own. A
// borderless resizable dialog with a drag strip, a close button and a browser that loads
// "bigimage.htm" of the HTML folder and then takes, as its body, the HTML of the content record
// whose File column names the picture. It sizes itself to the picture. There is at most one;
// NUXSV_OpenBigImage makes it (OpenBigImageWindow) or hands the open one a new picture.
#pragma once

#include "NUXBrowser.h"
#include "NUXDialogScale.h"

// Control ids of the big-picture window's template.
enum {
  IDD_BIGIMAGE = 213,
  IDC_BI_CLOSE = 1027,
  IDC_BI_BROWSER = 1082,
  IDC_BI_STRIP = 1109,
};

// The browser's link request to this window.
#define WM_BI_LINK (WM_USER + 101)

class CBigImage : public CNUXDialogScale {
 public:
  // The close link closes the window on this timer, outside the link's handling.
  enum { kCloseTimer = 5, kCloseDelay = 100, kStripHeight = 18 };

  CBigImage();
  ~CBigImage() override;

  // Keeps the picture for the first display, before the window is made.
  void SetImageSize(const CString& strFile, int nWidth, int nHeight);
  // Sizes the window to the picture (plus the frame and the strip), keeps it in the work area
  // and shows the picture's page. A picture without a record (or no content database) leaves
  // the window's size and page as they were.
  void Display(const CString& strFile, int nWidth, int nHeight);

  CNUXBrowser& GetBrowser() { return m_Browser; }
  const CString& GetFile() const { return m_strFile; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg LRESULT OnLinkClicked(WPARAM wParam, LPARAM lParam);
  void OnClickClose();
  void OnStripMouseDown(short nButton, short nShift, long x, long y);
  void OnStripMouseMove(short nButton, short nShift, long x, long y);
  void OnStripMouseUp(short nButton, short nShift, long x, long y);
  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()

 public:
  CNUXBrowser m_Browser;
  CString m_strFile;
  int m_nWidth;
  int m_nHeight;
};

// What NUXSV_OpenBigImage does with a parsed address: the open window shows the picture;
// without one a new window goes into the library's slot, with the frame colours and the
// picture, created under the placement name "BigImage". The window (NULL when it could not be
// made) gets the keyboard focus.
CWnd* OpenBigImageWindow(CWnd* pParent, const CString& strFile, int nWidth, int nHeight);
