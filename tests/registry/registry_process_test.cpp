// The hives shared between processes: what one process writes another reads, writers never
// lose each other's values, and an interrupted write leaves the old hive.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "registry_helpers.h"
#include "test_support.h"

using namespace regtest;

namespace {

// Runs body in a forked child; the child ends with 0 when body returns true.
pid_t Spawn(const std::function<bool()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body() ? 0 : 1);
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().find(".reg.tmp.") != std::string::npos) found.push_back(e.path().string());
  return found;
}

class RegistryProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\Shared");
    ASSERT_NE(nullptr, k);
    ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"Old", u"old value"));
    RegCloseKey(k);
  }
  std::string Folder() const { return root_.path() + "/registry"; }

  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(RegistryProcesses, ChildWritesParentReads) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, KEY_ALL_ACCESS, &k));
  EXPECT_EQ(u"old value", QueryString(k, u"Old"));  // the parent has the hive cached now

  pid_t child = Spawn([] {
    HKEY c = Create(HKEY_LOCAL_MACHINE, u"Software\\Shared");
    return c && SetString(c, u"FromChild", u"hello") == ERROR_SUCCESS && SetString(c, u"Old", u"new") == ERROR_SUCCESS &&
           SetDword(c, u"N", 5) == ERROR_SUCCESS;
  });
  ASSERT_EQ(0, ExitStatus(child));

  EXPECT_EQ(u"hello", QueryString(k, u"FromChild"));
  EXPECT_EQ(u"new", QueryString(k, u"Old"));
  // A change of the parent's keeps what the child wrote.
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"FromParent", u"p"));
  ForgetCache();
  EXPECT_EQ(u"hello", QueryString(k, u"FromChild"));
  EXPECT_EQ(u"p", QueryString(k, u"FromParent"));
  RegCloseKey(k);
}

TEST_F(RegistryProcesses, ConcurrentWritersLoseNothing) {
  constexpr int kPerChild = 40;
  std::vector<pid_t> children;
  for (int c = 0; c < 3; ++c) {
    children.push_back(Spawn([c] {
      HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\Shared");
      if (!k) return false;
      for (int i = 0; i < kPerChild; ++i) {
        std::string n = "c" + std::to_string(c) + "_" + std::to_string(i);
        std::u16string name(n.begin(), n.end());
        if (SetDword(k, name.c_str(), DWORD(i)) != ERROR_SUCCESS) return false;
      }
      return true;
    }));
  }
  for (pid_t p : children) EXPECT_EQ(0, ExitStatus(p));

  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, KEY_READ, &k));
  DWORD values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                            nullptr, nullptr, nullptr));
  EXPECT_EQ(DWORD(1 + 3 * kPerChild), values);
  EXPECT_EQ((std::vector<BYTE>{39, 0, 0, 0}), Query(k, u"c2_39").data);
  RegCloseKey(k);
}

TEST_F(RegistryProcesses, ChildKilledMidWriteLeavesTheOldHive) {
  const std::string hive = nux::registry::HiveFilePath("HKLM");
  const std::string before = nuxtest::ReadFile(hive);
  pid_t child = Spawn([] {
    nux::registry::testing::SetWritePauseMs(60000);
    HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\Shared");
    SetString(k, u"Old", u"half written");
    return false;  // not reached: killed while the write is paused
  });
  // Wait (bounded) until the child's temporary file is there, half written.
  for (int i = 0; i < 1000 && Temporaries(Folder()).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const size_t temporaries = Temporaries(Folder()).size();
  ::kill(child, SIGKILL);
  EXPECT_EQ(128 + SIGKILL, ExitStatus(child));
  ASSERT_EQ(1u, temporaries);

  EXPECT_EQ(before, nuxtest::ReadFile(hive));
  ForgetCache();
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, KEY_ALL_ACCESS, &k));
  EXPECT_EQ(u"old value", QueryString(k, u"Old"));
  // The lock died with the child; the next write goes through and clears the stale file.
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"Old", u"after"));
  EXPECT_TRUE(Temporaries(Folder()).empty());
  ForgetCache();
  EXPECT_EQ(u"after", QueryString(k, u"Old"));
  RegCloseKey(k);
}

TEST_F(RegistryProcesses, ChildDyingInATornWrite) {
  const std::string hive = nux::registry::HiveFilePath("HKLM");
  const std::string before = nuxtest::ReadFile(hive);
  pid_t child = Spawn([] {
    nux::registry::testing::FailNextWrite(nux::registry::testing::WriteFailure::CrashTorn);
    HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\Shared");
    SetString(k, u"Old", u"torn");
    return true;
  });
  EXPECT_EQ(3, ExitStatus(child));
  EXPECT_EQ(1u, Temporaries(Folder()).size());
  EXPECT_EQ(before, nuxtest::ReadFile(hive));
  ForgetCache();
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, KEY_READ, &k));
  EXPECT_EQ(u"old value", QueryString(k, u"Old"));
  RegCloseKey(k);
}

TEST_F(RegistryProcesses, FailedWriteKeepsTheHiveInMemoryAndOnDisk) {
  using nux::registry::testing::WriteFailure;
  const std::string hive = nux::registry::HiveFilePath("HKLM");
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, KEY_ALL_ACCESS, &k));
  for (WriteFailure how : {WriteFailure::BeforeRename, WriteFailure::Torn}) {
    const std::string before = nuxtest::ReadFile(hive);
    nux::registry::testing::FailNextWrite(how);
    EXPECT_EQ(ERROR_CANTWRITE, SetString(k, u"Old", u"lost"));
    EXPECT_EQ(u"old value", QueryString(k, u"Old"));
    EXPECT_EQ(before, nuxtest::ReadFile(hive));
    EXPECT_TRUE(Temporaries(Folder()).empty());
    HKEY sub = nullptr;
    nux::registry::testing::FailNextWrite(how);
    EXPECT_EQ(ERROR_CANTWRITE, RegCreateKeyExW(k, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(k, u"New", 0, KEY_READ, &sub));
  }
  // The failure was for one write only.
  EXPECT_EQ(ERROR_SUCCESS, SetString(k, u"Old", u"kept"));
  ForgetCache();
  EXPECT_EQ(u"kept", QueryString(k, u"Old"));
  RegCloseKey(k);
}

}  // namespace
