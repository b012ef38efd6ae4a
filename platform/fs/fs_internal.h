// Helpers shared by the files of the fs area (not part of the platform's interface).
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/types.h"

namespace nux::fs::detail {

// A Windows path taken apart: an upper-case drive letter and the components below its root.
struct WinPath {
  char16_t drive = u'C';
  std::vector<std::u16string> components;
  bool trailingSeparator = false;  // the text ended in "\" or "/"

  std::u16string Text() const;  // "X:\a\b" (with a final "\" when trailingSeparator)
};

// Parses and normalises a Windows path against the current folder ("." and ".." resolved,
// trailing dots and blanks of components dropped). False with GetLastError set when the path
// cannot be made absolute (UNC paths: ERROR_BAD_PATHNAME; empty: ERROR_PATH_NOT_FOUND).
bool ParseWinPath(std::u16string_view text, WinPath& out);

// A Windows path mapped onto the disk.
struct Resolved {
  std::string linuxPath;              // the whole Linux path
  std::vector<std::string> onDisk;    // the Linux names of the components, as far as found
  size_t existing = 0;                // how many leading components exist on disk
  bool allExist() const { return existing == onDisk.size(); }
};

// Maps a parsed path: its drive to the drive folder, each component matched without regard to
// case when no exact match exists. False (ERROR_PATH_NOT_FOUND) for a drive that does not
// exist, ERROR_INVALID_NAME for a component with characters Windows does not allow; wildcards
// are allowed in the last component only when allowWildcards is set.
bool Resolve(const WinPath& path, Resolved& out, bool allowWildcards = false);

// Linux folder of a drive ("/" for Z:); empty when the drive does not exist.
std::string DriveFolder(char16_t drive);

// Windows' error for a path that is not there: ERROR_FILE_NOT_FOUND when its folder exists,
// else ERROR_PATH_NOT_FOUND.
DWORD MissingError(const std::string& linuxPath);

// errno -> Win32 error code, as the file functions report it.
DWORD ErrnoToWin32(int err);

// Win32 error code -> errno, as the C run-time maps it.
int Win32ToErrno(DWORD error);

// Case-insensitive comparison as the file system does it (A-Z and the Latin-1 letters).
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
char16_t FoldCase(char16_t c);

// FILETIME (100 ns since 1601) <-> Linux time.
FILETIME ToFileTime(const struct timespec& ts);
struct timespec FromFileTime(const FILETIME& ft);

// Windows attributes of a Linux file.
DWORD AttributesOf(const struct stat& st);

// Whether the owner may write: Windows' read-only attribute is the absence of this.
inline bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// Creates a folder and every missing level above it (Linux path); true when it exists after.
bool MakeLinuxDirs(const std::string& linuxPath);

// Windows folder (C:\windows) and system folder, created on demand.
std::u16string WindowsFolder();

}  // namespace nux::fs::detail
