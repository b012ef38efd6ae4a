// The document model: parsing, serialisation of innerHTML, look-ups, attributes and addresses.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "browser/dom.h"
#include "browser/textmodel.h"
#include "browser/url.h"
#include "test_support.h"

using nux::browser::Document;
using nux::browser::Element;
using nux::browser::Ref;

namespace {

Ref<Document> Page(std::u16string_view body, std::u16string url = u"file:///C:/Program%20Files/Sv/HTML/page.htm") {
  Ref<Document> doc = Document::ParseHtml(u"<html><head><title>T</title></head><body></body></html>", std::move(url));
  doc->body()->SetInnerHTML(body);
  return doc;
}

std::string Fixture(const char* name) { return nuxtest::ReadFile(nuxtest::SourceDir() + "/fixtures/" + name); }

TEST(Serialisation, WritesTheControlsForm) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"<p>Hello</p>", u"<P>Hello</P>"},
      {u"<a href=\"x.htm\">x</a>", u"<A href=x.htm>x</A>"},
      {u"<a HREF=\"my file.htm\" target=_top>y</a>", u"<A HREF=\"my file.htm\" target=_top>y</A>"},
      {u"<img src='BM3.bmp'>", u"<IMG src=BM3.bmp>"},
      {u"<SPAN class=Search ID=Search>star</SPAN>", u"<SPAN class=Search ID=Search>star</SPAN>"},
      {u"<SPAN class=Bookmark3><A name=Bookmark17></A><IMG SRC='BM3.bmp'>t</SPAN>",
       u"<SPAN class=Bookmark3><A name=Bookmark17></A><IMG SRC=BM3.bmp>t</SPAN>"},
      {u"a &amp; b &lt;c&gt; d&nbsp;e \"q\"", u"a &amp; b &lt;c&gt; d&nbsp;e \"q\""},
      {u"x<br>y<br/>z", u"x<BR>y<BR>z"},
      {u"<input type=checkbox checked name=\"\">", u"<INPUT type=checkbox checked name>"},
      {u"<div title='a\"b &amp; c'>d</div>", u"<DIV title=\"a&quot;b &amp; c\">d</DIV>"},
      {u"<!-- note -->", u"<!-- note -->"},
      {u"<script>if (a<b && c>d) x();</script>", u"<SCRIPT>if (a<b && c>d) x();</SCRIPT>"},
      {u"<pre>\n\nline</pre>", u"<PRE>\n\nline</PRE>"},
      {u"<table><tr><td width=100%>1</td></tr></table>",
       u"<TABLE><TBODY><TR><TD width=\"100%\">1</TD></TR></TBODY></TABLE>"},
      {u"<p>one<p>two", u"<P>one</P><P>two</P>"},
      {u"<b><i>x</b>y</i>", u"<B><I>x</I></B><I>y</I>"},
      {u"<font color=#ff0000>r</font>", u"<FONT color=\"#ff0000\">r</FONT>"},
      {u"Stra\u00DFe \u00E4 &euro;", u"Stra\u00DFe \u00E4 \u20AC"},
      {u"<custom-tag data-x=1>t</custom-tag>", u"<CUSTOM-TAG data-x=1>t</CUSTOM-TAG>"},
      {u"{<a href=\"SVID,12\">x</a>}", u"{<A href=\"SVID,12\">x</A>}"},
      // The text at the end of a form stays in it; "</form>" in comments and scripts is text.
      {u"<form>x <b>y</b> z</FORM >w", u"<FORM>x <B>y</B> z</FORM>w"},
      {u"<!-- </form> --><script>'</form>'</script><textarea></form></textarea>",
       u"<!-- </form> --><SCRIPT>'</form>'</SCRIPT><TEXTAREA>&lt;/form&gt;</TEXTAREA>"},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Page(c.in);
    EXPECT_EQ(doc->body()->InnerHTML(), c.out) << nux::ToUtf8(c.in);
  }
}

