// The C run-time's string functions for the system's wide strings (UTF-16, char16_t) as
// overloads in the global namespace, the run-time's 8-bit extensions (_stricmp, _snprintf ...),
// and a printf-style formatter with the Windows run-time's rules.
//
// Character classes and case changes follow the classic ("C") locale: only the ASCII letters
// change case, and the case-insensitive comparisons fold only A-Z.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/types.h"

#ifndef _ERRNO_T_DEFINED
#define _ERRNO_T_DEFINED
typedef int errno_t;
#endif

#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

// ---- wide strings -----------------------------------------------------------------
size_t wcslen(const char16_t* s);
size_t wcsnlen(const char16_t* s, size_t max);
char16_t* wcscpy(char16_t* dst, const char16_t* src);
char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t count);  // pads with NULs, as the C library does
char16_t* wcscat(char16_t* dst, const char16_t* src);
char16_t* wcsncat(char16_t* dst, const char16_t* src, size_t count);  // always terminates
int wcscmp(const char16_t* a, const char16_t* b);
int wcsncmp(const char16_t* a, const char16_t* b, size_t count);
int _wcsicmp(const char16_t* a, const char16_t* b);
int _wcsnicmp(const char16_t* a, const char16_t* b, size_t count);
int wcscoll(const char16_t* a, const char16_t* b);
int _wcsicoll(const char16_t* a, const char16_t* b);
const char16_t* wcschr(const char16_t* s, char16_t c);
char16_t* wcschr(char16_t* s, char16_t c);
const char16_t* wcsrchr(const char16_t* s, char16_t c);
char16_t* wcsrchr(char16_t* s, char16_t c);
const char16_t* wcsstr(const char16_t* s, const char16_t* find);
char16_t* wcsstr(char16_t* s, const char16_t* find);
const char16_t* wcspbrk(const char16_t* s, const char16_t* set);
char16_t* wcspbrk(char16_t* s, const char16_t* set);
size_t wcsspn(const char16_t* s, const char16_t* set);
size_t wcscspn(const char16_t* s, const char16_t* set);
char16_t* wcstok(char16_t* s, const char16_t* delimiters, char16_t** context);
char16_t* _wcsdup(const char16_t* s);  // free() the copy
char16_t* _wcsupr(char16_t* s);
char16_t* _wcslwr(char16_t* s);
char16_t* _wcsrev(char16_t* s);

// The secure forms: on a NULL argument they return EINVAL, on too small a destination ERANGE
// (or STRUNCATE with _TRUNCATE), leaving the destination empty.
errno_t wcscpy_s(char16_t* dst, size_t size, const char16_t* src);
errno_t wcsncpy_s(char16_t* dst, size_t size, const char16_t* src, size_t count);
errno_t wcscat_s(char16_t* dst, size_t size, const char16_t* src);
template <size_t N>
errno_t wcscpy_s(char16_t (&dst)[N], const char16_t* src) {
  return wcscpy_s(dst, N, src);
}
template <size_t N>
errno_t wcsncpy_s(char16_t (&dst)[N], const char16_t* src, size_t count) {
  return wcsncpy_s(dst, N, src, count);
}
template <size_t N>
errno_t wcscat_s(char16_t (&dst)[N], const char16_t* src) {
  return wcscat_s(dst, N, src);
}

// Numbers. LONG and ULONG are 32 bits, as on Windows: out of range gives LONG_MIN/LONG_MAX
// (ULONG max) and errno ERANGE.
LONG wcstol(const char16_t* s, char16_t** end, int base);
ULONG wcstoul(const char16_t* s, char16_t** end, int base);
LONGLONG _wcstoi64(const char16_t* s, char16_t** end, int base);
ULONGLONG _wcstoui64(const char16_t* s, char16_t** end, int base);
double wcstod(const char16_t* s, char16_t** end);
int _wtoi(const char16_t* s);
LONG _wtol(const char16_t* s);
LONGLONG _wtoi64(const char16_t* s);
double _wtof(const char16_t* s);

