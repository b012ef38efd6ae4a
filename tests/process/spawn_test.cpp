// Processes: command-line splitting, starting Linux and Windows programs, waits and exit codes,
// the platform's regsvr32, the shell handler, the debugger output and the shell folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs/root.h"
#include "process/process.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

using nux::process::ProgramStart;

std::string ChildWindowsPath() { return nux::fs::ToWindowsPathA(NUX_TEST_CHILD); }

// Starts a command line; the process handle, or null with the error in *error.
HANDLE Start(std::string commandLine, DWORD* error = nullptr, WORD show = 0, bool useShow = false,
             const char* folder = nullptr, DWORD flags = 0) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (useShow) {
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
  }
  PROCESS_INFORMATION pi{};
  SetLastError(0);
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, folder, &si, &pi)) {
    if (error) *error = GetLastError();
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

DWORD RunToEnd(const std::string& commandLine) {
  HANDLE process = Start(commandLine);
  if (!process) return DWORD(-1);
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), DWORD(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  CloseHandle(process);
  return code;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return out;
}

// Records what the Windows program runner was asked to run.
struct RecordingRunner {
  std::mutex lock;
  std::vector<ProgramStart> starts;
  DWORD exitCode = 0;
  RecordingRunner() {
    nux::process::SetWindowsProgramRunner([this](const ProgramStart& start) {
      std::lock_guard<std::mutex> guard(lock);
      starts.push_back(start);
      return exitCode;
    });
  }
  ~RecordingRunner() { nux::process::ResetWindowsProgramRunner(); }
};

}  // namespace

TEST(CommandLine, SplitsAsTheRuntimeDoes) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"prog a b", {u"prog", u"a", u"b"}},
      {u"  \"C:\\Program Files\\x.exe\"  \"a b\"\tc ", {u"C:\\Program Files\\x.exe", u"a b", u"c"}},
      {u"C:\\dir\\prog.exe C:\\dir\\ \"C:\\dir with\\\\\"", {u"C:\\dir\\prog.exe", u"C:\\dir\\", u"C:\\dir with\\"}},
      {u"p a\\\\\\\"b \"x\"\"y\" \"\"", {u"p", u"a\\\"b", u"x\"y", u""}},
      {u"p a\\\\b", {u"p", u"a\\\\b"}},
      {u"\"C:\\a\\\" b", {u"C:\\a\\", u"b"}},  // the program's name takes backslashes as they are
      {u"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(nux::process::SplitCommandLine(c.line), c.args) << nux::ToUtf8(c.line);
}

TEST(CommandLine, QuotedArgumentsSplitBackToThemselves) {
  for (std::u16string arg : {u"plain", u"with blank", u"", u"ends in\\", u"quote\"inside", u"C:\\a b\\\\"}) {
    auto args = nux::process::SplitCommandLine(u"p " + nux::process::QuoteArgument(arg));
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[1], arg);
  }
}

TEST(Processes, LinuxProgramGetsItsArgumentsFolderAndPlatformRoot) {
  nuxtest::ScopedPlatformRoot root;
  ASSERT_TRUE(CreateDirectoryA("C:\\work place", nullptr));
  const std::string report = root.DriveC() + "/report.txt";
  const std::string line = "\"" + ChildWindowsPath() + "\" report \"" + nux::fs::ToWindowsPathA(report) +
                           "\" \"C:\\a b\\file.dll\" plain \"say \\\"hi\\\"\"";
  HANDLE process = Start(line, nullptr, 0, false, "C:\\work place");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), DWORD(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_TRUE(CloseHandle(process));
  EXPECT_EQ(Lines(nuxtest::ReadFile(report)),
            (std::vector<std::string>{"C:\\a b\\file.dll", "plain", "say \"hi\"", "cwd=C:\\work place",
                                      "root=" + root.path()}));
}

TEST(Processes, WaitTimesOutWhileTheProcessRunsAndTerminateSetsTheCode) {
  HANDLE process = Start("\"" + ChildWindowsPath() + "\" sleep 60000");
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, 0), DWORD(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(process, 20), DWORD(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, DWORD(STILL_ACTIVE));
  EXPECT_NE(GetProcessId(process), 0u);
  EXPECT_TRUE(TerminateProcess(process, 77));
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), DWORD(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 77u);
  EXPECT_FALSE(TerminateProcess(process, 1));  // ended already
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  CloseHandle(process);
}

TEST(Processes, WaitForMultipleObjectsTakesProcessesWithOtherObjects) {
  HANDLE quick = Start("\"" + ChildWindowsPath() + "\" exit 5");
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(quick, nullptr);
  HANDLE both[] = {event, quick};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), DWORD(WAIT_OBJECT_0 + 1));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(quick, &code));
  EXPECT_EQ(code, 5u);
  CloseHandle(quick);
  CloseHandle(event);
}

