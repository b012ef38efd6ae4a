// Small drawing helpers: the system font's LOGFONT, fonts by face name and point size, lines.
#pragma once

#include "base/types.h"
#include "gdi/gdi.h"

class CDC;
class CFont;

// Style bits of CreateFontFromFace.
#define NUX_FONT_BOLD 0x02
#define NUX_FONT_ITALIC 0x04
#define NUX_FONT_UNDERLINE 0x08
#define NUX_FONT_STRIKEOUT 0x10

// Fills the structure from the stock system font.
void GetSystemLogFont(LOGFONT* pLogFont);

// A font of the face at a size in points for the screen, with the system font's character
// set, precisions and quality, attached to the CFont. Style: the NUX_FONT_ bits.
BOOL CreateFontFromFace(CFont* pFont, LPCWSTR lpszFace, int nPoints, int nStyle);

// MoveTo (x1, y1), then LineTo (x2, y2) in the current pen: the end point is not drawn.
void DrawLineTo(CDC* pDC, int x1, int y1, int x2, int y2);
