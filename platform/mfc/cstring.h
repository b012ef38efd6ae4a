// The class library's string: CStringT<CharT> with CStringW (UTF-16) and CStringA (8-bit,
// Windows-1252), and CString following the translation unit's character set.
//
// Conversions between the two kinds go through the ANSI code page. Case changes and
// case-insensitive comparisons follow the classic locale (only A-Z / a-z). Lengths and indexes
// count code units. The buffer is the string's own (no sharing between copies).
#pragma once

#include <cstdarg>
#include <cstring>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/textcase.h"
#include "base/types.h"
#include "base/wstr.h"
#include "mfc/object.h"
#include "res/resources.h"

[[noreturn]] void AFXAPI AfxThrowMemoryException();
[[noreturn]] void AFXAPI AfxThrowInvalidArgException();

namespace nux::strdetail {

// The character functions of one character kind.
template <typename CharT>
struct Traits;

template <>
struct Traits<char16_t> {
  using Other = char;
  static int Compare(const char16_t* a, const char16_t* b) { return wcscmp(a, b); }
  static int CompareNoCase(const char16_t* a, const char16_t* b) { return _wcsicmp(a, b); }
  static int Collate(const char16_t* a, const char16_t* b) { return wcscoll(a, b); }
  static int CollateNoCase(const char16_t* a, const char16_t* b) { return _wcsicoll(a, b); }
  static std::u16string FromOther(const char* s, size_t n) { return nux::AnsiToWide(std::string_view(s, n)); }
  static std::u16string FormatV(const char16_t* f, va_list a) { return nux::FormatV(f, a); }
  static int LoadString(HINSTANCE h, UINT id, char16_t* buf, int max) { return ::LoadStringW(h, id, buf, max); }
  static DWORD FormatMessage(DWORD f, LPCVOID s, DWORD id, DWORD l, char16_t* b, DWORD n, va_list* a) {
    return ::FormatMessageW(f, s, id, l, b, n, a);
  }
};

template <>
struct Traits<char> {
  using Other = char16_t;
  static int Compare(const char* a, const char* b) { return std::strcmp(a, b); }
  static int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }
  static int Collate(const char* a, const char* b) { return std::strcmp(a, b); }
  static int CollateNoCase(const char* a, const char* b) { return _stricmp(a, b); }
  static std::string FromOther(const char16_t* s, size_t n) { return nux::WideToAnsi(std::u16string_view(s, n)); }
  static std::string FormatV(const char* f, va_list a) { return nux::FormatV(f, a); }
  static int LoadString(HINSTANCE h, UINT id, char* buf, int max) { return ::LoadStringA(h, id, buf, max); }
  static DWORD FormatMessage(DWORD f, LPCVOID s, DWORD id, DWORD l, char* b, DWORD n, va_list* a) {
    return ::FormatMessageA(f, s, id, l, b, n, a);
  }
};

template <typename CharT>
inline int Length(const CharT* s) {
  if (s == nullptr) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return int(n);
}

// White space of the classic locale.
template <typename CharT>
inline bool IsSpace(CharT c) {
  return c == CharT(' ') || (c >= CharT(9) && c <= CharT(13));
}

template <typename CharT>
inline bool InSet(CharT c, const CharT* set) {
  for (; *set; ++set) {
    if (*set == c) return true;
  }
  return false;
}

}  // namespace nux::strdetail

template <typename CharT>
class CStringT {
  using Traits = nux::strdetail::Traits<CharT>;

 public:
  using XCHAR = CharT;
  using PXSTR = CharT*;
  using PCXSTR = const CharT*;
  using YCHAR = typename Traits::Other;
  using PYSTR = YCHAR*;
  using PCYSTR = const YCHAR*;