// Writing the markup back and reading it again gives the same text, over whole pages.
TEST(Serialisation, IsIdempotentOverSamplePages) {
  for (const char* name : {"reference.htm", "messy.htm", "template.htm"}) {
    Ref<Document> doc = Document::Parse(Fixture(name), u"file:///C:/x.htm");
    ASSERT_TRUE(doc->body()) << name;
    std::u16string first = doc->body()->InnerHTML();
    ASSERT_FALSE(first.empty() && std::string(name) != "template.htm") << name;
    doc->body()->SetInnerHTML(first);
    std::u16string second = doc->body()->InnerHTML();
    EXPECT_EQ(first, second) << name;
    doc->body()->SetInnerHTML(second);
    EXPECT_EQ(doc->body()->InnerHTML(), second) << name;
    // The whole document too.
    Ref<Document> again = Document::ParseHtml(doc->documentElement()->OuterHTML(), u"about:blank");
    EXPECT_EQ(again->documentElement()->OuterHTML(), doc->documentElement()->OuterHTML()) << name;
  }
}

// Writing the markup back gives the same markup, whatever the page held: set(get()) is the
// identity, so offsets into the markup (bookmark positions) survive every write-back.
TEST(Serialisation, IsAFixedPointOfTheParser) {
  struct Case {
    const char16_t* in;
    const char16_t* first;  // the first reading, where it matters; null: only the fixed point
  } cases[] = {
      // Character references of every kind.
      {u"&amp; &lt; &gt; &quot; &apos; &nbsp; &copy; &#65; &#x41; &#X42; &#9; &#10; &notin; &not &ampx &bogus; &#;",
       u"&amp; &lt; &gt; \" ' &nbsp; \u00A9 A A B \t \n \u2209 \u00AC &amp;x &amp;bogus; &amp;#;"},
      {u"&#0; &#x80; &#xD800; &#x1F600; &#x110000;", u"\uFFFD \u20AC \uFFFD \U0001F600 \uFFFD"},
      // A carriage return from a reference stays one, in text and in attribute values; raw ones
      // (and CR LF) are line feeds.
      {u"a&#13;\r\nb\rc&#13;&#10;d", u"a&#13;\nb\nc&#13;\nd"},
      {u"<div title=\"x&#13;y\r\nz\">t</div>", u"<DIV title=\"x&#13;y\nz\">t</DIV>"},
      {u"<pre>&#13;\nx</pre>", u"<PRE>&#13;\nx</PRE>"},
      {u"<textarea>&#13;a</textarea>", u"<TEXTAREA>&#13;a</TEXTAREA>"},
      // A table in a paragraph (this page has no doctype: quirks mode keeps it inside).
      {u"<P>a<TABLE><TR><TD>x</TD></TR></TABLE>c</P>", u"<P>a<TABLE><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>c</P>"},
      {u"<table>x<tr><td>y</td></tr></table>", u"x<TABLE><TBODY><TR><TD>y</TD></TR></TBODY></TABLE>"},
      // Forms in tables and tables in forms.
      {u"<table><form><tr><td>x</td></tr></form></table>", nullptr},
      {u"<table><tr><td><form>a</form>b</td></tr></table>", nullptr},
      {u"<form><table><tr><td>a</td></tr></table>b</form>c", nullptr},
      {u"<form>a<form>b</form>c</form>d", nullptr},
      // "</form" in attribute values, comments and raw text is no end tag and is kept as written.
      {u"<form>x <a title=\"a</form>b\" name='c</form>'>y</a> z</form>w",
       u"<FORM>x <A title=\"a</form>b\" name=\"c</form>\">y</A> z</FORM>w"},
      {u"<form><input value=\"</form>\">q</form>", u"<FORM><INPUT value=\"</form>\">q</FORM>"},
      // Comments, doctypes and processing instructions.
      {u"<!-- a -- b --><!----><!---><!-->x<?xml v?><!DOCTYPE html>y", nullptr},
      // Raw text and RCDATA.
      {u"<script>a<b && '</p>'</script><style>p>q{}</style><xmp><b>x</xmp>", nullptr},
      {u"<title>a&lt;b &amp;</title><textarea>\n\nx&amp;</textarea><iframe><p>x</iframe>", nullptr},
      {u"<noscript><b>x</b></noscript><noembed><i></noembed><noframes>&amp;</noframes>", nullptr},
      {u"<pre>\nx</pre><listing>\n\ny</listing>", u"<PRE>x</PRE><LISTING>\n\ny</LISTING>"},
      // PLAINTEXT takes the rest of the page, also what looks like its end tag.
      {u"a<plaintext>b</plaintext><p>c", u"a<PLAINTEXT>b</plaintext><p>c"},
      {u"<div><b><plaintext>x&amp;</div>", u"<DIV><B><PLAINTEXT>x&amp;</div>"},
      // Foreign content, lists and options.
      {u"<svg viewBox='0 0 1 1'><circle r=1/><text>a<b>c</b></text></svg><math><mi>x</mi></math>", nullptr},
      {u"<select><option>a<b>c</option><optgroup><option>d</select>", nullptr},
      {u"<ul><li>a<li>b</ul><dl><dt>c<dd>d</dl>", nullptr},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Page(c.in);
    const std::u16string first = doc->body()->InnerHTML();
    if (c.first != nullptr) {
      EXPECT_EQ(first, c.first) << nux::ToUtf8(c.in);
    }
    doc->body()->SetInnerHTML(first);
    const std::u16string second = doc->body()->InnerHTML();
    EXPECT_EQ(second, first) << nux::ToUtf8(c.in);
    doc->body()->SetInnerHTML(second);
    EXPECT_EQ(doc->body()->InnerHTML(), first) << nux::ToUtf8(c.in);
  }
}

