// The control's page: layout and painting of small pages, hit tests, scrolling, the pointer's
// selection, zoom and printed pages, through the control's window and real input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/codepage.h"
#include "browser/input.h"
#include "browser/layout.h"
#include "browser/pageview.h"
#include "browser/print.h"
#include "browser/textmodel.h"
#include "browser/webbrowser.h"
#include "gdi/image.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/controls.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"

namespace b = nux::browser;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// A control of 400 x 300 pixels (its client area less the scroll bar) in a host window,
// showing pages written into the test's platform root.
class Page : public ::testing::Test {
 public:
  void SetUp() override {
    nux::testing::ResetUi();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"PageTestHost";
    RegisterClassW(&wc);
    parent_ = CreateWindowExW(0, u"PageTestHost", u"host", WS_POPUP | WS_VISIBLE, 0, 0, 420, 300, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_TRUE(parent_);
    control_ = b::CreateWebBrowser(parent_, RECT{0, 0, 420, 300}, 100, WS_CHILD | WS_VISIBLE, &window_);
    ASSERT_TRUE(control_);
    browser_ = b::WebBrowserOf(control_);
    root_.Write("drive_c/pics/red.bmp", RedBmp(20, 10));
  }
  void TearDown() override {
    if (control_) control_->Release();
    if (parent_) DestroyWindow(parent_);
    nux::testing::ResetUi();
  }

  // A 24-bit bottom-up BMP of one colour.
  static std::string RedBmp(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    std::string bmp(54 + size_t(stride) * h, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) bmp[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, uint32_t(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    bmp[26] = 1;
    bmp[28] = 24;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bmp[54 + size_t(y) * stride + x * 3 + 2] = char(0xFF);
    return bmp;
  }

  b::Document* Show(const std::string& html) {
    root_.Write("drive_c/page.htm", html);
    EXPECT_EQ(browser_->Navigate(u"C:\\page.htm"), S_OK);
    nux::testing::PumpMessages();
    return browser_->document();
  }

  nux::gdi::Surface Shot() {
    nux::gdi::Surface s;
    UpdateWindow(window_);
    EXPECT_TRUE(nux::testing::CaptureWindow(window_, &s));
    return s;
  }

  // The client box of the first element with this tag.
  RECT BoxOf(b::Document* doc, const char16_t* tag, size_t index = 0) {
    RECT r{};
    auto all = doc->GetElementsByTagName(tag);
    EXPECT_GT(all.size(), index);
    if (all.size() > index) {
      EXPECT_TRUE(browser_->ElementClientBox(all[index], &r));
    }
    return r;
  }

  POINT Screen(POINT client) {
    ClientToScreen(window_, &client);
    return client;
  }

  nuxtest::ScopedPlatformRoot root_;
  HWND parent_ = nullptr, window_ = nullptr;
  IDispatch* control_ = nullptr;
  b::WebBrowser* browser_ = nullptr;
};

// Pixels of a colour inside a rectangle of the shot.
int Count(const nux::gdi::Surface& s, RECT r, uint32_t argb) {
  int n = 0;
  for (int y = std::max<int>(0, r.top); y < std::min<int>(s.height(), r.bottom); ++y)
    for (int x = std::max<int>(0, r.left); x < std::min<int>(s.width(), r.right); ++x) n += s.at(x, y) == argb;
  return n;
}
int Inked(const nux::gdi::Surface& s, RECT r) {
  int n = 0;
  for (int y = std::max<int>(0, r.top); y < std::min<int>(s.height(), r.bottom); ++y)
    for (int x = std::max<int>(0, r.left); x < std::min<int>(s.width(), r.right); ++x) n += s.at(x, y) != kWhite;
  return n;
}

// Each small page, with what its boxes and pixels must show.
struct PageCase {
  const char* name;
  const char* body;
  void (*check)(Page&, b::Document*, const nux::gdi::Surface&);
};

TEST_F(Page, SmallPagesAreLaidOutAndPainted) {
  const PageCase cases[] = {
      {"block and inline text", "<p>Hello <b>bold</b> words</p><div style='margin-top:30px'>second block</div>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT p = t.BoxOf(d, u"P"), bold = t.BoxOf(d, u"B"), div = t.BoxOf(d, u"DIV");
         EXPECT_EQ(p.left, 8);  // the body's default margin
         EXPECT_GT(bold.left, p.left + 20);
         EXPECT_NEAR(bold.top, p.top, 2);
         EXPECT_GE(div.top, p.bottom + 30);
         EXPECT_GT(Inked(s, bold), 10);
         EXPECT_EQ(Inked(s, RECT{bold.right + 60, p.top, 380, p.bottom}), 0);  // nothing past the line's end
       }},
      {"table", "<table border=1 cellspacing=0><tr><td>left</td><td>right cell</td></tr></table>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT a = t.BoxOf(d, u"TD", 0), c = t.BoxOf(d, u"TD", 1);
         EXPECT_EQ(a.top, c.top);
         EXPECT_GE(c.left, a.right);
         EXPECT_GT(c.right - c.left, a.right - a.left);
         EXPECT_NE(s.at(a.left, (a.top + a.bottom) / 2), kWhite);  // the cell's border
         EXPECT_GT(Inked(s, RECT{a.left + 2, a.top + 2, a.right - 2, a.bottom - 2}), 10);
       }},
      {"list", "<ul><li>first item<li>second item</ul>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT one = t.BoxOf(d, u"LI", 0), two = t.BoxOf(d, u"LI", 1);
         EXPECT_EQ(one.left, 48);  // body margin and the list's indent
         EXPECT_GE(two.top, one.bottom);
         EXPECT_GT(Inked(s, RECT{one.left - 20, one.top, one.left - 2, one.bottom}), 4);  // the bullet
       }},
      {"image", "<p>before <img src='pics/red.bmp'> after</p>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT img = t.BoxOf(d, u"IMG");
         EXPECT_EQ(img.right - img.left, 20);
         EXPECT_EQ(img.bottom - img.top, 10);
         EXPECT_EQ(Count(s, img, 0xFFFF0000u), 200);
       }},
      {"floated image", "<p><img src='pics/red.bmp' align=left width=40 height=30>text beside it</p>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT img = t.BoxOf(d, u"IMG");
         EXPECT_EQ(img.left, 8);
         EXPECT_EQ(img.right - img.left, 40);
         EXPECT_EQ(Count(s, img, 0xFFFF0000u), 1200);
         const auto& texts = t.browser_->pageLayout()->texts();
         ASSERT_FALSE(texts.empty());
         EXPECT_EQ(texts[0].text, u"text");
         EXPECT_GE(texts[0].box.left, img.right);
         EXPECT_LT(texts[0].box.top, img.bottom);
       }},
      {"link", "<p>see <a href='other.htm'>the link</a></p>",
       [](Page& t, b::Document* d, const nux::gdi::Surface& s) {
         RECT a = t.BoxOf(d, u"A");
         EXPECT_GT(Count(s, a, 0xFF0000EEu), 20);  // the default link colour
         EXPECT_EQ(Count(s, a, 0xFF000000u), 0);
       }},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    b::Document* doc = Show(std::string("<html><body>") + c.body + "</body></html>");
    ASSERT_TRUE(doc);
    nux::gdi::Surface s = Shot();
    ASSERT_EQ(s.width(), 420);
    c.check(*this, doc, s);
  }
}

