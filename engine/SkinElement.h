// CSkinElement: one band of a skinned frame, a nine-piece image (fixed corners, edges and a
// centre that stretch, tile or repeat to any size) described in a section of a skin
// description, rendered into its own off-screen buffer once per size.
#pragma once

#include <vector>

#include "Dib.h"
#include "OffScreen.h"

class CIniText;
class CResourceFile;

// One piece of a render: source rectangle of the image into target rectangle of the buffer.
struct SkinBlit {
  int nPiece;      // 0 centre, 1 top-left, 2 top, 3 top-right, 4 left, 5 right, 6 bottom-left, 7 bottom, 8 bottom-right
  BYTE nMode;      // 0 stretch, 1 tile, 2 repeat down, 3 repeat across
  RECT rcTarget;
  RECT rcSource;
};

class CSkinElement {
 public:
  enum { PieceCount = 9 };

  CSkinElement();
  ~CSkinElement();
  CSkinElement(const CSkinElement&) = delete;
  CSkinElement& operator=(const CSkinElement&) = delete;

  void Reset();
  void SetMargins(int nLeft, int nRight, int nTop, int nBottom);
  BOOL IsValid() const;
  int GetFrameWidth() const;
  int GetFrameHeight() const;
  void GetFrameRect(BYTE nFrame, RECT* pRect) const;
  void CalcPieces(int nWidth, int nHeight, RECT* pPieces) const;
  static void OffsetPieces(int dx, int dy, RECT* pPieces);
  // The pieces a render of that size and frame paints, in painting order; empty targets and
  // pieces whose source the margins have used up are left out.
  void PlanPieces(int nWidth, int nHeight, BYTE nFrame, std::vector<SkinBlit>& plan) const;
  void Render(int nWidth, int nHeight, BYTE nFrame);
  void Draw(CDC* pDC, int x, int y, int nWidth, int nHeight, BYTE nFrame);
  void DrawRect(CDC* pDC, int nLeft, int nTop, int nRight, int nBottom, BYTE nFrame);

  BOOL ReadSection(const CIniText& ini, LPCWSTR lpszSection, CResourceFile* pResFile);
  void ReadMetrics(const CIniText& ini, LPCWSTR lpszSection);
  BOOL LoadImage(LPCWSTR lpszPath, CResourceFile* pResFile);

  // How many times the buffer was rendered (each render of a new size counts).
  int GetRenderCount() const { return m_nRenders; }
  const COffScreen& GetBuffer() const { return m_buffer; }
  int m_nMarginLeft;
  int m_nMarginRight;
  int m_nMarginTop;
  int m_nMarginBottom;
  BYTE m_nPaintMode;
  BYTE m_nFrames;
  int m_bFramesH;

 private:
  COffScreen m_buffer;
  CDib m_image;
  int m_nRenders = 0;
};
