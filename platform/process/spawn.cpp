// Processes: CreateProcess finds the program through the Windows paths, starts a Linux
// executable with fork and exec, and hands a Windows program to the configured runner. A
// process object is signalled when the process has ended; a thread of ours waits for each child
// so that its exit code is known without anybody polling.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/handles.h"
#include "fs/path.h"
#include "fs/root.h"
#include "process/process.h"
#include "process/spawn_internal.h"
#include "res/resources.h"

extern char** environ;

namespace nux::process {

std::vector<std::string> SplitWords(const char* text) {
  std::vector<std::string> words;
  std::string word;
  for (const char* p = text; p && *p; ++p) {
    if (*p == ' ' || *p == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += *p;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

namespace {

constexpr WORD kShowNormal = 1;
constexpr unsigned kCloseRangeCloexec = 1u << 2;  // CLOSE_RANGE_CLOEXEC of the kernel

struct RunnerConfig {
  std::mutex mutex;
  bool runnerSet = false;
  WindowsProgramRunner runner;
  bool commandSet = false;
  std::vector<std::string> command;
};

RunnerConfig& Config() {
  static auto* config = new RunnerConfig;
  return *config;
}

class ProcessObject : public SignalOnce {
 public:
  explicit ProcessObject(DWORD id) : id_(id) {}
  DWORD id() const { return id_; }
  pid_t linuxPid = 0;
  // TerminateProcess of a Linux child: the code it asked for, given when the child has ended.
  std::atomic<bool> terminated{false};
  std::atomic<DWORD> terminateCode{0};
  DWORD ExitCode() const { return IsSignalledNow() ? exitCode_.load() : DWORD(STILL_ACTIVE); }
  // The first end wins: a terminated process keeps the code TerminateProcess gave it.
  bool Finish(DWORD code) {
    if (finished_.exchange(true)) return false;
    exitCode_ = code;
    Signal();
    return true;
  }

 private:
  DWORD id_;
  std::atomic<DWORD> exitCode_{STILL_ACTIVE};
  std::atomic<bool> finished_{false};
};

// The handle of a process's first thread: signalled together with the process.
class FirstThreadObject : public Waitable {
 public:
  explicit FirstThreadObject(std::shared_ptr<ProcessObject> process) : process_(std::move(process)) {}
  bool IsSignalled() const override { return process_->IsSignalled(); }

 private:
  std::shared_ptr<ProcessObject> process_;
};

std::atomic<DWORD> g_nextRunnerId{0x40000000};

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasExtension(std::u16string_view name) {
  const size_t slash = name.find_last_of(u"\\/");
  const size_t dot = name.rfind(u'.');
  return dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
}

std::string ExistingFile(const std::u16string& windowsPath) {
  const std::string linux = nux::fs::ToLinuxPath(windowsPath);
  return !linux.empty() && IsRegularFile(linux) ? linux : std::string();
}

std::u16string WindowsFolder(UINT (*get)(LPWSTR, UINT)) {
  char16_t buffer[MAX_PATH] = {};
  UINT n = get(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::u16string(buffer, n) : std::u16string();
}

// A program path: as given, then with ".exe" when it has no extension.
std::string TryProgram(const std::u16string& path) {
  std::string found = ExistingFile(path);
  if (found.empty() && !HasExtension(path)) found = ExistingFile(path + u".exe");
  return found;
}

std::string ResolveProgram(const std::u16string& name) {
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return TryProgram(name);
  std::vector<std::u16string> folders;
  char16_t module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    std::u16string path(module, n);
    const size_t slash = path.rfind(u'\\');
    if (slash != std::u16string::npos) folders.push_back(path.substr(0, slash));
  }
  char16_t current[MAX_PATH] = {};
  n = GetCurrentDirectoryW(MAX_PATH, current);
  if (n > 0 && n < MAX_PATH) folders.emplace_back(current, n);
  folders.push_back(WindowsFolder(GetSystemDirectoryW));
  folders.push_back(WindowsFolder(GetWindowsDirectoryW));
  for (std::u16string folder : folders) {
    if (folder.empty()) continue;
    if (folder.back() != u'\\') folder += u'\\';
    std::string found = TryProgram(folder + name);
    if (!found.empty()) return found;
  }
  // The platform's own programs have Linux names: "regsvr32" for regsvr32 and regsvr32.exe.
  std::string own = ToUtf8(name);
  if (own.size() > 4 && (own.compare(own.size() - 4, 4, ".exe") == 0 || own.compare(own.size() - 4, 4, ".EXE") == 0))
    own.resize(own.size() - 4);
  for (char& c : own)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  const std::string programs = PlatformProgramFolder();
  if (!programs.empty() && IsRegularFile(programs + "/" + own)) return programs + "/" + own;
  return {};
}

enum class ProgramKind { Linux, Windows, Unknown };

ProgramKind KindOf(const std::string& path) {
  unsigned char head[4] = {};
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ProgramKind::Unknown;
  ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  if (got >= 2 && head[0] == 'M' && head[1] == 'Z') return ProgramKind::Windows;
  if (got >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return ProgramKind::Linux;
  if (got >= 2 && head[0] == '#' && head[1] == '!') return ProgramKind::Linux;
  return ProgramKind::Unknown;
}

DWORD ErrorOfErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_DIRECTORY;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_BAD_EXE_FORMAT;
  }
}

DWORD ExitCodeOfStatus(int status) {
  if (WIFEXITED(status)) return DWORD(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return DWORD(128 + WTERMSIG(status));
  return 0;
}

}  // namespace

std::string PlatformProgramFolder() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&PlatformProgramFolder), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  const std::string root = "NUX_PLATFORM_ROOT=" + nux::PlatformRoot();
  const std::string debug = DebugOutputFileSetting();
  std::vector<std::string> runner;
  {
    RunnerConfig& c = Config();
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.commandSet) runner = c.command;
  }
  auto replaced = [&](const char* entry) {
    return std::strncmp(entry, "NUX_PLATFORM_ROOT=", 18) == 0 ||
           (!debug.empty() && std::strncmp(entry, "NUX_DEBUG_OUTPUT=", 17) == 0) ||
           (!runner.empty() && std::strncmp(entry, "NUX_WINDOWS_RUNNER=", 19) == 0);
  };
  for (char** e = environ; e && *e; ++e)
    if (!replaced(*e)) env.emplace_back(*e);
  env.push_back(root);
  if (!debug.empty()) env.push_back("NUX_DEBUG_OUTPUT=" + debug);
  if (!runner.empty()) {
    std::string words;
    for (const std::string& w : runner) words += (words.empty() ? "" : " ") + w;
    env.push_back("NUX_WINDOWS_RUNNER=" + words);
  }
  return env;
}

pid_t SpawnLinux(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                 DWORD* error) {
  std::vector<std::string> env = ChildEnvironment();
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  long maxFd = ::sysconf(_SC_OPEN_MAX);
  if (maxFd < 0 || maxFd > 65536) maxFd = 65536;

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return -1;
  }
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return -1;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on. No descriptor of the parent's survives the
    // exec but the standard three: a held lock file must not outlive its holder's wish.
    // (The error pipe is close-on-exec already: an exec that succeeds closes it.)
    if (::close_range(3, ~0U, kCloseRangeCloexec) != 0)
      for (int fd = 3; fd < maxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    int failure = 0;
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
      failure = errno == ENOENT ? ENOTDIR : errno;
    } else {
      ::execve(program.c_str(), argv.data(), envp.data());
      failure = errno;
    }
    ssize_t ignored = ::write(pipeFds[1], &failure, sizeof failure);
    (void)ignored;
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  int failure = 0;
  ssize_t got;
  do {
    got = ::read(pipeFds[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  ::close(pipeFds[0]);
  if (got == sizeof failure) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    *error = ErrorOfErrno(failure);
    return -1;
  }
  return pid;
}

void ReapInBackground(pid_t pid, std::function<void(DWORD)> done) {
  std::thread([pid, done = std::move(done)] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) {
        status = 0;
        break;
      }
    }
    if (done) done(ExitCodeOfStatus(status));
  }).detach();
}