TEST_F(Page, TheTemplatesStylesShowTheMarksAndTheSelectionIsHighlighted) {
  b::Document* doc = Show(
      "<html><head><style>SPAN.Search { background-color: #ffff00; color: #000000; }"
      "SPAN.Bookmark3 { background-color: #a0c8ff; }</style></head><body>"
      "<p>One <span class=Search>Sirius</span> two <span class=Bookmark3>Wega</span> three</p></body></html>");
  ASSERT_TRUE(doc);
  RECT mark = BoxOf(doc, u"SPAN", 0), bookmark = BoxOf(doc, u"SPAN", 1);
  nux::gdi::Surface s = Shot();
  EXPECT_GT(Count(s, mark, 0xFFFFFF00u), 50);
  EXPECT_GT(Count(s, bookmark, 0xFFA0C8FFu), 50);
  // Selecting "two" paints it in the highlight colour; the document is not changed by painting.
  const std::u16string before = b::BodyHtml(*doc);
  ASSERT_TRUE(b::SelectText(*doc, u"two"));
  InvalidateRect(window_, nullptr, FALSE);
  s = Shot();
  const uint32_t highlight = nux::gdi::ArgbFromColorref(GetSysColor(COLOR_HIGHLIGHT));
  RECT line{mark.right, mark.top, bookmark.left, mark.bottom};
  EXPECT_GT(Count(s, line, highlight), 50);
  EXPECT_EQ(Count(s, mark, highlight), 0);
  EXPECT_EQ(b::BodyHtml(*doc), before);
}

