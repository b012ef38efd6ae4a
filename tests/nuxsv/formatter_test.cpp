// The value formatter: the text of every type of field value.
#include <gtest/gtest.h>

#include <cwchar>
#include <ctime>
#include <string>

#include "VariantText.h"
#include "base/wstr.h"

namespace {

std::string Text(const CVariantText& v) {
  CString t = v.ToString();
  return nux::ToUtf8(std::u16string_view(t.GetString(), size_t(t.GetLength())));
}

struct TypeCase {
  const char* what;
  void (*set)(VARIANT&);
  const char* text;
};

TEST(VariantText, TextOfEachType) {
  const TypeCase cases[] = {
      {"empty", [](VARIANT& v) { v.vt = VT_EMPTY; }, ""},
      {"null", [](VARIANT& v) { v.vt = VT_NULL; }, ""},
      {"short", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -5; }, "-5"},
      {"long", [](VARIANT& v) { v.vt = VT_I4; v.lVal = -2147483647 - 1; }, "-2147483648"},
      {"single", [](VARIANT& v) { v.vt = VT_R4; v.fltVal = 2.5f; }, "2.500000"},
      {"double", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 3; }, "3.000000"},
      {"currency", [](VARIANT& v) { v.vt = VT_CY; v.cyVal.int64 = 125000; }, "12.5"},
      {"negative currency", [](VARIANT& v) { v.vt = VT_CY; v.cyVal.int64 = -1; }, "-0.0001"},
      {"text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(u"Sirius"); }, "Sirius"},
      {"text trimmed", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(u" \t Orion \r\n"); }, "Orion"},
      {"text of blanks", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(u"   "); }, ""},
      {"empty text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(u""); }, ""},
      {"null text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, ""},
      {"true", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; }, "True"},
      {"other non-zero boolean", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = 1; }, "True"},
      {"false", [](VARIANT& v) { v.vt = VT_BOOL; v.boolVal = VARIANT_FALSE; }, "False"},
      {"byte", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, "200"},
      // Types without a value rule show their name.
      {"VT_I8", [](VARIANT& v) { v.vt = VT_I8; v.llVal = 7; }, "VT_I8"},
      {"VT_I1", [](VARIANT& v) { v.vt = VT_I1; v.cVal = 7; }, "VT_I1"},
      {"VT_UI4", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 7; }, "VT_UI4"},
      {"VT_ERROR", [](VARIANT& v) { v.vt = VT_ERROR; v.scode = 0; }, "VT_ERROR"},
      {"VT_DISPATCH", [](VARIANT& v) { v.vt = VT_DISPATCH; v.pdispVal = nullptr; }, "VT_DISPATCH"},
      {"VT_UNKNOWN", [](VARIANT& v) { v.vt = VT_UNKNOWN; v.punkVal = nullptr; }, "VT_UNKNOWN"},
      {"VT_LPWSTR", [](VARIANT& v) { v.vt = VT_LPWSTR; }, "VT_LPWSTR"},
      {"VT_FILETIME", [](VARIANT& v) { v.vt = VT_FILETIME; }, "VT_FILETIME"},
      {"VT_CLSID", [](VARIANT& v) { v.vt = VT_CLSID; }, "VT_CLSID"},
      // Types without a name give nothing.
      {"VT_DECIMAL", [](VARIANT& v) { v.vt = VT_DECIMAL; }, ""},
      {"15", [](VARIANT& v) { v.vt = 15; }, ""},
      {"VT_RECORD", [](VARIANT& v) { v.vt = VT_RECORD; }, ""},
      {"73", [](VARIANT& v) { v.vt = 73; }, ""},
      // Flags: the base type's name after "Array of " and "Pointer to ".
      {"by reference", [](VARIANT& v) { v.vt = VT_BYREF | VT_I4; v.plVal = nullptr; }, "Pointer to VT_I4"},
      {"array by reference", [](VARIANT& v) { v.vt = VT_ARRAY | VT_BYREF | VT_BSTR; v.pparray = nullptr; },
       "Array of Pointer to VT_BSTR"},
      {"reference to a date", [](VARIANT& v) { v.vt = VT_BYREF | VT_DATE; v.pdate = nullptr; }, "Pointer to VT_DATE"},
      {"reference to 14", [](VARIANT& v) { v.vt = VT_BYREF | VT_DECIMAL; v.byref = nullptr; }, "Pointer to"},
      {"vector", [](VARIANT& v) { v.vt = VT_VECTOR | VT_I4; }, ""},
      {"array of a vector", [](VARIANT& v) { v.vt = VT_ARRAY | VT_BYREF | VT_VECTOR | VT_I4; v.byref = nullptr; },
       "Array of Pointer to"},
  };
  for (const TypeCase& c : cases) {
    CVariantText v;
    c.set(v.m_value);
    EXPECT_EQ(Text(v), c.text) << c.what;
    // The value stays as it was.
    EXPECT_EQ(Text(v), c.text) << c.what;
    if (v.m_value.vt & (VT_BYREF | VT_VECTOR)) v.m_value.vt = VT_EMPTY;  // nothing to release there
  }
}

TEST(VariantText, ByteArrayIsNamedAndReleased) {
  CVariantText v;
  const BYTE bytes[] = {1, 2, 3};
  COleVariant array(bytes, 3);
  VariantCopy(&v.m_value, &array);
  EXPECT_EQ(v.m_value.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(Text(v), "Array of VT_UI1");
  // The destructor releases the copy; the leak checker watches.
}

TEST(VariantText, DatesByTheFormat) {
  CVariantText v;  // sets the time locale the texts below are made in
  EXPECT_EQ(nux::ToUtf8(std::u16string(v.m_pszDateFormat)), "%A, %d. %B %Y");
  auto expected = [](int year, int month, int day, int weekday) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_wday = weekday;
    wchar_t names[128];
    std::wcsftime(names, 128, L"%A|%B", &t);
    std::wstring w(names);
    std::string s(w.begin(), w.end());
    size_t bar = s.find('|');
    char text[160];
    std::snprintf(text, sizeof text, "%s, %02d. %s %d", s.substr(0, bar).c_str(), day, s.substr(bar + 1).c_str(), year);
    return std::string(text);
  };
  v.m_value.vt = VT_DATE;
  v.m_value.date = 36526.75;  // 1 January 2000, 18:00 (a Saturday): the time is not shown
  EXPECT_EQ(Text(v), expected(2000, 1, 1, 6));
  v.m_value.date = 39146;  // 5 March 2007, a Monday
  EXPECT_EQ(Text(v), expected(2007, 3, 5, 1));
  v.m_value.date = -657434;  // 1 January 100, the first date there is
  EXPECT_EQ(Text(v), expected(100, 1, 1, 5));
  v.m_value.date = 1e7;  // past 9999
  EXPECT_EQ(Text(v), "Invalid DateTime");
  v.m_value.date = -700000;
  EXPECT_EQ(Text(v), "Invalid DateTime");
}

TEST(VariantText, ReceivesFieldValues) {
  CVariantText v;
  COleVariant& destination = v;
  destination = COleVariant(u"  Wega  ");
  EXPECT_EQ(v.m_value.vt, VT_BSTR);
  EXPECT_EQ(Text(v), "Wega");
  destination = COleVariant(long(42));
  EXPECT_EQ(Text(v), "42");
}

}  // namespace
