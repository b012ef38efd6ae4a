// Demonstration of an update run: lays out a sample host in a platform root (registry values,
// "SVStrings.txt", "media:FileUtils.ini", a theme folder, the host executable), serves an update
// list with several sections from a small HTTP server on 127.0.0.1, runs the update job and
// prints what it did.
//
//   sv7update_demo <platform root> <sample host executable>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "HttpConnection.h"
#include "UpdateJob.h"
#include "fs/root.h"
#include "Sv7Platform.h"

namespace {

// Serves fixed texts by path; everything else is 404.
class DemoServer {
 public:
  explicit DemoServer(std::map<std::string, std::string> files) : files_(std::move(files)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~DemoServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void Loop() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      int client = accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      const size_t a = request.find(' ');
      const size_t b = request.find(' ', a + 1);
      const std::string path = a == std::string::npos ? "" : request.substr(a + 1, b - a - 1);
      auto it = files_.find(path);
      const bool found = it != files_.end();
      const std::string body = found ? it->second : "not found";
      std::printf("  server: GET %s -> %d\n", path.c_str(), found ? 200 : 404);
      const std::string reply = std::string("HTTP/1.1 ") + (found ? "200 OK" : "404 Not Found") +
                                "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body;
      send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
      close(client);
    }
  }

  std::map<std::string, std::string> files_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void PrintProgress(HWND, UINT, WPARAM received, LPARAM expected) {
  // The transfer reports the same figures several times; each change is printed once.
  static WPARAM lastReceived = 0;
  static LPARAM lastExpected = -1;
  if (received == lastReceived && expected == lastExpected) return;
  lastReceived = received;
  lastExpected = expected;
  int position = 0;
  if (ProgressPosition(0, 100, received, expected, &position))
    std::printf("  progress: %d %% (%lu of %ld bytes)\n", position, static_cast<unsigned long>(received),
                static_cast<long>(expected));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <platform root> <sample host executable>\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  nux::SetPlatformRoot(root);
  const std::filesystem::path host = root + "/drive_c/Starvane7";
  std::filesystem::create_directories(host);
  std::filesystem::copy_file(argv[2], host / "Starvane7.exe", std::filesystem::copy_options::overwrite_existing);
  WriteFile(host / "SVStrings.txt", "! sample host strings\n1\t705\n5\t2\n13250\tStarvane 7 Plunet\n");
  WriteFile(host / "media" / "FileUtils.ini", "catalog\n}\nmedia\n}\n}\n");
  WriteFile(host / "Theme1" / "media" / "settings" / "http_connection.ini", "media:settings:http_connection.ini\n}\n}\n}\n");
  nux::registry::ImportRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings]\r\n"
      "\"WorkDir\"=\"C:\\\\Starvane7\"\r\n\"CDPath\"=\"D:\\\\\"\r\n\"SetupType\"=\"1\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings]\r\n\"Theme\"=\"1\"\r\n");

  DemoServer server({
      {"/sv7/updates.txt",
       "! update list of the demo\n"
       "7.0.1.25.0.705\nvindral-patch.exe\n}\n"
       "7.0.1.25.2.705\npatch705.exe\nnotes/readme.txt\n}\n"
       "7.0.1.26.2.705\nnewer.exe\n}\n"},
      {"/sv7/patch705.exe", "MZ demo patch"},
      {"/sv7/notes/readme.txt", "What is new in 7.0.1.26"},
  });
  WriteFile(root + "/drive_c/Run/Starvane7updater.ini",
            "! update program settings\n" + server.Base() + "/sv7/updates.txt\n"
            "Es gibt %d Aktualisierungen. Jetzt laden?\nStarvane 7 Update\n%d.%d.%d.%d.%d.%d\n"
            "Aktualisierung wird geladen...\n1\n1\n");
  SetCurrentDirectoryA("C:\\Run");
  SetProgressPoster(PrintProgress);

  // The platform starts the downloaded programs through its runner and opens files through its
  // shell handler; here both only say what they were asked to do. The question is answered Yes.
  nux::process::SetWindowsProgramRunner([](const nux::process::ProgramStart& start) -> DWORD {
    std::printf("  run hidden and wait: %s\n", nux::WideToAnsi(start.windowsProgram).c_str());
    return 0;
  });
  nux::process::SetShellHandler([](const nux::process::ShellRequest& request) {
    std::printf("  shell open: %s\n", nux::WideToAnsi(request.file).c_str());
    return true;
  });
  nux::ui::QueueMessageBoxAnswer(IDYES);

  std::printf("== update of the sample host C:\\Starvane7\\Starvane7.exe (version 7.0.1.25, edition 2, entry 1 = 705)\n");
  UpdateJob job("C:\\Starvane7\\Starvane7.exe");
  std::printf("  list: %s, section key format: %s\n", job.url.c_str(), job.sectionKeyFormat.c_str());
  const bool ok = job.Run(reinterpret_cast<HWND>(static_cast<uintptr_t>(1)));
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::printf("== update %s; files saved in %s:\n", ok ? "finished" : "stopped", temp);
  for (const char* name : {"updates.txt", "patch705.exe", "readme.txt"}) {
    const std::string path = std::string(temp) + name;
    std::printf("  %s %s\n", path.c_str(), GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? "saved" : "missing");
  }
  return ok ? 0 : 1;
}
