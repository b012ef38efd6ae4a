#include "UpdateJob.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "DebugPrint.h"
#include "HttpConnection.h"
#include "MFile.h"
#include "StarvanePath.h"
#include "TextReader.h"
#include "UpdateFlags.h"
#include "mfc/afxwin.h"

namespace {

constexpr char kUpdaterIni[] = "Starvane7updater.ini";

}  // namespace

UpdateJob::UpdateJob(const std::string& job) : jobString(job) { LoadUpdaterIni(); }

bool RunHiddenAndWait(const char* path) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  std::string commandLine = std::string("\"") + path + "\"";
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

bool UpdateJob::LoadUpdaterIni() {
  url.clear();
  promptFormat.clear();
  promptCaption.clear();
  sectionKeyFormat.clear();
  runAndWait = 0;
  askFirst = 0;
  TextReader reader;
  if (!reader.Open(kUpdaterIni)) return false;
  timeLimit = kDefaultTimeLimit;
  stallLimit = kDefaultStallLimit;
  std::string* fields[] = {&url, &promptFormat, &promptCaption, &sectionKeyFormat, nullptr};
  char line[512];
  for (std::string* field : fields) {
    if (reader.ReadLine(line, sizeof line) == TextReader::kEndOfFile) return true;
    // A cut line would be another address or format than the one written: it is not used.
    if (reader.LastLineCut()) {
      DebugPrint("Line '%.40s...' of %s is too long and is not used\n", line, kUpdaterIni);
      continue;
    }
    if (field != nullptr) *field = line;  // line 5 is the dialog's and is dropped here
  }
  int value = 0;
  if (reader.ReadInt(&value) == 1) runAndWait = value != 0;
  value = 0;
  if (reader.ReadInt(&value) == 1) askFirst = value != 0;
  for (long* limit : {&timeLimit, &stallLimit}) {
    value = 0;
    if (reader.ReadInt(&value) == 1 && value > 0) *limit = value;
  }
  return true;
}

bool DownloadWithWaitCursor(HttpConnection& http, char* outPath, const char* url, HWND window,
                            const char* savedName) {
  struct WaitCursor {
    CWinApp* app = AfxGetApp();
    HCURSOR previous = nullptr;
    WaitCursor() {
      if (app != nullptr)
        app->BeginWaitCursor();
      else
        previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    }
    ~WaitCursor() {
      if (app != nullptr)
        app->EndWaitCursor();
      else
        ::SetCursor(previous);
    }
  } wait;
  return http.Download(outPath, url, window, savedName);
}

bool UpdateJob::Run(HWND dialog) {
  HttpConnection http;
  http.SetTimeLimit(timeLimit);
  http.SetLowSpeedLimit(1, stallLimit);
  char listPath[HttpConnection::kOutPathSize];
  if (!DownloadWithWaitCursor(http, listPath, url.c_str(), nullptr)) return false;

  std::vector<std::string> urls;
  std::vector<std::string> names;
  if (!CollectUpdateFiles(listPath, *this, urls, &names)) return false;

  if (askFirst) {
    int conversions = 0;
    if (!CountIntConversions(promptFormat.c_str(), &conversions) || conversions > 1) {
      DebugPrint("Prompt format '%s' is not usable\n", promptFormat.c_str());
      return false;
    }
    char text[1024];
    std::snprintf(text, sizeof text, promptFormat.c_str(), static_cast<int>(urls.size()));
    if (MessageBoxA(dialog, text, promptCaption.c_str(), MB_ICONQUESTION | MB_YESNO) != IDYES) return true;
  }

  for (std::size_t i = 0; i < urls.size(); ++i) {
    // After a cancel nothing more is fetched, and nothing fetched is started.
    if (CancelRequested) {
      DebugPrint("Update cancelled\n");
      break;
    }
    const std::string& name = names[i];
    const std::size_t slash = name.rfind('/');
    const std::string savedName = slash == std::string::npos ? name : name.substr(slash + 1);
    char saved[HttpConnection::kOutPathSize];
    if (!DownloadWithWaitCursor(http, saved, urls[i].c_str(), dialog, savedName.c_str())) continue;
    if (CancelRequested) continue;
    if (!IsWindowsExecutable(saved)) continue;
    if (runAndWait) {
      RunHiddenAndWait(saved);
    } else {
      ShellExecuteA(nullptr, "open", saved, nullptr, nullptr, SW_SHOW);
    }
  }
  return true;
}

