#include "ui/treeview.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <string>
#include <vector>

#include "base/textcase.h"
#include "gdi/gdi.h"
#include "process/clock.h"
#include "ui/controls.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

struct _TREEITEM {
  std::u16string text;
  LPARAM param = 0;
  UINT state = 0;
  int image = 0;
  int selectedImage = 0;
  int children = 0;  // cChildren as given (I_CHILDRENCALLBACK or a count); real children count too
  _TREEITEM* parent = nullptr;
  _TREEITEM* first = nullptr;
  _TREEITEM* last = nullptr;  // the last child, so that an item is added at the end at once
  _TREEITEM* next = nullptr;
  _TREEITEM* prev = nullptr;
};

namespace {

typedef _TREEITEM Item;

struct Tree {
  Item root;                  // its children are the top level
  std::unordered_set<Item*> items;  // every live item, to check handles
  Item* caret = nullptr;      // the selection
  Item* hot = nullptr;        // the item under the mouse
  Item* dropHilite = nullptr;
  int top = 0;                // index of the first visible row
  int rowCount = -1;          // the rows as last counted by Changed; -1 before
  int itemHeight = 16;
  int indent = 19;
  bool unicode = true;
  bool destroying = false;
  COLORREF bk = CLR_INVALID_VALUE;
  COLORREF text = CLR_INVALID_VALUE;
  std::u16string typed;  // the incremental search text typed so far
  ULONGLONG typedAt = 0;  // when its last character came
  static constexpr COLORREF CLR_INVALID_VALUE = 0xFFFFFFFF;
};

std::mutex& MapMutex() {
  static std::mutex m;
  return m;
}
std::map<HWND, std::unique_ptr<Tree>>& Trees() {
  static std::map<HWND, std::unique_ptr<Tree>> t;
  return t;
}

Tree* Of(HWND hwnd) {
  std::lock_guard<std::mutex> g(MapMutex());
  auto it = Trees().find(hwnd);
  return it == Trees().end() ? nullptr : it->second.get();
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }

Item* Valid(Tree* t, HTREEITEM h) {
  if (!h || h == TVI_ROOT) return nullptr;
  return t->items.count(h) ? h : nullptr;
}

bool HasChildren(const Item* i) { return i->first != nullptr || i->children == I_CHILDRENCALLBACK || i->children > 0; }

int Level(const Item* i) {
  int level = 0;
  for (const Item* p = i->parent; p && p->parent; p = p->parent) ++level;
  return level;
}

// The rows: every item whose ancestors are all expanded, in order.
void Flatten(const Item* parent, std::vector<Item*>& out) {
  for (Item* c = parent->first; c; c = c->next) {
    out.push_back(c);
    if ((c->state & TVIS_EXPANDED) && c->first) Flatten(c, out);
  }
}
std::vector<Item*> Rows(Tree* t) {
  std::vector<Item*> rows;
  Flatten(&t->root, rows);
  return rows;
}

int VisibleCount(HWND hwnd, Tree* t) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(0, static_cast<int>(rc.bottom - rc.top) / std::max(1, t->itemHeight));
}

// The number of rows, without listing them.
int CountRows(const Item* parent) {
  int n = 0;
  for (const Item* c = parent->first; c; c = c->next) {
    ++n;
    if ((c->state & TVIS_EXPANDED) && c->first) n += CountRows(c);
  }
  return n;
}

void ClampTop(HWND hwnd, Tree* t, int rows) {
  int maxTop = std::max(0, rows - VisibleCount(hwnd, t));
  t->top = std::clamp(t->top, 0, maxTop);
}

void UpdateScrollBar(HWND hwnd, Tree* t, int rows) {
  if (!(StyleOf(hwnd) & WS_VSCROLL)) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, rows - 1);
  si.nPage = static_cast<UINT>(VisibleCount(hwnd, t));
  si.nPos = t->top;
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

