// The tree of a hive and the comparison of names.
#include <algorithm>

#include "registry/hive.h"

namespace nux::registry::detail {

namespace {
const char* const kLong[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
const char* const kShort[kHiveCount] = {"HKCR", "HKCU", "HKLM"};

bool AsciiEqualNoCase(std::u16string_view a, const char* b) {
  size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (FoldChar(a[i]) != FoldChar(char16_t(static_cast<unsigned char>(b[i])))) return false;
  return true;
}
}  // namespace

const char* HiveLongName(int hive) { return kLong[hive]; }
const char* HiveShortName(int hive) { return kShort[hive]; }

int HiveFromName(std::u16string_view name) {
  for (int h = 0; h < kHiveCount; ++h)
    if (AsciiEqualNoCase(name, kLong[h]) || AsciiEqualNoCase(name, kShort[h])) return h;
  return -1;
}

char16_t FoldChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
  // Latin-1: à..þ except ÷; ÿ is Ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs of capital (even) and small (odd) letters, except where the
  // pairing shifts by one (0x139..0x148, 0x179..0x17E).
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? char16_t(c - 1) : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? char16_t(c - 1) : c;
  }
  // Greek and Cyrillic basic letters.
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return char16_t(c - 32);
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 32);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 80);
  return c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldChar(a[i]), y = FoldChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

Key* Key::FindSubkey(std::u16string_view n) const {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                             [](const std::unique_ptr<Key>& k, std::u16string_view v) { return CompareNames(k->name, v) < 0; });
  if (it != subkeys.end() && SameName((*it)->name, n)) return it->get();
  return nullptr;
}

Value* Key::FindValue(std::u16string_view n) {
  for (auto& v : values)
    if (SameName(v.name, n)) return &v;
  return nullptr;
}

Key* Key::AddSubkey(std::u16string_view n, bool* created) {
  auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                             [](const std::unique_ptr<Key>& k, std::u16string_view v) { return CompareNames(k->name, v) < 0; });
  if (it != subkeys.end() && SameName((*it)->name, n)) {
    if (created) *created = false;
    return it->get();
  }
  auto key = std::make_unique<Key>();
  key->name = std::u16string(n);
  Key* raw = key.get();
  subkeys.insert(it, std::move(key));
  if (created) *created = true;
  return raw;
}

bool Key::RemoveSubkey(std::u16string_view n) {
  for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
    if (SameName((*it)->name, n)) {
      subkeys.erase(it);
      return true;
    }
  }
  return false;
}

bool Key::RemoveValue(std::u16string_view n) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (SameName(it->name, n)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

void Key::SetValue(std::u16string_view n, DWORD type, std::vector<BYTE> data) {
  if (Value* v = FindValue(n)) {
    // An existing value keeps the spelling of its name.
    v->type = type;
    v->data = std::move(data);
    return;
  }
  values.push_back(Value{std::u16string(n), type, std::move(data)});
}

std::unique_ptr<Key> Key::Clone() const {
  auto copy = std::make_unique<Key>();
  copy->name = name;
  copy->values = values;
  copy->subkeys.reserve(subkeys.size());
  for (const auto& s : subkeys) copy->subkeys.push_back(s->Clone());
  return copy;
}

Key* Walk(Key& root, const Path& path) {
  Key* k = &root;
  for (const auto& part : path) {
    k = k->FindSubkey(part);
    if (!k) return nullptr;
  }
  return k;
}

}  // namespace nux::registry::detail