bool CountIntConversions(const char* format, int* count) {
  if (format == nullptr) return false;
  int found = 0;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    if (*p == '\0' || std::strchr("diouxX", *p) == nullptr) return false;
    ++found;
  }
  if (count != nullptr) *count = found;
  return true;
}

bool IsSafeUpdateFileName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7F || c == '\\' || c == ':') return false;
  }
  // Every part between slashes: ".." would climb out of the base URL.
  const char* part = name;
  for (;;) {
    const char* end = std::strchr(part, '/');
    const std::size_t length = end ? static_cast<std::size_t>(end - part) : std::strlen(part);
    if (length == 2 && part[0] == '.' && part[1] == '.') return false;
    if (end == nullptr) break;
    part = end + 1;
  }
  const char* last = std::strrchr(name, '/');
  return IsPlainFileName(last ? last + 1 : name);
}

bool CollectUpdateFiles(const char* listFile, const UpdateJob& job, std::vector<std::string>& urls,
                        std::vector<std::string>* namesOut) {
  std::string hostFolder;
  const std::size_t backslash = job.jobString.rfind('\\');
  if (backslash == std::string::npos) {
    char workDir[256];
    if (!ReadWorkDir(workDir, sizeof workDir)) return false;
    hostFolder = workDir;
  } else {
    hostFolder = job.jobString.substr(0, backslash + 1);
  }

  int words[4] = {};
  if (!GetFileVersion(words, job.jobString.c_str())) return false;

  const std::string strings = hostFolder + "SVStrings.txt";
  const int entry1 = GetHostStringInt(strings.c_str(), 1);
  if (entry1 == -1) return false;
  const int edition = GetEditionIndex(strings.c_str());
  if (edition == -1) return false;

  int conversions = 0;
  if (!CountIntConversions(job.sectionKeyFormat.c_str(), &conversions) || conversions > 6) {
    DebugPrint("Section key format '%s' is not usable\n", job.sectionKeyFormat.c_str());
    return false;
  }
  char key[512];
  std::snprintf(key, sizeof key, job.sectionKeyFormat.c_str(), words[0], words[1], words[2], words[3], edition,
                entry1);

  TextReader reader;
  if (!reader.Open(listFile) || !reader.FindLine(key)) return false;
  std::vector<std::string> names;
  char line[256];
  while (reader.ReadLine(line, sizeof line) >= 0) {
    // A name that does not fit is never fetched cut short, and a section that holds one is
    // not the section its author wrote: none of its files is fetched.
    if (reader.LastLineCut()) {
      DebugPrint("Update list line '%.40s...' is too long: section '%s' is skipped\n", line, key);
      return false;
    }
    if (!IsSafeUpdateFileName(line)) {
      DebugPrint("Update file name '%s' is not safe and is skipped\n", line);
      continue;
    }
    names.push_back(line);
  }

  const std::size_t slash = job.url.rfind('/');
  if (slash == std::string::npos) return false;
  const std::string base = job.url.substr(0, slash + 1);
  for (const std::string& name : names) urls.push_back(base + PercentEncodePath(name));
  if (namesOut != nullptr) namesOut->insert(namesOut->end(), names.begin(), names.end());
  return true;
}

bool IsWindowsExecutable(const char* path) {
  MFile file;
  if (!file.Open(path, MFile::kModeRead)) return false;
  unsigned char head[2] = {};
  const DWORD n = file.Read(head, 2);
  file.Close();
  return n == 2 && head[0] == 0x4D && head[1] == 0x5A;
}

bool ProgressPosition(int low, int high, WPARAM received, LPARAM expected, int* position) {
  const std::int64_t total = static_cast<std::int64_t>(expected);
  if (total <= 0 || position == nullptr) return false;
  double ratio = static_cast<double>(static_cast<std::uint64_t>(received)) / static_cast<double>(total);
  if (ratio > 1.0) ratio = 1.0;  // more received than announced: the bar is full, not beyond
  *position = low + static_cast<int>(ratio * (static_cast<double>(high) - static_cast<double>(low)));
  return true;
}
