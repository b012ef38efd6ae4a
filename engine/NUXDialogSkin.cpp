#include "NUXDialogSkin.h"

#include "IniText.h"
#include "ResourceFile.h"

IMPLEMENT_DYNAMIC(CNUXDialogSkin, CNUXDialogScale)

CNUXDialogSkin::CNUXDialogSkin(UINT nIDTemplate, CWnd* pParent) : CNUXDialogScale(nIDTemplate, pParent) {}

CNUXDialogSkin::~CNUXDialogSkin() = default;

void CNUXDialogSkin::SetFrameWidths(int, int, int, int) {}

const CSkinElement& CNUXDialogSkin::GetElement(int nIndex) const {
  switch (nIndex) {
    case 0: return m_top;
    case 1: return m_bottom;
    case 2: return m_left;
    default: return m_right;
  }
}

BOOL CNUXDialogSkin::LoadSkin(LPCWSTR lpszPath) {
  CResourceFile resFile;
  CIniText ini;
  if (!ini.Load(lpszPath, &resFile)) return FALSE;
  if (!m_top.ReadSection(ini, u"TopFrame", &resFile)) return FALSE;
  if (!m_bottom.ReadSection(ini, u"BottomFrame", &resFile)) return FALSE;
  if (!m_left.ReadSection(ini, u"LeftFrame", &resFile)) return FALSE;
  if (!m_right.ReadSection(ini, u"RightFrame", &resFile)) return FALSE;
  CNUXDialogScale::SetFrameWidths(m_left.GetFrameWidth(), m_right.GetFrameWidth(), m_top.GetFrameHeight(),
                                  m_bottom.GetFrameHeight());
  const int minWidth = ini.GetInt(u"Scale", u"MinWidth", 0), minHeight = ini.GetInt(u"Scale", u"MinHeight", 0);
  if (minWidth > 0 && minHeight > 0) SetMinSize(minWidth, minHeight);
  const int maxWidth = ini.GetInt(u"Scale", u"MaxWidth", 0), maxHeight = ini.GetInt(u"Scale", u"MaxHeight", 0);
  if (maxWidth > 0 && maxHeight > 0) SetMaxSize(maxWidth, maxHeight);
  return TRUE;
}

void CNUXDialogSkin::DrawFrame(CDC* pDC) {
  if (!m_top.IsValid() || !m_bottom.IsValid() || !m_left.IsValid() || !m_right.IsValid()) {
    CNUXDialogScale::DrawFrame(pDC);
    return;
  }
  RECT left, right, top, bottom;
  GetFrameRects(&left, &right, &top, &bottom, FALSE);
  m_left.DrawRect(pDC, left.left, left.top, left.right, left.bottom, 0);
  m_right.DrawRect(pDC, right.left, right.top, right.right, right.bottom, 0);
  m_top.DrawRect(pDC, top.left, top.top, top.right, top.bottom, 0);
  m_bottom.DrawRect(pDC, bottom.left, bottom.top, bottom.right, bottom.bottom, 0);
}
