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
  // Their pictures as the files draw them (black where the mask is clear), and the
  // animation's two steps at its rate of 10 sixtieths of a second.
  std::vector<nux::ui::CursorFrame> frames;
  std::vector<nux::ui::CursorStep> steps;
  ASSERT_TRUE(nux::ui::GetCursorPictures(cur, &frames, &steps));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].image.at(0, 0), 0xFF000000u);
  EXPECT_EQ(frames[0].image.at(20, 5), 0u);
  ASSERT_TRUE(nux::ui::GetCursorPictures(ani, &frames, &steps));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].hotspotX, 15);
  EXPECT_EQ(frames[0].image.at(15, 15), 0xFF000000u);
  EXPECT_EQ(frames[0].image.at(0, 15), 0u);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[1].frame, 1);
  EXPECT_EQ(steps[1].ms, 166u);
  EXPECT_EQ(nux::ui::CursorStepAt(steps, 165), 0u);
  EXPECT_EQ(nux::ui::CursorStepAt(steps, 166), 1u);
  EXPECT_EQ(nux::ui::CursorStepAt(steps, 332), 0u);
  EXPECT_FALSE(nux::ui::GetCursorPictures(LoadCursorW(nullptr, IDC_WAIT), nullptr, nullptr));
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
  // An animation whose second frame is cut short is damaged as a whole.
  std::string ani = nuxtest::ReadFile(root_.DriveC() + "/Cursor/Wait.ani");
  nuxtest::TempDir dir;
  dir.Write("x.ani", ani.substr(0, ani.size() - 40));
  std::string path = "Z:" + dir.path() + "/x.ani";
  std::u16string wide(path.begin(), path.end());
  EXPECT_EQ(LoadCursorFromFileW(wide.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
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
