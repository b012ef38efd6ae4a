#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "base/codepage.h"
#include "process/process.h"

namespace {

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

TEST(SplitCommandLine, SplitsAtBlanksAndQuotes) {
  const struct {
    const char16_t* line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"\"C:\\Program Files\\Host.exe\" -x", {u"C:\\Program Files\\Host.exe", u"-x"}},
      {u"  host.exe   a  b  ", {u"host.exe", u"a", u"b"}},
      {u"a\tb c", {u"a\tb", u"c"}},  // only the blank separates
      {u"\"a\"b", {u"a", u"b"}},
      {u"\"\" x", {u"", u"x"}},
      {u"x \"open ended", {u"x", u"open ended"}},
      {u"", {}},
      {u"   ", {}},
      {u"1 2 3 4 5 6 7 8 9 10", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8"}},  // eight slots
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(nux::ToUtf8(c.line));
    CCommandLineArgs args;
    args.m_strArg[7] = u"stale";
    args.m_nCount = 5;
    SplitCommandLine(c.line, args);
    ASSERT_EQ(args.m_nCount, int(c.args.size()));
    for (int i = 0; i < CCommandLineArgs::kMaxArgs; ++i) {
      EXPECT_EQ(S(args.m_strArg[i]), i < args.m_nCount ? c.args[size_t(i)] : u"") << i;
    }
  }
}

TEST(SplitCommandLine, ReadsTheProcessCommandLine) {
  nux::process::SetCommandLine(u"\"C:\\Prog\\Host.exe\" -x");
  CCommandLineArgs args;
  SplitCommandLine(args);
  ASSERT_EQ(args.m_nCount, 2);
  EXPECT_EQ(S(args.m_strArg[0]), u"C:\\Prog\\Host.exe");
  EXPECT_EQ(S(args.m_strArg[1]), u"-x");
}

}  // namespace
