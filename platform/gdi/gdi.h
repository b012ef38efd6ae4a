// The drawing calls: device contexts, GDI objects (pens, brushes, fonts, bitmaps, palettes,
// regions), lines and rectangles, blits, DIBs, alpha blending and text.
//
// Every DC draws into a nux::gdi::Surface (see surface.h). Coordinates are integers with
// exclusive right and bottom edges, as in Windows; the screen has 96 dots per inch and 32 bits
// per pixel, and no palette.
#pragma once

#include <functional>
#include <string>

#include "base/types.h"
#include "gdi/region.h"
#include "gdi/surface.h"

// ---- object types and stock objects ----------------------------------------------
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_MEMDC 10

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

#define CLR_INVALID 0xFFFFFFFF
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

// ---- pens and brushes --------------------------------------------------------------
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN, *LPLOGPEN;

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *LPLOGBRUSH;

// ---- device capabilities -----------------------------------------------------------
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define DT_RASDISPLAY 1
#define RC_BITBLT 1
#define RC_BITMAP64 8
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

// ---- modes ---------------------------------------------------------------------------
#define TRANSPARENT 1
#define OPAQUE 2

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ---- raster operations ---------------------------------------------------------------
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062
#define NOMIRRORBITMAP 0x80000000
#define CAPTUREBLT 0x40000000

// ---- bitmaps and DIBs ----------------------------------------------------------------
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define BI_JPEG 4
#define BI_PNG 5
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *LPBITMAP;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

// ---- alpha blending ------------------------------------------------------------------
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01

typedef struct _BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
} BLENDFUNCTION;

// ---- palettes (no-ops: the screen has no palette) ------------------------------------
typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

// ---- fonts ---------------------------------------------------------------------------
#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_STROKE_PRECIS 2
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *LPLOGFONTW;

typedef struct tagLOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, *LPLOGFONTA;

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW, *LPTEXTMETRICW;

typedef struct tagTEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

// ---- DrawText and ExtTextOut ---------------------------------------------------------
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// ---- device contexts ----------------------------------------------------------------
// An information context (CreateIC) answers GetDeviceCaps and measures text; it draws
// nothing. A memory DC draws into its selected bitmap (a 1 x 1 bitmap until one is selected).
HDC CreateCompatibleDC(HDC hdc);
HDC CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const void* devmode);
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode);
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const void* devmode);
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devmode);
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);  // a positive number, or -1 for the latest
int GetDeviceCaps(HDC hdc, int index);

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);  // a region is selected as the clip region
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);  // stock objects and selected objects are not deleted
DWORD GetObjectType(HGDIOBJ object);
int GetObjectW(HGDIOBJ object, int size, LPVOID out);
int GetObjectA(HGDIOBJ object, int size, LPVOID out);

COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
int SetROP2(HDC hdc, int mode);
int GetROP2(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetBrushOrgEx(HDC hdc, LPPOINT origin);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);
// Logical-to-device offset: device = logical - window origin + viewport origin.
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin);
BOOL LPtoDP(HDC hdc, LPPOINT points, int count);
BOOL DPtoLP(HDC hdc, LPPOINT points, int count);

// ---- clipping (regions in device coordinates) ----------------------------------------
int SelectClipRgn(HDC hdc, HRGN rgn);  // null removes the clip region
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);  // logical
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);    // logical
int GetClipBox(HDC hdc, LPRECT rect);  // logical; kind of the visible clip region
int GetClipRgn(HDC hdc, HRGN rgn);     // 1 with a clip region copied, 0 without one
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, const RECT* rect);

// ---- pens, brushes, palettes ---------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE CreateHalftonePalette(HDC hdc);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);

// ---- drawing -------------------------------------------------------------------------
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);  // CLR_INVALID outside the clip
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position);
BOOL LineTo(HDC hdc, int x, int y);  // the end point itself is not drawn
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
// A brush argument may also be a system colour index + 1, as on Windows.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL DrawFocusRect(HDC hdc, const RECT* rect);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height);
BOOL PaintRgn(HDC hdc, HRGN rgn);
BOOL InvertRgn(HDC hdc, HRGN rgn);

// ---- bitmaps, blits, DIBs ------------------------------------------------------------
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
#define CBM_INIT 0x04
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
// Returns the number of scan lines drawn (the source height), 0 on failure.
int StretchDIBits(HDC hdc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int srcX, int srcY,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT usage);
// The bits of a bitmap that is selected into a DC are not read: 0.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                    int srcWidth, int srcHeight, UINT transparent);
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend);
BOOL GdiFlush();

// ---- fonts and text ------------------------------------------------------------------
HFONT CreateFontIndirectW(const LOGFONTW* font);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR face);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face);
BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics);
BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics);
int GetTextFaceW(HDC hdc, int count, LPWSTR face);
int GetTextFaceA(HDC hdc, int count, LPSTR face);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int length, LPSIZE size);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int length);
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT length,
                 const INT* dx);
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length,
                 const INT* dx);
// Length -1: up to the terminating zero. Returns the height of the text (0 on failure).
int DrawTextW(HDC hdc, LPCWSTR text, int length, LPRECT rect, UINT format);
int DrawTextA(HDC hdc, LPCSTR text, int length, LPRECT rect, UINT format);

// (a * b) / c rounded half away from zero, computed in 64 bits; -1 when c is 0.
int MulDiv(int a, int b, int c);

#ifdef _UNICODE
#define CreateIC CreateICW
#define CreateDC CreateDCW
#define GetObject GetObjectW
#define LOGFONT LOGFONTW
#define LPLOGFONT LPLOGFONTW
#define TEXTMETRIC TEXTMETRICW
#define CreateFontIndirect CreateFontIndirectW
#define CreateFont CreateFontW
#define GetTextMetrics GetTextMetricsW
#define GetTextFace GetTextFaceW
#define GetTextExtentPoint32 GetTextExtentPoint32W
#define TextOut TextOutW
#define ExtTextOut ExtTextOutW
#define DrawText DrawTextW
#else
#define CreateIC CreateICA
#define CreateDC CreateDCA
#define GetObject GetObjectA
#define LOGFONT LOGFONTA
#define LPLOGFONT LPLOGFONTA
#define TEXTMETRIC TEXTMETRICA
#define CreateFontIndirect CreateFontIndirectA
#define CreateFont CreateFontA
#define GetTextMetrics GetTextMetricsA
#define GetTextFace GetTextFaceA
#define GetTextExtentPoint32 GetTextExtentPoint32A
#define TextOut TextOutA
#define ExtTextOut ExtTextOutA
#define DrawText DrawTextA
#endif

namespace nux::gdi {

// The window system tells the drawing layer the system colours (for FillRect with a
// COLOR_ index + 1 as brush) and the screen size (GetDeviceCaps HORZRES/VERTRES of the
// screen). Without them: a light grey and 1024 x 768.
void SetSysColorProvider(std::function<COLORREF(int index)> provider);
void SetScreenSizeProvider(std::function<SIZE()> provider);

// The font file a face name, weight and italic flag map to (Liberation Sans for "Arial",
// "MS Sans Serif", "Small Fonts" and faces not installed; an installed family's own file). Empty when no font file is found.
std::string FontFileFor(const std::u16string& face, bool bold, bool italic);
// Whether text in the face is drawn in that face: a Windows face name the layer maps, or a
// family installed on the system (fontconfig's match of that very family).
bool FontFamilyAvailable(const std::u16string& face);

}  // namespace nux::gdi