// Markup is parsed in the mode of the document it goes into, the same way every time.
TEST(Parsing, FragmentsFollowTheirDocumentsModeDeterministically) {
  const std::u16string_view in = u"<P>a<TABLE><TR><TD>x</TD></TR></TABLE>c</P>";
  struct Case {
    const char16_t* page;
    int mode;
    const char16_t* body;
  } cases[] = {
      {u"<html><body></body></html>", 1, u"<P>a<TABLE><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>c</P>"},
      {u"<!DOCTYPE html><body></body>", 0, u"<P>a</P><TABLE><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>c<P></P>"},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Document::ParseHtml(c.page, u"about:blank");
    EXPECT_EQ(doc->quirksMode(), c.mode) << nux::ToUtf8(c.page);
    for (int run = 0; run < 20; ++run) {
      doc->body()->SetInnerHTML(in);
      ASSERT_EQ(doc->body()->InnerHTML(), c.body) << nux::ToUtf8(c.page) << " run " << run;
    }
    // The same page parsed whole gives the same tree as its body set as markup.
    std::u16string whole(c.page);
    whole.insert(whole.find(u"</body>"), in);
    EXPECT_EQ(Document::ParseHtml(whole, u"about:blank")->body()->InnerHTML(), c.body) << nux::ToUtf8(c.page);
  }
}

// Marks put into the markup at character positions come back where they were put: cut out of
// the serialisation again, they leave the same text, at the same positions. Positions are
// taken in text between tags, outside links and character references, around markup whose
// elements are whole (a mark across an element's boundary is restructured by the parser).
bool WholeElements(std::u16string_view s) {
  std::vector<std::u16string> open;
  for (size_t i = s.find(u'<'); i != std::u16string_view::npos; i = s.find(u'<', i + 1)) {
    size_t j = i + 1;
    bool closing = j < s.size() && s[j] == u'/';
    if (closing) ++j;
    size_t k = j;
    while (k < s.size() && s[k] != u' ' && s[k] != u'>') ++k;
    std::u16string tag(s.substr(j, k - j));
    if (tag.starts_with(u"!--")) continue;
    if (closing) {
      if (open.empty() || open.back() != tag) return false;
      open.pop_back();
    } else if (tag != u"IMG" && tag != u"BR" && tag != u"INPUT" && tag != u"HR") {
      open.push_back(tag);
    }
  }
  return open.empty();
}

