// The readers of .res images and PE resource sections, on good images and on damaged ones:
// a damaged image must fail cleanly (no read outside the buffer, no hang).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/errors.h"
#include "fs/path.h"
#include "res/modules.h"
#include "res/pefile.h"
#include "res/resfile.h"
#include "res/resources.h"
#include "res_test_support.h"

namespace {

using nux::res::ParsePeResources;
using nux::res::PeStatus;
using nux::res::ResourceEntry;
using restest::BuiltPe;
using restest::Put16;
using restest::Put32;

std::string Bytes(const ResourceEntry& e) {
  return std::string(reinterpret_cast<const char*>(e.data), e.size);
}

// Parses a copy of exactly `length` bytes, so that any read past them is caught.
PeStatus ParsePrefix(const std::vector<uint8_t>& image, size_t length,
                     std::vector<std::string>* contents = nullptr) {
  std::vector<uint8_t> copy(image.begin(), image.begin() + std::ptrdiff_t(length));
  std::vector<ResourceEntry> entries;
  PeStatus status = ParsePeResources(copy.data(), copy.size(), entries);
  if (contents) {
    contents->clear();
    for (const auto& e : entries) contents->push_back(Bytes(e));
  }
  return status;
}

const std::vector<restest::TestResource> kResources = {
    {6, 1, {}, 0x407, restest::StringBlock({{1, u"Eins"}, {15, u"Fünfzehn"}})},
    {10, 0, u"HELLO", 0x407, "hallo"},
    {10, 0, u"HELLO", 0x409, "hello"},
    {10, 5, {}, 0, "five"},
    {16, 1, {}, 0, "not a version"},
};

TEST(ResFile, ReadsHeadersNamesAndAlignment) {
  std::vector<uint8_t> image = restest::BuildRes({
      {10, 0, u"Abc", 0x407, "x"},    // a string name; one byte of data, then padding
      {6, 2, {}, 0x409, "0123456"},  // ordinals
  });
  std::vector<ResourceEntry> entries;
  ASSERT_TRUE(nux::res::ParseResFile(image.data(), image.size(), entries));
  ASSERT_EQ(entries.size(), 2u);  // the leading empty entry is skipped
  EXPECT_FALSE(entries[0].name.isOrdinal);
  EXPECT_EQ(entries[0].name.name, u"Abc");
  EXPECT_TRUE(entries[0].name.Matches(nux::res::ResId::Name(u"aBC")));
  EXPECT_EQ(entries[0].language, 0x407);
  EXPECT_EQ(entries[0].memoryFlags, 0x1030);
  EXPECT_EQ(Bytes(entries[0]), "x");
  EXPECT_TRUE(entries[1].type.isOrdinal);
  EXPECT_EQ(entries[1].type.ordinal, 6);
  EXPECT_EQ(entries[1].name.ordinal, 2);
  EXPECT_EQ(Bytes(entries[1]), "0123456");
}

TEST(ResFile, DamagedImagesFailCleanly) {
  const std::vector<uint8_t> good = restest::BuildRes({{10, 0, u"NAME", 0, "data"}, {10, 3, {}, 0, "more"}});
  // Offset of the second header: after the first one's header and data (4 bytes).
  const size_t second = 32 + (good[36] | good[37] << 8) + 4;
  const struct {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  } cases[] = {
      {"data size past the end", [](auto& b) { Put32(b, 32, 0xFFFFFFF0); }},
      {"header size too small", [](auto& b) { Put32(b, 36, 8); }},
      {"header size past the end", [](auto& b) { Put32(b, 36, 0x7FFFFFFF); }},
      {"second header size huge", [&](auto& b) { Put32(b, second + 4, 0xFFFFFFFF); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bad = good;
    c.damage(bad);
    std::vector<ResourceEntry> entries;
    EXPECT_FALSE(nux::res::ParseResFile(bad.data(), bad.size(), entries));
  }
  // Cut anywhere: never a read past the cut, never an entry that reaches past it.
  for (size_t length = 0; length < good.size(); ++length) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(length));
    std::vector<ResourceEntry> entries;
    nux::res::ParseResFile(cut.data(), cut.size(), entries);
    EXPECT_LT(entries.size(), 2u) << length;
    for (const auto& e : entries) EXPECT_LE(e.data + e.size, cut.data() + cut.size());
  }
}

TEST(PeFile, ReadsBuiltImagesOfBothWidths) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    BuiltPe pe = restest::BuildPe(kResources, wide);
    std::vector<ResourceEntry> entries;
    nux::res::PeInfo info;
    ASSERT_EQ(ParsePeResources(pe.bytes.data(), pe.bytes.size(), entries, &info), PeStatus::Ok);
    EXPECT_EQ(info.pe32plus, wide);
    ASSERT_EQ(entries.size(), kResources.size());

