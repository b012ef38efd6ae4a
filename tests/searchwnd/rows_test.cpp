// The row classes drawn into a memory device context: columns, colours by state and
// language, icons by template code, heights, and a measuring pass that paints nothing.
#include "DictLangItem.h"
#include "DictLangItem2.h"
#include "DictLangItem3.h"
#include "DictListItem.h"
#include "SearchListItem.h"
#include "gdi/surface.h"
#include "searchwnd_fixture.h"

namespace swtest {
namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

// A 640 x 120 memory context filled with the sentinel colour.
class Canvas {
 public:
  Canvas() {
    CClientDC screen(nullptr);
    dc.CreateCompatibleDC(&screen);
    bitmap.CreateCompatibleBitmap(&screen, 640, 120);
    old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 640, 120, kSentinel);
  }
  ~Canvas() { dc.SelectObject(old); }
  COLORREF At(int x, int y) { return dc.GetPixel(x, y); }
  bool Untouched() {
    for (int y = 0; y < 120; y += 3) {
      for (int x = 0; x < 640; x += 3) {
        if (dc.GetPixel(x, y) != kSentinel) return false;
      }
    }
    return true;
  }

  CDC dc;
  CBitmap bitmap;
  CBitmap* old = nullptr;
};

TEST(RowClasses, SearchIconsFollowTheTemplateCode) {
  const std::pair<const char16_t*, UINT> cases[] = {
      {u"DICT", 181}, {u"DCTB", 181}, {u"DC", 181}, {u"PGAL", 182}, {u"PGGG", 182}, {u"RECB", 183},
      {u"RBPG", 183}, {u"HLPW", 207}, {u"HLPS", 207}, {u"ENC", 215},  {u"ASO", 215},  {u"XYZ", 0},
      {u"", 0},       {u"D", 0},      {u"ENCX", 0},
  };
  for (const auto& [code, icon] : cases) EXPECT_EQ(CSearchListItem::IconOfTemplate(code), icon) << U8(code);
}

TEST(RowClasses, DictionaryRowsLightTheirLanguagesColumn) {
  const CRuntimeClass* classes[3] = {RUNTIME_CLASS(CDictLangItem), RUNTIME_CLASS(CDictLangItem2),
                                     RUNTIME_CLASS(CDictLangItem3)};
  const COLORREF base[3] = {RGB(0x8C, 0x8F, 0x9E), RGB(0xA5, 0xA6, 0xAA), RGB(0xA5, 0xA6, 0xAA)};
  const COLORREF light[3] = {RGB(0x98, 0x9B, 0xA8), RGB(0xA2, 0xA9, 0xB7), RGB(0xAF, 0xB7, 0xC6)};
  const int columnX[3] = {100, 300, 500};  // inside English, German, French of a row at x 10
  for (int language = 0; language < 3; ++language) {
    for (int state = 0; state < 3; ++state) {
      std::unique_ptr<CObject> object(const_cast<CRuntimeClass*>(classes[language])->CreateObject());
      auto* row = dynamic_cast<CDictLangItem*>(object.get());
      ASSERT_NE(row, nullptr);
      Canvas canvas;
      row->Draw(&canvas.dc, CRect(10, 10, 630, 60), FALSE, state);
      for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(canvas.At(columnX[column], 12), column == language ? light[state] : base[state])
            << "language " << language << " state " << state << " column " << column;
      }
      // The dividers, one pixel left of the German and the French column.
      EXPECT_EQ(canvas.At(10 + 196 - 1, 30), RGB(0xBB, 0xBF, 0xB8));
      EXPECT_EQ(canvas.At(10 + 393 - 1, 30), RGB(0xBB, 0xBF, 0xB8));
      EXPECT_EQ(canvas.At(9, 30), kSentinel);
      if (state == 0) {
        Canvas odd;
        row->Draw(&odd.dc, CRect(10, 10, 630, 60), FALSE, 7);
        EXPECT_EQ(odd.At(columnX[language], 12), light[0]) << "an unknown state paints as normal";
      }
      EXPECT_EQ(canvas.At(630, 30), kSentinel);
    }
  }
}

TEST(RowClasses, DictionaryRowIsAsHighAsItsHighestTextAndMeasuringPaintsNothing) {
  CDictLangItem row;
  Canvas canvas;
  row.m_strEnglish = row.m_strGerman = row.m_strFrench = u"Stern";
  const int line = row.Draw(&canvas.dc, CRect(0, 0, 620, 8), TRUE, 0);
  EXPECT_TRUE(canvas.Untouched());
  EXPECT_GT(line, 6);

  // A long text wraps in its column, and the row grows with it, whichever column holds it.
  const CString longText = u"ein Stichwort, lang genug, um in seiner schmalen Spalte über mehrere Zeilen zu laufen";
  canvas.dc.SetTextColor(RGB(9, 9, 9));
  CString* columns[3] = {&row.m_strEnglish, &row.m_strGerman, &row.m_strFrench};
  for (CString* column : columns) {
    row.m_strEnglish = row.m_strGerman = row.m_strFrench = u"Stern";
    *column = longText;
    EXPECT_GT(row.Draw(&canvas.dc, CRect(0, 0, 620, 8), TRUE, 2), line);
  }
  EXPECT_EQ(canvas.dc.GetTextColor(), RGB(9, 9, 9)) << "no colour chosen while measuring";
  EXPECT_TRUE(canvas.Untouched());
}

TEST(RowClasses, DarkRowsPaintTheirStateColours) {
  // A state the rows do not know paints as the normal row.
  const std::pair<int, COLORREF> states[] = {{0, RGB(0x32, 0x34, 0x3C)}, {1, RGB(0x62, 0x62, 0x62)},
                                             {2, RGB(0x44, 0x44, 0x44)}, {3, RGB(0x32, 0x34, 0x3C)},
                                             {-1, RGB(0x32, 0x34, 0x3C)}};
  for (const auto& [state, back] : states) {
    CSearchListItem search;
    CDictListItem panel;
    search.m_strText = panel.m_strText = u"Title";
    CListWndItem* rows[2] = {&search, &panel};
    for (CListWndItem* row : rows) {
      Canvas canvas;
      const int measured = row->Draw(&canvas.dc, CRect(20, 30, 300, 38), TRUE, state);
      EXPECT_TRUE(canvas.Untouched());
      const int painted = row->Draw(&canvas.dc, CRect(20, 30, 300, 30 + measured), FALSE, state);
      EXPECT_EQ(painted, measured);
      EXPECT_EQ(canvas.At(20, 30), back) << state;
      EXPECT_EQ(canvas.At(299, 30 + measured - 1), back) << state;
      EXPECT_EQ(canvas.At(19, 30), kSentinel);
      EXPECT_EQ(canvas.At(300, 30), kSentinel);
      EXPECT_EQ(canvas.At(20, 30 + measured), kSentinel);
    }
  }
}

}  // namespace
}  // namespace swtest
