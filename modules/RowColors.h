// The colours of the dark rows of the search results and the dictionary panel, by row state
// (0 normal, 1 hot, 2 selected; any other state paints as normal).
#pragma once

#include "base/types.h"
#include "gdi/gdi.h"

struct RowColors {
  COLORREF text;
  COLORREF background;
};

inline const RowColors& RowColorsOfState(int nState) {
  static const RowColors kColors[3] = {
      {RGB(0xAD, 0xAD, 0xAD), RGB(0x32, 0x34, 0x3C)},
      {RGB(0xCC, 0xCC, 0xCC), RGB(0x62, 0x62, 0x62)},
      {RGB(0xFD, 0xB8, 0x6D), RGB(0x44, 0x44, 0x44)},
  };
  return kColors[nState >= 0 && nState <= 2 ? nState : 0];
}