TEST(Processes, StartFailuresGiveWindowsErrorCodes) {
  nuxtest::ScopedPlatformRoot root;
  root.Write("drive_c/tools/notes.exe", "just text");
  root.Write("drive_c/tools/win.exe", "MZ\x90");
  struct Case {
    std::string line;
    const char* folder;
    DWORD error;
  } cases[] = {
      {"C:\\tools\\missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {"no-such-program-anywhere", nullptr, ERROR_FILE_NOT_FOUND},
      {"C:\\tools\\notes.exe", nullptr, ERROR_BAD_EXE_FORMAT},
      {"C:\\tools\\win.exe /x", nullptr, ERROR_BAD_EXE_FORMAT},  // no runner for Windows programs
      {"C:\\tools\\win", nullptr, ERROR_BAD_EXE_FORMAT},         // ".exe" is added
      {"\"" + ChildWindowsPath() + "\" exit 0", "C:\\no such folder", ERROR_DIRECTORY},
      {"   ", nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    DWORD error = 0;
    EXPECT_EQ(Start(c.line, &error, 0, false, c.folder), nullptr) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

TEST(Processes, WindowsProgramGoesToTheRunnerWithItsArgumentsAndShowMode) {
  nuxtest::ScopedPlatformRoot root;
  const std::string program = root.Write("drive_c/Plug In/setup.exe", "MZ program");
  RecordingRunner runner;
  runner.exitCode = 9;
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  HANDLE process = Start("\"C:\\Plug In\\SETUP.EXE\" \"C:\\Host Folder\\\" -q", nullptr, 0 /* SW_HIDE */, true);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), DWORD(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 9u);
  CloseHandle(process);
  ASSERT_EQ(runner.starts.size(), 1u);
  const ProgramStart& start = runner.starts[0];
  EXPECT_EQ(std::filesystem::canonical(start.program), std::filesystem::canonical(program));
  EXPECT_EQ(start.windowsProgram, u"C:\\Plug In\\setup.exe");
  // A backslash before the closing quote escapes it, as the runtime reads it.
  EXPECT_EQ(start.arguments, (std::vector<std::string>{"C:\\Host Folder\" -q"}));
  EXPECT_EQ(start.showWindow, 0);
  EXPECT_EQ(start.startupFlags, DWORD(STARTF_USESHOWWINDOW));

  // Without the show flag the program is shown normally; a bare name is found in the current
  // folder.
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\Plug In"));
  EXPECT_EQ(RunToEnd("setup"), 9u);
  ASSERT_EQ(runner.starts.size(), 2u);
  EXPECT_EQ(runner.starts[1].showWindow, 1 /* SW_SHOWNORMAL */);
  EXPECT_TRUE(runner.starts[1].arguments.empty());
}

TEST(Processes, RunnerCommandGetsTheProgramAndArguments) {
  nuxtest::ScopedPlatformRoot root;
  const std::string program = root.Write("drive_c/app.exe", "MZ");
  const std::string out = root.path() + "/runner.txt";
  // The command's words come first, then the program's Linux path and its arguments.
  nux::process::SetWindowsProgramCommand({"sh", "-c", "echo \"$1|$2\" > \"$0\"; exit 4", out});
  EXPECT_EQ(RunToEnd("C:\\app.exe \"an argument\""), 4u);
  nux::process::ResetWindowsProgramRunner();
  EXPECT_EQ(nuxtest::ReadFile(out), std::filesystem::canonical(program).string() + "|an argument\n");
}

TEST(Processes, PlatformRegsvr32CallsTheLibrarysEntryPoints) {
  nuxtest::ScopedPlatformRoot root;
  ASSERT_TRUE(CreateDirectoryA("C:\\Host Dir", nullptr));
  ASSERT_TRUE(CopyFileA(nux::fs::ToWindowsPathA(NUX_TEST_REGSERVER).c_str(), "C:\\Host Dir\\Pellucor.dll", FALSE));
  auto registered = [] {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NuxTest", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool found = RegQueryValueExA(key, "Registered", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
  };
  EXPECT_EQ(RunToEnd("regsvr32 /s \"C:\\Host Dir\\Pellucor.dll\""), 0u);
  EXPECT_TRUE(registered());
  EXPECT_EQ(RunToEnd("regsvr32.exe /u /s \"C:\\Host Dir\\Pellucor.dll\""), 0u);
  EXPECT_FALSE(registered());

  nuxtest::WriteFile(root.DriveC() + "/Host Dir/broken.dll", "not a library");
  struct Case {
    std::string line;
    DWORD code;
  } cases[] = {
      {"regsvr32 /s \"C:\\Host Dir\\missing.dll\"", 3},
      {"regsvr32 /s \"C:\\Host Dir\\broken.dll\"", 3},
      {"regsvr32 /s \"" + nux::fs::ToWindowsPathA(NUX_TEST_CHILD) + "\"", 3},  // a program, not a library
      {"regsvr32 /s", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(RunToEnd(c.line), c.code) << c.line;

  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\NuxTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Fail", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RunToEnd("regsvr32 /s \"C:\\Host Dir\\Pellucor.dll\""), 5u);
  EXPECT_FALSE(registered());
}

TEST(Shell, WithoutAHandlerNothingIsOpened) {
  nuxtest::ScopedPlatformRoot root;
  root.Write("drive_c/readme.txt", "text");
  SetLastError(0);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "C:\\readme.txt", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_ASSOCIATION));
}

TEST(Shell, HandlerGetsFilesAsLinuxPathsAndAddressesAsTheyAre) {
  nuxtest::ScopedPlatformRoot root;
  const std::string file = root.Write("drive_c/Temp Dir/tool.exe", "MZ");
  std::vector<nux::process::ShellRequest> requests;
  nux::process::SetShellHandler([&](const nux::process::ShellRequest& r) {
    requests.push_back(r);
    return true;
  });
  struct Case {
    const char* verb;
    const char* file;
    INT_PTR result;
  } cases[] = {
      {"open", "C:\\temp dir\\TOOL.exe", 42},
      {nullptr, "http://example.invalid/page", 42},
      {"open", "mailto:someone@example.invalid", 42},
      {"open", "C:\\temp dir\\missing.exe", SE_ERR_FNF},
      {"print", "C:\\temp dir\\tool.exe", SE_ERR_NOASSOC},
  };
  for (const Case& c : cases)
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, c.verb, c.file, nullptr, nullptr, 5)), c.result)
        << c.file;
  nux::process::ResetShellHandler();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(std::filesystem::canonical(requests[0].target), std::filesystem::canonical(file));
  EXPECT_EQ(requests[0].verb, "open");
  EXPECT_EQ(requests[0].show, 5);
  EXPECT_EQ(requests[1].target, "http://example.invalid/page");
  EXPECT_EQ(requests[2].target, "mailto:someone@example.invalid");
}

