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

  // Waits until the window of that title shows at that place and size; a failure tells where
  // it was seen and what the program said.
  ::testing::AssertionResult WaitForWindowAt(const std::string& name, const RECT& place) {
    int x = 0, y = 0, w = 0, h = 0;
    bool shown = false;
    auto text = [](int a, int b) { return std::to_string(a) + "," + std::to_string(b); };
    return screentest::WaitFor(
        "the window \"" + name + "\" at " + text(place.left, place.top) + ", " +
            text(place.right - place.left, place.bottom - place.top) + " in size",
        [&] {
          shown = screentest::FindWindowNamed(screen_.display(), name, &x, &y, &w, &h);
          return shown && x == place.left && y == place.top && w == place.right - place.left &&
                 h == place.bottom - place.top;
        },
        [&] {
          return (shown ? "the window at " + text(x, y) + ", " + text(w, h) + " in size" : std::string("no window")) +
                 "; the program said:\n" + Output();
        });
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
  ASSERT_TRUE(WaitForWindowAt("AstroDict", RECT{60, 40, 830, 728}));
  // The close request goes to the program once it waits for the person in its loop: the window
  // shows while the program is still opening it.
  ASSERT_TRUE(screentest::WaitFor(
      "the program in its loop", [&] { return Output().find("view: main reference window open") != std::string::npos; },
      [&] { return "the program said:\n" + Output(); }));
  // The window may be mapped again for a moment (a move or a size it asks for itself); the request
  // goes to it as soon as it is on the screen again.
  ASSERT_TRUE(screentest::WaitFor(
      "the window on the screen for the close request",
      [&] { return screentest::SendDeleteWindow(screen_.display(), "AstroDict"); },
      [&] { return "the program said:\n" + Output(); }));
  EXPECT_EQ(screentest::WaitProgram(pid_, screentest::kWaitSeconds * 1000), 0)
      << "the program did not end after the close request; it said:\n" << Output();
  pid_ = -1;
  EXPECT_NE(Output().find("view: closed"), std::string::npos) << Output();
}

}  // namespace
