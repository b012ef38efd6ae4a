// Quillon: the installer's utility library. Line-oriented reading of text files (FormatIn),
// writing of text files (Report), a stable text hash (GetUniqueID), the fatal stop (Halt) and
// small folder helpers. Paths are 8-bit (Windows-1252) Windows paths.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/types.h"

#if defined(__GNUC__)
#define QUILLON_API __attribute__((visibility("default")))
#define QUILLON_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILLON_API
#define QUILLON_PRINTF(f, a)
#endif

// Results of FormatIn::Readln besides a line (1): a line beginning with the block-end character
// was reached (it is consumed), or the file has no more lines. Readln never returns 0, so a
// reader that takes "0 or more" as a line sees the same lines as one that takes "1".
#define QUILLON_BLOCK_END (-1)
#define QUILLON_END_OF_FILE (-2)

// Reads a text file by lines. The whole file is read when the object is built; the file is
// closed at once. Lines whose first non-blank character is the comment character and lines that
// hold only blanks are never returned. LF, CR LF and a lone CR each end a line; a UTF-8
// byte-order mark at the start is skipped.
class QUILLON_API FormatIn {
 public:
  // A file that cannot be opened stops the program through Halt.
  FormatIn(const char* path, unsigned char mode, char comment, char blockEnd, int lineSize);
  ~FormatIn();
  FormatIn(const FormatIn&) = delete;
  FormatIn& operator=(const FormatIn&) = delete;

  // 1: lines come back without leading and trailing blanks (blank, tab).
  void SetMarginsSpaceDelete(int on);

  // The next line into buffer (cut to size - 1 characters): 1; QUILLON_BLOCK_END or
  // QUILLON_END_OF_FILE otherwise.
  int Readln(char* buffer, int size);
  // Up to count integers of the next line (separated by blanks, tabs or commas; reading stops
  // at the first token that is no number); returns how many were read, or QUILLON_BLOCK_END /
  // QUILLON_END_OF_FILE when no line is left. With the count check on, a line holding fewer
  // than count numbers stops the program through Halt.
  int Readln(int* values, int count);
  int Readln(unsigned long* values, int count);

  void CheckOff() { check_ = false; }
  void CheckOn() { check_ = true; }

  // Finds the first line equal to text (both without surrounding blanks), searching from the
  // top of the file when fromStart is non-zero, else from the current line; ignoreCase non-zero
  // compares without regard to ASCII case. Found: the reader stands after it and 1 is returned;
  // otherwise 0 and the reader stays where it was.
  int SearchString(const char* text, int fromStart, int ignoreCase);

  // Number of lines of the file, comments and blank lines included.
  int GetNumberLines(int unused) const;
  // True when the file holds a line that is neither blank nor a comment.
  bool HasContent() const;

  // Where the reader stands, to come back to it after looking ahead.
  size_t Position() const { return next_; }
  void SetPosition(size_t line) { next_ = line < lines_.size() ? line : lines_.size(); }

  const std::string& path() const { return path_; }

 private:
  // The next returned line, or a negative status.
  int NextLine(std::string& line);

  std::string path_;
  std::vector<std::string> lines_;
  size_t next_ = 0;
  char comment_;
  char blockEnd_;
  int lineSize_;
  bool trim_ = false;
  bool check_ = true;
};

// Writes a text file. Mode as for fopen: "w"/"wt" create or replace the file, "a"/"at" append
// to it; without 'b' every "\n" is written as CR LF (text mode). A replaced file is written to
// a temporary file beside it and renamed over the old one when the report is completed, so an
// interruption leaves the old content or the new one. A file that cannot be created stops the
// program through Halt.
class QUILLON_API Report {
 public:
  Report(const char* path, const char* mode);
  ~Report();  // completes the file (Close)
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // Appends printf-formatted text; returns the number of characters formatted.
  int Write(const char* format, ...) QUILLON_PRINTF(2, 3);
  // Completes the file; false when writing or renaming failed. Further calls do nothing.
  bool Close();

 private:
  std::string path_;
  std::string writePath_;
  FILE* file_ = nullptr;
  bool text_ = true;
  bool replace_ = true;
  bool failed_ = false;
};

// A 32-bit number computed from the bytes of text: the same text gives the same number in every
// run and on every machine.
QUILLON_API LONG GetUniqueID(const char* text);

// Shows the printf-formatted message and ends the program. Never returns.
[[noreturn]] QUILLON_API void Halt(const char* format, ...) QUILLON_PRINTF(1, 2);

// Trims leading and trailing blanks (blank, tab, CR, LF) in place.
QUILLON_API void DeleteMarginsBlanks(char* text);

// The running program's folder, without a trailing backslash.
QUILLON_API const char* GetModuleFolder();
// Creates the folder with every missing folder above it; true when it exists afterwards.
QUILLON_API bool MakeDir(const char* path);
QUILLON_API bool IsDirectoryExist(const char* path);
// Makes the folder the current folder; true on success.
QUILLON_API bool ChangeDir(const char* path);

namespace quillon {

// Where Halt's text goes. The handler receives the formatted text; when it returns, Halt ends
// the process with exit code 1. The default writes the text to standard error. A window-based
// program installs a message box here; tests install a handler that throws.
using HaltHandler = std::function<void(const std::string& text)>;
QUILLON_API void SetHaltHandler(HaltHandler handler);  // empty: back to the default

// Replaces the folder GetModuleFolder reports (a test runs the installer "from" a plug-in
// folder). An empty text goes back to the running program's folder.
QUILLON_API void SetModuleFolder(const std::string& folder);

}  // namespace quillon
