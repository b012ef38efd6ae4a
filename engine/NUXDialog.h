// CNUXDialog: the base of the library's dialog windows. On top of CDialog it places the new
// window (at a point, in a rectangle, on top, or where the registry remembers it under a
// placement name), deletes itself through its creator's pointer slot, paints its background
// with a colour or an image, lets a derived window drag it by forwarding its mouse events,
// shows itself 25 ms later on request, and moves off screen and back.
//
// Enter and Escape never close a dialog of this family (OnOK and OnCancel do nothing); the
// close box does (WM_CLOSE). On destruction the window rectangle is saved under the
// placement name, and a window created with an owner slot clears the slot and deletes itself.
//
//   class CMyWnd : public CNUXDialog {            // a top-level window that owns itself
//     CMyWnd() : CNUXDialog(IDD_MY, nullptr) {}
//   };
//   CNUXDialog* g_pMyWnd = nullptr;
//   g_pMyWnd = new CMyWnd;
//   if (!g_pMyWnd->CreatePlaced(pParent, u"MyWnd", &g_pMyWnd)) { delete g_pMyWnd; g_pMyWnd = nullptr; }
#pragma once

#include "Dib.h"
#include "WindowPlacement.h"
#include "base/types.h"
#include "mfc/dialog.h"

class CNUXDialog : public CDialog {
  DECLARE_DYNAMIC(CNUXDialog)

 public:
  // The timer of the delayed show.
  enum { kShowTimerId = 1500, kShowDelay = 25 };

  CNUXDialog(UINT nIDTemplate, CWnd* pParent);
  ~CNUXDialog() override;

  // ---- creation (modeless, from the template) ----
  // Moves the new window to (x, y), brings it to the top and activates it; stores the slot.
  virtual BOOL CreateTracked(CWnd* pParent, int x, int y, CNUXDialog** ppSlot);
  // The window takes its place from the registry under the placement name (or centred in the
  // work area) while it initialises. The slot is stored only when the creation succeeded.
  virtual BOOL CreatePlaced(CWnd* pParent, LPCWSTR lpszPlacement, CNUXDialog** ppSlot);
  virtual BOOL CreateInRect(CWnd* pParent, int x, int y, int nWidth, int nHeight);
  virtual BOOL CreateAt(CWnd* pParent, int x, int y);
  virtual BOOL CreateOnTop(CWnd* pParent);
  // Runs modally, placed under the placement name.
  virtual INT_PTR DoModalPlaced(LPCWSTR lpszPlacement);

  // ---- background (painted on WM_ERASEBKGND: the colour, else the image at the origin) ----
  virtual void SetBackgroundColor(COLORREF color);
  // A bitmap resource of the library; TRUE when it loaded.
  virtual BOOL SetBackgroundBitmap(UINT nID);
  // A picture file, loose or inside a ".nux" archive.
  virtual void SetBackgroundImage(LPCWSTR lpszPath);

  // ---- dragging: a derived window forwards its mouse events (client coordinates) ----
  virtual void StartMove(int x, int y);
  virtual void StopMove();
  virtual void MoveTo(int x, int y);
  // Dragged positions are kept inside the primary work area.
  virtual void KeepInWorkAreaOn();
  virtual void KeepInWorkAreaOff();

  // ---- showing ----
  virtual void HideWindow();
  virtual void ShowNow();
  // Shows the window once, 25 ms from now.
  virtual void ShowDelayed();

  // ---- placement ----
  virtual void SaveWindowRect();
  virtual void RestoreWindowRect();
  // Moves the window to (left, top); right and bottom are for derived windows that size too.
  virtual void PlaceWindow(int nLeft, int nTop, int nRight, int nBottom);
  // A rectangle of that size (capped by the work area's) centred in a rectangle of the work
  // area's size at the screen origin.
  virtual void GetCenteredRect(int nWidth, int nHeight, RECT* pRect);
  virtual void GetDefaultRect(RECT* pRect);
  // Parks the window at (10000, 10000) and brings it back to where it was.
  virtual void MoveOffScreen();
  virtual void MoveBackOnScreen();
  // A child control's rectangle in client coordinates; FALSE (output untouched) without one.
  virtual BOOL GetItemRect(int nID, RECT* pRect);

  const CString& GetPlacementName() const { return m_strPlacement; }
  BOOL IsMoveActive() const { return m_bMoveActive; }
  BOOL IsOffScreen() const { return m_bOffScreen; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void PostNcDestroy() override;

  afx_msg void OnClose();
  afx_msg void OnDestroy();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

  // Creates the modeless window from the template (its low 16 bits as the resource id).
  BOOL CreateFromTemplate(CWnd* pParent);

  CString m_strPlacement;      // registry value of the window rectangle; "" for none
  UINT m_nTemplateID;          // the template resource
  CNUXDialog** m_ppOwnerSlot;  // cleared on destruction; its presence makes the object delete itself
  int m_bMoveActive;           // between StartMove and StopMove
  int m_bOffScreen;            // between MoveOffScreen and MoveBackOnScreen
  int m_nGrabX;                // client point where dragging started
  int m_nGrabY;
  int m_bBackColor;            // fill the background with m_crBack
  int m_bBackImage;            // the background image loaded
  int m_bKeepInWorkArea;       // clamp dragged positions to the work area
  COLORREF m_crBack;
  CDib m_dibBack;
  RECT m_rcSaved;              // window rectangle before MoveOffScreen
};
