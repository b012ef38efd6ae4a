// CNUXDialogScale: a dialog that the user can resize and that draws its own frame. Four frame
// bands of configurable widths replace the system's caption and border; the dialog paints
// them, answers the system's hit test with sizing codes on the bands and corners, keeps a
// minimum and a maximum size, tracks its maximized and minimized state and the rectangle to
// restore (saved under the placement name), and lays out its child controls with CCtrlLayout
// whenever its client size changes. A derived dialog declares its layout in SetupLayout.
#pragma once

#include "CtrlLayout.h"
#include "NUXDialog.h"
#include "mfc/afxwin.h"

class CNUXDialogScale : public CNUXDialog {
  DECLARE_DYNAMIC(CNUXDialogScale)

 public:
  CNUXDialogScale(UINT nIDTemplate, CWnd* pParent);
  ~CNUXDialogScale() override;

  virtual void SetFrameWidths(int nLeft, int nRight, int nTop, int nBottom);
  virtual void SetFrameColors(COLORREF crHighlight, COLORREF crShadow, COLORREF crFill);
  virtual void SetMinSize(int nWidth, int nHeight);
  virtual void SetMaxSize(int nWidth, int nHeight);
  virtual void SetResizable(BOOL bResizable);
  // Sizing by a grip that moves with the bottom-right corner: points in the grip's coordinates.
  virtual void StartSizing(int x, int y);
  virtual void SizeTo(int x, int y);
  virtual void StopSizing();
  virtual BOOL ShowWindowState(int nCmdShow);
  virtual BOOL IsMaximized();
  virtual BOOL IsMinimized();
  virtual BOOL Maximize();
  virtual BOOL Minimize();
  virtual BOOL ToggleMaximize();
  virtual void SetupLayout(CCtrlLayout* pLayout);
  virtual BOOL GetWindowRegion(CRgn* pRgn, int nWidth, int nHeight);
  virtual void DrawFrame(CDC* pDC);
  virtual void GetFrameRects(RECT* pLeft, RECT* pRight, RECT* pTop, RECT* pBottom, BOOL bScreen);
  virtual void GetFrameGeometry(RECT* pLeft, RECT* pRight, RECT* pTop, RECT* pBottom, RECT* pWindow, RECT* pInner);

  void StartMove(int x, int y) override;
  void StopMove() override;
  void MoveTo(int x, int y) override;
  void SaveWindowRect() override;
  void RestoreWindowRect() override;
  void PlaceWindow(int nLeft, int nTop, int nRight, int nBottom) override;

  void UpdateRegion(int nWidth, int nHeight);
  void UpdateRestoreRect();

  const RECT& GetRestoreRect() const { return m_rcRestore; }
  SIZE GetMinSize() const { return SIZE{m_nMinWidth, m_nMinHeight}; }
  int GetFrameWidth(int nSide) const;  // 0 left, 1 right, 2 top, 3 bottom

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  afx_msg void OnSizing(UINT fwSide, LPRECT pRect);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  afx_msg void OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* lpncsp);
  afx_msg LRESULT OnNcHitTest(CPoint point);
  afx_msg void OnNcPaint();
  DECLARE_MESSAGE_MAP()

  // The nearest monitor's work area to a rectangle; the primary work area without one.
  static RECT WorkAreaOf(const RECT& rc);
  // Not maximized and not minimized, by the flags or by the window's own state.
  BOOL IsNormalState();

  CCtrlLayout m_layout;
  int m_nFrameLeft = 5;
  int m_nFrameRight = 5;
  int m_nFrameTop = 5;
  int m_nFrameBottom = 5;
  int m_nMinWidth = 0;
  int m_nMinHeight = 0;
  int m_nMaxWidth = 0;
  int m_nMaxHeight = 0;
  // The window size seen by the last WM_SIZING and the client size seen by the last WM_SIZE,
  // kept apart: the two are never compared with each other.
  SIZE m_sizeLastWindow{0, 0};
  SIZE m_sizeLastClient{0, 0};
  CRgn m_rgnWindow;
  COLORREF m_crHighlight = 0x00FF9999;
  COLORREF m_crShadow = 0x00440000;
  COLORREF m_crFill = 0x00FF0000;
  int m_bMaximized = 0;
  int m_bMinimized = 0;
  RECT m_rcRestore{0, 0, 0, 0};
  int m_bSizing = 0;
  int m_bResizable = 1;
  POINT m_ptSizingGrab{0, 0};
};