TEST(Serialisation, MarksPutAtOffsetsReadBackAtTheSameOffsets) {
  for (const char* name : {"reference.htm", "messy.htm"}) {
    Ref<Document> doc = Document::Parse(Fixture(name), u"file:///C:/x.htm");
    const std::u16string clean = doc->body()->InnerHTML();
    // Candidate positions: in text, not inside a tag, an entity, a link or raw text.
    std::vector<size_t> spots;
    bool inTag = false, inEntity = false;
    int inLink = 0, inRaw = 0;
    for (size_t i = 0; i < clean.size(); ++i) {
      char16_t c = clean[i];
      if (c == u'<') {
        inTag = true;
        std::u16string_view rest = std::u16string_view(clean).substr(i);
        if (rest.starts_with(u"<A ") || rest.starts_with(u"<A>")) ++inLink;
        if (rest.starts_with(u"</A>")) --inLink;
        for (const char16_t* raw : {u"<SCRIPT", u"<STYLE", u"<TEXTAREA", u"<PRE", u"<SVG", u"<SELECT", u"<TITLE"})
          if (rest.starts_with(raw)) ++inRaw;
        for (const char16_t* raw : {u"</SCRIPT", u"</STYLE", u"</TEXTAREA", u"</PRE", u"</SVG", u"</SELECT", u"</TITLE"})
          if (rest.starts_with(raw)) --inRaw;
      }
      if (c == u'&') inEntity = true;
      if (!inTag && !inEntity && !inLink && !inRaw && i > 0 && clean[i - 1] != u'>' && c != u'<') spots.push_back(i);
      if (c == u'>') inTag = false;
      if (c == u';' || c == u' ') inEntity = false;
    }
    ASSERT_GT(spots.size(), 40u) << name;
    int tried = 0;
    for (size_t k = 0; k + 7 < spots.size(); k += 5) {
      size_t start = spots[k], end = spots[k + 3 + k % 4];
      std::u16string_view inside = std::u16string_view(clean).substr(start, end - start);
      // Another span inside would take the mark's end (the read-back pairs the first end tag).
      if (!WholeElements(inside) || inside.find(u"<SPAN") != std::u16string_view::npos) continue;
      ++tried;
      std::u16string marked = clean;
      marked.insert(end, u"</SPAN>");
      marked.insert(start, u"<SPAN class=Bookmark6><A name=Bookmark99></A><IMG SRC='BM6.bmp'>");
      doc->body()->SetInnerHTML(marked);
      std::u16string back = doc->body()->InnerHTML();
      size_t p = back.find(u"<SPAN class=Bookmark6>");
      ASSERT_NE(p, std::u16string::npos) << name;
      size_t close = back.find(u'>', back.find(u"</A>", p) + 5);
      back.erase(p, close + 1 - p);
      size_t e = back.find(u"</SPAN>", p);
      ASSERT_NE(e, std::u16string::npos) << name;
      back.erase(e, 7);
      EXPECT_EQ(p, start) << name;
      EXPECT_EQ(back, clean) << name << " at " << start;
      if (back != clean) break;
      EXPECT_EQ(e, end) << name;
    }
    EXPECT_GT(tried, 10) << name;
    doc->body()->SetInnerHTML(clean);
  }
}

TEST(Parsing, DecodesUtf8AndWindows1252) {
  struct Case {
    std::string bytes;
    const char16_t* body;
  } cases[] = {
      {"<p>Stra\xC3\x9F" "e</p>", u"<P>Stra\u00DFe</P>"},                               // valid UTF-8
      {"\xEF\xBB\xBF<p>\xC3\xA4</p>", u"<P>\u00E4</P>"},                                 // byte-order mark
      {"<p>Stra\xDF" "e \x80</p>", u"<P>Stra\u00DFe \u20AC</P>"},                        // not UTF-8: ANSI
      {"<meta charset=windows-1252><p>\xC3\xA4</p>", u"<P>\u00C3\u00A4</P>"},            // the meta tag decides
      {"<meta http-equiv=Content-Type content='text/html; charset=utf-8'><p>\xE2\x82\xAC</p>", u"<P>\u20AC</P>"},
      {std::string("\xFF\xFE<\0p\0>\0\xE4\0", 10), u"<P>\u00E4</P>"},                     // UTF-16 with a mark
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Document::Parse(c.bytes, u"about:blank");
    std::u16string html = doc->body()->InnerHTML();
    EXPECT_EQ(html, c.body) << c.bytes;
  }
}

