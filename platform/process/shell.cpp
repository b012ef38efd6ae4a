// ShellExecute through the configured shell handler, and the user's shell folders.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "process/process.h"
#include "process/spawn_internal.h"

namespace nux::process {
namespace {

struct ShellConfig {
  std::mutex mutex;
  ShellHandler handler;
  std::vector<std::string> command;
};

ShellConfig& Config() {
  static auto* config = new ShellConfig;
  return *config;
}

// "http://x", "mailto:x": a scheme of two or more letters (one letter is a drive).
bool IsAddress(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && ((text[i] >= u'a' && text[i] <= u'z') || (text[i] >= u'A' && text[i] <= u'Z') ||
                             (i > 0 && ((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' || text[i] == u'.' ||
                                        text[i] == u'-'))))
    ++i;
  return i >= 2 && i < text.size() && text[i] == u':';
}

HINSTANCE Result(INT_PTR code, DWORD error) {
  if (error != ERROR_SUCCESS) SetLastError(error);
  return reinterpret_cast<HINSTANCE>(code);
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (nux::UpperAscii(a[i]) != nux::UpperAscii(b[i])) return false;
  return true;
}

HINSTANCE Execute(const char16_t* verb, const char16_t* file, const char16_t* parameters, const char16_t* directory,
                  int show) {
  if (!file || !*file) return Result(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
  if (verb && *verb && !EqualNoCase(verb, u"open")) return Result(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
  ShellRequest request;
  request.verb = "open";
  request.file = file;
  request.show = show;
  if (parameters) request.parameters = ToUtf8(parameters);
  if (directory && *directory) request.directory = nux::fs::ToLinuxPath(directory);
  std::string folder = request.directory;
  if (folder.empty()) {
    char16_t current[MAX_PATH] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH, current);
    if (n > 0 && n < MAX_PATH) folder = nux::fs::ToLinuxPath(std::u16string(current, n));
  }
  if (IsAddress(file)) {
    request.target = ToUtf8(file);
  } else {
    request.target = nux::fs::ToLinuxPath(file);
    struct stat st;
    if (request.target.empty() || ::stat(request.target.c_str(), &st) != 0)
      return Result(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
  }

  ShellHandler handler;
  std::vector<std::string> command;
  {
    ShellConfig& c = Config();
    std::lock_guard<std::mutex> lock(c.mutex);
    handler = c.handler;
    command = c.command;
  }
  if (!handler && command.empty()) command = SplitWords(std::getenv("NUX_SHELL_HANDLER"));
  if (handler) {
    if (!handler(request)) return Result(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    return Result(42, ERROR_SUCCESS);
  }
  if (command.empty()) return Result(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
  std::vector<std::string> argv = command;
  argv.push_back(request.target);
  std::string program = argv.front();
  if (program.find('/') == std::string::npos) {
    // A program of the Linux search path.
    std::string found;
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= all.size()) {
      size_t end = all.find(':', begin);
      if (end == std::string::npos) end = all.size();
      std::string candidate = (end > begin ? all.substr(begin, end - begin) : ".") + "/" + program;
      struct stat st;
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        found = candidate;
        break;
      }
      begin = end + 1;
    }
    if (found.empty()) return Result(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    program = found;
  }
  DWORD error = 0;
  const pid_t pid = SpawnLinux(program, argv, folder, &error);
  if (pid < 0) return Result(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
  ReapInBackground(pid, nullptr);  // not waited for; only collected when it ends
  return Result(42, ERROR_SUCCESS);
}

constexpr char16_t kDocuments[] = u"C:\\users\\user\\Documents";

bool EnsureFolder(const std::u16string& path) {
  std::u16string partial;
  size_t pos = 0;
  while (pos != std::u16string::npos) {
    pos = path.find(u'\\', pos + 1);
    partial = path.substr(0, pos);
    if (partial.size() <= 2) continue;  // the drive
    if (!CreateDirectoryW(partial.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HRESULT FolderPath(int csidl, std::u16string& out) {
  switch (csidl & ~CSIDL_FLAG_MASK) {
    case CSIDL_PERSONAL: out = kDocuments; break;
    default: return E_INVALIDARG;
  }
  if (!EnsureFolder(out)) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND);
  return S_OK;
}

}  // namespace

void SetShellHandler(ShellHandler handler) {
  ShellConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.handler = std::move(handler);
}

void SetShellCommand(std::vector<std::string> command) {
  ShellConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.command = std::move(command);
}

void ResetShellHandler() {
  ShellConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.handler = nullptr;
  c.command.clear();
}

}  // namespace nux::process

HINSTANCE ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd) {
  return nux::process::Execute(lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd) {
  std::u16string verb, file, parameters, directory;
  if (lpOperation) verb = nux::AnsiToWide(lpOperation);
  if (lpFile) file = nux::AnsiToWide(lpFile);
  if (lpParameters) parameters = nux::AnsiToWide(lpParameters);
  if (lpDirectory) directory = nux::AnsiToWide(lpDirectory);
  return nux::process::Execute(lpOperation ? verb.c_str() : nullptr, lpFile ? file.c_str() : nullptr,
                               lpParameters ? parameters.c_str() : nullptr, lpDirectory ? directory.c_str() : nullptr,
                               nShowCmd);
}

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR pszPath) {
  if (!pszPath) return E_INVALIDARG;
  pszPath[0] = 0;
  std::u16string path;
  HRESULT hr = nux::process::FolderPath(csidl, path);
  if (FAILED(hr)) return hr;
  if (path.size() >= MAX_PATH) return E_FAIL;
  std::memcpy(pszPath, path.c_str(), (path.size() + 1) * sizeof(char16_t));
  return S_OK;
}

HRESULT SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath) {
  if (!pszPath) return E_INVALIDARG;
  pszPath[0] = 0;
  std::u16string path;
  HRESULT hr = nux::process::FolderPath(csidl, path);
  if (FAILED(hr)) return hr;
  const std::string ansi = nux::WideToAnsi(path);
  if (ansi.size() >= MAX_PATH) return E_FAIL;
  std::memcpy(pszPath, ansi.c_str(), ansi.size() + 1);
  return S_OK;
}
