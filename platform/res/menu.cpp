// Menu templates (MENU and MENUEX) into item trees.
#include "base/errors.h"
#include "res/bytes.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res/templates.h"
#include "rc/nuxres.h"

namespace nux::res {
namespace {

// Deeper nesting than any menu has; a template that nests further is taken as damaged, so a
// crafted one cannot exhaust the stack.
constexpr int kMaxDepth = 32;

constexpr UINT kTypeFlags = MF_BITMAP | MF_OWNERDRAW | MF_MENUBARBREAK | MF_MENUBREAK |
                            MF_SEPARATOR | MF_HELP | MFT_RADIOCHECK | MFT_RIGHTORDER;
constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT;

// Items of one level of a MENU template, up to the one flagged MF_END. Running out of data
// between the items of the top level ends it; inside a popup it is damage.
bool ParseItems(ByteReader& r, std::vector<MenuItem>& out, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    if (r.AtEnd()) return depth == 0;
    WORD raw = r.U16();
    MenuItem item;
    item.flags = raw & ~UINT(MF_END);
    if (raw & MF_POPUP) {
      item.text = r.WString();
      if (!r.ok() || !ParseItems(r, item.children, depth + 1)) return false;
    } else {
      item.id = r.U16();
      item.text = r.WString();
      // MENUITEM SEPARATOR is stored as an item without id and text.
      if (item.id == 0 && item.text.empty()) item.flags |= MF_SEPARATOR;
    }
    if (!r.ok()) return false;
    item.type = item.flags & kTypeFlags;
    item.state = item.flags & kStateFlags;
    out.push_back(std::move(item));
    if (raw & MF_END) return true;
  }
}

// Items of one level of a MENUEX template; the last one has bit 0x80 in its resource-info word,
// a popup has bit 0x01 and is followed by its help id and its own items.
bool ParseItemsEx(ByteReader& r, std::vector<MenuItem>& out, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    if (r.AtEnd()) return depth == 0;
    MenuItem item;
    item.type = r.U32();
    item.state = r.U32();
    item.id = r.U32();
    WORD info = r.U16();
    item.text = r.WString();
    r.Align(4);
    item.flags = item.type | item.state;
    if (info & 0x01) {
      item.flags |= MF_POPUP;
      item.helpId = r.U32();
      if (!r.ok() || !ParseItemsEx(r, item.children, depth + 1)) return false;
    }
    if (!r.ok()) return false;
    out.push_back(std::move(item));
    if (info & 0x80) return true;
  }
}

}  // namespace

std::optional<MenuTemplate> ParseMenuTemplate(const void* data, std::size_t size) {
  ByteReader r(static_cast<const uint8_t*>(data), size);
  MenuTemplate t;
  WORD version = r.U16();
  WORD offset = r.U16();
  if (!r.ok()) return std::nullopt;
  if (version == 0) {
    r.Skip(offset);
    if (!r.ok() || !ParseItems(r, t.items, 0)) return std::nullopt;
  } else if (version == 1) {
    t.extended = true;
    if (offset >= 4) {
      t.helpId = r.U32();
      r.Seek(4 + uint64_t(offset));
    } else {
      r.Skip(offset);
    }
    if (!r.ok() || !ParseItemsEx(r, t.items, 0)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return t;
}

std::optional<MenuTemplate> LoadMenuTemplate(HMODULE module, LPCWSTR name) {
  auto bytes = FindResourceData(module, RT_MENU, name);
  if (!bytes) return std::nullopt;
  auto t = ParseMenuTemplate(bytes->data(), bytes->size());
  if (!t) SetLastError(ERROR_INVALID_DATA);
  return t;
}

}  // namespace nux::res
