// Small file helpers of the installer: whole text files as lines, whole-file replacement.
#pragma once

#include <string>
#include <vector>

// The file opens for reading (it is closed again at once).
bool IsFileReadable(const char* path);
// Every line of a text file (text mode: CR LF read as LF), each with its "\n" when it had one;
// false when the file cannot be read.
bool ReadTextLines(const char* path, std::vector<std::string>& lines);
// Writes text (LF line ends) in text mode to a temporary file beside path and renames it over
// path; false when it cannot be written.
bool ReplaceTextFile(const char* path, const std::string& text);
// Replaces every line whose start reads as the integer number ("%d") with newLine.
void ReplaceNumberedLine(std::vector<std::string>& lines, int number, const std::string& newLine);
