#include "CommandLine.h"

#include "process/process.h"

void SplitCommandLine(CCommandLineArgs& args) { SplitCommandLine(GetCommandLineW(), args); }

void SplitCommandLine(LPCWSTR commandLine, CCommandLineArgs& args) {
  args.m_nCount = 0;
  for (CString& slot : args.m_strArg) slot.Empty();

  CString rest(commandLine != nullptr ? commandLine : u"");
  for (;;) {
    rest.Trim();
    if (rest.IsEmpty()) break;
    CString argument;
    if (rest[0] == u'"') {
      const int close = rest.Find(u'"', 1);
      if (close < 0) {
        argument = rest.Mid(1);  // no closing quote: the rest of the line
        rest.Empty();
      } else {
        argument = rest.Mid(1, close - 1);
        rest = rest.Mid(close + 1);
      }
    } else {
      const int blank = rest.Find(u' ', 1);
      if (blank < 0) {
        argument = rest;
        rest.Empty();
      } else {
        argument = rest.Left(blank);
        rest = rest.Mid(blank);
      }
    }
    if (args.m_nCount < CCommandLineArgs::kMaxArgs) args.m_strArg[args.m_nCount++] = argument;
  }
}
