#include <gtest/gtest.h>

#include <cstring>

#include "canvas.h"
#include "gdi/gdi.h"

using gditest::Canvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

HFONT Arial(int height, int weight = FW_NORMAL) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::memcpy(lf.lfFaceName, u"Arial", sizeof(u"Arial"));
  return CreateFontIndirectW(&lf);
}

TEST(Text, FacesMapToInstalledFonts) {
  for (const char16_t* face : {u"Arial", u"MS Sans Serif", u"Small Fonts", u"Unknown Face"}) {
    std::string file = nux::gdi::FontFileFor(face, false, false);
    EXPECT_NE(file.find("LiberationSans-Regular"), std::string::npos) << file;
  }
  EXPECT_NE(nux::gdi::FontFileFor(u"arial", true, false).find("LiberationSans-Bold"), std::string::npos);
}

TEST(Text, MetricsFollowTheCharacterHeight) {
  Canvas c(10, 10);
  HFONT font = Arial(-11);
  HGDIOBJ old = SelectObject(c.dc, font);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 14);
  EXPECT_GT(tm.tmAveCharWidth, 3);
  // A positive height is the cell height.
  HFONT cell = Arial(20);
  SelectObject(c.dc, cell);
  GetTextMetricsW(c.dc, &tm);
  EXPECT_NEAR(tm.tmHeight, 20, 1);
  SelectObject(c.dc, old);
  DeleteObject(font);
  DeleteObject(cell);
}

TEST(Text, ExtentsAreAdditiveAndBoldIsWider) {
  Canvas c(10, 10);
  HFONT normal = Arial(-13), bold = Arial(-13, FW_BOLD);
  HGDIOBJ old = SelectObject(c.dc, normal);
  SIZE ab, a, b, empty;
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Hello world", 11, &ab));
  GetTextExtentPoint32W(c.dc, u"Hello", 5, &a);
  GetTextExtentPoint32W(c.dc, u" world", 6, &b);
  EXPECT_EQ(ab.cx, a.cx + b.cx);
  GetTextExtentPoint32W(c.dc, u"", 0, &empty);
  EXPECT_EQ(empty.cx, 0);
  EXPECT_EQ(empty.cy, ab.cy);
  // ANSI text in Windows-1252 measures as its wide form.
  SIZE ansi, wide;
  GetTextExtentPoint32A(c.dc, "Gr\xfc\xdf" "e", 5, &ansi);
  GetTextExtentPoint32W(c.dc, u"Grüße", 5, &wide);
  EXPECT_EQ(ansi.cx, wide.cx);
  SelectObject(c.dc, bold);
  SIZE boldSize;
  GetTextExtentPoint32W(c.dc, u"Hello world", 11, &boldSize);
  EXPECT_GT(boldSize.cx, ab.cx);
  SelectObject(c.dc, old);
  DeleteObject(normal);
  DeleteObject(bold);
}

TEST(Text, TextOutIsDeterministicAndUsesTheTextColour) {
  auto render = [] {
    Canvas c(60, 20);
    HFONT f = Arial(-13);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, RGB(0, 0, 128));
    TextOutW(c.dc, 2, 2, u"Abc", 3);
    SelectObject(c.dc, old);
    DeleteObject(f);
    return c.Picture(RGB(0, 0, 128));
  };
  auto first = render();
  EXPECT_EQ(first, render());
  // Only text-coloured pixels and white: no grey anti-aliasing.
  Canvas c(60, 20);
  HFONT f = Arial(-13);
  HGDIOBJ old = SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0, 0, 128));
  TextOutW(c.dc, 2, 2, u"Abc", 3);
  int ink = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF p = c.at(x, y);
      EXPECT_TRUE(p == kWhite || p == RGB(0, 0, 128));
      ink += p != kWhite;
    }
  EXPECT_GT(ink, 20);
  RECT box = c.InkBox(kWhite);
  EXPECT_GE(box.left, 2);
  EXPECT_GE(box.top, 2);
  SelectObject(c.dc, old);
  DeleteObject(f);
}

TEST(Text, OpaqueBackgroundAndClippedExtTextOut) {
  Canvas c(40, 20);
  HFONT f = Arial(-11);
  HGDIOBJ old = SelectObject(c.dc, f);
  SetBkColor(c.dc, RGB(0, 200, 0));
  SetBkMode(c.dc, OPAQUE);
  SIZE size;
  GetTextExtentPoint32W(c.dc, u"Wide text", 9, &size);
  TextOutW(c.dc, 0, 0, u"Wide text", 9);
  RECT bg = c.InkBox(kWhite);
  EXPECT_EQ(bg.left, 0);
  EXPECT_EQ(bg.top, 0);
  EXPECT_EQ(bg.right, std::min<LONG>(size.cx, 40));
  EXPECT_EQ(bg.bottom, size.cy);

  Canvas d(40, 20);
  SelectObject(d.dc, f);
  SetBkMode(d.dc, TRANSPARENT);
  RECT clip{0, 0, 8, 20};
  ExtTextOutW(d.dc, 0, 0, ETO_CLIPPED, &clip, u"Wide text", 9, nullptr);
  RECT ink = d.InkBox(kWhite);
  EXPECT_GT(ink.right, 0);
  EXPECT_LE(ink.right, 8);
  SelectObject(c.dc, old);
  SelectObject(d.dc, old);
  DeleteObject(f);
}

