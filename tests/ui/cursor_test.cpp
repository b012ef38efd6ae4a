#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "test_support.h"
#include "ui/cursor.h"

namespace {

// Writes the sample cursors with the same generator the sample content uses.
class CursorFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string cmd = "python3 \"" + std::string(NUX_SAMPLE_CONTENT_DIR) + "/make_cursors.py\" \"" +
                      root_.DriveC() + "/Cursor\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(CursorFiles, LoadsCurAndAniAndRemembersTheSource) {
  HCURSOR cur = LoadCursorFromFileW(u"C:\\cursor\\POINTER.CUR");
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(nux::ui::CursorSource(cur), u"C:\\cursor\\POINTER.CUR");
  nux::ui::CursorInfo info;
  ASSERT_TRUE(nux::ui::GetCursorDetails(cur, &info));
  EXPECT_FALSE(info.animated);
  EXPECT_EQ(info.width, 32);

  HCURSOR ani = LoadCursorFromFileW(u"C:\\Cursor\\Wait.ani");
  ASSERT_NE(ani, nullptr);
  ASSERT_TRUE(nux::ui::GetCursorDetails(ani, &info));
  EXPECT_TRUE(info.animated);
  EXPECT_EQ(info.frames, 2);
  EXPECT_EQ(info.hotspotX, 15);
  EXPECT_TRUE(DestroyCursor(cur));
  EXPECT_FALSE(nux::ui::GetCursorDetails(cur, nullptr));
  DestroyCursor(ani);
}

TEST_F(CursorFiles, MissingBrokenAndFolderGiveNull) {
  SetLastError(0);
  EXPECT_EQ(LoadCursorFromFileW(u"C:\\Cursor\\None.cur"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  std::string bytes = nuxtest::ReadFile(root_.DriveC() + "/Cursor/Cross.cur");
  for (size_t cut : {size_t(0), size_t(5), size_t(21), bytes.size() - 1}) {
    nuxtest::TempDir dir;
    dir.Write("x.cur", bytes.substr(0, cut));
    std::string path = "Z:" + dir.path() + "/x.cur";
    std::u16string wide(path.begin(), path.end());
    EXPECT_EQ(LoadCursorFromFileW(wide.c_str()), nullptr) << "cut at " << cut;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
  }
  EXPECT_EQ(LoadCursorFromFileW(u"C:\\Cursor"), nullptr);
}

TEST(SystemCursors, ArrowIsSharedAndKnown) {
  HCURSOR a = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_TRUE(nux::ui::IsSystemCursor(a, IDC_ARROW));
  EXPECT_FALSE(nux::ui::IsSystemCursor(a, IDC_WAIT));
  EXPECT_TRUE(DestroyCursor(a));  // standard cursors survive
  EXPECT_TRUE(nux::ui::IsSystemCursor(a, IDC_ARROW));
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(12)), nullptr);
}

}  // namespace