TEST_F(Page, AChangeOfTheDocumentIsLaidOutAgain) {
  b::Document* doc = Show("<html><body><p id=p>short</p></body></html>");
  ASSERT_TRUE(doc);
  RECT before = BoxOf(doc, u"P");
  doc->GetElementById(u"p")->SetInnerHTML(u"a much longer text<br>on two lines");
  RECT after = BoxOf(doc, u"P");
  EXPECT_EQ(after.top, before.top);
  EXPECT_GT(after.bottom - after.top, (before.bottom - before.top) * 3 / 2);
  nux::gdi::Surface s = Shot();
  EXPECT_GT(Inked(s, RECT{after.left, before.bottom, after.right, after.bottom}), 20);
  // A paint alone does not lay the page out again.
  const int layouts = browser_->pageLayout()->layouts();
  InvalidateRect(window_, nullptr, FALSE);
  Shot();
  EXPECT_EQ(browser_->pageLayout()->layouts(), layouts);
}

TEST_F(Page, LinksAreFoundByPositionAndClickedThroughRealInput) {
  root_.Write("drive_c/other.htm", "<html><body>other page</body></html>");
  b::Document* doc = Show("<html><body><p>see <a href='other.htm'>the link</a> and text</p></body></html>");
  ASSERT_TRUE(doc);
  RECT a = BoxOf(doc, u"A");
  b::PageLayout* layout = browser_->pageLayout();
  b::Element* link = doc->GetElementsByTagName(u"A")[0];
  EXPECT_EQ(layout->LinkAt((a.left + a.right) / 2, (a.top + a.bottom) / 2), link);
  EXPECT_EQ(layout->LinkAt(a.left - 10, (a.top + a.bottom) / 2), nullptr);
  EXPECT_EQ(layout->LinkAt(a.right + 10, (a.top + a.bottom) / 2), nullptr);
  EXPECT_TRUE(layout->ElementAt(a.right + 10, (a.top + a.bottom) / 2)->Is(u"P"));

  // The events in their order, then the link is followed.
  std::vector<std::u16string> events;
  doc->AddListener([&](b::Event& e) { events.push_back(e.type + u":" + e.srcElement->tagName()); });
  POINT at = Screen(POINT{(a.left + a.right) / 2, (a.top + a.bottom) / 2});
  nux::testing::MouseMove(at.x, at.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  nux::testing::Click(at.x, at.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(events, (std::vector<std::u16string>{u"mousedown:A", u"mouseup:A", u"click:A"}));
  EXPECT_NE(browser_->locationUrl().find(u"other.htm"), std::u16string::npos);
}

TEST_F(Page, ScrollRangeAnchorsWheelKeysAndTheScrollBar) {
  b::Document* doc = Show(
      "<html><body><div style='height:1000px'>top</div><a name=deep>deep</a><div style='height:500px'></div>"
      "</body></html>");
  ASSERT_TRUE(doc);
  RECT client{};
  GetClientRect(window_, &client);
  const long height = client.bottom;  // the page area
  long width = 0, content = 0, cw = 0, ch = 0;
  ASSERT_TRUE(doc->view()->PageSize(width, content, cw, ch));
  EXPECT_EQ(ch, height);
  EXPECT_EQ(cw, client.right);
  EXPECT_GE(content, 1500 + 16);
  const long limit = content - height;
  doc->ScrollTo(0, 100000);
  EXPECT_EQ(doc->scrollY(), limit);
  doc->ScrollTo(0, -5);
  EXPECT_EQ(doc->scrollY(), 0);

  // An address with #name goes to the anchor's box.
  root_.Write("drive_c/page.htm", "<html><body><div style='height:1000px'>top</div><a name=deep>deep</a>"
                                  "<div style='height:500px'></div></body></html>");
  ASSERT_EQ(browser_->Navigate(u"C:\\page.htm#deep"), S_OK);
  nux::testing::PumpMessages();
  doc = browser_->document();
  EXPECT_GE(doc->scrollY(), 1008);  // below the body's margin and the first block
  RECT deep = BoxOf(doc, u"A");
  EXPECT_EQ(deep.top, 0);

  // The wheel, the keys and the scroll bar.
  doc->ScrollTo(0, 0);
  SetFocus(window_);  // the wheel turns the page with the focus
  POINT mid = Screen(POINT{100, 100});
  nux::testing::Wheel(mid.x, mid.y, -120);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->scrollY(), 3 * b::PageView::kLineStep);
  nux::testing::KeyPress(VK_NEXT);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->scrollY(), 3 * b::PageView::kLineStep + height - b::PageView::kLineStep);
  nux::testing::KeyPress(VK_END);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->scrollY(), limit);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(window_, SB_VERT, &si));
  EXPECT_EQ(si.nPos, limit);
  EXPECT_EQ(si.nMax + 1, content);
  EXPECT_EQ(LONG(si.nPage), height);
  nux::testing::KeyPress(VK_HOME);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->scrollY(), 0);
  SendMessageW(window_, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(doc->scrollY(), b::PageView::kLineStep);

  // A scrolled repaint shows the same pixels as a fresh paint at that position.
  doc->ScrollTo(0, 500);
  nux::gdi::Surface scrolled = Shot();
  doc->ScrollTo(0, 400);
  Shot();
  doc->ScrollTo(0, 500);
  nux::gdi::Surface again = Shot();
  EXPECT_EQ(Count(again, client, kWhite), Count(scrolled, client, kWhite));
}