  // ---- construction -------------------------------------------------------------
  CStringT() noexcept = default;
  CStringT(const CStringT& other) { SetString(other.GetString(), other.GetLength()); }
  CStringT(CStringT&& other) noexcept
      : m_p(std::exchange(other.m_p, nullptr)),
        m_len(std::exchange(other.m_len, 0)),
        m_cap(std::exchange(other.m_cap, 0)) {}
  // A string of the other kind, converted through the ANSI code page.
  CStringT(const CStringT<YCHAR>& other) { AssignOther(other.GetString(), other.GetLength()); }
  // A NULL pointer gives an empty string; a resource id made with MAKEINTRESOURCE loads that
  // string resource.
  CStringT(PCXSTR psz) {
    if (psz != nullptr && IS_INTRESOURCE(psz)) {
      LoadString(UINT(LOWORD(reinterpret_cast<ULONG_PTR>(psz))));
    } else {
      SetString(psz);
    }
  }
  CStringT(PCYSTR psz) {
    if (psz != nullptr && IS_INTRESOURCE(psz)) {
      LoadString(UINT(LOWORD(reinterpret_cast<ULONG_PTR>(psz))));
    } else {
      AssignOther(psz, nux::strdetail::Length(psz));
    }
  }
  CStringT(const unsigned char* psz) : CStringT(reinterpret_cast<const char*>(psz)) {}
  CStringT(PCXSTR pch, int nLength) { SetString(pch, nLength); }
  CStringT(PCYSTR pch, int nLength) {
    if (nLength < 0 || (pch == nullptr && nLength > 0)) AfxThrowInvalidArgException();
    AssignOther(pch, nLength);
  }
  // The character repeated nLength times (none for a length below 1).
  CStringT(CharT ch, int nLength = 1) {
    if (nLength > 0) {
      PXSTR p = GetBuffer(nLength);
      for (int i = 0; i < nLength; ++i) p[i] = ch;
      ReleaseBufferSetLength(nLength);
    }
  }
  template <typename Y = YCHAR, typename = std::enable_if_t<std::is_same_v<Y, YCHAR>>>
  CStringT(Y ch, int nLength = 1) {
    YCHAR one[1] = {ch};
    CStringT converted(one, 1);
    CharT c = converted.IsEmpty() ? CharT('?') : converted[0];
    *this = CStringT(c, nLength);
  }
  CStringT(const std::basic_string<CharT>& s) { SetString(s.data(), int(s.size())); }

  ~CStringT() { delete[] m_p; }

  // ---- assignment ---------------------------------------------------------------
  CStringT& operator=(const CStringT& other) {
    if (this != &other) SetString(other.GetString(), other.GetLength());
    return *this;
  }
  CStringT& operator=(CStringT&& other) noexcept {
    if (this != &other) {
      delete[] m_p;
      m_p = std::exchange(other.m_p, nullptr);
      m_len = std::exchange(other.m_len, 0);
      m_cap = std::exchange(other.m_cap, 0);
    }
    return *this;
  }
  CStringT& operator=(const CStringT<YCHAR>& other) {
    AssignOther(other.GetString(), other.GetLength());
    return *this;
  }
  CStringT& operator=(PCXSTR psz) {
    SetString(psz);
    return *this;
  }
  CStringT& operator=(PCYSTR psz) {
    AssignOther(psz, nux::strdetail::Length(psz));
    return *this;
  }
  CStringT& operator=(const unsigned char* psz) { return operator=(reinterpret_cast<const char*>(psz)); }
  CStringT& operator=(CharT ch) {
    SetString(&ch, 1);
    return *this;
  }
  CStringT& operator=(const std::basic_string<CharT>& s) {
    SetString(s.data(), int(s.size()));
    return *this;
  }

  // Sets the text from a pointer (NULL gives empty) and an optional length. The source may
  // lie inside this string's own buffer.
  void SetString(PCXSTR psz) { SetString(psz, nux::strdetail::Length(psz)); }
  void SetString(PCXSTR psz, int nLength) {
    if (nLength < 0 || (psz == nullptr && nLength > 0)) AfxThrowInvalidArgException();
    if (m_p != nullptr && psz >= m_p && psz <= m_p + m_cap) {
      // Overlapping: the text is part of this string.
      int offset = int(psz - m_p);
      std::memmove(m_p, m_p + offset, size_t(nLength) * sizeof(CharT));
    } else {
      Reserve(nLength, false);
      if (nLength > 0) std::memcpy(m_p, psz, size_t(nLength) * sizeof(CharT));
    }
    SetLength(nLength);
  }

