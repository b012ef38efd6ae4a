// Pages written by others, shown in the control as a user sees them: HTML files found on this
// machine (manuals, generated API documentation, package pages) and small pages reduced from
// them. A long page's first paint comes from its first part; it must show the pixels of the
// whole layout, at the top and further down, and what the page answers once the rest is laid
// out (its size, the boxes, hit tests, text offsets) must be what a fresh whole layout answers.
//
// The suite runs a handful of the machine's documentation files, picked by their sizes
// (skipped where there are none), and the fixtures beside it. The wide run goes through a list:
//   NUX_HTML_LIST=<a file of paths, one a line> test_browser --gtest_also_run_disabled_tests
//     --gtest_filter=MachinePages.DISABLED_EveryListedFile
// and prints a line for each file (seconds, '!' past the time budget, first part or whole, the
// first parts laid out further down, page height, peak memory).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "browser/html_internal.h"
#include "browser/layout.h"
#include "browser/pageview.h"
#include "browser/webbrowser.h"
#include "gdi/image.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/cursor.h"

namespace b = nux::browser;
namespace fs = std::filesystem;

namespace {

// Files larger than this are left out (NUX_HTML_MAX_BYTES may name another bound); so many
// files at most in one wide run.
constexpr std::uintmax_t kMaxFileBytes = 2u << 20;
constexpr size_t kMaxFiles = 2000;

// What one page showed.
struct Outcome {
  bool shown = false;
  bool firstPart = false;   // the control's first paint came from a first part
  bool unwrapped = false;   // checked again with the body's content unwrapped
  int partsAtPositions = 0; // first parts laid out for views further down
  long height = 0;
  double seconds = 0;
  std::vector<std::string> faults;
};

class MachinePages : public ::testing::Test {
 public:
  static constexpr int kWidth = 800, kHeight = 600;

  void SetUp() override {
    nux::testing::ResetUi();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"MachinePagesHost";
    RegisterClassW(&wc);
    parent_ = CreateWindowExW(0, u"MachinePagesHost", u"host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
    control_ = b::CreateWebBrowser(parent_, RECT{0, 0, kWidth, kHeight}, 100, WS_CHILD | WS_VISIBLE, &window_);
    ASSERT_TRUE(control_);
    browser_ = b::WebBrowserOf(control_);
  }
  void TearDown() override {
    if (control_) control_->Release();
    if (parent_) DestroyWindow(parent_);
    nux::testing::ResetUi();
  }

  // The client area's pixels as the window shows them (its pending paints done).
  nux::gdi::Surface Client() {
    nux::gdi::Surface shot, out;
    RECT client{}, window{};
    GetClientRect(window_, &client);
    GetWindowRect(window_, &window);
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    if (!nux::testing::CaptureWindow(window_, &shot)) return out;
    const int dx = origin.x - window.left, dy = origin.y - window.top;
    out.Resize(client.right, client.bottom);
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x)
        if (x + dx < shot.width() && y + dy < shot.height()) out.set(x, y, shot.at(x + dx, y + dy) | 0xFF000000u);
    return out;
  }

  // A layout's paint of the view with page point (0, top) at its top left corner.
  static nux::gdi::Surface PaintOf(b::PageLayout& layout, int width, int height, long top) {
    nux::gdi::Surface s(width, height);
    HDC dc = nux::gdi::CreateSurfaceDC(&s, POINT{0, 0}, nullptr);
    layout.Paint(dc, 0, 0, 0, top, RECT{0, 0, width, height});
    DeleteDC(dc);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) s.set(x, y, s.at(x, y) | 0xFF000000u);
    return s;
  }

