// BSTR strings, SAFEARRAYs and VARIANT handling.
#include "com/oleauto.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/wstr.h"
#include "com/unknown.h"

// ---- BSTR -----------------------------------------------------------------------
// Layout: [uint32 byte count][characters][NUL]; the BSTR points at the characters.

namespace {

BSTR AllocBytes(const void* data, UINT bytes) {
  auto* block = static_cast<uint8_t*>(std::malloc(sizeof(uint32_t) + size_t(bytes) + sizeof(OLECHAR) + 1));
  if (!block) return nullptr;
  uint32_t count = bytes;
  std::memcpy(block, &count, sizeof(count));
  uint8_t* chars = block + sizeof(uint32_t);
  if (data) {
    std::memcpy(chars, data, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  // Two (or three, for an odd byte count) terminating zero bytes.
  std::memset(chars + bytes, 0, sizeof(OLECHAR) + 1);
  return reinterpret_cast<BSTR>(chars);
}

uint8_t* BlockOf(BSTR bstr) { return reinterpret_cast<uint8_t*>(bstr) - sizeof(uint32_t); }

}  // namespace

BSTR SysAllocString(LPCOLESTR psz) {
  if (!psz) return nullptr;
  return SysAllocStringLen(psz, UINT(wcslen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) { return AllocBytes(pch, cch * UINT(sizeof(OLECHAR))); }

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) { return AllocBytes(psz, len); }

void SysFreeString(BSTR bstr) {
  if (bstr) std::free(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr) {
  if (!bstr) return 0;
  uint32_t count;
  std::memcpy(&count, BlockOf(bstr), sizeof(count));
  return count;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / UINT(sizeof(OLECHAR)); }

INT SysReAllocString(BSTR* pbstr, LPCOLESTR psz) {
  return SysReAllocStringLen(pbstr, psz, psz ? UINT(wcslen(psz)) : 0);
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  BSTR fresh = SysAllocStringLen(psz, len);
  if (!fresh) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

// ---- SAFEARRAY ------------------------------------------------------------------

namespace {

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

// The array's element type is kept in front of the descriptor, as FADF_HAVEVARTYPE says.
struct ArrayBlock {
  VARTYPE vt;
  VARTYPE pad[3];
  SAFEARRAY array;
};

ArrayBlock* BlockOf(SAFEARRAY* psa) {
  return reinterpret_cast<ArrayBlock*>(reinterpret_cast<uint8_t*>(psa) - offsetof(ArrayBlock, array));
}

ULONG TotalElements(const SAFEARRAY* psa) {
  ULONG n = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) n *= psa->rgsabound[i].cElements;
  return psa->cDims ? n : 0;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  ULONG size = ElementSize(vt);
  if (size == 0 || cDims == 0 || !rgsabound) return nullptr;
  size_t bytes = sizeof(ArrayBlock) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<ArrayBlock*>(std::calloc(1, bytes));
  if (!block) return nullptr;
  block->vt = vt;
  SAFEARRAY* psa = &block->array;
  psa->cDims = USHORT(cDims);
  psa->cbElements = size;
  psa->fFeatures = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) psa->fFeatures |= FADF_BSTR;
  if (vt == VT_VARIANT) psa->fFeatures |= FADF_VARIANT;
  // The bounds are stored in reverse order, the last dimension first.
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[i] = rgsabound[cDims - 1 - i];
  ULONG count = TotalElements(psa);
  psa->pvData = std::calloc(count ? count : 1, size);
  if (!psa->pvData) {
    std::free(block);
    return nullptr;
  }
  if (vt == VT_VARIANT) {
    auto* v = static_cast<VARIANT*>(psa->pvData);
    for (ULONG i = 0; i < count; ++i) VariantInit(&v[i]);
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
  ArrayBlock* block = BlockOf(psa);
  ULONG count = TotalElements(psa);
  if (block->vt == VT_BSTR) {
    auto* s = static_cast<BSTR*>(psa->pvData);
    for (ULONG i = 0; i < count; ++i) SysFreeString(s[i]);
  } else if (block->vt == VT_VARIANT) {
    auto* v = static_cast<VARIANT*>(psa->pvData);
    for (ULONG i = 0; i < count; ++i) VariantClear(&v[i]);
  } else if (block->vt == VT_UNKNOWN || block->vt == VT_DISPATCH) {
    auto* p = static_cast<IUnknown**>(psa->pvData);
    for (ULONG i = 0; i < count; ++i) {
      if (p[i]) p[i]->Release();
    }
  }
  std::free(psa->pvData);
  std::free(block);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  ArrayBlock* block = BlockOf(psa);
  SAFEARRAYBOUND bounds[8];
  if (psa->cDims > 8) return E_INVALIDARG;
  for (USHORT i = 0; i < psa->cDims; ++i) bounds[i] = psa->rgsabound[psa->cDims - 1 - i];
  SAFEARRAY* copy = SafeArrayCreate(block->vt, psa->cDims, bounds);
  if (!copy) return E_OUTOFMEMORY;
  ULONG count = TotalElements(psa);
  if (block->vt == VT_BSTR) {
    auto* from = static_cast<BSTR*>(psa->pvData);
    auto* to = static_cast<BSTR*>(copy->pvData);
    for (ULONG i = 0; i < count; ++i) to[i] = from[i] ? SysAllocStringLen(from[i], SysStringLen(from[i])) : nullptr;
  } else if (block->vt == VT_VARIANT) {
    auto* from = static_cast<VARIANT*>(psa->pvData);
    auto* to = static_cast<VARIANT*>(copy->pvData);
    for (ULONG i = 0; i < count; ++i) VariantCopy(&to[i], &from[i]);
  } else {
    std::memcpy(copy->pvData, psa->pvData, size_t(count) * psa->cbElements);
    if (block->vt == VT_UNKNOWN || block->vt == VT_DISPATCH) {
      auto* p = static_cast<IUnknown**>(copy->pvData);
      for (ULONG i = 0; i < count; ++i) {
        if (p[i]) p[i]->AddRef();
      }
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa || psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  ++psa->cLocks;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  *plUbound = b.lLbound + LONG(b.cElements) - 1;
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  *pvt = BlockOf(psa)->vt;
  return S_OK;
}

// ---- VARIANT --------------------------------------------------------------------

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  std::memset(pvarg, 0, sizeof(*pvarg));
  pvarg->vt = VT_EMPTY;
}

namespace {

bool KnownType(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  if (vt & VT_VECTOR) return false;
  if (base <= VT_UNKNOWN || (base >= VT_I1 && base <= VT_UINT) || base == VT_DECIMAL || base == VT_RECORD) return true;
  return false;
}

}  // namespace

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  VARTYPE vt = pvarg->vt;
  if (!KnownType(vt)) return DISP_E_BADVARTYPE;
  if (!(vt & VT_BYREF)) {
    if (vt & VT_ARRAY) {
      SafeArrayDestroy(pvarg->parray);
    } else if (vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
      if (pvarg->punkVal) pvarg->punkVal->Release();
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  if (!KnownType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *pvargSrc;
  VARTYPE vt = pvargSrc->vt;
  if (!(vt & VT_BYREF)) {
    if (vt & VT_ARRAY) {
      HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
      if (hr != S_OK) return hr;
    } else if (vt == VT_BSTR) {
      copy.bstrVal = pvargSrc->bstrVal ? SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal)) : nullptr;
      if (pvargSrc->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
      if (copy.punkVal) copy.punkVal->AddRef();
    }
  }
  HRESULT hr = VariantClear(pvargDest);
  if (hr != S_OK) {
    VARIANT tmp = copy;
    VariantClear(&tmp);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}

namespace {

// The numeric value of a scalar variant; false when it has none.
bool NumberOf(const VARIANT& v, double& out) {
  switch (v.vt) {
    case VT_EMPTY: out = 0; return true;
    case VT_I2: out = v.iVal; return true;
    case VT_I4: out = v.lVal; return true;
    case VT_R4: out = v.fltVal; return true;
    case VT_R8: out = v.dblVal; return true;
    case VT_CY: out = double(v.cyVal.int64) / 10000.0; return true;
    case VT_DATE: out = v.date; return true;
    case VT_BOOL: out = v.boolVal ? -1 : 0; return true;
    case VT_UI1: out = v.bVal; return true;
    case VT_I1: out = v.cVal; return true;
    case VT_UI2: out = v.uiVal; return true;
    case VT_UI4: out = v.ulVal; return true;
    case VT_INT: out = v.intVal; return true;
    case VT_UINT: out = v.uintVal; return true;
    case VT_I8: out = double(v.llVal); return true;
    case VT_UI8: out = double(v.ullVal); return true;
    default: return false;
  }
}

std::u16string NumberText(double d) {
  // The fewest significant digits that read back as the same double, in fixed notation for
  // ordinary magnitudes and in exponent notation beyond them, as the automation run-time does.
  char buf[64];
  int precision = 1;
  for (; precision < 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, d);
  int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  if (d != 0 && (exponent < -5 || exponent >= 15)) {
    std::snprintf(buf, sizeof buf, "%.*E", precision - 1, d);
  } else {
    int decimals = precision - 1 - exponent;
    std::snprintf(buf, sizeof buf, "%.*f", decimals > 0 ? decimals : 0, d);
  }
  std::u16string out;
  for (const char* p = buf; *p; ++p) out.push_back(char16_t(*p));
  return out;
}

std::u16string DateText(DATE d) {
  UDATE u;
  if (VarUdateFromDate(d, 0, &u) != S_OK) return u"";
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%u/%u/%u", unsigned(u.st.wMonth), unsigned(u.st.wDay), unsigned(u.st.wYear));
  if (u.st.wHour || u.st.wMinute || u.st.wSecond) {
    unsigned h = u.st.wHour % 12;
    std::snprintf(buf + n, sizeof buf - size_t(n), " %u:%02u:%02u %s", h ? h : 12, unsigned(u.st.wMinute),
                  unsigned(u.st.wSecond), u.st.wHour < 12 ? "AM" : "PM");
  }
  std::u16string out;
  for (const char* p = buf; *p; ++p) out.push_back(char16_t(*p));
  return out;
}

HRESULT TextToNumber(BSTR text, double& out) {
  std::u16string s = text ? std::u16string(text, SysStringLen(text)) : std::u16string();
  size_t a = 0, b = s.size();
  while (a < b && iswspace(s[a])) ++a;
  while (b > a && iswspace(s[b - 1])) --b;
  if (a == b) return DISP_E_TYPEMISMATCH;
  std::string ascii;
  for (size_t i = a; i < b; ++i) {
    if (s[i] > 0x7F) return DISP_E_TYPEMISMATCH;
    ascii.push_back(char(s[i]));
  }
  char* end = nullptr;
  out = std::strtod(ascii.c_str(), &end);
  if (!end || *end || std::isnan(out) || std::isinf(out)) return DISP_E_TYPEMISMATCH;
  return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  (void)wFlags;
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (pvarSrc->vt == vt) return VariantCopy(pvargDest, pvarSrc);
  VARIANT result;
  VariantInit(&result);
  result.vt = vt;
  if (pvarSrc->vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (vt == VT_EMPTY || vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) {
    std::u16string text;
    if (pvarSrc->vt == VT_EMPTY) {
      text.clear();
    } else if (pvarSrc->vt == VT_BOOL) {
      text = pvarSrc->boolVal ? u"True" : u"False";
    } else if (pvarSrc->vt == VT_DATE) {
      text = DateText(pvarSrc->date);
      if (text.empty()) return DISP_E_OVERFLOW;
    } else if (pvarSrc->vt == VT_CY) {
      BSTR b = nullptr;
      VarBstrFromCy(pvarSrc->cyVal, LOCALE_USER_DEFAULT, 0, &b);
      text.assign(b ? b : u"", SysStringLen(b));
      SysFreeString(b);
    } else if (pvarSrc->vt == VT_I8 || pvarSrc->vt == VT_UI8) {
      std::string n = pvarSrc->vt == VT_I8 ? std::to_string(pvarSrc->llVal) : std::to_string(pvarSrc->ullVal);
      text.assign(n.begin(), n.end());
    } else {
      double d;
      if (!NumberOf(*pvarSrc, d)) return DISP_E_TYPEMISMATCH;
      text = NumberText(d);
    }
    result.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    VariantClear(pvargDest);
    *pvargDest = result;
    return S_OK;
  }
  double d = 0;
  if (pvarSrc->vt == VT_BSTR) {
    HRESULT hr = TextToNumber(pvarSrc->bstrVal, d);
    if (hr != S_OK) return hr;
  } else if (!NumberOf(*pvarSrc, d)) {
    return DISP_E_TYPEMISMATCH;
  }
  auto rounded = [](double x) { return std::nearbyint(x); };  // banker's rounding, as the run-time does
  switch (vt) {
    case VT_I2:
      if (rounded(d) < -32768 || rounded(d) > 32767) return DISP_E_OVERFLOW;
      result.iVal = SHORT(rounded(d));
      break;
    case VT_I4:
      if (rounded(d) < -2147483648.0 || rounded(d) > 2147483647.0) return DISP_E_OVERFLOW;
      result.lVal = LONG(rounded(d));
      break;
    case VT_UI1:
      if (rounded(d) < 0 || rounded(d) > 255) return DISP_E_OVERFLOW;
      result.bVal = BYTE(rounded(d));
      break;
    case VT_R4:
      result.fltVal = FLOAT(d);
      break;
    case VT_R8:
      result.dblVal = d;
      break;
    case VT_DATE:
      if (d < -657434.0 || d >= 2958466.0) return DISP_E_OVERFLOW;
      result.date = d;
      break;
    case VT_CY: {
      HRESULT hr = VarCyFromR8(d, &result.cyVal);
      if (hr != S_OK) return hr;
      break;
    }
    case VT_BOOL:
      result.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  VariantClear(pvargDest);
  *pvargDest = result;
  return S_OK;
}
