// Print jobs: header and footer codes, pages, margins and the spool folder.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "browser/dom.h"
#include "browser/print.h"
#include "process/clock.h"
#include "test_support.h"

using nux::browser::Document;
using nux::browser::Ref;
namespace b = nux::browser;

namespace {

TEST(PrintCodes, ExpandIntoLeftCentreAndRightParts) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  const std::u16string today = nux::FromUtf8(std::to_string(st.wMonth) + "/" + std::to_string(st.wDay) + "/" +
                                             std::to_string(st.wYear));
  struct Case {
    const char16_t* codes;
    const char16_t *left, *centre, *right;
  } cases[] = {
      {u"&w&b &p / &P", u"Title", u"", u" 2 / 7"},
      {u"&u&b&d", u"file:///C:/a.htm", u"", today.c_str()},
      {u"&b&b&p / &P", u"", u"", u"2 / 7"},  // an empty title: the numbers stay right
      {u"a&bb&bc&bd", u"a", u"b", u"cd"},
      {u"50&& more &x", u"50& more &x", u"", u""},
      {u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    b::HeaderParts p = b::ExpandPrintCodes(c.codes, u"Title", u"file:///C:/a.htm", 2, 7);
    EXPECT_EQ(p.left, c.left) << nux::ToUtf8(c.codes);
    EXPECT_EQ(p.centre, c.centre) << nux::ToUtf8(c.codes);
    EXPECT_EQ(p.right, c.right) << nux::ToUtf8(c.codes);
  }
}

TEST(PrintJobs, AreWrittenIntoTheSpoolFolderPageByPage) {
  nuxtest::ScopedPlatformRoot root;
  EXPECT_TRUE(b::SpoolJobs().empty());
  std::u16string body;
  for (int i = 1; i <= 70; ++i) body += u"<p>Line " + nux::FromUtf8(std::to_string(i)) + u"</p>";
  Ref<Document> doc = Document::ParseHtml(u"<title>Andromeda</title>" + body, u"file:///C:/HTML/print.htm");
  b::PageSetup setup{u"&w&b &p / &P", u"&u&b&d", u"0.98425", u"0.3937", u"0.3937", u"0.3937"};
  b::PrintJob job;
  ASSERT_TRUE(b::PrintDocument(*doc, setup, &job));
  EXPECT_EQ(job.pages, 2);  // (11 - 0.79) * 6 - 2 = 59 lines a page
  ASSERT_EQ(b::SpoolJobs(), std::vector<std::string>{job.path});
  std::string text = nuxtest::ReadFile(job.path);
  EXPECT_NE(text.find("Title: Andromeda\nAddress: file:///C:/HTML/print.htm\n"), std::string::npos);
  EXPECT_NE(text.find("Margins: left=0.98425 top=0.3937 right=0.3937 bottom=0.3937\nPages: 2\n"), std::string::npos);
  EXPECT_NE(text.find("=== Page 1 ===\n[H] Andromeda |  |  1 / 2\nLine 1\nLine 2\n"), std::string::npos);
  EXPECT_NE(text.find("Line 59\n[F] file:///C:/HTML/print.htm |  | "), std::string::npos);
  EXPECT_NE(text.find("=== Page 2 ===\n[H] Andromeda |  |  2 / 2\nLine 60\n"), std::string::npos);

  ASSERT_TRUE(b::PrintDocument(*Document::CreateBlank(), b::PageSetup{}, &job));
  EXPECT_EQ(job.pages, 1);  // an empty document still prints a page
  // Long lines wrap at blanks within the width between the margins ((8.5 - 1.5) * 12 = 84).
  std::u16string words;
  for (int i = 0; i < 30; ++i) words += u"galaxy ";
  ASSERT_TRUE(b::PrintDocument(*Document::ParseHtml(words, u"about:blank"), b::PageSetup{}, &job));
  text = nuxtest::ReadFile(job.path);
  size_t first = text.find("galaxy");
  size_t eol = text.find('\n', first);
  EXPECT_EQ(eol - first, 83u);  // eleven words and their blanks, the last blank dropped at the break
  EXPECT_EQ(b::SpoolJobs().size(), 3u);
  EXPECT_TRUE(b::SpoolJobs()[1].ends_with("/spool/job-0002.prn"));
}

}  // namespace