TEST(Shell, CommandHandlerIsStartedWithoutWaiting) {
  nuxtest::ScopedPlatformRoot root;
  const std::string file = root.Write("drive_c/doc.txt", "text");
  const std::string marker = root.path() + "/opened.txt";
  nux::process::SetShellCommand({"sh", "-c", "sleep 0.2; echo \"$0\" > \"" + marker + ".part\"; mv \"" + marker +
                                                 ".part\" \"" + marker + "\""});
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, u"open", u"C:\\doc.txt", nullptr, nullptr, 1)), 32);
  nux::process::ResetShellHandler();
  EXPECT_FALSE(std::filesystem::exists(marker));  // the call did not wait for the command
  for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(nuxtest::ReadFile(marker), std::filesystem::canonical(file).string() + "\n");
}

TEST(DebugOutput, GoesToTheFileTheChildrenShare) {
  nuxtest::TempDir dir;
  const std::string file = dir.path() + "/debug.txt";
  nux::process::SetDebugOutputFile(file);
  OutputDebugStringA("first \xE4\n");
  OutputDebugStringW(u"second \u20AC\n");
  EXPECT_EQ(RunToEnd("\"" + ChildWindowsPath() + "\" debug \"from the child\n\""), 0u);
  nux::process::SetDebugOutputFile("");
  OutputDebugStringA("");  // nothing to write; standard error stays untouched
  EXPECT_EQ(nuxtest::ReadFile(file), "first \xC3\xA4\nsecond \xE2\x82\xAC\nfrom the child\n");
}

TEST(ShellFolders, DocumentsLieUnderThePlatformRoot) {
  nuxtest::ScopedPlatformRoot root;
  char path[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  EXPECT_STREQ(path, "C:\\users\\user\\Documents");
  EXPECT_TRUE(std::filesystem::is_directory(root.DriveC() + "/users/user/Documents"));
  char16_t wide[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, wide), S_OK);
  EXPECT_EQ(std::u16string(wide), u"C:\\users\\user\\Documents");
  EXPECT_EQ(SHGetFolderPathA(nullptr, 0x0024 /* the Windows folder: not offered */, nullptr, 0, path), E_INVALIDARG);
  EXPECT_STREQ(path, "");
}
