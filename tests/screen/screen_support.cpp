#include "screen_support.h"

#include <chrono>
#include <thread>

#include "testing/testing.h"
#include "ui/ui.h"

namespace screentest {
namespace {

::testing::AssertionResult Poll(const std::string& awaited, const std::function<bool()>& done,
                                const std::function<std::string()>& seen, int seconds, bool pump) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool held = false;
  while (!held && std::chrono::steady_clock::now() < end) {
    if (pump) nux::testing::PumpMessages();
    held = done();
    if (!held) std::this_thread::sleep_for(std::chrono::milliseconds(pump ? 2 : 20));
  }
  if (!held) {
    if (pump) nux::testing::PumpMessages();
    held = done();
  }
  if (held) return ::testing::AssertionSuccess() << awaited;
  auto failure = ::testing::AssertionFailure() << "waited " << seconds << " s for " << awaited;
  if (seen) failure << "; seen: " << seen();
  return failure;
}

}  // namespace

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (!Have(tool)) return tool;
  return "";
}

::testing::AssertionResult WaitFor(const std::string& awaited, const std::function<bool()>& done,
                                   const std::function<std::string()>& seen, int seconds) {
  return Poll(awaited, done, seen, seconds, false);
}
::testing::AssertionResult PumpUntil(const std::string& awaited, const std::function<bool()>& done,
                                     const std::function<std::string()>& seen, int seconds) {
  return Poll(awaited, done, seen, seconds, true);
}

Result BuildSampleContent(const std::string& root) {
  return Run({"bash", std::string(NUX_SAMPLE_CONTENT_DIR) + "/build.sh", root, NUX_BUILD_DIR}, {{"NUX_DISPLAY", "none"}},
             60000);
}

int DifferingPixels(const nux::gdi::Surface& screen, const nux::gdi::Surface& window, POINT at) {
  int differ = 0;
  for (int y = 0; y < window.height(); ++y)
    for (int x = 0; x < window.width(); ++x)
      if ((screen.at(at.x + x, at.y + y) & 0xFFFFFF) != (window.at(x, y) & 0xFFFFFF)) ++differ;
  return differ;
}

std::u16string WindowText(HWND hwnd) {
  char16_t buf[256] = {};
  GetWindowTextW(hwnd, buf, 256);
  return buf;
}

void OnSharedScreen::SetUp() {
  for (const char* tool : tools_)
    if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
  std::string why;
  screen_ = SharedScreen(&why);
  ASSERT_TRUE(screen_) << why;
}

}  // namespace screentest
