#include "HttpConnection.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "DebugPrint.h"
#include "MFile.h"
#include "StarvanePath.h"
#include "TextReader.h"
#include "UpdateFlags.h"

namespace {

// Option numbers of the transfer library.
constexpr int kOptWriteData = 10001;
constexpr int kOptUrl = 10002;
constexpr int kOptTimeout = 13;
constexpr int kOptLowSpeedLimit = 19;
constexpr int kOptLowSpeedTime = 20;
constexpr int kOptVerbose = 41;
constexpr int kOptNoProgress = 43;
constexpr int kOptFailOnError = 45;
constexpr int kOptFollowLocation = 52;
constexpr int kOptMaxRedirs = 68;
constexpr int kOptProtocols = 181;
constexpr int kOptRedirProtocols = 182;
constexpr int kOptProtocolsStr = 10318;
constexpr int kOptRedirProtocolsStr = 10319;
constexpr long kProtoHttp = 1;
constexpr long kProtoHttps = 2;
constexpr int kOptBufferSize = 98;
constexpr int kOptProgressData = 10057;
constexpr int kOptWriteFunction = 20011;
constexpr int kOptProgressFunction = 20056;
constexpr long kGlobalAll = 3;

using GlobalInitFn = int (*)(long);
using EasyInitFn = void* (*)();
using EasySetoptFn = int (*)(void*, int, ...);
using FormAddFn = int (*)(void*, void*, ...);
using EasyPerformFn = int (*)(void*);
using FormFreeFn = void (*)(void*);
using EasyCleanupFn = void (*)(void*);
using SlistAppendFn = void* (*)(void*, const char*);
using SlistFreeAllFn = void (*)(void*);
using EasyStrerrorFn = const char* (*)(int);

// The entry points, process-wide, taken anew by each construction.
GlobalInitFn p_curl_global_init = nullptr;
EasyInitFn p_curl_easy_init = nullptr;
EasySetoptFn p_curl_easy_setopt = nullptr;
FormAddFn p_curl_formadd = nullptr;
EasyPerformFn p_curl_easy_perform = nullptr;
FormFreeFn p_curl_formfree = nullptr;
EasyCleanupFn p_curl_easy_cleanup = nullptr;
SlistAppendFn p_curl_slist_append = nullptr;
SlistFreeAllFn p_curl_slist_free_all = nullptr;
EasyStrerrorFn p_curl_easy_strerror = nullptr;

template <typename Fn>
void Take(Fn& slot, HMODULE library, const char* name) {
  slot = library != nullptr ? reinterpret_cast<Fn>(GetProcAddress(library, name)) : nullptr;
}

std::atomic<ProgressPoster> g_poster{nullptr};

void DeleteFileAnyway(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  DeleteFileA(path);
}

std::string LowerCopy(const char* text) {
  std::string out = text;
  for (char& c : out) c = nux::LowerAscii(c);
  return out;
}

}  // namespace

void SetProgressPoster(ProgressPoster poster) { g_poster.store(poster); }

bool SaveHeldChunks(ReceivedBody& body) {
  bool ok = body.file != nullptr && !body.writeFailed;
  for (const ReceivedChunk& chunk : body.chunks) {
    if (!ok) break;
    ok = body.file->Write(chunk.data.get(), static_cast<DWORD>(chunk.length)) == chunk.length;
  }
  body.chunks.clear();
  body.held = 0;
  if (!ok) body.writeFailed = true;
  return ok;
}

std::size_t CurlWriteCallback(void* data, std::size_t size, std::size_t count, void* target) {
  ReceivedBody& body = *static_cast<ReceivedBody*>(target);
  if (size != 0 && count > static_cast<std::size_t>(-1) / size) return 0;
  const std::size_t bytes = size * count;
  // An empty piece is no failure (an empty body is a valid empty file).
  if (bytes == 0) return 0;
  ReceivedChunk chunk;
  chunk.data.reset(new (std::nothrow) char[bytes]);
  if (!chunk.data) return 0;  // taken by the library as a write failure
  std::memcpy(chunk.data.get(), data, bytes);
  chunk.length = bytes;
  body.chunks.push_back(std::move(chunk));
  body.held += bytes;
  // A failed write ends the transfer at once: returning less than given is a write failure.
  if (body.file != nullptr && body.held >= body.spillBytes && !SaveHeldChunks(body)) return 0;
  return bytes;
}

namespace {

// A byte count from the library as a whole number: truncated toward zero, negative or unknown
// (not a number) as 0, and never past what the message parameter holds.
std::int64_t WholeBytes(double bytes) {
  constexpr double kMost = 9.0e18;
  if (!(bytes > 0)) return 0;
  if (bytes > kMost) return static_cast<std::int64_t>(kMost);
  return static_cast<std::int64_t>(bytes);
}

}  // namespace