  // "" when both show the same pixels, else how many differ and where (and both pictures go to
  // the folder NUX_HTML_SHOTS names, when it does).
  static std::string Differences(const nux::gdi::Surface& a, const nux::gdi::Surface& c) {
    std::string d = Compare(a, c);
    static int shots = 0;
    if (const char* folder = std::getenv("NUX_HTML_SHOTS"); folder && !d.empty() && shots < 200) {
      ++shots;
      nux::gdi::WritePng(a, std::string(folder) + "/" + std::to_string(shots) + "-a.png");
      nux::gdi::WritePng(c, std::string(folder) + "/" + std::to_string(shots) + "-b.png");
      d += " (pictures " + std::to_string(shots) + ")";
    }
    return d;
  }
  static std::string Compare(const nux::gdi::Surface& a, const nux::gdi::Surface& c) {
    if (a.width() != c.width() || a.height() != c.height())
      return "sizes " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + " and " +
             std::to_string(c.width()) + "x" + std::to_string(c.height());
    long n = 0;
    int top = -1, bottom = -1;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x)
        if (a.at(x, y) != c.at(x, y)) {
          ++n;
          if (top < 0) top = y;
          bottom = y;
        }
    if (n == 0) return {};
    return std::to_string(n) + " pixels differ in rows " + std::to_string(top) + " to " + std::to_string(bottom);
  }

  // Shows the file in the control and checks it (see the top of the file).
  Outcome Check(const std::string& linuxPath) {
    Outcome out;
    std::u16string url = u"Z:" + nux::FromUtf8(linuxPath);
    std::replace(url.begin(), url.end(), u'/', u'\\');
    if (browser_->Navigate(url) != S_OK) {
      out.faults.push_back("not navigated");
      return out;
    }
    CheckShown(out);
    // With NUX_HTML_UNWRAP set, a page whose body holds its content in a few wrappers (DIV,
    // SECTION, ARTICLE, MAIN) gets the wrappers' content as the body's own children, so that the
    // changed page is painted first by its first part (real style sheets and content on that
    // path, and a page changed after it was shown). NUX_HTML_UNWRAP=plain drops the head's style
    // sheets too, so that pages whose style sheets place elements out of the flow take it.
    b::Document* doc = browser_->document();
    if (!std::getenv("NUX_HTML_UNWRAP") || !doc || !doc->body() || doc->body()->childNodes().size() >= 128) return out;
    std::u16string flat;
    size_t pieces = 0;
    auto flatten = [&](auto&& self, const b::Element* e) -> void {
      for (const auto& child : e->childNodes()) {
        const b::Element* c = child->AsElement();
        if (c && (c->Is(u"DIV") || c->Is(u"SECTION") || c->Is(u"ARTICLE") || c->Is(u"MAIN"))) {
          self(self, c);
        } else {
          b::detail::SerializeNode(*child, flat);
          ++pieces;
        }
      }
    };
    flatten(flatten, doc->body());
    if (pieces < 128) return out;
    Outcome again;
    if (std::string(std::getenv("NUX_HTML_UNWRAP")) == "plain" && doc->head()) doc->head()->SetInnerHTML(u"");
    doc->ScrollTo(0, 0);
    doc->body()->SetInnerHTML(flat);
    CheckShown(again);
    out.unwrapped = true;
    out.firstPart = out.firstPart || again.firstPart;
    out.partsAtPositions += again.partsAtPositions;
    out.seconds += again.seconds;
    for (const std::string& f : again.faults) out.faults.push_back("unwrapped: " + f);
    return out;
  }

  // The page the control was told to show, once the messages that show it are dispatched.
  void CheckShown(Outcome& out) {
    const auto started = std::chrono::steady_clock::now();
    auto lap = [&](const char* what) {
      if (std::getenv("NUX_HTML_LAPS"))
        std::fprintf(stderr, "  %-10s %6.2f s\n", what,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    };
    auto fault = [&](const std::string& what) { out.faults.push_back(what); };
    // The messages as the pump dispatches them; when the control posts itself the rest of a
    // long page, its first paint is on the window.
    nux::gdi::Surface first;
    MSG m;
    for (int guard = 0; guard < 100000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
      if (m.message == b::PageView::kLayoutRestMessage && m.hwnd == window_ && !out.firstPart) {
        out.firstPart = true;
        first = Client();
      }
      nux::testing::DispatchMessageWithDialogs(m);
    }
    b::Document* doc = browser_->document();
    b::PageLayout* layout = browser_->pageLayout();
    if (!doc || !layout || !layout->valid()) {
      fault("no page laid out");
      return;
    }
    lap("shown");
    out.shown = true;
    const b::LayoutMedia media = layout->media();
    const int w = media.width, h = media.height;
    nux::gdi::Surface shown = Client();
    // A fresh layout of the document, whole, is what every answer must agree with.
    b::PageLayout fresh(doc);
    if (!fresh.Update(media)) {
      fault("no fresh layout");
      return;
    }
    out.height = fresh.contentHeight();
    if (out.firstPart) {
      if (std::string d = Differences(first, shown); !d.empty()) fault("first paint and the paint after the rest: " + d);
    }
    if (std::string d = Differences(shown, PaintOf(fresh, w, h, doc->scrollY())); !d.empty())
      fault("the control's paint and a fresh layout's at " + std::to_string(doc->scrollY()) + ": " + d);
    if (layout->contentHeight() != fresh.contentHeight() || layout->contentWidth() != fresh.contentWidth())
      fault("page size " + std::to_string(layout->contentWidth()) + "x" + std::to_string(layout->contentHeight()) +
            ", fresh " + std::to_string(fresh.contentWidth()) + "x" + std::to_string(fresh.contentHeight()));

    lap("fresh");
    // Boxes, text pieces, hit tests and text offsets.
    int badBoxes = 0;
    std::string firstBad;
    const std::vector<b::Element*> all = doc->All();
    const size_t step = std::max<size_t>(1, all.size() / 4000);
    for (size_t i = 0; i < all.size(); i += step) {
      RECT r1{}, r2{};
      const bool h1 = layout->BoxOf(all[i], r1), h2 = fresh.BoxOf(all[i], r2);
      if (h1 != h2 || (h1 && !EqualRect(&r1, &r2))) {
        if (!badBoxes++) firstBad = nux::ToUtf8(all[i]->tagName());
      }
    }
    if (badBoxes) fault(std::to_string(badBoxes) + " element boxes differ, the first of a " + firstBad);
    const auto& t1 = layout->texts();
    const auto& t2 = fresh.texts();
    if (t1.size() != t2.size()) {
      fault(std::to_string(t1.size()) + " text pieces, fresh " + std::to_string(t2.size()));
    } else {
      for (size_t i = 0; i < t1.size(); ++i)
        if (t1[i].node != t2[i].node || t1[i].offset != t2[i].offset || !EqualRect(&t1[i].box, &t2[i].box)) {
          fault("text piece " + std::to_string(i) + " differs");
          break;
        }
    }
    lap("boxes");
    int badHits = 0;
    const long height = fresh.contentHeight();
    for (long y = 3; y < height; y += y < h ? 37 : std::max<long>(37, height / 16))
      for (long x : {long(w) / 9, long(w) / 2, long(w) - 4}) {
        if (layout->ElementAt(x, y) != fresh.ElementAt(x, y) || layout->OffsetAt(x, y) != fresh.OffsetAt(x, y))
          ++badHits;
      }
    if (badHits) fault(std::to_string(badHits) + " hit tests differ");

    lap("hits");
    // Scrolled in the control (the rows on view kept, the uncovered ones painted), and a
    // first part laid out for a view further down, against the fresh layout's paint there.
    const long maxY = std::max<long>(0, height - h);
    for (long at : {137L, maxY / 3, maxY / 3 - 48, maxY * 2 / 3, maxY}) {
      if (at <= 0 || at > maxY) continue;
      doc->ScrollTo(0, at);
      nux::gdi::Surface s = Client();
      if (std::string d = Differences(s, PaintOf(fresh, w, h, doc->scrollY())); !d.empty())
        fault("scrolled to " + std::to_string(doc->scrollY()) + ": " + d);
    }
    lap("scrolled");
    // The paint by the blocks on view against litehtml's walk of the whole tree.
    for (long at : {0L, maxY / 2, maxY}) {
      nux::gdi::Surface blocks = PaintOf(fresh, w, h, at);
      fresh.SetPaintByBlocks(false);
      nux::gdi::Surface walk = PaintOf(fresh, w, h, at);
      fresh.SetPaintByBlocks(true);
      if (std::string d = Differences(blocks, walk); !d.empty())
        fault("painted by blocks and by the whole walk at " + std::to_string(at) + ": " + d);
    }
    lap("walk");
    for (long at : {0L, 1500L, 5000L}) {
      if (at > maxY) continue;
      b::PageLayout part(doc);
      if (!part.UpdateFirst(media, at + h) || !part.partial()) break;  // laid out whole
      ++out.partsAtPositions;
      nux::gdi::Surface s = PaintOf(part, w, h, at);
      if (!part.partial()) {
        fault("a first part for a view at " + std::to_string(at) + " was laid out whole to paint it");
        continue;
      }
      if (std::string d = Differences(s, PaintOf(fresh, w, h, at)); !d.empty())
        fault("first part painted at " + std::to_string(at) + ": " + d);
    }
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }

  // Checks each file, one line for each on the standard error. With NUX_HTML_CUT set, each file
  // cut short at a third and at two thirds of its bytes too (a truncated download).
  void CheckAll(const std::vector<std::string>& given) {
    std::vector<std::string> files;
    for (const std::string& path : given) {
      files.push_back(path);
      if (!std::getenv("NUX_HTML_CUT")) continue;
      const std::string bytes = nuxtest::ReadFile(path);
      for (int third : {1, 2})
        files.push_back(root_.Write("cut/" + std::to_string(files.size()) + "-" + fs::path(path).filename().string(),
                                    bytes.substr(0, bytes.size() * third / 3)));
    }
    // Seconds a file may take (a mark in its line when it took longer; NUX_HTML_BUDGET).
    const char* budgetText = std::getenv("NUX_HTML_BUDGET");
    const double budget = budgetText ? std::atof(budgetText) : 120.0;
    for (const std::string& path : files) {
      Outcome o = Check(path);
      rusage ru{};
      getrusage(RUSAGE_SELF, &ru);
      std::fprintf(stderr, "[page] %6.2f s%s %-5s%s %2d  height %7ld  peak %5ld MiB  %s\n", o.seconds,
                   o.seconds > budget ? "!" : " ", o.firstPart ? "first" : "whole", o.unwrapped ? "+u" : "  ",
                   o.partsAtPositions, o.height, long(ru.ru_maxrss / 1024), path.c_str());
      for (const std::string& f : o.faults) ADD_FAILURE() << path << ": " << f;
      EXPECT_TRUE(o.shown) << path;
    }
  }

  nuxtest::ScopedPlatformRoot root_;
  HWND parent_ = nullptr, window_ = nullptr;
  IDispatch* control_ = nullptr;
  b::WebBrowser* browser_ = nullptr;
};

