// OLE dates and currency values.
#include <cmath>
#include <cstdint>
#include <string>

#include "com/oleauto.h"

namespace {

constexpr double kMinDate = -657434.0;          // 1 January 100
constexpr double kMaxDate = 2958465.99999999;   // 31 December 9999, end of the day
constexpr int64_t kUnixDaysOfOleEpoch = -25569;  // 30 December 1899 counted from 1 January 1970

// Days since 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y += m <= 2;
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(int64_t y, unsigned m) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

}  // namespace

HRESULT VarUdateFromDate(DATE dateIn, ULONG dwFlags, UDATE* pudateOut) {
  (void)dwFlags;
  if (!pudateOut) return E_INVALIDARG;
  if (!(dateIn >= kMinDate && dateIn <= kMaxDate)) return E_INVALIDARG;
  double whole = std::trunc(dateIn);
  double fraction = std::fabs(dateIn - whole);
  int64_t day = int64_t(whole);
  int64_t seconds = int64_t(std::llround(fraction * 86400.0));
  if (seconds >= 86400) {
    // Rounded up to midnight: the next day, chronologically.
    seconds -= 86400;
    day += 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(day + kUnixDaysOfOleEpoch, y, m, d);
  if (y < 100 || y > 9999) return E_INVALIDARG;
  SYSTEMTIME& st = pudateOut->st;
  st.wYear = WORD(y);
  st.wMonth = WORD(m);
  st.wDay = WORD(d);
  int64_t unixDays = day + kUnixDaysOfOleEpoch;
  // 1 January 1970 was a Thursday (4).
  st.wDayOfWeek = WORD(((unixDays % 7) + 7 + 4) % 7);
  st.wHour = WORD(seconds / 3600);
  st.wMinute = WORD(seconds / 60 % 60);
  st.wSecond = WORD(seconds % 60);
  st.wMilliseconds = 0;
  pudateOut->wDayOfYear = USHORT(unixDays - DaysFromCivil(y, 1, 1) + 1);
  return S_OK;
}

HRESULT VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut) {
  (void)dwFlags;
  if (!pudateIn || !pdateOut) return E_INVALIDARG;
  const SYSTEMTIME& st = pudateIn->st;
  if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) {
    return E_INVALIDARG;
  }
  int64_t day = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kUnixDaysOfOleEpoch;
  double time = (st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond + st.wMilliseconds / 1000.0) / 86400.0;
  *pdateOut = day >= 0 ? double(day) + time : double(day) - time;
  return S_OK;
}

INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, double* pvtime) {
  if (!lpSystemTime) return FALSE;
  UDATE u{};
  u.st = *lpSystemTime;
  u.st.wMilliseconds = 0;
  return VarDateFromUdate(&u, 0, pvtime) == S_OK;
}

INT VariantTimeToSystemTime(double vtime, LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return FALSE;
  UDATE u;
  if (VarUdateFromDate(vtime, 0, &u) != S_OK) return FALSE;
  *lpSystemTime = u.st;
  return TRUE;
}

HRESULT VarBstrFromCy(CY cyIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut) {
  (void)lcid;
  (void)dwFlags;
  if (!pbstrOut) return E_INVALIDARG;
  bool negative = cyIn.int64 < 0;
  uint64_t magnitude = negative ? uint64_t(0) - uint64_t(cyIn.int64) : uint64_t(cyIn.int64);
  std::string text = std::to_string(magnitude / 10000);
  unsigned fraction = unsigned(magnitude % 10000);
  if (fraction) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", fraction);
    std::string f = digits;
    while (!f.empty() && f.back() == '0') f.pop_back();
    text += "." + f;
  }
  if (negative) text.insert(text.begin(), '-');
  std::u16string wide(text.begin(), text.end());
  *pbstrOut = SysAllocStringLen(wide.data(), UINT(wide.size()));
  return *pbstrOut ? S_OK : E_OUTOFMEMORY;
}

HRESULT VarCyFromR8(double dblIn, CY* pcyOut) {
  if (!pcyOut) return E_INVALIDARG;
  double scaled = std::nearbyint(dblIn * 10000.0);
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) return DISP_E_OVERFLOW;
  pcyOut->int64 = int64_t(scaled);
  return S_OK;
}

HRESULT VarR8FromCy(CY cyIn, double* pdblOut) {
  if (!pdblOut) return E_INVALIDARG;
  *pdblOut = double(cyIn.int64) / 10000.0;
  return S_OK;
}