void SetWindowsProgramRunner(WindowsProgramRunner runner) {
  RunnerConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.runnerSet = static_cast<bool>(runner);
  c.runner = std::move(runner);
}

void SetWindowsProgramCommand(std::vector<std::string> command) {
  RunnerConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.commandSet = !command.empty();
  c.command = std::move(command);
}

void ResetWindowsProgramRunner() {
  RunnerConfig& c = Config();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.runnerSet = false;
  c.runner = nullptr;
  c.commandSet = false;
  c.command.clear();
}

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL StartProcess(LPCWSTR applicationName, LPCWSTR commandLine, DWORD creationFlags, LPCWSTR currentDirectory,
                  DWORD startupFlags, WORD showWindow, LPPROCESS_INFORMATION info) {
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  std::u16string line = commandLine ? std::u16string(commandLine) : std::u16string();
  std::vector<std::u16string> words = SplitCommandLine(line);
  std::u16string name;
  if (applicationName && *applicationName) {
    name = applicationName;
    if (!commandLine) line = u"\"" + name + u"\"";
  } else if (!words.empty()) {
    name = words.front();
  }
  if (name.empty()) return Fail(ERROR_INVALID_PARAMETER);

  ProgramStart start;
  start.program = ResolveProgram(name);
  if (start.program.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  start.windowsProgram = nux::fs::ToWindowsPath(start.program);
  for (size_t i = 1; i < words.size(); ++i) start.arguments.push_back(ToUtf8(words[i]));
  start.commandLine = line;
  start.startupFlags = startupFlags;
  start.showWindow = (startupFlags & STARTF_USESHOWWINDOW) ? showWindow : kShowNormal;
  start.creationFlags = creationFlags;
  if (currentDirectory && *currentDirectory) {
    start.currentDirectory = nux::fs::ToLinuxPath(currentDirectory);
    struct stat st;
    if (start.currentDirectory.empty() || ::stat(start.currentDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return Fail(ERROR_DIRECTORY);
  } else {
    char16_t current[MAX_PATH] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH, current);
    if (n > 0 && n < MAX_PATH) start.currentDirectory = nux::fs::ToLinuxPath(std::u16string(current, n));
  }

  const ProgramKind kind = KindOf(start.program);
  if (kind == ProgramKind::Unknown) return Fail(ERROR_BAD_EXE_FORMAT);

  std::shared_ptr<ProcessObject> process;
  if (kind == ProgramKind::Linux) {
    std::vector<std::string> argv{start.program};
    argv.insert(argv.end(), start.arguments.begin(), start.arguments.end());
    DWORD error = 0;
    pid_t pid = SpawnLinux(start.program, argv, start.currentDirectory, &error);
    if (pid < 0) return Fail(error);
    process = std::make_shared<ProcessObject>(DWORD(pid));
    process->linuxPid = pid;
    ReapInBackground(pid, [process](DWORD code) {
      process->Finish(process->terminated ? process->terminateCode.load() : code);
    });
  } else {
    WindowsProgramRunner runner;
    std::vector<std::string> command;
    {
      RunnerConfig& c = Config();
      std::lock_guard<std::mutex> lock(c.mutex);
      if (c.runnerSet) runner = c.runner;
      if (c.commandSet) command = c.command;
    }
    if (!runner && command.empty()) command = SplitWords(std::getenv("NUX_WINDOWS_RUNNER"));
    if (runner) {
      process = std::make_shared<ProcessObject>(g_nextRunnerId.fetch_add(4));
      std::thread([process, runner, start] { process->Finish(runner(start)); }).detach();
    } else if (!command.empty()) {
      std::vector<std::string> argv = command;
      argv.push_back(start.program);
      argv.insert(argv.end(), start.arguments.begin(), start.arguments.end());
      // The runner is a program of the Linux search path.
      std::string runnerPath;
      if (argv.front().find('/') != std::string::npos) {
        runnerPath = argv.front();
      } else if (const char* path = std::getenv("PATH")) {
        std::string all = path;
        size_t begin = 0;
        while (begin <= all.size()) {
          size_t end = all.find(':', begin);
          if (end == std::string::npos) end = all.size();
          std::string candidate = (end > begin ? all.substr(begin, end - begin) : ".") + "/" + argv.front();
          if (IsRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) {
            runnerPath = candidate;
            break;
          }
          begin = end + 1;
        }
      }
      if (runnerPath.empty()) return Fail(ERROR_BAD_EXE_FORMAT);
      DWORD error = 0;
      pid_t pid = SpawnLinux(runnerPath, argv, start.currentDirectory, &error);
      if (pid < 0) return Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_BAD_EXE_FORMAT : error);
      process = std::make_shared<ProcessObject>(DWORD(pid));
      process->linuxPid = pid;
      ReapInBackground(pid, [process](DWORD code) {
        process->Finish(process->terminated ? process->terminateCode.load() : code);
      });
    } else {
      return Fail(ERROR_BAD_EXE_FORMAT);
    }
  }

  HANDLE processHandle = RegisterHandle(process);
  HANDLE threadHandle = RegisterHandle(std::make_shared<FirstThreadObject>(process));
  info->hProcess = processHandle;
  info->hThread = threadHandle;
  info->dwProcessId = process->id();
  info->dwThreadId = process->id() + 1;
  return TRUE;
}

}  // namespace
}  // namespace nux::process

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation) {
  const DWORD flags = lpStartupInfo ? lpStartupInfo->dwFlags : 0;
  const WORD show = lpStartupInfo ? lpStartupInfo->wShowWindow : 0;
  return nux::process::StartProcess(lpApplicationName, lpCommandLine, dwCreationFlags, lpCurrentDirectory, flags, show,
                                    lpProcessInformation);
}

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD dwCreationFlags, LPVOID, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation) {
  std::u16string application, line, folder;
  if (lpApplicationName) application = nux::AnsiToWide(lpApplicationName);
  if (lpCommandLine) line = nux::AnsiToWide(lpCommandLine);
  if (lpCurrentDirectory) folder = nux::AnsiToWide(lpCurrentDirectory);
  const DWORD flags = lpStartupInfo ? lpStartupInfo->dwFlags : 0;
  const WORD show = lpStartupInfo ? lpStartupInfo->wShowWindow : 0;
  return nux::process::StartProcess(lpApplicationName ? application.c_str() : nullptr,
                                    lpCommandLine ? line.c_str() : nullptr, dwCreationFlags,
                                    lpCurrentDirectory ? folder.c_str() : nullptr, flags, show, lpProcessInformation);
}

