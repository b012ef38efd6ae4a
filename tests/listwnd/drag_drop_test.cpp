#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ListWnd.h"
#include "NUXTreeCtrl.h"
#include "com/dragdrop.h"
#include "listwnd_fixture.h"
#include "memory/memory.h"
#include "mfc/oledragdrop.h"
#include "testing/testing.h"
#include "ui/ui.h"

namespace {

// A drop target that notes what it was told and answers with a fixed effect.
class RecordingTarget : public IDropTarget {
 public:
  explicit RecordingTarget(DWORD answer) : answer_(answer) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
    calls.push_back("enter");
    (void)data, (void)keys;
    last = pt;
    allowed = *effect;
    *effect = answer_;
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, POINTL pt, DWORD* effect) override {
    (void)keys;
    if (calls.empty() || calls.back() != "over") calls.push_back("over");
    last = pt;
    if (HWND drag = nux::testing::FindWindowByText(u"Drag")) {
      dragVisible = IsWindowVisible(drag);
      GetWindowRect(drag, &dragRect);
    }
    *effect = answer_;
    return S_OK;
  }
  HRESULT DragLeave() override {
    calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
    calls.push_back("drop");
    (void)keys;
    last = pt;
    for (CLIPFORMAT f : formats) {
      FORMATETC fe{f, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      STGMEDIUM m{};
      std::string bytes;
      if (data->GetData(&fe, &m) == S_OK) {
        const char* p = static_cast<const char*>(GlobalLock(m.hGlobal));
        bytes.assign(p, GlobalSize(m.hGlobal));
        GlobalUnlock(m.hGlobal);
        ReleaseStgMedium(&m);
      }
      got.push_back(bytes);
    }
    *effect = answer_;
    return S_OK;
  }

  ULONG refs = 0;
  DWORD answer_;
  DWORD allowed = 0;
  POINTL last{};
  bool dragVisible = false;
  RECT dragRect{};
  std::vector<std::string> calls;
  std::vector<CLIPFORMAT> formats;
  std::vector<std::string> got;
};

class DragDropTest : public lwtest::WindowTest {
 protected:
  void SetUp() override {
    lwtest::WindowTest::SetUp();
    // Windows of the parent's class: statics would let the hit test through.
    target_ = CreateWindowExW(0, u"ListWndTestParent", u"target", WS_CHILD | WS_VISIBLE, 250, 50, 100, 100, parent_, nullptr,
                              nullptr, nullptr);
    inner_ = CreateWindowExW(0, u"ListWndTestParent", u"inner", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, target_, nullptr, nullptr,
                             nullptr);
  }
  void TearDown() override {
    nux::com::SetDragLoopStartHook(nullptr);
    if (IsWindow(target_)) RevokeDragDrop(target_);
    lwtest::WindowTest::TearDown();
  }
  HWND target_ = nullptr;
  HWND inner_ = nullptr;
  RecordingTarget t{DROPEFFECT_COPY};  // outlives TearDown's revoke
};

TEST_F(DragDropTest, RegistrationErrors) {
  EXPECT_EQ(RegisterDragDrop(nullptr, &t), DRAGDROP_E_INVALIDHWND);
  EXPECT_EQ(RegisterDragDrop(target_, nullptr), E_INVALIDARG);
  EXPECT_EQ(RegisterDragDrop(target_, &t), S_OK);
  EXPECT_EQ(t.refs, 1u);
  EXPECT_EQ(RegisterDragDrop(target_, &t), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(RevokeDragDrop(target_), S_OK);
  EXPECT_EQ(t.refs, 0u);
  EXPECT_EQ(RevokeDragDrop(target_), DRAGDROP_E_NOTREGISTERED);
  EXPECT_EQ(RegisterClipboardFormatW(u"A format"), RegisterClipboardFormatW(u"a FORMAT"));
  EXPECT_GE(RegisterClipboardFormatW(u"A format"), 0xC000u);
  EXPECT_NE(RegisterClipboardFormatW(u"Another"), RegisterClipboardFormatW(u"A format"));
  EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
}

// Drags from the parent's top-left area onto the inner child of the target window; the
// target's registration on its parent window takes the drop.
TEST_F(DragDropTest, DropOnAChildOfTheTargetWindowWithTheDataOfTheSource) {
  t.answer_ = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  ASSERT_EQ(RegisterDragDrop(target_, &t), S_OK);
  POINT on = Middle(inner_);
  nux::testing::MouseMove(20, 20);
  nux::testing::MouseDown(20, 20);
  nux::testing::PumpMessages();
  nux::com::SetDragLoopStartHook([&] {
    nux::testing::MouseMove(100, 100);
    nux::testing::MouseMove(on.x - 1, on.y);
    nux::testing::MouseMove(on.x, on.y);
    nux::testing::MouseUp(on.x, on.y);
  });
  COleDataSource source;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(block), "abc", 3);
  GlobalUnlock(block);
  source.CacheGlobalData(CF_TEXT, block);
  t.formats = {CF_TEXT, 0x1234};
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), static_cast<DROPEFFECT>(DROPEFFECT_COPY));
  EXPECT_EQ(t.calls, (std::vector<std::string>{"enter", "over", "drop"}));
  EXPECT_EQ(t.allowed, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(t.last.x, on.x);
  EXPECT_EQ(t.last.y, on.y);
  EXPECT_EQ(t.got, (std::vector<std::string>{"abc", ""}));
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_FALSE(nux::com::InDragLoop());
}

