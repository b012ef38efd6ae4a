// The hives on disk. Each hive is one text file under <root>/registry/. A change is written to a
// temporary file beside the hive, flushed, and renamed over it, then the folder is flushed, so
// the file always holds either the old hive or the new one. A lock file per hive (flock) is held
// around each read-modify-write, so that two processes writing at once never lose each other's
// changes; a process reads a hive again whenever its file is not the one it read last.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "fs/root.h"
#include "registry/hive.h"

namespace nux::registry {

namespace {
std::atomic<int> g_failNext{0};  // 0: none, else 1 + WriteFailure
std::atomic<unsigned> g_pauseMs{0};
std::atomic<unsigned> g_tempCounter{0};

std::string RegistryFolder() { return PlatformRoot() + "/registry"; }

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= size_t(w);
  }
  return true;
}

bool ReadAll(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) return true;
    out.append(buf, size_t(r));
  }
}

// Holds the lock file of one hive for the lifetime of the object.
class HiveFileLock {
 public:
  explicit HiveFileLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~HiveFileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

std::string HiveFilePath(const std::string& hiveShortName) { return RegistryFolder() + "/" + hiveShortName + ".reg"; }

namespace testing {
void FailNextWrite(WriteFailure how) { g_failNext = 1 + int(how); }
void SetWritePauseMs(unsigned ms) { g_pauseMs = ms; }
}  // namespace testing

namespace detail {

Store& Store::Get() {
  static Store* store = new Store;  // never destroyed: other libraries may use the registry during exit
  return *store;
}

void Store::CheckGeneration() {
  unsigned g = PlatformRootGeneration();
  if (g == generation_) return;
  // A new platform root: nothing cached for the old one holds any more.
  for (auto& h : hives_) h = HiveState{};
  generation_ = g;
}

Store::FileId Store::StatPath(const std::string& path) {
  FileId id;
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return id;
  id.exists = true;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = st.st_size;
  id.mtime = st.st_mtim;
  return id;
}

void Store::Refresh(int hive) {
  CheckGeneration();
  HiveState& h = hives_[hive];
  const std::string path = HiveFilePath(HiveShortName(hive));
  FileId now = StatPath(path);
  if (h.loaded && now == h.id) return;
  auto root = std::make_unique<Key>();
  FileId read;
  if (now.exists) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      // The identity comes from the file that was opened, so it matches what was read even if
      // another process renamed a new hive into place meanwhile.
      struct stat st{};
      std::string text;
      if (::fstat(fd, &st) == 0 && ReadAll(fd, text)) {
        read.exists = true;
        read.dev = st.st_dev;
        read.ino = st.st_ino;
        read.size = st.st_size;
        read.mtime = st.st_mtim;
        std::vector<RegOp> ops;
        ParseRegText(text, ops, false);
        for (const auto& op : ops)
          if (op.hive == hive) ApplyOp(*root, op);
      }
      ::close(fd);
    }
  }
  h.root = std::move(root);
  h.id = read;
  h.loaded = true;
}

Key& Store::Current(int hive) {
  Refresh(hive);
  return *hives_[hive].root;
}

FILETIME Store::LastWriteTime(int hive) {
  Refresh(hive);
  const FileId& id = hives_[hive].id;
  ULONGLONG t = 0;
  if (id.exists)
    t = 116444736000000000ULL + ULONGLONG(id.mtime.tv_sec) * 10000000ULL + ULONGLONG(id.mtime.tv_nsec) / 100;
  FILETIME ft;
  ft.dwLowDateTime = DWORD(t & 0xFFFFFFFFu);
  ft.dwHighDateTime = DWORD(t >> 32);
  return ft;
}

void Store::RemoveStaleTemporaries(int hive) {
  // Called with the hive's lock held: no other writer is at work, so any temporary file of
  // this hive was left by a writer that died.
  const std::string prefix = std::string(HiveShortName(hive)) + ".reg.tmp.";
  const std::string folder = RegistryFolder();
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0) ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(d);
}

LSTATUS Store::WriteFile(int hive, const std::string& text, const FileId& previous) {
  const std::string folder = RegistryFolder();
  const std::string path = HiveFilePath(HiveShortName(hive));
  const std::string tmp =
      path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter.fetch_add(1));
  const int failure = g_failNext.exchange(0);
  const unsigned pauseMs = g_pauseMs.load();

  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return ERROR_CANTWRITE;
  auto fail = [&] {
    ::close(fd);
    ::unlink(tmp.c_str());
    return LSTATUS(ERROR_CANTWRITE);
  };

  const size_t half = text.size() / 2;
  if (!WriteAll(fd, text.data(), half)) return fail();
  if (failure == 1 + int(testing::WriteFailure::CrashTorn)) {
    ::fsync(fd);
    ::_exit(3);
  }
  if (failure == 1 + int(testing::WriteFailure::Torn)) return fail();
  if (pauseMs) {
    ::fsync(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
  if (!WriteAll(fd, text.data() + half, text.size() - half)) return fail();

  // The file's modification time always moves forward, even within one tick of the file
  // system's clock, so that every version of the hive has an identity of its own and a
  // reader never mistakes a new version for the one it has.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (previous.exists) {
    timespec next = previous.mtime;
    if (++next.tv_nsec >= 1000000000) {
      next.tv_nsec = 0;
      ++next.tv_sec;
    }
    if (now.tv_sec < next.tv_sec || (now.tv_sec == next.tv_sec && now.tv_nsec < next.tv_nsec)) now = next;
  }
  timespec times[2] = {{0, UTIME_OMIT}, now};
  ::futimens(fd, times);

  if (::fsync(fd) != 0) return fail();
  if (failure == 1 + int(testing::WriteFailure::BeforeRename)) return fail();
  if (::close(fd) != 0) {
    ::unlink(tmp.c_str());
    return ERROR_CANTWRITE;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return ERROR_CANTWRITE;
  }
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return ERROR_SUCCESS;
}

LSTATUS Store::Modify(int hive, const std::function<LSTATUS(Key& root, bool& changed)>& change) {
  CheckGeneration();
  const std::string folder = RegistryFolder();
  ::mkdir(folder.c_str(), 0777);
  const std::string path = HiveFilePath(HiveShortName(hive));
  HiveFileLock fileLock(path + ".lock");
  if (!fileLock.ok()) return ERROR_CANTWRITE;

  Refresh(hive);
  HiveState& h = hives_[hive];
  std::unique_ptr<Key> copy = h.root->Clone();
  bool changed = false;
  LSTATUS status = change(*copy, changed);
  if (status != ERROR_SUCCESS || !changed) return status;

  RemoveStaleTemporaries(hive);
  status = WriteFile(hive, SerializeHive(*copy, hive), h.id);
  if (status != ERROR_SUCCESS) return status;
  h.root = std::move(copy);
  h.id = StatPath(path);
  return ERROR_SUCCESS;
}

}  // namespace detail
}  // namespace nux::registry
