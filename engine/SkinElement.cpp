#include "SkinElement.h"

#include "IniText.h"
#include "ResourceFile.h"
#include "memory/memory.h"

CSkinElement::CSkinElement() { Reset(); }

CSkinElement::~CSkinElement() {
  m_image.Free();
  m_buffer.Destroy();
}

void CSkinElement::Reset() {
  m_nMarginLeft = m_nMarginRight = m_nMarginTop = m_nMarginBottom = 0;
  m_nPaintMode = 0;
  m_nFrames = 1;
  m_bFramesH = 1;
}

void CSkinElement::SetMargins(int nLeft, int nRight, int nTop, int nBottom) {
  m_nMarginLeft = nLeft;
  m_nMarginRight = nRight;
  m_nMarginTop = nTop;
  m_nMarginBottom = nBottom;
}

BOOL CSkinElement::IsValid() const { return m_image.IsValid(); }

int CSkinElement::GetFrameWidth() const {
  const int frames = m_nFrames < 1 ? 1 : m_nFrames;
  return m_bFramesH ? m_image.GetWidth() / frames : m_image.GetWidth();
}

int CSkinElement::GetFrameHeight() const {
  const int frames = m_nFrames < 1 ? 1 : m_nFrames;
  return m_bFramesH ? m_image.GetHeight() : m_image.GetHeight() / frames;
}

void CSkinElement::GetFrameRect(BYTE nFrame, RECT* pRect) const {
  if (m_bFramesH) {
    const int w = GetFrameWidth();
    *pRect = RECT{nFrame * w, 0, nFrame * w + w, m_image.GetHeight()};
  } else {
    const int h = GetFrameHeight();
    *pRect = RECT{0, nFrame * h, m_image.GetWidth(), nFrame * h + h};
  }
}

void CSkinElement::CalcPieces(int nWidth, int nHeight, RECT* pPieces) const {
  int L = m_nMarginLeft, R = nWidth - m_nMarginRight, T = m_nMarginTop, B = nHeight - m_nMarginBottom;
  // The margins give way when the target is too small for them.
  if (R < L) L = R;
  if (B < T) T = B;
  pPieces[0] = RECT{L, T, R, B};
  pPieces[1] = RECT{0, 0, L, T};
  pPieces[2] = RECT{L, 0, R, T};
  pPieces[3] = RECT{R, 0, nWidth, T};
  pPieces[4] = RECT{0, T, L, B};
  pPieces[5] = RECT{R, T, nWidth, B};
  pPieces[6] = RECT{0, B, L, nHeight};
  pPieces[7] = RECT{L, B, R, nHeight};
  pPieces[8] = RECT{R, B, nWidth, nHeight};
}

void CSkinElement::OffsetPieces(int dx, int dy, RECT* pPieces) {
  for (int i = 0; i < PieceCount; ++i) ::OffsetRect(&pPieces[i], dx, dy);
}

void CSkinElement::PlanPieces(int nWidth, int nHeight, BYTE nFrame, std::vector<SkinBlit>& plan) const {
  plan.clear();
  RECT frame;
  GetFrameRect(nFrame, &frame);
  RECT source[PieceCount], target[PieceCount];
  CalcPieces(frame.right - frame.left, frame.bottom - frame.top, source);
  OffsetPieces(frame.left, frame.top, source);
  CalcPieces(nWidth, nHeight, target);
  static const int kOrder[PieceCount] = {1, 2, 3, 4, 0, 5, 6, 7, 8};
  for (int piece : kOrder) {
    const RECT& t = target[piece];
    const int tw = t.right - t.left, th = t.bottom - t.top;
    if (tw <= 0 || th <= 0) continue;
    RECT s = source[piece];
    BYTE mode = m_nPaintMode;
    switch (piece) {
      case 1: case 3: case 6: case 8:  // corners: copied pixel for pixel, cut to the target
        s.right = s.left + tw;
        s.bottom = s.top + th;
        mode = 0;
        break;
      case 2: case 7:  // top and bottom edges keep the source width
        s.bottom = s.top + th;
        break;
      case 4: case 5:  // left and right edges keep the source height
        s.right = s.left + tw;
        break;
      default:
        break;
    }
    // A piece with nothing left of its source (the margins used up the frame) has nothing to
    // tile or repeat: it is skipped.
    if (s.right - s.left <= 0 || s.bottom - s.top <= 0) continue;
    plan.push_back(SkinBlit{piece, mode, t, s});
  }
}

