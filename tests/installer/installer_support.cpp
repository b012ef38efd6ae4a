#include "installer_support.h"

#include <sys/stat.h>

#include "HostSettings.h"
#include "InstalledFilesRegister.h"
#include "Quillon.h"
#include "process/process.h"
#include "registry/registry.h"

namespace {

std::string Slashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

const char kKey[] = "SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings";

}  // namespace

void HostTest::SetUp() {
  quillon::SetHaltHandler([](const std::string& text) { throw HaltError(text); });
  ForgetWorkDir();
  ::mkdir((root_.DriveC()).c_str(), 0755);
  ::mkdir((root_.DriveC() + "/Host").c_str(), 0755);
  ::mkdir((root_.DriveC() + "/Plugin").c_str(), 0755);
  SetSetting(true, "WorkDir", "C:\\Host");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void HostTest::TearDown() {
  quillon::SetHaltHandler({});
  quillon::SetModuleFolder("");
  nux::process::ResetWindowsProgramRunner();
  ForgetWorkDir();
}

std::string HostTest::HostLinux(const std::string& relative) const {
  return root_.DriveC() + "/Host/" + Slashes(relative);
}

void HostTest::WriteHost(const std::string& relative, const std::string& bytes) const {
  const std::string full = HostLinux(relative);
  // Create parent folders.
  for (size_t at = root_.DriveC().size() + 1; (at = full.find('/', at)) != std::string::npos; ++at) {
    ::mkdir(full.substr(0, at).c_str(), 0755);
  }
  FILE* file = std::fopen(full.c_str(), "wb");
  ASSERT_NE(file, nullptr) << full;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string HostTest::ReadHost(const std::string& relative) const { return nuxtest::ReadFile(HostLinux(relative)); }

bool HostTest::HostExists(const std::string& relative) const {
  struct stat info;
  return ::stat(HostLinux(relative).c_str(), &info) == 0;
}

std::unique_ptr<FormatIn> HostTest::Setup(const std::string& text, const std::string& name) {
  const std::string full = root_.DriveC() + "/Plugin/" + name;
  FILE* file = std::fopen(full.c_str(), "wb");
  if (file == nullptr) return nullptr;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  auto reader = std::make_unique<FormatIn>(("C:\\Plugin\\" + name).c_str(), 0, '!', '}', 65520);
  reader->SetMarginsSpaceDelete(1);
  return reader;
}

void HostTest::SetSetting(bool machine, const char* name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

bool HostTest::GetSetting(bool machine, const char* name, std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  char data[8192] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (ok) value = data;
  return ok;
}

void HostTest::DeleteSettingsKey(bool machine) {
  RegDeleteKeyA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kKey);
}

void HostTest::WriteRegister(int32_t tag, const std::vector<std::pair<int32_t, uint32_t>>& pairs) {
  std::string bytes = Le32(static_cast<uint32_t>(tag));
  for (const auto& [id, sum] : pairs) bytes += Le32(static_cast<uint32_t>(id)) + Le32(sum);
  WriteHost("media\\files.dat", bytes);
}

std::vector<std::pair<int32_t, uint32_t>> HostTest::ReadRegisterPairs(int32_t* tag) {
  const std::string bytes = ReadHost("media\\files.dat");
  std::vector<std::pair<int32_t, uint32_t>> pairs;
  if (tag != nullptr) *tag = bytes.size() >= 4 ? static_cast<int32_t>(GetLe32(bytes, 0)) : 0;
  for (size_t at = 4; at + 8 <= bytes.size(); at += 8) {
    pairs.emplace_back(static_cast<int32_t>(GetLe32(bytes, at)), GetLe32(bytes, at + 4));
  }
  return pairs;
}

uint32_t HostTest::Checksum(const std::string& bytes) {
  uint32_t table[256];
  BuildChecksumTable(table);
  return FileChecksum(table, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Le32(uint32_t value) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(value >> (8 * i));
  return out;
}

std::string Le16(uint16_t value) {
  std::string out(2, '\0');
  out[0] = static_cast<char>(value);
  out[1] = static_cast<char>(value >> 8);
  return out;
}

uint32_t GetLe32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}
