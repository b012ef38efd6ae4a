// svhost: a small host program for the reference viewer.
//
//   svhost import-reg FILE   merges a registry export (.reg text) into the platform's hives
//   svhost config            prints the engine configuration the library reads at load time
//
// The platform root comes from NUX_PLATFORM_ROOT, so that the configuration, built while the
// program loads, already reads the right registry and NUX.INI.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "EngineConfig.h"
#include "platform.h"
#include "ui/cursor.h"

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

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "import-reg" && argc == 3) return ImportReg(argv[2]);
  if (command == "config" && argc == 2) return PrintConfig();
  std::fprintf(stderr, "usage: svhost import-reg FILE | svhost config\n");
  return 2;
}
