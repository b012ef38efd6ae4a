#include "Dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ResourceFile.h"
#include "gdi/image.h"
#include "memory/memory.h"
#include "mfc/dc.h"
#include "mfc/object.h"

namespace {

constexpr DWORD kHeaderBytes = sizeof(BITMAPINFOHEADER);  // 40

// Bytes of the colour table that follows the header (and of the masks of a BI_BITFIELDS
// image); the header's size field is not consulted.
DWORD ColorTableBytes(const BITMAPINFOHEADER& h) {
  if (h.biBitCount <= 8) return 4 * (h.biClrUsed != 0 ? h.biClrUsed : (1u << h.biBitCount));
  return 4 * h.biClrUsed + (h.biCompression == BI_BITFIELDS ? 12 : 0);
}

// The screen DC with a palette selected and realised for the conversion; put back on leaving.
class ScreenWithPalette {
 public:
  explicit ScreenWithPalette(HPALETTE palette) : m_hdc(::GetDC(nullptr)) {
    m_old = ::SelectPalette(m_hdc, palette, FALSE);
    ::RealizePalette(m_hdc);
  }
  ~ScreenWithPalette() {
    ::SelectPalette(m_hdc, m_old, FALSE);
    ::ReleaseDC(nullptr, m_hdc);
  }
  ScreenWithPalette(const ScreenWithPalette&) = delete;
  ScreenWithPalette& operator=(const ScreenWithPalette&) = delete;
  HDC hdc() const { return m_hdc; }

 private:
  HDC m_hdc;
  HPALETTE m_old;
};

// A decoded picture drawn upright onto a black background, as rendering a picture into a
// fresh screen-compatible bitmap leaves it: transparent parts of icons and GIFs stay black,
// partly transparent ones are darkened by their opacity. A bitmap file is copied as it is (the
// fourth byte of its 32-bit pixels is no opacity).
void ComposeOverBlack(nux::gdi::Surface& s, bool opaque) {
  for (int y = 0; y < s.height(); ++y) {
    uint32_t* row = s.row(y);
    for (int x = 0; x < s.width(); ++x) {
      const uint32_t p = row[x];
      const uint32_t a = opaque ? 255 : p >> 24;
      if (a == 255) {
        row[x] = p | 0xFF000000u;
        continue;
      }
      const uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
      row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
}

}  // namespace

CDib::CDib() : m_hImage(nullptr), m_hPalette(nullptr) {}

CDib::~CDib() { Free(); }

void CDib::Free() {
  if (m_hImage != nullptr) ::GlobalFree(m_hImage);
  if (m_hPalette != nullptr) ::DeleteObject(m_hPalette);
  m_hImage = nullptr;
  m_hPalette = nullptr;
  m_strName.Empty();  // keeps its buffer: freeing never needs memory
}

const BITMAPINFOHEADER* CDib::GetHeader() const {
  // Fixed and movable blocks alike: a movable block's memory stays where it is while held.
  if (m_hImage == nullptr) return nullptr;
  auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(m_hImage));
  ::GlobalUnlock(m_hImage);
  return header;
}

int CDib::GetWidth() const {
  const BITMAPINFOHEADER* h = GetHeader();
  return h != nullptr ? h->biWidth : 0;
}

int CDib::GetHeight() const {
  const BITMAPINFOHEADER* h = GetHeader();
  return h != nullptr ? h->biHeight : 0;
}

const BYTE* CDib::Bits(const BITMAPINFOHEADER* pHeader) const {
  return reinterpret_cast<const BYTE*>(pHeader) + kHeaderBytes + ColorTableBytes(*pHeader);
}

// ---- loading ---------------------------------------------------------------------------

BOOL CDib::CreateFromBitmap(HBITMAP hBitmap, HPALETTE hPalette) {
  Free();
  // Memory that runs out on the way fails the conversion; the image stays empty.
  try {
    return ConvertBitmap(hBitmap, hPalette);
  } catch (const std::bad_alloc&) {
    Free();
    return FALSE;
  }
}

BOOL CDib::ConvertBitmap(HBITMAP hBitmap, HPALETTE hPalette) {
  if (hPalette == nullptr) hPalette = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
  BITMAP bm{};
  if (::GetObjectW(hBitmap, sizeof(bm), &bm) == 0) return FALSE;

  BITMAPINFOHEADER header{};
  header.biSize = kHeaderBytes;
  header.biWidth = bm.bmWidth;
  header.biHeight = bm.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);