TEST(Parsing, LoadsAFileByItsWindowsPathAndKnowsItsAddress) {
  nuxtest::ScopedPlatformRoot root;
  root.Write("drive_c/Program Files/Sv/HTML/Tpl One.htm", Fixture("reference.htm"));
  Ref<Document> doc = Document::LoadFile(u"C:\\Program Files\\Sv\\HTML\\Tpl One.htm");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->url(), u"file:///C:/Program%20Files/Sv/HTML/Tpl%20One.htm");
  EXPECT_EQ(doc->title(), u"Andromeda Galaxy");
  EXPECT_FALSE(Document::LoadFile(u"C:\\missing.htm"));
  EXPECT_FALSE(Document::LoadFile(u"C:\\Program Files"));  // a folder is no document
}

TEST(Lookups, FindElementsByIdNameTagAndInCollections) {
  Ref<Document> doc = Document::Parse(Fixture("reference.htm"), u"file:///C:/x.htm");
  doc->body()->InsertAdjacentHTML(nux::browser::Adjacent::BeforeEnd,
                                  u"<a id=last>l</a><span name=top>not an anchor</span>");
  ASSERT_TRUE(doc->GetElementById(u"last"));
  EXPECT_EQ(doc->GetElementById(u"last")->InnerText(), u"l");
  EXPECT_EQ(doc->GetElementById(u"LAST"), nullptr);  // ids keep their case
  EXPECT_EQ(doc->GetElementsByName(u"top").size(), 2u);
  EXPECT_EQ(doc->GetElementsByTagName(u"td").size(), 6u);
  EXPECT_EQ(doc->GetElementsByTagName(u"TR").size(), 3u);
  auto anchors = doc->Anchors();
  ASSERT_EQ(anchors.size(), 2u);
  EXPECT_EQ(anchors[0]->name(), u"top");
  EXPECT_EQ(anchors[1]->id(), u"last");
  EXPECT_EQ(doc->Links().size(), 4u);
  auto all = doc->All();
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(all[0]->tagName(), u"HTML");
  EXPECT_EQ(all[1]->tagName(), u"HEAD");
  EXPECT_EQ(doc->GetElementsByTagName(u"*").size(), all.size());
}

TEST(Elements, AttributesKeepTheirPlaceAndSpelling) {
  Ref<Document> doc = Page(u"<a HREF=x.htm Target=main class=L>t</a>");
  Element* a = doc->body()->Children()[0];
  EXPECT_EQ(a->GetAttribute(u"href"), u"x.htm");
  EXPECT_EQ(a->FindAttribute(u"href", true), nullptr);
  a->SetAttribute(u"target", u"ENGINE");
  a->SetAttribute(u"title", u"a b");
  EXPECT_EQ(a->OuterHTML(), u"<A HREF=x.htm Target=ENGINE class=L title=\"a b\">t</A>");
  EXPECT_TRUE(a->RemoveAttribute(u"CLASS"));
  EXPECT_FALSE(a->RemoveAttribute(u"class"));
  EXPECT_EQ(a->className(), u"");
  EXPECT_EQ(a->parentElement(), doc->body());
}

TEST(Elements, InnerHtmlSetParsesInContextAndOuterAndAdjacentEdits) {
  Ref<Document> doc = Page(u"<table id=t><tr><td>1</td></tr></table><p id=p>x</p>");
  Element* tbody = doc->GetElementById(u"t")->Children()[0];
  tbody->SetInnerHTML(u"<tr><td>a</td><td>b</td></tr>");  // rows stay rows in a table body
  EXPECT_EQ(tbody->InnerHTML(), u"<TR><TD>a</TD><TD>b</TD></TR>");
  Element* p = doc->GetElementById(u"p");
  ASSERT_TRUE(p->InsertAdjacentHTML(nux::browser::Adjacent::AfterBegin, u"<b>1</b>"));
  ASSERT_TRUE(p->InsertAdjacentHTML(nux::browser::Adjacent::BeforeBegin, u"<hr>"));
  ASSERT_TRUE(p->InsertAdjacentHTML(nux::browser::Adjacent::AfterEnd, u"!"));
  EXPECT_TRUE(doc->body()->InnerHTML().ends_with(u"<HR><P id=p><B>1</B>x</P>!"));
  Ref<Element> keep(p);
  ASSERT_TRUE(p->SetOuterHTML(u"<i>gone</i>"));
  EXPECT_TRUE(doc->body()->InnerHTML().ends_with(u"<HR><I>gone</I>!"));
  EXPECT_EQ(keep->ownerDocument(), nullptr);  // the replaced element lives on outside the tree
  EXPECT_EQ(keep->parentElement(), nullptr);
  p = doc->body()->Children().back();
  p->SetInnerText(u"a<b\r\nc");
  EXPECT_EQ(p->InnerHTML(), u"a&lt;b<BR>c");
}

