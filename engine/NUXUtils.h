// Text helpers shared by the whole viewer engine: case-insensitive searches, a hexadecimal
// parser, replace-all, colour text and value swaps and the decoding of numeric character
// references. The file, field and path helpers have headers of their own, included here so that
// one include brings every helper (NUXIndex.h: the index helper of table definitions).
//
// Lengths and indexes count UTF-16 code units and start at 0. Case-insensitive comparisons fold
// only the ASCII letters a to z, as the run-time library's default locale does.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

#include "FieldSplitter.h"
#include "FileHelpers.h"
#include "NUXIndex.h"
#include "PathParts.h"

class CDC;

// Index of the first occurrence of `what` in `text` at or after `start`, both compared
// upper-cased; -1 when not found or when `start` lies below 0 or past the end of the text.
int FindNoCase(const CString& text, const CString& what, int start);

// The smallest index at or after `start` at which any of the `count` search strings (LPCWSTR,
// passed after the count) occurs in `text`, compared upper-cased. -1 when none occurs, when
// `count` is 0 or `start` is out of range. A null string ends the list early. Only indexes below
// 65535 are found.
int FindFirstOfNoCase(const CString& text, int start, int count, ...);

// Value of hexadecimal text. Characters are weighted by their distance from the end; anything
// that is not a hexadecimal digit counts as 0 without stopping the walk ("#FF" gives 255). The
// sum wraps in 32 bits.
int HexToInt(const CString& text);

// Replaces the occurrences of `what` in `text` by `with`; TRUE when at least one was replaced.
// A replacement shorter than two characters is searched again from its own start, so "( " by "("
// collapses a run of blanks after the bracket. An empty `what`, or a one-character `with` equal to
// `what`, would never end and gives FALSE with the text unchanged.
BOOL ReplaceAll(CString& text, const CString& what, const CString& with);

// Turns the colour text RRGGBB into BBGGRR so that HexToInt gives a COLORREF. Texts of five
// characters or fewer stay as they are; characters after the sixth are dropped.
void RgbTextToBgr(CString& text);

// Exchanges the lowest and the third byte of a colour written as 0xRRGGBB and clears the highest
// byte, giving the COLORREF 0x00BBGGRR.
COLORREF SwapRGB(COLORREF value);

// Draws a line from (x1, y1) to (x2, y2) with a solid pen one pixel wide in the colour; the end
// point itself is not painted. The previous pen is selected back.
void DrawLine(CDC* pDC, int x1, int y1, int x2, int y2, COLORREF color);

// Replaces numeric character references ("&#66;", "&#x41;") by their character. A reference whose
// ";" lies 10 or more characters after the "&" stays as it is; a value of 0 (also after keeping
// the low 16 bits) becomes "X".
void DecodeCharRefs(CString& text);