namespace {

std::shared_ptr<nux::process::ProcessObject> ProcessOf(HANDLE h) {
  auto process = nux::LookupHandle<nux::process::ProcessObject>(h);
  if (!process) SetLastError(ERROR_INVALID_HANDLE);
  return process;
}

}  // namespace

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (!lpExitCode) return nux::process::Fail(ERROR_INVALID_PARAMETER);
  if (hProcess == GetCurrentProcess()) {
    *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  auto process = ProcessOf(hProcess);
  if (!process) return FALSE;
  *lpExitCode = process->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  auto process = ProcessOf(hProcess);
  if (!process) return FALSE;
  if (process->IsSignalledNow()) return nux::process::Fail(ERROR_ACCESS_DENIED);
  if (process->linuxPid > 0) {
    // The process is signalled once it has really ended (the waiting thread reaps it).
    process->terminateCode = uExitCode;
    if (process->terminated.exchange(true)) return TRUE;
    ::kill(process->linuxPid, SIGKILL);
    return TRUE;
  }
  // A runner's function cannot be stopped; its process counts as ended all the same.
  if (!process->Finish(uExitCode)) return nux::process::Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

DWORD GetProcessId(HANDLE hProcess) {
  if (hProcess == GetCurrentProcess()) return GetCurrentProcessId();
  auto process = ProcessOf(hProcess);
  return process ? process->id() : 0;
}
