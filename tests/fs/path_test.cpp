// Windows paths on the Linux file system: drives, case, normalisation, the current folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "base/errors.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs_test_helpers.h"
#include "test_support.h"

namespace {

std::string Utf8(const std::u16string& s) {
  return std::string(s.begin(), s.end());  // test texts are ASCII
}

bool IsDir(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(Path, ComponentsMatchWithoutCaseAndNewNamesKeepTheirSpelling) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/Data/Readme.TXT", "hello");

  EXPECT_EQ(nux::fs::ToLinuxPath(u"C:\\DATA\\readme.txt"), root.DriveC() + "/Data/Readme.TXT");
  FILE* f = _wfopen(u"C:\\DATA\\readme.txt", u"rb");
  ASSERT_NE(f, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(fread(buffer, 1, sizeof buffer, f), 5u);
  fclose(f);
  EXPECT_STREQ(buffer, "hello");

  // What does not exist is kept as given, below the part that does.
  EXPECT_EQ(nux::fs::ToLinuxPath(u"c:\\data\\New\\File.Txt"), root.DriveC() + "/Data/New/File.Txt");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\DATA\\NewFolder", nullptr));
  EXPECT_TRUE(IsDir(root.DriveC() + "/Data/NewFolder"));

  WCHAR longName[MAX_PATH];
  ASSERT_GT(GetLongPathNameW(u"c:\\data\\README.txt", longName, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(longName), u"C:\\Data\\Readme.TXT");
  EXPECT_EQ(GetLongPathNameW(u"c:\\data\\missing.txt", longName, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(Path, DrivesMapIntoTheRootAndZIsTheLinuxRoot) {
  nuxtest::ScopedPlatformRoot root;
  EXPECT_EQ(nux::fs::ToLinuxPath(u"Z:\\"), "/");
  EXPECT_EQ(nux::fs::ToLinuxPath(u"z:\\no-such-folder\\x"), "/no-such-folder/x");
  EXPECT_EQ(nux::fs::ToWindowsPath("/usr/./lib/../bin"), u"Z:\\usr\\bin");
  EXPECT_EQ(nux::fs::ToWindowsPath("/"), u"Z:\\");
  EXPECT_EQ(nux::fs::ToWindowsPath(root.DriveC()), u"C:\\");
  EXPECT_EQ(nux::fs::ToWindowsPath(root.DriveC() + "/a/b"), u"C:\\a\\b");
  EXPECT_EQ(nux::fs::ToWindowsPath(root.path() + "/drive_cx"), nux::fs::ToWindowsPath(root.path()) + u"\\drive_cx");

  // D: exists once its folder does.
  EXPECT_EQ(nux::fs::ToLinuxPath(u"D:\\x"), "");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetDriveTypeW(u"D:\\"), UINT(DRIVE_NO_ROOT_DIR));
  ASSERT_EQ(::mkdir((root.path() + "/drive_d").c_str(), 0777), 0);
  EXPECT_EQ(nux::fs::ToLinuxPath(u"d:\\x"), root.path() + "/drive_d/x");
  EXPECT_EQ(nux::fs::ToWindowsPath(root.path() + "/drive_d/x"), u"D:\\x");

  // UNC paths are not supported.
  EXPECT_EQ(nux::fs::ToLinuxPath(u"\\\\server\\share\\file"), "");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_PATHNAME));
  EXPECT_EQ(GetFileAttributesW(u"//server/share"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_PATHNAME));
}

TEST(Path, FullPathsResolveAgainstTheCurrentFolder) {
  nuxtest::ScopedPlatformRoot root;
  ASSERT_EQ(::mkdir((root.DriveC() + "/work").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir((root.DriveC() + "/work/sub").c_str(), 0777), 0);
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\work\\sub"));

  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"a.txt", u"C:\\work\\sub\\a.txt"},
      {u".\\a.txt", u"C:\\work\\sub\\a.txt"},
      {u"..\\a", u"C:\\work\\a"},
      {u"..\\..\\..\\..\\a", u"C:\\a"},  // ".." stops at the drive's root
      {u"C:\\..\\..", u"C:\\"},
      {u"\\top\\x", u"C:\\top\\x"},      // the current drive's root
      {u"C:\\x\\.\\y\\..\\z", u"C:\\x\\z"},
      {u"c:/x//y/", u"C:\\x\\y\\"},       // both separators; a final one stays
      {u"C:\\dir.. \\file. ", u"C:\\dir\\file"},  // trailing dots and blanks go
      {u"C:rel", u"C:\\work\\sub\\rel"},
      {u"D:rel", u"D:\\rel"},
      {u"\\\\?\\C:\\long\\form", u"C:\\long\\form"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nux::fs::FullPath(c.in), c.out) << Utf8(c.in);
  }

  WCHAR buffer[MAX_PATH];
  LPWSTR filePart = nullptr;
  ASSERT_EQ(GetFullPathNameW(u"..\\name.ext", MAX_PATH, buffer, &filePart), 16u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\work\\name.ext");
  ASSERT_NE(filePart, nullptr);
  EXPECT_EQ(std::u16string(filePart), u"name.ext");
  EXPECT_EQ(GetFullPathNameW(u"..\\name.ext", 5, buffer, nullptr), 17u);  // too small: the size needed
  char ansi[MAX_PATH];
  EXPECT_EQ(GetFullPathNameA("x", MAX_PATH, ansi, nullptr), 13u);
  EXPECT_STREQ(ansi, "C:\\work\\sub\\x");
}

TEST(Path, SetCurrentDirectoryChecksTheTargetAndMovesTheProcess) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/Folder/file.txt", "x");

  struct Case {
    const char16_t* path;
    DWORD error;
  } failures[] = {
      {u"C:\\Folder\\file.txt", ERROR_DIRECTORY},
      {u"C:\\Folder\\missing", ERROR_FILE_NOT_FOUND},
      {u"C:\\missing\\deeper", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : failures) {
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryW(c.path)) << Utf8(c.path);
    EXPECT_EQ(GetLastError(), c.error) << Utf8(c.path);
  }

  ASSERT_TRUE(SetCurrentDirectoryA("c:\\FOLDER\\"));
  WCHAR buffer[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 9u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\FOLDER");
  EXPECT_EQ(GetCurrentDirectoryW(3, buffer), 10u);
  char cwd[PATH_MAX];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::filesystem::path(cwd), std::filesystem::canonical(root.DriveC() + "/Folder"));

  // Relative names now reach the folder, through the platform and through Linux alike.
  EXPECT_NE(GetFileAttributesW(u"FILE.TXT"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(nuxtest::ReadFile("file.txt"), "x");
  ASSERT_TRUE(SetCurrentDirectoryW(u".."));
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 3u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\");
}

TEST(Path, SystemFoldersAndDriveTypes) {
  nuxtest::ScopedPlatformRoot root;
  WCHAR buffer[MAX_PATH];
  ASSERT_EQ(GetTempPathW(MAX_PATH, buffer), 16u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\windows\\temp\\");
  EXPECT_TRUE(IsDir(root.DriveC() + "/windows/temp"));
  char ansi[MAX_PATH];
  EXPECT_EQ(GetTempPathA(4, ansi), 17u);
  ASSERT_EQ(GetWindowsDirectoryA(ansi, MAX_PATH), 10u);
  EXPECT_STREQ(ansi, "C:\\windows");
  ASSERT_EQ(GetSystemDirectoryW(buffer, MAX_PATH), 19u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\windows\\system32");
  EXPECT_TRUE(IsDir(root.DriveC() + "/windows/system32"));

  struct Case {
    const char* root;
    UINT type;
  } cases[] = {
      {"C:\\", DRIVE_FIXED}, {"c:", DRIVE_FIXED},        {"Z:\\", DRIVE_FIXED},
      {"Q:\\", DRIVE_NO_ROOT_DIR}, {"C:\\windows\\", DRIVE_NO_ROOT_DIR}, {"E:\\", DRIVE_CDROM},
  };
  nux::fs::SetDriveType('e', DRIVE_CDROM);
  for (const auto& c : cases) EXPECT_EQ(GetDriveTypeA(c.root), c.type) << c.root;
  const DWORD drives = GetLogicalDrives();
  EXPECT_EQ(drives, (1u << 2) | (1u << 4) | (1u << 25));  // C:, E: and Z:
  nux::fs::SetDriveType('E', DRIVE_UNKNOWN);
  EXPECT_EQ(GetDriveTypeW(u"E:\\"), UINT(DRIVE_NO_ROOT_DIR));
}

}  // namespace