  ScreenWithPalette screen(hPalette);
  const DWORD tableBytes = header.biBitCount <= 8 ? 4u << header.biBitCount : 0;
  HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, kHeaderBytes + tableBytes);
  if (block == nullptr) return FALSE;
  auto* info = static_cast<BITMAPINFO*>(::GlobalLock(block));
  std::memcpy(info, &header, kHeaderBytes);
  // Asked without a buffer, GetDIBits tells the size of the rows.
  if (::GetDIBits(screen.hdc(), hBitmap, 0, static_cast<UINT>(header.biHeight), nullptr, info, DIB_RGB_COLORS) == 0) {
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    return FALSE;
  }
  if (info->bmiHeader.biSizeImage == 0)
    info->bmiHeader.biSizeImage =
        static_cast<DWORD>((header.biWidth * header.biBitCount + 31) & ~31) / 8 * static_cast<DWORD>(header.biHeight);
  const DWORD imageBytes = info->bmiHeader.biSizeImage;
  ::GlobalUnlock(block);

  HGLOBAL grown = ::GlobalReAlloc(block, kHeaderBytes + tableBytes + imageBytes, GMEM_MOVEABLE);
  if (grown == nullptr) {
    ::GlobalFree(block);
    return FALSE;
  }
  block = grown;
  info = static_cast<BITMAPINFO*>(::GlobalLock(block));
  BYTE* bits = reinterpret_cast<BYTE*>(info) + kHeaderBytes + tableBytes;
  const int lines =
      ::GetDIBits(screen.hdc(), hBitmap, 0, static_cast<UINT>(header.biHeight), bits, info, DIB_RGB_COLORS);
  ::GlobalUnlock(block);
  if (lines == 0) {
    ::GlobalFree(block);
    return FALSE;
  }
  m_hImage = block;
  return TRUE;
}

BOOL CDib::LoadResource(UINT nID) {
  HBITMAP hBitmap = nullptr;
  try {
    hBitmap = ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nID));
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  if (hBitmap == nullptr) return FALSE;
  const BOOL ok = CreateFromBitmap(hBitmap, nullptr);
  ::DeleteObject(hBitmap);
  return ok;
}

BOOL CDib::LoadFromMemory(HGLOBAL hGlobal) {
  if (hGlobal == nullptr) return FALSE;
  Free();
  // Memory that runs out on the way fails the load; the image stays empty.
  try {
    return LoadPicture(hGlobal);
  } catch (const std::bad_alloc&) {
    Free();
    return FALSE;
  }
}

BOOL CDib::LoadPicture(HGLOBAL hGlobal) {

  // The picture is decoded from the block, and the block is freed right away: it belongs to
  // this call on every path.
  nux::gdi::Surface picture;
  bool decoded = false;
  nux::gdi::ImageFormat format = nux::gdi::ImageFormat::Unknown;
  if (const void* data = ::GlobalLock(hGlobal)) {
    const SIZE_T size = ::GlobalSize(hGlobal);
    format = nux::gdi::DetectImageFormat(data, size);
    // The picture loader reads bitmaps, JPEG, GIF and icons; PNG is not among its formats.
    if (format != nux::gdi::ImageFormat::Png)
      decoded = nux::gdi::DecodeImage(data, size, picture);
    ::GlobalUnlock(hGlobal);
  }
  ::GlobalFree(hGlobal);
  if (!decoded || picture.empty()) return FALSE;

  // The picture's size travels in 0.01 mm, as a picture object reports it, and comes back as
  // pixels of the screen.
  HDC screen = ::GetDC(nullptr);
  const int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX), dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
  const int himetricWidth = ::MulDiv(picture.width(), 2540, dpiX);
  const int himetricHeight = ::MulDiv(picture.height(), 2540, dpiY);
  const int width = ::MulDiv(himetricWidth, dpiX, 2540), height = ::MulDiv(himetricHeight, dpiY, 2540);

  // Rendered upright into a screen-compatible bitmap through a memory DC.
  HBITMAP target = ::CreateCompatibleBitmap(screen, width, height);
  HDC memDC = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  if (target == nullptr || memDC == nullptr) {
    if (memDC != nullptr) ::DeleteDC(memDC);
    if (target != nullptr) ::DeleteObject(target);
    return FALSE;
  }
  HGDIOBJ old = ::SelectObject(memDC, target);
  ComposeOverBlack(picture, format == nux::gdi::ImageFormat::Bmp);
  HBITMAP rendered = nux::gdi::CreateBitmapFromSurface(picture);
  const int pictureWidth = picture.width(), pictureHeight = picture.height();
  picture = nux::gdi::Surface();  // the bitmap holds the pixels now
  if (rendered == nullptr) {
    ::SelectObject(memDC, old);
    ::DeleteDC(memDC);
    ::DeleteObject(target);
    return FALSE;
  }
  HDC pictureDC = ::CreateCompatibleDC(memDC);
  HGDIOBJ oldPicture = ::SelectObject(pictureDC, rendered);
  ::SetStretchBltMode(memDC, COLORONCOLOR);
  ::StretchBlt(memDC, 0, 0, width, height, pictureDC, 0, 0, pictureWidth, pictureHeight, SRCCOPY);
  ::SelectObject(pictureDC, oldPicture);
  ::DeleteDC(pictureDC);
  ::DeleteObject(rendered);

  // The bits are read only once the bitmap is out of the memory DC.
  ::SelectObject(memDC, old);
  const BOOL ok = CreateFromBitmap(target, nullptr);
  ::DeleteObject(target);
  ::DeleteDC(memDC);
  return ok;
}

