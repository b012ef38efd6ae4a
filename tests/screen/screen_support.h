// What the screen tests share beyond the X server: the tools they need, waits that are always
// bounded, the sample content, and comparisons of the screen with the platform's pictures.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/types.h"
#include "gdi/surface.h"
#include "xserver.h"

namespace screentest {

// The first of these programs that is not installed; empty when all are.
std::string MissingTool(std::initializer_list<const char*> tools);

// How long a wait of the screen tests lasts at most: generous, as the suite runs under the
// sanitizers beside many others; a wait that comes true ends at once.
constexpr int kWaitSeconds = 30;

// Waits until `done` holds, at most `seconds`, looking again every 20 ms; PumpUntil pumps the
// calling thread's messages meanwhile, so that its windows answer. When it does not come, the
// result says what was awaited, how long, and what `seen` tells of the state at the end.
::testing::AssertionResult WaitFor(const std::string& awaited, const std::function<bool()>& done,
                                   const std::function<std::string()>& seen = nullptr, int seconds = kWaitSeconds);
::testing::AssertionResult PumpUntil(const std::string& awaited, const std::function<bool()>& done,
                                     const std::function<std::string()>& seen = nullptr, int seconds = kWaitSeconds);

// Builds the sample content into a platform root (headless).
Result BuildSampleContent(const std::string& root);

// How many pixels of the window's picture differ from the screen's at the window's place.
int DifferingPixels(const nux::gdi::Surface& screen, const nux::gdi::Surface& window, POINT at);

// A window's text.
std::u16string WindowText(HWND hwnd);

// A test on the shared virtual screen (SharedScreen): skipped where one of `tools` is not
// installed, failed where the screen does not start. A fixture derived from it calls this SetUp
// first and sets up its own part only while Ready().
class OnSharedScreen : public ::testing::Test {
 protected:
  explicit OnSharedScreen(std::initializer_list<const char*> tools = {"Xvfb", "xdotool", "xwd"}) : tools_(tools) {}
  void SetUp() override;
  bool Ready() const { return screen_ && !IsSkipped() && !HasFatalFailure(); }
  VirtualScreen& screen() { return *screen_; }

  VirtualScreen* screen_ = nullptr;

 private:
  std::vector<const char*> tools_;
};

}  // namespace screentest
