// Versions of Linux shared libraries from their real file names.
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/errors.h"
#include "com/com.h"
#include "fs/path.h"
#include "res/version.h"
#include "test_support.h"

namespace {

TEST(LibraryVersion, NumbersComeFromTheFileName) {
  struct Case {
    const char* name;
    bool ok;
    std::array<uint16_t, 4> version;
  };
  const Case cases[] = {
      {"libImageCtrl.so.2.0.7.6", true, {2, 0, 7, 6}},
      {"/usr/lib/libx.so.3", true, {3, 0, 0, 0}},
      {"libx.so.2.1", true, {2, 1, 0, 0}},
      {"libx.so.65535.0.0.1", true, {65535, 0, 0, 1}},
      {"libx.so", false, {}},
      {"libx.so.", false, {}},
      {"libx.so.1.2.3.4.5", false, {}},
      {"libx.so.1.x", false, {}},
      {"libx.so.65536", false, {}},
      {"libx.so.1..2", false, {}},
      {"/lib.so.9/libx.txt", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto v = nux::com::SharedLibraryNameVersion(c.name);
    ASSERT_EQ(v.has_value(), c.ok);
    if (c.ok) {
      EXPECT_EQ(*v, c.version);
    }
  }
}

TEST(LibraryVersion, BlockReadsAsAVersionResource) {
  std::vector<uint8_t> raw = nux::com::BuildVersionResource({2, 0, 7, 6});
  auto info = nux::res::ParseVersionInfo(raw.data(), raw.size());
  ASSERT_TRUE(info.has_value());
  ASSERT_TRUE(info->hasFixed);
  EXPECT_EQ(info->fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info->fixed.dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(info->fixed.dwFileVersionLS, 0x00070006u);
  EXPECT_EQ(info->Find(u"", u"FileVersion"), std::optional<std::u16string>(u"2.0.7.6"));
  ASSERT_EQ(info->translations.size(), 1u);
  EXPECT_EQ(info->translations[0], 0x04b00409u);
}

class LibraryFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    real_ = dir_.Write("libImageCtrl.so.2.0.7.6", std::string("\x7f" "ELF\x01\x01\x01", 7) + std::string(64, '\0'));
    link_ = dir_.path() + "/libImageCtrl.so";
    ASSERT_EQ(::symlink(real_.c_str(), link_.c_str()), 0);
    text_ = dir_.Write("libText.so.1.2.3.4", "not a library");
  }
  nuxtest::TempDir dir_;
  std::string real_, link_, text_;
};

TEST_F(LibraryFiles, TheRealFileOfALinkGivesTheVersion) {
  std::vector<uint8_t> raw;
  ASSERT_TRUE(nux::com::SharedLibraryVersionResource(link_, raw));
  auto info = nux::res::ParseVersionInfo(raw.data(), raw.size());
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->fixed.dwFileVersionLS, 0x00070006u);
  EXPECT_FALSE(nux::com::SharedLibraryVersionResource(text_, raw));
  EXPECT_FALSE(nux::com::SharedLibraryVersionResource(dir_.path() + "/missing.so.1.0", raw));
  // No fixed buffer limits the path.
  std::string deep = dir_.path();
  for (int i = 0; i < 12; ++i) deep += "/a-rather-long-folder-name-to-pass-the-old-limit";
  std::string longReal = deep + "/libDeep.so.1.2.3.4";
  nuxtest::TempDir unused;
  (void)unused;
  ASSERT_EQ(std::system(("mkdir -p '" + deep + "'").c_str()), 0);
  ASSERT_EQ(::symlink(real_.c_str(), longReal.c_str()), 0);
  ASSERT_GT(longReal.size(), 300u);
  ASSERT_TRUE(nux::com::SharedLibraryVersionResource(longReal, raw));
}

// Through the platform's version reader, once it asks for shared-library versions.
TEST_F(LibraryFiles, FileVersionApiReadsTheLibrariesVersion) {
  std::u16string path = nux::fs::ToWindowsPath(link_);
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) GTEST_SKIP() << "the version reader does not ask for shared-library versions yet";
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00070006u);
}

}  // namespace
