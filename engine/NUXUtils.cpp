#include "NUXUtils.h"

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/codepage.h"

namespace {

std::u16string_view View(const CString& s) {
  return std::u16string_view(s.GetString(), static_cast<size_t>(s.GetLength()));
}

std::u16string UpperCopy(std::u16string_view s) {
  std::u16string upper(s);
  for (char16_t& c : upper) c = nux::UpperAscii(c);
  return upper;
}

int ToIndex(size_t pos) { return pos == std::u16string_view::npos ? -1 : static_cast<int>(pos); }

// The decimal value of the leading digits, read as the wide string-to-long conversion reads
// them: leading white space, an optional sign, then digits; no digits give 0.
long long LeadingDecimal(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || (s[i] >= u'\t' && s[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  long long value = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    if (value < 0x7FFFFFFFLL) value = value * 10 + (s[i] - u'0');
  }
  if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;  // a 32-bit long saturates
  return negative ? -value : value;
}

}  // namespace

int FindNoCase(const CString& text, const CString& what, int start) {
  if (start < 0 || start > text.GetLength()) return -1;
  return ToIndex(UpperCopy(View(text)).find(UpperCopy(View(what)), static_cast<size_t>(start)));
}

int FindFirstOfNoCase(const CString& text, int start, int count, ...) {
  if (count <= 0 || start < 0 || start > text.GetLength()) return -1;
  const std::u16string upper = UpperCopy(View(text));
  const int kNone = 65535;
  int best = kNone;
  va_list args;
  va_start(args, count);
  for (int i = 0; i < count; ++i) {
    LPCWSTR what = va_arg(args, LPCWSTR);
    if (what == nullptr) break;
    const int at = ToIndex(upper.find(UpperCopy(what), static_cast<size_t>(start)));
    if (at >= 0 && at < best) best = at;
  }
  va_end(args);
  return best == kNone ? -1 : best;
}

int HexToInt(const CString& text) {
  // Summed unsigned, so that eight digits and more wrap instead of overflowing a signed value.
  uint32_t sum = 0;
  uint32_t weight = 1;
  for (int i = text.GetLength() - 1; i >= 0; --i) {
    const char16_t c = nux::UpperAscii(static_cast<char16_t>(text[i]));
    uint32_t digit = 0;
    if (c >= u'A' && c <= u'F') {
      digit = static_cast<uint32_t>(c - u'A' + 10);
    } else if (c >= u'0' && c <= u'9') {
      digit = static_cast<uint32_t>(c - u'0');
    }
    sum += digit * weight;
    weight *= 16;
  }
  return static_cast<int>(static_cast<int32_t>(sum));
}

BOOL ReplaceAll(CString& text, const CString& what, const CString& with) {
  if (what.IsEmpty()) return FALSE;
  if (with.GetLength() == 1 && View(with) == View(what)) return FALSE;

  std::u16string work(View(text));
  const std::u16string_view search = View(what);
  const std::u16string_view replacement = View(with);
  BOOL replaced = FALSE;
  size_t pos = 0;
  while (pos <= work.size()) {
    const size_t at = work.find(search, pos);
    if (at == std::u16string::npos) break;
    work.replace(at, search.size(), replacement);
    replaced = TRUE;
    // A short replacement is searched again from its own start.
    pos = replacement.size() >= 2 ? at + replacement.size() : at;
  }
  if (replaced) text = CString(work.c_str(), static_cast<int>(work.size()));
  return replaced;
}

void RgbTextToBgr(CString& text) {
  if (text.GetLength() <= 5) return;
  text = text.Mid(4, 2) + text.Mid(2, 2) + text.Mid(0, 2);
}

COLORREF SwapRGB(COLORREF value) {
  return ((value & 0xFFu) << 16) | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
}

void DecodeCharRefs(CString& text) {
  std::u16string work(View(text));
  bool changed = false;
  size_t pos = 0;
  for (;;) {
    const size_t amp = work.find(u"&#", pos);
    if (amp == std::u16string::npos) break;
    const size_t semi = work.find(u';', amp + 1);
    if (semi == std::u16string::npos) break;
    if (semi - amp >= 10) {
      pos = amp + 2;  // too long to be a reference: left as it is
      continue;
    }
    std::u16string digits = work.substr(amp + 2, semi - amp - 2);
    for (char16_t& c : digits) c = nux::LowerAscii(c);
    work.erase(amp, semi - amp + 1);

    long long value = 0;
    if (!digits.empty() && digits[0] == u'x') {
      const std::u16string hex = digits.substr(1);
      value = HexToInt(CString(hex.c_str(), static_cast<int>(hex.size())));
    } else {
      value = LeadingDecimal(digits);
    }
    // Only the low 16 bits make the character; a zero there would cut the text short wherever it
    // is later used as a C string, so it becomes "X" like the value 0 itself.
    char16_t ch = static_cast<char16_t>(static_cast<uint64_t>(value) & 0xFFFFu);
    if (ch == 0) ch = u'X';
    work.insert(work.begin() + static_cast<std::ptrdiff_t>(amp), ch);
    changed = true;
    pos = amp + 1;
  }
  if (changed) text = CString(work.c_str(), static_cast<int>(work.size()));
}
