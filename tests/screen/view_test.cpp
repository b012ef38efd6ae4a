// `svhost view` on the sample content, on a virtual X server: the main reference window comes up
// at its remembered place, and the desktop's close request ends the program.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "test_support.h"
#include "screen_support.h"
#include "xserver.h"

namespace {

using screentest::VirtualScreen;

std::string HexBytes(const int* values, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    unsigned v = unsigned(values[i]);
    for (int b = 0; b < 4; ++b) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02x", (v >> (8 * b)) & 0xFF);
      if (!out.empty()) out += ",";
      out += buf;
    }
  }
  return out;
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string tool = screentest::MissingTool({"Xvfb", "xdotool", "xwd", "zip"}); !tool.empty())
      GTEST_SKIP() << tool << " is not installed";
    std::string why;
    ASSERT_TRUE(screen_.Start(1280, 1024, &why)) << why;
    auto built = screentest::BuildSampleContent(root_.path());
    ASSERT_EQ(built.status, 0) << built.out;
    suppressions_ = root_.Write("lsan.supp", "leak:libdbus-1.so\n");
    env_ = {{"DISPLAY", screen_.display()},
            {"NUX_DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
            {"NUX_PLATFORM_ROOT", root_.path()},
            {"LSAN_OPTIONS", "suppressions=" + suppressions_}};
  }

  void TearDown() override {
    if (pid_ > 0) screentest::WaitProgram(pid_, 1);
    screen_.Stop();
  }

  // The main reference window's remembered place, as the window stores it.
  void Remember(const int (&rect)[4]) {
    std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\NUX\\AstroDict]\r\n"
                      "\"AstroDict\"=hex:" + HexBytes(rect, 4) + "\r\n";
    std::string file = root_.Write("place.reg", reg);
    auto r = screentest::Run({NUX_SVHOST, "import-reg", file}, env_, 20000);
    ASSERT_EQ(r.status, 0) << r.out;
  }

  // Waits until the window of that title shows (bounded).
  bool WaitForWindow(const std::string& name, int* x, int* y, int* w, int* h) {
    return screentest::WaitFor([&] { return screentest::FindWindowNamed(screen_.display(), name, x, y, w, h); }, 30);
  }

  // Waits until the window stands at (x, y).
  bool WaitForPlace(const std::string& name, int x, int y) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int ax = -1, ay = -1;
    while (std::chrono::steady_clock::now() < end) {
      if (screentest::FindWindowNamed(screen_.display(), name, &ax, &ay, nullptr, nullptr) && ax == x && ay == y)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "the window stands at " << ax << "," << ay << ", not " << x << "," << y;
    return false;
  }

  std::string Output() const { return nuxtest::ReadFile(root_.path() + "/view.out"); }

  VirtualScreen screen_;
  nuxtest::TempDir root_;
  std::map<std::string, std::string> env_;
  std::string suppressions_;
  pid_t pid_ = -1;
};

TEST_F(ViewTest, MainWindowAtItsPlaceAndClosedByTheDesktop) {
  const int place[4] = {60, 40, 830, 728};
  ASSERT_NO_FATAL_FAILURE(Remember(place));
  pid_ = screentest::StartProgram({NUX_SVHOST, "view"}, env_, root_.path() + "/view.out");
  ASSERT_GT(pid_, 0);
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(WaitForWindow("AstroDict", &x, &y, &w, &h)) << Output();
  EXPECT_EQ(x, 60);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(w, 770);
  EXPECT_EQ(h, 688);

  // The window may be mapped again for a moment (a move or a size it asks for itself); the request
  // goes to it as soon as it is on the screen again.
  ASSERT_TRUE(screentest::WaitFor([&] { return screentest::SendDeleteWindow(screen_.display(), "AstroDict"); }, 10))
      << "the window left the screen before the close request; the program said:\n" << Output();
  EXPECT_EQ(screentest::WaitProgram(pid_, 20000), 0) << Output();
  pid_ = -1;
  EXPECT_NE(Output().find("view: closed"), std::string::npos) << Output();
}

}  // namespace
