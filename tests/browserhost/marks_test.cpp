// The text operations of the page marks: search hits, bookmark marks, removing search marks
// and keeping links whole.
#include <gtest/gtest.h>

#include "NUXBrowser.h"
#include "base/codepage.h"

namespace {

std::string U8(const CString& s) { return nux::ToUtf8(std::u16string_view(s.GetString(), size_t(s.GetLength()))); }

CString Marked(const char16_t* text) {
  CString s(text);
  s.Replace(u"[", BROWSER_SEARCH_START);
  s.Replace(u"]", BROWSER_SEARCH_END);
  return s;
}

TEST(SearchMarks, HitsInTextAreMarkedAndNowhereElse) {
  struct Case {
    const char16_t* text;
    std::vector<const char16_t*> terms;
    const char16_t* expected;  // [ and ] stand for the search mark's start and end
  } cases[] = {
      // Any case, no word boundaries.
      {u"Sun sunny SUNDAY", {u"sun"}, u"[Sun] [sun]ny [SUN]DAY"},
      // Not inside a tag's attributes, nor across markup.
      {u"<A href=\"sun.htm\" class=sun>Sun</A>", {u"sun"}, u"<A href=\"sun.htm\" class=sun>[Sun]</A>"},
      {u"<B>su</B>n", {u"sun"}, u"<B>su</B>n"},
      // Not inside character references; a whole reference inside the hit is fine.
      {u"R&amp;D amp &nbsp;nbsp", {u"amp", u"nbsp"}, u"R&amp;D [amp] &nbsp;[nbsp]"},
      // A word holding a character the markup writes as a reference finds it as written.
      {u"AT&amp;T at&amp;t AT&T", {u"AT&T"}, u"[AT&amp;T] [at&amp;t] AT&T"},
      {u"a&lt;b&nbsp;c", {u"a<b\u00A0c"}, u"[a&lt;b&nbsp;c]"},
      // Empty terms are skipped.
      {u"a star", {u"", u"star"}, u"a [star]"},
      // Every letter has its cases, and "ß" is "ss": the hit keeps the page's own spelling.
      {u"Strasse Straße STRASSE", {u"Strasse"}, u"[Strasse] [Straße] [STRASSE]"},
      {u"Strasse Straße", {u"Straße"}, u"[Strasse] [Straße]"},
      {u"Ärger ärger ÄRGER Arger", {u"ärger"}, u"[Ärger] [ärger] [ÄRGER] Arger"},
      {u"die größe Größe", {u"GRÖSSE"}, u"die [größe] [Größe]"},
      {u"Öl, Œuvre, Ελλάδα, ΕΛΛΆΔΑ", {u"öl", u"œuvre", u"ελλάδα"}, u"[Öl], [Œuvre], [Ελλάδα], [ΕΛΛΆΔΑ]"},
      // A hit must take whole characters of the page: half of an "ß" is no "s".
      {u"Straße", {u"s"}, u"[S]traße"},
      // A term met again (in any case or spelling) is not marked twice.
      {u"Fuss Fuß", {u"Fuss", u"Fuß", u"FUSS"}, u"[Fuss] [Fuß]"},
      // The first term leaves no whole second term; earlier marks are never marked again.
      {u"stars", {u"star", u"stars"}, u"[star]s"},
      // A later term may lie inside an earlier one's mark, but never across its ends.
      {u"stars star", {u"stars", u"star"}, u"[[star]s] [star]"},
      {u"a stars b", {u"tars", u"star"}, u"a s[tars] b"},
      {u"starstar", {u"star", u"rst"}, u"[star][star]"},
      {u"x search", {u"x", u"search"}, u"[x] [search]"},
  };
  for (const Case& c : cases) {
    CString text(c.text);
    CStringArray terms;
    for (auto t : c.terms) terms.Add(t);
    CNUXBrowser::MarkSearchHits(text, terms);
    EXPECT_EQ(U8(text), U8(Marked(c.expected))) << U8(CString(c.text));
  }
}

// Only rendered text is marked: a mark in a script or a style sheet would break it, and in a
// title, an edit, a list box or a picture it would show as text or break out of the element.
TEST(SearchMarks, NeverInTextThatIsNoRenderedMarkup) {
  const char16_t* pages[] = {
      u"<SCRIPT>var star = '<b>star</b>';</SCRIPT>",
      u"<STYLE>.star > p { color: red } /* star */</STYLE>",
      u"<TITLE>star</TITLE><TEXTAREA>a star\n</TEXTAREA>",
      u"<XMP><b>star</b></XMP><IFRAME>star</IFRAME><NOEMBED>star</NOEMBED><NOFRAMES>star</NOFRAMES>",
      u"<SELECT><OPTION>star</OPTION><OPTGROUP label=star><OPTION>star</OPTION></OPTGROUP></SELECT>",
      u"<SVG><TEXT>star<TSPAN>star</TSPAN></TEXT><SVG>star</SVG>star</SVG><MATH><MI>star</MI></MATH>",
      u"<TEMPLATE><P>star</P></TEMPLATE><!-- star <b> star --><!DOCTYPE star>",
      u"<A title=\"a < star > b\" name='<star>'>x</A><IMG alt=\"star>\">",
      u"<PLAINTEXT>star <P>star</P>",
  };
  for (const char16_t* page : pages) {
    CString text(page);
    CStringArray terms;
    terms.Add(u"star");
    EXPECT_EQ(CNUXBrowser::MarkSearchHits(text, terms), 0) << U8(CString(page));
    EXPECT_EQ(U8(text), U8(CString(page)));
  }
  // Around those elements the text is marked, in any case of their names.
  CString text(u"star<script>star</script>star<Style>star</Style><select><option>star</select>star"
               u"<svg><svg>x</svg>star</svg>star");
  CStringArray terms;
  terms.Add(u"star");
  EXPECT_EQ(CNUXBrowser::MarkSearchHits(text, terms), 4);
  EXPECT_EQ(U8(text), U8(Marked(u"[star]<script>star</script>[star]<Style>star</Style><select><option>star</select>[star]"
                                u"<svg><svg>x</svg>star</svg>[star]")));
}

TEST(SearchMarks, RemovingGivesTheCleanTextBackAndStopsAtIncompleteMarkup) {
  CString text(u"<P>Sun and <B>sun</B>ny</P><SPAN class=x>y</SPAN>");
  const CString clean = text;
  CStringArray terms;
  terms.Add(u"sun");
  EXPECT_EQ(CNUXBrowser::MarkSearchHits(text, terms), 2);
  CNUXBrowser::RemoveSearchMarks(text);
  EXPECT_EQ(U8(text), U8(clean));
  // A mark without its end: the text stays as it is from there on.
  CString broken = Marked(u"[a] [b");
  CNUXBrowser::RemoveSearchMarks(broken);
  EXPECT_EQ(U8(broken), U8(CString(u"a ") + BROWSER_SEARCH_START + u"b"));
  CString nested = Marked(u"[[a]] b");
  CNUXBrowser::RemoveSearchMarks(nested);
  EXPECT_EQ(U8(nested), "a b");
  CString lower(u"<span CLASS=search id=SEARCH>a</span>");
  CNUXBrowser::RemoveSearchMarks(lower);
  EXPECT_EQ(U8(lower), "a");
}

TEST(BookmarkMarks, InsertedAtTheirCleanPositions) {
  const CString clean(u"0123456789");
  CString one = clean;
  CNUXBrowser::InsertBookmarkMark(one, 2, 5, 3, 17);
  EXPECT_EQ(U8(one), "01<SPAN class=Bookmark3><A name=Bookmark17></A><IMG SRC='BM3.bmp'>234</SPAN>56789");
  // Several marks in descending start order, as one by one: one ending where the next
  // starts, and one past the end of the text (appended).
  CString many = clean;
  CNUXBrowser::InsertBookmarkMarks(many, {{30, 40, 1, 3}, {6, 8, 2, 2}, {2, 6, 1, 1}});
  CString stepwise = clean;
  CNUXBrowser::InsertBookmarkMark(stepwise, 30, 40, 1, 3);
  CNUXBrowser::InsertBookmarkMark(stepwise, 6, 8, 2, 2);
  CNUXBrowser::InsertBookmarkMark(stepwise, 2, 6, 1, 1);
  EXPECT_EQ(U8(many), U8(stepwise));
  EXPECT_EQ(U8(many),
            "01<SPAN class=Bookmark1><A name=Bookmark1></A><IMG SRC='BM1.bmp'>2345</SPAN>"
            "<SPAN class=Bookmark2><A name=Bookmark2></A><IMG SRC='BM2.bmp'>67</SPAN>89"
            "<SPAN class=Bookmark1><A name=Bookmark3></A><IMG SRC='BM1.bmp'></SPAN>");
}

TEST(BookmarkMarks, RangesAreWidenedOverLinks) {
  const CString text(u"ab <A href=x>link</A> cd <ABBR>e</ABBR> <a name=n>f</a> gh");
  //                   0123456789012345678901234567890123456789012345678901234567
  struct Case {
    long start, end, wantStart, wantEnd;
  } cases[] = {
      {14, 23, 3, 23},   // starts inside the link's text: from its <A
      {0, 16, 0, 21},    // ends inside the link: to just past its </A>
      {22, 40, 22, 40},  // no link in the range; ABBR is none
      {0, 30, 0, 30},    // a whole link inside stays as it is
      {15, 18, 3, 21},   // wholly inside a link's text: the whole link
      {0, 5, 0, 21},     // ends inside the start tag
  };
  for (const Case& c : cases) {
    long s = c.start, e = c.end;
    CNUXBrowser::WidenRangeOverLinks(text, s, e);
    EXPECT_EQ(s, c.wantStart) << c.start << "-" << c.end;
    EXPECT_EQ(e, c.wantEnd) << c.start << "-" << c.end;
  }
}

}  // namespace
