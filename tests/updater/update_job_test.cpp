// The update job: its settings file, the choice of the section, the question, and whole runs
// against a local server and a sample host.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "process/process.h"
#include "res/resources.h"
#include "ui/cursor.h"
#include "ui/msgbox.h"
#include "ui/window.h"
#include "HttpConnection.h"
#include "UpdateJob.h"
#include "http_server.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::HttpServer;
using updatertest::Route;
using updatertest::SampleHost;

TEST(UpdateFormats, OnlyIntConversionsCount) {
  struct Case {
    const char* format;
    bool ok;
    int count;
  } cases[] = {
      {"%d files to install?", true, 1},
      {"%d.%d.%d.%d.%d.%d", true, 6},
      {"%05d-%x-%X-%u-%i-%o-%-3.2d", true, 7},
      {"100%% sure, %d", true, 1},
      {"no numbers", true, 0},
      {"%s", false, 0},
      {"%n", false, 0},
      {"%ld", false, 0},
      {"%*d", false, 0},
      {"%p", false, 0},
      {"ends in %", false, 0},
      {"%f", false, 0},
  };
  for (const Case& c : cases) {
    int count = -1;
    EXPECT_EQ(CountIntConversions(c.format, &count), c.ok) << c.format;
    if (c.ok) {
      EXPECT_EQ(count, c.count) << c.format;
    }
  }
}

TEST(UpdateFileNames, StayInsideTheTemporaryFolder) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"tool.exe", true},      {"sub/tool.exe", true},  {"a..b.exe", true},    {"sp ace.exe", true},
      {"50%.exe", true},       {"%2e%2e/x.exe", true},  {"Ärger ß.exe", true},  {"con/x.exe", true},
      {"..\\x.exe", false},    {"sub\\x.exe", false},   {"../x.exe", false},   {"sub/../x.exe", false},
      {"..", false},           {"c:x.exe", false},      {"x\tname.exe", false}, {"dir/", false},
      {"", false},             {"sub/..", false},       {"tool.exe?v=2", false}, {"\"quoted\".exe", false},
      {"a<b>.exe", false},     {"pipe|.exe", false},    {"star*.exe", false},  {"dot.", false},
      {"blank.exe ", false},   {"CON", false},          {"nul.exe", false},    {"sub/Com1.txt", false},
      {"LPT9.bin", false},     {"aux .txt", false},     {"com0.exe", true},    {"console.exe", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafeUpdateFileName(c.name), c.safe) << c.name;
}

TEST(UpdateProgress, PositionInTheBarsRange) {
  struct Case {
    WPARAM received;
    LPARAM expected;
    bool moves;
    int position;
  } cases[] = {
      {0, 100, true, 0},     {50, 100, true, 50},   {1, 3, true, 33},  {999, 1000, true, 99},
      {1000, 1000, true, 100}, {10, 0, false, -1},  {10, -5, false, -1},
      // Past 2 GiB and 4 GiB, and more received than announced.
      {WPARAM(3000000000ULL), LPARAM(6000000000LL), true, 50}, {WPARAM(5000000000ULL), LPARAM(4294967296LL), true, 100},
      {WPARAM(4294967295ULL), LPARAM(4294967296LL), true, 99},
  };
  for (const Case& c : cases) {
    int position = -1;
    EXPECT_EQ(ProgressPosition(0, 100, c.received, c.expected, &position), c.moves) << c.received << "/" << c.expected;
    EXPECT_EQ(position, c.position) << c.received << "/" << c.expected;
  }
  int position = -1;
  ASSERT_TRUE(ProgressPosition(10, 20, 1, 2, &position));
  EXPECT_EQ(position, 15);
}

namespace {

// What a run asked the platform to do: the Windows programs it started (through the recording
// runner), the files the shell was to open and the questions asked (answered from a script).
struct Recorder {
  std::mutex lock;
  std::vector<std::string> ran;
  std::vector<std::string> opened;
  std::vector<size_t> requestsWhenRun;  // the server's request count when each program ran
  const HttpServer* server = nullptr;

