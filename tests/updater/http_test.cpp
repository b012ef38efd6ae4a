// Downloads through the transfer library from a local server, and the transfer's settings.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "fs/path.h"
#include "res/resources.h"
#include "HttpConnection.h"
#include "MFile.h"
#include "UpdateFlags.h"
#include "http_server.h"
#include "updater_support.h"

using updatertest::DebugCapture;
using updatertest::HttpServer;
using updatertest::Route;
using updatertest::SampleHost;

namespace {

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::mutex g_postedLock;
std::vector<Posted> g_posted;

void RecordPost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(g_postedLock);
  g_posted.push_back(Posted{window, message, wParam, lParam});
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HWND FakeWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150)); }

}  // namespace

class HttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.InstallStandardHost();
    {
      std::lock_guard<std::mutex> guard(g_postedLock);
      g_posted.clear();
    }
    SetProgressPoster(RecordPost);
  }
  void TearDown() override {
    SetProgressPoster(nullptr);
    nux::SetSystemLibrary(u"libcurl.dll", "libcurl.so.4");
  }
  std::vector<Posted> PostedMessages() {
    std::lock_guard<std::mutex> guard(g_postedLock);
    return g_posted;
  }

  SampleHost host;
  HttpServer server;
};

TEST_F(HttpTest, SavesTheBodyInTheTemporaryFolderUnderTheUrlsLastPart) {
  std::string body(9 * 1024 * 1024 + 17, 'b');  // more than is held in memory at once
  for (size_t i = 0; i < body.size(); i += 4093) body[i] = static_cast<char>('a' + i % 26);
  server.Set("/updates/sub/tool.bin", body);
  HttpConnection http;
  ASSERT_TRUE(http.LibraryLoaded());
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/updates/sub/tool.bin").c_str(), nullptr));
  EXPECT_EQ(std::string(out), TempPath("tool.bin"));
  EXPECT_EQ(updatertest::ReadSavedFile(out), body);
  EXPECT_FALSE(Exists(TempPath("tool.bin.part")));
  EXPECT_TRUE(PostedMessages().empty());  // no window, no progress
}

TEST_F(HttpTest, FailedTransfersSaveNothing) {
  server.Set("/e404.exe", Route{404, "MZ error page", "", -1});
  server.Set("/e500.exe", Route{500, "MZ server error", "", -1});
  server.Set("/", "index");
  std::string downBase;
  {
    HttpServer stopped;
    downBase = stopped.Base();
  }
  struct Case {
    std::string url;
    std::string saved;
    bool transferFails;
  } cases[] = {
      {server.Base() + "/e404.exe", "e404.exe", true},
      {server.Base() + "/e500.exe", "e500.exe", true},
      {downBase + "/down.exe", "down.exe", true},
      {server.Base() + "/", "", false},  // no file name: nothing to save
  };
  HttpConnection http;
  for (const Case& c : cases) {
    DebugCapture debug;
    char out[256] = {};
    EXPECT_FALSE(http.Download(out, c.url.c_str(), nullptr)) << c.url;
    if (!c.saved.empty()) {
      EXPECT_FALSE(Exists(TempPath(c.saved))) << c.url;
    }
    EXPECT_EQ(debug.Contains("Error during processing request\n"), c.transferFails) << c.url;
  }
}

TEST_F(HttpTest, EmptyBodyIsAnEmptyFileAndRedirectsKeepTheRequestedName) {
  server.Set("/empty.txt", "");
  server.Set("/old.bin", Route{302, "", "/new.bin", -1});
  server.Set("/new.bin", "new contents");
  HttpConnection http;
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/empty.txt").c_str(), nullptr));
  EXPECT_TRUE(Exists(out));
  EXPECT_EQ(updatertest::ReadSavedFile(out), "");
  ASSERT_TRUE(http.Download(out, (server.Base() + "/old.bin").c_str(), nullptr));
  EXPECT_EQ(std::string(out), TempPath("old.bin"));
  EXPECT_EQ(updatertest::ReadSavedFile(out), "new contents");
}

