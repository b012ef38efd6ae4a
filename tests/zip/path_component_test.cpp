// The path splitter behind volume names and the name-only search.
#include <gtest/gtest.h>

#include "zip/ZipPathComponent.h"

namespace {

TEST(ZipPathComponent, SplitsAndRebuilds) {
  const struct {
    const char16_t* path;
    const char16_t* drive;
    const char16_t* folder;
    const char16_t* title;
    const char16_t* ext;
  } cases[] = {
      {u"C:\\Data\\Skins.nux", u"C:", u"C:\\Data", u"Skins", u"nux"},
      {u"C:\\archive.tar.zip", u"C:", u"C:", u"archive.tar", u"zip"},
      {u"\\\\server\\share\\dir\\x.zip", u"\\\\server\\share", u"\\\\server\\share\\dir", u"x", u"zip"},
      {u"\\\\?\\UNC\\server\\share\\x.zip", u"\\\\?\\UNC\\server\\share", u"\\\\?\\UNC\\server\\share", u"x",
       u"zip"},
      {u"\\\\?\\D:\\v\\x", u"\\\\?\\D:", u"\\\\?\\D:\\v", u"x", u""},
      {u"relative\\dir\\name.ext", u"", u"relative\\dir", u"name", u"ext"},
      {u"name", u"", u"", u"name", u""},
  };
  for (const auto& c : cases) {
    const CZipPathComponent zpc(c.path);
    SCOPED_TRACE(nux::ToUtf8(c.path));
    EXPECT_EQ(zpc.GetFileDrive(), CString(c.drive));
    EXPECT_EQ(zpc.GetFilePath(), CString(c.folder));
    EXPECT_EQ(zpc.GetFileTitle(), CString(c.title));
    EXPECT_EQ(zpc.GetFileExt(), CString(c.ext));
    EXPECT_EQ(zpc.GetFullPath(), CString(c.path));
  }
  CZipPathComponent volume(u"C:\\Data\\Skins.nux");
  volume.SetExtension(u"001");
  EXPECT_EQ(volume.GetFullPath(), CString(u"C:\\Data\\Skins.001"));
  CString name(u"dir\\sub\\\\/");
  CZipPathComponent::RemoveSeparators(name);
  EXPECT_EQ(name, CString(u"dir\\sub"));
}

}  // namespace
