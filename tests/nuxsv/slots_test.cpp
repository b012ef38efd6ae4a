// The reference window slots: NUXSV_Term and a repeated NUXSV_Init destroy what they hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Globals.h"
#include "mfc/afxwin.h"
#include "test_support.h"

namespace {

std::vector<std::string> g_events;

// A reference window as the Open exports make them: it owns itself, and when its window goes
// it clears its slot and deletes itself.
class SlotWindow : public CWnd {
 public:
  SlotWindow(std::string name, CWnd** slot) : name_(std::move(name)), slot_(slot) {}
  ~SlotWindow() override { g_events.push_back("deleted " + name_); }
  bool Create() {
    return CreateExW(0, nullptr, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr) != FALSE;
  }

 protected:
  void PostNcDestroy() override {
    g_events.push_back("destroyed " + name_);
    if (*slot_ == this) *slot_ = nullptr;
    delete this;
  }

 private:
  std::string name_;
  CWnd** slot_;
};

TEST(ReferenceWindowSlots, DestroyedInOrderAndEmptied) {
  nuxtest::ScopedPlatformRoot root;
  g_events.clear();
  nuxsv::Globals& g = nuxsv::G();
  auto* astro = new SlotWindow("main", &g.astroDict);
  ASSERT_TRUE(astro->Create());
  g.astroDict = astro;
  // A window object whose window was never made.
  g.search = new SlotWindow("search", &g.search);
  // The word list was closed by the user before: its slot is empty.
  auto* big = new SlotWindow("big picture", &g.bigImage);
  ASSERT_TRUE(big->Create());
  g.bigImage = big;

  nuxsv::DestroyReferenceWindows();
  EXPECT_EQ(g_events, (std::vector<std::string>{"destroyed main", "deleted main", "deleted search",
                                                 "destroyed big picture", "deleted big picture"}));
  EXPECT_EQ(g.astroDict, nullptr);
  EXPECT_EQ(g.search, nullptr);
  EXPECT_EQ(g.dictionary, nullptr);
  EXPECT_EQ(g.bigImage, nullptr);

  g_events.clear();
  nuxsv::DestroyReferenceWindows();  // nothing left
  EXPECT_TRUE(g_events.empty());
}

}  // namespace
