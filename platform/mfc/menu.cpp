// CMenu: handle maps, loading and the popup.
#include "mfc/menu.h"

#include <mutex>
#include <unordered_map>

#include "mfc/modstate.h"
#include "mfc/wnd.h"

IMPLEMENT_DYNCREATE(CMenu, CObject)

namespace {

std::mutex& MapMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::unordered_map<HMENU, CMenu*>& Permanent() {
  static auto* map = new std::unordered_map<HMENU, CMenu*>;
  return *map;
}

struct TempMenus {
  std::unordered_map<HMENU, CMenu*> map;
  void Clear() {
    auto old = std::move(map);
    map.clear();
    for (auto& [h, m] : old) {
      m->m_hMenu = nullptr;
      delete m;
    }
  }
  ~TempMenus() { Clear(); }
};
thread_local TempMenus t_temps;

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

HMENU CMenu::GetSafeHmenu() const {
  const CMenu* self = this;
  asm volatile("" : "+r"(self));
  return self != nullptr ? self->m_hMenu : nullptr;
}

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu) {
  if (hMenu == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(hMenu);
    if (it != Permanent().end()) return it->second;
  }
  CMenu*& slot = t_temps.map[hMenu];
  if (slot == nullptr) {
    slot = new CMenu;
    slot->m_hMenu = hMenu;
  }
  return slot;
}

void PASCAL CMenu::DeleteTempMap() { t_temps.Clear(); }

BOOL CMenu::Attach(HMENU hMenu) {
  if (hMenu == nullptr || m_hMenu != nullptr) return FALSE;
  m_hMenu = hMenu;
  std::lock_guard<std::mutex> lock(MapMutex());
  Permanent()[hMenu] = this;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (h != nullptr) {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::DestroyMenu() {
  if (m_hMenu == nullptr) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::LoadMenuResource(LPCWSTR lpszResourceName) {
  return Attach(::LoadMenuW(AfxGetResourceHandle(), lpszResourceName));
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
  return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, CWnd::HwndOf(pWnd), lpRect);
}