  explicit Recorder(const HttpServer* watched = nullptr) : server(watched) {
    nux::ui::ClearMessageBoxAnswers();
    nux::ui::ClearMessageBoxLog();
    nux::ui::SetMessageBoxTerminal(false);
    nux::process::SetWindowsProgramRunner([this](const nux::process::ProgramStart& start) -> DWORD {
      std::lock_guard<std::mutex> guard(lock);
      // Started hidden, the saved file's path whole and nothing more.
      EXPECT_EQ(start.startupFlags & STARTF_USESHOWWINDOW, DWORD(STARTF_USESHOWWINDOW));
      EXPECT_EQ(start.showWindow, SW_HIDE);
      EXPECT_TRUE(start.arguments.empty());
      ran.push_back(nux::WideToAnsi(start.windowsProgram));
      if (server) requestsWhenRun.push_back(server->Requests().size());
      return 0;
    });
    nux::process::SetShellHandler([this](const nux::process::ShellRequest& request) {
      std::lock_guard<std::mutex> guard(lock);
      EXPECT_EQ(request.verb, "open");
      EXPECT_EQ(request.show, SW_SHOW);
      opened.push_back(nux::WideToAnsi(request.file));
      return true;
    });
  }
  ~Recorder() {
    nux::process::ResetWindowsProgramRunner();
    nux::process::ResetShellHandler();
    nux::ui::ClearMessageBoxAnswers();
  }
  // The answer of the next question.
  void Answer(bool yes) { nux::ui::QueueMessageBoxAnswer(yes ? IDYES : IDNO); }
  // Each question as "caption|text".
  std::vector<std::string> Asked() const {
    std::vector<std::string> out;
    for (const auto& box : nux::ui::MessageBoxLog()) {
      EXPECT_EQ(box.type, UINT(MB_ICONQUESTION | MB_YESNO));
      out.push_back(nux::WideToAnsi(box.caption) + "|" + nux::WideToAnsi(box.text));
    }
    return out;
  }
};

std::mutex g_progressLock;
int g_progressCount = 0;
void CountProgress(HWND, UINT, WPARAM, LPARAM) {
  std::lock_guard<std::mutex> guard(g_progressLock);
  ++g_progressCount;
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + name;
}

HWND FakeDialog() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0xD1A1)); }

const char kHostExe[] = "C:\\Starvane7\\Starvane7.exe";

}  // namespace

class UpdateJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.InstallStandardHost();
    host.Write("Run/keep", "");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Run"));
    g_progressCount = 0;
    SetProgressPoster(CountProgress);
    server.Set("/updates/tool.exe", "MZ tool");
    server.Set("/updates/readme.txt", "just text");
    server.Set("/updates/sub/setup.exe", "MZ setup");
    server.Set("/updates/archive.zip", "PK zip");
  }
  void TearDown() override {
    SetProgressPoster(nullptr);
    nux::SetSystemLibrary(u"libcurl.dll", "libcurl.so.4");
  }

  // Writes "Starvane7updater.ini" with the given flags (lines 6 and 7) and list URL.
  void WriteIni(const std::string& runFlag, const std::string& askFlag, const std::string& url = "",
                const std::string& prompt = "%d Dateien laden?", const std::string& keyFormat = "%d.%d.%d.%d.%d.%d",
                const std::string& limits = "") {
    host.Write("Run/Starvane7updater.ini", "! update settings\n" +
                                               (url.empty() ? server.Base() + "/updates/list.txt" : url) + "\n" +
                                               prompt + "\nStarvane Update\n" + keyFormat + "\nLade...\n" +
                                               runFlag + "\n" + askFlag + "\n" + limits);
  }
  // Every file below the platform root but the temporary folder, with its contents.
  std::map<std::string, std::string> FilesOutsideTemp() const {
    std::map<std::string, std::string> files;
    const std::filesystem::path root = host.OnRoot("");
    const std::filesystem::path temp = std::filesystem::weakly_canonical(host.OnC("windows/temp"));
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator(); ++it) {
      if (it->is_directory() && std::filesystem::weakly_canonical(it->path()) == temp) {
        it.disable_recursion_pending();
        continue;
      }
      if (it->is_regular_file()) files[it->path().string()] = nuxtest::ReadFile(it->path().string());
    }
    return files;
  }
  void ServeList(const std::string& list) { server.Set("/updates/list.txt", list); }

  static std::string StandardList() {
    return "! update list\n"
           "7.0.1.25.1.705\nwrong-edition.exe\n}\n"
           "7.0.1.25.2.704\nwrong-entry.exe\n}\n"
           "  7.0.1.25.2.705  \n"
           "tool.exe\n  readme.txt  \n! a comment\n\nsub/setup.exe\narchive.zip\nmissing.exe\n..\\evil.exe\n}\n"
           "7.0.1.25.2.705\nsecond-section.exe\n}\n";
  }

  SampleHost host;
  HttpServer server;
  Recorder recorder{&server};
};