TEST_F(Page, DraggingSelectsTextAndADoubleClickAWord) {
  b::Document* doc = Show("<html><body><p>Alpha Beta Gamma</p><p>Delta Epsilon</p></body></html>");
  ASSERT_TRUE(doc);
  const auto& texts = browser_->pageLayout()->texts();
  auto piece = [&](const std::u16string& word) {
    for (const b::TextBox& t : texts)
      if (t.text == word) return t.box;
    ADD_FAILURE() << "no piece";
    return RECT{};
  };
  RECT beta = piece(u"Beta"), delta = piece(u"Delta");
  POINT from = Screen(POINT{beta.left + 1, (beta.top + beta.bottom) / 2});
  POINT to = Screen(POINT{delta.right - 1, (delta.top + delta.bottom) / 2});
  nux::testing::Drag(from, to);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->Selection().Text(), u"Beta Gamma\r\nDelta");

  // A double-click selects the word under the pointer; a plain click clears the selection.
  RECT gamma = piece(u"Gamma");
  POINT g = Screen(POINT{(gamma.left + gamma.right) / 2, (gamma.top + gamma.bottom) / 2});
  nux::testing::Click(g.x, g.y);
  nux::testing::Click(g.x, g.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->Selection().Text(), u"Gamma");
  nux::testing::AdvanceAndPump(1000);
  nux::testing::Click(g.x + 200, g.y);
  nux::testing::PumpMessages();
  EXPECT_FALSE(doc->HasSelection());
}

