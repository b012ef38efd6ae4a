// Wide-string run-time functions, the 8-bit extensions and the printf-style formatter.
#include "base/wstr.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "base/codepage.h"
#include "base/textcase.h"

// ---- wide strings -----------------------------------------------------------------

size_t wcslen(const char16_t* s) {
  const char16_t* p = s;
  while (*p) ++p;
  return size_t(p - s);
}

size_t wcsnlen(const char16_t* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

char16_t* wcscpy(char16_t* dst, const char16_t* src) {
  char16_t* d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t count) {
  size_t i = 0;
  for (; i < count && src[i]; ++i) dst[i] = src[i];
  for (; i < count; ++i) dst[i] = 0;
  return dst;
}

char16_t* wcscat(char16_t* dst, const char16_t* src) {
  wcscpy(dst + wcslen(dst), src);
  return dst;
}

char16_t* wcsncat(char16_t* dst, const char16_t* src, size_t count) {
  char16_t* d = dst + wcslen(dst);
  size_t i = 0;
  for (; i < count && src[i]; ++i) d[i] = src[i];
  d[i] = 0;
  return dst;
}

int wcscmp(const char16_t* a, const char16_t* b) {
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

int wcsncmp(const char16_t* a, const char16_t* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    if (a[i] == 0) return 0;
  }
  return 0;
}

// The run-time folds to lower case before comparing, so '_' sorts before the letters. Every
// letter has its case ("Ä" is "ä"), a character at a time.
int _wcsicmp(const char16_t* a, const char16_t* b) { return _wcsnicmp(a, b, SIZE_MAX); }

int _wcsnicmp(const char16_t* a, const char16_t* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    char16_t ca = nux::FoldChar(a[i]), cb = nux::FoldChar(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

// In the classic locale collation is the order of the code units.
int wcscoll(const char16_t* a, const char16_t* b) { return wcscmp(a, b); }
int _wcsicoll(const char16_t* a, const char16_t* b) { return _wcsicmp(a, b); }

const char16_t* wcschr(const char16_t* s, char16_t c) {
  for (;; ++s) {
    if (*s == c) return s;
    if (*s == 0) return nullptr;
  }
}
char16_t* wcschr(char16_t* s, char16_t c) { return const_cast<char16_t*>(wcschr(static_cast<const char16_t*>(s), c)); }

const char16_t* wcsrchr(const char16_t* s, char16_t c) {
  const char16_t* found = nullptr;
  for (;; ++s) {
    if (*s == c) found = s;
    if (*s == 0) return found;
  }
}
char16_t* wcsrchr(char16_t* s, char16_t c) {
  return const_cast<char16_t*>(wcsrchr(static_cast<const char16_t*>(s), c));
}

const char16_t* wcsstr(const char16_t* s, const char16_t* find) {
  if (*find == 0) return s;
  size_t n = wcslen(find);
  for (; *s; ++s) {
    if (*s == *find && wcsncmp(s, find, n) == 0) return s;
  }
  return nullptr;
}
char16_t* wcsstr(char16_t* s, const char16_t* find) {
  return const_cast<char16_t*>(wcsstr(static_cast<const char16_t*>(s), find));
}

const char16_t* wcspbrk(const char16_t* s, const char16_t* set) {
  for (; *s; ++s) {
    for (const char16_t* p = set; *p; ++p) {
      if (*s == *p) return s;
    }
  }
  return nullptr;
}
char16_t* wcspbrk(char16_t* s, const char16_t* set) {
  return const_cast<char16_t*>(wcspbrk(static_cast<const char16_t*>(s), set));
}

size_t wcsspn(const char16_t* s, const char16_t* set) {
  size_t n = 0;
  for (; s[n]; ++n) {
    const char16_t* p = set;
    while (*p && *p != s[n]) ++p;
    if (*p == 0) break;
  }
  return n;
}

size_t wcscspn(const char16_t* s, const char16_t* set) {
  size_t n = 0;
  for (; s[n]; ++n) {
    const char16_t* p = set;
    while (*p && *p != s[n]) ++p;
    if (*p != 0) break;
  }
  return n;
}

char16_t* wcstok(char16_t* s, const char16_t* delimiters, char16_t** context) {
  if (s == nullptr) s = *context;
  if (s == nullptr) return nullptr;
  s += wcsspn(s, delimiters);
  if (*s == 0) {
    *context = s;
    return nullptr;
  }
  char16_t* end = s + wcscspn(s, delimiters);
  if (*end) {
    *end = 0;
    *context = end + 1;
  } else {
    *context = end;
  }
  return s;
}

char16_t* _wcsdup(const char16_t* s) {
  if (s == nullptr) return nullptr;
  size_t n = wcslen(s) + 1;
  auto* copy = static_cast<char16_t*>(std::malloc(n * sizeof(char16_t)));
  if (copy) std::memcpy(copy, s, n * sizeof(char16_t));
  return copy;
}

char16_t* _wcsupr(char16_t* s) {
  nux::UpperInPlace(s, wcslen(s));
  return s;
}

char16_t* _wcslwr(char16_t* s) {
  nux::LowerInPlace(s, wcslen(s));
  return s;
}

char16_t* _wcsrev(char16_t* s) {
  size_t n = wcslen(s);
  for (size_t i = 0; i < n / 2; ++i) {
    char16_t t = s[i];
    s[i] = s[n - 1 - i];
    s[n - 1 - i] = t;
  }
  return s;
}

namespace {

template <typename CharT>
size_t Length(const CharT* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

template <typename CharT>
errno_t CopyS(CharT* dst, size_t size, const CharT* src, size_t count) {
  if (dst == nullptr || size == 0) return EINVAL;
  if (src == nullptr) {
    dst[0] = 0;
    return EINVAL;
  }
  size_t n = 0;
  while (n < count && src[n]) ++n;
  if (n >= size) {
    if (count == _TRUNCATE) {
      for (size_t i = 0; i + 1 < size; ++i) dst[i] = src[i];
      dst[size - 1] = 0;
      return STRUNCATE;
    }
    dst[0] = 0;
    return ERANGE;
  }
  for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  dst[n] = 0;
  return 0;
}

template <typename CharT>
errno_t CatS(CharT* dst, size_t size, const CharT* src) {
  if (dst == nullptr || size == 0) return EINVAL;
  size_t used = 0;
  while (used < size && dst[used]) ++used;
  if (used == size || src == nullptr) {
    dst[0] = 0;
    return EINVAL;
  }
  size_t n = Length(src);
  if (used + n >= size) {
    dst[0] = 0;
    return ERANGE;
  }
  for (size_t i = 0; i <= n; ++i) dst[used + i] = src[i];
  return 0;
}

// Parses an integer as strtol does: white space, a sign, "0x" for base 16 or 0, digits.
// Returns the magnitude (saturated at UINT64_MAX, with *overflow) and sets *negative;
// *end points past the digits, or at the start when there are none.
template <typename CharT>
uint64_t ParseInteger(const CharT* s, const CharT** end, int base, bool* negative, bool* overflow) {
  const CharT* start = s;
  *negative = false;
  *overflow = false;
  auto isSpace = [](CharT c) { return c == ' ' || (c >= 9 && c <= 13); };
  while (isSpace(*s)) ++s;
  if (*s == '+' || *s == '-') {
    *negative = *s == '-';
    ++s;
  }
  if (base < 0 || base == 1 || base > 36) {
    *end = start;
    errno = EINVAL;
    return 0;
  }
  auto digit = [](CharT c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
  };
  if ((base == 0 || base == 16) && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && digit(s[2]) < 16) {
    s += 2;
    base = 16;
  } else if (base == 0) {
    base = s[0] == '0' ? 8 : 10;
  }
  uint64_t value = 0;
  const CharT* digits = s;
  for (; digit(*s) < base; ++s) {
    uint64_t d = uint64_t(digit(*s));
    if (value > (UINT64_MAX - d) / uint64_t(base)) {
      *overflow = true;
      value = UINT64_MAX;
    } else if (!*overflow) {
      value = value * uint64_t(base) + d;
    }
  }
  *end = s == digits ? start : s;
  return value;
}

template <typename CharT, typename Signed>
Signed ToSigned(const CharT* s, CharT** end, int base) {
  bool negative, overflow;
  const CharT* stop;
  uint64_t mag = ParseInteger(s, &stop, base, &negative, &overflow);
  if (end) *end = const_cast<CharT*>(stop);
  constexpr uint64_t maxPos = uint64_t(std::numeric_limits<Signed>::max());
  if (negative) {
    if (overflow || mag > maxPos + 1) {
      errno = ERANGE;
      return std::numeric_limits<Signed>::min();
    }
    return mag == maxPos + 1 ? std::numeric_limits<Signed>::min() : Signed(-Signed(mag));
  }
  if (overflow || mag > maxPos) {
    errno = ERANGE;
    return std::numeric_limits<Signed>::max();
  }
  return Signed(mag);
}

template <typename CharT, typename Unsigned>
Unsigned ToUnsigned(const CharT* s, CharT** end, int base) {
  bool negative, overflow;
  const CharT* stop;
  uint64_t mag = ParseInteger(s, &stop, base, &negative, &overflow);
  if (end) *end = const_cast<CharT*>(stop);
  if (overflow || mag > uint64_t(std::numeric_limits<Unsigned>::max())) {
    errno = ERANGE;
    return std::numeric_limits<Unsigned>::max();
  }
  return negative ? Unsigned(-Unsigned(mag)) : Unsigned(mag);
}

// Digits of a number in a radix (2 to 36), lower-case as the run-time writes them.
template <typename CharT>
CharT* ToText(uint64_t magnitude, bool negative, CharT* buffer, int radix) {
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return buffer;
  }
  char digits[72];
  int n = 0;
  do {
    int d = int(magnitude % uint64_t(radix));
    digits[n++] = char(d < 10 ? '0' + d : 'a' + d - 10);
    magnitude /= uint64_t(radix);
  } while (magnitude);
  CharT* p = buffer;
  if (negative) *p++ = '-';
  while (n) *p++ = CharT(digits[--n]);
  *p = 0;
  return buffer;
}

template <typename CharT>
CharT* SignedToText(int64_t value, CharT* buffer, int radix, uint64_t unsignedMask) {
  // Only radix 10 writes a sign; other radixes show the bits of the value's own width.
  if (radix == 10 && value < 0) return ToText(uint64_t(0) - uint64_t(value), true, buffer, radix);
  return ToText(uint64_t(value) & unsignedMask, false, buffer, radix);
}

}  // namespace

errno_t wcscpy_s(char16_t* dst, size_t size, const char16_t* src) { return CopyS(dst, size, src, SIZE_MAX - 1); }
errno_t wcsncpy_s(char16_t* dst, size_t size, const char16_t* src, size_t count) {
  return CopyS(dst, size, src, count);
}
errno_t wcscat_s(char16_t* dst, size_t size, const char16_t* src) { return CatS(dst, size, src); }

LONG wcstol(const char16_t* s, char16_t** end, int base) { return ToSigned<char16_t, LONG>(s, end, base); }
ULONG wcstoul(const char16_t* s, char16_t** end, int base) { return ToUnsigned<char16_t, ULONG>(s, end, base); }
LONGLONG _wcstoi64(const char16_t* s, char16_t** end, int base) {
  return ToSigned<char16_t, LONGLONG>(s, end, base);
}
ULONGLONG _wcstoui64(const char16_t* s, char16_t** end, int base) {
  return ToUnsigned<char16_t, ULONGLONG>(s, end, base);
}

double wcstod(const char16_t* s, char16_t** end) {
  // The number's characters are all ASCII; anything else ends it.
  std::string narrow;
  size_t n = wcslen(s);
  narrow.reserve(n);
  for (size_t i = 0; i < n; ++i) narrow.push_back(s[i] < 0x80 ? char(s[i]) : '\x01');
  char* stop = nullptr;
  double value = std::strtod(narrow.c_str(), &stop);
  if (end) *end = const_cast<char16_t*>(s) + (stop - narrow.c_str());
  return value;
}

int _wtoi(const char16_t* s) { return ToSigned<char16_t, int>(s, nullptr, 10); }
LONG _wtol(const char16_t* s) { return ToSigned<char16_t, LONG>(s, nullptr, 10); }
LONGLONG _wtoi64(const char16_t* s) { return ToSigned<char16_t, LONGLONG>(s, nullptr, 10); }
double _wtof(const char16_t* s) { return wcstod(s, nullptr); }

char16_t* _itow(int value, char16_t* buffer, int radix) { return SignedToText(value, buffer, radix, 0xFFFFFFFFu); }
char16_t* _ltow(LONG value, char16_t* buffer, int radix) { return SignedToText(value, buffer, radix, 0xFFFFFFFFu); }
char16_t* _ultow(ULONG value, char16_t* buffer, int radix) { return ToText(value, false, buffer, radix); }
char16_t* _i64tow(LONGLONG value, char16_t* buffer, int radix) {
  return SignedToText(value, buffer, radix, UINT64_MAX);
}
char16_t* _ui64tow(ULONGLONG value, char16_t* buffer, int radix) { return ToText(value, false, buffer, radix); }

int iswspace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }
int iswdigit(char16_t c) { return c >= u'0' && c <= u'9'; }
int iswxdigit(char16_t c) {
  return iswdigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
// Letter classes of every character, as Unicode has them.
int iswupper(char16_t c) { return nux::IsUpperCodePoint(c) ? 1 : 0; }
int iswlower(char16_t c) { return nux::IsLowerCodePoint(c) ? 1 : 0; }
int iswalpha(char16_t c) { return nux::IsLetterCodePoint(c) ? 1 : 0; }
int iswalnum(char16_t c) { return iswalpha(c) || iswdigit(c); }
int iswcntrl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
int iswpunct(char16_t c) {
  return (c > 0x20 && c < 0x7F && !iswalnum(c)) || (c >= 0xA1 && c <= 0xBF && c != 0xAA && c != 0xB5 && c != 0xBA) ||
         c == 0xD7 || c == 0xF7;
}
char16_t towupper(char16_t c) { return nux::UpperChar(c); }
char16_t towlower(char16_t c) { return nux::LowerChar(c); }

// ---- 8-bit strings ----------------------------------------------------------------

int _stricmp(const char* a, const char* b) { return _strnicmp(a, b, SIZE_MAX); }

int _strnicmp(const char* a, const char* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    unsigned char ca = static_cast<unsigned char>(nux::LowerAnsiChar(a[i]));
    unsigned char cb = static_cast<unsigned char>(nux::LowerAnsiChar(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

int _stricoll(const char* a, const char* b) { return _stricmp(a, b); }

// 8-bit text is in the ANSI code page: its letters have their case too.
char* _strupr(char* s) {
  for (char* p = s; *p; ++p) *p = nux::UpperAnsiChar(*p);
  return s;
}

char* _strlwr(char* s) {
  for (char* p = s; *p; ++p) *p = nux::LowerAnsiChar(*p);
  return s;
}

char* _strrev(char* s) {
  size_t n = std::strlen(s);
  for (size_t i = 0; i < n / 2; ++i) {
    char t = s[i];
    s[i] = s[n - 1 - i];
    s[n - 1 - i] = t;
  }
  return s;
}

char* _strdup(const char* s) {
  if (s == nullptr) return nullptr;
  size_t n = std::strlen(s) + 1;
  auto* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, s, n);
  return copy;
}

errno_t strcpy_s(char* dst, size_t size, const char* src) { return CopyS(dst, size, src, SIZE_MAX - 1); }
errno_t strncpy_s(char* dst, size_t size, const char* src, size_t count) { return CopyS(dst, size, src, count); }
errno_t strcat_s(char* dst, size_t size, const char* src) { return CatS(dst, size, src); }

char* _itoa(int value, char* buffer, int radix) { return SignedToText(value, buffer, radix, 0xFFFFFFFFu); }
char* _ltoa(LONG value, char* buffer, int radix) { return SignedToText(value, buffer, radix, 0xFFFFFFFFu); }
char* _ultoa(ULONG value, char* buffer, int radix) { return ToText(value, false, buffer, radix); }
char* _i64toa(LONGLONG value, char* buffer, int radix) { return SignedToText(value, buffer, radix, UINT64_MAX); }
char* _ui64toa(ULONGLONG value, char* buffer, int radix) { return ToText(value, false, buffer, radix); }
LONGLONG _atoi64(const char* s) { return ToSigned<char, LONGLONG>(s, nullptr, 10); }

// ---- the formatter ----------------------------------------------------------------

namespace {

template <typename CharT>
struct Other;
template <>
struct Other<char> {
  using type = char16_t;
};
template <>
struct Other<char16_t> {
  using type = char;
};

void Convert(const char* s, size_t n, std::u16string* out) { *out = nux::AnsiToWide(std::string_view(s, n)); }
void Convert(const char16_t* s, size_t n, std::string* out) { *out = nux::WideToAnsi(std::u16string_view(s, n)); }

template <typename CharT>
void Pad(std::basic_string<CharT>& out, size_t count, CharT c) {
  out.append(count, c);
}

// Appends `body` within `width`, on the left or the right.
template <typename CharT>
void AppendField(std::basic_string<CharT>& out, const std::basic_string<CharT>& body, int width, bool left) {
  size_t w = width > 0 ? size_t(width) : 0;
  if (!left && body.size() < w) Pad(out, w - body.size(), CharT(' '));
  out += body;
  if (left && body.size() < w) Pad(out, w - body.size(), CharT(' '));
}

enum class Size { kDefault, kChar, kShort, kLong32, kLong64, kPointer, kLongDouble, kWide, kNarrow };

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;
  Size size = Size::kDefault;
};

template <typename CharT>
void FormatInteger(std::basic_string<CharT>& out, const Spec& spec, CharT conv, uint64_t bits, bool isSigned) {
  bool negative = false;
  uint64_t mag = bits;
  if (isSigned && int64_t(bits) < 0) {
    negative = true;
    mag = uint64_t(0) - bits;
  }
  unsigned base = 10;
  if (conv == 'o') base = 8;
  if (conv == 'x' || conv == 'X' || conv == 'p') base = 16;
  const char* digitSet = (conv == 'X' || conv == 'p') ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string digits;
  while (mag) {
    digits.insert(digits.begin(), digitSet[mag % base]);
    mag /= base;
  }
  int precision = spec.precision;
  if (conv == 'p') precision = int(sizeof(void*) * 2);
  if (precision < 0) precision = 1;
  if (digits.size() < size_t(precision)) digits.insert(0, size_t(precision) - digits.size(), '0');
  std::string prefix;
  if (negative) {
    prefix = "-";
  } else if (isSigned && spec.plus) {
    prefix = "+";
  } else if (isSigned && spec.space) {
    prefix = " ";
  }
  if (spec.alt && bits != 0) {
    if (conv == 'x') prefix += "0x";
    if (conv == 'X') prefix += "0X";
  }
  if (spec.alt && conv == 'o' && (digits.empty() || digits[0] != '0')) digits.insert(digits.begin(), '0');
  // The 0 flag pads between the sign and the digits, unless a precision or '-' is given.
  if (spec.zero && !spec.left && spec.precision < 0) {
    size_t total = prefix.size() + digits.size();
    if (total < size_t(spec.width)) digits.insert(0, size_t(spec.width) - total, '0');
  }
  std::basic_string<CharT> body;
  for (char c : prefix) body += CharT(c);
  for (char c : digits) body += CharT(c);
  AppendField(out, body, spec.width, spec.left);
}

template <typename CharT>
void FormatFloat(std::basic_string<CharT>& out, const Spec& spec, CharT conv, double value) {
  std::string f = "%";
  if (spec.left) f += '-';
  if (spec.plus) f += '+';
  if (spec.space) f += ' ';
  if (spec.alt) f += '#';
  if (spec.zero) f += '0';
  if (spec.width > 0) f += std::to_string(spec.width);
  if (spec.precision >= 0) {
    f += '.';
    f += std::to_string(spec.precision);
  }
  f += char(conv);
  char small[128];
  int n = std::snprintf(small, sizeof small, f.c_str(), value);
  std::string text;
  if (n < 0) return;
  if (size_t(n) < sizeof small) {
    text.assign(small, size_t(n));
  } else {
    text.resize(size_t(n) + 1);
    std::snprintf(text.data(), text.size(), f.c_str(), value);
    text.resize(size_t(n));
  }
  for (char c : text) out += CharT(static_cast<unsigned char>(c));
}

template <typename CharT>
std::basic_string<CharT> FormatImpl(const CharT* format, va_list* args) {
  using OtherT = typename Other<CharT>::type;
  std::basic_string<CharT> out;
  if (format == nullptr) return out;
  const CharT* p = format;
  while (*p) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    const CharT* specStart = p;
    ++p;
    if (*p == '%') {
      out += CharT('%');
      ++p;
      continue;
    }
    Spec spec;
    for (;; ++p) {
      if (*p == '-') {
        spec.left = true;
      } else if (*p == '+') {
        spec.plus = true;
      } else if (*p == ' ') {
        spec.space = true;
      } else if (*p == '#') {
        spec.alt = true;
      } else if (*p == '0') {
        spec.zero = true;
      } else {
        break;
      }
    }
    if (*p == '*') {
      spec.width = va_arg(*args, int);
      if (spec.width < 0) {
        spec.left = true;
        spec.width = spec.width == INT_MIN ? INT_MAX : -spec.width;
      }
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') {
        spec.width = spec.width > 100000000 ? spec.width : spec.width * 10 + (*p - '0');
        ++p;
      }
    }
    if (*p == '.') {
      ++p;
      spec.precision = 0;
      if (*p == '*') {
        spec.precision = va_arg(*args, int);
        if (spec.precision < 0) spec.precision = -1;
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') {
          spec.precision = spec.precision > 100000000 ? spec.precision : spec.precision * 10 + (*p - '0');
          ++p;
        }
      }
    }
    // Length modifiers.
    if (*p == 'h') {
      ++p;
      spec.size = Size::kShort;
      if (*p == 'h') {
        ++p;
        spec.size = Size::kChar;
      }
    } else if (*p == 'l') {
      ++p;
      spec.size = Size::kLong32;
      if (*p == 'l') {
        ++p;
        spec.size = Size::kLong64;
      }
    } else if (*p == 'L') {
      ++p;
      spec.size = Size::kLongDouble;
    } else if (*p == 'w') {
      ++p;
      spec.size = Size::kWide;
    } else if (*p == 'j' || *p == 'q') {
      ++p;
      spec.size = Size::kLong64;
    } else if (*p == 'z' || *p == 't') {
      ++p;
      spec.size = Size::kPointer;
    } else if (*p == 'I') {
      if (p[1] == '6' && p[2] == '4') {
        p += 3;
        spec.size = Size::kLong64;
      } else if (p[1] == '3' && p[2] == '2') {
        p += 3;
        spec.size = Size::kLong32;
      } else {
        ++p;
        spec.size = Size::kPointer;
      }
    }
    CharT conv = *p;
    if (conv == 0) {
      // An incomplete conversion at the end is written as it stands.
      out.append(specStart, p);
      break;
    }
    ++p;
    switch (conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        bool isSigned = conv == 'd' || conv == 'i';
        uint64_t bits;
        switch (spec.size) {
          case Size::kLong64:
          case Size::kLongDouble:
            bits = va_arg(*args, uint64_t);
            break;
          case Size::kPointer:
            bits = uint64_t(va_arg(*args, uintptr_t));
            if (isSigned) bits = uint64_t(int64_t(intptr_t(bits)));
            break;
          default: {
            unsigned v = va_arg(*args, unsigned);
            if (spec.size == Size::kShort) {
              bits = isSigned ? uint64_t(int64_t(int16_t(v))) : uint64_t(uint16_t(v));
            } else if (spec.size == Size::kChar) {
              bits = isSigned ? uint64_t(int64_t(int8_t(v))) : uint64_t(uint8_t(v));
            } else {
              bits = isSigned ? uint64_t(int64_t(int32_t(v))) : uint64_t(v);
            }
            break;
          }
        }
        FormatInteger(out, spec, conv, bits, isSigned);
        break;
      }
      case 'p': {
        Spec s = spec;
        s.alt = false;
        s.plus = s.space = false;
        FormatInteger(out, s, CharT('p'), uint64_t(uintptr_t(va_arg(*args, void*))), false);
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        FormatFloat(out, spec, conv, va_arg(*args, double));
        break;
      case 'c':
      case 'C': {
        // Which kind the argument is: the format's own for %c, the other for %C; h forces
        // narrow, l and w wide.
        bool argWide = (conv == 'c') == (sizeof(CharT) == 2);
        if (spec.size == Size::kShort) argWide = false;
        if (spec.size == Size::kLong32 || spec.size == Size::kWide) argWide = true;
        unsigned v = va_arg(*args, unsigned);
        std::basic_string<CharT> body;
        if (argWide == (sizeof(CharT) == 2)) {
          body.assign(1, CharT(v));
        } else {
          OtherT c = OtherT(v);
          Convert(&c, 1, &body);
        }
        AppendField(out, body, spec.width, spec.left);
        break;
      }
      case 's':
      case 'S': {
        bool argWide = (conv == 's') == (sizeof(CharT) == 2);
        if (spec.size == Size::kShort) argWide = false;
        if (spec.size == Size::kLong32 || spec.size == Size::kWide) argWide = true;
        const void* ptr = va_arg(*args, const void*);
        size_t limit = spec.precision >= 0 ? size_t(spec.precision) : SIZE_MAX;
        std::basic_string<CharT> body;
        if (ptr == nullptr) {
          const char* nullText = "(null)";
          for (size_t i = 0; nullText[i] && i < limit; ++i) body += CharT(nullText[i]);
        } else if (argWide == (sizeof(CharT) == 2)) {
          const CharT* s = static_cast<const CharT*>(ptr);
          size_t n = 0;
          while (n < limit && s[n]) ++n;
          body.assign(s, n);
        } else {
          const OtherT* s = static_cast<const OtherT*>(ptr);
          size_t n = 0;
          while (n < limit && s[n]) ++n;
          Convert(s, n, &body);
          if (body.size() > limit) body.resize(limit);
        }
        AppendField(out, body, spec.width, spec.left);
        break;
      }
      case 'n':
        // Writing through %n is not supported (the Windows run-time refuses it too).
        (void)va_arg(*args, void*);
        break;
      default:
        // An unknown conversion is written as it stands.
        out.append(specStart, p);
        break;
    }
  }
  return out;
}

// Copies formatted text into a caller's buffer. `terminateOnTruncation` chooses between the
// standard (terminated) and the Windows (unterminated) behaviour when it does not fit.
template <typename CharT>
int Emit(const std::basic_string<CharT>& text, CharT* buffer, size_t count, bool terminateOnTruncation) {
  if (text.size() < count) {
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(CharT));
    return int(text.size());
  }
  if (text.size() == count && !terminateOnTruncation) {
    std::memcpy(buffer, text.data(), count * sizeof(CharT));
    return int(count);
  }
  if (count > 0 && buffer != nullptr) {
    if (terminateOnTruncation) {
      std::memcpy(buffer, text.data(), (count - 1) * sizeof(CharT));
      buffer[count - 1] = 0;
    } else {
      std::memcpy(buffer, text.data(), count * sizeof(CharT));
    }
  }
  return -1;
}

}  // namespace