bool IsHtml(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext == ".html" || ext == ".htm";
}

// A handful of the machine's documentation pages: of those up to 64 KiB, the smallest, the
// largest and two between, by size (then path), so that each run takes the same ones.
std::vector<std::string> MachineSample() {
  std::vector<std::pair<std::uintmax_t, std::string>> found;
  for (const char* root : {"/usr/share/doc", "/usr/share/gtk-doc"}) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) continue;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator() && found.size() < 20000; it.increment(ec)) {
      std::error_code e2;
      if (!it->is_regular_file(e2) || !IsHtml(it->path())) continue;
      const std::uintmax_t size = it->file_size(e2);
      if (!e2 && size > 0 && size <= (64u << 10)) found.emplace_back(size, it->path().string());
    }
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> pick;
  if (found.empty()) return pick;
  for (int q = 0; q <= 3; ++q) {
    const std::string& path = found[(found.size() - 1) * q / 3].second;
    if (pick.empty() || pick.back() != path) pick.push_back(path);
  }
  return pick;
}

TEST_F(MachinePages, AHandfulOfTheMachinesPagesPaintFirstAsWhole) {
  const std::vector<std::string> files = MachineSample();
  if (files.empty()) GTEST_SKIP() << "no HTML files on this machine";
  CheckAll(files);
}