TEST(Elements, SurviveTheirDocumentAndDeepNesting) {
  Ref<Element> kept;
  {
    std::u16string deep;
    for (int i = 0; i < 20000; ++i) deep += u"<span>";
    Ref<Document> doc = Page(deep + u"x");
    kept = doc->body()->Children()[0];
    EXPECT_EQ(doc->body()->InnerHTML().size(), 20000u * 13 + 1);
  }
  EXPECT_EQ(kept->ownerDocument(), nullptr);
  EXPECT_EQ(kept->tagName(), u"SPAN");
}

TEST(Addresses, ResolveLinksAgainstTheDocument) {
  const std::u16string base = u"file:///C:/Program%20Files/Sv/HTML/page.htm";
  struct Case {
    const char16_t* href;
    const char16_t* resolved;
  } cases[] = {
      {u"other.htm", u"file:///C:/Program%20Files/Sv/HTML/other.htm"},
      {u"other.htm#Bookmark17", u"file:///C:/Program%20Files/Sv/HTML/other.htm#Bookmark17"},
      {u"SVID,10023", u"file:///C:/Program%20Files/Sv/HTML/SVID,10023"},
      {u"#top", u"file:///C:/Program%20Files/Sv/HTML/page.htm#top"},
      {u"../../pages/m32.htm", u"file:///C:/Program%20Files/pages/m32.htm"},
      {u"../../../../x.htm", u"file:///C:/x.htm"},
      {u"sub\\my page.htm", u"file:///C:/Program%20Files/Sv/HTML/sub/my%20page.htm"},
      {u"/root.htm", u"file:///C:/root.htm"},
      {u"mailto:info@example.com", u"mailto:info@example.com"},
      {u"http://www.example.com/a b/", u"http://www.example.com/a b/"},
      {u"D:\\Data\\x y.htm", u"file:///D:/Data/x%20y.htm"},
      {u"", u"file:///C:/Program%20Files/Sv/HTML/page.htm"},
  };
  for (const Case& c : cases) EXPECT_EQ(nux::browser::ResolveUrl(base, c.href), c.resolved) << nux::ToUtf8(c.href);
  EXPECT_EQ(nux::browser::ResolveUrl(u"about:blank", u"x.htm"), u"x.htm");
  EXPECT_EQ(nux::browser::FileUrlFromPath(u"C:\\Program Files\\a.htm"), u"file:///C:/Program%20Files/a.htm");
  EXPECT_EQ(nux::browser::PathFromFileUrl(u"file:///C:/Program%20Files/a.htm#x"), u"C:\\Program Files\\a.htm");
  EXPECT_EQ(nux::browser::PathFromFileUrl(u"about:blank"), u"");
}

TEST(Scrolling, ScrollIntoViewKeepsTheTargetAndItsLine) {
  Ref<Document> doc = Page(u"<p>one</p><p>two</p><p>three<br><a name=x>four</a></p>");
  doc->ScrollTo(-5, 40);
  EXPECT_EQ(doc->scrollX(), 0);
  EXPECT_EQ(doc->scrollY(), 40);
  Element* a = doc->Anchors()[0];
  a->ScrollIntoView(true);
  EXPECT_EQ(doc->scrollTarget(), a);
  EXPECT_EQ(doc->scrollY(), 3 * Document::kLineHeight);
  doc->ScrollTo(0, 0);
  EXPECT_EQ(doc->scrollTarget(), nullptr);
}

}  // namespace