TEST_F(Page, ZoomScalesTheFontsAndLaysThePageOutAgain) {
  b::Document* doc = Show("<html><body><p>Zoomed words</p></body></html>");
  ASSERT_TRUE(doc);
  RECT normal = BoxOf(doc, u"P");
  const RECT normalText = browser_->pageLayout()->texts()[0].box;
  VARIANT level;
  VariantInit(&level);
  level.vt = VT_I4;
  level.lVal = 4;
  ASSERT_EQ(browser_->Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &level, nullptr), S_OK);
  RECT large = BoxOf(doc, u"P");
  const RECT largeText = browser_->pageLayout()->texts()[0].box;
  EXPECT_NEAR(double(largeText.right - largeText.left) / (normalText.right - normalText.left), 1.5, 0.15);
  EXPECT_GT(large.bottom - large.top, normal.bottom - normal.top);
  level.lVal = 0;
  ASSERT_EQ(browser_->Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &level, nullptr), S_OK);
  const RECT smallText = browser_->pageLayout()->texts()[0].box;
  EXPECT_LT(smallText.right - smallText.left, normalText.right - normalText.left);
}

TEST_F(Page, ALongPagePaintsTheSameAsOneBlockHoldingIt) {
  // A body of many blocks (blanks between them) is painted by the blocks on view; the same
  // content inside one DIV goes through litehtml's whole walk. Scrolled to the same paragraph,
  // both give the same pixels.
  std::string blocks;
  for (int i = 0; i < 120; ++i) {
    blocks += "<p>Paragraph " + std::to_string(i) + " with <b>bold</b> and <a href='x'>a link</a></p>\n";
    if (i % 10 == 5) blocks += "<table border=1><tr><td>cell</td><td>" + std::to_string(i) + "</td></tr></table>";
    if (i % 10 == 7) blocks += "<ul><li>item</ul><img src='pics/red.bmp'>";
    if (i == 60) blocks += "<p><img src='pics/tall.bmp' align=left>beside a tall picture</p>";
  }
  root_.Write("drive_c/pics/tall.bmp", RedBmp(20, 400));
  auto paint = [&](const std::string& body, const char16_t* at) {
    b::Ref<b::Document> doc = b::Document::ParseHtml(nux::FromUtf8("<html><body>" + body + "</body></html>"),
                                                     u"file:///C:/long.htm");
    b::PageLayout layout(doc.get());
    b::LayoutMedia media;
    media.width = 400;
    media.height = 300;
    EXPECT_TRUE(layout.Update(media));
    long top = 0;
    for (const b::TextBox& t : layout.texts())
      if (t.text == at) top = t.box.top - 10;
    nux::gdi::Surface whole(400, 300);
    HDC dc = nux::gdi::CreateSurfaceDC(&whole, POINT{0, 0}, nullptr);
    layout.Paint(dc, 0, 0, 0, top, RECT{0, 0, 400, 300});
    DeleteDC(dc);
    return whole;
  };
  // At 64 the tall picture floated beside the short paragraph after 60 still shows, its
  // paragraph above the view.
  for (const char16_t* at : {u"12", u"45", u"64", u"99"}) {
    SCOPED_TRACE(nux::ToUtf8(at));
    nux::gdi::Surface blocksShot = paint(blocks, at), wrappedShot = paint("<div>" + blocks + "</div>", at);
    EXPECT_GT(Inked(blocksShot, RECT{0, 0, 400, 300}), 500);
    int different = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) different += blocksShot.at(x, y) != wrappedShot.at(x, y);
    EXPECT_EQ(different, 0);
  }
}

// A long page of paragraphs, tables, lists, floated pictures and marks.
std::string LongBody(int blocks) {
  std::string body;
  for (int i = 0; i < blocks; ++i) {
    body += "<p>Absatz " + std::to_string(i) + " mit <b>fetten</b> W\xC3\xB6rtern, <a href='x'>Verweis</a> und "
            "<span class=Search>Stra\xC3\x9F" "e</span></p>\n";
    if (i % 10 == 3) body += "<table border=1><tr><td>Zelle</td><td>" + std::to_string(i) + "</td></tr></table>\n";
    if (i % 10 == 7) body += "<ul><li>Punkt<li>Noch einer</ul><img src='pics/red.bmp' align=left>\n";
  }
  return body;
}

