// CNUXDialogSkin: a resizable framed dialog whose four frame bands are painted from the images
// of a skin description ("TopFrame", "BottomFrame", "LeftFrame", "RightFrame"); the frame
// widths follow from the images, the minimum and maximum size from the section "Scale".
// LoadSkin runs before the window is created.
#pragma once

#include "NUXDialogScale.h"
#include "SkinElement.h"

class CNUXDialogSkin : public CNUXDialogScale {
  DECLARE_DYNAMIC(CNUXDialogSkin)

 public:
  CNUXDialogSkin(UINT nIDTemplate, CWnd* pParent);
  ~CNUXDialogSkin() override;

  // The frame widths come from the skin only.
  void SetFrameWidths(int nLeft, int nRight, int nTop, int nBottom) override;
  void DrawFrame(CDC* pDC) override;
  virtual BOOL LoadSkin(LPCWSTR lpszPath);

  const CSkinElement& GetElement(int nIndex) const;  // 0 top, 1 bottom, 2 left, 3 right

 protected:
  CSkinElement m_top;
  CSkinElement m_bottom;
  CSkinElement m_left;
  CSkinElement m_right;
};