TEST_F(HttpTest, ReadOnlyFileOfTheSameNameIsReplaced) {
  server.Set("/same.txt", "second");
  HttpConnection http;
  char out[256] = {};
  server.Set("/a/same.txt", "first");
  ASSERT_TRUE(http.Download(out, (server.Base() + "/a/same.txt").c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesA(out, FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(http.Download(out, (server.Base() + "/same.txt").c_str(), nullptr));
  EXPECT_EQ(updatertest::ReadSavedFile(out), "second");
}

TEST_F(HttpTest, OutPathThatDoesNotFitFails) {
  const size_t tempLength = TempPath("").size();
  ASSERT_LT(tempLength, 200u);
  const std::string fits(255 - tempLength, 'f');
  const std::string tooLong(256 - tempLength, 'g');
  server.Set("/" + fits, "ok");
  server.Set("/" + tooLong, "too long");
  HttpConnection http;
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/" + fits).c_str(), nullptr));
  EXPECT_EQ(std::string(out).size(), 255u);
  EXPECT_FALSE(http.Download(out, (server.Base() + "/" + tooLong).c_str(), nullptr));
}

TEST_F(HttpTest, FailedWriteDeletesThePartialFile) {
  server.Set("/big.exe", "MZ" + std::string(200000, 'x'));
  server.Set("/huge.exe", "MZ" + std::string(9 * 1024 * 1024, 'x'));  // fails while it arrives
  HttpConnection http;
  char out[256] = {};
  // Files may not grow past 4 KiB while the body is saved.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  DebugCapture debug;
  const bool saved = http.Download(out, (server.Base() + "/big.exe").c_str(), nullptr);
  const bool savedHuge = http.Download(out, (server.Base() + "/huge.exe").c_str(), nullptr);
  setrlimit(RLIMIT_FSIZE, &old);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(savedHuge);
  for (const char* name : {"big.exe", "big.exe.part", "huge.exe", "huge.exe.part"}) EXPECT_FALSE(Exists(TempPath(name))) << name;
  EXPECT_TRUE(debug.Contains("Writing file '" + TempPath("big.exe") + "' failed\n")) << debug.Text();
  EXPECT_TRUE(debug.Contains("Writing file '" + TempPath("huge.exe") + "' failed\n"));
}

TEST_F(HttpTest, StalledServerEndsAtTheLowSpeedLimit) {
  server.Set("/stall.exe", Route{200, "MZ" + std::string(100000, 's'), "", 10});
  HttpConnection http;
  http.SetLowSpeedLimit(100, 1);
  char out[256] = {};
  DebugCapture debug;
  EXPECT_FALSE(http.Download(out, (server.Base() + "/stall.exe").c_str(), FakeWindow()));
  EXPECT_TRUE(debug.Contains("Error during processing request\n"));
  EXPECT_FALSE(Exists(TempPath("stall.exe")));
}

TEST_F(HttpTest, ProgressGoesToTheWindowAndClosingTheDialogAbortsTheTransfer) {
  const std::string body(3 * 1024 * 1024, 'p');
  server.Set("/progress.bin", body);
  HttpConnection http;
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/progress.bin").c_str(), FakeWindow()));
  const std::vector<Posted> posted = PostedMessages();
  ASSERT_FALSE(posted.empty());
  for (const Posted& p : posted) {
    EXPECT_EQ(p.window, FakeWindow());
    EXPECT_EQ(p.message, static_cast<UINT>(WM_DOWNLOAD_PROGRESS));
  }
  EXPECT_EQ(posted.back().wParam, body.size());
  EXPECT_EQ(posted.back().lParam, static_cast<LPARAM>(body.size()));

  DialogClosed = 1;
  DebugCapture debug;
  EXPECT_FALSE(http.Download(out, (server.Base() + "/progress.bin").c_str(), FakeWindow()));
  DialogClosed = 0;
  EXPECT_TRUE(debug.Contains("Error during processing request\n"));
}

TEST_F(HttpTest, MisbehavingServersEndTheTransferAndLeaveNothing) {
  const std::string body = "MZ" + std::string(20000, 'm');
  Route cutWithLength;  // the connection closes a tenth into the announced body
  cutWithLength.body = body;
  cutWithLength.closeAfterBytes = 2000;
  Route longerLength;  // announces more than it sends, then closes
  longerLength.body = body;
  longerLength.declaredLength = 50000;
  longerLength.closeAfterBytes = static_cast<int>(body.size());
  Route loop;
  loop.status = 302;
  loop.location = "/loop.exe";
  Route toFile;
  toFile.status = 302;
  toFile.location = "file:///etc/hostname";
  Route silent;
  silent.stallBeforeHeaders = true;
  Route stalled;
  stalled.body = body;
  stalled.stallAfterBytes = 100;
  Route trickle;  // 4 bytes every 100 ms: fast enough for the stall limit, never for the time limit
  trickle.body = body;
  trickle.trickleMs = 100;
  server.Set("/cut.exe", cutWithLength);
  server.Set("/longer.exe", longerLength);
  server.Set("/loop.exe", loop);
  server.Set("/tofile.exe", toFile);
  server.Set("/silent.exe", silent);
  server.Set("/stalled.exe", stalled);
  server.Set("/trickle.exe", trickle);
  struct Case {
    std::string url;
    std::string saved;
  } cases[] = {
      {server.Base() + "/cut.exe", "cut.exe"},         {server.Base() + "/longer.exe", "longer.exe"},
      {server.Base() + "/loop.exe", "loop.exe"},       {server.Base() + "/tofile.exe", "tofile.exe"},
      {server.Base() + "/silent.exe", "silent.exe"},   {server.Base() + "/stalled.exe", "stalled.exe"},
      {server.Base() + "/trickle.exe", "trickle.exe"}, {"file:///etc/hostname", "hostname"},
      {"ftp://127.0.0.1:1/x.exe", "x.exe"},
  };
  HttpConnection http;
  http.SetLowSpeedLimit(1, 1);
  http.SetTimeLimit(2);
  for (const Case& c : cases) {
    DebugCapture debug;
    char out[256] = {};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.Download(out, c.url.c_str(), FakeWindow())) << c.url;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << c.url;
    EXPECT_TRUE(debug.Contains("Error during processing request\n")) << c.url;
    for (const std::string& name : {c.saved, c.saved + ".part"}) EXPECT_FALSE(Exists(TempPath(name))) << name;
  }
  // The loop was followed ten times after the first request, and no further.
  size_t loops = 0;
  for (const std::string& request : server.Requests()) loops += request == "/loop.exe";
  EXPECT_EQ(loops, 1u + HttpConnection::kMaxRedirects);
}

TEST_F(HttpTest, BodyWithoutALengthEndsWhenTheServerCloses) {
  // Without a length the end of the connection is the end of the body: HTTP can't tell a cut
  // body from a whole one, so what arrived is saved.
  Route open;
  open.body = "MZ whole";
  open.noLength = true;
  Route cut;
  cut.body = "MZ cut short";
  cut.noLength = true;
  cut.closeAfterBytes = 6;
  server.Set("/open.exe", open);
  server.Set("/cut.exe", cut);
  HttpConnection http;
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/open.exe").c_str(), nullptr));
  EXPECT_EQ(updatertest::ReadSavedFile(out), "MZ whole");
  ASSERT_TRUE(http.Download(out, (server.Base() + "/cut.exe").c_str(), nullptr));
  EXPECT_EQ(updatertest::ReadSavedFile(out), "MZ cut");
}

TEST_F(HttpTest, GigabyteBodyIsWrittenWhileItArrives) {
  constexpr long long kSize = 1LL << 30;
  Route big;
  big.generatedBytes = kSize;
  server.Set("/big.bin", big);
  // While the body arrives, the partial file holds all but the last few MiB of what came in.
  static std::atomic<long long> worstLag{0};
  static std::atomic<int> checks{0};
  static std::string partial;
  partial = nux::fs::ToLinuxPathA(TempPath("big.bin.part"));
  worstLag = 0;
  checks = 0;
  SetProgressPoster([](HWND, UINT, WPARAM received, LPARAM) {
    std::error_code error;
    const auto onDisk = std::filesystem::file_size(partial, error);
    if (error || received < (16u << 20)) return;
    ++checks;
    const long long lag = static_cast<long long>(received) - static_cast<long long>(onDisk);
    if (lag > worstLag) worstLag = lag;
  });
  HttpConnection http;
  char out[256] = {};
  ASSERT_TRUE(http.Download(out, (server.Base() + "/big.bin").c_str(), FakeWindow()));
  EXPECT_EQ(std::filesystem::file_size(nux::fs::ToLinuxPathA(out)), static_cast<uintmax_t>(kSize));
  EXPECT_FALSE(Exists(TempPath("big.bin.part")));
  EXPECT_GT(checks.load(), 0);
  EXPECT_LE(worstLag.load(), 8LL << 20);
  DeleteFileA(out);
}

TEST_F(HttpTest, ReadOnlyDownloadFolderSavesNothing) {
  // As the owner of every file here may write anyway, the folder is made unchangeable.
  const std::string folder = nux::fs::ToLinuxPathA(TempPath(""));
  if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "chattr not possible here";
  server.Set("/ro.exe", "MZ read only");
  HttpConnection http;
  char out[256] = {};
  DebugCapture debug;
  const bool saved = http.Download(out, (server.Base() + "/ro.exe").c_str(), nullptr);
  std::system(("chattr -i '" + folder + "'").c_str());
  EXPECT_FALSE(saved);
  EXPECT_FALSE(Exists(TempPath("ro.exe")));
  EXPECT_FALSE(Exists(TempPath("ro.exe.part")));
  EXPECT_TRUE(debug.Contains("Opening file '" + TempPath("ro.exe.part") + "' error code")) << debug.Text();
}

TEST_F(HttpTest, WithoutTheLibraryNothingIsFetched) {
  nux::SetSystemLibrary(u"libcurl.dll", "libnux-no-such-transfer-library.so.0");
  server.Set("/x.exe", "MZ");
  DebugCapture debug;
  HttpConnection http;
  EXPECT_FALSE(http.LibraryLoaded());
  EXPECT_TRUE(debug.Contains("File libcurl.dll not found!!!\n"));
  char out[256] = {};
  EXPECT_FALSE(http.Download(out, (server.Base() + "/x.exe").c_str(), nullptr));
  EXPECT_TRUE(server.Requests().empty());
}

TEST(CurlCallbacks, WriteCallbackKeepsEachPieceAndTakesEmptyPiecesAsNoFailure) {
  ReceivedBody body;
  char data[] = "abcdef";
  EXPECT_EQ(CurlWriteCallback(data, 1, 0, &body), 0u);
  EXPECT_EQ(CurlWriteCallback(data, 2, 3, &body), 6u);
  EXPECT_EQ(CurlWriteCallback(data, 1, 2, &body), 2u);
  ASSERT_EQ(body.chunks.size(), 2u);
  EXPECT_EQ(std::string(body.chunks[0].data.get(), body.chunks[0].length), "abcdef");
  EXPECT_EQ(std::string(body.chunks[1].data.get(), body.chunks[1].length), "ab");
  EXPECT_EQ(body.held, 8u);
}

TEST(CurlCallbacks, WriteCallbackMovesHeldPiecesIntoTheOpenFile) {
  SampleHost host;
  host.Write("spill/keep", "");
  MFile file;
  ASSERT_TRUE(file.Open("C:\\spill\\body.bin", MFile::kModeCreateWrite));
  ReceivedBody body;
  body.file = &file;
  body.spillBytes = 5;
  char data[] = "abcdefgh";
  EXPECT_EQ(CurlWriteCallback(data, 1, 3, &body), 3u);
  EXPECT_EQ(body.chunks.size(), 1u);
  EXPECT_EQ(CurlWriteCallback(data + 3, 1, 3, &body), 3u);
  EXPECT_TRUE(body.chunks.empty());
  EXPECT_EQ(CurlWriteCallback(data + 6, 1, 2, &body), 2u);
  EXPECT_TRUE(SaveHeldChunks(body));
  file.Close();
  EXPECT_EQ(updatertest::ReadSavedFile("C:\\spill\\body.bin"), "abcdefgh");
  // Once the file refuses bytes, the callback reports a write failure.
  ReceivedBody closed;
  closed.file = &file;
  closed.spillBytes = 1;
  EXPECT_EQ(CurlWriteCallback(data, 1, 2, &closed), 0u);
  EXPECT_TRUE(closed.writeFailed);
}

TEST(CurlCallbacks, ProgressCallbackTruncatesAndReturnsTheClosedFlag) {
  {
    std::lock_guard<std::mutex> guard(g_postedLock);
    g_posted.clear();
  }
  SetProgressPoster(RecordPost);
  DialogClosed = 0;
  EXPECT_EQ(CurlProgressCallback(FakeWindow(), 2000.9, 1000.7, 0, 0), 0);
  DialogClosed = 1;
  EXPECT_EQ(CurlProgressCallback(FakeWindow(), 0, 0, 0, 0), 1);
  DialogClosed = 0;
  CancelRequested = 1;
  EXPECT_EQ(CurlProgressCallback(FakeWindow(), 0, 0, 0, 0), 1);
  CancelRequested = 0;
  // Sizes past 2 GiB and 4 GiB stay whole; nonsense from the library becomes 0.
  EXPECT_EQ(CurlProgressCallback(FakeWindow(), 6.5e9, 3.0e9 + 0.5, 0, 0), 0);
  EXPECT_EQ(CurlProgressCallback(FakeWindow(), -1.0, std::nan(""), 0, 0), 0);
  SetProgressPoster(nullptr);
  std::lock_guard<std::mutex> guard(g_postedLock);
  ASSERT_EQ(g_posted.size(), 5u);
  EXPECT_EQ(g_posted[0].wParam, 1000u);
  EXPECT_EQ(g_posted[0].lParam, 2000);
  EXPECT_EQ(g_posted[3].wParam, 3000000000u);
  EXPECT_EQ(g_posted[3].lParam, 6500000000);
  EXPECT_EQ(g_posted[4].wParam, 0u);
  EXPECT_EQ(g_posted[4].lParam, 0);
}

TEST(HttpSettings, AreReadFromTheHostsSettingsFile) {
  SampleHost host;
  host.InstallStandardHost();
  host.Write("Starvane7/media/settings/http_connection.ini",
             "! transfer settings\nmedia:settings:http_connection.ini\n"
             "1\tProxy\tproxy.example\n2\t  Port  \n1\tSecond\tignored\nx\tnot a number\n3\t\n}\n"
             "10\nabc\n-2\n}\n30\n}\nLOWER Me\n");
  HttpConnection http;
  EXPECT_EQ(http.ResolvedPath(), "c:\\starvane7\\media\\settings\\http_connection.ini");
  const std::map<int, std::string> names = {{1, "Proxy"}, {2, "Port"}};
  const std::map<int, std::string> values = {{1, "proxy.example"}};
  EXPECT_EQ(http.Names(), names);
  EXPECT_EQ(http.Values(), values);
  EXPECT_EQ(http.ListA(), (std::vector<int>{10, -2}));
  EXPECT_EQ(http.ListB(), (std::vector<int>{30}));
  EXPECT_EQ(http.LowerText(), "lower me");
}

TEST(HttpSettings, MissingFileLeavesThemEmpty) {
  SampleHost host;
  host.InstallStandardHost();
  HttpConnection http;
  EXPECT_FALSE(http.LoadSettings());
  EXPECT_TRUE(http.Names().empty());
  EXPECT_TRUE(http.ResolvedPath().empty());
}
