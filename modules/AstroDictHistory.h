// One entry of the main reference window's page history. The main window class names this
// record CAstroDict::sHistory (a member typedef) and keeps a CAstroDictHistory as its history.
#pragma once

#include <cstring>

#include "HistoryTemp.h"
#include "base/types.h"
#include "mfc/cstring.h"

struct sAstroDictHistory {
  enum { nConditionSize = 512 };

  WCHAR szCondition[nConditionSize];  // the condition of the page shown ("" for the default page)
  int nScrollPos;                     // vertical scroll position to restore, pixels from the top

  // Stores a condition; a longer one is cut to the 511 characters that fit before the
  // terminator. The rest of the field is cleared, so equal conditions give equal records.
  void SetCondition(const CString& condition) {
    std::memset(szCondition, 0, sizeof(szCondition));
    int length = condition.GetLength();
    if (length > nConditionSize - 1) length = nConditionSize - 1;
    std::memcpy(szCondition, condition.GetString(), size_t(length) * sizeof(WCHAR));
  }
};

typedef CHistoryTemp<sAstroDictHistory> CAstroDictHistory;
