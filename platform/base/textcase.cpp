// Letter case, folding and collation over ICU's C interface.
#include "base/textcase.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "base/codepage.h"

namespace nux {
namespace {

// Reads the code point at s[i] (a lone surrogate stands for itself) and its length in units.
char32_t CodePointAt(const char16_t* s, size_t n, size_t i, size_t* len) {
  char16_t c = s[i];
  if (U16_IS_LEAD(c) && i + 1 < n && U16_IS_TRAIL(s[i + 1])) {
    *len = 2;
    return char32_t(U16_GET_SUPPLEMENTARY(c, s[i + 1]));
  }
  *len = 1;
  return c;
}

template <char32_t (*Map)(char32_t)>
void MapInPlace(char16_t* s, size_t n) {
  for (size_t i = 0; i < n;) {
    size_t len = 0;
    char32_t c = CodePointAt(s, n, i, &len);
    char32_t m = Map(c);
    if (m != c) {
      if (len == 1 && m <= 0xFFFF) {
        s[i] = char16_t(m);
      } else if (len == 2 && m > 0xFFFF) {
        s[i] = char16_t(U16_LEAD(m));
        s[i + 1] = char16_t(U16_TRAIL(m));
      }
    }
    i += len;
  }
}

// The code page layer's UTF-8 conversions (invalid bytes and lone surrogates become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view s) { return nux::FromUtf8(s); }
std::string Utf16ToUtf8(std::u16string_view s) { return nux::ToUtf8(s); }

// Full case folding of one code point's units into out.
void FoldUnits(const char16_t* s, size_t len, std::u16string& out) {
  char16_t buffer[8];
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = u_strFoldCase(buffer, 8, s, int32_t(len), U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status) || n < 0 || n > 8) {
    out.append(s, len);
    return;
  }
  out.append(buffer, size_t(n));
}

struct CollatorClose {
  void operator()(UCollator* c) const { ucol_close(c); }
};

// One collator a thread: the root (general) order at secondary strength, which tells letters
// and accents apart and ignores case.
UCollator* ThreadCollator() {
  thread_local std::unique_ptr<UCollator, CollatorClose> collator;
  if (!collator) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open("", &status);
    if (U_FAILURE(status) || c == nullptr) throw std::runtime_error("the text collation is not available");
    ucol_setStrength(c, UCOL_SECONDARY);
    collator.reset(c);
  }
  return collator.get();
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

char32_t UpperCodePoint(char32_t c) { return char32_t(u_toupper(UChar32(c))); }
char32_t LowerCodePoint(char32_t c) { return char32_t(u_tolower(UChar32(c))); }

char16_t UpperChar(char16_t c) {
  if (U16_IS_SURROGATE(c)) return c;
  UChar32 m = u_toupper(c);
  return m <= 0xFFFF ? char16_t(m) : c;
}

char16_t LowerChar(char16_t c) {
  if (U16_IS_SURROGATE(c)) return c;
  UChar32 m = u_tolower(c);
  return m <= 0xFFFF ? char16_t(m) : c;
}

bool IsUpperCodePoint(char32_t c) { return u_isUUppercase(UChar32(c)); }
bool IsLowerCodePoint(char32_t c) { return u_isULowercase(UChar32(c)); }
bool IsLetterCodePoint(char32_t c) { return u_isalpha(UChar32(c)); }

namespace {
// Each byte of the code page mapped through its character; built once from the code page's
// conversion and the character's mapping.
struct AnsiCase {
  char upper[256];
  char lower[256];
  AnsiCase() {
    for (int b = 0; b < 256; ++b) {
      char byte = char(b);
      upper[b] = lower[b] = byte;
      std::u16string wide = AnsiToWide(std::string_view(&byte, 1));
      if (wide.size() != 1) continue;
      auto back = [&](char16_t mapped) {
        if (mapped == wide[0]) return byte;
        std::u16string m(1, mapped);
        std::string narrow = WideToAnsi(m);
        return narrow.size() == 1 && AnsiToWide(narrow) == m ? narrow[0] : byte;
      };
      upper[b] = back(UpperChar(wide[0]));
      lower[b] = back(LowerChar(wide[0]));
    }
  }
};
const AnsiCase& AnsiCaseTable() {
  static const AnsiCase table;
  return table;
}
}  // namespace

char UpperAnsiChar(char c) {
  if (c >= 'a' && c <= 'z') return char(c - 32);
  if (static_cast<unsigned char>(c) < 0x80) return c;
  return AnsiCaseTable().upper[static_cast<unsigned char>(c)];
}

char LowerAnsiChar(char c) {
  if (c >= 'A' && c <= 'Z') return char(c + 32);
  if (static_cast<unsigned char>(c) < 0x80) return c;
  return AnsiCaseTable().lower[static_cast<unsigned char>(c)];
}

void UpperInPlace(char16_t* s, size_t n) { MapInPlace<UpperCodePoint>(s, n); }
void LowerInPlace(char16_t* s, size_t n) { MapInPlace<LowerCodePoint>(s, n); }

std::u16string ToUpper(std::u16string_view s) {
  std::u16string out(s);
  UpperInPlace(out.data(), out.size());
  return out;
}

std::u16string ToLower(std::u16string_view s) {
  std::u16string out(s);
  LowerInPlace(out.data(), out.size());
  return out;
}

std::string ToUpperUtf8(std::string_view s) { return Utf16ToUtf8(ToUpper(Utf8ToUtf16(s))); }
std::string ToLowerUtf8(std::string_view s) { return Utf16ToUtf8(ToLower(Utf8ToUtf16(s))); }

std::u16string FoldCase(std::u16string_view s) { return FoldCase(s, nullptr); }

std::u16string FoldCase(std::u16string_view s, std::vector<size_t>* sourceIndex) {
  std::u16string out;
  out.reserve(s.size() + 4);
  if (sourceIndex) {
    sourceIndex->clear();
    sourceIndex->reserve(s.size() + 5);
  }
  for (size_t i = 0; i < s.size();) {
    size_t len = 0;
    CodePointAt(s.data(), s.size(), i, &len);
    size_t before = out.size();
    char16_t c = s[i];
    if (c < 0x80) {
      out.push_back((c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c);  // the common case, without ICU
    } else {
      FoldUnits(s.data() + i, len, out);
    }
    if (sourceIndex) sourceIndex->insert(sourceIndex->end(), out.size() - before, i);
    i += len;
  }
  if (sourceIndex) sourceIndex->push_back(s.size());
  return out;
}

std::string FoldCaseUtf8(std::string_view s) { return Utf16ToUtf8(FoldCase(Utf8ToUtf16(s))); }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) { return CompareNoCase(a, b) == 0; }

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  int r = u_strCaseCompare(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()),
                           U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER, &status);
  if (U_FAILURE(status)) return Sign(a.compare(b));
  return Sign(r);
}