namespace nux {

std::u16string FormatV(const char16_t* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  std::u16string s = FormatImpl(format, &copy);
  va_end(copy);
  return s;
}

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  std::string s = FormatImpl(format, &copy);
  va_end(copy);
  return s;
}

std::u16string Format(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::u16string s = FormatImpl(format, &args);
  va_end(args);
  return s;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatImpl(format, &args);
  va_end(args);
  return s;
}

std::u16string FormatFromList(const char16_t* format, va_list* args) { return FormatImpl(format, args); }
std::string FormatFromList(const char* format, va_list* args) { return FormatImpl(format, args); }

}  // namespace nux

int vswprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args) {
  if (buffer == nullptr || format == nullptr) {
    errno = EINVAL;
    return -1;
  }
  return Emit(nux::FormatV(format, args), buffer, count, true);
}

int swprintf(char16_t* buffer, size_t count, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vswprintf(buffer, count, format, args);
  va_end(args);
  return n;
}

int swprintf(char16_t* buffer, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::u16string s = nux::FormatV(format, args);
  va_end(args);
  std::memcpy(buffer, s.c_str(), (s.size() + 1) * sizeof(char16_t));
  return int(s.size());
}

int _vsnwprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args) {
  if (format == nullptr || (buffer == nullptr && count > 0)) {
    errno = EINVAL;
    return -1;
  }
  std::u16string s = nux::FormatV(format, args);
  if (buffer == nullptr) return int(s.size());  // a NULL buffer with no room asks for the length
  return Emit(s, buffer, count, false);
}