TEST_F(UpdateJobTest, IniLinesAndFlags) {
  struct Case {
    const char* run;
    const char* ask;
    BYTE runAndWait;
    BYTE askFirst;
  } cases[] = {{"1", "0", 1, 0}, {"0", "7 x", 0, 1}, {"} 1", "abc", 0, 0}, {"-1", "2", 1, 1}};
  for (const Case& c : cases) {
    WriteIni(c.run, c.ask, "http://example.invalid/dir/list.txt");
    UpdateJob job(kHostExe);
    EXPECT_EQ(job.url, "http://example.invalid/dir/list.txt");
    EXPECT_EQ(job.promptFormat, "%d Dateien laden?");
    EXPECT_EQ(job.promptCaption, "Starvane Update");
    EXPECT_EQ(job.sectionKeyFormat, "%d.%d.%d.%d.%d.%d");
    EXPECT_EQ(job.runAndWait, c.runAndWait) << c.run;
    EXPECT_EQ(job.askFirst, c.askFirst) << c.ask;
  }
  DeleteFileA("C:\\Run\\Starvane7updater.ini");
  UpdateJob job(kHostExe);
  EXPECT_FALSE(job.LoadUpdaterIni());
  EXPECT_TRUE(job.url.empty() && job.promptCaption.empty() && job.sectionKeyFormat.empty());
  EXPECT_EQ(job.runAndWait, 0);
  EXPECT_EQ(job.askFirst, 0);
}

TEST_F(UpdateJobTest, SectionIsChosenByVersionEditionAndEntryOne) {
  WriteIni("1", "0");
  host.Write("list.txt", StandardList());
  UpdateJob job(kHostExe);
  std::vector<std::string> urls;
  DebugCapture debug;
  ASSERT_TRUE(CollectUpdateFiles("C:\\list.txt", job, urls));
  const std::string base = server.Base() + "/updates/";
  EXPECT_EQ(urls, (std::vector<std::string>{base + "tool.exe", base + "readme.txt", base + "sub/setup.exe",
                                             base + "archive.zip", base + "missing.exe"}));
  EXPECT_TRUE(debug.Contains("'..\\evil.exe'")) << debug.Text();

  // The edition from entry 13250 when entry 5 is missing; a key differing in case or inner
  // blanks does not match.
  host.Write("Starvane7/SVStrings.txt", "1\t705\n13250\tStarvane 7 Vindral\n");
  host.Write("list0.txt", "7.0.1.25.0.705\nvindral.exe\n}\n");
  urls.clear();
  ASSERT_TRUE(CollectUpdateFiles("C:\\list0.txt", job, urls));
  EXPECT_EQ(urls, (std::vector<std::string>{base + "vindral.exe"}));

  host.Write("list1.txt", "7.0.1.25.0.705X\na.exe\n}\n7.0.1. 25.0.705\nb.exe\n}\n");
  urls.clear();
  EXPECT_FALSE(CollectUpdateFiles("C:\\list1.txt", job, urls));
  EXPECT_TRUE(urls.empty());
}

TEST_F(UpdateJobTest, CollectingFailsWhenTheHostCannotBeRead) {
  WriteIni("1", "0");
  host.Write("list.txt", StandardList());
  std::vector<std::string> urls;
  {
    UpdateJob noVersion("");
    host.SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"C:\\\\Starvane7\"");
    EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", noVersion, urls));
  }
  UpdateJob job(kHostExe);
  EXPECT_FALSE(CollectUpdateFiles("C:\\missing-list.txt", job, urls));
  job.url = "no-slash";
  EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", job, urls));
  job.url = server.Base() + "/updates/list.txt";
  {
    DebugCapture debug;
    job.sectionKeyFormat = "%s.%d";
    EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", job, urls));
    EXPECT_TRUE(debug.Contains("Section key format '%s.%d' is not usable\n"));
    job.sectionKeyFormat = "%d.%d.%d.%d.%d.%d.%d";
    EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", job, urls));
    job.sectionKeyFormat = "%d.%d.%d.%d.%d.%d";
  }
  host.Write("Starvane7/SVStrings.txt", "5\t2\n1\tseven\n");
  EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", job, urls));
  DeleteFileA("C:\\Starvane7\\SVStrings.txt");
  EXPECT_FALSE(CollectUpdateFiles("C:\\list.txt", job, urls));
  EXPECT_TRUE(urls.empty());
}