  // ---- the text -----------------------------------------------------------------
  int GetLength() const noexcept { return m_len; }
  bool IsEmpty() const noexcept { return m_len == 0; }
  void Empty() noexcept {
    if (m_p != nullptr) {
      m_len = 0;
      m_p[0] = 0;
    }
  }
  PCXSTR GetString() const noexcept { return m_p != nullptr ? m_p : EmptyText(); }
  operator PCXSTR() const noexcept { return GetString(); }
  int GetAllocLength() const noexcept { return m_cap; }

  // Index GetLength() reads the terminating NUL, as the class library allows.
  CharT GetAt(int iChar) const {
    if (iChar < 0 || iChar > m_len) AfxThrowInvalidArgException();
    if (m_p == nullptr) return CharT(0);  // no buffer: the only valid index is the terminator
    return m_p[iChar];
  }
  CharT operator[](int iChar) const { return GetAt(iChar); }
  void SetAt(int iChar, CharT ch) {
    if (iChar < 0 || iChar >= m_len) AfxThrowInvalidArgException();
    m_p[iChar] = ch;
  }

  std::basic_string<CharT> str() const { return std::basic_string<CharT>(GetString(), size_t(m_len)); }

  // ---- concatenation ------------------------------------------------------------
  void Append(PCXSTR psz, int nLength) {
    if (nLength < 0 || (psz == nullptr && nLength > 0)) AfxThrowInvalidArgException();
    if (nLength == 0) return;
    if (m_p != nullptr && psz >= m_p && psz <= m_p + m_cap) {
      CStringT copy(psz, nLength);  // the text is part of this string
      Append(copy.GetString(), nLength);
      return;
    }
    int newLength = m_len + nLength;
    Reserve(newLength, true);
    std::memcpy(m_p + m_len, psz, size_t(nLength) * sizeof(CharT));
    SetLength(newLength);
  }
  void Append(PCXSTR psz) { Append(psz, nux::strdetail::Length(psz)); }
  void Append(const CStringT& s) { Append(s.GetString(), s.GetLength()); }
  void AppendChar(CharT ch) { Append(&ch, 1); }

  CStringT& operator+=(const CStringT& s) {
    Append(s);
    return *this;
  }
  CStringT& operator+=(PCXSTR psz) {
    Append(psz);
    return *this;
  }
  CStringT& operator+=(PCYSTR psz) {
    Append(CStringT(psz));
    return *this;
  }
  CStringT& operator+=(const CStringT<YCHAR>& s) {
    Append(CStringT(s));
    return *this;
  }
  CStringT& operator+=(CharT ch) {
    AppendChar(ch);
    return *this;
  }
  template <typename Y = YCHAR, typename = std::enable_if_t<std::is_same_v<Y, YCHAR>>>
  CStringT& operator+=(Y ch) {
    Append(CStringT(ch));
    return *this;
  }

  friend CStringT operator+(const CStringT& a, const CStringT& b) {
    CStringT r(a);
    r.Append(b);
    return r;
  }
  friend CStringT operator+(const CStringT& a, PCXSTR b) {
    CStringT r(a);
    r.Append(b);
    return r;
  }
  friend CStringT operator+(PCXSTR a, const CStringT& b) {
    CStringT r(a);
    r.Append(b);
    return r;
  }
  friend CStringT operator+(const CStringT& a, CharT b) {
    CStringT r(a);
    r.AppendChar(b);
    return r;
  }
  friend CStringT operator+(CharT a, const CStringT& b) {
    CStringT r(a, 1);
    r.Append(b);
    return r;
  }

  // ---- comparison ---------------------------------------------------------------
  int Compare(PCXSTR psz) const { return Traits::Compare(GetString(), NonNull(psz)); }
  int CompareNoCase(PCXSTR psz) const { return Traits::CompareNoCase(GetString(), NonNull(psz)); }
  int Collate(PCXSTR psz) const { return Traits::Collate(GetString(), NonNull(psz)); }
  int CollateNoCase(PCXSTR psz) const { return Traits::CollateNoCase(GetString(), NonNull(psz)); }

