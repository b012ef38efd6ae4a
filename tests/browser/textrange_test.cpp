// The rendered text model, text ranges (find, paste, move, compare) and the selection.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "browser/dom.h"
#include "browser/textmodel.h"

using nux::browser::Document;
using nux::browser::Element;
using nux::browser::Ref;
using nux::browser::TextRange;
using nux::browser::TextUnit;
namespace b = nux::browser;

namespace {

Ref<Document> Page(std::u16string_view body) {
  Ref<Document> doc = Document::CreateBlank(u"file:///C:/HTML/page.htm");
  doc->body()->SetInnerHTML(body);
  return doc;
}

TEST(TextModel, ShowsBlocksBreaksAndBlanksAsTheControlDoes) {
  struct Case {
    const char16_t* html;
    const char16_t* text;
  } cases[] = {
      {u"<P>a</P><P>b</P>", u"a\r\nb"},
      {u"  a  b\n\t c  ", u"a b c"},
      {u"a<BR>b", u"a\r\nb"},
      {u"x<BR><BR>y", u"x\r\n\r\ny"},
      {u"<P> lead</P> <P>trail </P>", u"lead\r\ntrail"},
      {u"a <BR> b", u"a\r\nb"},
      {u"<P>a</P><BR>b", u"a\r\n\r\nb"},
      {u"<PRE>a\n b  c</PRE>d", u"a\r\n b  c\r\nd"},
      {u"<SCRIPT>x</SCRIPT>t<STYLE>p{}</STYLE><!--c-->u", u"tu"},
      {u"a<B>b</B> <I> c</I>", u"ab c"},
      {u"<DIV><P>a</P></DIV><DIV>b</DIV>", u"a\r\nb"},
      {u"a&nbsp;&nbsp;b &amp; c", u"a\u00A0\u00A0b & c"},
      {u"<TABLE><TR><TD>1</TD><TD>2</TD></TR></TABLE>x", u"1\r\n2\r\nx"},
      {u"x<IMG src=a.gif>y", u"xy"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Page(c.html);
    EXPECT_EQ(doc->Text().text(), c.text) << nux::ToUtf8(c.html);
    EXPECT_EQ(doc->body()->InnerText(), c.text) << nux::ToUtf8(c.html);
  }
}

TEST(TextRanges, FindTextHonoursCaseWholeWordsDirectionAndCount) {
  Ref<Document> doc = Page(u"<P>Star stars STAR</P><P>upstar Star</P>");
  // text: "Star stars STAR\r\nupstar Star"
  struct Case {
    const char16_t* what;
    long count;
    long flags;
    long start;  // -1: not found
  } cases[] = {
      {u"star", 0x3FFFFFFF, 0, 0},
      {u"star", 0x3FFFFFFF, b::kFindMatchCase, 5},
      {u"STAR", 0x3FFFFFFF, b::kFindMatchCase | b::kFindWholeWord, 11},
      {u"star", 0x3FFFFFFF, b::kFindWholeWord | b::kFindMatchCase, -1},
      {u"star", -0x3FFFFFFF, 0, 24},
      {u"star", 0x3FFFFFFF, b::kFindBackward, 24},
      {u"star", -0x3FFFFFFF, b::kFindWholeWord, 24},
      {u"upstar", 0x3FFFFFFF, b::kFindWholeWord, 17},
      {u"STAR\r\nup", 0x3FFFFFFF, 0, 11},
      {u"stars", 4, 0, -1},  // the hit must end within the count
      {u"", 0x3FFFFFFF, 0, -1},
  };
  for (const Case& c : cases) {
    Ref<TextRange> r = doc->CreateRange();
    bool found = r->FindText(c.what, c.count, c.flags);
    EXPECT_EQ(found, c.start >= 0) << nux::ToUtf8(c.what) << " flags " << c.flags;
    if (found) {
      EXPECT_EQ(long(r->start()), c.start) << nux::ToUtf8(c.what);
      EXPECT_EQ(r->end() - r->start(), std::u16string_view(c.what).size());
    } else {
      EXPECT_EQ(r->start(), 0u);
      EXPECT_EQ(r->end(), doc->Text().length());
    }
  }
  // The usual loop finds every hit once.
  Ref<TextRange> r = doc->CreateRange();
  std::vector<size_t> hits;
  while (r->FindText(u"star")) {
    hits.push_back(r->start());
    r->Collapse(false);
  }
  EXPECT_EQ(hits, (std::vector<size_t>{0, 5, 11, 19, 24}));
  // count 0 searches only within the range.
  r = doc->CreateRange();
  r->Set(1, 9);
  EXPECT_TRUE(r->FindText(u"star", 0));
  EXPECT_EQ(r->start(), 5u);
  EXPECT_FALSE(r->FindText(u"STAR", 0, b::kFindMatchCase));
}

// The bookmark markers: "{" before and "}" after the selection, pasted through collapsed copies.
TEST(TextRanges, PasteAtBothEndsOfASelectionKeepsTheSelectionsEnd) {
  struct Case {
    const char16_t* html;
    const char16_t* select;
    const char16_t* result;
  } cases[] = {
      {u"<P>The quick brown fox</P>", u"quick brown", u"<P>The {quick brown} fox</P>"},
      {u"<P>The quick</P><P>brown fox</P>", u"quick\r\nbrown", u"<P>The {quick</P><P>brown} fox</P>"},
      {u"<P>a <A href=x.htm>link <B>text</B></A> b</P>", u"text", u"<P>a <A href=x.htm>link <B>{text}</B></A> b</P>"},
      {u"one<BR>two", u"one\r\ntwo", u"{one<BR>two}"},
      {u"x &amp; y", u"&", u"x {&amp;} y"},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Page(c.html);
    Ref<TextRange> find = doc->CreateRange();
    ASSERT_TRUE(find->FindText(c.select)) << nux::ToUtf8(c.select);
    find->Select();
    ASSERT_TRUE(doc->HasSelection());
    Ref<TextRange> sel = doc->Selection().Duplicate();
    Ref<TextRange> head = sel->Duplicate();
    head->Collapse(true);
    head->PasteHtml(u"{");
    Ref<TextRange> tail = sel->Duplicate();
    tail->Collapse(false);
    tail->PasteHtml(u"}");
    EXPECT_EQ(doc->body()->InnerHTML(), c.result) << nux::ToUtf8(c.select);
    EXPECT_EQ(sel->Text(), u"{" + std::u16string(c.select)) << "the range stays in front of the first marker";
  }
}

TEST(TextRanges, PasteOverARangeReplacesItsContents) {
  struct Case {
    const char16_t* html;
    size_t start, end;
    const char16_t* paste;
    const char16_t* result;
  } cases[] = {
      {u"<P>ab<B>cd</B>ef</P>", 1, 5, u"<I>X</I>", u"<P>a<I>X</I>f</P>"},
      {u"<P>abc</P><P>def</P>", 2, 7, u"-", u"<P>ab-</P><P>f</P>"},
      {u"abc", 0, 3, u"", u""},
      {u"abc", 3, 3, u"<BR>", u"abc<BR>"},
      {u"", 0, 0, u"new", u"new"},
  };
  for (const Case& c : cases) {
    Ref<Document> doc = Page(c.html);
    Ref<TextRange> r = doc->CreateRange();
    r->Set(c.start, c.end);
    r->PasteHtml(c.paste);
    EXPECT_EQ(doc->body()->InnerHTML(), c.result) << nux::ToUtf8(c.html);
    EXPECT_TRUE(r->collapsed());
  }
  // Ranges after the change move with the text; the range collapses after what it pasted.
  Ref<Document> doc = Page(u"<P>one two three</P>");
  Ref<TextRange> later = doc->CreateRange();
  ASSERT_TRUE(later->FindText(u"three"));
  Ref<TextRange> r = doc->CreateRange();
  ASSERT_TRUE(r->FindText(u"two"));
  r->PasteHtml(u"<B>2222</B>");
  EXPECT_EQ(later->Text(), u"three");
  EXPECT_EQ(r->start(), 8u);
  r->SetText(u"<x>\r\ny");
  EXPECT_EQ(doc->body()->InnerHTML(), u"<P>one <B>2222&lt;x&gt;<BR>y</B> three</P>");
}

TEST(TextRanges, MoveToElementTextTextAndHtmlText) {
  Ref<Document> doc = Page(u"<P>intro</P><P id=p>The <B>bold</B> word</P><P id=e></P>tail");
  Ref<TextRange> r = doc->CreateRange();
  ASSERT_TRUE(r->MoveToElementText(doc->GetElementById(u"p")));
  EXPECT_EQ(r->Text(), u"The bold word");
  EXPECT_EQ(r->HtmlText(), u"The <B>bold</B> word");
  EXPECT_EQ(r->ParentElement(), doc->GetElementById(u"p"));
  ASSERT_TRUE(r->FindText(u"he bo", 0));
  EXPECT_EQ(r->HtmlText(), u"he <B>bo</B>");
  EXPECT_EQ(r->ParentElement(), doc->GetElementById(u"p"));
  ASSERT_TRUE(r->MoveToElementText(doc->GetElementById(u"e")));
  EXPECT_TRUE(r->collapsed());
  Ref<Document> other = Page(u"x");
  EXPECT_FALSE(r->MoveToElementText(other->body()));
}

TEST(TextRanges, MoveByUnitsAndCompareEndPoints) {
  Ref<Document> doc = Page(u"alpha beta gamma");
  Ref<TextRange> r = doc->CreateRange();
  EXPECT_EQ(r->Move(TextUnit::Character, 3), 3);
  EXPECT_TRUE(r->collapsed());
  EXPECT_EQ(r->MoveEnd(TextUnit::Character, 100), 13);  // clamped at the end of the text
  EXPECT_EQ(r->Text(), u"ha beta gamma");
  EXPECT_EQ(r->MoveStart(TextUnit::Word, 1), 1);
  EXPECT_EQ(r->Text(), u"beta gamma");
  EXPECT_EQ(r->MoveEnd(TextUnit::Character, -20), -16);  // the start follows the end back
  EXPECT_EQ(r->start(), 0u);
  EXPECT_EQ(r->MoveEnd(TextUnit::TextEdit, 1), 1);
  EXPECT_EQ(r->Text(), u"alpha beta gamma");
  Ref<TextRange> w = doc->CreateRange();
  ASSERT_TRUE(w->FindText(u"beta"));
  EXPECT_EQ(r->CompareEndPoints(u"StartToStart", *w), -1);
  EXPECT_EQ(r->CompareEndPoints(u"EndToEnd", *w), 1);
  EXPECT_EQ(w->CompareEndPoints(u"StartToEnd", *w), -1);
  EXPECT_EQ(w->CompareEndPoints(u"EndToEnd", *w), 0);
  EXPECT_TRUE(r->InRange(*w));
  EXPECT_FALSE(w->InRange(*r));
  ASSERT_TRUE(r->SetEndPoint(u"EndToStart", *w));
  EXPECT_EQ(r->Text(), u"alpha ");
}

TEST(Selection, IsALiveRangeOfTheDocument) {
  Ref<Document> doc = Page(u"<P>pick me</P>");
  EXPECT_FALSE(doc->HasSelection());
  Ref<TextRange> r = doc->CreateRange();
  ASSERT_TRUE(r->FindText(u"me"));
  r->Select();
  EXPECT_TRUE(doc->HasSelection());
  EXPECT_EQ(doc->Selection().Text(), u"me");
  doc->ClearSelection();
  EXPECT_FALSE(doc->HasSelection());
  r->Select();
  doc->body()->SetInnerHTML(u"x");  // a new body: offsets are clamped to its text
  EXPECT_EQ(doc->Selection().Text(), u"");
  EXPECT_FALSE(doc->HasSelection());
  Ref<TextRange> orphan = doc->CreateRange();
  doc = Ref<Document>();
  EXPECT_EQ(orphan->document(), nullptr);
  EXPECT_EQ(orphan->Text(), u"");
  orphan->PasteHtml(u"x");  // harmless without a document
}

}  // namespace