TEST_F(UpdateJobTest, RunWaitsForEachDownloadedProgramAndOnlySavesOtherFiles) {
  WriteIni("1", "0");
  ServeList(StandardList());
  UpdateJob job(kHostExe);
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_TRUE(recorder.Asked().empty());
  EXPECT_EQ(recorder.ran, (std::vector<std::string>{TempPath("tool.exe"), TempPath("setup.exe")}));
  // Each program ran before the next file was fetched: the job waited for it.
  EXPECT_EQ(recorder.requestsWhenRun, (std::vector<size_t>{2, 4}));
  EXPECT_TRUE(recorder.opened.empty());
  EXPECT_EQ(updatertest::ReadSavedFile(TempPath("readme.txt")), "just text");
  EXPECT_EQ(updatertest::ReadSavedFile(TempPath("archive.zip")), "PK zip");
  EXPECT_EQ(updatertest::ReadSavedFile(TempPath("list.txt")), StandardList());
  const std::vector<std::string> requests = server.Requests();
  EXPECT_EQ(requests, (std::vector<std::string>{"/updates/list.txt", "/updates/tool.exe", "/updates/readme.txt",
                                                "/updates/sub/setup.exe", "/updates/archive.zip",
                                                "/updates/missing.exe"}));
  EXPECT_GT(g_progressCount, 0);
}

TEST_F(UpdateJobTest, RunOpensProgramsWithTheShellWhenNotWaiting) {
  WriteIni("0", "0");
  ServeList(StandardList());
  UpdateJob job(kHostExe);
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_TRUE(recorder.ran.empty());
  EXPECT_EQ(recorder.opened, (std::vector<std::string>{TempPath("tool.exe"), TempPath("setup.exe")}));
}

TEST_F(UpdateJobTest, QuestionIsAskedOnlyWhenTheSeventhLineSaysSo) {
  ServeList(StandardList());
  struct Case {
    const char* ask;
    bool answer;
    size_t questions;
    size_t runs;
  } cases[] = {{"1", false, 1, 0}, {"1", true, 1, 2}, {"0", false, 0, 2}};
  for (const Case& c : cases) {
    Recorder local;
    local.Answer(c.answer);
    WriteIni("1", c.ask);
    UpdateJob job(kHostExe);
    EXPECT_TRUE(job.Run(FakeDialog()));
    const std::vector<std::string> asked = local.Asked();
    ASSERT_EQ(asked.size(), c.questions) << c.ask << c.answer;
    if (c.questions) {
      EXPECT_EQ(asked[0], "Starvane Update|5 Dateien laden?");
    }
    EXPECT_EQ(local.ran.size(), c.runs) << c.ask << c.answer;
  }
}

TEST_F(UpdateJobTest, EmptySectionAsksWithZeroAndDownloadsNothing) {
  WriteIni("1", "1");
  ServeList("7.0.1.25.2.705\n}\n");
  UpdateJob job(kHostExe);
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_EQ(recorder.Asked(), (std::vector<std::string>{"Starvane Update|0 Dateien laden?"}));
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(g_progressCount, 0);  // the list's download sends no progress: the dialog stays hidden
}