TEST_F(DragDropTest, EscapeOrReleaseOutsideATargetCancels) {
  ASSERT_EQ(RegisterDragDrop(target_, &t), S_OK);
  POINT on = Middle(target_);
  struct Case {
    bool escape;
    std::vector<std::string> calls;
  } cases[] = {{true, {"enter", "over", "leave"}}, {false, {"enter", "over", "leave"}}};
  for (const Case& c : cases) {
    t.calls.clear();
    nux::testing::MouseMove(20, 20);
    nux::testing::MouseDown(20, 20);
    nux::testing::PumpMessages();
    nux::com::SetDragLoopStartHook([&] {
      nux::testing::MouseMove(on.x, on.y);
      nux::testing::MouseMove(on.x + 1, on.y);
      if (c.escape) {
        nux::testing::KeyDown(VK_ESCAPE);
      } else {
        nux::testing::MouseMove(30, 300);
        nux::testing::MouseUp(30, 300);
      }
    });
    COleDataSource source;
    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), static_cast<DROPEFFECT>(DROPEFFECT_NONE));
    EXPECT_EQ(t.calls, c.calls) << c.escape;
    if (c.escape) {
      nux::testing::KeyUp(VK_ESCAPE);
      nux::testing::MouseUp(30, 300);
      nux::testing::PumpMessages();
    }
  }
  // Without a held button the drag does not begin at all.
  t.calls.clear();
  COleDataSource source;
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), static_cast<DROPEFFECT>(DROPEFFECT_NONE));
  EXPECT_TRUE(t.calls.empty());
}

TEST_F(DragDropTest, ListRowDragCarriesItsEntryAndText) {
  MakeWords(20);
  CListWnd list;
  ASSERT_TRUE(list.Create(db_.get(), u"SELECT * FROM Words ORDER BY ID", u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD,
                          CRect(10, 10, 210, 210), &parentWnd_, 77, 9, nullptr));
  list.m_bDragEnabled = TRUE;
  // Scrolled on, so that a row's index in the list differs from its record's position.
  list.ScrollBy(60);
  ASSERT_GT(list.m_rows[1].nPos, 1);
  const int32_t wantPos = list.m_rows[1].nPos, wantKey = list.m_rows[1].nKey;
  ASSERT_EQ(RegisterDragDrop(target_, &t), S_OK);
  POINT row = Middle(list.m_rows[1].pItem->m_hWnd);
  RECT rowRect;
  GetWindowRect(list.m_rows[1].pItem->m_hWnd, &rowRect);
  POINT on = Middle(target_);
  // A press on a row that is not yet selected selects it; the drag needs the selected row.
  nux::testing::MouseMove(row.x, row.y);
  nux::testing::MouseDown(row.x, row.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(list.GetSelectedKey(), wantKey);
  nux::com::SetDragLoopStartHook([&] {
    nux::testing::MouseMove(on.x - 1, on.y);
    nux::testing::MouseMove(on.x, on.y);
    nux::testing::MouseUp(on.x, on.y);
  });
  t.formats = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"NUX list row")), CF_TEXT};
  nux::testing::AdvanceAndPump(30);
  ASSERT_EQ(t.calls, (std::vector<std::string>{"enter", "over", "drop"}));
  ASSERT_EQ(t.got.size(), 2u);
  ASSERT_EQ(t.got[0].size(), 16u);
  int32_t first, pos, key;
  std::memcpy(&first, t.got[0].data(), 4);
  std::memcpy(&pos, t.got[0].data() + 4, 4);
  std::memcpy(&key, t.got[0].data() + 8, 4);
  EXPECT_EQ(first, 1);  // the row's index in the list, no address cut to 32 bits
  EXPECT_EQ(pos, wantPos);
  EXPECT_EQ(key, wantKey);
  EXPECT_EQ(t.got[0][12], 9);
  EXPECT_EQ(t.got[0].substr(13), std::string(3, '\0'));
  char word[16];
  std::snprintf(word, sizeof word, "Word %03d", static_cast<int>(wantKey));
  EXPECT_EQ(t.got[1], std::string(word, 9));
  // The image followed the cursor with the row's offset, its hole at the cursor.
  EXPECT_TRUE(t.dragVisible);
  EXPECT_EQ(t.dragRect.left, on.x + rowRect.left - row.x);
  EXPECT_EQ(t.dragRect.top, on.y + rowRect.top - row.y);
  EXPECT_EQ(nux::testing::FindWindowByText(u"Drag"), nullptr);
  EXPECT_EQ(list.m_nSkipMoves, 1);
}

