// Code pages: the ANSI code page is Windows-1252, the OEM code page is 850; UTF-16 is the wide
// form. Linux file names are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "base/types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

// As on Windows: a length of -1 means NUL-terminated (the NUL is converted and counted); an
// output size of 0 asks for the size needed; too small an output gives 0 with
// ERROR_INSUFFICIENT_BUFFER. Code pages: CP_ACP and 1252, CP_OEMCP and 850, CP_UTF8.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

// CP850 <-> CP1252 in place or into another buffer of the same length.
BOOL OemToCharBuffA(LPCSTR src, LPSTR dst, DWORD length);
BOOL CharToOemBuffA(LPCSTR src, LPSTR dst, DWORD length);
BOOL OemToCharBuffW(LPCSTR src, LPWSTR dst, DWORD length);
BOOL CharToOemBuffW(LPCWSTR src, LPSTR dst, DWORD length);

namespace nux {

std::string ToUtf8(std::u16string_view text);  // lone surrogates become U+FFFD
std::u16string FromUtf8(std::string_view text);  // invalid bytes become U+FFFD
std::u16string AnsiToWide(std::string_view text);  // Windows-1252
std::string WideToAnsi(std::u16string_view text);  // Windows-1252, unmappable -> '?'
std::u16string OemToWide(std::string_view text);   // code page 850
std::string WideToOem(std::u16string_view text);   // code page 850, unmappable -> '?'

// Classic-locale case folding: only the letters a-z / A-Z change.
inline char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
inline char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

}  // namespace nux
