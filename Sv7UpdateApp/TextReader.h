// The line reader behind every text file of the update program: comment and blank lines are
// skipped, lines are trimmed, and a line beginning with the block-end character closes a block.
#pragma once

#include <cstdio>

class TextReader {
 public:
  static constexpr int kEndOfFile = -1;
  static constexpr int kBlockEnd = -2;

  TextReader();
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Opens the file (a Windows path); an open file is closed first.
  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Copies the next line (at most size - 1 bytes, terminated) into the buffer. Returns its
  // length, kBlockEnd for a block-end line (copied all the same), kEndOfFile at the end.
  // A line ends at LF, CR LF or a lone CR. A line longer than the reader's line buffer is
  // read to its end and returned as one line, cut to what fits; it is never split in two.
  int ReadLine(char* buffer, int size);
  // True when the line the last ReadLine returned was longer than what it copied (cut by the
  // caller's buffer or the reader's line buffer): readers that must not act on part of a line
  // reject it.
  bool LastLineCut() const { return lastCut_; }
  // Rewinds and positions just after the first line equal to the key (whole line, case kept).
  // A line too long for the line buffer never matches.
  bool FindLine(const char* key);
  // Reads the first integer of the next line: 1 read, 0 no integer, kBlockEnd, kEndOfFile.
  int ReadInt(int* value);

 private:
  bool NextContentLine();
  // Reads one physical line (without its line end) into the line buffer; false at the end.
  bool ReadPhysicalLine();

  char* path_ = nullptr;
  FILE* file_ = nullptr;
  int skipCount_ = 0;
  char comment_ = '!';
  char blockEnd_ = '}';
  bool trim_ = true;
  char* line_ = nullptr;
  int lineSize_ = 4096;
  bool atStart_ = true;     // nothing read yet: a UTF-8 byte-order mark is skipped
  bool physicalCut_ = false;  // the physical line held more text than the line buffer
  bool lastCut_ = false;
};

// Removes leading and trailing white space in place.
void TrimLine(char* text);

// Reads a decimal integer at the start of the text the way "%d" does (leading blanks and a
// sign allowed, the rest ignored). False when there is none or it does not fit an int.
bool ScanDecimal(const char* text, int* value);
