// What the window suites share: the host program's window that the library's windows are
// opened from, the remembered place of the main reference window, and a fixture with the
// library loaded beside the host's window.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FlatMenu.h"
#include "mfc/wnd.h"
#include "nuxsv_env.h"
#include "process/shell.h"
#include "registry/registry.h"
#include "testing/testing.h"

namespace nuxsvtest {

// The host's window: records the object commands the library posts to it and answers a flat
// menu when its loop goes idle, by clicking the item of the command `choose` (0: outside the
// menu).
class HostWindow : public CWnd {
 public:
  static constexpr WPARAM kMenuIdle = 2;  // WM_ENTERIDLE's wParam from a menu loop

  struct Posted {
    UINT message;
    WPARAM wParam;
    std::u16string kind;
  };
  std::vector<Posted> posted;
  int choose = 0;                         // command to click; 0: click outside the menu
  std::vector<std::u16string> menuTexts;  // the last menu's items ("-" for a separator)
  std::vector<int> menuCommands;          // the last menu's items' commands, separators' too
  std::vector<int> menuChoices;           // the commands of the last menu's items but separators
  POINT menuAt{};                         // the last menu's top left corner
  int menus = 0;

  bool Create() {
    return CreateExW(0, nullptr, u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 740, nullptr, nullptr) != FALSE;
  }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= 2024 && message <= 2030) {
      const auto* kind = reinterpret_cast<const WCHAR*>(lParam);
      posted.push_back({message, wParam, kind ? std::u16string(kind) : std::u16string()});
      return 0;
    }
    if (message == WM_ENTERIDLE && wParam == kMenuIdle) {
      HWND window = reinterpret_cast<HWND>(lParam);
      auto* menu = reinterpret_cast<CFlatMenu*>(::GetWindowLongPtrW(window, GWL_USERDATA));
      if (menu == nullptr || answered_ == window) return 0;
      answered_ = window;
      ++menus;
      menuTexts.clear();
      menuCommands.clear();
      menuChoices.clear();
      RECT r{};
      ::GetWindowRect(window, &r);
      menuAt = {r.left, r.top};
      POINT target{r.right + 30, r.bottom + 30};
      for (int i = 0; i < menu->GetItemCount(); ++i) {
        const FlatMenuItem& item = menu->GetItem(i);
        const bool separator = (item.nFlags & FlatMenuItem::Separator) != 0;
        menuTexts.push_back(separator ? u"-" : std::u16string(item.szText));
        menuCommands.push_back(item.nCommand);
        if (separator) continue;
        menuChoices.push_back(item.nCommand);
        if (choose != 0 && item.nCommand == choose) target = {r.left + 10, r.top + item.nTop + item.nHeight / 2};
      }
      nux::testing::MouseMove(target.x, target.y);
      nux::testing::Click(target.x, target.y);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  HWND answered_ = nullptr;
};

// The main reference window's remembered place, as the window itself stores it.
inline void RememberAstroDictPlace(RECT placed) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\AstroDict", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExW(key, u"AstroDict", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&placed), sizeof placed);
  RegCloseKey(key);
}

// A suite of the library's windows: an installation, the library and the host's window.
class LibraryWindowTest : public ::testing::Test {
 protected:
  // Loads and starts the library (wrap in ASSERT_NO_FATAL_FAILURE).
  void StartLibrary() {
    lib_ = std::make_unique<Library>();
    ASSERT_TRUE(lib_->loaded()) << lib_->loadError;
    ASSERT_EQ(lib_->Init(kToken, 1, 1, 1), 1);
  }

  void TearDown() override {
    if (lib_ && lib_->loaded()) lib_->Term();
    host_.DestroyWindow();
    lib_.reset();
    nux::process::ResetShellHandler();
    nux::testing::ResetUi();
    nux::testing::ResetMonitors();
    CWnd::DeleteTempMap();
  }

  Installation inst_;
  std::unique_ptr<Library> lib_;
  HostWindow host_;
};

}  // namespace nuxsvtest