TEST_F(UpdateJobTest, PromptWithoutItsOneNumberEndsTheRun) {
  WriteIni("1", "1", "", "%s %d");
  ServeList(StandardList());
  DebugCapture debug;
  UpdateJob job(kHostExe);
  EXPECT_FALSE(job.Run(FakeDialog()));
  EXPECT_TRUE(debug.Contains("Prompt format '%s %d' is not usable\n"));
  EXPECT_TRUE(recorder.Asked().empty());
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(UpdateJobTest, EachFailureEndsTheRunWithItsDiagnosticAndNothingRun) {
  std::string downBase;
  {
    HttpServer stopped;
    downBase = stopped.Base();
  }
  struct Case {
    const char* what;
    std::string url;
    std::string list;  // served at /updates/list.txt; empty: not served
    const char* job;
    bool noLibrary;
    const char* diagnostic;
  } cases[] = {
      {"no list", "", "", kHostExe, false, "Error during processing request\n"},
      {"server down", downBase + "/updates/list.txt", "", kHostExe, false, "Error during processing request\n"},
      {"no library", "", StandardList(), kHostExe, true, "File libcurl.dll not found!!!\n"},
      {"no section", "", "7.0.1.25.3.705\ntool.exe\n}\n", kHostExe, false, ""},
      {"no version", "", StandardList(), "", false, ""},
      {"no ini", "none", StandardList(), kHostExe, false, ""},
  };
  for (const Case& c : cases) {
    server.Set("/updates/list.txt", c.list.empty() ? Route{404, "", "", -1} : Route{200, c.list, "", -1});
    if (std::string(c.url) == "none")
      DeleteFileA("C:\\Run\\Starvane7updater.ini");
    else
      WriteIni("1", "1", c.url);
    nux::SetSystemLibrary(u"libcurl.dll", c.noLibrary ? "libnux-no-such-transfer-library.so.0" : "libcurl.so.4");
    g_progressCount = 0;
    Recorder local;
    DebugCapture debug;
    UpdateJob job(c.job);
    EXPECT_FALSE(job.Run(FakeDialog())) << c.what;
    EXPECT_TRUE(debug.Contains(c.diagnostic)) << c.what << ": " << debug.Text();
    EXPECT_TRUE(local.Asked().empty() && local.ran.empty() && local.opened.empty()) << c.what;
    EXPECT_EQ(g_progressCount, 0) << c.what;
  }
}

TEST_F(UpdateJobTest, HostileListLinesFetchAndRunOnlyWhatTheListNamesWhole) {
  WriteIni("1", "0");
  // Names that escape the folder, name devices or characters no file name holds are skipped;
  // blanks, "%", "#" and letters beyond ASCII reach the server percent-encoded, and the file is
  // saved under the list's name.
  ServeList("7.0.1.25.2.705\n"
            "../evil.exe\n..\\evil.exe\nC:\\Windows\\evil.exe\nc:evil.exe\nsub/../../evil.exe\n"
            "CON\nnul.exe\nsub/LPT1.exe\n\"quoted\".exe\ntool.exe?x=1\ntab\there.exe\ntrailing.\n"
            "  sp ace.exe  \n50%25.exe\n%2e%2e/%2e%2e/evil.exe\nhash#1.exe\n\xC4rger.exe\n}\n");
  server.Set("/updates/sp%20ace.exe", "MZ blank");
  server.Set("/updates/50%2525.exe", "MZ percent");
  server.Set("/updates/50%25.exe", "MZ decoded by mistake");
  server.Set("/updates/hash%231.exe", "MZ hash");
  server.Set("/updates/%C4rger.exe", "MZ umlaut");
  server.Set("/evil.exe", "MZ evil");
  const auto before = FilesOutsideTemp();
  UpdateJob job(kHostExe);
  DebugCapture debug;
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_EQ(recorder.ran, (std::vector<std::string>{TempPath("sp ace.exe"), TempPath("50%25.exe"),
                                                    TempPath("hash#1.exe"), TempPath("\xC4rger.exe")}));
  EXPECT_EQ(updatertest::ReadSavedFile(TempPath("50%25.exe")), "MZ percent");
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"/updates/list.txt", "/updates/sp%20ace.exe", "/updates/50%2525.exe",
                                      "/updates/%252e%252e/%252e%252e/evil.exe", "/updates/hash%231.exe",
                                      "/updates/%C4rger.exe"}));
  EXPECT_EQ(FilesOutsideTemp(), before);
  for (const auto& entry : std::filesystem::directory_iterator(host.OnC("windows/temp")))
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
  EXPECT_TRUE(debug.Contains("Update file name 'CON' is not safe and is skipped\n")) << debug.Text();
}

TEST_F(UpdateJobTest, SectionWithALineTooLongToReadWholeIsNotFetched) {
  WriteIni("1", "0");
  // 4,095 letters and then a program's name on one line; a name cut at 255 characters would
  // lose its extension; a line of blanks and then text.
  const std::string cases[] = {
      std::string(4095, 'd') + "evil.exe",
      std::string(250, 'd') + "/tool.exe",
      std::string(5000, ' ') + "tool.exe",
  };
  server.Set("/updates/evil.exe", "MZ evil");
  server.Set("/updates/" + std::string(250, 'd') + "/tool", "MZ cut");
  for (const std::string& line : cases) {
    ServeList("7.0.1.25.2.705\ntool.exe\n" + line + "\nsetup.exe\n}\n");
    Recorder local(&server);
    DebugCapture debug;
    const size_t requestsBefore = server.Requests().size();
    UpdateJob job(kHostExe);
    EXPECT_FALSE(job.Run(FakeDialog())) << line.size();
    EXPECT_TRUE(local.ran.empty()) << line.size();
    EXPECT_EQ(server.Requests().size(), requestsBefore + 1) << line.size();  // the list only
    EXPECT_TRUE(debug.Contains("is too long: section '7.0.1.25.2.705' is skipped\n")) << debug.Text();
  }
}

