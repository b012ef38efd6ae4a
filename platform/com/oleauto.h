// Automation values: BSTR strings, VARIANT, SAFEARRAY, currency and OLE dates, with the
// conversions the system's code calls (VariantInit/Clear/Copy/ChangeType, VarBstrFromCy,
// VarUdateFromDate and its companions).
//
// A BSTR is a length-prefixed UTF-16 string: the 32-bit byte count lies just before the
// characters, and the characters are followed by a NUL. A NULL BSTR counts as empty.
// An OLE date (DATE) is a double: days since 30 December 1899, the fraction the time of day
// (for dates before 1899 the fraction still counts forwards from midnight).
#pragma once

#include <cstdint>

#include "base/types.h"

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;
typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
typedef double DATE;
typedef LONG SCODE;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

// Currency: a 64-bit integer holding the amount times 10,000.
typedef union tagCY {
  struct {
    ULONG Lo;
    LONG Hi;
  } s;
  LONGLONG int64;
} CY;

typedef struct tagSAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
} SAFEARRAYBOUND, *LPSAFEARRAYBOUND;

typedef struct tagSAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY, *LPSAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_FIXEDSIZE 0x0010
#define FADF_BSTR 0x0100
#define FADF_VARIANT 0x0800
#define FADF_HAVEVARTYPE 0x0080

enum VARENUM : unsigned short {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_FILETIME = 64,
  VT_BLOB = 65,
  VT_STREAM = 66,
  VT_STORAGE = 67,
  VT_STREAMED_OBJECT = 68,
  VT_STORED_OBJECT = 69,
  VT_BLOB_OBJECT = 70,
  VT_CF = 71,
  VT_CLSID = 72,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_ILLEGAL = 0xffff,
  VT_ILLEGALMASKED = 0x0fff,
  VT_TYPEMASK = 0x0fff
};

struct IUnknown;
struct IDispatch;

typedef struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    ULONGLONG ullVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    FLOAT* pfltVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    CY* pcyVal;
    DATE* pdate;
    BSTR* pbstrVal;
    SAFEARRAY** pparray;
    struct tagVARIANT* pvarVal;
    void* byref;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
  };
} VARIANT, *LPVARIANT, VARIANTARG, *LPVARIANTARG;
typedef const VARIANT* LPCVARIANT;

#define V_VT(X) ((X)->vt)
#define V_BSTR(X) ((X)->bstrVal)
#define V_I4(X) ((X)->lVal)
#define V_I2(X) ((X)->iVal)
#define V_UI1(X) ((X)->bVal)
#define V_BOOL(X) ((X)->boolVal)
#define V_R8(X) ((X)->dblVal)
#define V_DATE(X) ((X)->date)
#define V_ARRAY(X) ((X)->parray)

// HRESULTs of the conversions.
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02

// ---- BSTR -----------------------------------------------------------------------
BSTR SysAllocString(LPCOLESTR psz);                     // NULL for a NULL source
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);   // pch may be NULL: cch characters of 0
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);       // len bytes, copied as they are
void SysFreeString(BSTR bstr);                          // NULL is ignored
UINT SysStringLen(BSTR bstr);                           // characters; 0 for NULL
UINT SysStringByteLen(BSTR bstr);                       // bytes; 0 for NULL
INT SysReAllocString(BSTR* pbstr, LPCOLESTR psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);

// ---- SAFEARRAY (one-dimensional arrays of plain elements, BSTRs or VARIANTs) ------
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);

// ---- VARIANT --------------------------------------------------------------------
void VariantInit(VARIANTARG* pvarg);
// Frees what the value owns (BSTR, array, interface reference) and leaves VT_EMPTY.
// A VT_BYREF value owns nothing. DISP_E_BADVARTYPE for a type it does not know (the value
// is then left alone).
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Converts between VT_EMPTY, VT_NULL (only to itself), VT_I2, VT_I4, VT_R4, VT_R8, VT_CY,
// VT_DATE, VT_BSTR, VT_BOOL and VT_UI1. Texts are numbers with a '.' decimal point; a date
// becomes "M/D/YYYY[ h:mm:ss AM|PM]" text. DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW on failure.
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);

// ---- currency -------------------------------------------------------------------
// The amount as plain number text: a '-' sign, the integer digits, and a '.' with the
// significant decimals only ("12.5", "7", "-0.0001"); no grouping, no currency symbol.
HRESULT VarBstrFromCy(CY cyIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut);
HRESULT VarCyFromR8(double dblIn, CY* pcyOut);
HRESULT VarR8FromCy(CY cyIn, double* pdblOut);

// ---- dates ----------------------------------------------------------------------
typedef struct {
  SYSTEMTIME st;
  USHORT wDayOfYear;  // 1 for 1 January
} UDATE;

// Dates from 1 January 100 to 31 December 9999 can be split; others give E_INVALIDARG.
// The time is rounded to the nearest second.
HRESULT VarUdateFromDate(DATE dateIn, ULONG dwFlags, UDATE* pudateOut);
HRESULT VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut);
// The two system-time forms return TRUE on success.
INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, double* pvtime);
INT VariantTimeToSystemTime(double vtime, LPSYSTEMTIME lpSystemTime);
