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
  int ReadLine(char* buffer, int size);
  // Rewinds and positions just after the first line equal to the key (whole line, case kept).
  bool FindLine(const char* key);
  // Reads the first integer of the next line: 1 read, 0 no integer, kBlockEnd, kEndOfFile.
  int ReadInt(int* value);

 private:
  bool NextContentLine();

  char* path_ = nullptr;
  FILE* file_ = nullptr;
  int skipCount_ = 0;
  char comment_ = '!';
  char blockEnd_ = '}';
  bool trim_ = true;
  char* line_ = nullptr;
  int lineSize_ = 4096;
};

// Removes leading and trailing white space in place.
void TrimLine(char* text);

// Reads a decimal integer at the start of the text the way "%d" does (leading blanks and a
// sign allowed, the rest ignored). False when there is none or it does not fit an int.
bool ScanDecimal(const char* text, int* value);