    // Through LoadLibrary from a file, as a host's resource library is read.
    nuxtest::TempDir dir;
    std::string path = dir.Write(wide ? "wide.dll" : "narrow.dll", restest::ToString(pe.bytes));
    HMODULE h = LoadLibraryW(nux::fs::ToWindowsPath(path).c_str());
    ASSERT_NE(h, nullptr);
    char16_t buffer[32];
    EXPECT_EQ(LoadStringW(h, 15, buffer, 32), 8);
    EXPECT_EQ(std::u16string(buffer), u"Fünfzehn");
    HRSRC english = FindResourceExW(h, RT_RCDATA, u"hello", 0x409);
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(h, english))),
                          SizeofResource(h, english)),
              "hello");
    EXPECT_TRUE(FreeLibrary(h));
  }
}

TEST(PeFile, ImagesWithoutResources) {
  BuiltPe pe = restest::BuildPe(kResources, false);
  for (int variant = 0; variant < 2; ++variant) {
    std::vector<uint8_t> b = pe.bytes;
    if (variant == 0) {
      Put32(b, pe.resourceDirectory, 0);  // no resource directory
      Put32(b, pe.resourceDirectory + 4, 0);
    } else {
      Put32(b, pe.optionalHeader + 92, 2);  // the directory table ends before it
    }
    std::vector<ResourceEntry> entries;
    EXPECT_EQ(ParsePeResources(b.data(), b.size(), entries), PeStatus::Ok);
    EXPECT_TRUE(entries.empty());
  }
  nuxtest::TempDir dir;
  std::vector<uint8_t> b = pe.bytes;
  Put32(b, pe.resourceDirectory, 0);
  Put32(b, pe.resourceDirectory + 4, 0);
  HMODULE h = LoadLibraryW(nux::fs::ToWindowsPath(dir.Write("empty.dll", restest::ToString(b))).c_str());
  ASSERT_NE(h, nullptr);
  SetLastError(0);
  EXPECT_EQ(FindResourceW(h, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(h));
}

TEST(PeFile, CraftedFieldsFailCleanly) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    const BuiltPe pe = restest::BuildPe(kResources, wide);
    const size_t root = pe.directories[0];
    const size_t firstType = pe.directories[1];
    const size_t firstName = pe.directories[1 + 3];  // three types: 6, 10, 16
    const struct {
      const char* what;
      std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"PE header offset past the end", [](auto& b) { Put32(b, 0x3C, 0xFFFFFFF0); }},
        {"no PE signature", [](auto& b) { b[0x40] = 'X'; }},
        {"section count huge", [](auto& b) { Put16(b, 0x46, 0xFFFF); }},
        {"optional header size huge", [](auto& b) { Put16(b, 0x54, 0xFFFF); }},
        {"optional header magic unknown", [&](auto& b) { Put16(b, pe.optionalHeader, 0x107); }},
        {"resource RVA outside the sections", [&](auto& b) { Put32(b, pe.resourceDirectory, 0x7FFFF000); }},
        {"section data past the end",
         [&](auto& b) {
           Put32(b, pe.sectionTable + 16, 0xFFFFFFFF);
           Put32(b, pe.sectionTable + 20, 0xFFFFFF00);
         }},
        {"root entry counts huge", [&](auto& b) { Put16(b, root + 12, 0xFFFF); Put16(b, root + 14, 0xFFFF); }},
        {"subdirectory loops to the root", [&](auto& b) { Put32(b, root + 16 + 4, 0x80000000u); }},
        {"subdirectory points to itself", [&](auto& b) { Put32(b, firstType + 16 + 4, uint32_t(firstType - pe.rsrc) | 0x80000000u); }},
        {"two types share a directory",
         [&](auto& b) { Put32(b, root + 24 + 4, uint32_t(firstType - pe.rsrc) | 0x80000000u); }},
        {"subdirectory offset huge", [&](auto& b) { Put32(b, root + 16 + 4, 0xFFFFFFFFu); }},
        {"type entry points to data", [&](auto& b) { Put32(b, root + 16 + 4, 0x10); }},
        {"language entry points to a directory",
         [&](auto& b) { Put32(b, firstName + 16 + 4, uint32_t(root - pe.rsrc) | 0x80000000u); }},
        {"data RVA wraps", [&](auto& b) { Put32(b, pe.dataEntries[0], 0xFFFFFFF0); Put32(b, pe.dataEntries[0] + 4, 0x20); }},
        {"data size huge", [&](auto& b) { Put32(b, pe.dataEntries[1] + 4, 0xFFFFFFFF); }},
        {"data entry offset huge", [&](auto& b) { Put32(b, firstName + 16 + 4, 0x7FFFFFF0); }},
        {"name string length huge", [&](auto& b) { Put16(b, pe.nameStrings[0], 0xFFFF); }},
        {"name string offset huge",
         [&](auto& b) { Put32(b, pe.directories[2] + 16, 0xFFFFFFFFu); }},
    };
    nuxtest::TempDir dir;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      std::vector<uint8_t> bad = pe.bytes;
      c.damage(bad);
      EXPECT_EQ(ParsePrefix(bad, bad.size()), PeStatus::Malformed);
      SetLastError(0);
      std::string path = dir.Write("bad.dll", restest::ToString(bad));
      EXPECT_EQ(LoadLibraryW(nux::fs::ToWindowsPath(path).c_str()), nullptr);
      EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
    }
  }
}

