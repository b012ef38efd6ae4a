// Downloads a 200 MiB file from a server on 127.0.0.1 (a child process of this program) with
// HttpConnection::Download, in a child process of its own so that its peak memory can be read,
// and with "curl -o" of the same URL. Goals: at least 0.8x curl's speed; peak memory of the
// downloading process at most 1.5x the file's size.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "HttpConnection.h"
#include "fs/root.h"

namespace {

constexpr long long kFileSize = 200LL * 1024 * 1024;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Serves the one file for every GET, until killed.
[[noreturn]] void ServeFile(int listener, const std::string& file) {
  for (;;) {
    int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    int fd = open(file.c_str(), O_RDONLY);
    struct stat st {};
    fstat(fd, &st);
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(st.st_size) +
                       "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    if (send(client, head.data(), head.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(head.size())) {
      off_t offset = 0;
      while (offset < st.st_size) {
        ssize_t n = sendfile(client, fd, &offset, static_cast<size_t>(st.st_size - offset));
        if (n <= 0) break;
      }
    }
    close(fd);
    shutdown(client, SHUT_WR);
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    close(client);
  }
}

// The download itself, run in a child process: prints its seconds on stdout.
int DownloadMode(const char* root, const char* url) {
  nux::SetPlatformRoot(root);
  setenv("NUX_DEBUG_OUTPUT", (std::string(root) + "/debug.txt").c_str(), 1);
  HttpConnection http;
  char out[256] = {};
  const double start = Now();
  const bool ok = http.Download(out, url, nullptr);
  const double seconds = Now() - start;
  if (!ok) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  std::printf("%f\n", seconds);
  return 0;
}

// Runs a command, returns its wall time in seconds and its peak resident memory in bytes.
bool Measure(const std::vector<std::string>& argv, double* seconds, long long* peak, std::string* output) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    close(pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  char buffer[256];
  ssize_t n;
  output->clear();
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) output->append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  *seconds = Now() - start;
  *peak = static_cast<long long>(usage.ru_maxrss) * 1024;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--download") == 0) return DownloadMode(argv[2], argv[3]);

  std::string folderTemplate = (std::filesystem::temp_directory_path() / "bench_updater_XXXXXX").string();
  if (mkdtemp(folderTemplate.data()) == nullptr) return 1;
  const std::string folder = folderTemplate;
  const std::string file = folder + "/payload.bin";
  {
    FILE* f = std::fopen(file.c_str(), "wb");
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
    for (long long written = 0; written < kFileSize; written += static_cast<long long>(block.size()))
      std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
  }

  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, 8);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/payload.bin";
  pid_t server = fork();
  if (server == 0) ServeFile(listener, file);
  close(listener);

  const int rounds = 3;
  double bestCurl = 1e9, bestOurs = 1e9, oursInner = 1e9;
  long long peak = 0;
  bool ok = true;
  for (int i = 0; i < rounds && ok; ++i) {
    double seconds = 0;
    long long curlPeak = 0;
    std::string output;
    ok = Measure({"curl", "-s", "-o", folder + "/curl.bin", url}, &seconds, &curlPeak, &output);
    if (seconds < bestCurl) bestCurl = seconds;
    std::filesystem::remove(folder + "/curl.bin");

    const std::string root = folder + "/root" + std::to_string(i);
    std::filesystem::create_directories(root);
    long long ourPeak = 0;
    // The forked child executes this same program in its download mode.
    ok = ok && Measure({"/proc/self/exe", "--download", root, url}, &seconds, &ourPeak, &output);
    if (ok) {
      if (seconds < bestOurs) bestOurs = seconds;
      const double inner = std::atof(output.c_str());
      if (inner < oursInner) oursInner = inner;
      if (ourPeak > peak) peak = ourPeak;
    }
    std::filesystem::remove_all(root);
  }
  kill(server, SIGKILL);
  waitpid(server, nullptr, 0);
  std::filesystem::remove_all(folder);
  if (!ok) {
    std::printf("bench_updater_download: a download failed\n");
    return 1;
  }

  const double mib = static_cast<double>(kFileSize) / (1024.0 * 1024.0);
  const double speedRatio = bestCurl / bestOurs;
  const double memoryRatio = static_cast<double>(peak) / static_cast<double>(kFileSize);
  std::printf("file: %.0f MiB\n", mib);
  std::printf("curl -o:              %.3f s (%.0f MiB/s)\n", bestCurl, mib / bestCurl);
  std::printf("HttpConnection (process): %.3f s (%.0f MiB/s), inside Download %.3f s\n", bestOurs, mib / bestOurs,
              oursInner);
  std::printf("speed vs curl: %.2fx (goal >= 0.80x) %s\n", speedRatio, speedRatio >= 0.8 ? "PASS" : "FAIL");
  std::printf("peak memory: %.0f MiB = %.2fx the file (goal <= 1.50x) %s\n", static_cast<double>(peak) / (1024.0 * 1024.0),
              memoryRatio, memoryRatio <= 1.5 ? "PASS" : "FAIL");
  return (speedRatio >= 0.8 && memoryRatio <= 1.5) ? 0 : 1;
}