TEST_F(DragDropTest, ARowThatIsNotSelectedStartsNoDrag) {
  MakeWords(5);
  CListWnd list;
  ASSERT_TRUE(list.Create(db_.get(), u"SELECT * FROM Words ORDER BY ID", u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD,
                          CRect(10, 10, 210, 210), &parentWnd_, 77, 0, nullptr));
  list.m_bDragEnabled = TRUE;
  bool started = false;
  nux::com::SetDragLoopStartHook([&] { started = true; });
  POINT row = Middle(list.m_rows[1].pItem->m_hWnd);
  POINT other = Middle(list.m_rows[3].pItem->m_hWnd);
  nux::testing::MouseMove(row.x, row.y);
  nux::testing::MouseDown(row.x, row.y);
  nux::testing::PumpMessages();
  // The cursor moved to another row before the delay ran out.
  nux::testing::MouseMove(other.x, other.y);
  nux::testing::PumpMessages();
  nux::testing::AdvanceAndPump(30);
  EXPECT_FALSE(started);
  nux::testing::MouseUp(other.x, other.y);
  nux::testing::PumpMessages();
}

TEST_F(DragDropTest, TreeDragOffersTheLeavesUnderThePressedItem) {
  MakeDatabase({u"CREATE TABLE Nav (ID LONG, PID LONG, Title TEXT(100))", u"INSERT INTO Nav VALUES (1, 0, 'Sky')",
                u"INSERT INTO Nav VALUES (2, 1, 'Stars')", u"INSERT INTO Nav VALUES (3, 1, 'Planets')",
                u"INSERT INTO Nav VALUES (4, 2, 'Bright')", u"INSERT INTO Nav VALUES (5, 4, 'Sirius')",
                u"INSERT INTO Nav VALUES (6, 0, 'Help')"});
  CNUXTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 200, 200), &parentWnd_, 1084));
  ASSERT_TRUE(tree.Init(db_.get(), u"Nav", u"", u"ID ASC", u"Arial", 80, 1));
  tree.Refresh();
  tree.m_bDragEnabled = TRUE;
  ASSERT_EQ(RegisterDragDrop(target_, &t), S_OK);
  RECT sky;
  tree.GetItemRect(tree.GetRootItem(), &sky, TRUE);
  POINT press = Screen(tree.m_hWnd, sky.left + 5, (sky.top + sky.bottom) / 2);
  POINT on = Middle(target_);
  nux::testing::MouseMove(press.x, press.y);
  nux::testing::MouseDown(press.x, press.y);
  nux::testing::PumpMessages();
  nux::com::SetDragLoopStartHook([&] {
    nux::testing::MouseMove(on.x - 1, on.y);
    nux::testing::MouseMove(on.x, on.y);
    nux::testing::MouseUp(on.x, on.y);
  });
  t.formats = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"NUX tree IDs"))};
  t.answer_ = DROPEFFECT_MOVE;
  nux::testing::AdvanceAndPump(249);
  EXPECT_TRUE(t.calls.empty());
  nux::testing::AdvanceAndPump(1);
  EXPECT_EQ(t.allowed, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_MOVE));
  ASSERT_EQ(t.got.size(), 1u);
  ASSERT_EQ(t.got[0].size(), 8u);
  int32_t ids[2];
  std::memcpy(ids, t.got[0].data(), 8);
  EXPECT_EQ(ids[0], 5);  // Sirius, read for the drag
  EXPECT_EQ(ids[1], 3);  // Planets
  EXPECT_EQ(tree.GetSelectedID(), 1);
  EXPECT_FALSE(tree.GetItemState(tree.GetRootItem(), TVIS_EXPANDED));
}

}  // namespace
