// Small file helpers of the installer: whole text files as lines, whole-file replacement.
#pragma once

#include <string>
#include <vector>

// The file opens for reading (it is closed again at once).
bool IsFileReadable(const char* path);
// Every line of a text file, read as the bytes it holds: LF, CR LF and a lone CR each end a line
// and come back as "\n" (a line without an end keeps none); false when the file cannot be read.
bool ReadTextLines(const char* path, std::vector<std::string>& lines);
// Writes text with each "\n" as CR LF, every other byte as it is, to a temporary file beside path
// and renames it over path; false when it cannot be written.
bool ReplaceTextFile(const char* path, const std::string& text);
// Replaces every line whose start reads as the integer number ("%d") with newLine.
void ReplaceNumberedLine(std::vector<std::string>& lines, int number, const std::string& newLine);

// True when relative, taken below some folder, names a path inside that folder: not empty, not
// absolute, no drive or stream colon, no ".." part, no empty part, no character a file name
// can't hold, no part ending in a dot or blank, and no device name (CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, with or without an extension). "/" counts as a backslash.
bool IsConfinedName(const std::string& relative);

// Deletes what an interrupted run left in the folder of path: the copy's temporary files
// (".nuxcopy-*") and the rewrite's temporary file of path itself (path + ".~new").
void RemoveLeftoversBeside(const std::string& path);
