// One update run: the update list is fetched, the section for the host's version and edition
// chosen, the user asked when so configured, and the listed files downloaded and started.
#pragma once

#include <string>
#include <vector>

#include "Sv7Platform.h"

class HttpConnection;

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
  // Line 8: seconds one transfer may take in all; line 9: seconds a transfer may go without
  // receiving anything before it is ended. Missing, not a number or not positive: the default.
  long timeLimit = kDefaultTimeLimit;
  long stallLimit = kDefaultStallLimit;

  static constexpr long kDefaultTimeLimit = 30 * 60;
  static constexpr long kDefaultStallLimit = 60;
};

// Downloads as HttpConnection::Download does, showing the application's wait cursor while the
// transfer runs and putting the previous cursor back afterwards (also when the call throws).
bool DownloadWithWaitCursor(HttpConnection& http, char* outPath, const char* url, HWND window,
                            const char* savedName = nullptr);

// Starts the program hidden (its path is the program and the whole command line, quoted so that
// blanks never split it) and waits until it has ended; false when it could not be started.
bool RunHiddenAndWait(const char* path);

// The file URLs of the list's section for the host; false when the host can't be read, the
// section is missing or the list URL has no "/". Each name is percent-encoded in its URL;
// names, when given, receives the list's names in the same order. A section holding a line
// too long to be read whole is refused as a whole (false, nothing collected).
bool CollectUpdateFiles(const char* listFile, const UpdateJob& job, std::vector<std::string>& urls,
                        std::vector<std::string>* names = nullptr);

// True when the file begins with "MZ".
bool IsWindowsExecutable(const char* path);

// Counts the conversions of a printf format meant for int arguments: false when it holds any
// other conversion (strings, pointers, "%n", length modifiers, "*" widths) or ends inside one.
bool CountIntConversions(const char* format, int* count);

// True when the update list's file name may be fetched and saved: no backslash, drive colon,
// control character or ".." part, and a file name after its last "/".
bool IsSafeUpdateFileName(const char* name);

// The progress bar position for a progress message; false, leaving the bar as it is, when the
// expected total is not positive. Sizes are 64-bit; the position stays in the bar's range.
bool ProgressPosition(int low, int high, WPARAM received, LPARAM expected, int* position);