char16_t* _itow(int value, char16_t* buffer, int radix);
char16_t* _ltow(LONG value, char16_t* buffer, int radix);
char16_t* _ultow(ULONG value, char16_t* buffer, int radix);
char16_t* _i64tow(LONGLONG value, char16_t* buffer, int radix);
char16_t* _ui64tow(ULONGLONG value, char16_t* buffer, int radix);

// Character classes of wide characters.
int iswspace(char16_t c);
int iswdigit(char16_t c);
int iswxdigit(char16_t c);
int iswalpha(char16_t c);
int iswalnum(char16_t c);
int iswupper(char16_t c);
int iswlower(char16_t c);
int iswpunct(char16_t c);
int iswcntrl(char16_t c);
char16_t towupper(char16_t c);
char16_t towlower(char16_t c);

// Formatting into wide buffers. swprintf with a count is the standard form: it returns -1 when
// the text does not fit and then leaves the truncated text terminated. _snwprintf and
// _vsnwprintf are the Windows forms: -1 when the text does not fit, and the buffer is then
// not terminated. swprintf without a count assumes the buffer is large enough.
int swprintf(char16_t* buffer, size_t count, const char16_t* format, ...);
int swprintf(char16_t* buffer, const char16_t* format, ...);
int vswprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args);
int _snwprintf(char16_t* buffer, size_t count, const char16_t* format, ...);
int _vsnwprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args);
int _scwprintf(const char16_t* format, ...);
int _vscwprintf(const char16_t* format, va_list args);
int swprintf_s(char16_t* buffer, size_t count, const char16_t* format, ...);
template <size_t N, typename... Args>
int swprintf_s(char16_t (&buffer)[N], const char16_t* format, Args... args) {
  return swprintf_s(buffer, N, format, args...);
}

// ---- 8-bit strings ----------------------------------------------------------------
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
int _stricoll(const char* a, const char* b);
char* _strupr(char* s);
char* _strlwr(char* s);
char* _strrev(char* s);
char* _strdup(const char* s);
// -1 when the text does not fit; the buffer is then not terminated.
int _snprintf(char* buffer, size_t count, const char* format, ...);
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
int _scprintf(const char* format, ...);
int _vscprintf(const char* format, va_list args);
errno_t strcpy_s(char* dst, size_t size, const char* src);
errno_t strncpy_s(char* dst, size_t size, const char* src, size_t count);
errno_t strcat_s(char* dst, size_t size, const char* src);
template <size_t N>
errno_t strcpy_s(char (&dst)[N], const char* src) {
  return strcpy_s(dst, N, src);
}
template <size_t N>
errno_t strncpy_s(char (&dst)[N], const char* src, size_t count) {
  return strncpy_s(dst, N, src, count);
}
template <size_t N>
errno_t strcat_s(char (&dst)[N], const char* src) {
  return strcat_s(dst, N, src);
}
int sprintf_s(char* buffer, size_t count, const char* format, ...);
template <size_t N, typename... Args>
int sprintf_s(char (&buffer)[N], const char* format, Args... args) {
  return sprintf_s(buffer, N, format, args...);
}
char* _itoa(int value, char* buffer, int radix);
char* _ltoa(LONG value, char* buffer, int radix);
char* _ultoa(ULONG value, char* buffer, int radix);
char* _i64toa(LONGLONG value, char* buffer, int radix);
char* _ui64toa(ULONGLONG value, char* buffer, int radix);
LONGLONG _atoi64(const char* s);

