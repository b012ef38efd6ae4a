#include "VariantText.h"

#include <clocale>
#include <cwchar>
#include <cwctype>
#include <ctime>
#include <mutex>
#include <string>

#include "dao/dao.h"

namespace {

// The names of the types that have one; nullptr for the others.
const char16_t* TypeName(unsigned type) {
  static const char16_t* const kLow[] = {
      u"VT_EMPTY",    u"VT_NULL",     u"VT_I2",       u"VT_I4",          u"VT_R4",          u"VT_R8",
      u"VT_CY",       u"VT_DATE",     u"VT_BSTR",     u"VT_DISPATCH",    u"VT_ERROR",       u"VT_BOOL",
      u"VT_VARIANT",  u"VT_UNKNOWN",  nullptr,        nullptr,           u"VT_I1",          u"VT_UI1",
      u"VT_UI2",      u"VT_UI4",      u"VT_I8",       u"VT_UI8",         u"VT_INT",         u"VT_UINT",
      u"VT_VOID",     u"VT_HRESULT",  u"VT_PTR",      u"VT_SAFEARRAY",   u"VT_CARRAY",      u"VT_USERDEFINED",
      u"VT_LPSTR",    u"VT_LPWSTR"};
  static const char16_t* const kHigh[] = {u"VT_FILETIME",       u"VT_BLOB",          u"VT_STREAM",
                                          u"VT_STORAGE",        u"VT_STREAMED_OBJECT", u"VT_STORED_OBJECT",
                                          u"VT_BLOB_OBJECT",    u"VT_CF",            u"VT_CLSID"};
  if (type < 32) return kLow[type];
  if (type >= 64 && type <= 72) return kHigh[type - 64];
  return nullptr;
}

CString DateText(DATE date, LPCWSTR format) {
  UDATE ud{};
  if (FAILED(VarUdateFromDate(date, 0, &ud))) return CString(u"Invalid DateTime");
  std::tm t{};
  t.tm_year = ud.st.wYear - 1900;
  t.tm_mon = ud.st.wMonth - 1;
  t.tm_mday = ud.st.wDay;
  t.tm_wday = ud.st.wDayOfWeek;
  t.tm_yday = ud.wDayOfYear - 1;
  t.tm_hour = ud.st.wHour;
  t.tm_min = ud.st.wMinute;
  t.tm_sec = ud.st.wSecond;
  // The run-time library's wide characters are 32 bits here; the format is plain text.
  std::wstring wideFormat;
  for (LPCWSTR p = format; *p; ++p) wideFormat += wchar_t(*p);
  wchar_t buffer[256];
  size_t n = std::wcsftime(buffer, 256, wideFormat.c_str(), &t);
  std::u16string text;
  for (size_t i = 0; i < n; ++i) {
    char32_t c = char32_t(buffer[i]);
    if (c < 0x10000) {
      text.push_back(char16_t(c));
    } else {
      c -= 0x10000;
      text.push_back(char16_t(0xD800 + (c >> 10)));
      text.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    }
  }
  return CString(text.c_str());
}

bool IsSpace(char16_t c) { return std::iswspace(wint_t(c)) != 0; }

}  // namespace

CVariantText::CVariantText() : m_pszDateFormat(u"%A, %d. %B %Y") {
  VariantInit(&m_value);
  // The user's locale names the weekdays and months of dates; once is enough for the library.
  static std::once_flag localeSet;
  std::call_once(localeSet, [] { std::setlocale(LC_TIME, ""); });
}

CVariantText::~CVariantText() { VariantClear(&m_value); }

CString CVariantText::ToString() const {
  const VARTYPE type = m_value.vt;
  CString text;
  switch (type) {
    case VT_EMPTY:
    case VT_NULL:
      return CString();
    case VT_BOOL:
      return CString(m_value.boolVal ? u"True" : u"False");
    case VT_I2:
      text.Format(u"%hd", m_value.iVal);
      break;
    case VT_I4:
      text.Format(u"%d", int(m_value.lVal));
      break;
    case VT_R4:
      text.Format(u"%f", double(m_value.fltVal));
      break;
    case VT_R8:
      text.Format(u"%f", m_value.dblVal);
      break;
    case VT_CY: {
      BSTR number = nullptr;
      if (SUCCEEDED(VarBstrFromCy(m_value.cyVal, LOCALE_USER_DEFAULT, 0, &number)) && number) {
        text = number;
      }
      SysFreeString(number);
      break;
    }
    case VT_DATE:
      text = DateText(m_value.date, m_pszDateFormat);
      break;
    case VT_BSTR:
      if (m_value.bstrVal) text = CString(m_value.bstrVal, int(SysStringLen(m_value.bstrVal)));
      break;
    case VT_UI1:
      text.Format(u"%u", unsigned(m_value.bVal));
      break;
    default:
      // Every other type without a flag bit that has a name shows its name.
      if (const char16_t* name = TypeName(type)) text = name;
      break;
  }

  if (text.IsEmpty()) {
    const VARTYPE base = VARTYPE(type & ~(VT_ARRAY | VT_BYREF));
    if (type & VT_ARRAY) text = u"Array of ";
    if (type & VT_BYREF) text += u"Pointer to ";
    if (type & (VT_ARRAY | VT_BYREF)) {
      if (const char16_t* name = TypeName(base)) text += name;
    }
  }

  int end = text.GetLength();
  while (end > 0 && IsSpace(text[end - 1])) --end;
  int start = 0;
  while (start < end && IsSpace(text[start])) ++start;
  if (start == 0 && end == text.GetLength()) return text;
  return text.Mid(start, end - start);
}

long ReadLongField(CDaoRecordset& rs, LPCWSTR column) {
  COleVariant value;
  rs.GetFieldValue(column, value);
  VARIANT converted;
  VariantInit(&converted);
  long result = 0;
  if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_I4))) result = converted.lVal;
  VariantClear(&converted);
  return result;
}
