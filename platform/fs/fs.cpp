// Files and folders over the Linux file system: the Win32 file functions, find handles, the C
// run-time's file calls with Windows text mode, disk space and the error mode.
#include "fs/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs_internal.h"

namespace nux::fs {
namespace detail {

DWORD ErrnoToWin32(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case ELOOP: return ERROR_INVALID_NAME;
    default: return ERROR_GEN_FAILURE;
  }
}

int Win32ToErrno(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_NO_MORE_FILES:
    case ERROR_FILENAME_EXCED_RANGE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EINVAL;
  }
}

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 116444736000000000LL;

FILETIME ToFileTime(const struct timespec& ts) {
  const int64_t ticks = int64_t(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100 + kEpochDifference;
  const uint64_t value = ticks < 0 ? 0 : uint64_t(ticks);
  FILETIME ft;
  ft.dwLowDateTime = DWORD(value & 0xFFFFFFFFu);
  ft.dwHighDateTime = DWORD(value >> 32);
  return ft;
}

struct timespec FromFileTime(const FILETIME& ft) {
  const int64_t ticks = int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) - kEpochDifference;
  struct timespec ts;
  ts.tv_sec = time_t(ticks / 10000000LL);
  int64_t rest = ticks % 10000000LL;
  if (rest < 0) {
    rest += 10000000LL;
    ts.tv_sec -= 1;
  }
  ts.tv_nsec = long(rest * 100);
  return ts;
}

