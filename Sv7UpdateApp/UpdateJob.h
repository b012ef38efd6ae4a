// One update run: the update list is fetched, the section for the host's version and edition
// chosen, the user asked when so configured, and the listed files downloaded and started.
#pragma once

#include <string>
#include <vector>

#include "Sv7Platform.h"

class UpdateJob {
 public:
  explicit UpdateJob(const std::string& jobString);

  // Reads "Starvane7updater.ini" from the current folder; false when it can't be opened.
  bool LoadUpdaterIni();
  // True when the job ran to its end or the user answered No; false at a failure.
  bool Run(HWND dialog);

  std::string jobString;         // the host executable's path
  std::string url;               // line 1: the update list's URL
  std::string promptFormat;      // line 2
  std::string promptCaption;     // line 3
  std::string sectionKeyFormat;  // line 4
  BYTE runAndWait = 0;           // line 6
  BYTE askFirst = 0;             // line 7
};

// Starts the program hidden (its path is the program and the whole command line, quoted so that
// blanks never split it) and waits until it has ended; false when it could not be started.
bool RunHiddenAndWait(const char* path);

// The file URLs of the list's section for the host; false when the host can't be read, the
// section is missing or the list URL has no "/".
bool CollectUpdateFiles(const char* listFile, const UpdateJob& job, std::vector<std::string>& urls);

// True when the file begins with "MZ".
bool IsWindowsExecutable(const char* path);

// Counts the conversions of a printf format meant for int arguments: false when it holds any
// other conversion (strings, pointers, "%n", length modifiers, "*" widths) or ends inside one.
bool CountIntConversions(const char* format, int* count);

// True when the update list's file name may be fetched and saved: no backslash, drive colon,
// control character or ".." part, and a file name after its last "/".
bool IsSafeUpdateFileName(const char* name);

// The progress bar position for a progress message; false, leaving the bar as it is, when the
// expected total is not positive.
bool ProgressPosition(int low, int high, WPARAM received, LPARAM expected, int* position);
