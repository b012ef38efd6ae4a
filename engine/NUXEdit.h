// CNUXEdit: the edit control of the library's dialogs, with a font of its own and its own text
// and background colours for the enabled and the disabled state. The dialog subclasses the
// control and calls SetFontAndColors once in its OnInitDialog.
#pragma once

#include "mfc/afxwin.h"

class CNUXEdit : public CEdit {
 public:
  CNUXEdit();
  ~CNUXEdit() override;

  // Face, character height in pixels, weight; text and background colours enabled, then disabled.
  void SetFontAndColors(LPCTSTR lpszFace, int nHeight, int nWeight, COLORREF crTextEnabled, COLORREF crBackEnabled,
                        COLORREF crTextDisabled, COLORREF crBackDisabled);

 protected:
  // The reflected colour request: the pair and brush of the control's current state.
  HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()

  CFont m_font;
  COLORREF m_crTextEnabled = 0;
  COLORREF m_crBackEnabled = 0;
  COLORREF m_crTextDisabled = 0;
  COLORREF m_crBackDisabled = 0;
  CBrush m_brBackEnabled;
  CBrush m_brBackDisabled;
};