BOOL CDib::LoadFromFile(LPCWSTR lpszPath, CResourceFile* pResFile) {
  if (lpszPath == nullptr || *lpszPath == 0) return FALSE;
  CResourceFile temporary;
  CResourceFile* file = pResFile != nullptr ? pResFile : &temporary;
  HGLOBAL block = nullptr;
  if (!file->Open(lpszPath)) return FALSE;
  if (!file->ReadAllGlobal(block)) {
    file->Close(FALSE);
    return FALSE;
  }
  file->Close(FALSE);
  const BOOL ok = LoadFromMemory(block);
  m_strName = lpszPath;
  return ok;
}

// ---- drawing ---------------------------------------------------------------------------

BOOL CDib::StretchDraw(CDC* pDC, int nDestLeft, int nDestTop, int nDestRight, int nDestBottom, int nSrcLeft,
                       int nSrcTop, int nSrcRight, int nSrcBottom, DWORD dwRop) {
  const BITMAPINFOHEADER* header = GetHeader();
  if (header == nullptr) return FALSE;
  HDC hdc = pDC->m_hDC;
  if (m_hPalette != nullptr && (::GetDeviceCaps(hdc, RASTERCAPS) & RC_PALETTE) != 0) {
    ::SelectPalette(hdc, m_hPalette, FALSE);
    ::RealizePalette(hdc);
  }
  const int destWidth = nDestRight - nDestLeft, destHeight = nDestBottom - nDestTop;
  const int srcWidth = nSrcRight - nSrcLeft, srcHeight = nSrcBottom - nSrcTop;
  if (destWidth == srcWidth && destHeight == srcHeight) {
    ::SetStretchBltMode(hdc, COLORONCOLOR);
  } else {
    ::SetStretchBltMode(hdc, HALFTONE);
    ::SetBrushOrgEx(hdc, 0, 0, nullptr);
  }
  // The source's top-down rectangle in the bottom-up rows of the image.
  ::StretchDIBits(hdc, nDestLeft, nDestTop, destWidth, destHeight, nSrcLeft, header->biHeight - nSrcBottom, srcWidth,
                  srcHeight, Bits(header), reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS, dwRop);
  return TRUE;
}

BOOL CDib::DrawPart(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, DWORD dwRop) {
  return StretchDraw(pDC, x, y, x + nWidth, y + nHeight, xSrc, ySrc, xSrc + nWidth, ySrc + nHeight, dwRop);
}

BOOL CDib::Draw(CDC* pDC, int x, int y, DWORD dwRop) {
  return DrawPart(pDC, x, y, GetWidth(), GetHeight(), 0, 0, dwRop);
}

BOOL CDib::StretchPart(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                       int nSrcHeight, DWORD dwRop) {
  return StretchDraw(pDC, x, y, x + nWidth, y + nHeight, xSrc, ySrc, xSrc + nSrcWidth, ySrc + nSrcHeight, dwRop);
}

BOOL CDib::StretchDrawRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, DWORD dwRop) {
  return StretchDraw(pDC, rcDest.left, rcDest.top, rcDest.right, rcDest.bottom, rcSrc.left, rcSrc.top, rcSrc.right,
                     rcSrc.bottom, dwRop);
}

