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

namespace {

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::string Chunk(const char* id, const std::string& body) {
  std::string c(id, 4);
  c.resize(8);
  Put32(c, 4, uint32_t(body.size()));
  c += body;
  if (body.size() & 1) c += '\0';
  return c;
}

// Wait.ani with a rate and a sequence chunk: three steps over its two frames.
std::string SequencedAni(const std::string& ani) {
  std::string rate(12, '\0'), seq(12, '\0');
  Put32(rate, 0, 5), Put32(rate, 4, 0), Put32(rate, 8, 20);
  Put32(seq, 0, 0), Put32(seq, 4, 1), Put32(seq, 8, 0);
  std::string body = ani.substr(8) + Chunk("rate", rate) + Chunk("seq ", seq);
  Put32(body, 4 + 8 + 8, 3);  // the header's step count
  std::string out = "RIFF    " + body;
  Put32(out, 4, uint32_t(body.size()));
  return out;
}

}  // namespace

// Every 32-bit field of a cursor file set to the values that break careless readers, and every
// cut of it: each parses or fails, and what parses holds pictures its steps point into.
TEST_F(CursorFiles, DamagedFieldsAndCutsFailCleanly) {
  std::string ani = nuxtest::ReadFile(root_.DriveC() + "/Cursor/Wait.ani");
  std::vector<std::string> files = {nuxtest::ReadFile(root_.DriveC() + "/Cursor/Cross.cur"), SequencedAni(ani)};
  {
    std::vector<unsigned char> good(files[1].begin(), files[1].end());
    std::vector<nux::ui::CursorFrame> frames;
    std::vector<nux::ui::CursorStep> steps;
    ASSERT_TRUE(nux::ui::ParseCursorFile(good, nullptr, &frames, &steps));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[1].ms, 166u);  // a rate of 0 takes the header's
    EXPECT_EQ(steps[2].frame, 0);
  }
  const uint32_t values[] = {0, 1, 2, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF8u, 300, 2000};
  auto check = [](const std::string& s, const std::string& what) {
    std::vector<unsigned char> bytes(s.begin(), s.end());
    std::vector<nux::ui::CursorFrame> frames;
    std::vector<nux::ui::CursorStep> steps;
    nux::ui::CursorInfo info;
    if (!nux::ui::ParseCursorFile(bytes, &info, &frames, &steps)) return;
    ASSERT_FALSE(frames.empty()) << what;
    ASSERT_FALSE(steps.empty()) << what;
    for (const auto& f : frames) {
      EXPECT_GT(f.image.width(), 0) << what;
      EXPECT_LE(f.image.width(), 256) << what;
      EXPECT_LE(f.image.height(), 256) << what;
    }
    for (const auto& st : steps) ASSERT_LT(size_t(st.frame), frames.size()) << what;
  };
  for (size_t n = 0; n < files.size(); ++n) {
    const std::string& file = files[n];
    for (size_t at = 0; at + 4 <= file.size(); at += (at < 200 ? 1 : 2))
      for (uint32_t v : values) {
        std::string s = file;
        Put32(s, at, v);
        check(s, "file " + std::to_string(n) + " field at " + std::to_string(at) + " = " + std::to_string(v));
      }
    for (size_t cut = 0; cut < file.size(); ++cut) check(file.substr(0, cut), "cut at " + std::to_string(cut));
  }
}

// Cursor images written by another encoder: ImageMagick writes a 32-bit bitmap for small
// pictures and a PNG for 256 x 256 (it marks the file as an icon; made a cursor here).
TEST(CursorFilesByOthers, ImageMagickPicturesLoadAndTheirCutsFail) {
  if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
  nuxtest::TempDir dir;
  const std::string cmd = "cd \"" + dir.path() + "\" && convert -size 32x32 xc:none -fill red -draw 'circle 16,16 16,4' a.png"
                          " && convert a.png a.cur && convert -size 256x256 xc:green b.png && convert b.png b.cur";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const char* name : {"a.cur", "b.cur"}) {
    std::string file = nuxtest::ReadFile(dir.path() + "/" + name);
    ASSERT_GT(file.size(), 22u);
    file[2] = 2;
    std::vector<unsigned char> bytes(file.begin(), file.end());
    std::vector<nux::ui::CursorFrame> frames;
    ASSERT_TRUE(nux::ui::ParseCursorFile(bytes, nullptr, &frames, nullptr)) << name;
    ASSERT_EQ(frames.size(), 1u);
    const nux::gdi::Surface& image = frames[0].image;
    if (name[0] == 'a') {
      EXPECT_EQ(image.width(), 32);
      EXPECT_EQ(image.at(16, 16), 0xFFFF0000u);
      EXPECT_EQ(image.at(0, 0) >> 24, 0u);
    } else {
      EXPECT_EQ(image.width(), 256);
      EXPECT_EQ(image.at(100, 100) & 0xFF00FF00u, 0xFF008000u);
    }
    for (size_t cut = 22; cut < file.size(); cut += 7) {
      std::vector<unsigned char> part(file.begin(), file.begin() + long(cut));
      EXPECT_FALSE(nux::ui::ParseCursorFile(part, nullptr, nullptr, nullptr)) << name << " cut at " << cut;
    }
  }
}
