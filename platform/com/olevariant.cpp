// COleVariant and the class library's OLE start-up.
#include "com/olevariant.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "mfc/exceptions.h"

IMPLEMENT_DYNAMIC(COleException, CException)

BOOL COleException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext) *pnHelpContext = 0;
  const char16_t* text = nullptr;
  switch (m_sc) {
    case DISP_E_TYPEMISMATCH: text = u"Type mismatch."; break;
    case DISP_E_OVERFLOW: text = u"Out of present range."; break;
    case DISP_E_BADVARTYPE: text = u"Bad variable type."; break;
    case E_OUTOFMEMORY: text = u"Out of memory."; break;
    case E_INVALIDARG: text = u"The parameter is incorrect."; break;
    default: break;
  }
  if (!text) {
    CStringW s;
    s.Format(u"OLE error 0x%08lX", (unsigned long)(ULONG)m_sc);
    return CopyMessage(s, lpszError, nMaxError);
  }
  return CopyMessage(CStringW(text), lpszError, nMaxError);
}

SCODE PASCAL COleException::Process(const CException* pAnyException) {
  if (auto* ole = dynamic_cast<const COleException*>(pAnyException)) return ole->m_sc;
  if (dynamic_cast<const CMemoryException*>(pAnyException)) return E_OUTOFMEMORY;
  if (dynamic_cast<const CNotSupportedException*>(pAnyException)) return E_NOTIMPL;
  return E_UNEXPECTED;
}

void AFXAPI AfxThrowOleException(SCODE sc) {
  if (sc == E_OUTOFMEMORY) AfxThrowMemoryException();
  throw new COleException(sc);
}

namespace {

void Check(HRESULT hr) {
  if (FAILED(hr)) AfxThrowOleException(hr);
}

BSTR MakeBstr(const char16_t* s, size_t n) {
  BSTR b = SysAllocStringLen(s, UINT(n));
  if (!b) AfxThrowMemoryException();
  return b;
}

}  // namespace

COleVariant::COleVariant(const VARIANT& varSrc) {
  VariantInit(this);
  Check(VariantCopy(this, &varSrc));
}

COleVariant::COleVariant(LPCVARIANT pSrc) {
  VariantInit(this);
  if (pSrc) Check(VariantCopy(this, pSrc));
}

COleVariant::COleVariant(const COleVariant& varSrc) : COleVariant(static_cast<const VARIANT&>(varSrc)) {}

COleVariant::COleVariant(COleVariant&& varSrc) noexcept {
  std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&varSrc), sizeof(VARIANT));
  VariantInit(&varSrc);
}

COleVariant::COleVariant(LPCWSTR lpszSrc) {
  VariantInit(this);
  SetString(lpszSrc);
}

COleVariant::COleVariant(LPCWSTR lpszSrc, VARTYPE vtSrc) {
  VariantInit(this);
  SetString(lpszSrc, vtSrc);
}

COleVariant::COleVariant(LPCSTR lpszSrc) {
  VariantInit(this);
  CStringW wide(lpszSrc);
  SetString(wide.GetString());
}

COleVariant::COleVariant(const CStringW& strSrc) {
  VariantInit(this);
  vt = VT_BSTR;
  bstrVal = MakeBstr(strSrc.GetString(), size_t(strSrc.GetLength()));
}

COleVariant::COleVariant(const CStringA& strSrc) : COleVariant(CStringW(strSrc)) {}

COleVariant::COleVariant(BYTE nSrc) {
  VariantInit(this);
  vt = VT_UI1;
  bVal = nSrc;
}

COleVariant::COleVariant(short nSrc, VARTYPE vtSrc) {
  VariantInit(this);
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    vt = VT_I2;
    iVal = nSrc;
  }
}

COleVariant::COleVariant(int lSrc, VARTYPE vtSrc) {
  VariantInit(this);
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (vtSrc == VT_ERROR) {
    vt = VT_ERROR;
    scode = lSrc;
  } else {
    vt = VT_I4;
    lVal = lSrc;
  }
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc) : COleVariant(int(lSrc), vtSrc) {}

COleVariant::COleVariant(float fltSrc) {
  VariantInit(this);
  vt = VT_R4;
  fltVal = fltSrc;
}

COleVariant::COleVariant(double dblSrc) {
  VariantInit(this);
  vt = VT_R8;
  dblVal = dblSrc;
}

COleVariant::COleVariant(CY cySrc) {
  VariantInit(this);
  vt = VT_CY;
  cyVal = cySrc;
}

COleVariant::COleVariant(const BYTE* pData, ULONG nBytes) {
  VariantInit(this);
  SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, nBytes);
  if (!psa) AfxThrowMemoryException();
  if (nBytes) std::memcpy(psa->pvData, pData, nBytes);
  vt = VT_ARRAY | VT_UI1;
  parray = psa;
}

COleVariant COleVariant::FromDate(DATE value) {
  COleVariant v;
  v.vt = VT_DATE;
  v.date = value;
  return v;
}

