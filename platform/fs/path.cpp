// Windows paths on the Linux file system: drive mapping, normalisation, case-insensitive
// lookup, the current folder and the folder queries.
#include "fs/path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <mutex>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs_internal.h"
#include "fs/root.h"

namespace nux::fs {
namespace detail {
namespace {

bool IsSep(char16_t c) { return c == u'\\' || c == u'/'; }
bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// ---- the current folder -----------------------------------------------------------
// Kept as a Windows path; dropped when the platform root changes.
struct CurrentFolder {
  std::mutex mutex;
  bool valid = false;
  unsigned generation = 0;
  std::u16string path;  // "X:\..." without a trailing "\" (except for a drive root)
};

CurrentFolder& Current() {
  static CurrentFolder* current = new CurrentFolder;  // never destroyed: used at exit too
  return *current;
}

std::u16string InitialCurrentFolder() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer)) {
    std::u16string win = ToWindowsPath(buffer);
    if (!win.empty()) return win;
  }
  // The working folder is gone (a removed test root): start at the root of C:.
  const std::string c = DriveFolder(u'C');
  if (!c.empty() && ::chdir(c.c_str()) != 0) {
    // Nothing more to do: Linux-relative calls then see the old (missing) folder.
  }
  return u"C:\\";
}

std::u16string CurrentFolderPath() {
  CurrentFolder& cur = Current();
  std::lock_guard<std::mutex> lock(cur.mutex);
  const unsigned gen = PlatformRootGeneration();
  if (!cur.valid || cur.generation != gen) {
    cur.path = InitialCurrentFolder();
    cur.generation = gen;
    cur.valid = true;
  }
  return cur.path;
}

void SetCurrentFolderPath(const std::u16string& path) {
  CurrentFolder& cur = Current();
  std::lock_guard<std::mutex> lock(cur.mutex);
  cur.path = path;
  cur.generation = PlatformRootGeneration();
  cur.valid = true;
}

// Drives tests have marked as another type.
std::mutex g_driveTypeMutex;
std::map<char16_t, UINT> g_driveTypes;

UINT MarkedDriveType(char16_t drive) {
  std::lock_guard<std::mutex> lock(g_driveTypeMutex);
  auto it = g_driveTypes.find(drive);
  return it == g_driveTypes.end() ? DRIVE_UNKNOWN : it->second;
}

// Adds the components of a relative text to a path: "." stays, ".." goes up (never above the
// root), trailing dots and blanks of a name are dropped, as Windows drops them.
void Append(std::vector<std::u16string>& components, std::u16string_view rest) {
  size_t i = 0;
  while (i < rest.size()) {
    size_t j = i;
    while (j < rest.size() && !IsSep(rest[j])) ++j;
    std::u16string part(rest.substr(i, j - i));
    i = j + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!components.empty()) components.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
    if (part.empty()) continue;
    components.push_back(std::move(part));
  }
}

bool ParseAbsoluteText(std::u16string_view text, WinPath& out) {
  // text is "X:\..." here.
  out.drive = UpperAscii(text[0]);
  out.components.clear();
  Append(out.components, text.substr(2));
  return true;
}

