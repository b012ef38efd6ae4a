// CHistoryTemp<T>: a bounded page history over the record list. It keeps the index of the entry
// shown (-1 while empty) and at most m_nLimit entries; a push while stepped back drops the
// entries after the current one, a push at the limit drops the oldest. Entries are never
// compared, so the same record pushed twice gives two entries.
#pragma once

#include "ListTemp.h"

template <class T>
class CHistoryTemp : public CListTemp<T> {
  typedef CListTemp<T> Base;

 public:
  CHistoryTemp() : m_nCurrent(-1), m_nLimit(20) {}

  // Empties the history; no entry is current afterwards.
  void RemoveAll() override {
    Base::RemoveAll();
    m_nCurrent = -1;
  }

  // Pushes a record after the current entry and makes it current. Nonzero on success.
  BOOL Add(const T& record) override {
    // Nothing else moves the index past the end, but a caller may have removed entries through
    // the list itself: the last entry then counts as current.
    if (m_nCurrent + 1 > int(Base::GetCount())) m_nCurrent = int(Base::GetCount()) - 1;
    while (UINT(m_nCurrent + 1) < Base::GetCount()) {
      if (!Base::RemoveAt(int(Base::GetCount()) - 1)) return FALSE;
    }
    if (Base::GetCount() >= m_nLimit) {
      // Full: the oldest entry goes and the index, unchanged, names the appended entry.
      Base::RemoveAt(0);
      return Base::Add(record);
    }
    if (!Base::Add(record)) return FALSE;
    ++m_nCurrent;
    return TRUE;
  }

  BOOL CanGoBack() const { return m_nCurrent > 0 ? TRUE : FALSE; }
  BOOL CanGoForward() { return m_nCurrent + 1 < int(Base::GetCount()) ? TRUE : FALSE; }

  // Steps one entry back and copies it out; 0 (nothing changed) at the first entry.
  BOOL Back(T& record) {
    if (!CanGoBack()) return FALSE;
    --m_nCurrent;
    return Base::GetAt(m_nCurrent, record);
  }

  // Steps one entry forward and copies it out; 0 (nothing changed) at the last entry.
  BOOL Forward(T& record) {
    if (!CanGoForward()) return FALSE;
    ++m_nCurrent;
    return Base::GetAt(m_nCurrent, record);
  }

  // Copies out or overwrites the current entry; 0 while the history is empty.
  BOOL GetCurrent(T& record) { return m_nCurrent == -1 ? FALSE : Base::GetAt(m_nCurrent, record); }
  BOOL SetCurrent(const T& record) { return m_nCurrent == -1 ? FALSE : Base::SetAt(m_nCurrent, record); }

  int m_nCurrent;  // index of the entry shown; -1 while the history is empty
  UINT m_nLimit;   // largest number of entries
};