int CurlProgressCallback(void* window, double totalToDownload, double downloaded, double, double) {
  const WPARAM received = static_cast<WPARAM>(WholeBytes(downloaded));
  const LPARAM expected = static_cast<LPARAM>(WholeBytes(totalToDownload));
  if (window != nullptr) {
    if (ProgressPoster poster = g_poster.load())
      poster(static_cast<HWND>(window), WM_DOWNLOAD_PROGRESS, received, expected);
    else
      PostMessageA(static_cast<HWND>(window), WM_DOWNLOAD_PROGRESS, received, expected);
  }
  // Closing the dialog, or the user's cancel, aborts the running transfer.
  return DialogClosed.load() != 0 || CancelRequested.load() != 0 ? 1 : 0;
}

bool IsPlainFileName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:<>\"|?*", c) != nullptr) return false;
  }
  const std::size_t length = std::strlen(name);
  if (name[length - 1] == '.' || name[length - 1] == ' ') return false;
  // A device name opens the device, whatever extension follows it.
  std::string stem = LowerCopy(name);
  stem = stem.substr(0, stem.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (stem == device) return false;
  if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
      stem[3] <= '9')
    return false;
  return true;
}

std::string PercentEncodePath(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("-._~/", c) != nullptr) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

HttpConnection::HttpConnection() {
  LoadSettings();
  StarvanePath resolver;
  const char* path = resolver.GetPath("libcurl.dll");
  // Without a copy in the host's folders the bare name is loaded: the platform's loader maps it
  // to the system's transfer library.
  library_ = LoadLibraryA(path != nullptr ? path : "libcurl.dll");
  if (library_ == nullptr) DebugPrint("File libcurl.dll not found!!!\n");
  Take(p_curl_global_init, library_, "curl_global_init");
  Take(p_curl_easy_init, library_, "curl_easy_init");
  Take(p_curl_easy_setopt, library_, "curl_easy_setopt");
  Take(p_curl_formadd, library_, "curl_formadd");
  Take(p_curl_easy_perform, library_, "curl_easy_perform");
  Take(p_curl_formfree, library_, "curl_formfree");
  Take(p_curl_easy_cleanup, library_, "curl_easy_cleanup");
  Take(p_curl_slist_append, library_, "curl_slist_append");
  Take(p_curl_slist_free_all, library_, "curl_slist_free_all");
  Take(p_curl_easy_strerror, library_, "curl_easy_strerror");
}

HttpConnection::~HttpConnection() {
  if (library_ != nullptr) FreeLibrary(library_);
  library_ = nullptr;
}

void HttpConnection::SetLowSpeedLimit(long bytesPerSecond, long seconds) {
  lowSpeedLimit_ = bytesPerSecond;
  lowSpeedTime_ = seconds;
}

bool HttpConnection::LoadSettings() {
  StarvanePath resolver;
  const char* found = resolver.GetPath("media:settings:http_connection.ini");
  if (found == nullptr) return false;
  const std::string settingsPath = found;
  TextReader reader;
  if (!reader.Open(settingsPath.c_str())) return false;

  char line[512];
  if (reader.ReadLine(line, sizeof line) == TextReader::kEndOfFile) return true;
  if (const char* resolved = resolver.GetPath(line)) resolvedPath_ = resolved;

  int n;
  while ((n = reader.ReadLine(line, sizeof line)) >= 0) {
    int id = 0;
    char* tab = std::strchr(line, '\t');
    if (!ScanDecimal(line, &id) || tab == nullptr) continue;
    char* name = tab + 1;
    char* valueTab = std::strchr(name, '\t');
    if (valueTab != nullptr) *valueTab = '\0';
    TrimLine(name);
    if (*name == '\0') continue;
    names_.emplace(id, name);
    if (valueTab != nullptr) {
      char* value = valueTab + 1;
      if (char* end = std::strchr(value, '\t')) *end = '\0';
      TrimLine(value);
      values_.emplace(id, value);
    }
  }
  for (std::vector<int>* list : {&listA_, &listB_}) {
    if (n == TextReader::kEndOfFile) return true;
    while ((n = reader.ReadLine(line, sizeof line)) >= 0) {
      int value = 0;
      if (ScanDecimal(line, &value)) list->push_back(value);
    }
  }
  if (n == TextReader::kEndOfFile) return true;
  if (reader.ReadLine(line, sizeof line) != TextReader::kEndOfFile) lowerText_ = LowerCopy(line);
  return true;
}