// A reduced page as the control reads it, written into `dir`: a line "<!-- paragraphs N -->"
// of the fixture stands for N numbered paragraphs, which make the page long.
std::string ReducedPage(const fs::path& fixture, const nuxtest::TempDir& dir) {
  std::istringstream in(nuxtest::ReadFile(fixture.string()));
  std::string page;
  for (std::string line; std::getline(in, line);) {
    int count = 0;
    if (std::sscanf(line.c_str(), "<!-- paragraphs %d -->", &count) == 1) {
      for (int i = 0; i < count; ++i)
        page += "<p>Paragraph " + std::to_string(i) + " of the page, with a few words to fill a line.</p>\n";
    } else {
      page += line + "\n";
    }
  }
  return dir.Write(fixture.filename().string(), page);
}

// Pages reduced from the machine's files, each showing a fault that was found there.
TEST_F(MachinePages, ReducedPagesPaintFirstAsWhole) {
  nuxtest::TempDir dir;
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(nuxtest::SourceDir() + "/fixtures/pages"))
    if (IsHtml(entry.path())) files.push_back(ReducedPage(entry.path(), dir));
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  CheckAll(files);
}

// A bar fixed in the view is under the pointer where it stands in the view, however far the
// page is scrolled: the hand over its link, and a click follows it.
TEST_F(MachinePages, AFixedBarIsHitWhereTheViewShowsIt) {
  nuxtest::TempDir dir;
  const std::string path = ReducedPage(nuxtest::SourceDir() + "/fixtures/pages/fixed-bar.htm", dir);
  Outcome shown = Check(path);
  ASSERT_TRUE(shown.shown);
  b::Document* doc = browser_->document();
  b::Element* next = nullptr;
  for (b::Element* a : doc->GetElementsByTagName(u"A"))
    if (a->InnerHTML() == u"Next") next = a;
  ASSERT_TRUE(next);
  doc->ScrollTo(0, 0);
  RECT box{};
  ASSERT_TRUE(browser_->ElementClientBox(next, &box));
  doc->ScrollTo(0, 1000);
  ASSERT_EQ(doc->scrollY(), 1000);
  POINT at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  ClientToScreen(window_, &at);
  SetFocus(window_);
  nux::testing::MouseMove(at.x, at.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  nux::testing::Click(at.x, at.y);
  nux::testing::PumpMessages();
  EXPECT_NE(browser_->locationUrl().find(u"other.htm"), std::u16string::npos) << nux::ToUtf8(browser_->locationUrl());
}

TEST_F(MachinePages, DISABLED_EveryListedFile) {
  const char* list = std::getenv("NUX_HTML_LIST");
  if (!list) GTEST_SKIP() << "NUX_HTML_LIST names no list of files";
  std::ifstream in(list);
  std::vector<std::string> files;
  const char* bound = std::getenv("NUX_HTML_MAX_BYTES");
  const std::uintmax_t maxBytes = bound ? std::strtoull(bound, nullptr, 10) : kMaxFileBytes;
  for (std::string line; std::getline(in, line) && files.size() < kMaxFiles;) {
    std::error_code ec;
    if (line.empty() || !fs::is_regular_file(line, ec)) continue;
    const std::uintmax_t size = fs::file_size(line, ec);
    if (!ec && size <= maxBytes) files.push_back(line);
  }
  CheckAll(files);
}

}  // namespace