  friend bool operator==(const CStringT& a, const CStringT& b) {
    return a.m_len == b.m_len && std::memcmp(a.GetString(), b.GetString(), size_t(a.m_len) * sizeof(CharT)) == 0;
  }
  friend bool operator==(const CStringT& a, PCXSTR b) { return a.Compare(b) == 0; }
  friend bool operator==(PCXSTR a, const CStringT& b) { return b.Compare(a) == 0; }
  friend bool operator==(const CStringT& a, CharT b) { return a.m_len == 1 && a.m_p[0] == b; }
  friend bool operator==(CharT a, const CStringT& b) { return b == a; }
  friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
  friend bool operator!=(const CStringT& a, PCXSTR b) { return !(a == b); }
  friend bool operator!=(PCXSTR a, const CStringT& b) { return !(b == a); }
  friend bool operator!=(const CStringT& a, CharT b) { return !(a == b); }
  friend bool operator!=(CharT a, const CStringT& b) { return !(b == a); }
  friend bool operator<(const CStringT& a, const CStringT& b) { return a.Compare(b.GetString()) < 0; }
  friend bool operator<(const CStringT& a, PCXSTR b) { return a.Compare(b) < 0; }
  friend bool operator<(PCXSTR a, const CStringT& b) { return b.Compare(a) > 0; }
  friend bool operator>(const CStringT& a, const CStringT& b) { return a.Compare(b.GetString()) > 0; }
  friend bool operator>(const CStringT& a, PCXSTR b) { return a.Compare(b) > 0; }
  friend bool operator>(PCXSTR a, const CStringT& b) { return b.Compare(a) < 0; }
  friend bool operator<=(const CStringT& a, const CStringT& b) { return a.Compare(b.GetString()) <= 0; }
  friend bool operator<=(const CStringT& a, PCXSTR b) { return a.Compare(b) <= 0; }
  friend bool operator<=(PCXSTR a, const CStringT& b) { return b.Compare(a) >= 0; }
  friend bool operator>=(const CStringT& a, const CStringT& b) { return a.Compare(b.GetString()) >= 0; }
  friend bool operator>=(const CStringT& a, PCXSTR b) { return a.Compare(b) >= 0; }
  friend bool operator>=(PCXSTR a, const CStringT& b) { return b.Compare(a) <= 0; }

  // ---- searching ----------------------------------------------------------------
  // Index of the character at or after iStart; -1 when there is none or iStart is out of range.
  int Find(CharT ch, int iStart = 0) const {
    if (iStart < 0 || iStart >= m_len) return -1;
    for (int i = iStart; i < m_len; ++i) {
      if (m_p[i] == ch) return i;
    }
    return -1;
  }
  // Index of the text at or after iStart; -1 when there is none or iStart is past the end.
  int Find(PCXSTR pszSub, int iStart = 0) const {
    if (pszSub == nullptr || iStart < 0 || iStart > m_len) return -1;
    int n = nux::strdetail::Length(pszSub);
    PCXSTR s = GetString();
    for (int i = iStart; i + n <= m_len; ++i) {
      if (std::memcmp(s + i, pszSub, size_t(n) * sizeof(CharT)) == 0) return i;
    }
    return -1;
  }
  int ReverseFind(CharT ch) const {
    for (int i = m_len - 1; i >= 0; --i) {
      if (m_p[i] == ch) return i;
    }
    return -1;
  }
  int FindOneOf(PCXSTR pszCharSet) const {
    if (pszCharSet == nullptr) return -1;
    for (int i = 0; i < m_len; ++i) {
      if (nux::strdetail::InSet(m_p[i], pszCharSet)) return i;
    }
    return -1;
  }

