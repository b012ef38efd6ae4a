// Downloads one URL at a time into memory through the transfer library and saves the bytes as
// a file in the temporary folder, named after the URL's last path part.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Sv7Platform.h"

// Sent by the progress callback to the progress window: wParam bytes received so far,
// lParam bytes expected in all (WM_USER + 2).
#define WM_DOWNLOAD_PROGRESS 0x0402

// One received piece of the response body.
struct ReceivedChunk {
  std::unique_ptr<char[]> data;
  std::size_t length = 0;
};
using ReceivedChunks = std::vector<ReceivedChunk>;

class MFile;

// What the write callback fills: the chunks received and not yet saved. While a download has
// its file open, the chunks are moved into it whenever they reach spillBytes, so a large body
// does not have to fit in memory before it is written.
struct ReceivedBody {
  ReceivedChunks chunks;
  std::size_t held = 0;
  MFile* file = nullptr;
  std::size_t spillBytes = std::size_t(4) << 20;
  bool writeFailed = false;
};

// Writes the held chunks to the body's file in order and releases them; false (and
// writeFailed set) when the file took fewer bytes.
bool SaveHeldChunks(ReceivedBody& body);

// The transfer library's callbacks; the write callback's data is a ReceivedBody.
std::size_t CurlWriteCallback(void* data, std::size_t size, std::size_t count, void* body);
int CurlProgressCallback(void* window, double totalToDownload, double downloaded, double totalToUpload,
                         double uploaded);

// How the progress callback posts its message to the window: PostMessageA, unless a test puts
// a poster of its own here (null goes back to PostMessageA).
using ProgressPoster = void (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SetProgressPoster(ProgressPoster poster);

class HttpConnection {
 public:
  static constexpr int kOutPathSize = 256;

  // Reads the settings file, then loads the transfer library and takes its entry points.
  HttpConnection();
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  bool LoadSettings();

  // Fetches the URL and saves it in the temporary folder; outPath (kOutPathSize bytes)
  // receives the saved file's path. With a window, progress messages go to it. False when the
  // library is missing, the transfer fails (an HTTP error status included), the saved name is
  // not a plain file name, the path does not fit, or the file can't be written whole. The body
  // goes to a file beside the target that is renamed over it only when all of it was written.
  // savedName, when given, is the saved file's name in place of the URL's last part (the URL
  // then carries it percent-encoded). Only http and https are fetched, redirects included, and
  // at most kMaxRedirects redirects are followed.
  bool Download(char* outPath, const char* url, HWND window, const char* savedName = nullptr);

  static constexpr long kMaxRedirects = 10;
  static constexpr long kDefaultTimeLimit = 30 * 60;

  // A transfer that has not ended after this many seconds in all is ended as failed, however
  // steadily a server trickles (0: no limit).
  void SetTimeLimit(long seconds) { timeLimit_ = seconds; }

  // A transfer slower than bytesPerSecond for seconds in a row is ended as failed, so a stalled
  // server can't hold the program for ever.
  void SetLowSpeedLimit(long bytesPerSecond, long seconds);

  bool LibraryLoaded() const { return library_ != nullptr; }
  int LastResult() const { return lastResult_; }

  // The settings file's contents.
  const std::map<int, std::string>& Names() const { return names_; }
  const std::map<int, std::string>& Values() const { return values_; }
  const std::string& ResolvedPath() const { return resolvedPath_; }
  const std::vector<int>& ListA() const { return listA_; }
  const std::vector<int>& ListB() const { return listB_; }
  const std::string& LowerText() const { return lowerText_; }

 private:

  HMODULE library_ = nullptr;
  std::map<int, std::string> names_;
  std::map<int, std::string> values_;
  std::string resolvedPath_;
  std::vector<int> listA_;
  std::vector<int> listB_;
  std::string lowerText_;
  int lastResult_ = 0;
  long lowSpeedLimit_ = 1;
  long lowSpeedTime_ = 60;
  long timeLimit_ = kDefaultTimeLimit;
};

// True when the text is a plain file name that stays inside the folder it is saved in and names
// an ordinary file there: not empty, not "." or "..", no path separator, drive colon, control
// character or other character a file name can't hold (< > " | ? *), no trailing dot or blank,
// and no device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with or without an
// extension).
bool IsPlainFileName(const char* name);

// The text with every byte but letters, digits, "-", ".", "_", "~" and "/" written as %XX, so a
// file name with blanks, "#", "%", "?" or non-ASCII letters reaches the server as it is named.
std::string PercentEncodePath(const std::string& text);
