// Automation values: BSTR, VARIANT ownership and conversions, currency text and OLE dates.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/codepage.h"
#include "com/com.h"

namespace {

std::string Utf8(BSTR b) { return nux::ToUtf8(std::u16string_view(b ? b : u"", SysStringLen(b))); }

TEST(Bstr, LengthPrefixedAndTerminated) {
  BSTR b = SysAllocString(u"Sirius");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 6u);
  EXPECT_EQ(SysStringByteLen(b), 12u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
  EXPECT_EQ(prefix, 12u);
  EXPECT_EQ(b[6], u'\0');
  // Embedded NULs count; a NULL BSTR is empty.
  BSTR inner = SysAllocStringLen(u"a\0b", 3);
  EXPECT_EQ(SysStringLen(inner), 3u);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_TRUE(SysReAllocString(&b, u"Vega"));
  EXPECT_EQ(Utf8(b), "Vega");
  SysFreeString(b);
  SysFreeString(inner);
  SysFreeString(nullptr);
}

TEST(Variant, ClearFreesWhatTheValueOwnsAndCopyIsDeep) {
  VARIANT a;
  VariantInit(&a);
  a.vt = VT_BSTR;
  a.bstrVal = SysAllocString(u"text");
  VARIANT b;
  VariantInit(&b);
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_NE(b.bstrVal, a.bstrVal);
  EXPECT_EQ(Utf8(b.bstrVal), "text");
  EXPECT_EQ(VariantClear(&a), S_OK);
  EXPECT_EQ(a.vt, VT_EMPTY);

  VARIANT arr;
  VariantInit(&arr);
  arr.vt = VT_ARRAY | VT_UI1;
  arr.parray = SafeArrayCreateVector(VT_UI1, 0, 16);
  VARIANT arrCopy;
  VariantInit(&arrCopy);
  ASSERT_EQ(VariantCopy(&arrCopy, &arr), S_OK);
  EXPECT_NE(arrCopy.parray, arr.parray);
  LONG upper = 0;
  SafeArrayGetUBound(arrCopy.parray, 1, &upper);
  EXPECT_EQ(upper, 15);
  EXPECT_EQ(VariantClear(&arr), S_OK);
  EXPECT_EQ(VariantClear(&arrCopy), S_OK);
  EXPECT_EQ(VariantClear(&b), S_OK);
  // A locked array is not destroyed; an unknown type is left alone.
  SAFEARRAY* locked = SafeArrayCreateVector(VT_I4, 0, 2);
  void* data;
  SafeArrayAccessData(locked, &data);
  EXPECT_EQ(SafeArrayDestroy(locked), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(locked);
  EXPECT_EQ(SafeArrayDestroy(locked), S_OK);
  VARIANT odd;
  VariantInit(&odd);
  odd.vt = 0x7F;
  EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
}

TEST(Variant, ChangeTypeBetweenNumbersTextsAndDates) {
  struct Case {
    VARIANT (*make)();
    VARTYPE to;
    HRESULT hr;
    const char* text;  // the result as text, for successful cases
  };
  auto i4 = [](LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
  };
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(u" 42 ");
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &text, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 42);
  SysReAllocString(&text.bstrVal, u"Vega");
  EXPECT_EQ(VariantChangeType(&out, &text, 0, VT_I4), DISP_E_TYPEMISMATCH);
  VARIANT big = i4(70000);
  EXPECT_EQ(VariantChangeType(&out, &big, 0, VT_I2), DISP_E_OVERFLOW);
  VARIANT half;
  VariantInit(&half);
  half.vt = VT_R8;
  half.dblVal = 2.5;
  ASSERT_EQ(VariantChangeType(&out, &half, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 2);  // rounds half to even
  ASSERT_EQ(VariantChangeType(&out, &half, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Utf8(out.bstrVal), "2.5");
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  VariantClear(&out);
  VariantClear(&text);
}

TEST(Currency, TextIsThePlainNumber) {
  struct Case {
    LONGLONG scaled;
    const char* text;
  };
  const Case cases[] = {{125000, "12.5"},   {70000, "7"},       {-1, "-0.0001"},   {0, "0"},
                        {-123456789, "-12345.6789"}, {INT64_MIN, "-922337203685477.5808"}};
  for (const Case& c : cases) {
    CY cy;
    cy.int64 = c.scaled;
    BSTR b = nullptr;
    ASSERT_EQ(VarBstrFromCy(cy, LOCALE_USER_DEFAULT, 0, &b), S_OK);
    EXPECT_EQ(Utf8(b), c.text);
    SysFreeString(b);
  }
}

TEST(OleDate, SplitsIntoCalendarFields) {
  struct Case {
    double date;
    HRESULT hr;
    int year, month, day, weekday, hour, minute, second, dayOfYear;
  };
  const Case cases[] = {
      {0.0, S_OK, 1899, 12, 30, 6, 0, 0, 0, 364},
      {36526.0, S_OK, 2000, 1, 1, 6, 0, 0, 0, 1},
      {39146.0 + 14.5 / 24, S_OK, 2007, 3, 5, 1, 14, 30, 0, 64},
      {-1.25, S_OK, 1899, 12, 29, 5, 6, 0, 0, 363},
      {-0.5, S_OK, 1899, 12, 30, 6, 12, 0, 0, 364},
      {1.0 - 0.1 / 86400, S_OK, 1899, 12, 31, 0, 0, 0, 0, 365},  // rounds up to the next midnight
      {2958465.0, S_OK, 9999, 12, 31, 5, 0, 0, 0, 365},
      {-657434.0, S_OK, 100, 1, 1, 5, 0, 0, 0, 1},
      {2958466.0, E_INVALIDARG, 0, 0, 0, 0, 0, 0, 0, 0},
      {-657435.0, E_INVALIDARG, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.date);
    UDATE u{};
    ASSERT_EQ(VarUdateFromDate(c.date, 0, &u), c.hr);
    if (c.hr != S_OK) continue;
    EXPECT_EQ(u.st.wYear, c.year);
    EXPECT_EQ(u.st.wMonth, c.month);
    EXPECT_EQ(u.st.wDay, c.day);
    EXPECT_EQ(u.st.wDayOfWeek, c.weekday);
    EXPECT_EQ(u.st.wHour, c.hour);
    EXPECT_EQ(u.st.wMinute, c.minute);
    EXPECT_EQ(u.st.wSecond, c.second);
    EXPECT_EQ(u.wDayOfYear, c.dayOfYear);
    if (c.date >= 0 && c.date == double(int64_t(c.date))) {
      DATE back = -1;
      ASSERT_EQ(VarDateFromUdate(&u, 0, &back), S_OK);
      EXPECT_EQ(back, c.date);
    }
  }
  UDATE bad{};
  bad.st.wYear = 2001;
  bad.st.wMonth = 2;
  bad.st.wDay = 29;
  DATE d;
  EXPECT_EQ(VarDateFromUdate(&bad, 0, &d), E_INVALIDARG);
}

}  // namespace