bool IsLetterOrDigit(char32_t c) {
  if (u_isalnum(UChar32(c))) return true;
  int8_t type = u_charType(UChar32(c));
  return type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK;
}

char16_t FoldChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  if (U16_IS_SURROGATE(c)) return c;
  UChar32 m = u_foldCase(c, U_FOLD_CASE_DEFAULT);
  return m <= 0xFFFF ? char16_t(m) : c;
}

int Collate(std::u16string_view a, std::u16string_view b) {
  UCollationResult r = ucol_strcoll(ThreadCollator(), a.data(), int32_t(a.size()), b.data(), int32_t(b.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

namespace {

// The order of the ASCII characters, read from the collator once: 0 for characters it ignores,
// else each character's place (a letter and its capital share one). In the general order every
// ASCII character has one primary weight and the same secondary one, and none forms a
// contraction, so two ASCII texts compare as the sequences of their places: the common case of
// a database's keys, without the collator.
struct AsciiOrder {
  uint8_t place[128] = {};
  AsciiOrder() {
    UCollator* c = ThreadCollator();
    char16_t chars[128];
    int count = 0;
    for (int ch = 0; ch < 128; ++ch) {
      const char16_t one = char16_t(ch);
      if (ucol_strcoll(c, &one, 1, nullptr, 0) == UCOL_EQUAL) continue;  // ignorable
      chars[count++] = one;
    }
    std::sort(chars, chars + count, [&](char16_t x, char16_t y) { return ucol_strcoll(c, &x, 1, &y, 1) == UCOL_LESS; });
    int next = 0;
    for (int k = 0; k < count; ++k) {
      if (k == 0 || ucol_strcoll(c, &chars[k - 1], 1, &chars[k], 1) != UCOL_EQUAL) ++next;
      place[chars[k]] = uint8_t(next);
    }
  }
};

const AsciiOrder& TheAsciiOrder() {
  static const AsciiOrder order;
  return order;
}

// <0, 0, >0, or 2 when a text holds a character beyond ASCII.
int CollateAscii(std::string_view a, std::string_view b) {
  const uint8_t* place = TheAsciiOrder().place;
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && static_cast<unsigned char>(a[i]) < 0x80 && place[static_cast<unsigned char>(a[i])] == 0) ++i;
    while (j < b.size() && static_cast<unsigned char>(b[j]) < 0x80 && place[static_cast<unsigned char>(b[j])] == 0) ++j;
    const bool endA = i == a.size(), endB = j == b.size();
    if (endA || endB) {
      // The rest of the other text may still hold a character beyond ASCII.
      std::string_view rest = endA ? b.substr(j) : a.substr(i);
      for (char ch : rest) {
        if (static_cast<unsigned char>(ch) >= 0x80) return 2;
      }
      return endA && endB ? 0 : (endA ? -1 : 1);
    }
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    if (x >= 0x80 || y >= 0x80) return 2;
    if (place[x] != place[y]) {
      // The order is decided here, unless a later character is beyond ASCII (an accent that
      // combines with this one would change it).
      for (size_t k = i + 1; k < a.size(); ++k) {
        if (static_cast<unsigned char>(a[k]) >= 0x80) return 2;
      }
      for (size_t k = j + 1; k < b.size(); ++k) {
        if (static_cast<unsigned char>(b[k]) >= 0x80) return 2;
      }
      return place[x] < place[y] ? -1 : 1;
    }
    ++i;
    ++j;
  }
}

}  // namespace

int CollateUtf8(std::string_view a, std::string_view b) {
  const int fast = CollateAscii(a, b);
  if (fast != 2) return fast;
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r =
      ucol_strcollUTF8(ThreadCollator(), a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), &status);
  if (U_FAILURE(status)) return Collate(Utf8ToUtf16(a), Utf8ToUtf16(b));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::string CollationKey(std::u16string_view s) {
  UCollator* c = ThreadCollator();
  std::string key(64, '\0');
  int32_t n = ucol_getSortKey(c, s.data(), int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()),
                              int32_t(key.size()));
  if (n > int32_t(key.size())) {
    key.resize(size_t(n));
    n = ucol_getSortKey(c, s.data(), int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()), n);
  }
  // The key ends with its terminating zero byte, which is not part of the ordering.
  key.resize(n > 0 ? size_t(n - 1) : 0);
  return key;
}

std::u16string CollationPrefixEnd(std::u16string_view prefix) {
  // U+FFFF has the highest primary weight of the order: nothing written after the prefix
  // reaches it.
  std::u16string end(prefix);
  end.push_back(u'\uFFFF');
  return end;
}

}  // namespace nux