DWORD AttributesOf(const struct stat& st) {
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace detail

namespace {

using namespace detail;

// ---- paths ----------------------------------------------------------------------

std::u16string Wide(LPCSTR text) { return text ? AnsiToWide(text) : std::u16string(); }

// Parses and maps a path for a call; false with GetLastError set.
bool Map(LPCWSTR path, WinPath& parsed, Resolved& resolved) {
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return ParseWinPath(path, parsed) && Resolve(parsed, resolved);
}

bool Map(LPCWSTR path, Resolved& resolved) {
  WinPath parsed;
  return Map(path, parsed, resolved);
}

// The Linux path of the folder that holds the last component.
std::string ParentOf(const std::string& linuxPath) {
  std::string path = linuxPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Error for a missing path, or for a stat that failed otherwise.
DWORD StatError(const std::string& linuxPath, int err) {
  return (err == ENOENT || err == ENOTDIR) ? MissingError(linuxPath) : ErrnoToWin32(err);
}

bool IsDir(const std::string& linuxPath) {
  struct stat st;
  return ::stat(linuxPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FILETIME CreationTimeOf(const std::string& linuxPath, const struct stat& st) {
  struct statx stx;
  if (::statx(AT_FDCWD, linuxPath.c_str(), 0, STATX_BTIME, &stx) == 0 && (stx.stx_mask & STATX_BTIME)) {
    struct timespec ts{time_t(stx.stx_btime.tv_sec), long(stx.stx_btime.tv_nsec)};
    return ToFileTime(ts);
  }
  return ToFileTime(st.st_mtim);
}

void FillAttributeData(const std::string& linuxPath, const struct stat& st, WIN32_FILE_ATTRIBUTE_DATA& data) {
  data.dwFileAttributes = AttributesOf(st);
  data.ftCreationTime = CreationTimeOf(linuxPath, st);
  data.ftLastAccessTime = ToFileTime(st.st_atim);
  data.ftLastWriteTime = ToFileTime(st.st_mtim);
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
  data.nFileSizeHigh = DWORD(size >> 32);
  data.nFileSizeLow = DWORD(size & 0xFFFFFFFFu);
}

// ---- file handles ---------------------------------------------------------------

struct FileObject : KernelObject {
  int fd = -1;
  bool canRead = false;
  bool canWrite = false;
  bool deleteOnClose = false;
  std::string linuxPath;
  ~FileObject() override {
    if (fd >= 0) ::close(fd);
    if (deleteOnClose) ::unlink(linuxPath.c_str());
  }
};

std::shared_ptr<FileObject> FileOf(HANDLE handle) {
  std::shared_ptr<FileObject> file = LookupHandle<FileObject>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

HANDLE CreateFileLinux(const Resolved& resolved, DWORD access, DWORD disposition, DWORD flags) {
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const bool wantRead = access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
  const bool wantWrite = access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
  if (disposition == TRUNCATE_EXISTING && !wantWrite) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string& path = resolved.linuxPath;
  int accessFlags = wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  int fd = -1;
  bool existed = false;
  for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
      existed = true;
      // A folder is never a file; a read-only file does not open for writing, whoever asks.
      if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      }
      if (disposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
      if ((wantWrite || truncates) && IsReadOnly(st)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      }
      fd = ::open(path.c_str(), accessFlags | O_CLOEXEC | (truncates ? O_TRUNC : 0));
      if (fd < 0 && errno == ENOENT) continue;  // removed meanwhile: look again
      if (fd < 0 && errno == EACCES && !wantRead && !wantWrite) fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    } else {
      existed = false;
      if (errno != ENOENT) {
        SetLastError(StatError(path, errno));
        return INVALID_HANDLE_VALUE;
      }
      if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
        SetLastError(MissingError(path));
        return INVALID_HANDLE_VALUE;
      }
      const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
      fd = ::open(path.c_str(), accessFlags | O_CLOEXEC | O_CREAT | O_EXCL, mode);
      if (fd < 0 && errno == EEXIST) continue;  // made meanwhile: open it as existing
    }
    if (fd < 0) {
      SetLastError(StatError(path, errno));
      return INVALID_HANDLE_VALUE;
    }
  }
  if (fd < 0) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  auto file = std::make_shared<FileObject>();
  file->fd = fd;
  file->canRead = wantRead;
  file->canWrite = wantWrite;
  file->deleteOnClose = flags & FILE_FLAG_DELETE_ON_CLOSE;
  file->linuxPath = path;
  HANDLE handle = RegisterHandle(std::move(file));
  const bool reportsExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

// ---- find handles ---------------------------------------------------------------

struct FindEntry {
  std::u16string name;
  WIN32_FILE_ATTRIBUTE_DATA data;
};

struct FindObject : KernelObject {
  std::vector<FindEntry> entries;
  size_t next = 0;
};

bool HasWildcards(std::u16string_view text) { return text.find_first_of(u"*?") != std::u16string_view::npos; }

// The file system's wildcard matching: "*" any run, "?" any one character (or none before a
// dot or at the end), a "*" before a "." stops at the name's last dot, and a "." before
// nothing but wildcards also matches the end of a name without an extension; no case.
bool Glob(std::u16string_view p, size_t pi, std::u16string_view n, size_t ni, size_t lastDot) {
  while (pi < p.size()) {
    const char16_t c = p[pi];
    if (c == u'*') {
      const bool beforeDot = pi + 1 < p.size() && p[pi + 1] == u'.';
      for (size_t k = ni; k <= n.size(); ++k) {
        if (beforeDot && lastDot != std::u16string_view::npos && k > lastDot) break;
        if (Glob(p, pi + 1, n, k, lastDot)) return true;
      }
      return false;
    }
    if (c == u'?') {
      if (ni == n.size() || n[ni] == u'.') {
        // "?" may match nothing here: skip the run of "?".
        while (pi < p.size() && p[pi] == u'?') ++pi;
        continue;
      }
      ++pi;
      ++ni;
      continue;
    }
    if (c == u'.' && ni == n.size()) {
      // "name.*" and "name.???" match "name"; "*." matches names without a dot.
      bool onlyWild = true;
      for (size_t k = pi + 1; k < p.size(); ++k) {
        if (p[k] != u'*' && p[k] != u'?') onlyWild = false;
      }
      return onlyWild;
    }
    if (ni == n.size() || FoldCase(c) != FoldCase(n[ni])) return false;
    ++pi;
    ++ni;
  }
  return ni == n.size();
}

bool WildMatch(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*" || pattern == u"*.*") return true;
  return Glob(pattern, 0, name, 0, name.rfind(u'.'));
}

bool StatEntry(const std::string& linuxPath, FindEntry& entry) {
  struct stat st;
  if (::stat(linuxPath.c_str(), &st) != 0 && ::lstat(linuxPath.c_str(), &st) != 0) return false;
  FillAttributeData(linuxPath, st, entry.data);
  return true;
}

void FillFindData(const FindEntry& entry, WIN32_FIND_DATAW& out) {
  std::memset(&out, 0, sizeof out);
  out.dwFileAttributes = entry.data.dwFileAttributes;
  out.ftCreationTime = entry.data.ftCreationTime;
  out.ftLastAccessTime = entry.data.ftLastAccessTime;
  out.ftLastWriteTime = entry.data.ftLastWriteTime;
  out.nFileSizeHigh = entry.data.nFileSizeHigh;
  out.nFileSizeLow = entry.data.nFileSizeLow;
  std::copy(entry.name.begin(), entry.name.end(), out.cFileName);
}

void ToAnsi(const WIN32_FIND_DATAW& w, WIN32_FIND_DATAA& a) {
  std::memset(&a, 0, sizeof a);
  a.dwFileAttributes = w.dwFileAttributes;
  a.ftCreationTime = w.ftCreationTime;
  a.ftLastAccessTime = w.ftLastAccessTime;
  a.ftLastWriteTime = w.ftLastWriteTime;
  a.nFileSizeHigh = w.nFileSizeHigh;
  a.nFileSizeLow = w.nFileSizeLow;
  const std::string name = WideToAnsi(w.cFileName);
  std::memcpy(a.cFileName, name.data(), std::min(name.size(), size_t(MAX_PATH - 1)));
}

// Lists what a find pattern names; false with GetLastError set when nothing matches.
bool FindEntries(std::u16string_view text, std::vector<FindEntry>& entries) {
  if (text.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const size_t sep = text.find_last_of(u"\\/");
  size_t nameStart = sep == std::u16string_view::npos ? 0 : sep + 1;
  if (sep == std::u16string_view::npos && text.size() >= 2 && text[1] == u':') nameStart = 2;
  const std::u16string_view pattern = text.substr(nameStart);
  if (pattern.empty()) {
    // "C:\dir\" names no file.
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }

  if (!HasWildcards(pattern)) {
    WinPath parsed;
    Resolved resolved;
    if (!ParseWinPath(text, parsed) || !Resolve(parsed, resolved)) return false;
    if (parsed.components.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);  // a drive's root is not an entry of anything
      return false;
    }
    FindEntry entry;
    if (!resolved.allExist() || !StatEntry(resolved.linuxPath, entry)) {
      SetLastError(MissingError(resolved.linuxPath));
      return false;
    }
    entry.name = FromUtf8(resolved.onDisk.back());
    entries.push_back(std::move(entry));
    return true;
  }

  std::u16string folderText(text.substr(0, nameStart));
  if (folderText.empty()) folderText = u".";
  WinPath folder;
  Resolved resolved;
  if (!ParseWinPath(folderText, folder) || !Resolve(folder, resolved)) return false;
  if (!resolved.allExist() || !IsDir(resolved.linuxPath)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::string dir = resolved.linuxPath;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();

  std::vector<FindEntry> found;
  if (!folder.components.empty()) {
    // A folder's contents begin with "." and "..", as Windows lists them; a drive's root has neither.
    FindEntry self, parent;
    if (StatEntry(dir, self)) {
      self.name = u".";
      found.push_back(self);
    }
    if (StatEntry(ParentOf(dir), parent)) {
      parent.name = u"..";
      found.push_back(parent);
    }
  }
  std::vector<std::pair<std::u16string, std::string>> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (struct dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      std::u16string wide = FromUtf8(name);
      if (wide.size() >= MAX_PATH || wide.find(u'\\') != std::u16string::npos) continue;  // not reachable from Windows
      names.emplace_back(std::move(wide), name);
    }
    ::closedir(d);
  }
  // In the order of names without case, as the file system keeps them.
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
    const auto& x = a.first;
    const auto& y = b.first;
    for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
      const char16_t cx = FoldCase(x[i]), cy = FoldCase(y[i]);
      if (cx != cy) return cx < cy;
    }
    if (x.size() != y.size()) return x.size() < y.size();
    return a.second < b.second;
  });
  for (auto& [wide, name] : names) {
    FindEntry entry;
    if (!StatEntry(dir == "/" ? "/" + name : dir + "/" + name, entry)) continue;
    entry.name = std::move(wide);
    found.push_back(std::move(entry));
  }
  for (auto& entry : found) {
    if (WildMatch(pattern, entry.name)) entries.push_back(std::move(entry));
  }
  if (entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  return true;
}

// ---- copying --------------------------------------------------------------------

// Copies a file's bytes, mode and times into a temporary beside the target and renames it
// over the target, so the target is either the old file or the whole new one.
bool CopyLinux(const std::string& from, const std::string& to, bool noReplace) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetLastError(StatError(from, errno));
    return false;
  }
  struct stat st;
  ::fstat(in, &st);
  std::string tmpl = ParentOf(to) + "/.nuxcopy-XXXXXX";
  const int out = ::mkstemp(tmpl.data());
  if (out < 0) {
    const int err = errno;
    ::close(in);
    SetLastError(StatError(to, err));
    return false;
  }
  std::vector<char> buffer(1 << 16);
  int err = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
      }
      done += w;
    }
    if (err) break;
  }
  ::close(in);
  if (!err) {
    ::fchmod(out, st.st_mode & 07777);  // the read-only attribute goes with the copy
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    if (::fsync(out) != 0) err = errno;
  }
  if (::close(out) != 0 && !err) err = errno;
  if (!err) {
    const int r = noReplace ? ::renameat2(AT_FDCWD, tmpl.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE)
                            : ::rename(tmpl.c_str(), to.c_str());
    if (r != 0) err = errno;
  }
  if (err) {
    ::unlink(tmpl.c_str());
    SetLastError(err == EEXIST ? ERROR_FILE_EXISTS : ErrnoToWin32(err));
    return false;
  }
  return true;
}