COleVariant COleVariant::Null() {
  COleVariant v;
  v.vt = VT_NULL;
  return v;
}

void COleVariant::ChangeType(VARTYPE vartype, LPVARIANT pSrc) {
  if (!pSrc) pSrc = this;
  if (pSrc != this || vartype != vt) Check(VariantChangeType(this, pSrc, 0, vartype));
}

void COleVariant::Attach(VARIANT& varSrc) {
  Check(VariantClear(this));
  std::memcpy(static_cast<VARIANT*>(this), &varSrc, sizeof(VARIANT));
  varSrc.vt = VT_EMPTY;
}

VARIANT COleVariant::Detach() {
  VARIANT out = *static_cast<VARIANT*>(this);
  VariantInit(this);
  return out;
}

void COleVariant::SetString(LPCWSTR lpszSrc, VARTYPE vtSrc) {
  if (vtSrc != VT_BSTR) AfxThrowInvalidArgException();
  VariantClear(this);
  vt = VT_BSTR;
  bstrVal = lpszSrc ? MakeBstr(lpszSrc, wcslen(lpszSrc)) : MakeBstr(u"", 0);
}

COleVariant& COleVariant::operator=(const VARIANT& varSrc) {
  if (&varSrc != this) Check(VariantCopy(this, &varSrc));
  return *this;
}

COleVariant& COleVariant::operator=(LPCVARIANT pSrc) {
  if (!pSrc) {
    Clear();
    return *this;
  }
  return *this = *pSrc;
}

COleVariant& COleVariant::operator=(const COleVariant& varSrc) { return *this = static_cast<const VARIANT&>(varSrc); }

COleVariant& COleVariant::operator=(COleVariant&& varSrc) noexcept {
  if (&varSrc != this) {
    VariantClear(this);
    std::memcpy(static_cast<VARIANT*>(this), static_cast<VARIANT*>(&varSrc), sizeof(VARIANT));
    VariantInit(&varSrc);
  }
  return *this;
}

COleVariant& COleVariant::operator=(LPCWSTR lpszSrc) {
  SetString(lpszSrc);
  return *this;
}

COleVariant& COleVariant::operator=(const CStringW& strSrc) {
  BSTR b = MakeBstr(strSrc.GetString(), size_t(strSrc.GetLength()));
  VariantClear(this);
  vt = VT_BSTR;
  bstrVal = b;
  return *this;
}

COleVariant& COleVariant::operator=(BYTE nSrc) { return *this = COleVariant(nSrc); }
COleVariant& COleVariant::operator=(short nSrc) { return *this = COleVariant(nSrc); }
COleVariant& COleVariant::operator=(int lSrc) { return *this = COleVariant(lSrc); }
COleVariant& COleVariant::operator=(long lSrc) { return *this = COleVariant(lSrc); }
COleVariant& COleVariant::operator=(float fltSrc) { return *this = COleVariant(fltSrc); }
COleVariant& COleVariant::operator=(double dblSrc) { return *this = COleVariant(dblSrc); }

BOOL COleVariant::operator==(const VARIANT& o) const {
  if (vt != o.vt) return FALSE;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return TRUE;
    case VT_I2: return iVal == o.iVal;
    case VT_I4:
    case VT_ERROR: return lVal == o.lVal;
    case VT_R4: return fltVal == o.fltVal;
    case VT_R8: return dblVal == o.dblVal;
    case VT_DATE: return date == o.date;
    case VT_CY: return cyVal.int64 == o.cyVal.int64;
    case VT_BOOL: return boolVal == o.boolVal;
    case VT_UI1: return bVal == o.bVal;
    case VT_BSTR: {
      UINT a = SysStringLen(bstrVal), b = SysStringLen(o.bstrVal);
      return a == b && (a == 0 || std::memcmp(bstrVal, o.bstrVal, a * sizeof(OLECHAR)) == 0);
    }
    case VT_ARRAY | VT_UI1: {
      ULONG a = parray ? parray->rgsabound[0].cElements : 0, b = o.parray ? o.parray->rgsabound[0].cElements : 0;
      return a == b && (a == 0 || std::memcmp(parray->pvData, o.parray->pvData, a) == 0);
    }
    default: return llVal == o.llVal;
  }
}

namespace {
std::atomic<bool> g_containerEnabled{false};
std::atomic<bool> g_oleInitFails{false};
}  // namespace

BOOL AFXAPI AfxOleInit() {
  if (g_oleInitFails) return FALSE;
  return SUCCEEDED(OleInitialize(nullptr)) ? TRUE : FALSE;
}
void AFXAPI AfxOleTerm(BOOL) { OleUninitialize(); }
void AFXAPI AfxEnableControlContainer() { g_containerEnabled = true; }
namespace nux::com {
bool ControlContainerEnabled() { return g_containerEnabled; }
void SetOleInitFailure(bool fail) { g_oleInitFails = fail; }
}  // namespace nux::com
