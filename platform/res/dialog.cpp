// Dialog templates: DLGTEMPLATE (DIALOG) and DLGTEMPLATEEX (DIALOGEX) with their items.
#include "base/errors.h"
#include "res/bytes.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res/templates.h"

namespace nux::res {
namespace {

constexpr DWORD kSetFont = 0x40;  // DS_SETFONT, also part of DS_SHELLFONT

NameOrOrdinal ReadNameOrOrdinal(ByteReader& r) {
  NameOrOrdinal v;
  uint64_t start = r.pos();
  WORD first = r.U16();
  if (first == 0) return v;
  v.present = true;
  if (first == 0xFFFF) {
    v.isOrdinal = true;
    v.ordinal = r.U16();
    return v;
  }
  r.Seek(start);
  v.text = r.WString();
  return v;
}

void ReadCreationData(ByteReader& r, std::vector<uint8_t>& out) {
  WORD count = r.U16();
  if (count == 0 || !r.Has(r.pos(), count)) {
    if (count) r.fail();
    return;
  }
  out.assign(r.here(), r.here() + count);
  r.Skip(count);
}

}  // namespace

std::u16string PredefinedClassName(WORD ordinal) {
  switch (ordinal) {
    case kClassButton: return u"Button";
    case kClassEdit: return u"Edit";
    case kClassStatic: return u"Static";
    case kClassListBox: return u"ListBox";
    case kClassScrollBar: return u"ScrollBar";
    case kClassComboBox: return u"ComboBox";
    default: return {};
  }
}

std::u16string DialogItem::ClassName() const {
  return windowClass.isOrdinal ? PredefinedClassName(windowClass.ordinal) : windowClass.text;
}

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size) {
  ByteReader r(static_cast<const uint8_t*>(data), size);
  DialogTemplate t;
  WORD count = 0;
  if (size >= 4 && Le16(r.data()) == 1 && Le16(r.data() + 2) == 0xFFFF) {
    t.extended = true;
    t.version = r.U16();
    r.U16();  // signature
    t.helpId = r.U32();
    t.exStyle = r.U32();
    t.style = r.U32();
  } else {
    t.style = r.U32();
    t.exStyle = r.U32();
  }
  count = r.U16();
  t.x = r.I16();
  t.y = r.I16();
  t.cx = r.I16();
  t.cy = r.I16();
  t.menu = ReadNameOrOrdinal(r);
  t.windowClass = ReadNameOrOrdinal(r);
  t.title = r.WString();
  if (t.style & kSetFont) {
    t.hasFont = true;
    t.pointSize = r.U16();
    if (t.extended) {
      t.weight = r.U16();
      t.italic = r.U8() != 0;
      t.charset = r.U8();
    }
    t.faceName = r.WString();
  }
  if (!r.ok()) return std::nullopt;

  for (WORD i = 0; i < count; ++i) {
    r.Align(4);
    DialogItem item;
    if (t.extended) {
      item.helpId = r.U32();
      item.exStyle = r.U32();
      item.style = r.U32();
    } else {
      item.style = r.U32();
      item.exStyle = r.U32();
    }
    item.x = r.I16();
    item.y = r.I16();
    item.cx = r.I16();
    item.cy = r.I16();
    item.id = t.extended ? r.U32() : r.U16();
    item.windowClass = ReadNameOrOrdinal(r);
    item.title = ReadNameOrOrdinal(r);
    ReadCreationData(r, item.creationData);
    if (!r.ok()) return std::nullopt;
    t.items.push_back(std::move(item));
  }
  return t;
}

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCWSTR name) {
  auto bytes = FindResourceData(module, RT_DIALOG, name);
  if (!bytes) return std::nullopt;
  auto t = ParseDialogTemplate(bytes->data(), bytes->size());
  if (!t) SetLastError(ERROR_INVALID_DATA);
  return t;
}

}  // namespace nux::res
