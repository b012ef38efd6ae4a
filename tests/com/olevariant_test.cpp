// COleVariant: the value types it is made from, ownership, and its layout as a VARIANT.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "com/com.h"

namespace {

TEST(OleVariant, ConstructorsGiveTheirTypes) {
  struct Case {
    COleVariant value;
    VARTYPE vt;
  };
  CY cy;
  cy.int64 = 5;
  const BYTE bytes[] = {9};
  Case cases[] = {
      {COleVariant(), VT_EMPTY},
      {COleVariant::Null(), VT_NULL},
      {COleVariant(short(-5)), VT_I2},
      {COleVariant(short(1), VT_BOOL), VT_BOOL},
      {COleVariant(7), VT_I4},
      {COleVariant(7L), VT_I4},
      {COleVariant(1, VT_BOOL), VT_BOOL},
      {COleVariant(2.5f), VT_R4},
      {COleVariant(3.0), VT_R8},
      {COleVariant(cy), VT_CY},
      {COleVariant::FromDate(36526.0), VT_DATE},
      {COleVariant(u"text"), VT_BSTR},
      {COleVariant("ansi"), VT_BSTR},
      {COleVariant(CStringW(u"cstring")), VT_BSTR},
      {COleVariant(BYTE(200)), VT_UI1},
      {COleVariant(bytes, 1), VARTYPE(VT_ARRAY | VT_UI1)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.vt, c.vt);
  EXPECT_EQ(COleVariant(short(1), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(COleVariant(static_cast<LPCWSTR>(nullptr)).vt, VT_BSTR);
}

TEST(OleVariant, CopiesOwnTheirValuesAndCompareByValue) {
  COleVariant a(u"Betelgeuse");
  COleVariant b(a);
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_TRUE(a == b);
  b = u"Rigel";
  EXPECT_FALSE(a == b);
  COleVariant moved(std::move(b));
  EXPECT_EQ(b.vt, VT_EMPTY);
  EXPECT_EQ(nux::ToUtf8(moved.bstrVal), "Rigel");
  COleVariant number(12);
  number.ChangeType(VT_BSTR);
  EXPECT_EQ(nux::ToUtf8(number.bstrVal), "12");
  COleVariant word(u"x");
  try {
    word.ChangeType(VT_I4);
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_TYPEMISMATCH);
    e->Delete();
  }
  VARIANT detached = a.Detach();
  EXPECT_EQ(a.vt, VT_EMPTY);
  COleVariant attached;
  attached.Attach(detached);
  EXPECT_EQ(detached.vt, VT_EMPTY);
  EXPECT_EQ(nux::ToUtf8(attached.bstrVal), "Betelgeuse");
}

// A class whose only member is a VARIANT can be filled through a COleVariant reference.
struct Holder {
  VARIANT value;
};

TEST(OleVariant, HasTheLayoutOfAVariant) {
  static_assert(sizeof(COleVariant) == sizeof(VARIANT));
  Holder h;
  VariantInit(&h.value);
  COleVariant& view = *reinterpret_cast<COleVariant*>(&h.value);
  view = COleVariant(u"Deneb");
  EXPECT_EQ(h.value.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(h.value.bstrVal), 5u);
  VariantClear(&h.value);
}

}  // namespace
