#include "NUXEdit.h"

#include <cwchar>

BEGIN_MESSAGE_MAP(CNUXEdit, CEdit)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CNUXEdit::CNUXEdit() = default;

CNUXEdit::~CNUXEdit() {
  m_brBackEnabled.DeleteObject();
  m_brBackDisabled.DeleteObject();
  m_font.DeleteObject();
}

void CNUXEdit::SetFontAndColors(LPCTSTR lpszFace, int nHeight, int nWeight, COLORREF crTextEnabled,
                                COLORREF crBackEnabled, COLORREF crTextDisabled, COLORREF crBackDisabled) {
  // Start from the control's current font; a control without one starts from the system font.
  LOGFONT lf{};
  HGDIOBJ current = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT, 0, 0));
  if (current == nullptr) current = ::GetStockObject(SYSTEM_FONT);
  ::GetObject(current, sizeof(lf), &lf);
  lf.lfHeight = -nHeight;
  lf.lfWeight = nWeight;
  lf.lfFaceName[0] = 0;
  if (lpszFace) {
    size_t i = 0;
    for (; i + 1 < LF_FACESIZE && lpszFace[i]; ++i) lf.lfFaceName[i] = lpszFace[i];
    lf.lfFaceName[i] = 0;
  }
  // A second call replaces what the first made.
  m_font.DeleteObject();
  m_brBackEnabled.DeleteObject();
  m_brBackDisabled.DeleteObject();
  m_font.CreateFontIndirect(&lf);

  m_brBackEnabled.CreateSolidBrush(crBackEnabled);
  m_brBackDisabled.CreateSolidBrush(crBackDisabled);
  m_crTextEnabled = crTextEnabled;
  m_crBackEnabled = crBackEnabled;
  m_crTextDisabled = crTextDisabled;
  m_crBackDisabled = crBackDisabled;

  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
}

HBRUSH CNUXEdit::CtlColor(CDC* pDC, UINT nCtlColor) {
  (void)nCtlColor;
  if (IsWindowEnabled()) {
    pDC->SetTextColor(m_crTextEnabled);
    pDC->SetBkColor(m_crBackEnabled);
    return static_cast<HBRUSH>(m_brBackEnabled.GetSafeHandle());
  }
  pDC->SetTextColor(m_crTextDisabled);
  pDC->SetBkColor(m_crBackDisabled);
  return static_cast<HBRUSH>(m_brBackDisabled.GetSafeHandle());
}