int _snwprintf(char16_t* buffer, size_t count, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnwprintf(buffer, count, format, args);
  va_end(args);
  return n;
}

int _vscwprintf(const char16_t* format, va_list args) {
  if (format == nullptr) return -1;
  return int(nux::FormatV(format, args).size());
}

int _scwprintf(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vscwprintf(format, args);
  va_end(args);
  return n;
}

int swprintf_s(char16_t* buffer, size_t count, const char16_t* format, ...) {
  if (buffer == nullptr || count == 0 || format == nullptr) {
    errno = EINVAL;
    return -1;
  }
  va_list args;
  va_start(args, format);
  std::u16string s = nux::FormatV(format, args);
  va_end(args);
  if (s.size() >= count) {
    buffer[0] = 0;
    errno = ERANGE;
    return -1;
  }
  std::memcpy(buffer, s.c_str(), (s.size() + 1) * sizeof(char16_t));
  return int(s.size());
}

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) {
  if (format == nullptr || (buffer == nullptr && count > 0)) {
    errno = EINVAL;
    return -1;
  }
  std::string s = nux::FormatV(format, args);
  if (buffer == nullptr) return int(s.size());
  return Emit(s, buffer, count, false);
}

int _snprintf(char* buffer, size_t count, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnprintf(buffer, count, format, args);
  va_end(args);
  return n;
}

int _vscprintf(const char* format, va_list args) {
  if (format == nullptr) return -1;
  return int(nux::FormatV(format, args).size());
}

int _scprintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vscprintf(format, args);
  va_end(args);
  return n;
}

int sprintf_s(char* buffer, size_t count, const char* format, ...) {
  if (buffer == nullptr || count == 0 || format == nullptr) {
    errno = EINVAL;
    return -1;
  }
  va_list args;
  va_start(args, format);
  std::string s = nux::FormatV(format, args);
  va_end(args);
  if (s.size() >= count) {
    buffer[0] = 0;
    errno = ERANGE;
    return -1;
  }
  std::memcpy(buffer, s.c_str(), s.size() + 1);
  return int(s.size());
}
