// What the installer's tests share: a host work folder "C:\Host\" with its settings key in a
// platform root of the test's own, Halt turned into an exception, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

class FormatIn;

// What Halt throws in the tests.
struct HaltError : std::runtime_error {
  explicit HaltError(const std::string& text) : std::runtime_error(text) {}
};

class HostTest : public ::testing::Test {
 public:
  // Checksum of a string's bytes, as the register stores it.
  static uint32_t Checksum(const std::string& bytes);

  void SetUp() override;
  void TearDown() override;

  // The work folder as the registry holds it, with its trailing backslash.
  static constexpr const char* kWork = "C:\\Host\\";

  // Files of the work folder, by relative Windows path (backslashes).
  std::string HostLinux(const std::string& relative) const;
  void WriteHost(const std::string& relative, const std::string& bytes) const;
  std::string ReadHost(const std::string& relative) const;
  bool HostExists(const std::string& relative) const;

  // A setup file (written below C:\Plugin\) opened as the installer opens it.
  std::unique_ptr<FormatIn> Setup(const std::string& text, const std::string& name = "PluginInstaller.ini");

  // Values of the settings key.
  void SetSetting(bool machine, const char* name, const std::string& value);
  bool GetSetting(bool machine, const char* name, std::string& value);
  void DeleteSettingsKey(bool machine);

  // Creates the register media\files.dat with a tag and pairs.
  void WriteRegister(int32_t tag, const std::vector<std::pair<int32_t, uint32_t>>& pairs);
  std::vector<std::pair<int32_t, uint32_t>> ReadRegisterPairs(int32_t* tag = nullptr);


  nuxtest::ScopedPlatformRoot root_;
};

// Little-endian helpers for binary fixtures.
std::string Le32(uint32_t value);
std::string Le16(uint16_t value);
uint32_t GetLe32(const std::string& bytes, size_t at);
