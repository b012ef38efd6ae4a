// Conversions between UTF-16 and the 8-bit code pages: Windows-1252 (the ANSI code page),
// 850 (the OEM code page) and UTF-8.
#include "base/codepage.h"

#include <cstring>
#include <string>

#include "base/errors.h"

namespace {

// Windows-1252, bytes 0x80-0x9F. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every byte round-trips.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// Code page 850, bytes 0x80-0xFF; 0x00-0x7F are ASCII.
const char16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

enum class Page { k1252, k850, kUtf8, kUnknown };

Page PageOf(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP:
    case 1252:
      return Page::k1252;
    case CP_OEMCP:
    case 850:
      return Page::k850;
    case CP_UTF8:
      return Page::kUtf8;
    default:
      return Page::kUnknown;
  }
}

char16_t Cp1252ToWide(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : char16_t(b);
}

char16_t Cp850ToWide(unsigned char b) { return b < 0x80 ? char16_t(b) : kCp850High[b - 0x80]; }

// Returns the byte for c, or -1 when the code page has none.
int WideToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

int WideToCp850(char16_t c) {
  if (c < 0x80) return c;
  for (int i = 0; i < 128; ++i) {
    if (kCp850High[i] == c) return 0x80 + i;
  }
  return -1;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes UTF-8 into UTF-16. Each maximal invalid subsequence becomes one U+FFFD; `invalid`
// tells whether there was any.
std::u16string DecodeUtf8(const unsigned char* s, size_t n, bool* invalid) {
  std::u16string out;
  out.reserve(n);
  bool bad = false;
  size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int need;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;  // no overlong forms
      if (b == 0xED) hi = 0x9F;  // no encoded surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
      out.push_back(0xFFFD);
      bad = true;
      ++i;
      continue;
    }
    size_t j = i + 1;
    int got = 0;
    while (got < need && j < n) {
      unsigned char c = s[j];
      unsigned char l = got == 0 ? lo : 0x80, h = got == 0 ? hi : 0xBF;
      if (c < l || c > h) break;
      cp = (cp << 6) | (c & 0x3F);
      ++j;
      ++got;
    }
    if (got < need) {
      out.push_back(0xFFFD);
      bad = true;
      i = j;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i = j;
  }
  if (invalid) *invalid = bad;
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// Encodes UTF-16 as UTF-8; lone surrogates become U+FFFD and set `invalid`.
std::string EncodeUtf8(const char16_t* s, size_t n, bool* invalid) {
  std::string out;
  out.reserve(n);
  bool bad = false;
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(s[i + 1])) {
      char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(out, 0xFFFD);
      bad = true;
    } else {
      AppendUtf8(out, c);
    }
  }
  if (invalid) *invalid = bad;
  return out;
}

std::u16string SingleByteToWide(Page page, const unsigned char* s, size_t n) {
  std::u16string out(n, u'\0');
  for (size_t i = 0; i < n; ++i) out[i] = page == Page::k850 ? Cp850ToWide(s[i]) : Cp1252ToWide(s[i]);
  return out;
}

std::string WideToSingleByte(Page page, const char16_t* s, size_t n, char defaultChar, bool* usedDefault) {
  std::string out(n, '\0');
  bool used = false;
  for (size_t i = 0; i < n; ++i) {
    int b = page == Page::k850 ? WideToCp850(s[i]) : WideToCp1252(s[i]);
    if (b < 0) {
      used = true;
      out[i] = defaultChar;
    } else {
      out[i] = char(b);
    }
  }
  if (usedDefault) *usedDefault = used;
  return out;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
  Page page = PageOf(codePage);
  if (page == Page::kUnknown || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 ||
      (dstLen > 0 && dst == nullptr) ||
      (dst != nullptr && static_cast<const void*>(src) == static_cast<const void*>(dst))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = srcLen == -1 ? std::strlen(src) + 1 : size_t(srcLen);
  const auto* bytes = reinterpret_cast<const unsigned char*>(src);
  std::u16string wide;
  if (page == Page::kUtf8) {
    bool invalid = false;
    wide = DecodeUtf8(bytes, n, &invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  } else {
    wide = SingleByteToWide(page, bytes, n);
  }
  if (dstLen == 0) return int(wide.size());
  if (wide.size() > size_t(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, wide.data(), wide.size() * sizeof(char16_t));
  return int(wide.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  (void)flags;
  Page page = PageOf(codePage);
  if (page == Page::kUnknown || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 ||
      (dstLen > 0 && dst == nullptr) ||
      (dst != nullptr && static_cast<const void*>(src) == static_cast<const void*>(dst)) ||
      (page == Page::kUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = 0;
  if (srcLen == -1) {
    while (src[n] != 0) ++n;
    ++n;
  } else {
    n = size_t(srcLen);
  }
  std::string bytes;
  if (page == Page::kUtf8) {
    bytes = EncodeUtf8(src, n, nullptr);
  } else {
    bool used = false;
    bytes = WideToSingleByte(page, src, n, defaultChar ? defaultChar[0] : '?', &used);
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  }
  if (dstLen == 0) return int(bytes.size());
  if (bytes.size() > size_t(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, bytes.data(), bytes.size());
  return int(bytes.size());
}

BOOL OemToCharBuffA(LPCSTR src, LPSTR dst, DWORD length) {
  if (src == nullptr || dst == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD i = 0; i < length; ++i) {
    int b = WideToCp1252(Cp850ToWide(static_cast<unsigned char>(src[i])));
    dst[i] = b < 0 ? '?' : char(b);
  }
  return TRUE;
}

BOOL CharToOemBuffA(LPCSTR src, LPSTR dst, DWORD length) {
  if (src == nullptr || dst == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD i = 0; i < length; ++i) {
    int b = WideToCp850(Cp1252ToWide(static_cast<unsigned char>(src[i])));
    dst[i] = b < 0 ? '?' : char(b);
  }
  return TRUE;
}

BOOL OemToCharBuffW(LPCSTR src, LPWSTR dst, DWORD length) {
  if (src == nullptr || dst == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD i = 0; i < length; ++i) dst[i] = Cp850ToWide(static_cast<unsigned char>(src[i]));
  return TRUE;
}

BOOL CharToOemBuffW(LPCWSTR src, LPSTR dst, DWORD length) {
  if (src == nullptr || dst == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD i = 0; i < length; ++i) {
    int b = WideToCp850(src[i]);
    dst[i] = b < 0 ? '?' : char(b);
  }
  return TRUE;
}

namespace nux {

std::string ToUtf8(std::u16string_view text) { return EncodeUtf8(text.data(), text.size(), nullptr); }

std::u16string FromUtf8(std::string_view text) {
  return DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr);
}

std::u16string AnsiToWide(std::string_view text) {
  return SingleByteToWide(Page::k1252, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

std::string WideToAnsi(std::u16string_view text) {
  return WideToSingleByte(Page::k1252, text.data(), text.size(), '?', nullptr);
}

std::u16string OemToWide(std::string_view text) {
  return SingleByteToWide(Page::k850, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

std::string WideToOem(std::u16string_view text) {
  return WideToSingleByte(Page::k850, text.data(), text.size(), '?', nullptr);
}

}  // namespace nux
