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

  // Stores a condition that fits the field's 511 characters and its terminator; FALSE, with
  // the field left empty, for a longer one: cut, it would be another condition ("ID=12"
  // would become "ID=1") and bring back another page. The rest of the field is cleared, so
  // equal conditions give equal records.
  BOOL SetCondition(const CString& condition) {
    std::memset(szCondition, 0, sizeof(szCondition));
    const int length = condition.GetLength();
    if (length > nConditionSize - 1) return FALSE;
    std::memcpy(szCondition, condition.GetString(), size_t(length) * sizeof(WCHAR));
    return TRUE;
  }
};

typedef CHistoryTemp<sAstroDictHistory> CAstroDictHistory;
