// A small handle wrapper over the file functions, driven by a mode word.
#pragma once

#include <string>

#include "Sv7Platform.h"

class MFile {
 public:
  // State values.
  static constexpr int kOpen = 1;
  static constexpr int kClosed = 2;
  static constexpr int kOpenFailed = 128;
  static constexpr int kCloseFailed = 256;

  // Mode bits (see ModeToAccess and friends) and the modes the program uses.
  static constexpr unsigned kModeRead = 0x02;         // read, shared for reading, existing file
  static constexpr unsigned kModeCreateWrite = 0x05;  // write, shared for writing, created anew
  static constexpr unsigned kModeExists = 0x22;       // existence test

  MFile();
  virtual ~MFile();
  MFile(const MFile&) = delete;
  MFile& operator=(const MFile&) = delete;

  // Opens the path; opening the path that is open already only counts the open.
  virtual bool Open(const char* path, unsigned mode);
  // Drops one open; the last one closes the handle. True when closed or still open.
  virtual bool Close();
  // Bytes transferred; 0 when not open or on failure.
  virtual DWORD Read(void* buffer, DWORD count);
  virtual DWORD Write(const void* buffer, DWORD count);

  // True when the path opens in the existence-test mode; the file is closed again.
  static bool Exists(const char* path);

  int State() const { return state_; }
  int OpenCount() const { return openCount_; }
  const std::string& Name() const { return name_; }

  // The CreateFileA arguments for a mode word.
  static DWORD ModeToAccess(unsigned mode);
  static DWORD ModeToSharing(unsigned mode);
  static DWORD ModeToCreation(unsigned mode);
  static DWORD ModeToFlags(unsigned mode);

 private:
  void CloseHandleNow();

  std::string name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  int state_ = kClosed;
  int openCount_ = 0;
};