TEST_F(Page, ALongPageIsFirstLaidOutByItsTopAndWholeBeforeAnyQuestion) {
  const std::string head = "<html><head><style>SPAN.Search { background-color: #ffff00 }</style></head><body>";
  b::Ref<b::Document> doc =
      b::Document::ParseHtml(nux::FromUtf8(head + LongBody(1100) + "</body></html>"), u"file:///C:/long.htm");
  b::LayoutMedia media;
  media.width = 400;
  media.height = 300;
  b::PageLayout whole(doc.get());
  ASSERT_TRUE(whole.Update(media));
  EXPECT_FALSE(whole.partial());
  auto shot = [&](b::PageLayout& layout, long top) {
    nux::gdi::Surface s(400, 300);
    HDC dc = nux::gdi::CreateSurfaceDC(&s, POINT{0, 0}, nullptr);
    layout.Paint(dc, 0, 0, 0, top, RECT{0, 0, 400, 300});
    DeleteDC(dc);
    return s;
  };
  auto same = [](const nux::gdi::Surface& a, const nux::gdi::Surface& c) {
    int different = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) different += a.at(x, y) != c.at(x, y);
    return different;
  };
  // At the top and further down, the first part paints the pixels of the whole page.
  for (long top : {0L, 1200L}) {
    SCOPED_TRACE(top);
    b::PageLayout first(doc.get());
    ASSERT_TRUE(first.UpdateFirst(media, top + 300));
    ASSERT_TRUE(first.partial());
    EXPECT_GE(first.firstPartBottom(), top + 300);
    EXPECT_LT(first.firstPartBottom(), whole.contentHeight() / 4);
    nux::gdi::Surface part = shot(first, top);
    EXPECT_TRUE(first.partial());  // the paint did not need the rest
    EXPECT_GT(Inked(part, RECT{0, 0, 400, 300}), 1000);
    EXPECT_EQ(same(part, shot(whole, top)), 0);
    // A paint below the first part, and any question, lay the page out whole first.
    if (top == 0) {
      shot(first, whole.contentHeight() - 300);
    } else {
      EXPECT_EQ(first.contentHeight(), whole.contentHeight());
    }
    EXPECT_FALSE(first.partial());
    EXPECT_TRUE(first.valid());
    EXPECT_EQ(first.texts().size(), whole.texts().size());
    EXPECT_EQ(first.layouts(), 2);
  }
  {
    // Questions before any paint: hit test, box, text offset.
    b::PageLayout first(doc.get());
    ASSERT_TRUE(first.UpdateFirst(media, 300));
    const b::TextBox& last = whole.texts().back();
    EXPECT_EQ(first.ElementAt(last.box.left + 1, last.box.top + 1), whole.ElementAt(last.box.left + 1, last.box.top + 1));
    EXPECT_FALSE(first.partial());
    EXPECT_EQ(first.OffsetAt(last.box.right - 1, last.box.top + 1), whole.OffsetAt(last.box.right - 1, last.box.top + 1));
  }
  // A view that reaches far down, a short page, a printed page, a positioned block: laid out whole.
  b::PageLayout far(doc.get());
  ASSERT_TRUE(far.UpdateFirst(media, whole.contentHeight() / 2));
  EXPECT_TRUE(far.valid());
  b::Ref<b::Document> shortDoc = b::Document::ParseHtml(nux::FromUtf8(head + LongBody(40) + "</body></html>"), u"file:///C:/s.htm");
  b::PageLayout shortLayout(shortDoc.get());
  ASSERT_TRUE(shortLayout.UpdateFirst(media, 300));
  EXPECT_TRUE(shortLayout.valid());
  b::LayoutMedia print = media;
  print.print = true;
  b::PageLayout printed(doc.get());
  ASSERT_TRUE(printed.UpdateFirst(print, 300));
  EXPECT_TRUE(printed.valid());
  b::Ref<b::Document> positioned = b::Document::ParseHtml(
      nux::FromUtf8(head + "<div style='position:absolute; top:5px'>oben</div>" + LongBody(1100) + "</body></html>"),
      u"file:///C:/p.htm");
  b::PageLayout positionedLayout(positioned.get());
  ASSERT_TRUE(positionedLayout.UpdateFirst(media, 300));
  EXPECT_TRUE(positionedLayout.valid());
}