// After a change of the tree: the first row kept in range, the scroll bar, a repaint. `rows`
// is the number of rows when the caller knows it (an insertion), else they are counted.
void Changed(HWND hwnd, Tree* t, int rows = -1) {
  if (rows < 0) rows = CountRows(&t->root);
  t->rowCount = rows;
  ClampTop(hwnd, t, rows);
  UpdateScrollBar(hwnd, t, rows);
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT Notify(HWND hwnd, NMHDR* hdr, UINT codeW) {
  Tree* t = Of(hwnd);
  HWND parent = GetParent(hwnd);
  hdr->hwndFrom = hwnd;
  hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  hdr->code = codeW;
  if (t && !t->unicode) {
    // The A codes lie 49 (or 50) below the W codes in the same family order.
    switch (codeW) {
      case TVN_SELCHANGINGW: hdr->code = TVN_SELCHANGINGA; break;
      case TVN_SELCHANGEDW: hdr->code = TVN_SELCHANGEDA; break;
      case TVN_ITEMEXPANDINGW: hdr->code = TVN_ITEMEXPANDINGA; break;
      case TVN_ITEMEXPANDEDW: hdr->code = TVN_ITEMEXPANDEDA; break;
      case TVN_DELETEITEMW: hdr->code = TVN_DELETEITEMA; break;
      default: break;
    }
  }
  if (!parent) return 0;
  return SendMessageW(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

void FillItem(const Item* i, TVITEMW& out) {
  out.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
  out.hItem = const_cast<Item*>(i);
  out.lParam = i ? i->param : 0;
  out.state = i ? i->state : 0;
  out.stateMask = 0xFFFF;
}

void Unlink(Item* i) {
  Item* p = i->parent;
  if (i->prev) i->prev->next = i->next;
  if (i->next) i->next->prev = i->prev;
  if (p && p->first == i) p->first = i->next;
  if (p && p->last == i) p->last = i->prev;
  i->prev = i->next = nullptr;
}

bool IsAncestor(const Item* ancestor, const Item* i) {
  for (const Item* p = i; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

// Deletes the item and its subtree (children first), each with TVN_DELETEITEM.
void DeleteSubtree(HWND hwnd, Tree* t, Item* i) {
  while (i->first) DeleteSubtree(hwnd, t, i->first);
  NMTREEVIEWW nm{};
  FillItem(i, nm.itemOld);
  Notify(hwnd, &nm.hdr, TVN_DELETEITEMW);
  Unlink(i);
  t->items.erase(i);
  if (t->caret == i) t->caret = nullptr;
  if (t->hot == i) t->hot = nullptr;
  if (t->dropHilite == i) t->dropHilite = nullptr;
  delete i;
}

// Selects the item (or none) as the caret; FALSE when the parent refused.
bool SelectCaret(HWND hwnd, Tree* t, Item* i, UINT action) {
  if (t->caret == i) return true;
  NMTREEVIEWW nm{};
  nm.action = action;
  FillItem(t->caret, nm.itemOld);
  FillItem(i, nm.itemNew);
  if (Notify(hwnd, &nm.hdr, TVN_SELCHANGINGW)) return false;
  if (t->caret && t->items.count(t->caret)) t->caret->state &= ~TVIS_SELECTED;
  t->caret = i;
  if (i) i->state |= TVIS_SELECTED;
  FillItem(i, nm.itemNew);
  Notify(hwnd, &nm.hdr, TVN_SELCHANGEDW);
  InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

BOOL Expand(HWND hwnd, Tree* t, Item* i, UINT code);

void EnsureVisible(HWND hwnd, Tree* t, Item* i) {
  for (Item* p = i->parent; p && p->parent; p = p->parent)
    if (!(p->state & TVIS_EXPANDED)) Expand(hwnd, t, p, TVE_EXPAND);
  auto rows = Rows(t);
  auto it = std::find(rows.begin(), rows.end(), i);
  if (it == rows.end()) return;
  int index = static_cast<int>(it - rows.begin());
  int visible = std::max(1, VisibleCount(hwnd, t));
  if (index < t->top) t->top = index;
  if (index >= t->top + visible) t->top = index - visible + 1;
  Changed(hwnd, t);
}

BOOL Expand(HWND hwnd, Tree* t, Item* i, UINT code) {
  UINT action = code & 3;
  bool expanded = (i->state & TVIS_EXPANDED) != 0;
  if (action == TVE_TOGGLE) action = expanded ? TVE_COLLAPSE : TVE_EXPAND;
  if (action == TVE_EXPAND && expanded) return TRUE;
  if (action == TVE_COLLAPSE && !expanded && !(code & TVE_COLLAPSERESET)) return TRUE;
  if (action == TVE_EXPAND && !HasChildren(i)) return FALSE;
  NMTREEVIEWW nm{};
  nm.action = action;
  FillItem(i, nm.itemNew);
  if (Notify(hwnd, &nm.hdr, TVN_ITEMEXPANDINGW)) return FALSE;
  if (!t->items.count(i)) return FALSE;  // deleted by the parent meanwhile
  if (action == TVE_EXPAND) {
    i->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  } else {
    i->state &= ~TVIS_EXPANDED;
    if (code & TVE_COLLAPSERESET) {
      while (i->first) DeleteSubtree(hwnd, t, i->first);
      i->state &= ~TVIS_EXPANDEDONCE;
    }
    if (t->caret && t->caret != i && IsAncestor(i, t->caret)) SelectCaret(hwnd, t, i, TVC_UNKNOWN);
  }
  FillItem(i, nm.itemNew);
  Notify(hwnd, &nm.hdr, TVN_ITEMEXPANDEDW);
  Changed(hwnd, t);
  return TRUE;
}

HFONT FontOf(HWND hwnd) {
  HFONT f = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int TextWidth(HWND hwnd, const std::u16string& text) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, FontOf(hwnd));
  SIZE sz{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return sz.cx;
}

struct RowGeometry {
  int buttonLeft, stateLeft, labelLeft, labelRight;
};

RowGeometry Geometry(HWND hwnd, Tree* t, const Item* i) {
  DWORD style = StyleOf(hwnd);
  int columns = Level(i) + ((style & TVS_LINESATROOT) ? 1 : 0);
  RowGeometry g{};
  g.stateLeft = columns * t->indent;
  g.buttonLeft = columns > 0 ? g.stateLeft - t->indent : -1;
  g.labelLeft = g.stateLeft + ((style & TVS_CHECKBOXES) ? 16 : 0);
  g.labelRight = g.labelLeft + TextWidth(hwnd, i->text) + 6;
  return g;
}

void HitTest(HWND hwnd, Tree* t, TVHITTESTINFO* info) {
  info->hItem = nullptr;
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT pt = info->pt;
  UINT flags = 0;
  if (pt.y < rc.top) flags |= TVHT_ABOVE;
  if (pt.y >= rc.bottom) flags |= TVHT_BELOW;
  if (pt.x < rc.left) flags |= TVHT_TOLEFT;
  if (pt.x >= rc.right) flags |= TVHT_TORIGHT;
  if (flags) {
    info->flags = flags;
    return;
  }
  auto rows = Rows(t);
  int index = t->top + pt.y / std::max(1, t->itemHeight);
  if (index < 0 || index >= static_cast<int>(rows.size())) {
    info->flags = TVHT_NOWHERE;
    return;
  }
  Item* i = rows[static_cast<size_t>(index)];
  RowGeometry g = Geometry(hwnd, t, i);
  info->hItem = i;
  if (pt.x < g.stateLeft) {
    bool onButton = (StyleOf(hwnd) & TVS_HASBUTTONS) && HasChildren(i) && pt.x >= g.buttonLeft && g.buttonLeft >= 0;
    info->flags = onButton ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
  } else if (pt.x < g.labelLeft) {
    info->flags = TVHT_ONITEMSTATEICON;
  } else if (pt.x < g.labelRight) {
    info->flags = TVHT_ONITEMLABEL;
  } else {
    info->flags = TVHT_ONITEMRIGHT;
  }
}

BOOL ItemRect(HWND hwnd, Tree* t, Item* i, BOOL textOnly, RECT* out) {
  auto rows = Rows(t);
  auto it = std::find(rows.begin(), rows.end(), i);
  if (it == rows.end()) return FALSE;
  int index = static_cast<int>(it - rows.begin()) - t->top;
  RECT rc;
  GetClientRect(hwnd, &rc);
  out->top = index * t->itemHeight;
  out->bottom = out->top + t->itemHeight;
  if (textOnly) {
    RowGeometry g = Geometry(hwnd, t, i);
    out->left = g.labelLeft;
    out->right = g.labelRight;
  } else {
    out->left = 0;
    out->right = rc.right;
  }
  return TRUE;
}

void Paint(HWND hwnd, Tree* t, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  DWORD style = StyleOf(hwnd);
  COLORREF bk = t->bk != Tree::CLR_INVALID_VALUE ? t->bk : GetSysColor(COLOR_WINDOW);
  COLORREF fg = t->text != Tree::CLR_INVALID_VALUE ? t->text : GetSysColor(COLOR_WINDOWTEXT);
  HBRUSH bkBrush = CreateSolidBrush(bk);
  FillRect(dc, &client, bkBrush);
  DeleteObject(bkBrush);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));

  NMTVCUSTOMDRAW cd{};
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = client;
  LRESULT pre = Notify(hwnd, &cd.nmcd.hdr, NM_CUSTOMDRAW);
  if (pre & CDRF_SKIPDEFAULT) {
    SelectObject(dc, oldFont);
    return;
  }
  auto rows = Rows(t);
  const int visible = VisibleCount(hwnd, t) + 1;
  for (int r = 0; r < visible; ++r) {
    size_t index = static_cast<size_t>(t->top + r);
    if (index >= rows.size()) break;
    Item* i = rows[index];
    RECT row{client.left, r * t->itemHeight, client.right, (r + 1) * t->itemHeight};
    UINT state = 0;
    if (i == t->caret) state |= CDIS_SELECTED | (GetFocus() == hwnd ? CDIS_FOCUS : 0);
    if (i == t->hot) state |= CDIS_HOT;
    bool selected = i == t->caret && (GetFocus() == hwnd || (style & TVS_SHOWSELALWAYS));
    cd.clrText = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : fg;
    cd.clrTextBk = selected ? GetSysColor(COLOR_HIGHLIGHT) : bk;
    cd.iLevel = Level(i);
    if (pre & CDRF_NOTIFYITEMDRAW) {
      cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
      cd.nmcd.rc = row;
      cd.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(i);
      cd.nmcd.uItemState = state;
      cd.nmcd.lItemlParam = i->param;
      LRESULT r2 = Notify(hwnd, &cd.nmcd.hdr, NM_CUSTOMDRAW);
      if (r2 & CDRF_SKIPDEFAULT) continue;
      rows = Rows(t);  // the parent may have changed the tree
      if (index >= rows.size() || rows[index] != i) break;
    }
    RowGeometry g = Geometry(hwnd, t, i);
    if ((style & TVS_HASBUTTONS) && HasChildren(i) && g.buttonLeft >= 0) {
      int cx = g.buttonLeft + t->indent / 2, cy = row.top + t->itemHeight / 2;
      RECT box{cx - 4, cy - 4, cx + 5, cy + 5};
      FrameRect(dc, &box, GetSysColorBrush(COLOR_GRAYTEXT));
      RECT minus{cx - 2, cy, cx + 3, cy + 1};
      FillRect(dc, &minus, GetSysColorBrush(COLOR_WINDOWTEXT));
      if (!(i->state & TVIS_EXPANDED)) {
        RECT plus{cx, cy - 2, cx + 1, cy + 3};
        FillRect(dc, &plus, GetSysColorBrush(COLOR_WINDOWTEXT));
      }
    }
    if (style & TVS_CHECKBOXES) {
      int top = row.top + (t->itemHeight - 13) / 2;
      RECT box{g.stateLeft + 1, top, g.stateLeft + 14, top + 13};
      FrameRect(dc, &box, GetSysColorBrush(COLOR_WINDOWTEXT));
      if ((i->state & TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)) {
        RECT mark{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
        FillRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
      }
    }
    RECT label{g.labelLeft, row.top, g.labelRight, row.bottom};
    if (cd.clrTextBk != bk) {
      HBRUSH b = CreateSolidBrush(cd.clrTextBk);
      FillRect(dc, &label, b);
      DeleteObject(b);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, cd.clrText);
    RECT text = label;
    text.left += 3;
    DrawTextW(dc, i->text.c_str(), static_cast<int>(i->text.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

void ScrollTo(HWND hwnd, Tree* t, int top) {
  t->top = top;
  Changed(hwnd, t);
}

// ---- the keyboard ----

// Typed letters within this pause continue one search text; a longer pause starts a new one.
constexpr ULONGLONG kTypeAheadPauseMs = 1000;

void SelectByKeyboard(HWND hwnd, Tree* t, Item* i) {
  if (!i) return;
  if (i != t->caret && !SelectCaret(hwnd, t, i, TVC_BYKEYBOARD)) return;
  if (t->items.count(i)) EnsureVisible(hwnd, t, i);
}

// Expands the item and every item below it (the parent may fill each level as it opens).
void ExpandBranch(HWND hwnd, Tree* t, Item* i, int depth) {
  if (depth > 256 || !t->items.count(i)) return;
  if (HasChildren(i) && !(i->state & TVIS_EXPANDED)) Expand(hwnd, t, i, TVE_EXPAND);
  if (!t->items.count(i)) return;
  std::vector<Item*> children;
  for (Item* c = i->first; c; c = c->next) children.push_back(c);
  for (Item* c : children) ExpandBranch(hwnd, t, c, depth + 1);
}

void KeyDown(HWND hwnd, Tree* t, WPARAM vk) {
  auto rows = Rows(t);
  if (rows.empty()) return;
  auto it = std::find(rows.begin(), rows.end(), t->caret);
  const int last = static_cast<int>(rows.size()) - 1;
  const int at = it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
  const int page = std::max(1, VisibleCount(hwnd, t) - 1);
  auto row = [&](int index) { return rows[static_cast<size_t>(std::clamp(index, 0, last))]; };
  Item* caret = at >= 0 ? t->caret : nullptr;
  Item* parent = caret && caret->parent != &t->root ? caret->parent : nullptr;
  switch (vk) {
    case VK_DOWN: SelectByKeyboard(hwnd, t, row(at + 1)); break;
    case VK_UP: SelectByKeyboard(hwnd, t, row(at < 0 ? 0 : at - 1)); break;
    case VK_HOME: SelectByKeyboard(hwnd, t, row(0)); break;
    case VK_END: SelectByKeyboard(hwnd, t, row(last)); break;
    case VK_NEXT: SelectByKeyboard(hwnd, t, row(at < 0 ? 0 : at + page)); break;
    case VK_PRIOR: SelectByKeyboard(hwnd, t, row(at - page)); break;
    case VK_LEFT:
      if (!caret) break;
      if ((caret->state & TVIS_EXPANDED) && HasChildren(caret))
        Expand(hwnd, t, caret, TVE_COLLAPSE);
      else
        SelectByKeyboard(hwnd, t, parent);
      break;
    case VK_RIGHT:
      if (!caret || !HasChildren(caret)) break;
      if (!(caret->state & TVIS_EXPANDED))
        Expand(hwnd, t, caret, TVE_EXPAND);
      else
        SelectByKeyboard(hwnd, t, caret->first);
      break;
    case VK_BACK: SelectByKeyboard(hwnd, t, parent); break;
    case VK_ADD:
      if (caret) Expand(hwnd, t, caret, TVE_EXPAND);
      break;
    case VK_SUBTRACT:
      if (caret) Expand(hwnd, t, caret, TVE_COLLAPSE);
      break;
    case VK_MULTIPLY:
      if (caret) {
        ExpandBranch(hwnd, t, caret, 0);
        if (t->items.count(caret)) EnsureVisible(hwnd, t, caret);
      }
      break;
    default: break;
  }
}

bool StartsWithNoCase(const std::u16string& text, const std::u16string& foldedPrefix) {
  std::u16string folded = nux::FoldCase(text);
  return folded.compare(0, foldedPrefix.size(), foldedPrefix) == 0;
}

// Incremental search: the visible item whose text begins with what was typed, from the
// selection on (a new search from the item after it). Typing one letter again and again steps
// through the items that begin with it.
void TypeAhead(HWND hwnd, Tree* t, char16_t ch) {
  if (ch < 0x20 || ch == 0x7F) return;
  const ULONGLONG now = GetTickCount64();
  if (t->typed.empty() || now - t->typedAt > kTypeAheadPauseMs) t->typed.clear();
  t->typedAt = now;
  if (t->typed.size() < 256) t->typed.push_back(ch);
  if (ch >= 0xD800 && ch <= 0xDBFF) return;  // the rest of the character comes next
  auto rows = Rows(t);
  if (rows.empty()) return;
  const size_t n = rows.size();
  auto it = std::find(rows.begin(), rows.end(), t->caret);
  const size_t at = it == rows.end() ? n - 1 : static_cast<size_t>(it - rows.begin());
  auto search = [&](const std::u16string& typed, size_t from) -> Item* {
    std::u16string prefix = nux::FoldCase(typed);
    for (size_t k = 0; k < n; ++k) {
      Item* i = rows[(from + k) % n];
      if (StartsWithNoCase(i->text, prefix)) return i;
    }
    return nullptr;
  };
  const bool fresh = t->typed.size() == 1 || it == rows.end();
  Item* found = search(t->typed, fresh ? at + 1 : at);
  if (!found && t->typed.size() > 1 &&
      std::all_of(t->typed.begin(), t->typed.end(), [&](char16_t c) { return c == t->typed[0]; }))
    found = search(t->typed.substr(0, 1), at + 1);
  if (found) SelectByKeyboard(hwnd, t, found);
}

LRESULT CALLBACK TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    std::lock_guard<std::mutex> g(MapMutex());
    Trees()[hwnd] = std::make_unique<Tree>();
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  if (msg == WM_NCDESTROY) {
    std::unique_ptr<Tree> gone;
    {
      std::lock_guard<std::mutex> g(MapMutex());
      auto it = Trees().find(hwnd);
      if (it != Trees().end()) {
        gone = std::move(it->second);
        Trees().erase(it);
      }
    }
    if (gone) {
      for (Item* i : gone->items) delete i;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  Tree* t = Of(hwnd);
  if (!t) return DefWindowProcW(hwnd, msg, wParam, lParam);

  switch (msg) {
    case WM_DESTROY:
      t->destroying = true;
      while (t->root.first) DeleteSubtree(hwnd, t, t->root.first);
      return 0;
    case TVM_INSERTITEMW: {
      auto* is = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
      if (!is) return 0;
      Item* parent = (!is->hParent || is->hParent == TVI_ROOT) ? &t->root : Valid(t, is->hParent);
      if (!parent) return 0;
      auto* i = new Item;
      const TVITEMW& it = is->item;
      if ((it.mask & TVIF_TEXT) && it.pszText) i->text = it.pszText;
      if (it.mask & TVIF_PARAM) i->param = it.lParam;
      if (it.mask & TVIF_STATE) i->state = it.state & it.stateMask & ~TVIS_SELECTED;
      if (it.mask & TVIF_IMAGE) i->image = it.iImage;
      if (it.mask & TVIF_SELECTEDIMAGE) i->selectedImage = it.iSelectedImage;
      if (it.mask & TVIF_CHILDREN) i->children = it.cChildren;
      if ((StyleOf(hwnd) & TVS_CHECKBOXES) && !(i->state & TVIS_STATEIMAGEMASK)) i->state |= INDEXTOSTATEIMAGEMASK(1);
      i->parent = parent;
      HTREEITEM after = is->hInsertAfter;
      Item* prev = nullptr;
      if (after == TVI_FIRST) {
        prev = nullptr;
      } else if (after == TVI_SORT) {
        for (Item* c = parent->first; c && c->text <= i->text; c = c->next) prev = c;
      } else if (after == TVI_LAST || !Valid(t, after) || after->parent != parent) {
        prev = parent->last;
      } else {
        prev = after;
      }
      if (prev) {
        i->next = prev->next;
        i->prev = prev;
        if (prev->next) prev->next->prev = i;
        prev->next = i;
      } else {
        i->next = parent->first;
        if (parent->first) parent->first->prev = i;
        parent->first = i;
      }
      if (!i->next) parent->last = i;
      t->items.insert(i);
      // A new item is one more row when its level is shown, none under a collapsed parent.
      bool shown = true;
      for (const Item* p = parent; p && p != &t->root; p = p->parent) {
        if (!(p->state & TVIS_EXPANDED)) {
          shown = false;
          break;
        }
      }
      Changed(hwnd, t, t->rowCount < 0 ? -1 : t->rowCount + (shown ? 1 : 0));
      return reinterpret_cast<LRESULT>(i);
    }
    case TVM_DELETEITEM: {
      auto h = reinterpret_cast<HTREEITEM>(lParam);
      if (!h || h == TVI_ROOT) {
        while (t->root.first) DeleteSubtree(hwnd, t, t->root.first);
        t->top = 0;
        Changed(hwnd, t);
        return TRUE;
      }
      Item* i = Valid(t, h);
      if (!i) return FALSE;
      DeleteSubtree(hwnd, t, i);
      Changed(hwnd, t);
      return TRUE;
    }
    case TVM_EXPAND: {
      Item* i = Valid(t, reinterpret_cast<HTREEITEM>(lParam));
      if (!i || t->destroying) return FALSE;
      return Expand(hwnd, t, i, static_cast<UINT>(wParam));
    }
    case TVM_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc) return FALSE;
      Item* i = Valid(t, *reinterpret_cast<HTREEITEM*>(rc));
      if (!i) return FALSE;
      return ItemRect(hwnd, t, i, static_cast<BOOL>(wParam), rc);
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(t->items.size());
    case TVM_GETINDENT: return t->indent;
    case TVM_SETINDENT:
      t->indent = std::max(static_cast<int>(wParam), 4);
      Changed(hwnd, t);
      return 0;
    case TVM_GETIMAGELIST:
    case TVM_SETIMAGELIST: return 0;
    case TVM_GETVISIBLECOUNT: return VisibleCount(hwnd, t);
    case TVM_GETITEMHEIGHT: return t->itemHeight;
    case TVM_SETITEMHEIGHT: {
      int old = t->itemHeight;
      int h = static_cast<int>(static_cast<short>(wParam));
      if (h == -1) h = 16;
      if (h > 0) t->itemHeight = h;
      Changed(hwnd, t);
      return old;
    }
    case TVM_SETBKCOLOR: {
      COLORREF old = t->bk;
      t->bk = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(static_cast<int>(old));
    }
    case TVM_GETBKCOLOR: return static_cast<LRESULT>(static_cast<int>(t->bk));
    case TVM_SETTEXTCOLOR: {
      COLORREF old = t->text;
      t->text = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(static_cast<int>(old));
    }
    case TVM_GETTEXTCOLOR: return static_cast<LRESULT>(static_cast<int>(t->text));
    case TVM_GETNEXTITEM: {
      Item* i = Valid(t, reinterpret_cast<HTREEITEM>(lParam));
      Item* r = nullptr;
      switch (wParam) {
        case TVGN_ROOT: r = t->root.first; break;
        case TVGN_NEXT: r = i ? i->next : nullptr; break;
        case TVGN_PREVIOUS: r = i ? i->prev : nullptr; break;
        case TVGN_PARENT: r = (i && i->parent != &t->root) ? i->parent : nullptr; break;
        case TVGN_CHILD: r = i ? i->first : (!lParam || reinterpret_cast<HTREEITEM>(lParam) == TVI_ROOT) ? t->root.first : nullptr; break;
        case TVGN_CARET: r = t->caret; break;
        case TVGN_DROPHILITE: r = t->dropHilite; break;
        case TVGN_FIRSTVISIBLE: {
          auto rows = Rows(t);
          r = t->top < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(t->top)] : nullptr;
          break;
        }
        case TVGN_LASTVISIBLE: {
          auto rows = Rows(t);
          r = rows.empty() ? nullptr : rows.back();
          break;
        }
        case TVGN_NEXTVISIBLE:
        case TVGN_PREVIOUSVISIBLE: {
          if (!i) break;
          auto rows = Rows(t);
          auto it = std::find(rows.begin(), rows.end(), i);
          if (it == rows.end()) break;
          if (wParam == TVGN_NEXTVISIBLE) {
            if (it + 1 != rows.end()) r = *(it + 1);
          } else if (it != rows.begin()) {
            r = *(it - 1);
          }
          break;
        }
        default: break;
      }
      return reinterpret_cast<LRESULT>(r);
    }
    case TVM_SELECTITEM: {
      auto h = reinterpret_cast<HTREEITEM>(lParam);
      Item* i = Valid(t, h);
      if (h && !i) return FALSE;
      switch (wParam & 0xFF) {
        case TVGN_CARET:
          if (!SelectCaret(hwnd, t, i, TVC_UNKNOWN)) return FALSE;
          if (i) EnsureVisible(hwnd, t, i);
          return TRUE;
        case TVGN_DROPHILITE:
          t->dropHilite = i;
          InvalidateRect(hwnd, nullptr, TRUE);
          return TRUE;
        case TVGN_FIRSTVISIBLE: {
          if (!i) return FALSE;
          EnsureVisible(hwnd, t, i);
          auto rows = Rows(t);
          auto it = std::find(rows.begin(), rows.end(), i);
          if (it == rows.end()) return FALSE;
          ScrollTo(hwnd, t, static_cast<int>(it - rows.begin()));
          return TRUE;
        }
        default: return FALSE;
      }
    }
    case TVM_ENSUREVISIBLE: {
      Item* i = Valid(t, reinterpret_cast<HTREEITEM>(lParam));
      if (!i) return FALSE;
      EnsureVisible(hwnd, t, i);
      return TRUE;
    }
    case TVM_GETITEMW: {
      auto* it = reinterpret_cast<TVITEMW*>(lParam);
      if (!it) return FALSE;
      Item* i = Valid(t, it->hItem);
      if (!i) return FALSE;
      if (it->mask & TVIF_TEXT) {
        if (it->pszText && it->cchTextMax > 0) {
          size_t n = std::min(i->text.size(), static_cast<size_t>(it->cchTextMax - 1));
          std::copy_n(i->text.data(), n, it->pszText);
          it->pszText[n] = 0;
        }
      }
      if (it->mask & TVIF_PARAM) it->lParam = i->param;
      if (it->mask & TVIF_STATE) it->state = i->state & it->stateMask;
      if (it->mask & TVIF_IMAGE) it->iImage = i->image;
      if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = i->selectedImage;
      if (it->mask & TVIF_CHILDREN) it->cChildren = i->first ? 1 : i->children;
      return TRUE;
    }
    case TVM_SETITEMW: {
      auto* it = reinterpret_cast<const TVITEMW*>(lParam);
      if (!it) return FALSE;
      Item* i = Valid(t, it->hItem);
      if (!i) return FALSE;
      const UINT before = i->state;
      if ((it->mask & TVIF_TEXT) && it->pszText) i->text = it->pszText;
      if (it->mask & TVIF_PARAM) i->param = it->lParam;
      if (it->mask & TVIF_STATE) {
        UINT mask = it->stateMask & ~TVIS_SELECTED;
        i->state = (i->state & ~mask) | (it->state & mask);
      }
      if (it->mask & TVIF_IMAGE) i->image = it->iImage;
      if (it->mask & TVIF_SELECTEDIMAGE) i->selectedImage = it->iSelectedImage;
      if (it->mask & TVIF_CHILDREN) i->children = it->cChildren;
      // The rows change only with an item's expanded state; the rest is a repaint.
      const bool rowsChange = ((before ^ i->state) & TVIS_EXPANDED) != 0;
      Changed(hwnd, t, rowsChange ? -1 : t->rowCount);
      return TRUE;
    }
    case TVM_HITTEST: {
      auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (!info) return 0;
      HitTest(hwnd, t, info);
      return reinterpret_cast<LRESULT>(info->hItem);
    }
    case CCM_SETUNICODEFORMAT: {
      bool old = t->unicode;
      t->unicode = wParam != 0;
      return old ? TRUE : FALSE;
    }
    case CCM_GETUNICODEFORMAT: return t->unicode ? TRUE : FALSE;
    case WM_SETFONT:
      DefWindowProcW(hwnd, msg, wParam, lParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SIZE:
      Changed(hwnd, t);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PRINTCLIENT:
      Paint(hwnd, t, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT: {
      if (wParam) {
        Paint(hwnd, t, reinterpret_cast<HDC>(wParam));
        return 0;
      }
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, t, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOUSEMOVE: {
      TVHITTESTINFO info{};
      info.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      HitTest(hwnd, t, &info);
      Item* hot = (info.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT)) ? info.hItem : nullptr;
      if (hot != t->hot) {
        t->hot = hot;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      TVHITTESTINFO info{};
      info.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      HitTest(hwnd, t, &info);
      if (!info.hItem) return 0;
      if (info.flags & TVHT_ONITEMBUTTON) {
        Expand(hwnd, t, info.hItem, TVE_TOGGLE);
      } else if (info.flags & TVHT_ONITEMSTATEICON) {
        UINT s = info.hItem->state & TVIS_STATEIMAGEMASK;
        info.hItem->state = (info.hItem->state & ~TVIS_STATEIMAGEMASK) |
                            (s == INDEXTOSTATEIMAGEMASK(2) ? INDEXTOSTATEIMAGEMASK(1) : INDEXTOSTATEIMAGEMASK(2));
        InvalidateRect(hwnd, nullptr, TRUE);
      } else if (info.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT)) {
        SelectCaret(hwnd, t, info.hItem, TVC_BYMOUSE);
      }
      return 0;
    }
    case WM_VSCROLL: {
      int visible = std::max(1, VisibleCount(hwnd, t));
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollTo(hwnd, t, t->top - 1); break;
        case SB_LINEDOWN: ScrollTo(hwnd, t, t->top + 1); break;
        case SB_PAGEUP: ScrollTo(hwnd, t, t->top - visible); break;
        case SB_PAGEDOWN: ScrollTo(hwnd, t, t->top + visible); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollTo(hwnd, t, static_cast<short>(HIWORD(wParam))); break;
        case SB_TOP: ScrollTo(hwnd, t, 0); break;
        case SB_BOTTOM: ScrollTo(hwnd, t, 1 << 20); break;
        default: break;
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      ScrollTo(hwnd, t, t->top - 3 * static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA);
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, t, wParam);
      return 0;
    case WM_CHAR:
      TypeAhead(hwnd, t, static_cast<char16_t>(wParam));
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

namespace nux::ui::detail {

void RegisterTreeViewClass() {
  RegisterSystemClass(WC_TREEVIEWW, TreeProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, 0, nullptr,
                      LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace nux::ui::detail