void CSkinElement::Render(int nWidth, int nHeight, BYTE nFrame) {
  if (nWidth == 0 && nHeight == 0 && nFrame == 0) {
    nWidth = m_buffer.GetWidth();
    nHeight = m_buffer.GetHeight();
  }
  std::vector<SkinBlit> plan;
  PlanPieces(nWidth, nHeight, nFrame, plan);
  m_buffer.Create(nWidth, nHeight);
  CDC* pDC = m_buffer.GetDC();
  if (!pDC) return;
  ++m_nRenders;
  for (const SkinBlit& b : plan) {
    switch (b.nMode) {
      case 0: m_image.StretchDrawRect(pDC, b.rcTarget, b.rcSource, SRCCOPY); break;
      case 1: m_image.TileDrawRect(pDC, b.rcTarget, b.rcSource, SRCCOPY); break;
      case 2: m_image.RepeatDownRect(pDC, b.rcTarget, b.rcSource, TRUE, SRCCOPY); break;
      case 3: m_image.RepeatAcrossRect(pDC, b.rcTarget, b.rcSource, TRUE, SRCCOPY); break;
      default: break;  // an unknown paint mode paints nothing for edges and centre
    }
  }
  m_buffer.ReleaseDC();
}

void CSkinElement::Draw(CDC* pDC, int x, int y, int nWidth, int nHeight, BYTE nFrame) {
  if (nWidth != m_buffer.GetWidth() || nHeight != m_buffer.GetHeight() || !m_buffer.GetBitmap())
    Render(nWidth, nHeight, nFrame);
  m_buffer.Draw(pDC, x, y);
}

void CSkinElement::DrawRect(CDC* pDC, int nLeft, int nTop, int nRight, int nBottom, BYTE nFrame) {
  Draw(pDC, nLeft, nTop, nRight - nLeft, nBottom - nTop, nFrame);
}

BOOL CSkinElement::ReadSection(const CIniText& ini, LPCWSTR lpszSection, CResourceFile* pResFile) {
  CString file = ini.GetString(lpszSection, u"File", u"");
  CString path;
  path.Format(u"%s\\%s", static_cast<LPCWSTR>(ini.GetFolder()), static_cast<LPCWSTR>(file));
  if (!LoadImage(path, pResFile)) return FALSE;
  ReadMetrics(ini, lpszSection);
  return TRUE;
}

void CSkinElement::ReadMetrics(const CIniText& ini, LPCWSTR lpszSection) {
  m_nMarginLeft = ini.GetInt(lpszSection, u"MarginLeft", 0);
  m_nMarginRight = ini.GetInt(lpszSection, u"MarginRight", 0);
  m_nMarginTop = ini.GetInt(lpszSection, u"MarginTop", 0);
  m_nMarginBottom = ini.GetInt(lpszSection, u"MarginBottom", 0);
  m_nPaintMode = static_cast<BYTE>(ini.GetInt(lpszSection, u"PaintMode", 0));
  // A description is data: a frame count below 1 counts as one frame, and one above what the
  // byte holds as the most it holds.
  const int frames = ini.GetInt(lpszSection, u"Frames", 1);
  m_nFrames = static_cast<BYTE>(frames < 1 ? 1 : frames > 255 ? 255 : frames);
  m_bFramesH = ini.GetInt(lpszSection, u"FramesH", 1);
}

BOOL CSkinElement::LoadImage(LPCWSTR lpszPath, CResourceFile* pResFile) {
  if (!pResFile) return m_image.LoadFromFile(lpszPath, nullptr);
  if (!pResFile->Open(lpszPath)) return FALSE;
  HGLOBAL block = nullptr;
  if (!pResFile->ReadAllGlobal(block)) {
    pResFile->Close(FALSE);
    return FALSE;
  }
  pResFile->Close(FALSE);  // the archive stays open for the next element
  // The picture loader takes the block over and frees it, whatever the outcome.
  return m_image.LoadFromMemory(block);
}
