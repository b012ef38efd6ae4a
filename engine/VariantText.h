// One database field value turned into display text. A CVariantText is the receiving variant
// of CDaoRecordset::GetFieldValue (its first member is the VARIANT, and it converts to the
// COleVariant the recordset fills); ToString gives the value's text.
#pragma once

#include "com/olevariant.h"
#include "mfc/cstring.h"

class CDaoRecordset;

class CVariantText {
 public:
  // Sets the run-time library's LC_TIME category to the user's locale (once for the library)
  // and the date format to "%A, %d. %B %Y".
  CVariantText();
  ~CVariantText();
  CVariantText(const CVariantText&) = delete;
  CVariantText& operator=(const CVariantText&) = delete;

  // The held value's text; the value itself is left as it is.
  //  - empty and null give "", booleans "True" or "False" (untrimmed);
  //  - numbers by type: VT_I2 "%hd", VT_I4 "%d", VT_R4 and VT_R8 "%f", VT_UI1 "%u", currency
  //    as its plain number, dates with the date format, texts as they are;
  //  - other types without flags give their type name ("VT_I8"), except VT_DECIMAL,
  //    VT_RECORD and the like, which give "";
  //  - arrays and references give "Array of ", "Pointer to " and the base type's name;
  //  - white space is then removed at the end and at the start.
  CString ToString() const;

  // The value as the recordset's destination.
  COleVariant& Variant() { return static_cast<COleVariant&>(m_value); }
  operator COleVariant&() { return Variant(); }

  VARIANT m_value;          // owned: cleared when the object goes
  LPCWSTR m_pszDateFormat;  // "%A, %d. %B %Y" (a constant text: nothing to release)
};

// The field's value as a whole number (0 where it does not convert).
long ReadLongField(CDaoRecordset& rs, LPCWSTR column);