TEST(Text, DrawTextCalcRect) {
  Canvas c(10, 10);
  HFONT f = Arial(-11);
  HGDIOBJ old = SelectObject(c.dc, f);
  TEXTMETRICW tm;
  GetTextMetricsW(c.dc, &tm);
  SIZE word;
  GetTextExtentPoint32W(c.dc, u"alpha", 5, &word);

  RECT r{5, 7, 1000, 1000};
  EXPECT_EQ(DrawTextW(c.dc, u"alpha", -1, &r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 5 + word.cx);
  EXPECT_EQ(r.bottom, 7 + tm.tmHeight);

  // Word breaks: three words in a box one word wide give three lines, the widest sets right.
  RECT w{0, 0, word.cx + 2, 0};
  EXPECT_EQ(DrawTextW(c.dc, u"alpha alpha alpha", -1, &w, DT_CALCRECT | DT_WORDBREAK), 3 * tm.tmHeight);
  EXPECT_EQ(w.right, word.cx);
  // Line breaks count without DT_WORDBREAK; not with DT_SINGLELINE.
  RECT lines{0, 0, 1000, 0};
  EXPECT_EQ(DrawTextW(c.dc, u"a\r\nb\nc", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
  RECT one{0, 0, 1000, 0};
  EXPECT_EQ(DrawTextW(c.dc, u"a\r\nb\nc", -1, &one, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);

  // Prefixes: "&&" is one '&', "&x" is x; DT_NOPREFIX measures the text as it is.
  SIZE amp, plain;
  GetTextExtentPoint32W(c.dc, u"A&B", 3, &amp);
  GetTextExtentPoint32W(c.dc, u"AB", 2, &plain);
  RECT p1{0, 0, 1000, 0}, p2{0, 0, 1000, 0}, p3{0, 0, 1000, 0};
  DrawTextW(c.dc, u"A&&B", -1, &p1, DT_CALCRECT | DT_SINGLELINE);
  DrawTextW(c.dc, u"&AB", -1, &p2, DT_CALCRECT | DT_SINGLELINE);
  DrawTextW(c.dc, u"A&B", -1, &p3, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(p1.right, amp.cx);
  EXPECT_EQ(p2.right, plain.cx);
  EXPECT_EQ(p3.right, amp.cx);
  SelectObject(c.dc, old);
  DeleteObject(f);
}

TEST(Text, DrawTextPlacesAndClips) {
  HFONT f = Arial(-11);
  SIZE size;
  TEXTMETRICW tm;
  {
    Canvas m(1, 1);
    HGDIOBJ old = SelectObject(m.dc, f);
    GetTextExtentPoint32W(m.dc, u"Mid", 3, &size);
    GetTextMetricsW(m.dc, &tm);
    SelectObject(m.dc, old);
  }
  struct Case {
    const char* name;
    UINT format;
    RECT rect;
    LONG left, top;  // expected top-left of the opaque text cell
  };
  const Case cases[] = {
      {"left top", DT_SINGLELINE, {10, 10, 90, 50}, 10, 10},
      {"centre", DT_SINGLELINE | DT_CENTER | DT_VCENTER, {10, 10, 90, 50}, (10 + 90 - size.cx) / 2,
       (10 + 50 - tm.tmHeight) / 2},
      {"right bottom", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, {10, 10, 90, 50}, 90 - size.cx, 50 - tm.tmHeight},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Canvas c(100, 60);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, RGB(0, 200, 0));
    RECT r = k.rect;
    DrawTextW(c.dc, u"Mid", -1, &r, k.format);
    RECT ink = c.InkBox(kWhite);
    EXPECT_EQ(ink.left, k.left);
    EXPECT_EQ(ink.top, k.top);
    EXPECT_EQ(ink.right - ink.left, size.cx);
    EXPECT_EQ(ink.bottom - ink.top, tm.tmHeight);
    SelectObject(c.dc, old);
  }
  // Clipped to the rectangle unless DT_NOCLIP.
  for (UINT noclip : {0u, static_cast<UINT>(DT_NOCLIP)}) {
    Canvas c(100, 30);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 6, 30};
    DrawTextW(c.dc, u"Wide words here", -1, &r, DT_SINGLELINE | noclip);
    if (noclip)
      EXPECT_GT(c.InkBox(kWhite).right, 6);
    else
      EXPECT_LE(c.InkBox(kWhite).right, 6);
    SelectObject(c.dc, old);
  }
  DeleteObject(f);
}

TEST(Text, WordEllipsisFitsTheRectangle) {
  Canvas c(200, 30);
  HFONT f = Arial(-11);
  HGDIOBJ old = SelectObject(c.dc, f);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(0, 200, 0));
  RECT r{0, 0, 50, 30};
  DrawTextW(c.dc, u"A rather long caption for a small box", -1, &r, DT_SINGLELINE | DT_WORD_ELLIPSIS | DT_NOCLIP);
  RECT ink = c.InkBox(kWhite);
  EXPECT_GT(ink.right, 30);
  EXPECT_LE(ink.right, 50);
  SelectObject(c.dc, old);
  DeleteObject(f);
}

TEST(Text, StockFontsDescribeThemselves) {
  LOGFONTW lf{};
  ASSERT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"System");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  LOGFONTA la{};
  ASSERT_GT(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(la), &la), 0);
  EXPECT_STREQ(la.lfFaceName, "MS Shell Dlg");
  EXPECT_EQ(la.lfHeight, -11);
  // Text draws with the stock font when none is selected.
  Canvas c(40, 20);
  SetBkMode(c.dc, TRANSPARENT);
  TextOutA(c.dc, 0, 0, "Hi", 2);
  EXPECT_GT(c.InkBox(kWhite).right, 0);
}

}  // namespace
