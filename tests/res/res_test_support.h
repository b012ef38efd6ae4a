// Helpers of the resource tests: where the built fixtures are, and small builders of .res and
// PE images for cases that the resource compiler cannot produce (64-bit images, damage).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/types.h"
#include "test_support.h"

namespace restest {

inline std::string FixtureDir() { return NUX_RES_FIXTURE_DIR; }
inline std::string FixturePath(const std::string& name) { return FixtureDir() + "/" + name; }

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::string s = nuxtest::ReadFile(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

inline std::string ToString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
inline void Append16(std::vector<uint8_t>& b, uint32_t v) { Put16(b, b.size(), v); }
inline void Append32(std::vector<uint8_t>& b, uint32_t v) { Put32(b, b.size(), v); }
inline void AppendWide(std::vector<uint8_t>& b, const std::u16string& s, bool terminate = true) {
  for (char16_t c : s) Append16(b, c);
  if (terminate) Append16(b, 0);
}
inline void Align4(std::vector<uint8_t>& b) {
  while (b.size() % 4) b.push_back(0);
}

// One resource of a built image: a name that is a string when `name` is not empty, else the
// ordinal `nameId`.
struct TestResource {
  WORD type = 10;
  WORD nameId = 1;
  std::u16string name;
  WORD language = 0;
  std::string data;
};

// A .res image: the leading empty entry, then the resources.
inline std::vector<uint8_t> BuildRes(const std::vector<TestResource>& resources) {
  std::vector<uint8_t> b;
  auto entry = [&](WORD type, WORD nameId, const std::u16string& name, WORD language,
                   const std::string& data) {
    size_t start = b.size();
    Append32(b, uint32_t(data.size()));
    Append32(b, 0);  // header size, patched below
    Append16(b, 0xFFFF);
    Append16(b, type);
    if (name.empty()) {
      Append16(b, 0xFFFF);
      Append16(b, nameId);
    } else {
      AppendWide(b, name);
    }
    Align4(b);
    Append32(b, 0);                    // data version
    Append16(b, type ? 0x1030 : 0);    // memory flags
    Append16(b, language);
    Append32(b, 0);         // version
    Append32(b, 0);         // characteristics
    Put32(b, start + 4, uint32_t(b.size() - start));
    b.insert(b.end(), data.begin(), data.end());
    Align4(b);
  };
  entry(0, 0, {}, 0, {});
  for (const TestResource& r : resources) entry(r.type, r.nameId, r.name, r.language, r.data);
  return b;
}

// A PE image whose only section is .rsrc, with the three-level tree of `resources`. The offsets
// of its parts are kept so that tests can damage them.
struct BuiltPe {
  std::vector<uint8_t> bytes;
  size_t optionalHeader = 0;
  size_t resourceDirectory = 0;  // the data directory entry (RVA, size) in the optional header
  size_t sectionTable = 0;
  size_t rsrc = 0;               // file offset of the section
  uint32_t rsrcRva = 0x1000;
  std::vector<size_t> directories;  // file offsets of all directories, the root first
  std::vector<size_t> dataEntries;  // file offsets of the data entries, in resource order
  std::vector<size_t> nameStrings;  // file offsets of the name strings
};

inline BuiltPe BuildPe(const std::vector<TestResource>& resources, bool pe32plus) {
  struct Name {
    WORD id;
    std::u16string text;
    std::vector<size_t> leaves;
    size_t dir = 0;
    size_t str = 0;
  };
  struct Type {
    WORD id;
    std::vector<Name> names;
    size_t dir = 0;
  };
  std::vector<Type> types;
  for (size_t i = 0; i < resources.size(); ++i) {
    const TestResource& r = resources[i];
    Type* t = nullptr;
    for (Type& x : types)
      if (x.id == r.type) t = &x;
    if (!t) {
      types.push_back(Type{r.type, {}, 0});
      t = &types.back();
    }
    Name* n = nullptr;
    for (Name& x : t->names)
      if (x.text == r.name && (!r.name.empty() || x.id == r.nameId)) n = &x;
    if (!n) {
      t->names.push_back(Name{r.nameId, r.name, {}, 0, 0});
      n = &t->names.back();
    }
    n->leaves.push_back(i);
  }
  // Layout inside the section: directories, data entries, name strings, data.
  size_t off = 16 + 8 * types.size();
  for (Type& t : types) {
    t.dir = off;
    off += 16 + 8 * t.names.size();
  }
  for (Type& t : types)
    for (Name& n : t.names) {
      n.dir = off;
      off += 16 + 8 * n.leaves.size();
    }
  std::vector<size_t> entryOff(resources.size()), dataOff(resources.size());
  for (size_t i = 0; i < resources.size(); ++i) {
    entryOff[i] = off;
    off += 16;
  }
  for (Type& t : types)
    for (Name& n : t.names)
      if (!n.text.empty()) {
        n.str = off;
        off += 2 + 2 * n.text.size();
      }
  off = (off + 3) / 4 * 4;
  for (size_t i = 0; i < resources.size(); ++i) {
    dataOff[i] = off;
    off = (off + resources[i].data.size() + 3) / 4 * 4;
  }
  size_t rsrcSize = off;

  BuiltPe pe;
  std::vector<uint8_t>& b = pe.bytes;
  b.assign(0x200, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  b[0x40] = 'P';
  b[0x41] = 'E';
  Put16(b, 0x44, pe32plus ? 0x8664 : 0x14C);
  Put16(b, 0x46, 1);  // one section
  size_t optionalSize = pe32plus ? 240 : 224;
  Put16(b, 0x54, uint32_t(optionalSize));
  Put16(b, 0x56, 0x2102);  // executable, 32-bit words, DLL
  pe.optionalHeader = 0x58;
  Put16(b, pe.optionalHeader, pe32plus ? 0x20B : 0x10B);
  size_t countField = pe.optionalHeader + (pe32plus ? 108 : 92);
  Put32(b, countField, 16);
  pe.resourceDirectory = pe.optionalHeader + (pe32plus ? 112 : 96) + 16;
  Put32(b, pe.resourceDirectory, pe.rsrcRva);
  Put32(b, pe.resourceDirectory + 4, uint32_t(rsrcSize));
  pe.sectionTable = pe.optionalHeader + optionalSize;
  std::memcpy(&b[pe.sectionTable], ".rsrc", 5);
  size_t rawSize = (rsrcSize + 0x1FF) / 0x200 * 0x200;
  Put32(b, pe.sectionTable + 8, uint32_t(rsrcSize));
  Put32(b, pe.sectionTable + 12, pe.rsrcRva);
  Put32(b, pe.sectionTable + 16, uint32_t(rawSize));
  pe.rsrc = 0x200;
  Put32(b, pe.sectionTable + 20, uint32_t(pe.rsrc));
  b.resize(pe.rsrc + rawSize, 0);

  auto dirHeader = [&](size_t at, size_t named, size_t ids) {
    pe.directories.push_back(pe.rsrc + at);
    Put16(b, pe.rsrc + at + 12, uint32_t(named));
    Put16(b, pe.rsrc + at + 14, uint32_t(ids));
  };
  dirHeader(0, 0, types.size());
  for (size_t i = 0; i < types.size(); ++i) {
    Put32(b, pe.rsrc + 16 + 8 * i, types[i].id);
    Put32(b, pe.rsrc + 16 + 8 * i + 4, uint32_t(types[i].dir) | 0x80000000u);
  }
  for (Type& t : types) {
    size_t named = 0;
    for (Name& n : t.names) named += n.text.empty() ? 0 : 1;
    dirHeader(t.dir, named, t.names.size() - named);
    for (size_t i = 0; i < t.names.size(); ++i) {
      Name& n = t.names[i];
      size_t at = pe.rsrc + t.dir + 16 + 8 * i;
      Put32(b, at, n.text.empty() ? n.id : uint32_t(n.str) | 0x80000000u);
      Put32(b, at + 4, uint32_t(n.dir) | 0x80000000u);
      if (!n.text.empty()) {
        pe.nameStrings.push_back(pe.rsrc + n.str);
        Put16(b, pe.rsrc + n.str, uint32_t(n.text.size()));
        for (size_t k = 0; k < n.text.size(); ++k) Put16(b, pe.rsrc + n.str + 2 + 2 * k, n.text[k]);
      }
    }
  }
  for (Type& t : types)
    for (Name& n : t.names) {
      dirHeader(n.dir, 0, n.leaves.size());
      for (size_t i = 0; i < n.leaves.size(); ++i) {
        size_t leaf = n.leaves[i];
        size_t at = pe.rsrc + n.dir + 16 + 8 * i;
        Put32(b, at, resources[leaf].language);
        Put32(b, at + 4, uint32_t(entryOff[leaf]));
      }
    }
  for (size_t i = 0; i < resources.size(); ++i) {
    pe.dataEntries.push_back(pe.rsrc + entryOff[i]);
    Put32(b, pe.rsrc + entryOff[i], uint32_t(pe.rsrcRva + dataOff[i]));
    Put32(b, pe.rsrc + entryOff[i] + 4, uint32_t(resources[i].data.size()));
    std::memcpy(&b[pe.rsrc + dataOff[i]], resources[i].data.data(), resources[i].data.size());
  }
  return pe;
}

// A string table block: sixteen counted strings, the missing ones empty.
inline std::string StringBlock(const std::vector<std::pair<int, std::u16string>>& strings) {
  std::vector<std::u16string> slots(16);
  for (const auto& [index, text] : strings) slots[size_t(index)] = text;
  std::vector<uint8_t> b;
  for (const std::u16string& s : slots) {
    Append16(b, uint32_t(s.size()));
    AppendWide(b, s, false);
  }
  return ToString(b);
}

}  // namespace restest
