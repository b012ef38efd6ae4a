// svhost: a small host program for the reference viewer.
//
//   svhost import-reg FILE   merges a registry export (.reg text) into the platform's hives
//   svhost config            prints the engine configuration the library reads at load time
//   svhost [OPTIONS] lookup ID...
//                            loads NUXSV.dll, initialises it and prints what the four look-up
//                            exports answer for each object id
//   svhost [OPTIONS] script FILE
//                            the same, running the commands of a file, one a line:
//                              lookup ID          the four look-ups
//                              setactive D R P    NUXSV_SetActive with the three switches
//                              # ...              a comment (as are empty lines)
//   OPTIONS: --switches D,R,P   the module switches given to NUXSV_Init (default 1,1,1)
//            --token TEXT       the access token given to NUXSV_Init (default the library's)
//
// The platform root comes from NUX_PLATFORM_ROOT, so that the configuration, built while the
// program loads, already reads the right registry and NUX.INI. Message boxes go to standard
// error and take their default button.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "EngineConfig.h"
#include "platform.h"
#include "ui/cursor.h"
#include "ui/msgbox.h"

namespace {

std::string Utf8(const CString& text) { return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength()))); }

void PrintValue(const char* name, const CString& value) { std::printf("  %-18s %s\n", name, Utf8(value).c_str()); }

std::string ColourText(COLORREF c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "0x%08X (red %u, green %u, blue %u)", unsigned(c), unsigned(GetRValue(c)),
                unsigned(GetGValue(c)), unsigned(GetBValue(c)));
  return buf;
}

int ImportReg(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "svhost: cannot read %s\n", path);
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!nux::registry::ImportRegText(text)) {
    std::fprintf(stderr, "svhost: %s is not a registry export\n", path);
    return 1;
  }
  return 0;
}

int PrintConfig() {
  const CEngineConfig& c = theEngineConfig;
  std::printf("loaded            %d\n", c.m_bLoaded);
  PrintValue("ini path", c.m_strIniPath);
  PrintValue("ini folder", c.m_strIniFolder);
  std::printf("[Setup]\n");
  PrintValue("App", c.m_strApp);
  PrintValue("Code", c.m_strCode);
  PrintValue("Title", c.m_strTitle);
  std::printf("[Paths]\n");
  PrintValue("Presets", c.m_strPresets);
  PrintValue("UI", c.m_strUI);
  PrintValue("MDB", c.m_strMDB);
  PrintValue("IMG", c.m_strIMG);
  PrintValue("Sound", c.m_strSound);
  PrintValue("HTML", c.m_strHTML);
  PrintValue("Audio", c.m_strAudio);
  PrintValue("Video", c.m_strVideo);
  PrintValue("ImgSmall", c.m_strImgSmall);
  PrintValue("ImgPreview", c.m_strImgPreview);
  PrintValue("ImgZoom", c.m_strImgZoom);
  PrintValue("UserData", c.m_strUserData);
  PrintValue("Cursor", c.m_strCursor);
  std::printf("[ToolTip]\n");
  PrintValue("Font", c.m_strToolTipFont);
  std::printf("  %-18s %d\n", "FontSize", c.m_nToolTipFontSize);
  std::printf("  %-18s %d\n", "Delay", c.m_nToolTipDelay);
  std::printf("  %-18s %s\n", "TextColor", ColourText(c.m_crToolTipText).c_str());
  std::printf("  %-18s %s\n", "BackColor", ColourText(c.m_crToolTipBack).c_str());
  std::printf("[Strings] (samples)\n");
  for (const char16_t* key : {u"Notice", u"AddBookmark", u"Info", u"NoSuchText"}) {
    CString name(key);
    PrintValue(Utf8(name).c_str(), c.GetString(key));
  }
  std::printf("content location  %s\n", c.FolderOrArchiveExists() ? "present" : "missing");
  for (const char16_t* name : {u"Pointer", u"Wait", u"Cross"}) {
    HCURSOR cursor = c.LoadCursor(name);
    std::u16string source = nux::ui::CursorSource(cursor);
    std::printf("cursor %-10s %s\n", Utf8(CString(name)).c_str(),
                cursor == nullptr ? "(does not load)"
                : source.empty()  ? "(standard arrow)"
                                  : nux::ToUtf8(source).c_str());
  }
  return c.m_bLoaded ? 0 : 1;
}

// The library's exports, as the host calls them.
class CWnd;
using InitFn = int (*)(LPCWSTR, int, int, int);
using SetActiveFn = void (*)(int, int, int);
using TermFn = void (*)();
using LookupFn = int (*)(CString, CString*, int*, int*, int*, int*, int*, int*);
using Lookup2Fn = int (*)(CString, int*, int*, int*, int*, int*);
using HasLookupFn = int (*)(CString);
using ProperNameFn = void (*)(CString, CString*);

struct Library {
  HMODULE module = nullptr;
  InitFn init = nullptr;
  SetActiveFn setActive = nullptr;
  TermFn term = nullptr;
  LookupFn lookup = nullptr;
  Lookup2Fn lookup2 = nullptr;
  HasLookupFn hasLookup = nullptr;
  ProperNameFn properName = nullptr;
};