TEST_F(Page, TheControlPaintsALongPageFirstAndLaysTheRestOutAfter) {
  b::Document* doc = Show("<html><body>" + LongBody(1100) + "</body></html>");
  ASSERT_TRUE(doc);
  // The messages after the first paint laid the page out whole: the scroll bar has its height.
  b::PageLayout* layout = browser_->pageLayout();
  ASSERT_TRUE(layout);
  EXPECT_TRUE(layout->valid());
  EXPECT_EQ(layout->layouts(), 2);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(window_, SB_VERT, &si));
  EXPECT_EQ(si.nMax + 1, layout->contentHeight());
  EXPECT_GT(layout->contentHeight(), 20000);
  // What the window shows is the whole layout's paint, after scrolls down and up too (the
  // rows still on view are kept, the uncovered ones painted).
  RECT client{};
  GetClientRect(window_, &client);
  auto fresh = [&] {
    nux::gdi::Surface p(client.right, client.bottom);
    HDC dc = nux::gdi::CreateSurfaceDC(&p, POINT{0, 0}, nullptr);
    layout->Paint(dc, 0, 0, doc->scrollX(), doc->scrollY(), client);
    DeleteDC(dc);
    return p;
  };
  auto differing = [&](const nux::gdi::Surface& shot, const nux::gdi::Surface& expected) {
    int n = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) n += shot.at(x, y) != expected.at(x, y);
    return n;
  };
  nux::gdi::Surface s = Shot();
  EXPECT_GT(Inked(s, RECT{0, 0, 400, 300}), 1000);
  EXPECT_EQ(differing(s, fresh()), 0);
  SetFocus(window_);
  POINT mid = Screen(POINT{100, 100});
  for (int notches : {-120, -240, -120, 240, -360, 120}) {
    nux::testing::Wheel(mid.x, mid.y, notches);
    nux::testing::PumpMessages();
    SendMessageW(window_, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(differing(Shot(), fresh()), 0) << doc->scrollY();
  }
  EXPECT_GT(doc->scrollY(), 0);
  nux::testing::KeyPress(VK_END);
  nux::testing::PumpMessages();
  EXPECT_EQ(doc->scrollY(), layout->contentHeight() - client.bottom);
}

TEST_F(Page, EachPrintedPageIsAPictureInTheSpoolFolder) {
  std::string body = "<h1>Printed</h1>";
  for (int i = 0; i < 80; ++i) body += "<p>Line " + std::to_string(i) + "</p>";
  b::Document* doc = Show("<html><head><title>Druck</title></head><body>" + body + "</body></html>");
  ASSERT_TRUE(doc);
  b::PageSetup setup;
  setup.header = u"&w&bSeite &p von &P";
  setup.marginLeft = u"1.0";
  b::PrintJob job;
  ASSERT_TRUE(b::PrintDocument(*doc, setup, &job));
  ASSERT_GE(job.pagePictures.size(), 2u);
  EXPECT_NE(job.pagePictures[0].find("job-0001-p1.png"), std::string::npos);
  nux::gdi::Surface first, last;
  ASSERT_TRUE(nux::gdi::ReadPng(job.pagePictures[0], first));
  ASSERT_TRUE(nux::gdi::ReadPng(job.pagePictures.back(), last));
  EXPECT_EQ(first.width(), 816);  // 8.5 x 11 inches at 96 dots per inch
  EXPECT_EQ(first.height(), 1056);
  // The page's text lies inside the margins; the header in the top margin.
  EXPECT_EQ(Inked(first, RECT{0, 0, 96, 1056}), 0);
  EXPECT_GT(Inked(first, RECT{96, 72, 744, 984}), 500);
  EXPECT_GT(Inked(first, RECT{96, 0, 744, 72}), 20);
  EXPECT_GT(Inked(last, RECT{96, 72, 744, 984}), 20);
  // No picture is left behind by a print that could not be written.
  EXPECT_TRUE(std::filesystem::exists(job.path));
}

}  // namespace
