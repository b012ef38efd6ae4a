// Splits the process's command line into at most eight arguments.
#pragma once

#include "mfc/cstring.h"

struct CCommandLineArgs {
  static const int kMaxArgs = 8;
  CString m_strArg[kMaxArgs];  // the arguments, "" in the slots not filled
  int m_nCount = 0;            // number of slots filled
};

// Fills the record from GetCommandLineW.
void SplitCommandLine(CCommandLineArgs& args);

// Fills the record from the given command line. Arguments are separated by blanks only (a tab
// inside a word stays part of it); a double-quoted argument runs to the next double quote, or to
// the end of the text when there is none. Arguments after the eighth are dropped.
void SplitCommandLine(LPCWSTR commandLine, CCommandLineArgs& args);