TEST(PeFile, TruncatedAnywhereFailsOrReadsEverything) {
  for (const std::string file : {"Fixture.dll", "Host.exe"}) {
    SCOPED_TRACE(file);
    const std::vector<uint8_t> image = restest::ReadBytes(restest::FixturePath(file));
    std::vector<std::string> full;
    ASSERT_EQ(ParsePrefix(image, image.size(), &full), PeStatus::Ok);
    ASSERT_FALSE(full.empty());
    for (size_t length = 0; length < image.size(); ++length) {
      std::vector<std::string> contents;
      PeStatus status = ParsePrefix(image, length, &contents);
      if (status == PeStatus::Ok) {
        // Only the padding after the last resource was cut.
        EXPECT_EQ(contents, full) << length;
      } else {
        EXPECT_EQ(status, length < 2 ? PeStatus::NotPe : PeStatus::Malformed) << length;
      }
    }
  }
  const std::vector<uint8_t> image = restest::ReadBytes(restest::FixturePath("Fixture.dll"));
  nuxtest::TempDir dir;
  for (size_t length : {size_t(64), size_t(0x178), size_t(0x800), size_t(0x900)}) {
    std::vector<uint8_t> cut(image.begin(), image.begin() + std::ptrdiff_t(length));
    std::string path = dir.Write("cut.dll", restest::ToString(cut));
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(nux::fs::ToWindowsPath(path).c_str()), nullptr) << length;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
  }
}

}  // namespace
