// Version information of PE files, of this program's embedded resources and of a library of
// ours read from its file.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/wstr.h"
#include "fs/path.h"
#include "rc/nuxres.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res/version.h"
#include "res_test_support.h"

namespace {

std::u16string WinPath(const std::string& linuxPath) { return nux::fs::ToWindowsPath(linuxPath); }

// A file's version block as GetFileVersionInfoW fills it.
std::vector<uint8_t> VersionBlock(const std::u16string& path) {
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  if (size == 0) return {};
  std::vector<uint8_t> block(size);
  EXPECT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  return block;
}

VS_FIXEDFILEINFO Fixed(const std::vector<uint8_t>& block) {
  VS_FIXEDFILEINFO info{};
  void* p = nullptr;
  UINT length = 0;
  EXPECT_TRUE(VerQueryValueW(block.data(), u"\\", &p, &length));
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  if (p) std::memcpy(&info, p, sizeof info);
  return info;
}

std::u16string Text(const std::vector<uint8_t>& block, const char16_t* subBlock) {
  void* p = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), subBlock, &p, &length)) return u"<none>";
  return std::u16string(static_cast<const char16_t*>(p), wcsnlen(static_cast<const char16_t*>(p), length));
}

TEST(Version, FixedInfoStringsAndTranslationsOfAPeLibrary) {
  std::vector<uint8_t> block = VersionBlock(WinPath(restest::FixturePath("Fixture.dll")));
  ASSERT_FALSE(block.empty());
  VS_FIXEDFILEINFO f = Fixed(block);
  EXPECT_EQ(f.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(f.dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(f.dwFileVersionLS, 0x00070006u);
  EXPECT_EQ(f.dwProductVersionMS, 0x00070001u);
  EXPECT_EQ(f.dwProductVersionLS, 0x00000003u);
  EXPECT_EQ(f.dwFileFlagsMask, DWORD(VS_FFI_FILEFLAGSMASK));
  EXPECT_EQ(f.dwFileFlags, DWORD(VS_FF_PRERELEASE));
  EXPECT_EQ(f.dwFileOS, DWORD(VOS_NT_WINDOWS32));
  EXPECT_EQ(f.dwFileType, DWORD(VFT_DLL));

  void* p = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &p, &length));
  ASSERT_EQ(length, 8u);
  DWORD pairs[2];
  std::memcpy(pairs, p, 8);
  EXPECT_EQ(pairs[0], 0x04B00407u);
  EXPECT_EQ(pairs[1], 0x04B00409u);

  const struct {
    const char16_t* subBlock;
    std::u16string text;
  } cases[] = {
      {u"\\StringFileInfo\\040704b0\\FileVersion", u"2.0.7.6"},
      {u"\\stringfileinfo\\040704B0\\fileversion", u"2.0.7.6"},
      {u"\\StringFileInfo\\040704b0\\FileDescription", u"Bildsteuerung für Tests"},
      {u"\\StringFileInfo\\040904b0\\FileDescription", u"Image control for tests"},
      {u"\\StringFileInfo\\040704b0\\Comments", u""},
      {u"\\StringFileInfo\\040904b0\\FileVersion", u"<none>"},
      {u"\\StringFileInfo\\041004b0\\FileVersion", u"<none>"},
      {u"\\NoSuchBlock", u"<none>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(block, c.subBlock), c.text) << nux::ToUtf8(c.subBlock);
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040704b0\\FileVersion", &p, &length));
  EXPECT_EQ(length, 8u);  // with the NUL
}

TEST(Version, AnsiQueriesKeepEarlierAnswersAndTheWideText) {
  std::string ansiPath = nux::fs::ToWindowsPathA(restest::FixturePath("Fixture.dll"));
  std::vector<uint8_t> block(GetFileVersionInfoSizeA(ansiPath.c_str(), nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoA(ansiPath.c_str(), 0, DWORD(block.size()), block.data()));
  void* description = nullptr;
  void* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704b0\\FileDescription", &description, &length));
  EXPECT_EQ(length, 24u);
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704b0\\FileVersion", &version, &length));
  EXPECT_STREQ(static_cast<const char*>(description), "Bildsteuerung f\xFCr Tests");
  EXPECT_STREQ(static_cast<const char*>(version), "2.0.7.6");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040704b0\\FileDescription"), u"Bildsteuerung für Tests");
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &description, &length));
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
}

TEST(Version, HostExecutableVersionWords) {
  // As a host's version words are read: product MS high and low, file LS high and low.
  std::string path = nux::fs::ToWindowsPathA(restest::FixturePath("Host.exe"));
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
  void* p = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &p, &length));
  VS_FIXEDFILEINFO f;
  std::memcpy(&f, p, sizeof f);
  EXPECT_EQ(HIWORD(f.dwProductVersionMS), 7);
  EXPECT_EQ(LOWORD(f.dwProductVersionMS), 2);
  EXPECT_EQ(HIWORD(f.dwFileVersionLS), 3);
  EXPECT_EQ(LOWORD(f.dwFileVersionLS), 12);
  EXPECT_EQ(f.dwFileType, DWORD(VFT_APP));
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704e4\\ProductName", &p, &length));
  EXPECT_STREQ(static_cast<const char*>(p), "Sternkarte f\xFCr Tests");
}

