// The demonstration install (make demo): a sample plug-in folder installed into a copy of a
// sample host work folder, in a platform root of the demo's own. The plug-in's pre-install
// program and patch tool are Windows programs; the platform hands them to a runner that here
// says what it runs and does the patch tool's work. At the end the demo prints what changed.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "HostSettings.h"
#include "InstallProcedure.h"
#include "InstalledFilesRegister.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "base/codepage.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs/root.h"
#include "process/process.h"
#include "registry/registry.h"

namespace {

const char kSettings[] = "SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings";

std::string ReadWin(const std::string& path) {
  FILE* f = w32_fopen(path.c_str(), "rb");
  if (f == nullptr) return {};
  std::string bytes;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

void WriteWin(const std::string& path, const std::string& bytes) {
  MakeDir(path.substr(0, path.find_last_of('\\')).c_str());
  if (FILE* f = w32_fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

void SetValue(HKEY hive, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(hive, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  if (name != nullptr)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
  RegCloseKey(key);
}

std::string GetValue(HKEY hive, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, kSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) return "(none)";
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  const bool ok = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (!ok) return "(none)";
  std::string quoted(1, '"');
  quoted.append(data).push_back('"');
  return quoted;
}

std::string Le32(uint32_t value) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[size_t(i)] = static_cast<char>(value >> (8 * i));
  return out;
}

uint32_t ChecksumOf(const std::string& bytes) {
  uint32_t table[256];
  BuildChecksumTable(table);
  return FileChecksum(table, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// The register's tag and pairs, one a line.
void PrintRegister(const char* when) {
  const std::string bytes = ReadWin("C:\\Starvane7\\media\\files.dat");
  auto get = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(static_cast<unsigned char>(bytes[at + size_t(i)])) << (8 * i);
    return v;
  };
  if (bytes.size() < 4) return;
  std::printf("-- register %s: tag %08X%s\n", when, get(0),
              get(0) == uint32_t(GetUniqueID("kesmor")) ? " (edition word kesmor)" : "");
  for (size_t at = 4; at + 8 <= bytes.size(); at += 8) std::printf("   file %08X checksum %08X\n", get(at), get(at + 4));
}

// The sample host: work folder C:\Starvane7 with its string table, a data file the plug-in
// replaces, one it patches, a menu file and the installed-files register.
void LayOutHost(const std::string& tessaron) {
  SetValue(HKEY_LOCAL_MACHINE, "WorkDir", "C:\\Starvane7");
  SetValue(HKEY_CURRENT_USER, nullptr, "");
  const std::string work = "C:\\Starvane7\\";
  WriteWin(work + "SVStrings.txt", "1\t700\r\n5\t1\r\n15800\t1\r\n13250\tStarvane 7 Gorvek\r\n");
  WriteWin(work + "data\\comets.dat", "comet elements of 2025\r\n");
  WriteWin(work + "data\\stars.dat", "star catalogue, first part\r\n");
  WriteWin(work + "menu.txt", "Extras\n200\tSternkarte\t1\n210\tKometen\t0\n}\n}\n");
  // The register of the host's files, tagged with the edition word of edition 1, lists the two
  // data files with their present checksums: the install updates both entries and the tag.
  WriteWin(work + "media\\files.dat", Le32(uint32_t(GetUniqueID("kesmor"))) +
                                           Le32(uint32_t(RegisterFileId("data\\comets.dat"))) +
                                           Le32(ChecksumOf("comet elements of 2025\r\n")) +
                                           Le32(uint32_t(RegisterFileId("data\\stars.dat"))) +
                                           Le32(ChecksumOf("star catalogue, first part\r\n")));
  CopyFileA(nux::fs::ToWindowsPathA(tessaron).c_str(), (work + "Tessaron.dll").c_str(), FALSE);
}

// The sample plug-in "Kometen": new comet elements (copied), a patch of the star catalogue, its
// entry of the Extras menu switched on (command id 210) and a string replaced.
void LayOutPlugin() {
  const std::string plugin = "C:\\Plugin\\";
  WriteWin(plugin + "PluginInstaller.ini",
           "! Setup of the sample plug-in\n"
           "132 0\nKometen-Plugin\n1 2\n700\n7\n"
           "Bitte installieren Sie zuerst Starvane 7.\nDie Installation ist beschaedigt.\n"
           "Dieses Plugin passt nicht zu Ihrer Starvane-Version.\nDieses Plugin passt nicht zu Ihrer Edition.\n"
           "Bitte beenden Sie zuerst Starvane 7.\nDieses Plugin ist bereits installiert.\n}\n"
           "pre.exe\nmedia\\pre.txt\n1\nfiles\nfiles.txt\npatch.exe\n"
           "media\\plugins.dat\nKometen\n210\n}\n"
           "[ModifyMenu]\nmenu.txt\nExtras\n200\tSternkarte\t0\n210\tKometen\t0\n}\n}\n"
           "[ModifySVStrings]\nSVStrings.txt\n13250\tStarvane 7 Gorvek mit Kometen\n}\n");
  WriteWin(plugin + "files.txt", "data\\comets.dat\ndata\\stars.dat\tupdate\n");
  WriteWin(plugin + "files\\data\\comets.dat", "comet elements of 2026\r\n");
  WriteWin(plugin + "files\\data\\stars.dat", "star catalogue, second part\r\n");
  WriteWin(plugin + "pre.exe", "MZ pre-install program");
  WriteWin(plugin + "patch.exe", "MZ patch tool");
}

std::map<std::string, std::string> Snapshot() {
  std::map<std::string, std::string> files;
  for (const std::string& path : FolderLister("C:\\Starvane7", "*.*", false)) files[path] = ReadWin(path);
  return files;
}

class ConsoleUi : public InstallUi {
 public:
  std::string LoadText(UINT id) override {
    switch (id) {
      case kTextInstallDone: return "Die Installation ist abgeschlossen.";
      case kTextCaption: return "Plugin-Installation";
      default: return "(text " + std::to_string(id) + ")";
    }
  }
  void SetTitle(const std::string& title) override { std::printf("  window title: %s\n", title.c_str()); }
  void ShowMessage(const std::string& text, const std::string& caption, InstallMessage) override {
    std::printf("  message [%s]: %s\n", caption.c_str(), text.c_str());
  }
  void SetProgressRange(int lower, int upper) override { std::printf("  progress range %d..%d\n", lower, upper); }
  void StepProgress(const char* name, int step) override {
    position_ += step;
    std::printf("  progress %d: %s\n", position_, name);
  }
  void FillProgress() override { std::printf("  progress full\n"); }

 private:
  int position_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <platform root> <host resource library>\n", argv[0]);
    return 2;
  }
  nux::SetPlatformRoot(argv[1]);
  LayOutHost(argv[2]);
  LayOutPlugin();
  quillon::SetModuleFolder("C:\\Plugin");
  quillon::SetHaltHandler([](const std::string& text) {
    std::printf("  stopped: %s\n", text.c_str());
    std::exit(1);
  });
  nux::process::SetWindowsProgramRunner([](const nux::process::ProgramStart& start) -> DWORD {
    std::printf("  run (%s): %s\n", start.showWindow == 0 ? "hidden" : "shown",
                nux::WideToAnsi(start.commandLine).c_str());
    const std::vector<std::string>& args = start.arguments;
    if (start.windowsProgram == u"C:\\Plugin\\patch.exe" && args.size() == 4)  // -i patch target output
      WriteWin(args[3], ReadWin(args[2]) + ReadWin(args[1]));
    return 0;
  });

  std::printf("== install of the sample plug-in C:\\Plugin into the sample host C:\\Starvane7\n");
  const auto before = Snapshot();
  PrintRegister("before");
  ConsoleUi ui;
  const int result = RunInstallProcedure(ui);
  const auto after = Snapshot();

  std::printf("== install %s; what changed in C:\\Starvane7:\n", result == 0 ? "finished" : "refused");
  for (const auto& [path, bytes] : after) {
    auto old = before.find(path);
    if (old != before.end() && old->second == bytes) continue;
    std::printf("  %s %s (%zu bytes)\n", old == before.end() ? "new    " : "changed", path.c_str(), bytes.size());
  }
  for (const char* name : {"C:\\Starvane7\\menu.txt", "C:\\Starvane7\\SVStrings.txt", "C:\\Starvane7\\data\\stars.dat"}) {
    std::printf("-- %s:\n%s", name, ReadWin(name).c_str());
  }
  PrintRegister("after");
  std::printf("-- settings: Plugins = %s, StartPlugins = %s\n", GetValue(HKEY_LOCAL_MACHINE, "Plugins").c_str(),
              GetValue(HKEY_CURRENT_USER, "StartPlugins").c_str());
  return result == 0 ? 0 : 1;
}
