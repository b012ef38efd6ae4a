// Top-level windows of other processes: FindWindow and EnumWindows see them through the
// platform root's table, with their class, title and user data, until their process ends.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "base/errors.h"
#include "fs/path.h"
#include "process/process.h"
#include "test_support.h"
#include "ui/window.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

HANDLE StartChild(const std::string& arguments) {
  std::string line = Quoted(nux::fs::ToWindowsPathA(NUX_TEST_CHILD)) + " " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

bool WaitForFile(const std::string& linuxPath) {
  for (int i = 0; i < 1000; ++i) {
    if (std::filesystem::exists(linuxPath)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// A child that shows a window of the class with the title and user data until it is ended.
struct WindowChild {
  HANDLE process = nullptr;
  WindowChild(const nuxtest::ScopedPlatformRoot& root, const std::string& cls, const std::string& title, int data) {
    const std::string ready = root.DriveC() + "/ready-" + std::to_string(data);
    process = StartChild(cls + " " + Quoted(title) + " " + std::to_string(data) + " " +
                         Quoted(nux::fs::ToWindowsPathA(ready)));
    ready_ = ready;
  }
  bool Ready() const { return process && WaitForFile(ready_); }
  void End() {
    if (!process) return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    process = nullptr;
  }
  ~WindowChild() { End(); }

 private:
  std::string ready_;
};

std::set<LONG> Markers() {
  std::set<LONG> found;
  EnumWindows(
      [](HWND hwnd, LPARAM p) -> BOOL {
        reinterpret_cast<std::set<LONG>*>(p)->insert(GetWindowLongA(hwnd, GWL_USERDATA));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

TEST(WindowTable, AnotherProcesssWindowIsFoundUntilItsProcessEnds) {
  nuxtest::ScopedPlatformRoot root;
  WindowChild child(root, "window SV7WindowClass", "Starvane 7", 10111213);
  ASSERT_TRUE(child.Ready());

  HWND remote = FindWindowA("sv7windowclass", nullptr);  // classes match without case
  ASSERT_NE(remote, nullptr);
  EXPECT_TRUE(IsWindow(remote));
  EXPECT_EQ(FindWindowA(nullptr, "Starvane 7"), remote);
  EXPECT_EQ(FindWindowA("SV7WindowClass", "Other title"), nullptr);
  EXPECT_EQ(GetWindowLongA(remote, GWL_USERDATA), 10111213);
  char text[64] = {};
  EXPECT_EQ(GetClassNameA(remote, text, sizeof text), 14);
  EXPECT_STREQ(text, "SV7WindowClass");
  EXPECT_EQ(GetWindowTextA(remote, text, 5), 4);  // cut to the buffer, as for our own windows
  EXPECT_STREQ(text, "Star");
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(remote, &pid), 0u);
  EXPECT_EQ(pid, GetProcessId(child.process));
  EXPECT_EQ(Markers().count(10111213), 1u);

  child.End();  // killed: its entry stays in the table, but nobody sees it any more
  EXPECT_EQ(FindWindowA("SV7WindowClass", nullptr), nullptr);
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(GetWindowLongA(remote, GWL_USERDATA), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(Markers().count(10111213), 0u);
}

TEST(WindowTable, OurWindowsAreSeenByOtherProcessesWithTheirLatestTitleAndData) {
  nuxtest::ScopedPlatformRoot root;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "NuxTableParent";
  RegisterClassA(&wc);
  HWND own = CreateWindowExA(0, "NuxTableParent", "First", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(own, nullptr);
  SetWindowTextA(own, "Installer");
  SetWindowLongA(own, GWL_USERDATA, 4242);
  auto childSees = [&] {
    const std::string out = root.DriveC() + "/found.txt";
    HANDLE p = StartChild("find NuxTableParent " + Quoted(nux::fs::ToWindowsPathA(out)));
    if (!p) return std::string("not started");
    WaitForSingleObject(p, INFINITE);
    CloseHandle(p);
    return nuxtest::ReadFile(out);
  };
  EXPECT_EQ(childSees(), "Installer 4242\n");
  // Our own window is ours: found first-hand, never twice.
  EXPECT_EQ(FindWindowA("NuxTableParent", nullptr), own);
  EXPECT_EQ(FindWindowExA(nullptr, own, "NuxTableParent", nullptr), nullptr);
  DestroyWindow(own);
  EXPECT_EQ(childSees(), "none\n");
}

TEST(WindowTable, ProcessesPublishingAtOnceLoseNoEntry) {
  nuxtest::ScopedPlatformRoot root;
  std::vector<std::unique_ptr<WindowChild>> children;
  for (int i = 1; i <= 6; ++i) children.push_back(std::make_unique<WindowChild>(root, "window NuxBusy", "w", i));
  for (auto& child : children) ASSERT_TRUE(child->Ready());
  EXPECT_EQ(Markers(), (std::set<LONG>{1, 2, 3, 4, 5, 6}));
  children[2]->End();
  EXPECT_EQ(Markers(), (std::set<LONG>{1, 2, 4, 5, 6}));
  // A later writer drops the dead entry from the table itself.
  HWND own = CreateWindowExA(0, "STATIC", "mine", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  const std::string table = nuxtest::ReadFile(root.path() + "/windows.tab");
  EXPECT_EQ(table.find("\t3\tNuxBusy\t"), std::string::npos);
  EXPECT_NE(table.find("\t5\tNuxBusy\t"), std::string::npos);
  DestroyWindow(own);
}
