#include "engine_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "registry/registry.h"
#include "test_support.h"

namespace enginetest {
namespace {

void Put16(std::string& out, unsigned v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

void WriteDriveC(const std::string& driveCRoot, const std::string& relative, const std::string& bytes) {
  const std::string path = driveCRoot + "/" + relative;
  ASSERT_TRUE(nuxtest::WriteFile(path, bytes)) << path;
}

std::string CursorFileBytes() {
  // Icon directory of type 2 with one 32x32 image: a bitmap info header and its pixels.
  std::string image;
  Put32(image, 40);  // header size
  Put32(image, 32);  // width
  Put32(image, 64);  // height of colour and mask
  Put16(image, 1);   // planes
  Put16(image, 1);   // bits per pixel
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  image.append(8, '\0');                      // palette
  image.append(32 * 4 * 2, char(0xFF));       // colour and mask rows

  std::string file;
  Put16(file, 0);
  Put16(file, 2);
  Put16(file, 1);
  file.push_back(32);
  file.push_back(32);
  file.push_back(0);
  file.push_back(0);
  Put16(file, 3);  // hot spot
  Put16(file, 4);
  Put32(file, unsigned(image.size()));
  Put32(file, 6 + 16);
  return file + image;
}

std::string AnimatedCursorFileBytes() {
  const std::string frame = CursorFileBytes();
  std::string anih = "anih";
  Put32(anih, 36);
  Put32(anih, 36);  // header size
  Put32(anih, 1);   // frames
  Put32(anih, 1);   // steps
  for (int i = 0; i < 4; ++i) Put32(anih, 0);
  Put32(anih, 10);  // display rate
  Put32(anih, 1);   // flags: icon frames

  std::string icon = "icon";
  Put32(icon, unsigned(frame.size()));
  icon += frame;
  if (frame.size() & 1) icon.push_back(0);
  std::string list = "LIST";
  Put32(list, unsigned(4 + icon.size()));
  list += "fram" + icon;

  std::string body = "ACON" + anih + list;
  std::string file = "RIFF";
  Put32(file, unsigned(body.size()));
  return file + body;
}

void SetRegistryValue(HKEY root, const char16_t* subKey, const char16_t* name, DWORD type, const void* data,
                      DWORD bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  RegCloseKey(key);
}

void SetRegistryString(HKEY root, const char16_t* subKey, const char16_t* name, const std::u16string& text) {
  SetRegistryValue(root, subKey, name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(char16_t)));
}

std::string Utf16Bytes(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) Put16(out, c);
  return out;
}

}  // namespace enginetest
