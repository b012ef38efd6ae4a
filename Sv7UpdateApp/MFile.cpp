#include "MFile.h"

#include "DebugPrint.h"

MFile::MFile() = default;

MFile::~MFile() {
  if (state_ == kOpen) CloseHandleNow();
}

DWORD MFile::ModeToAccess(unsigned mode) {
  if (mode & 0x02) return GENERIC_READ;
  if (mode & 0x04) return GENERIC_WRITE;
  if (mode & (0x08 | 0x10)) return GENERIC_READ | GENERIC_WRITE;
  return 0;
}

DWORD MFile::ModeToSharing(unsigned mode) {
  if (mode & (0x02 | 0x20)) return FILE_SHARE_READ;
  if (mode & (0x04 | 0x08 | 0x40)) return FILE_SHARE_WRITE;
  return 0;
}

DWORD MFile::ModeToCreation(unsigned mode) {
  if (mode & 0x01) return CREATE_ALWAYS;
  if (mode & (0x02 | 0x08 | 0x10)) return OPEN_EXISTING;
  return OPEN_ALWAYS;
}

DWORD MFile::ModeToFlags(unsigned mode) {
  if (mode & 0x02) return FILE_FLAG_RANDOM_ACCESS;
  if (mode & 0x01) return FILE_FLAG_SEQUENTIAL_SCAN;
  return FILE_ATTRIBUTE_NORMAL;
}

bool MFile::Open(const char* path, unsigned mode) {
  if (path == nullptr) path = "";
  if (state_ == kOpen && name_ == path) {
    ++openCount_;
    return true;
  }
  // Another file is open in this object: it is closed first, so its handle is not lost.
  if (state_ == kOpen) CloseHandleNow();
  name_ = path;
  const DWORD access = ModeToAccess(mode);
  const DWORD sharing = ModeToSharing(mode);
  const DWORD creation = ModeToCreation(mode);
  const DWORD flags = ModeToFlags(mode);

  bool retried = false;
  for (;;) {
    handle_ = CreateFileA(path, access, sharing, nullptr, creation, flags, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) {
      state_ = kOpen;
      openCount_ = 1;
      return true;
    }
    const DWORD error = GetLastError();
    state_ = kOpenFailed;
    openCount_ = 0;
    DebugPrint("Opening file '%s' error code = %d\n", path, static_cast<int>(error));
    // A plain file that is only read-only is made writable, once, when write access was asked.
    if (retried || error != ERROR_ACCESS_DENIED || (access & GENERIC_WRITE) == 0) return false;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0)
      return false;
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) return false;
    retried = true;
  }
}

void MFile::CloseHandleNow() {
  state_ = CloseHandle(handle_) ? kClosed : kCloseFailed;
  handle_ = INVALID_HANDLE_VALUE;
  openCount_ = 0;
}

bool MFile::Close() {
  const int count = openCount_;
  if (openCount_ > 0) --openCount_;
  if (count == 1 && state_ == kOpen) CloseHandleNow();
  return state_ == kClosed || state_ == kOpen;
}

DWORD MFile::Read(void* buffer, DWORD count) {
  if (state_ != kOpen || buffer == nullptr) return 0;
  DWORD done = 0;
  if (!ReadFile(handle_, buffer, count, &done, nullptr)) return 0;
  return done;
}

DWORD MFile::Write(const void* buffer, DWORD count) {
  if (state_ != kOpen || (buffer == nullptr && count != 0)) return 0;
  DWORD done = 0;
  if (!WriteFile(handle_, buffer, count, &done, nullptr)) return 0;
  return done;
}

bool MFile::Exists(const char* path) {
  MFile file;
  if (!file.Open(path, kModeExists)) return false;
  file.Close();
  return true;
}