TEST_F(UpdateJobTest, ListsAndSettingsWithAByteOrderMarkOrCarriageReturnsOnly) {
  host.Write("Run/Starvane7updater.ini", "\xEF\xBB\xBF" + server.Base() +
                                             "/updates/list.txt\r%d laden?\rStarvane Update\r%d.%d.%d.%d.%d.%d\r"
                                             "Lade...\r1\r0\r");
  ServeList("\xEF\xBB\xBF! list\r7.0.1.25.2.705\rtool.exe\r\rsub/setup.exe\r}\r");
  UpdateJob job(kHostExe);
  EXPECT_EQ(job.url, server.Base() + "/updates/list.txt");
  EXPECT_EQ(job.runAndWait, 1);
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_EQ(recorder.ran, (std::vector<std::string>{TempPath("tool.exe"), TempPath("setup.exe")}));
}

TEST_F(UpdateJobTest, TransferLimitsComeFromTheSettingsAndATrickleIsLeft) {
  WriteIni("1", "0");
  {
    UpdateJob defaults(kHostExe);
    EXPECT_EQ(defaults.timeLimit, 30 * 60);
    EXPECT_EQ(defaults.stallLimit, 60);
  }
  WriteIni("1", "0", "", "%d Dateien laden?", "%d.%d.%d.%d.%d.%d", "x\n-5\n");
  {
    UpdateJob invalid(kHostExe);
    EXPECT_EQ(invalid.timeLimit, 30 * 60);
    EXPECT_EQ(invalid.stallLimit, 60);
  }
  // 4 bytes every 100 ms: never slow enough for the stall limit, ended by the time limit.
  Route trickle;
  trickle.body = "MZ" + std::string(4000, 't');
  trickle.trickleMs = 100;
  server.Set("/updates/trickle.exe", trickle);
  ServeList("7.0.1.25.2.705\ntrickle.exe\ntool.exe\n}\n");
  WriteIni("1", "0", "", "%d Dateien laden?", "%d.%d.%d.%d.%d.%d", "1\n30\n");
  UpdateJob job(kHostExe);
  EXPECT_EQ(job.timeLimit, 1);
  EXPECT_EQ(job.stallLimit, 30);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_EQ(recorder.ran, (std::vector<std::string>{TempPath("tool.exe")}));
  EXPECT_FALSE(std::filesystem::exists(host.OnC("windows/temp/trickle.exe.part")));
}

namespace {
std::atomic<int> g_waitSeen{0};
std::atomic<int> g_otherSeen{0};
void WatchCursor(HWND, UINT, WPARAM, LPARAM) {
  (nux::ui::IsSystemCursor(::GetCursor(), IDC_WAIT) ? g_waitSeen : g_otherSeen)++;
}
}  // namespace

TEST_F(UpdateJobTest, WaitCursorShowsWhileATransferRuns) {
  WriteIni("1", "0");
  ServeList(StandardList());
  server.Set("/updates/tool.exe", "MZ" + std::string(2 << 20, 'w'));
  HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  ::SetCursor(arrow);
  g_waitSeen = 0;
  g_otherSeen = 0;
  SetProgressPoster(WatchCursor);
  UpdateJob job(kHostExe);
  EXPECT_TRUE(job.Run(FakeDialog()));
  EXPECT_GT(g_waitSeen.load(), 0);
  EXPECT_EQ(g_otherSeen.load(), 0);
  EXPECT_EQ(::GetCursor(), arrow);
}

TEST(RunHiddenAndWait, APathWithBlanksIsOneProgramNeverSplit) {
  SampleHost host;
  host.Write("Dir With Blank/my tool.exe", "MZ tool");
  host.Write("Dir.exe", "MZ the first word as a program");
  Recorder recorder;
  EXPECT_TRUE(RunHiddenAndWait("C:\\Dir With Blank\\my tool.exe"));
  EXPECT_EQ(recorder.ran, (std::vector<std::string>{"C:\\Dir With Blank\\my tool.exe"}));
  EXPECT_FALSE(RunHiddenAndWait("C:\\Dir With Blank\\missing.exe"));
  EXPECT_EQ(recorder.ran.size(), 1u);
}