TEST(Version, OwnBinaries) {
  // This program: its embedded resources, through the loaded module.
  char16_t self[PATH_MAX];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, PATH_MAX), 0u);
  std::vector<uint8_t> block = VersionBlock(self);
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(Fixed(block).dwFileVersionLS, 0x00070006u);

  // A library of ours that is not loaded: read from its file.
  ASSERT_EQ(GetModuleHandleW(u"libresplugin.so"), nullptr);
  auto info = nux::res::ReadVersionInfo(WinPath(NUX_RES_PLUGIN).c_str());
  ASSERT_TRUE(info.has_value());
  ASSERT_TRUE(info->hasFixed);
  EXPECT_EQ(info->fixed.dwFileVersionMS, 0x00030001u);
  EXPECT_EQ(info->fixed.dwFileVersionLS, 0x00040001u);
  EXPECT_EQ(info->Find(u"", u"FileVersion"), std::optional<std::u16string>(u"3.1.4.1"));
  EXPECT_EQ(info->translations, std::vector<DWORD>{0x04B00407u});
}

TEST(Version, ParsedStructure) {
  auto bytes = nux::res::FindResourceData(nullptr, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
  ASSERT_TRUE(bytes.has_value());
  auto info = nux::res::ParseVersionInfo(bytes->data(), bytes->size());
  ASSERT_TRUE(info.has_value());
  ASSERT_EQ(info->stringTables.size(), 2u);
  EXPECT_EQ(info->stringTables[0].key, u"040704b0");
  EXPECT_EQ(info->stringTables[0].values.size(), 5u);
  EXPECT_EQ(info->Find(u"040904B0", u"filedescription"), std::optional<std::u16string>(u"Image control for tests"));
  EXPECT_EQ(info->Find(u"", u"CompanyName"), std::optional<std::u16string>(u"Zarorezo"));
  EXPECT_EQ(info->Find(u"040904b0", u"CompanyName"), std::nullopt);
  EXPECT_EQ(info->translations, (std::vector<DWORD>{0x04B00407u, 0x04B00409u}));

  // Cut anywhere: a clean failure or a shorter reading, never a read past the cut.
  for (size_t length = 0; length < bytes->size(); ++length) {
    std::vector<uint8_t> cut(bytes->begin(), bytes->begin() + std::ptrdiff_t(length));
    auto partial = nux::res::ParseVersionInfo(cut.data(), cut.size());
    if (partial) {
      EXPECT_LE(partial->stringTables.size(), 2u);
    }
  }
}

TEST(Version, SmallBlocks) {
  const std::u16string path = WinPath(restest::FixturePath("Fixture.dll"));
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 100u);
  // Room for the resource but not for the converted texts: the texts are converted in place.
  std::vector<uint8_t> block(size - 1);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()));
  void* p = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\FileDescription", &p, &length));
  EXPECT_STREQ(static_cast<const char*>(p), "Image control for tests");
  EXPECT_EQ(Fixed(block).dwFileVersionMS, 0x00020000u);

  // Much too small: the front of the block, cut so that it still reads as one.
  std::vector<uint8_t> small(40, 0xCC);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, 36, small.data()));
  EXPECT_EQ(small[36], 0xCC);  // nothing written past the given length
  EXPECT_FALSE(VerQueryValueW(small.data(), u"\\", &p, &length));
  EXPECT_FALSE(VerQueryValueA(small.data(), "\\StringFileInfo\\040704b0\\FileVersion", &p, &length));
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfoW(path.c_str(), 0, 4, small.data()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Version, FilesWithoutVersionInformation) {
  nuxtest::TempDir dir;
  restest::BuiltPe withoutVersion = restest::BuildPe({{10, 1, {}, 0, "data"}}, false);
  restest::BuiltPe withoutResources = withoutVersion;
  restest::Put32(withoutResources.bytes, withoutResources.resourceDirectory, 0);
  restest::Put32(withoutResources.bytes, withoutResources.resourceDirectory + 4, 0);
  restest::BuiltPe damagedVersion = restest::BuildPe({{16, 1, {}, 0, "not a version block"}}, false);
  const struct {
    const char* name;
    std::string bytes;  // empty: no file
    DWORD error;
  } cases[] = {
      {"missing.exe", "", ERROR_FILE_NOT_FOUND},
      {"text.txt", "plain text", ERROR_BAD_EXE_FORMAT},
      {"noversion.dll", restest::ToString(withoutVersion.bytes), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"nores.dll", restest::ToString(withoutResources.bytes), ERROR_RESOURCE_DATA_NOT_FOUND},
      {"damaged.dll", restest::ToString(damagedVersion.bytes), ERROR_INVALID_DATA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.path() + "/" + c.name;
    if (!c.bytes.empty()) dir.Write(c.name, c.bytes);
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeW(WinPath(path).c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), c.error);
    uint8_t block[64];
    EXPECT_FALSE(GetFileVersionInfoW(WinPath(path).c_str(), 0, sizeof block, block));
  }
}

}  // namespace