BOOL CopyFileImpl(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
  Resolved src, dst;
  if (!Map(existingFileName, src)) return FALSE;
  struct stat sst;
  if (::stat(src.linuxPath.c_str(), &sst) != 0) {
    SetLastError(StatError(src.linuxPath, errno));
    return FALSE;
  }
  if (S_ISDIR(sst.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!Map(newFileName, dst)) return FALSE;
  if (dst.existing + 1 < dst.onDisk.size() || dst.onDisk.empty()) {
    SetLastError(dst.onDisk.empty() ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct stat dstSt;
  if (::stat(dst.linuxPath.c_str(), &dstSt) == 0) {
    if (failIfExists) {
      SetLastError(ERROR_FILE_EXISTS);
      return FALSE;
    }
    if (S_ISDIR(dstSt.st_mode) || IsReadOnly(dstSt)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (dstSt.st_dev == sst.st_dev && dstSt.st_ino == sst.st_ino) {
      SetLastError(ERROR_SHARING_VIOLATION);  // a file cannot be copied onto itself
      return FALSE;
    }
  }
  if (!CopyLinux(src.linuxPath, dst.linuxPath, failIfExists)) return FALSE;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL MoveFileImpl(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
  if (!newFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    SetLastError(ERROR_NOT_SUPPORTED);  // nothing runs at a reboot here
    return FALSE;
  }
  Resolved src, dst;
  WinPath dstParsed;
  if (!Map(existingFileName, src)) return FALSE;
  struct stat sst;
  if (::lstat(src.linuxPath.c_str(), &sst) != 0) {
    SetLastError(StatError(src.linuxPath, errno));
    return FALSE;
  }
  if (!Map(newFileName, dstParsed, dst)) return FALSE;
  if (dst.onDisk.empty() || src.onDisk.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);  // a drive's root neither moves nor is replaced
    return FALSE;
  }
  if (dst.existing + 1 < dst.onDisk.size()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string target = dst.linuxPath;
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  const bool replace = flags & MOVEFILE_REPLACE_EXISTING;
  struct stat dstSt;
  if (::lstat(target.c_str(), &dstSt) == 0) {
    if (dstSt.st_dev == sst.st_dev && dstSt.st_ino == sst.st_ino) {
      // The same file under another spelling: a change of case only.
      target = ParentOf(target) + "/" + ToUtf8(dstParsed.components.back());
      if (target == src.linuxPath || ::rename(src.linuxPath.c_str(), target.c_str()) == 0) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
      }
      SetLastError(ErrnoToWin32(errno));
      return FALSE;
    }
    if (!replace) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    struct stat followed;
    const bool readOnly = ::stat(target.c_str(), &followed) == 0 && IsReadOnly(followed);
    if (S_ISDIR(dstSt.st_mode) || S_ISDIR(sst.st_mode) || readOnly) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  const int r = replace ? ::rename(src.linuxPath.c_str(), target.c_str())
                        : ::renameat2(AT_FDCWD, src.linuxPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (r == 0) {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  const int err = errno;
  if (err == EXDEV) {
    if (!(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(sst.st_mode)) {
      SetLastError(ERROR_NOT_SAME_DEVICE);
      return FALSE;
    }
    if (!CopyLinux(src.linuxPath, target, !replace)) return FALSE;
    ::unlink(src.linuxPath.c_str());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToWin32(err));
  return FALSE;
}

// ---- disk space -----------------------------------------------------------------

std::mutex g_freeSpaceMutex;
std::optional<ULONGLONG> g_freeSpaceOverride;

struct Space {
  ULONGLONG freeToCaller = 0;
  ULONGLONG total = 0;
  ULONGLONG totalFree = 0;
  ULONGLONG blockSize = 4096;
};

bool SpaceOf(LPCWSTR path, Space& space) {
  Resolved resolved;
  if (!Map(path ? path : u"\\", resolved)) return false;
  // The nearest existing folder of the path tells the file system.
  std::string dir = resolved.linuxPath;
  struct statvfs vfs;
  while (::statvfs(dir.c_str(), &vfs) != 0) {
    if (dir == "/" || dir.empty()) {
      SetLastError(ErrnoToWin32(errno));
      return false;
    }
    dir = ParentOf(dir);
  }
  const ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  space.blockSize = unit ? unit : 4096;
  space.freeToCaller = ULONGLONG(vfs.f_bavail) * unit;
  space.totalFree = ULONGLONG(vfs.f_bfree) * unit;
  space.total = ULONGLONG(vfs.f_blocks) * unit;
  std::lock_guard<std::mutex> lock(g_freeSpaceMutex);
  if (g_freeSpaceOverride) {
    space.freeToCaller = space.totalFree = *g_freeSpaceOverride;
    space.total = std::max(space.total, *g_freeSpaceOverride);
  }
  return true;
}

BOOL DiskFreeSpace(LPCWSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                   LPDWORD totalClusters) {
  Space space;
  if (!SpaceOf(root, space)) return FALSE;
  const ULONGLONG sector = 512;
  const ULONGLONG perCluster = std::max<ULONGLONG>(1, space.blockSize / sector);
  const ULONGLONG cluster = perCluster * sector;
  auto clamp = [](ULONGLONG v) { return DWORD(std::min<ULONGLONG>(v, 0xFFFFFFFFu)); };
  if (sectorsPerCluster) *sectorsPerCluster = DWORD(perCluster);
  if (bytesPerSector) *bytesPerSector = DWORD(sector);
  if (freeClusters) *freeClusters = clamp(space.freeToCaller / cluster);
  if (totalClusters) *totalClusters = clamp(space.total / cluster);
  return TRUE;
}

BOOL DiskFreeSpaceEx(LPCWSTR dir, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree) {
  Space space;
  if (!SpaceOf(dir, space)) return FALSE;
  if (freeToCaller) freeToCaller->QuadPart = space.freeToCaller;
  if (total) total->QuadPart = space.total;
  if (totalFree) totalFree->QuadPart = space.totalFree;
  return TRUE;
}

std::atomic<UINT> g_errorMode{0};

// ---- C run-time streams ---------------------------------------------------------

// A text stream over a file: CR LF reads as LF (a lone CR stays), Ctrl-Z ends the input, and
// each LF written becomes CR LF. The stream keeps its own read-ahead, so the position it
// reports is the file's own offset.
struct TextCookie {
  int fd = -1;
  std::vector<char> ahead;  // raw bytes read but not yet delivered, from aheadPos on
  size_t aheadPos = 0;
  bool ctrlZ = false;

  size_t Remaining() const { return ahead.size() - aheadPos; }

  // Reads more raw bytes behind those still ahead; 0 at the end, -1 on error.
  ssize_t Fill() {
    ahead.erase(ahead.begin(), ahead.begin() + ptrdiff_t(aheadPos));
    aheadPos = 0;
    const size_t old = ahead.size();
    ahead.resize(old + 4096);
    ssize_t n;
    do {
      n = ::read(fd, ahead.data() + old, 4096);
    } while (n < 0 && errno == EINTR);
    ahead.resize(old + size_t(n > 0 ? n : 0));
    return n;
  }

  // Gives the read-ahead back to the file, so the file offset is the stream's position.
  bool Unread() {
    if (Remaining() && ::lseek(fd, -off_t(Remaining()), SEEK_CUR) < 0) return false;
    ahead.clear();
    aheadPos = 0;
    return true;
  }
};

ssize_t TextRead(void* cookie, char* buffer, size_t size) {
  TextCookie& t = *static_cast<TextCookie*>(cookie);
  size_t out = 0;
  while (out < size && !t.ctrlZ) {
    if (t.Remaining() == 0) {
      const ssize_t n = t.Fill();
      if (n < 0) return out ? ssize_t(out) : -1;
      if (n == 0) break;
    }
    const char c = t.ahead[t.aheadPos];
    if (c == 0x1A) {
      t.ctrlZ = true;
      break;
    }
    if (c == '\r') {
      if (t.Remaining() < 2 && t.Fill() < 0) return out ? ssize_t(out) : -1;
      if (t.Remaining() >= 2 && t.ahead[t.aheadPos + 1] == '\n') {
        buffer[out++] = '\n';
        t.aheadPos += 2;
        continue;
      }
    }
    buffer[out++] = c;
    ++t.aheadPos;
  }
  return ssize_t(out);
}

ssize_t TextWrite(void* cookie, const char* data, size_t size) {
  TextCookie& t = *static_cast<TextCookie*>(cookie);
  if (!t.Unread()) return -1;
  std::string raw;
  raw.reserve(size + size / 16 + 2);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') raw += '\r';
    raw += data[i];
  }
  size_t done = 0;
  while (done < raw.size()) {
    const ssize_t w = ::write(t.fd, raw.data() + done, raw.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += size_t(w);
  }
  return ssize_t(size);
}

int TextSeek(void* cookie, off64_t* position, int whence) {
  TextCookie& t = *static_cast<TextCookie*>(cookie);
  off_t current = ::lseek(t.fd, 0, SEEK_CUR);
  if (current < 0) return -1;
  current -= off_t(t.Remaining());
  off_t target;
  if (whence == SEEK_SET) {
    target = *position;
  } else if (whence == SEEK_CUR) {
    target = current + *position;
  } else {
    target = ::lseek(t.fd, *position, SEEK_END);
    if (target < 0) return -1;
  }
  if (target < 0) {
    errno = EINVAL;
    return -1;
  }
  if (::lseek(t.fd, target, SEEK_SET) < 0) return -1;
  t.ahead.clear();
  t.aheadPos = 0;
  t.ctrlZ = false;
  *position = target;
  return 0;
}

int TextClose(void* cookie) {
  TextCookie* t = static_cast<TextCookie*>(cookie);
  const int r = ::close(t->fd);
  delete t;
  return r;
}

// Sets both error reports of a failed run-time call.
template <class R>
R CrtFail(DWORD error, R result) {
  SetLastError(error);
  errno = Win32ToErrno(error);
  return result;
}

FILE* OpenStream(const std::u16string& path, std::u16string_view mode) {
  if (mode.empty()) return CrtFail<FILE*>(ERROR_INVALID_PARAMETER, nullptr);
  const char16_t kind = mode[0];
  if (kind != u'r' && kind != u'w' && kind != u'a') return CrtFail<FILE*>(ERROR_INVALID_PARAMETER, nullptr);
  bool plus = false, binary = false, exclusive = false;
  for (size_t i = 1; i < mode.size(); ++i) {
    const char16_t c = mode[i];
    if (c == u',') return CrtFail<FILE*>(ERROR_INVALID_PARAMETER, nullptr);  // "ccs=" encodings are not offered
    switch (c) {
      case u'+': plus = true; break;
      case u'b': binary = true; break;
      case u't': binary = false; break;
      case u'x': exclusive = true; break;
      case u'c': case u'n': case u'N': case u'S': case u'R': case u'T': case u'D': case u' ': break;
      default: return CrtFail<FILE*>(ERROR_INVALID_PARAMETER, nullptr);
    }
  }
  Resolved resolved;
  if (!Map(path.c_str(), resolved)) return CrtFail<FILE*>(GetLastError(), nullptr);
  const std::string& onDisk = resolved.linuxPath;
  const bool writes = kind != u'r' || plus;
  struct stat st;
  if (::stat(onDisk.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return CrtFail<FILE*>(ERROR_ACCESS_DENIED, nullptr);
    if (writes && IsReadOnly(st)) return CrtFail<FILE*>(ERROR_ACCESS_DENIED, nullptr);
    if (exclusive && kind == u'w') return CrtFail<FILE*>(ERROR_FILE_EXISTS, nullptr);
  } else if (kind == u'r') {
    return CrtFail<FILE*>(StatError(onDisk, errno), nullptr);
  }
  int flags = O_CLOEXEC;
  if (kind == u'r') flags |= plus ? O_RDWR : O_RDONLY;
  if (kind == u'w') flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC | (exclusive ? O_EXCL : 0);
  if (kind == u'a') flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
  const int fd = ::open(onDisk.c_str(), flags, 0666);
  if (fd < 0) return CrtFail<FILE*>(StatError(onDisk, errno), nullptr);
  std::string cmode(1, char(kind));
  if (plus) cmode += '+';
  FILE* file = nullptr;
  if (binary) {
    file = ::fdopen(fd, cmode.c_str());
  } else {
    auto* cookie = new TextCookie;
    cookie->fd = fd;
    file = ::fopencookie(cookie, cmode.c_str(), cookie_io_functions_t{TextRead, TextWrite, TextSeek, TextClose});
    if (!file) {
      delete cookie;
    } else if (kind == u'r' && !plus) {
      // A read-only text stream reads through the cookie byte by byte, so that ftell and
      // fseek see the file's own offsets.
      ::setvbuf(file, nullptr, _IONBF, 0);
    }
  }
  if (!file) {
    const int err = errno;
    ::close(fd);
    return CrtFail<FILE*>(ErrnoToWin32(err), nullptr);
  }
  SetLastError(ERROR_SUCCESS);
  return file;
}

int CrtResult(BOOL ok) {
  if (ok) return 0;
  errno = Win32ToErrno(GetLastError());
  return -1;
}

}  // namespace

void SetFreeSpaceOverride(std::optional<ULONGLONG> freeBytes) {
  std::lock_guard<std::mutex> lock(g_freeSpaceMutex);
  g_freeSpaceOverride = freeBytes;
}

}  // namespace nux::fs

using namespace nux::fs;
using namespace nux::fs::detail;
using nux::AnsiToWide;

// ---- C run-time -----------------------------------------------------------------

FILE* _wfopen(const WCHAR* path, const WCHAR* mode) {
  if (!path || !mode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return nullptr;
  }
  return OpenStream(path, mode);
}

FILE* w32_fopen(const char* path, const char* mode) {
  if (!path || !mode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return nullptr;
  }
  return OpenStream(AnsiToWide(path), AnsiToWide(mode));
}

int _wremove(const WCHAR* path) { return CrtResult(DeleteFileW(path)); }
int _wunlink(const WCHAR* path) { return CrtResult(DeleteFileW(path)); }

int _wrename(const WCHAR* oldPath, const WCHAR* newPath) {
  if (MoveFileExW(oldPath, newPath, MOVEFILE_COPY_ALLOWED)) return 0;
  // The run-time reports an existing target as EACCES.
  errno = GetLastError() == ERROR_ALREADY_EXISTS ? EACCES : Win32ToErrno(GetLastError());
  return -1;
}

int _wmkdir(const WCHAR* path) { return CrtResult(CreateDirectoryW(path, nullptr)); }
int _wrmdir(const WCHAR* path) { return CrtResult(RemoveDirectoryW(path)); }

int _waccess(const WCHAR* path, int mode) {
  if (mode & ~6) {
    errno = EINVAL;
    return -1;
  }
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    errno = Win32ToErrno(GetLastError());
    return -1;
  }
  // A folder is only tested for being there; a read-only file is not writable.
  if ((mode & 2) && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}

int w32_remove(const char* path) { return CrtResult(DeleteFileA(path)); }
int w32_unlink(const char* path) { return CrtResult(DeleteFileA(path)); }

int w32_rename(const char* oldPath, const char* newPath) {
  if (!oldPath || !newPath) {
    errno = EINVAL;
    return -1;
  }
  return _wrename(AnsiToWide(oldPath).c_str(), AnsiToWide(newPath).c_str());
}

int w32_mkdir(const char* path) { return CrtResult(CreateDirectoryA(path, nullptr)); }
int w32_rmdir(const char* path) { return CrtResult(RemoveDirectoryA(path)); }

int w32_access(const char* path, int mode) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  return _waccess(AnsiToWide(path).c_str(), mode);
}

// ---- file handles ---------------------------------------------------------------

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  Resolved resolved;
  if (!Map(fileName, resolved)) return INVALID_HANDLE_VALUE;
  if (resolved.onDisk.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);  // a drive's root is a folder
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileLinux(resolved, desiredAccess, creationDisposition, flagsAndAttributes);
}

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  if (!fileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(Wide(fileName).c_str(), desiredAccess, shareMode, security, creationDisposition,
                     flagsAndAttributes, templateFile);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  if (bytesRead) *bytesRead = 0;
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canRead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (overlapped) {
    const off_t offset = off_t((uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    if (::lseek(f->fd, offset, SEEK_SET) < 0) {
      SetLastError(ErrnoToWin32(errno));
      return FALSE;
    }
  }
  DWORD done = 0;
  char* out = static_cast<char*>(buffer);
  while (done < bytesToRead) {
    const ssize_t n = ::read(f->fd, out + done, bytesToRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (bytesRead) *bytesRead = done;
      SetLastError(errno == EISDIR ? ERROR_ACCESS_DENIED : ErrnoToWin32(errno));
      return FALSE;
    }
    if (n == 0) break;
    done += DWORD(n);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
  if (bytesWritten) *bytesWritten = 0;
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (overlapped) {
    const off_t offset = off_t((uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    if (::lseek(f->fd, offset, SEEK_SET) < 0) {
      SetLastError(ErrnoToWin32(errno));
      return FALSE;
    }
  }
  DWORD done = 0;
  const char* in = static_cast<const char*>(buffer);
  while (done < bytesToWrite) {
    const ssize_t n = ::write(f->fd, in + done, bytesToWrite - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (bytesWritten) *bytesWritten = done;
      SetLastError(ErrnoToWin32(errno));
      return FALSE;
    }
    done += DWORD(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

static bool MovePointer(HANDLE file, int64_t distance, DWORD method, int64_t& result) {
  auto f = FileOf(file);
  if (!f) return false;
  int whence;
  switch (method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return false;
  }
  const off_t base = whence == SEEK_SET ? 0 : ::lseek(f->fd, 0, whence);
  if (base < 0) {
    SetLastError(ErrnoToWin32(errno));
    return false;
  }
  const int64_t target = int64_t(base) + distance;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return false;
  }
  if (::lseek(f->fd, off_t(target), SEEK_SET) < 0) {
    SetLastError(ErrnoToWin32(errno));
    return false;
  }
  result = target;
  return true;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
  const int64_t distance = distanceToMoveHigh
                               ? int64_t((uint64_t(uint32_t(*distanceToMoveHigh)) << 32) | uint32_t(distanceToMove))
                               : int64_t(distanceToMove);
  if (!distanceToMoveHigh) {
    // Without the high part the new position must fit in 32 bits: check before moving.
    auto f = FileOf(file);
    if (!f) return INVALID_SET_FILE_POINTER;
    const off_t base = moveMethod == FILE_BEGIN ? 0 : ::lseek(f->fd, 0, moveMethod == FILE_END ? SEEK_END : SEEK_CUR);
    if (base >= 0 && int64_t(base) + distance > int64_t(0xFFFFFFFEu)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
    }
  }
  int64_t result = 0;
  if (!MovePointer(file, distance, moveMethod, result)) return INVALID_SET_FILE_POINTER;
  if (distanceToMoveHigh) *distanceToMoveHigh = LONG(uint64_t(result) >> 32);
  SetLastError(ERROR_SUCCESS);  // a position of 0xFFFFFFFF is then told apart from a failure
  return DWORD(uint64_t(result) & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distanceToMove, PLARGE_INTEGER newFilePointer, DWORD moveMethod) {
  int64_t result = 0;
  if (!MovePointer(file, distanceToMove.QuadPart, moveMethod, result)) return FALSE;
  if (newFilePointer) newFilePointer->QuadPart = result;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  auto f = FileOf(file);
  struct stat st;
  if (!f) return INVALID_FILE_SIZE;
  if (::fstat(f->fd, &st) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return INVALID_FILE_SIZE;
  }
  const uint64_t size = uint64_t(st.st_size);
  if (fileSizeHigh) *fileSizeHigh = DWORD(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return DWORD(size & 0xFFFFFFFFu);
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER fileSize) {
  auto f = FileOf(file);
  struct stat st;
  if (!f) return FALSE;
  if (::fstat(f->fd, &st) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  if (fileSize) fileSize->QuadPart = st.st_size;
  return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const off_t position = ::lseek(f->fd, 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(f->fd, position) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::fsync(f->fd) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime) {
  auto f = FileOf(file);
  struct stat st;
  if (!f) return FALSE;
  if (::fstat(f->fd, &st) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  if (creationTime) {
    struct statx stx;
    if (::statx(f->fd, "", AT_EMPTY_PATH, STATX_BTIME, &stx) == 0 && (stx.stx_mask & STATX_BTIME)) {
      *creationTime = ToFileTime(timespec{time_t(stx.stx_btime.tv_sec), long(stx.stx_btime.tv_nsec)});
    } else {
      *creationTime = ToFileTime(st.st_mtim);
    }
  }
  if (lastAccessTime) *lastAccessTime = ToFileTime(st.st_atim);
  if (lastWriteTime) *lastWriteTime = ToFileTime(st.st_mtim);
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* /*creationTime: Linux keeps no settable birth time*/,
                 const FILETIME* lastAccessTime, const FILETIME* lastWriteTime) {
  auto f = FileOf(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // NULL or a zero time leaves that time as it is.
  auto pick = [](const FILETIME* ft) {
    if (!ft || (ft->dwLowDateTime == 0 && ft->dwHighDateTime == 0)) return timespec{0, UTIME_OMIT};
    return FromFileTime(*ft);
  };
  const struct timespec times[2] = {pick(lastAccessTime), pick(lastWriteTime)};
  if (::futimens(f->fd, times) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

// ---- find -----------------------------------------------------------------------

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
  if (!fileName || !findData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  if (!FindEntries(fileName, find->entries)) return INVALID_HANDLE_VALUE;
  FillFindData(find->entries[0], *findData);
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return nux::RegisterHandle(std::move(find));
}

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  if (!fileName || !findData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  WIN32_FIND_DATAW wide;
  HANDLE handle = FindFirstFileW(Wide(fileName).c_str(), &wide);
  if (handle != INVALID_HANDLE_VALUE) ToAnsi(wide, *findData);
  return handle;
}

BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData) {
  auto find = nux::LookupHandle<FindObject>(findFile);
  if (!find) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  if (findData) FillFindData(find->entries[find->next], *findData);
  ++find->next;
  return TRUE;
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData) {
  WIN32_FIND_DATAW wide;
  if (!FindNextFileW(findFile, &wide)) return FALSE;
  if (findData) ToAnsi(wide, *findData);
  return TRUE;
}

BOOL FindClose(HANDLE findFile) {
  if (!nux::LookupHandle<FindObject>(findFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(findFile);
}

// ---- attributes -----------------------------------------------------------------

static bool StatPath(LPCWSTR fileName, std::string& linuxPath, struct stat& st) {
  Resolved resolved;
  if (!Map(fileName, resolved)) return false;
  linuxPath = resolved.linuxPath;
  if (::stat(linuxPath.c_str(), &st) != 0) {
    SetLastError(StatError(linuxPath, errno));
    return false;
  }
  return true;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  std::string linuxPath;
  struct stat st;
  if (!StatPath(fileName, linuxPath, st)) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(st);
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesW(Wide(fileName).c_str());
}

BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID fileInformation) {
  if (infoLevel != GetFileExInfoStandard || !fileInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string linuxPath;
  struct stat st;
  if (!StatPath(fileName, linuxPath, st)) return FALSE;
  FillAttributeData(linuxPath, st, *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(fileInformation));
  return TRUE;
}

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel, LPVOID fileInformation) {
  if (!fileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return GetFileAttributesExW(Wide(fileName).c_str(), infoLevel, fileInformation);
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes) {
  std::string linuxPath;
  struct stat st;
  if (!StatPath(fileName, linuxPath, st)) return FALSE;
  // A folder's read-only mark does not keep files out of it on Windows, so folders keep
  // their permissions; for a file, read-only is the absence of write permission.
  if (S_ISDIR(st.st_mode)) return TRUE;
  mode_t mode = st.st_mode & 07777;
  if (fileAttributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~mode_t(0222);
  } else if (IsReadOnly(st)) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && ::chmod(linuxPath.c_str(), mode) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD fileAttributes) {
  if (!fileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return SetFileAttributesW(Wide(fileName).c_str(), fileAttributes);
}

// ---- folders and files ----------------------------------------------------------

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES /*security*/) {
  Resolved resolved;
  if (!Map(pathName, resolved)) return FALSE;
  if (resolved.allExist()) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (resolved.existing + 1 < resolved.onDisk.size()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::mkdir(resolved.linuxPath.c_str(), 0777) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security) {
  if (!pathName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return CreateDirectoryW(Wide(pathName).c_str(), security);
}

BOOL RemoveDirectoryW(LPCWSTR pathName) {
  std::string linuxPath;
  struct stat st;
  if (!StatPath(pathName, linuxPath, st)) return FALSE;
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (::rmdir(linuxPath.c_str()) != 0) {
    const int err = errno;
    SetLastError(err == ENOTEMPTY || err == EEXIST ? ERROR_DIR_NOT_EMPTY
                 : err == ENOTDIR                  ? ERROR_DIRECTORY
                 : err == EBUSY || err == EINVAL   ? ERROR_ACCESS_DENIED
                                                   : ErrnoToWin32(err));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
  if (!pathName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return RemoveDirectoryW(Wide(pathName).c_str());
}

BOOL DeleteFileW(LPCWSTR fileName) {
  Resolved resolved;
  if (!Map(fileName, resolved)) return FALSE;
  struct stat st;
  if (::lstat(resolved.linuxPath.c_str(), &st) != 0) {
    SetLastError(StatError(resolved.linuxPath, errno));
    return FALSE;
  }
  // Neither a folder nor a read-only file is deleted.
  struct stat followed;
  const bool readOnly = !S_ISLNK(st.st_mode) ? IsReadOnly(st)
                                             : (::stat(resolved.linuxPath.c_str(), &followed) == 0 && IsReadOnly(followed));
  if (S_ISDIR(st.st_mode) || readOnly) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(resolved.linuxPath.c_str()) != 0) {
    SetLastError(StatError(resolved.linuxPath, errno));
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return DeleteFileW(Wide(fileName).c_str());
}

BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
  return CopyFileImpl(existingFileName, newFileName, failIfExists);
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  if (!existingFileName || !newFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return CopyFileImpl(Wide(existingFileName).c_str(), Wide(newFileName).c_str(), failIfExists);
}

BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName) {
  return MoveFileImpl(existingFileName, newFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName) {
  return MoveFileExA(existingFileName, newFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags) {
  return MoveFileImpl(existingFileName, newFileName, flags);
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (!existingFileName) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const std::u16string to = Wide(newFileName);
  return MoveFileImpl(Wide(existingFileName).c_str(), newFileName ? to.c_str() : nullptr, flags);
}

// ---- disk space and error mode --------------------------------------------------

BOOL GetDiskFreeSpaceW(LPCWSTR rootPathName, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD numberOfFreeClusters, LPDWORD totalNumberOfClusters) {
  return DiskFreeSpace(rootPathName, sectorsPerCluster, bytesPerSector, numberOfFreeClusters, totalNumberOfClusters);
}

BOOL GetDiskFreeSpaceA(LPCSTR rootPathName, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD numberOfFreeClusters, LPDWORD totalNumberOfClusters) {
  const std::u16string root = Wide(rootPathName);
  return DiskFreeSpace(rootPathName ? root.c_str() : nullptr, sectorsPerCluster, bytesPerSector, numberOfFreeClusters,
                       totalNumberOfClusters);
}

BOOL GetDiskFreeSpaceExW(LPCWSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes) {
  return DiskFreeSpaceEx(directoryName, freeBytesAvailableToCaller, totalNumberOfBytes, totalNumberOfFreeBytes);
}

BOOL GetDiskFreeSpaceExA(LPCSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                         PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes) {
  const std::u16string dir = Wide(directoryName);
  return DiskFreeSpaceEx(directoryName ? dir.c_str() : nullptr, freeBytesAvailableToCaller, totalNumberOfBytes,
                         totalNumberOfFreeBytes);
}

UINT SetErrorMode(UINT mode) { return g_errorMode.exchange(mode); }
UINT GetErrorMode() { return g_errorMode.load(); }