BOOL CDib::TileDraw(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth, int nSrcHeight,
                    DWORD dwRop) {
  if (!IsValid()) return FALSE;
  // An empty piece has nothing to tile (and would never cover the area).
  if (nSrcWidth <= 0 || nSrcHeight <= 0) return TRUE;
  DrawPart(pDC, x, y, std::min(nWidth, nSrcWidth), std::min(nHeight, nSrcHeight), xSrc, ySrc, dwRop);
  HDC hdc = pDC->m_hDC;
  // Across: each copy doubles the width of the first row that is already drawn.
  const int rowHeight = std::min(nHeight, nSrcHeight);
  for (long long k = 1, g = nSrcWidth; g < nWidth; k *= 2, g = k * nSrcWidth) {
    const int gap = static_cast<int>(g);
    ::BitBlt(hdc, x + gap, y, std::min(gap, nWidth - gap), rowHeight, hdc, x, y, SRCCOPY);
  }
  // Down: each copy doubles the drawn height.
  for (long long k = 1, g = nSrcHeight; g < nHeight; k *= 2, g = k * nSrcHeight) {
    const int gap = static_cast<int>(g);
    ::BitBlt(hdc, x, y + gap, nWidth, std::min(gap, nHeight - gap), hdc, x, y, SRCCOPY);
  }
  return TRUE;
}

BOOL CDib::TileDrawRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, DWORD dwRop) {
  return TileDraw(pDC, rcDest.left, rcDest.top, rcDest.right - rcDest.left, rcDest.bottom - rcDest.top, rcSrc.left,
                  rcSrc.top, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, dwRop);
}

BOOL CDib::RepeatAcross(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                        int nSrcHeight, BOOL bStretch, DWORD dwRop) {
  if (!IsValid()) return FALSE;
  if (nSrcWidth <= 0 || nSrcHeight <= 0) return TRUE;
  const int first = std::min(nWidth, nSrcWidth);
  if (bStretch) {
    StretchPart(pDC, x, y, first, nHeight, xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
  } else {
    nHeight = std::min(nHeight, nSrcHeight);
    DrawPart(pDC, x, y, first, nHeight, xSrc, ySrc, dwRop);
  }
  HDC hdc = pDC->m_hDC;
  for (long long k = 1, g = nSrcWidth; g < nWidth; k *= 2, g = k * nSrcWidth) {
    const int gap = static_cast<int>(g);
    ::BitBlt(hdc, x + gap, y, std::min(gap, nWidth - gap), nHeight, hdc, x, y, SRCCOPY);
  }
  return TRUE;
}

BOOL CDib::RepeatAcrossRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, BOOL bStretch, DWORD dwRop) {
  return RepeatAcross(pDC, rcDest.left, rcDest.top, rcDest.right - rcDest.left, rcDest.bottom - rcDest.top, rcSrc.left,
                      rcSrc.top, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, bStretch, dwRop);
}

BOOL CDib::RepeatDown(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                      int nSrcHeight, BOOL bStretch, DWORD dwRop) {
  if (!IsValid()) return FALSE;
  if (nSrcWidth <= 0 || nSrcHeight <= 0) return TRUE;
  const int first = std::min(nHeight, nSrcHeight);
  if (bStretch) {
    StretchPart(pDC, x, y, nWidth, first, xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
  } else {
    nWidth = std::min(nWidth, nSrcWidth);
    DrawPart(pDC, x, y, nWidth, first, xSrc, ySrc, dwRop);
  }
  HDC hdc = pDC->m_hDC;
  for (long long k = 1, g = nSrcHeight; g < nHeight; k *= 2, g = k * nSrcHeight) {
    const int gap = static_cast<int>(g);
    ::BitBlt(hdc, x, y + gap, nWidth, std::min(gap, nHeight - gap), hdc, x, y, SRCCOPY);
  }
  return TRUE;
}

BOOL CDib::RepeatDownRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, BOOL bStretch, DWORD dwRop) {
  return RepeatDown(pDC, rcDest.left, rcDest.top, rcDest.right - rcDest.left, rcDest.bottom - rcDest.top, rcSrc.left,
                    rcSrc.top, rcSrc.right - rcSrc.left, rcSrc.bottom - rcSrc.top, bStretch, dwRop);
}
