// COleVariant: a VARIANT that owns its value, and the class library's OLE start-up calls.
//
// COleVariant adds no data to VARIANT, so a COleVariant and a VARIANT (or any class whose first
// and only owned member is a VARIANT) may stand for each other.
#pragma once

#include "base/types.h"
#include "com/oleauto.h"
#include "com/unknown.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"

#define VT_BSTRT VT_BSTR

class COleVariant : public tagVARIANT {
 public:
  COleVariant() { VariantInit(this); }
  COleVariant(const VARIANT& varSrc);
  COleVariant(LPCVARIANT pSrc);
  COleVariant(const COleVariant& varSrc);
  COleVariant(COleVariant&& varSrc) noexcept;
  // Texts become VT_BSTR (a NULL pointer an empty text).
  COleVariant(LPCWSTR lpszSrc);
  COleVariant(LPCWSTR lpszSrc, VARTYPE vtSrc);  // vtSrc must be VT_BSTR
  COleVariant(LPCSTR lpszSrc);                  // through the ANSI code page
  COleVariant(const CStringW& strSrc);
  COleVariant(const CStringA& strSrc);
  COleVariant(BYTE nSrc);  // VT_UI1
  // VT_I2 by default; VT_BOOL turns a non-zero value into VARIANT_TRUE.
  COleVariant(short nSrc, VARTYPE vtSrc = VT_I2);
  // VT_I4 by default; VT_BOOL or VT_ERROR may be asked for. `long` is narrowed to 32 bits.
  COleVariant(int lSrc, VARTYPE vtSrc = VT_I4);
  COleVariant(long lSrc, VARTYPE vtSrc = VT_I4);
  COleVariant(float fltSrc);
  COleVariant(double dblSrc);
  COleVariant(CY cySrc);
  // A byte array, as the database layer gives binary fields (VT_ARRAY | VT_UI1).
  COleVariant(const BYTE* pData, ULONG nBytes);
  ~COleVariant() { VariantClear(this); }

  // A VT_DATE value.
  static COleVariant FromDate(DATE date);
  // A VT_NULL value.
  static COleVariant Null();

  void Clear() { VariantClear(this); }
  void ChangeType(VARTYPE vartype, LPVARIANT pSrc = nullptr);  // throws CMemoryException / COleException-like CException on failure
  void Attach(VARIANT& varSrc);
  VARIANT Detach();
  void SetString(LPCWSTR lpszSrc, VARTYPE vtSrc = VT_BSTR);

  COleVariant& operator=(const VARIANT& varSrc);
  COleVariant& operator=(LPCVARIANT pSrc);
  COleVariant& operator=(const COleVariant& varSrc);
  COleVariant& operator=(COleVariant&& varSrc) noexcept;
  COleVariant& operator=(LPCWSTR lpszSrc);
  COleVariant& operator=(const CStringW& strSrc);
  COleVariant& operator=(BYTE nSrc);
  COleVariant& operator=(short nSrc);
  COleVariant& operator=(int lSrc);
  COleVariant& operator=(long lSrc);
  COleVariant& operator=(float fltSrc);
  COleVariant& operator=(double dblSrc);

  // Same type and same value (texts compared exactly).
  BOOL operator==(const VARIANT& varSrc) const;
  BOOL operator==(const COleVariant& varSrc) const { return *this == static_cast<const VARIANT&>(varSrc); }
  BOOL operator==(LPCVARIANT pSrc) const { return pSrc && *this == *pSrc; }
  BOOL operator!=(const VARIANT& varSrc) const { return !(*this == varSrc); }

  operator LPVARIANT() { return this; }
  operator LPCVARIANT() const { return this; }
};

// A failed conversion of COleVariant::ChangeType: the HRESULT of the automation call.
class COleException : public CException {
  DECLARE_DYNAMIC(COleException)

 public:
  explicit COleException(SCODE sc = S_OK) : m_sc(sc) {}
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;
  static SCODE PASCAL Process(const CException* pAnyException);

  SCODE m_sc;
};
[[noreturn]] void AFXAPI AfxThrowOleException(SCODE sc);

// Initialises OLE for the calling thread (OleInitialize); TRUE on success.
BOOL AFXAPI AfxOleInit();
// Balances AfxOleInit (the class library calls it when the application ends).
void AFXAPI AfxOleTerm(BOOL bJustRevoke = FALSE);
// Lets windows host controls. The headless controls need nothing set up; the call is noted
// so that hosts can check it was made.
void AFXAPI AfxEnableControlContainer();
namespace nux::com {
bool ControlContainerEnabled();
// Makes AfxOleInit fail (return FALSE) while set, so that start-up checks can show how they
// report it.
void SetOleInitFailure(bool fail);
}  // namespace nux::com