template <class Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(GetProcAddress(module, name));
  if (!fn) std::fprintf(stderr, "svhost: NUXSV.dll has no export %s\n", name);
  return fn != nullptr;
}

bool Load(Library& lib) {
  lib.module = LoadLibraryW(u"NUXSV.dll");
  if (!lib.module) {
    std::fprintf(stderr, "svhost: NUXSV.dll did not load (error %u)\n", unsigned(GetLastError()));
    return false;
  }
  return Resolve(lib.module, "NUXSV_Init", lib.init) && Resolve(lib.module, "NUXSV_SetActive", lib.setActive) &&
         Resolve(lib.module, "NUXSV_Term", lib.term) && Resolve(lib.module, "NUXSV_GetLookupTableRef", lib.lookup) &&
         Resolve(lib.module, "NUXSV_GetLookupTableRef2", lib.lookup2) &&
         Resolve(lib.module, "NUXSV_HasLookupTableRef", lib.hasLookup) &&
         Resolve(lib.module, "NUXSV_GetProperNamebySVID", lib.properName);
}

void PrintLookups(const Library& lib, const std::string& id) {
  CString wideId(nux::FromUtf8(id).c_str());
  CString kind;
  int sky = 0, dict = 0, pgal = 0, recb = 0, help = 0, spare = 0;
  int found = lib.lookup(wideId, &kind, &sky, &dict, &pgal, &recb, &help, &spare);
  std::printf("lookup %s\n", id.c_str());
  std::printf("  NUXSV_GetLookupTableRef    %d  kind \"%s\" sky view %d, dict %d, pgal %d, recb %d, help %d, spare %d\n",
              found, Utf8(kind).c_str(), sky, dict, pgal, recb, help, spare);
  sky = dict = pgal = recb = help = 0;
  found = lib.lookup2(wideId, &sky, &dict, &pgal, &recb, &help);
  std::printf("  NUXSV_GetLookupTableRef2   %d  sky view %d, dict %d, pgal %d, recb %d, help %d\n", found, sky, dict,
              pgal, recb, help);
  std::printf("  NUXSV_HasLookupTableRef    %d\n", lib.hasLookup(wideId));
  CString name;
  lib.properName(wideId, &name);
  std::printf("  NUXSV_GetProperNamebySVID  \"%s\"\n", Utf8(name).c_str());
}

// One command of a script or of the command line; false for one it does not know.
bool RunCommand(const Library& lib, const std::vector<std::string>& words) {
  if (words.size() == 2 && words[0] == "lookup") {
    PrintLookups(lib, words[1]);
    return true;
  }
  if (words.size() == 4 && words[0] == "setactive") {
    lib.setActive(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()), std::atoi(words[3].c_str()));
    std::printf("setactive %s %s %s\n", words[1].c_str(), words[2].c_str(), words[3].c_str());
    return true;
  }
  return false;
}

int Usage() {
  std::fprintf(stderr,
               "usage: svhost import-reg FILE | svhost config | svhost [--switches D,R,P] [--token TEXT] lookup ID... "
               "| svhost [--switches D,R,P] [--token TEXT] script FILE\n");
  return 2;
}

int RunLibrary(int argc, char** argv) {
  int switches[3] = {1, 1, 1};
  std::u16string token = u"NUXSV-HOST-ACCESS-01";
  int i = 1;
  for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
    if (std::strcmp(argv[i], "--switches") == 0) {
      if (std::sscanf(argv[i + 1], "%d,%d,%d", &switches[0], &switches[1], &switches[2]) != 3) return Usage();
    } else if (std::strcmp(argv[i], "--token") == 0) {
      token = nux::FromUtf8(argv[i + 1]);
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();
  std::string command = argv[i];
  std::vector<std::vector<std::string>> commands;
  if (command == "lookup" && i + 1 < argc) {
    for (int k = i + 1; k < argc; ++k) commands.push_back({"lookup", argv[k]});
  } else if (command == "script" && i + 2 == argc) {
    std::ifstream in(argv[i + 1]);
    if (!in) {
      std::fprintf(stderr, "svhost: cannot read %s\n", argv[i + 1]);
      return 1;
    }
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::vector<std::string> parts;
      for (std::string w; words >> w;) parts.push_back(w);
      if (parts.empty() || parts[0][0] == '#') continue;
      commands.push_back(parts);
    }
  } else {
    return Usage();
  }

  Library lib;
  if (!Load(lib)) return 1;
  if (!lib.init(token.c_str(), switches[0], switches[1], switches[2])) {
    std::fprintf(stderr, "svhost: NUXSV_Init refused\n");
    FreeLibrary(lib.module);
    return 1;
  }
  int status = 0;
  for (const auto& c : commands) {
    if (!RunCommand(lib, c)) {
      std::fprintf(stderr, "svhost: unknown command: %s\n", c[0].c_str());
      status = 1;
    }
  }
  lib.term();
  FreeLibrary(lib.module);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  nux::ui::SetMessageBoxTerminal(false);
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "import-reg" && argc == 3) return ImportReg(argv[2]);
  if (command == "config" && argc == 2) return PrintConfig();
  if (argc > 1) return RunLibrary(argc, argv);
  return Usage();
}