bool ValidName(std::u16string_view name, bool allowWildcards) {
  for (char16_t c : name) {
    if (c < 0x20) return false;
    switch (c) {
      case u'<': case u'>': case u':': case u'"': case u'|':
        return false;
      case u'*': case u'?':
        if (!allowWildcards) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

bool LinuxExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The on-disk name in folder dir that matches name without regard to case; empty when none.
std::string FindNoCase(const std::string& dir, std::u16string_view name) {
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return {};
  std::vector<std::string> matches;
  while (struct dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (EqualNoCase(FromUtf8(entry), name)) matches.push_back(entry);
  }
  ::closedir(d);
  if (matches.empty()) return {};
  std::sort(matches.begin(), matches.end());  // the same choice every time
  return matches.front();
}

// Lexically normalised absolute Linux path.
std::string NormaliseLinux(const std::string& path) {
  std::string absolute = path;
  if (absolute.empty() || absolute[0] != '/') {
    char buffer[PATH_MAX];
    std::string cwd = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    absolute = cwd + "/" + absolute;
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < absolute.size()) {
    size_t j = absolute.find('/', i);
    if (j == std::string::npos) j = absolute.size();
    std::string part = absolute.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (const auto& p : parts) result += "/" + p;
  return result.empty() ? "/" : result;
}

// When path lies in root/drive_x (or is it), the drive letter and the rest after the drive.
bool UnderDrive(const std::string& path, const std::string& root, char16_t& drive, std::string& rest) {
  const std::string prefix = root + "/drive_";
  if (root.empty() || path.size() < prefix.size() + 1 || path.compare(0, prefix.size(), prefix) != 0) return false;
  const char letter = path[prefix.size()];
  if (letter < 'a' || letter > 'y') return false;
  const size_t after = prefix.size() + 1;
  if (after != path.size() && path[after] != '/') return false;
  drive = char16_t(letter - 'a' + 'A');
  rest = path.substr(after);
  return true;
}

}  // namespace

std::u16string WinPath::Text() const {
  std::u16string text;
  text += drive;
  text += u":\\";
  for (size_t i = 0; i < components.size(); ++i) {
    if (i) text += u'\\';
    text += components[i];
  }
  if (trailingSeparator && !components.empty()) text += u'\\';
  return text;
}

bool ParseWinPath(std::u16string_view text, WinPath& out) {
  if (text.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  // "\\?\C:\..." is the long form of "C:\..."; other paths that start with two separators are
  // UNC paths, which this platform has no network for.
  if (text.size() >= 2 && IsSep(text[0]) && IsSep(text[1])) {
    if (text.size() >= 6 && (text[2] == u'?' || text[2] == u'.') && IsSep(text[3]) && IsLetter(text[4]) &&
        text[5] == u':') {
      text.remove_prefix(4);
    } else {
      SetLastError(ERROR_BAD_PATHNAME);
      return false;
    }
  }
  out.trailingSeparator = IsSep(text.back());

  if (text.size() >= 2 && IsLetter(text[0]) && text[1] == u':') {
    if (text.size() >= 3 && IsSep(text[2])) return ParseAbsoluteText(text, out);
    // "X:name": relative to the current folder when that is on drive X, else to X's root.
    const std::u16string cur = CurrentFolderPath();
    std::u16string base = (UpperAscii(cur[0]) == UpperAscii(text[0])) ? cur : std::u16string{UpperAscii(text[0]), u':', u'\\'};
    ParseAbsoluteText(base, out);
    Append(out.components, text.substr(2));
    return true;
  }
  const std::u16string cur = CurrentFolderPath();
  if (IsSep(text[0])) {
    // Relative to the root of the current drive.
    out.drive = UpperAscii(cur[0]);
    out.components.clear();
    Append(out.components, text);
    return true;
  }
  ParseAbsoluteText(cur, out);
  Append(out.components, text);
  return true;
}

std::string DriveFolder(char16_t drive) {
  drive = UpperAscii(drive);
  if (drive == u'Z') return "/";
  if (drive < u'A' || drive > u'Y') return {};
  std::string folder = PlatformRoot() + "/drive_" + char(drive - u'A' + 'a');
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return folder;
}

bool Resolve(const WinPath& path, Resolved& out, bool allowWildcards) {
  out = Resolved{};
  std::string base = DriveFolder(path.drive);
  if (base.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  for (size_t i = 0; i < path.components.size(); ++i) {
    const bool last = i + 1 == path.components.size();
    if (!ValidName(path.components[i], allowWildcards && last)) {
      SetLastError(ERROR_INVALID_NAME);
      return false;
    }
  }
  if (base == "/") base.clear();  // components are joined as "/name"
  bool found = true;
  for (const auto& component : path.components) {
    std::string name = ToUtf8(component);
    if (found) {
      if (!LinuxExists(base + "/" + name)) {
        std::string other = FindNoCase(base.empty() ? "/" : base, component);
        if (other.empty()) {
          found = false;
        } else {
          name = other;
        }
      }
      if (found) ++out.existing;
    }
    out.onDisk.push_back(name);
    base += "/" + name;
  }
  out.linuxPath = base.empty() ? "/" : base;
  if (path.trailingSeparator && !path.components.empty()) out.linuxPath += "/";
  return true;
}

DWORD MissingError(const std::string& linuxPath) {
  std::string path = linuxPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  const std::string parent = (slash == std::string::npos || slash == 0) ? "/" : path.substr(0, slash);
  struct stat st;
  if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

bool MakeLinuxDirs(const std::string& linuxPath) {
  std::string acc;
  for (size_t i = 0; i <= linuxPath.size(); ++i) {
    if (i == linuxPath.size() || (linuxPath[i] == '/' && i > 0)) {
      acc = linuxPath.substr(0, i);
      ::mkdir(acc.c_str(), 0777);
    }
  }
  struct stat st;
  return ::stat(linuxPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);  // Latin-1 letters
  if (c == 0xFF) return 0x178;
  return c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// Ensures a folder below C: exists (matching existing levels without case) and returns the
// Windows path as given.
static std::u16string EnsureFolder(const std::u16string& winPath) {
  WinPath parsed;
  Resolved resolved;
  if (ParseWinPath(winPath, parsed) && Resolve(parsed, resolved) && !resolved.allExist()) {
    MakeLinuxDirs(resolved.linuxPath);
  }
  return winPath;
}

std::u16string WindowsFolder() { return EnsureFolder(u"C:\\windows"); }

}  // namespace detail

using namespace detail;

std::string ToLinuxPath(std::u16string_view winPath) {
  WinPath parsed;
  Resolved resolved;
  if (!ParseWinPath(winPath, parsed) || !Resolve(parsed, resolved)) return {};
  return resolved.linuxPath;
}

std::string ToLinuxPathA(std::string_view winPathAnsi) { return ToLinuxPath(AnsiToWide(winPathAnsi)); }

std::u16string ToWindowsPath(const std::string& linuxPath) {
  const std::string path = NormaliseLinux(linuxPath);
  const std::string root = PlatformRoot();
  char16_t drive = 0;
  std::string rest;
  bool onDrive = UnderDrive(path, root, drive, rest);
  if (!onDrive) {
    char buffer[PATH_MAX];
    if (::realpath(root.c_str(), buffer) && buffer != root) onDrive = UnderDrive(path, buffer, drive, rest);
  }
  std::u16string result;
  if (onDrive) {
    result = {drive, u':'};
  } else {
    result = u"Z:";
    rest = path == "/" ? std::string() : path;
  }
  std::u16string tail = FromUtf8(rest);
  std::replace(tail.begin(), tail.end(), u'/', u'\\');
  if (tail.empty()) tail = u"\\";
  result.append(tail);  // append rather than operator+: g++ 12 warns wrongly (-Wrestrict) on the latter
  return result;
}

std::string ToWindowsPathA(const std::string& linuxPath) { return WideToAnsi(ToWindowsPath(linuxPath)); }

std::u16string FullPath(std::u16string_view winPath) {
  WinPath parsed;
  if (!ParseWinPath(winPath, parsed)) return {};
  return parsed.Text();
}

std::string FullPathA(std::string_view winPathAnsi) { return WideToAnsi(FullPath(AnsiToWide(winPathAnsi))); }

void SetDriveType(char letter, UINT type) {
  const char16_t drive = UpperAscii(char16_t(letter));
  std::lock_guard<std::mutex> lock(g_driveTypeMutex);
  if (type == DRIVE_UNKNOWN) {
    g_driveTypes.erase(drive);
  } else {
    g_driveTypes[drive] = type;
  }
}

}  // namespace nux::fs

// ---- Win32 ----------------------------------------------------------------------
using namespace nux::fs;
using namespace nux::fs::detail;

namespace {

// Windows' rule for string results: the length without the NUL when the buffer holds it,
// else the size needed with the NUL (the buffer untouched).
template <class C>
DWORD CopyOut(const std::basic_string<C>& text, C* buffer, DWORD size) {
  if (buffer && size > text.size()) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return DWORD(text.size());
  }
  return DWORD(text.size() + 1);
}

std::u16string Wide(LPCSTR text) { return text ? nux::AnsiToWide(text) : std::u16string(); }

}  // namespace

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string full = FullPath(fileName);
  if (full.empty()) return 0;
  const DWORD result = CopyOut(full, buffer, bufferLength);
  if (filePart && result < bufferLength) {
    const size_t slash = full.rfind(u'\\');
    *filePart = (slash + 1 == full.size()) ? nullptr : buffer + slash + 1;
  }
  return result;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string full = FullPath(Wide(fileName));
  if (full.empty()) return 0;
  const std::string ansi = nux::WideToAnsi(full);
  const DWORD result = CopyOut(ansi, buffer, bufferLength);
  if (filePart && result < bufferLength) {
    const size_t slash = ansi.rfind('\\');
    *filePart = (slash + 1 == ansi.size()) ? nullptr : buffer + slash + 1;
  }
  return result;
}

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
  return CopyOut(CurrentFolderPath(), buffer, bufferLength);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return CopyOut(nux::WideToAnsi(CurrentFolderPath()), buffer, bufferLength);
}

BOOL SetCurrentDirectoryW(LPCWSTR pathName) {
  if (!pathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WinPath parsed;
  Resolved resolved;
  if (!ParseWinPath(pathName, parsed) || !Resolve(parsed, resolved)) return FALSE;
  struct stat st;
  if (::stat(resolved.linuxPath.c_str(), &st) != 0) {
    SetLastError(errno == ENOENT ? MissingError(resolved.linuxPath) : ErrnoToWin32(errno));
    return FALSE;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (::chdir(resolved.linuxPath.c_str()) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  parsed.trailingSeparator = false;
  SetCurrentFolderPath(parsed.Text());
  return TRUE;
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
  if (!pathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return SetCurrentDirectoryW(Wide(pathName).c_str());
}

// The on-disk spelling of an existing path.
static bool LongPath(LPCWSTR shortPath, std::u16string& out) {
  if (!shortPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  WinPath parsed;
  Resolved resolved;
  if (!ParseWinPath(shortPath, parsed) || !Resolve(parsed, resolved)) return false;
  if (!resolved.allExist()) {
    SetLastError(MissingError(resolved.linuxPath));
    return false;
  }
  for (size_t i = 0; i < parsed.components.size(); ++i) parsed.components[i] = nux::FromUtf8(resolved.onDisk[i]);
  out = parsed.Text();
  return true;
}

DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD bufferLength) {
  std::u16string text;
  if (!LongPath(shortPath, text)) return 0;
  return CopyOut(text, longPath, bufferLength);
}

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferLength) {
  if (!shortPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string text;
  if (!LongPath(Wide(shortPath).c_str(), text)) return 0;
  return CopyOut(nux::WideToAnsi(text), longPath, bufferLength);
}

static std::u16string TempPath() {
  EnsureFolder(u"C:\\windows\\temp");
  return u"C:\\windows\\temp\\";
}

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) { return CopyOut(TempPath(), buffer, bufferLength); }

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  return CopyOut(nux::WideToAnsi(TempPath()), buffer, bufferLength);
}

UINT GetDriveTypeW(LPCWSTR rootPathName) {
  char16_t drive;
  if (!rootPathName || rootPathName[0] == 0 || ((rootPathName[0] == u'\\' || rootPathName[0] == u'/') && rootPathName[1] == 0)) {
    drive = nux::UpperAscii(CurrentFolderPath()[0]);
  } else {
    std::u16string_view root(rootPathName);
    const bool driveRoot = root.size() >= 2 && ((root[0] >= u'A' && root[0] <= u'Z') || (root[0] >= u'a' && root[0] <= u'z')) &&
                           root[1] == u':' && (root.size() == 2 || (root.size() == 3 && (root[2] == u'\\' || root[2] == u'/')));
    if (!driveRoot) return DRIVE_NO_ROOT_DIR;  // only a drive's root has a type
    drive = nux::UpperAscii(root[0]);
  }
  if (UINT marked = MarkedDriveType(drive); marked != DRIVE_UNKNOWN) return marked;
  return DriveFolder(drive).empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
  if (!rootPathName) return GetDriveTypeW(nullptr);
  return GetDriveTypeW(Wide(rootPathName).c_str());
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (char16_t d = u'A'; d <= u'Z'; ++d) {
    const UINT marked = MarkedDriveType(d);
    if ((marked != DRIVE_UNKNOWN && marked != DRIVE_NO_ROOT_DIR) || !DriveFolder(d).empty()) mask |= 1u << (d - u'A');
  }
  return mask;
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) { return CopyOut(WindowsFolder(), buffer, size); }

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return CopyOut(nux::WideToAnsi(WindowsFolder()), buffer, size);
}

static std::u16string SystemFolder() { return EnsureFolder(u"C:\\windows\\system32"); }

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) { return CopyOut(SystemFolder(), buffer, size); }

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) { return CopyOut(nux::WideToAnsi(SystemFolder()), buffer, size); }