namespace nux {

// printf-style formatting with the Windows run-time's rules:
//  - in a wide format %s and %ls (%ws) take a wide string, %S and %hs a narrow one; in a narrow
//    format %s and %hs take a narrow string, %S and %ls a wide one; %c/%C likewise. The other
//    kind is converted through the ANSI code page (Windows-1252).
//  - flags - + space # 0, width, precision, '*' for either; length modifiers hh h l ll L j z
//    t w I I32 I64 (l is 32 bits, as LONG is).
//  - conversions d i u o x X c C s S e E f F g G a A p %; %n writes nothing.
//  - a NULL string pointer prints "(null)".
std::u16string FormatV(const char16_t* format, va_list args);
std::string FormatV(const char* format, va_list args);
std::u16string Format(const char16_t* format, ...);
std::string Format(const char* format, ...);

// As FormatV, but takes the arguments from *args and leaves it past the ones consumed (for
// callers that format piece by piece from one argument list).
std::u16string FormatFromList(const char16_t* format, va_list* args);
std::string FormatFromList(const char* format, va_list* args);

}  // namespace nux

// ---- TCHAR forms ------------------------------------------------------------------
// The run-time's generic-text names, following the translation unit's character set like
// TCHAR: the wide functions above with _UNICODE, the 8-bit C functions without it.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _UNICODE
#define _tcslen wcslen
#define _tcscpy wcscpy
#define _tcsncpy wcsncpy
#define _tcscat wcscat
#define _tcsncat wcsncat
#define _tcscmp wcscmp
#define _tcsncmp wcsncmp
#define _tcsicmp _wcsicmp
#define _tcsnicmp _wcsnicmp
#define _tcschr wcschr
#define _tcsrchr wcsrchr
#define _tcsstr wcsstr
#define _tcspbrk wcspbrk
#define _tcsspn wcsspn
#define _tcscspn wcscspn
#define _tcsdup _wcsdup
#define _tcsupr _wcsupr
#define _tcslwr _wcslwr
#define _tcstol wcstol
#define _tcstoul wcstoul
#define _tcstod wcstod
#define _ttoi _wtoi
#define _ttol _wtol
#define _ttoi64 _wtoi64
#define _tstof _wtof
#define _ttof _wtof
#define _itot _itow
#define _ltot _ltow
#define _ultot _ultow
#define _istspace iswspace
#define _istdigit iswdigit
#define _istxdigit iswxdigit
#define _istalpha iswalpha
#define _istalnum iswalnum
#define _istupper iswupper
#define _istlower iswlower
#define _totupper towupper
#define _totlower towlower
#define _tcscpy_s wcscpy_s
#define _tcsncpy_s wcsncpy_s
#define _tcscat_s wcscat_s
#define _stprintf swprintf
#define _stprintf_s swprintf_s
#define _sntprintf _snwprintf
#define _vsntprintf _vsnwprintf
#define _sctprintf _scwprintf
#define _vsctprintf _vscwprintf
#else
#define _tcslen strlen
#define _tcscpy strcpy
#define _tcsncpy strncpy
#define _tcscat strcat
#define _tcsncat strncat
#define _tcscmp strcmp
#define _tcsncmp strncmp
#define _tcsicmp _stricmp
#define _tcsnicmp _strnicmp
#define _tcschr strchr
#define _tcsrchr strrchr
#define _tcsstr strstr
#define _tcspbrk strpbrk
#define _tcsspn strspn
#define _tcscspn strcspn
#define _tcsdup _strdup
#define _tcsupr _strupr
#define _tcslwr _strlwr
#define _tcstol strtol
#define _tcstoul strtoul
#define _tcstod strtod
#define _ttoi atoi
#define _ttol atol
#define _ttoi64 _atoi64
#define _tstof atof
#define _ttof atof
#define _itot _itoa
#define _ltot _ltoa
#define _ultot _ultoa
#define _istspace isspace
#define _istdigit isdigit
#define _istxdigit isxdigit
#define _istalpha isalpha
#define _istalnum isalnum
#define _istupper isupper
#define _istlower islower
#define _totupper toupper
#define _totlower tolower
#define _tcscpy_s strcpy_s
#define _tcsncpy_s strncpy_s
#define _tcscat_s strcat_s
#define _stprintf sprintf
#define _stprintf_s sprintf_s
#define _sntprintf _snprintf
#define _vsntprintf _vsnprintf
#define _sctprintf _scprintf
#define _vsctprintf _vscprintf
#endif
