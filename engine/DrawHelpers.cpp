#include "DrawHelpers.h"

#include "NUXUtils.h"
#include "mfc/dc.h"
#include "mfc/gdiobj.h"

void GetSystemLogFont(LOGFONT* pLogFont) {
  if (pLogFont == nullptr) return;
  ::GetObjectW(::GetStockObject(SYSTEM_FONT), sizeof(LOGFONT), pLogFont);
}

BOOL CreateFontFromFace(CFont* pFont, LPCWSTR lpszFace, int nPoints, int nStyle) {
  if (pFont == nullptr) return FALSE;
  LOGFONT system{};
  GetSystemLogFont(&system);
  LOGFONT lf{};
  lf.lfCharSet = system.lfCharSet;
  lf.lfOutPrecision = system.lfOutPrecision;
  lf.lfClipPrecision = system.lfClipPrecision;
  lf.lfQuality = system.lfQuality;
  HDC screen = ::GetDC(nullptr);
  lf.lfHeight = -::MulDiv(nPoints, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  ::ReleaseDC(nullptr, screen);
  // The face name is cut to what the structure holds, always terminated.
  for (int i = 0; lpszFace != nullptr && lpszFace[i] != 0 && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = lpszFace[i];
  if (nStyle & NUX_FONT_BOLD) lf.lfWeight = FW_BOLD;
  if (nStyle & NUX_FONT_ITALIC) lf.lfItalic = TRUE;
  if (nStyle & NUX_FONT_UNDERLINE) lf.lfUnderline = TRUE;
  if (nStyle & NUX_FONT_STRIKEOUT) lf.lfStrikeOut = TRUE;
  return pFont->Attach(::CreateFontIndirectW(&lf));
}

void DrawLineTo(CDC* pDC, int x1, int y1, int x2, int y2) {
  pDC->MoveTo(x1, y1);
  pDC->LineTo(x2, y2);
}

void DrawLine(CDC* pDC, int x1, int y1, int x2, int y2, COLORREF color) {
  CPen pen(PS_SOLID, 1, color);
  CPen* old = pDC->SelectObject(&pen);
  pDC->MoveTo(x1, y1);
  pDC->LineTo(x2, y2);
  pDC->SelectObject(old);
}