bool HttpConnection::Download(char* outPath, const char* url, HWND window, const char* savedName) {
  if (library_ == nullptr || outPath == nullptr || url == nullptr) return false;
  if (!p_curl_global_init || !p_curl_easy_init || !p_curl_easy_setopt || !p_curl_easy_perform ||
      !p_curl_easy_cleanup)
    return false;

  // The saved file's path: the temporary folder and the URL's text after its last "/".
  const char* slash = std::strrchr(url, '/');
  if (slash == nullptr) return false;
  const char* name = savedName != nullptr ? savedName : slash + 1;
  if (!IsPlainFileName(name)) {
    DebugPrint("File name '%s' of '%s' is not a plain file name\n", name, url);
    return false;
  }
  char temp[kOutPathSize];
  const DWORD tempLength = GetTempPathA(kOutPathSize, temp);
  if (tempLength == 0 || tempLength >= kOutPathSize) return false;
  const std::string path = std::string(temp) + name;
  if (path.size() >= static_cast<std::size_t>(kOutPathSize)) {
    DebugPrint("Path '%s' is too long\n", path.c_str());
    return false;
  }

  lastResult_ = p_curl_global_init(kGlobalAll);
  if (lastResult_ != 0) return false;
  void* easy = p_curl_easy_init();
  if (easy == nullptr) return false;

  // The body is written to a file beside the target while it arrives; the file takes the
  // target's name only when the whole body is in it.
  const std::string partial = path + ".part";
  if (GetFileAttributesA(partial.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileAnyway(partial.c_str());
  MFile file;
  if (!file.Open(partial.c_str(), MFile::kModeCreateWrite)) {
    p_curl_easy_cleanup(easy);
    return false;
  }
  ReceivedBody body;
  body.file = &file;

  using WriteFn = std::size_t (*)(void*, std::size_t, std::size_t, void*);
  using ProgressFn = int (*)(void*, double, double, double, double);
  lastResult_ = p_curl_easy_setopt(easy, kOptUrl, url);
  lastResult_ = p_curl_easy_setopt(easy, kOptWriteFunction, static_cast<WriteFn>(CurlWriteCallback));
  lastResult_ = p_curl_easy_setopt(easy, kOptWriteData, &body);
  lastResult_ = p_curl_easy_setopt(easy, kOptFollowLocation, 1L);
  lastResult_ = p_curl_easy_setopt(easy, kOptVerbose, 1L);
  // An HTTP error status is a failed transfer; a stalled server, and one that trickles for
  // longer than the time limit, ends it.
  p_curl_easy_setopt(easy, kOptFailOnError, 1L);
  p_curl_easy_setopt(easy, kOptLowSpeedLimit, lowSpeedLimit_);
  p_curl_easy_setopt(easy, kOptLowSpeedTime, lowSpeedTime_);
  p_curl_easy_setopt(easy, kOptTimeout, timeLimit_ > 0 ? timeLimit_ : 0L);
  // Web addresses only, also where a redirect leads, and no endless chain of redirects.
  p_curl_easy_setopt(easy, kOptMaxRedirs, kMaxRedirects);
  if (p_curl_easy_setopt(easy, kOptProtocolsStr, "http,https") != 0)
    p_curl_easy_setopt(easy, kOptProtocols, kProtoHttp | kProtoHttps);
  if (p_curl_easy_setopt(easy, kOptRedirProtocolsStr, "http,https") != 0)
    p_curl_easy_setopt(easy, kOptRedirProtocols, kProtoHttp | kProtoHttps);
  // Larger pieces mean fewer callbacks and copies for big files.
  p_curl_easy_setopt(easy, kOptBufferSize, 256L * 1024);
  if (window != nullptr) {
    p_curl_easy_setopt(easy, kOptNoProgress, 0L);
    p_curl_easy_setopt(easy, kOptProgressFunction, static_cast<ProgressFn>(CurlProgressCallback));
    p_curl_easy_setopt(easy, kOptProgressData, static_cast<void*>(window));
  }
  lastResult_ = p_curl_easy_perform(easy);
  p_curl_easy_cleanup(easy);

  bool saved = lastResult_ == 0;
  if (!saved) {
    DebugPrint("Error during processing request\n");
    if (p_curl_easy_strerror) DebugPrint("'%s': %s (%d)\n", url, p_curl_easy_strerror(lastResult_), lastResult_);
  }
  if (saved) saved = SaveHeldChunks(body);
  body.chunks.clear();
  if (!file.Close() || file.State() != MFile::kClosed) saved = false;
  if (saved) {
    std::memcpy(outPath, path.c_str(), path.size() + 1);
    if (MFile::Exists(path.c_str())) DeleteFileAnyway(path.c_str());
    saved = MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  if (!saved) {
    if (lastResult_ == 0 || body.writeFailed) DebugPrint("Writing file '%s' failed\n", path.c_str());
    DeleteFileAnyway(partial.c_str());
  }
  return saved;
}
