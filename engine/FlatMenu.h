// CFlatMenu: a popup menu drawn by the library itself. A borderless tool window of class
// "FlatMenu" measures and paints its items in its own font and colours, tracks the mouse with
// capture, slides and fades in when it first paints, and opens submenus after the pointer has
// rested on their item. Callers construct one on the stack, style it, Init it, add items and
// call TrackPopup in modal mode, which returns the chosen command id (0 for none).
#pragma once

#include <vector>

#include "mfc/afxwin.h"

class CFlatMenu;
class CDC;

// One menu item, kept by value in the menu.
struct FlatMenuItem {
  enum : int { Separator = 1, NotSelectable = 2, Bold = 4, Grey = 8 };

  int nTop = 0;     // y in the menu's client area, set when the menu opens
  int nHeight = 0;  // 5 for a separator, else the text height + 4
  int nFlags = 0;
  WCHAR szText[128] = {};  // at most 127 characters, zero-terminated
  int nCommand = 0;        // 0: choosing the item closes nothing and returns nothing
  int nGlyph = -1;         // index of a 16 x 15 glyph in the glyph strip; -1 none
  CFlatMenu* pSubmenu = nullptr;

  FlatMenuItem() = default;
  FlatMenuItem(const FlatMenuItem& other) { *this = other; }
  // Copies the text only up to its terminator, and never past the field.
  FlatMenuItem& operator=(const FlatMenuItem& other);
  // Sets the text, cut to 127 characters.
  void SetText(LPCWSTR lpszText);
};

class CFlatMenu {
 public:
  CFlatMenu();
  ~CFlatMenu();
  CFlatMenu(const CFlatMenu&) = delete;
  CFlatMenu& operator=(const CFlatMenu&) = delete;

  // Face, size in points, then the line, text, background, highlight text and highlight
  // colours; used from the next Init.
  void SetStyle(LPCWSTR lpszFace, int nSize, COLORREF crLine, COLORREF crText, COLORREF crBack,
                COLORREF crHighlightText, COLORREF crHighlight);
  // Registers the window class (once per process), empties the items and makes the drawing
  // objects. FALSE when the class cannot be registered.
  BOOL Init(HINSTANCE hInstance, int nGlyphStripId);
  BOOL AddItem(int nFlags, LPCWSTR lpszText, int nCommand, int nGlyph);
  // Opens pSubmenu from item nIndex; the submenu's choice is then the choice of this menu's
  // top menu. FALSE for an index out of range.
  BOOL SetSubmenu(int nIndex, CFlatMenu* pSubmenu);
  // Opens the menu at a screen point. Modal: returns the chosen command id once the menu has
  // closed (0 for none). Not modal: returns 0 at once and posts WM_COMMAND to the owner when
  // an item is chosen.
  int TrackPopup(int x, int y, HWND hOwner, BOOL bModal, BOOL bSubmenu, int nMinWidth);

  // Item index at a client point, -1 for none or an item that cannot be selected.
  int HitTest(int x, int y, const RECT& rcClient) const;

  int GetItemCount() const { return static_cast<int>(m_items.size()); }
  const FlatMenuItem& GetItem(int nIndex) const { return m_items[static_cast<size_t>(nIndex)]; }
  int GetWidth() const { return m_nWidth; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  int GetHotItem() const { return m_nHotItem; }

  static constexpr const WCHAR* kClassName = u"FlatMenu";
  static constexpr const WCHAR* kWindowTitle = u"~FlatMenu~";
  static constexpr UINT_PTR kSubmenuTimer = 1;

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateGdiObjects();
  void DeleteGdiObjects();
  // Measures the items; returns the total height.
  int Layout(int nMinWidth);
  void EraseBackground(CDC* pDC);
  void OnPaint(CDC* pDC);
  void DrawItem(CDC* pDC, int nIndex, const FlatMenuItem& item);
  void RedrawItem(int nIndex);
  void OnMouseMove(int x, int y);
  void OnButtonDown(int x, int y);
  void OnButtonUp(int x, int y, BYTE& bIgnoreRelease);
  void OpenSubmenu();
  void Close();
  bool IsOutside(int x, int y) const;
  CFlatMenu* Top();
  void CloseTop(int nCommand);
  int RunModalLoop();

  HINSTANCE m_hInstance = nullptr;
  int m_nGlyphStripId = -1;
  std::vector<FlatMenuItem> m_items;
  WCHAR m_szFace[128] = {};
  int m_nFontSize = 8;
  int m_nSubmenuDelay = 150;
  COLORREF m_crLine;
  COLORREF m_crBack;
  COLORREF m_crText;
  COLORREF m_crGreyText;
  COLORREF m_crHighlightText;
  COLORREF m_crHighlight;
  COLORREF m_crGlyphKey = 0x00FF00FF;
  int m_nCaptureState = 0;  // 0 closed, 1 open without capture, 2 open with the mouse captured
  int m_nWidth = 0;
  HWND m_hWnd = nullptr;
  HWND m_hOwner = nullptr;
  int m_nHotItem = -1;
  int m_nChosen = 0;
  BYTE m_bIgnoreRightRelease = 0;
  BYTE m_bIgnoreLeftRelease = 0;
  BYTE m_bModal = 0;
  DWORD m_dwOpenTime = 0;
  CFlatMenu* m_pParent = nullptr;
  HFONT m_hFont = nullptr;
  HFONT m_hBoldFont = nullptr;
  HPEN m_hLinePen = nullptr;
  HBRUSH m_hBackBrush = nullptr;
  HBRUSH m_hHighlightBrush = nullptr;
  HPEN m_hTextPen = nullptr;
  HPEN m_hHighlightTextPen = nullptr;
  HBITMAP m_hGlyphs = nullptr;
  BYTE m_nSlideSide = 0;  // side of the next opening slide; 0 none pending
};