  // ---- extraction ---------------------------------------------------------------
  // Counts and starts out of range are clamped: a negative start counts as 0, a negative count
  // as 0, and a count past the end stops at the end.
  CStringT Mid(int iFirst) const { return Mid(iFirst, m_len - (iFirst < 0 ? 0 : iFirst)); }
  CStringT Mid(int iFirst, int nCount) const {
    if (iFirst < 0) iFirst = 0;
    if (nCount < 0) nCount = 0;
    if (iFirst > m_len) return CStringT();
    if (nCount > m_len - iFirst) nCount = m_len - iFirst;
    return CStringT(GetString() + iFirst, nCount);
  }
  CStringT Left(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_len) nCount = m_len;
    return CStringT(GetString(), nCount);
  }
  CStringT Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_len) nCount = m_len;
    return CStringT(GetString() + m_len - nCount, nCount);
  }
  // The leading characters that are (are not) in the set.
  CStringT SpanIncluding(PCXSTR pszCharSet) const {
    if (pszCharSet == nullptr) AfxThrowInvalidArgException();
    int n = 0;
    while (n < m_len && nux::strdetail::InSet(m_p[n], pszCharSet)) ++n;
    return Left(n);
  }
  CStringT SpanExcluding(PCXSTR pszCharSet) const {
    if (pszCharSet == nullptr) AfxThrowInvalidArgException();
    int n = 0;
    while (n < m_len && !nux::strdetail::InSet(m_p[n], pszCharSet)) ++n;
    return Left(n);
  }

  // The next token after iStart: leading delimiters are skipped, the token runs to the next
  // delimiter, and iStart moves past it. At the end the result is empty and iStart -1.
  CStringT Tokenize(PCXSTR pszTokens, int& iStart) const {
    if (iStart < 0) AfxThrowInvalidArgException();
    if (pszTokens == nullptr || *pszTokens == 0) {
      if (iStart < m_len) {
        CStringT rest = Mid(iStart);
        iStart = m_len;  // the next call ends the walk
        return rest;
      }
    } else if (iStart < m_len) {
      int from = iStart;
      while (from < m_len && nux::strdetail::InSet(m_p[from], pszTokens)) ++from;
      if (from < m_len) {
        int until = from;
        while (until < m_len && !nux::strdetail::InSet(m_p[until], pszTokens)) ++until;
        iStart = until + 1;
        return Mid(from, until - from);
      }
    }
    iStart = -1;
    return CStringT();
  }

  // ---- changing the text --------------------------------------------------------
  // Every letter changes its case, one character for one ("ß" stays "ß").
  CStringT& MakeUpper() {
    if constexpr (std::is_same_v<CharT, char16_t>) {
      nux::UpperInPlace(m_p, size_t(m_len));
    } else {
      for (int i = 0; i < m_len; ++i) m_p[i] = nux::UpperAnsiChar(m_p[i]);
    }
    return *this;
  }
  CStringT& MakeLower() {
    if constexpr (std::is_same_v<CharT, char16_t>) {
      nux::LowerInPlace(m_p, size_t(m_len));
    } else {
      for (int i = 0; i < m_len; ++i) m_p[i] = nux::LowerAnsiChar(m_p[i]);
    }
    return *this;
  }
  CStringT& MakeReverse() {
    for (int i = 0, j = m_len - 1; i < j; ++i, --j) std::swap(m_p[i], m_p[j]);
    return *this;
  }

  CStringT& TrimRight() {
    int n = m_len;
    while (n > 0 && nux::strdetail::IsSpace(m_p[n - 1])) --n;
    Truncate(n);
    return *this;
  }
  CStringT& TrimRight(CharT chTarget) {
    int n = m_len;
    while (n > 0 && m_p[n - 1] == chTarget) --n;
    Truncate(n);
    return *this;
  }
  CStringT& TrimRight(PCXSTR pszTargets) {
    if (pszTargets == nullptr || *pszTargets == 0) return *this;
    int n = m_len;
    while (n > 0 && nux::strdetail::InSet(m_p[n - 1], pszTargets)) --n;
    Truncate(n);
    return *this;
  }
  CStringT& TrimLeft() {
    int n = 0;
    while (n < m_len && nux::strdetail::IsSpace(m_p[n])) ++n;
    return DropFront(n);
  }
  CStringT& TrimLeft(CharT chTarget) {
    int n = 0;
    while (n < m_len && m_p[n] == chTarget) ++n;
    return DropFront(n);
  }
  CStringT& TrimLeft(PCXSTR pszTargets) {
    if (pszTargets == nullptr || *pszTargets == 0) return *this;
    int n = 0;
    while (n < m_len && nux::strdetail::InSet(m_p[n], pszTargets)) ++n;
    return DropFront(n);
  }
  CStringT& Trim() { return TrimRight().TrimLeft(); }
  CStringT& Trim(CharT chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
  CStringT& Trim(PCXSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }

  // Replaces every chOld by chNew; returns how many were replaced (0 when both are the same).
  int Replace(CharT chOld, CharT chNew) {
    if (chOld == chNew) return 0;
    int count = 0;
    for (int i = 0; i < m_len; ++i) {
      if (m_p[i] == chOld) {
        m_p[i] = chNew;
        ++count;
      }
    }
    return count;
  }
  // Replaces every occurrence of pszOld (scanning left to right, never inside a replacement)
  // by pszNew (NULL counts as empty); returns the count. An empty pszOld replaces nothing.
  int Replace(PCXSTR pszOld, PCXSTR pszNew) {
    int oldLen = nux::strdetail::Length(pszOld);
    if (oldLen == 0 || m_len == 0) return 0;
    int newLen = nux::strdetail::Length(pszNew);
    std::basic_string<CharT> result;
    int count = 0;
    int i = 0;
    while (i < m_len) {
      if (i + oldLen <= m_len && std::memcmp(m_p + i, pszOld, size_t(oldLen) * sizeof(CharT)) == 0) {
        result.append(pszNew ? pszNew : EmptyText(), size_t(newLen));
        i += oldLen;
        ++count;
      } else {
        result += m_p[i++];
      }
    }
    if (count > 0) SetString(result.data(), int(result.size()));
    return count;
  }
  // Removes every chRemove; returns how many were removed.
  int Remove(CharT chRemove) {
    int out = 0;
    for (int i = 0; i < m_len; ++i) {
      if (m_p[i] != chRemove) m_p[out++] = m_p[i];
    }
    int removed = m_len - out;
    if (m_p != nullptr) SetLength(out);
    return removed;
  }
  // Inserts at iIndex (clamped to 0..length); returns the new length.
  int Insert(int iIndex, CharT ch) { return Insert(iIndex, CStringT(ch, 1).GetString()); }
  int Insert(int iIndex, PCXSTR psz) {
    if (iIndex < 0) iIndex = 0;
    if (iIndex > m_len) iIndex = m_len;
    int n = nux::strdetail::Length(psz);
    if (n > 0) {
      CStringT inserted(psz, n);  // psz may point into this string
      int newLength = m_len + n;
      Reserve(newLength, true);
      std::memmove(m_p + iIndex + n, m_p + iIndex, size_t(m_len - iIndex) * sizeof(CharT));
      std::memcpy(m_p + iIndex, inserted.GetString(), size_t(n) * sizeof(CharT));
      SetLength(newLength);
    }
    return m_len;
  }
  // Deletes nCount characters from iIndex (both clamped); returns the new length.
  int Delete(int iIndex, int nCount = 1) {
    if (iIndex < 0) iIndex = 0;
    if (nCount < 0) nCount = 0;
    if (iIndex >= m_len) return m_len;
    if (nCount > m_len - iIndex) nCount = m_len - iIndex;
    if (nCount > 0) {
      std::memmove(m_p + iIndex, m_p + iIndex + nCount, size_t(m_len - iIndex - nCount) * sizeof(CharT));
      SetLength(m_len - nCount);
    }
    return m_len;
  }
  void Truncate(int nNewLength) {
    if (nNewLength < 0 || nNewLength > m_len) AfxThrowInvalidArgException();
    if (m_p != nullptr) SetLength(nNewLength);
  }

  // ---- formatting ---------------------------------------------------------------
  // printf-style with the Windows run-time's rules (see nux::FormatV). String objects may be
  // passed for %s directly: they are handed on as their text.
  template <typename... Args>
  void Format(PCXSTR pszFormat, const Args&... args) {
    if (pszFormat == nullptr) AfxThrowInvalidArgException();
    *this = CStringT(nux::Format(pszFormat, FormatArg(args)...));
  }
  template <typename... Args>
  void Format(UINT nFormatID, const Args&... args) {
    CStringT format;
    format.LoadString(nFormatID);
    *this = CStringT(nux::Format(format.GetString(), FormatArg(args)...));
  }
  template <typename... Args>
  void AppendFormat(PCXSTR pszFormat, const Args&... args) {
    if (pszFormat == nullptr) AfxThrowInvalidArgException();
    *this += CStringT(nux::Format(pszFormat, FormatArg(args)...));
  }
  template <typename... Args>
  void AppendFormat(UINT nFormatID, const Args&... args) {
    CStringT format;
    format.LoadString(nFormatID);
    *this += CStringT(nux::Format(format.GetString(), FormatArg(args)...));
  }
  void FormatV(PCXSTR pszFormat, va_list args) {
    if (pszFormat == nullptr) AfxThrowInvalidArgException();
    *this = CStringT(Traits::FormatV(pszFormat, args));
  }
  void AppendFormatV(PCXSTR pszFormat, va_list args) {
    if (pszFormat == nullptr) AfxThrowInvalidArgException();
    *this += CStringT(Traits::FormatV(pszFormat, args));
  }

  // Formats with the message syntax of ::FormatMessage (%1, %2!d! ...), taking the arguments
  // in order. (The name follows the character-set macro of ::FormatMessage.)
  void FormatMessage(PCXSTR pszFormat, ...) {
    if (pszFormat == nullptr) AfxThrowInvalidArgException();
    va_list args;
    va_start(args, pszFormat);
    FormatMessageV(pszFormat, &args);
    va_end(args);
  }
  void FormatMessageV(PCXSTR pszFormat, va_list* pArgList) {
    CharT* buffer = nullptr;
    DWORD n = Traits::FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, pszFormat, 0, 0,
                                    reinterpret_cast<CharT*>(&buffer), 0, pArgList);
    if (n == 0 && buffer == nullptr) {
      if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) AfxThrowMemoryException();
      Empty();
      return;
    }
    SetString(buffer, int(n));
    LocalFree(buffer);
  }

  // ---- the buffer ---------------------------------------------------------------
  // A writable buffer of at least nMinBufferLength characters plus the terminator, holding the
  // current text. The length stays as it is until ReleaseBuffer.
  PXSTR GetBuffer(int nMinBufferLength) {
    if (nMinBufferLength < 0) AfxThrowInvalidArgException();
    Reserve(nMinBufferLength > m_len ? nMinBufferLength : m_len, true);
    return m_p;
  }
  PXSTR GetBuffer() { return GetBuffer(m_len); }
  // A buffer of exactly nLength characters; the length becomes nLength at once.
  PXSTR GetBufferSetLength(int nLength) {
    if (nLength < 0) AfxThrowInvalidArgException();
    Reserve(nLength, true);
    // Characters beyond the old text are zeroed, so an unwritten buffer reads as empty text.
    for (int i = m_len; i < nLength; ++i) m_p[i] = 0;
    SetLength(nLength);
    return m_p;
  }
  // Ends a GetBuffer: the length becomes nNewLength, or with -1 the length of the
  // NUL-terminated text in the buffer (at most the buffer's size).
  void ReleaseBuffer(int nNewLength = -1) {
    if (m_p == nullptr) {
      if (nNewLength > 0) AfxThrowInvalidArgException();
      return;
    }
    if (nNewLength == -1) {
      nNewLength = 0;
      while (nNewLength < m_cap && m_p[nNewLength] != 0) ++nNewLength;
    }
    if (nNewLength < 0 || nNewLength > m_cap) AfxThrowInvalidArgException();
    SetLength(nNewLength);
  }
  void ReleaseBufferSetLength(int nNewLength) { ReleaseBuffer(nNewLength); }
  PXSTR LockBuffer() { return GetBuffer(m_len); }
  void UnlockBuffer() noexcept {}
  void Preallocate(int nLength) {
    if (nLength < 0) AfxThrowInvalidArgException();
    Reserve(nLength, true);
  }
  void FreeExtra() {
    if (m_p == nullptr || m_cap == m_len) return;
    CStringT copy(GetString(), m_len);
    *this = std::move(copy);
  }

  // ---- resources ----------------------------------------------------------------
  // Loads string resource nID from the resource module; FALSE (text unchanged) when there is
  // none. Long strings are loaded whole.
  BOOL LoadString(UINT nID) { return LoadString(AfxGetResourceHandle(), nID); }
  BOOL LoadString(HINSTANCE hInstance, UINT nID) {
    int size = 256;
    for (;;) {
      CStringT buffer;
      CharT* p = buffer.GetBuffer(size);
      int n = Traits::LoadString(hInstance, nID, p, size + 1);
      if (n <= 0) return FALSE;
      if (n < size || size >= 0x10000) {  // no string resource is longer than 65535
        buffer.ReleaseBuffer(n);
        *this = std::move(buffer);
        return TRUE;
      }
      size *= 2;  // the text may have been cut: try again with more room
    }
  }

  // 8-bit strings only: conversion between the OEM (850) and ANSI (1252) code pages in place.
  void AnsiToOem() {
    static_assert(std::is_same_v<CharT, char>, "AnsiToOem is for 8-bit strings");
    if (m_len > 0) ::CharToOemBuffA(m_p, m_p, DWORD(m_len));
  }
  void OemToAnsi() {
    static_assert(std::is_same_v<CharT, char>, "OemToAnsi is for 8-bit strings");
    if (m_len > 0) ::OemToCharBuffA(m_p, m_p, DWORD(m_len));
  }

  // The text as UTF-8 (for diagnostics and Linux interfaces).
  std::string ToUtf8() const {
    if constexpr (std::is_same_v<CharT, char16_t>) {
      return nux::ToUtf8(std::u16string_view(GetString(), size_t(m_len)));
    } else {
      return nux::ToUtf8(nux::AnsiToWide(std::string_view(GetString(), size_t(m_len))));
    }
  }

  friend std::ostream& operator<<(std::ostream& os, const CStringT& s) { return os << s.ToUtf8(); }

 private:
  template <typename T>
  static const T& FormatArg(const T& value) {
    return value;
  }
  static PCXSTR FormatArg(const CStringT& value) { return value.GetString(); }
  static PCYSTR FormatArg(const CStringT<YCHAR>& value) { return value.GetString(); }

  static PCXSTR EmptyText() noexcept {
    static const CharT empty[1] = {0};
    return empty;
  }
  static PCXSTR NonNull(PCXSTR p) noexcept { return p != nullptr ? p : EmptyText(); }

  // Makes room for nLength characters and the terminator, keeping the text when asked to.
  void Reserve(int nLength, bool keep) {
    if (m_p != nullptr && nLength <= m_cap) return;
    long long grown = (long long)m_cap + m_cap / 2;
    long long cap = nLength > grown ? nLength : grown;
    if (cap < 7) cap = 7;
    if (cap > 0x3FFFFFFF) cap = nLength;
    CharT* p = new (std::nothrow) CharT[size_t(cap) + 1];
    if (p == nullptr) AfxThrowMemoryException();
    if (keep && m_p != nullptr) {
      std::memcpy(p, m_p, (size_t(m_len) + 1) * sizeof(CharT));
    } else {
      m_len = 0;
      p[0] = 0;
    }
    delete[] m_p;
    m_p = p;
    m_cap = int(cap);
  }
  void SetLength(int n) {
    m_len = n;
    m_p[n] = 0;
  }
  CStringT& DropFront(int n) {
    if (n > 0) {
      std::memmove(m_p, m_p + n, size_t(m_len - n) * sizeof(CharT));
      SetLength(m_len - n);
    }
    return *this;
  }
  void AssignOther(PCYSTR psz, int nLength) {
    if (nLength <= 0 || psz == nullptr) {
      Empty();
      return;
    }
    auto converted = Traits::FromOther(psz, size_t(nLength));
    SetString(converted.data(), int(converted.size()));
  }

  CharT* m_p = nullptr;  // nullptr until the first text; else m_cap + 1 characters
  int m_len = 0;
  int m_cap = 0;
};

using CStringW = CStringT<char16_t>;
using CStringA = CStringT<char>;
#ifdef _UNICODE
using CString = CStringW;
#else
using CString = CStringA;
#endif

// Hash of a string for the class library's maps.
template <typename CharT>
inline UINT HashString(const CharT* key) {
  UINT hash = 0;
  for (; key != nullptr && *key; ++key) hash = (hash << 5) + hash + UINT(std::make_unsigned_t<CharT>(*key));
  return hash;
}
