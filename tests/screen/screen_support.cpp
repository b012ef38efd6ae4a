#include "screen_support.h"

#include <chrono>
#include <thread>

#include "testing/testing.h"
#include "ui/ui.h"

namespace screentest {
namespace {

bool Poll(const std::function<bool()>& done, int seconds, bool pump) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (pump) nux::testing::PumpMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(pump ? 2 : 20));
  }
  if (pump) nux::testing::PumpMessages();
  return done();
}

}  // namespace

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (!Have(tool)) return tool;
  return "";
}

bool WaitFor(const std::function<bool()>& done, int seconds) { return Poll(done, seconds, false); }
bool PumpUntil(const std::function<bool()>& done, int seconds) { return Poll(done, seconds, true); }

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

}  // namespace screentest
