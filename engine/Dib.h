// CDib: one image kept as a packed device-independent bitmap (a 40-byte header, the colour
// table, then the pixel rows bottom-up) in a global memory block, drawn into any device
// context: a piece at its own size, stretched, tiled, or repeated along one axis.
//
// Images come from bitmap handles, from the library's bitmap resources, or from picture files
// (bitmap, JPEG, GIF, icon) held in memory or read through a CResourceFile (a loose file or an
// entry of a ".nux" archive).
//
// Drawing operations return FALSE only when no image is held. Source coordinates count from
// the image's top-left corner; the raster operation is the caller's. Tiling and repeating draw
// the piece once and then double the covered area with copies on the target itself.
#pragma once

#include "base/types.h"
#include "gdi/gdi.h"
#include "mfc/cstring.h"

class CDC;
class CResourceFile;

class CDib {
 public:
  CDib();
  ~CDib();
  CDib(const CDib&) = delete;
  CDib& operator=(const CDib&) = delete;

  // Frees the image and the palette; the name becomes "".
  void Free();
  BOOL IsValid() const { return m_hImage != nullptr; }
  int GetWidth() const;
  int GetHeight() const;
  // The file the image was loaded from; "" otherwise.
  const CString& GetName() const { return m_strName; }
  // The packed image (header, colour table, rows); null when empty.
  const BITMAPINFOHEADER* GetHeader() const;

  // ---- loading ----
  // The bitmap's pixels as a DIB of its own depth, read through the screen DC with the palette
  // (the stock default palette when null). The bitmap must not be selected into a DC.
  BOOL CreateFromBitmap(HBITMAP hBitmap, HPALETTE hPalette);
  // The bitmap resource with that id of the current resource module; FALSE when there is none
  // or it cannot be converted.
  BOOL LoadResource(UINT nID);
  // A picture file held in a global block. The block is taken over: it is freed exactly once,
  // whatever the outcome. FALSE (image empty) for a null block or data that is no picture.
  BOOL LoadFromMemory(HGLOBAL hGlobal);
  // A picture file through the resource file (a temporary one when null). An empty path, or a
  // file that cannot be opened or read, gives FALSE with the image unchanged; otherwise the
  // name becomes the path, also when the data is no picture.
  BOOL LoadFromFile(LPCWSTR lpszPath, CResourceFile* pResFile);

  // ---- drawing ----
  BOOL StretchDraw(CDC* pDC, int nDestLeft, int nDestTop, int nDestRight, int nDestBottom, int nSrcLeft,
                   int nSrcTop, int nSrcRight, int nSrcBottom, DWORD dwRop);
  BOOL DrawPart(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, DWORD dwRop);
  BOOL Draw(CDC* pDC, int x, int y, DWORD dwRop);
  BOOL StretchPart(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                   int nSrcHeight, DWORD dwRop);
  BOOL StretchDrawRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, DWORD dwRop);
  BOOL TileDraw(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth, int nSrcHeight,
                DWORD dwRop);
  BOOL TileDrawRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, DWORD dwRop);
  BOOL RepeatAcross(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, BOOL bStretch, DWORD dwRop);
  BOOL RepeatAcrossRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, BOOL bStretch, DWORD dwRop);
  BOOL RepeatDown(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, BOOL bStretch, DWORD dwRop);
  BOOL RepeatDownRect(CDC* pDC, const RECT& rcDest, const RECT& rcSrc, BOOL bStretch, DWORD dwRop);

 private:
  // LoadFromMemory's and CreateFromBitmap's work once the image is empty; they may throw
  // std::bad_alloc.
  BOOL LoadPicture(HGLOBAL hGlobal);
  BOOL ConvertBitmap(HBITMAP hBitmap, HPALETTE hPalette);
  // The pixel rows inside the block: after the header and the colour table.
  const BYTE* Bits(const BITMAPINFOHEADER* pHeader) const;

  HGLOBAL m_hImage;      // the packed DIB; null when empty
  HPALETTE m_hPalette;   // realised when drawing on palette devices; never set by the loaders
  CString m_strName;     // path of the file the image came from
};
