#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "EngineConfig.h"
#include "RegistryKey.h"
#include "base/codepage.h"
#include "engine_test_util.h"
#include "fs/fs.h"
#include "process/process.h"
#include "test_support.h"
#include "ui/cursor.h"

namespace {

namespace fs = std::filesystem;

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

const char16_t kEngineKey[] = u"Software\\NUX\\Engine";

// Each test gets its own platform root, the host program C:\Host\Host.exe on the command line
// and whatever registry values and NUX.INI it writes before it builds its configuration.
class EngineConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { nux::process::SetCommandLine(u"\"C:\\Host\\Host.exe\" -x"); }
  void Write(const std::string& relative, const std::string& bytes) {
    enginetest::WriteDriveC(root_.DriveC(), relative, bytes);
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(EngineConfigTest, IniFolderFromRegistryOrHostProgram) {
  const DWORD one = 1;
  const struct {
    const char* what;
    const char16_t* enabledName;
    const char16_t* enabled;  // null: stored as the number 1
    const char16_t* iniName;
    const char16_t* ini;
    const char16_t* iniPath;
  } cases[] = {
      {"enabled", u"enabled", u"1", u"INI", u"C:\\Engine", u"C:\\Engine\\NUX.INI"},
      {"trailing backslash kept single", u"enabled", u"1", u"INI", u"C:\\Engine\\", u"C:\\Engine\\NUX.INI"},
      {"names in capitals and lower case", u"ENABLED", u"1", u"ini", u"C:\\Engine", u"C:\\Engine\\NUX.INI"},
      {"switched off", u"enabled", u"0", u"INI", u"C:\\Engine", u"C:\\Host\\NUX.INI"},
      {"other text", u"enabled", u"1 ", u"INI", u"C:\\Engine", u"C:\\Host\\NUX.INI"},
      {"INI empty", u"enabled", u"1", u"INI", u"", u"C:\\Host\\NUX.INI"},
      {"enabled as a number", u"enabled", nullptr, u"INI", u"C:\\Engine", u"C:\\Host\\NUX.INI"},
      {"no INI value", u"enabled", u"1", nullptr, nullptr, u"C:\\Host\\NUX.INI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nuxtest::ScopedPlatformRoot root;
    enginetest::WriteDriveC(root.DriveC(), "Engine/NUX.INI", "[Setup]\r\nApp=FromEngine\r\n");
    enginetest::WriteDriveC(root.DriveC(), "Host/NUX.INI", "[Setup]\r\nApp=FromHost\r\n");
    if (c.enabled != nullptr) {
      enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, c.enabledName, c.enabled);
    } else {
      enginetest::SetRegistryValue(HKEY_LOCAL_MACHINE, kEngineKey, c.enabledName, REG_DWORD, &one, sizeof(one));
    }
    if (c.iniName != nullptr) enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, c.iniName, c.ini);

    CEngineConfig config;
    EXPECT_EQ(config.m_bLoaded, 1);
    EXPECT_EQ(S(config.m_strIniPath), std::u16string(c.iniPath));
    const bool fromEngine = std::u16string(c.iniPath).rfind(u"C:\\Engine", 0) == 0;
    EXPECT_EQ(S(config.m_strIniFolder), fromEngine ? u"C:\\Engine\\" : u"C:\\Host\\");
    EXPECT_EQ(S(config.m_strApp), fromEngine ? u"FromEngine" : u"FromHost");
  }
}

TEST_F(EngineConfigTest, HostProgramWithoutFolderGivesAnIniBesideTheProcess) {
  nux::process::SetCommandLine(u"host.exe");
  CEngineConfig config;
  EXPECT_EQ(S(config.m_strIniFolder), u"");
  EXPECT_EQ(S(config.m_strIniPath), u"NUX.INI");
  EXPECT_EQ(config.m_bLoaded, 1);
}

TEST_F(EngineConfigTest, PathResolution) {
  CEngineConfig config;
  const struct {
    const char16_t* base;
    const char16_t* value;
    const char16_t* resolved;
  } cases[] = {
      {u"D:\\Prog\\Data\\", u"..\\UI", u"D:\\Prog\\UI\\"},
      {u"D:\\Prog\\Data\\", u"Content.mdb", u"D:\\Prog\\Data\\Content.mdb"},
      {u"D:\\Prog\\Data\\", u"E:\\Media", u"E:\\Media\\"},
      {u"D:\\Prog\\Data\\", u"E:\\Media\\", u"E:\\Media\\"},
      {u"D:\\Prog\\Data\\", u"\\\\server\\share", u"\\\\server\\share\\"},
      {u"D:\\Prog\\Data\\", u"E:\\Media\\Content.mdb", u"E:\\Media\\Content.mdb"},
      {u"D:\\Prog\\Data\\", u"Templates\\", u"D:\\Prog\\Data\\Templates\\"},
      {u"D:\\Prog\\Data\\", u"..\\..\\Img.jpg", u"D:\\Img.jpg"},
      // Climbing stops at the root.
      {u"D:\\Prog\\Data\\", u"..\\..\\..\\..\\UI", u"D:\\UI\\"},
      {u"D:\\Prog\\Data", u"..\\UI", u"D:\\Prog\\UI\\"},
      // Only a three-letter extension marks a file name.
      {u"D:\\Prog\\Data\\", u"page.html", u"D:\\Prog\\Data\\page.html\\"},
      {u"D:\\Prog\\Data\\", u"a.b", u"D:\\Prog\\Data\\a.b\\"},
      {u"D:\\Prog\\Data\\", u"C:", u"C:\\"},
      // Without a base folder the value stays relative.
      {u"", u"UI", u"UI\\"},
      {u"", u"..\\UI", u"UI\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S(config.ResolvePath(c.value, c.base)), std::u16string(c.resolved))
        << nux::ToUtf8(c.base) << " + " << nux::ToUtf8(c.value);
  }
}

TEST_F(EngineConfigTest, ReadsSetupPathsAndToolTip) {
  Write("Host/NUX.INI",
        "[Setup]\r\nApp=Viewer\r\nCode= X1 \r\nTitle=Sky Atlas\r\n"
        "[Paths]\r\nUI=..\\UI\r\nMDB=Content.mdb\r\nHTML=E:\\Html\r\nUserData=..\\User\\Files\r\n"
        "Presets=Presets\r\nImgZoom=\\\\srv\\zoom\r\n"
        "[ToolTip]\r\nFont=Arial\r\nFontSize=abc\r\nTextColor=FF8000\r\nBackColor=AABBCCDD\r\n");
  CEngineConfig config;
  EXPECT_EQ(config.m_bLoaded, 1);
  EXPECT_EQ(S(config.m_strApp), u"Viewer");
  EXPECT_EQ(S(config.m_strCode), u"X1");
  EXPECT_EQ(S(config.m_strTitle), u"Sky Atlas");
  EXPECT_EQ(S(config.m_strUI), u"C:\\UI\\");
  EXPECT_EQ(S(config.m_strMDB), u"C:\\Host\\Content.mdb");
  EXPECT_EQ(S(config.m_strHTML), u"E:\\Html\\");
  EXPECT_EQ(S(config.m_strPresets), u"C:\\Host\\Presets\\");
  EXPECT_EQ(S(config.m_strImgZoom), u"\\\\srv\\zoom\\");
  EXPECT_EQ(S(config.m_strIMG), u"");
  EXPECT_EQ(S(config.m_strUserData), u"C:\\User\\Files\\");
  EXPECT_TRUE(fs::is_directory(root_.DriveC() + "/User/Files"));  // created with every level
  EXPECT_EQ(S(config.m_strCursor), u"C:\\UI\\Cursor\\");           // UI + Cursor when not given
  EXPECT_EQ(S(config.m_strToolTipFont), u"Arial");
  EXPECT_EQ(config.m_nToolTipFontSize, 0);  // not a number
  EXPECT_EQ(config.m_nToolTipDelay, 1000);
  EXPECT_EQ(config.m_crToolTipText, RGB(255, 128, 0));
  EXPECT_EQ(config.m_crToolTipBack, RGB(0xAA, 0xBB, 0xCC));  // characters after the sixth dropped
}

TEST_F(EngineConfigTest, DefaultsWithoutIniFile) {
  CEngineConfig config;
  EXPECT_EQ(config.m_bLoaded, 1);
  EXPECT_EQ(S(config.m_strIniPath), u"C:\\Host\\NUX.INI");
  EXPECT_EQ(S(config.m_strUI), u"");
  EXPECT_EQ(S(config.m_strMDB), u"");
  EXPECT_EQ(S(config.m_strUserData), u"");
  EXPECT_EQ(S(config.m_strCursor), u"Cursor\\");
  EXPECT_EQ(S(config.m_strToolTipFont), u"MS Sans Serif");
  EXPECT_EQ(config.m_nToolTipFontSize, 10);
  EXPECT_EQ(config.m_nToolTipDelay, 1000);
  EXPECT_EQ(config.m_crToolTipText, 0u);
  EXPECT_EQ(config.m_crToolTipBack, 0u);
  EXPECT_FALSE(config.FolderOrArchiveExists());
}

TEST_F(EngineConfigTest, ToolTipColourTexts) {
  const struct {
    const char* text;
    COLORREF colour;
  } cases[] = {
      {"FF8000", RGB(255, 128, 0)},
      {"0000ff", RGB(0, 0, 255)},
      {"12345", 0x12345},  // five characters stay as they are
      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Write("Host/NUX.INI", std::string("[ToolTip]\r\nTextColor=") + c.text + "\r\nFontSize=12\r\nDelay= 250\r\n");
    CEngineConfig config;
    EXPECT_EQ(config.m_crToolTipText, c.colour);
    EXPECT_EQ(config.m_nToolTipFontSize, 12);
    EXPECT_EQ(config.m_nToolTipDelay, 250);
  }
}

TEST_F(EngineConfigTest, StringsWithLineBreaksAndTheNotFoundText) {
  Write("Host/NUX.INI",
        "[Strings]\r\nAddBookmark=  Add <BR>bookmark  \r\nTwo=First<BR>Second<BR>\r\n"
        "[Errors]\r\nInstall=Broken: %s<BR>Reinstall\r\n");
  CEngineConfig config;
  EXPECT_EQ(S(config.GetString(u"AddBookmark")), u"Add \nbookmark");
  EXPECT_EQ(S(config.GetString(u"Two")), u"First\nSecond\n");
  EXPECT_EQ(S(config.GetString(u"Notice")), u"Strings - Notice not found in NUX.ini");
  EXPECT_EQ(S(config.GetText(u"Errors", u"Install")), u"Broken: %s\nReinstall");
  EXPECT_EQ(S(config.GetText(u"Errors", u"OleInit")), u"Errors - OleInit not found in NUX.ini");

  // Texts are read at each call, so a changed file shows at once.
  Write("Host/NUX.INI", "[Strings]\r\nNotice=Hinweis\r\n");
  EXPECT_EQ(S(config.GetString(u"Notice")), u"Hinweis");
}

TEST_F(EngineConfigTest, WindowRectanglesInTheUsersKey) {
  Write("Host/NUX.INI", "[Setup]\r\nApp=Viewer\r\n");
  CEngineConfig config;
  const RECT stored = {10, 20, 310, 220};
  config.WriteBinary(u"AstroDict", &stored, sizeof(stored));

  RECT read;
  std::memset(&read, 0xAB, sizeof(read));
  ASSERT_TRUE(config.GetBinary(u"AstroDict", &read, sizeof(read)));
  EXPECT_EQ(std::memcmp(&read, &stored, sizeof(read)), 0);
  {
    // It lies under HKEY_CURRENT_USER\Software\NUX\<App>.
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, u"Software\\NUX\\Viewer", FALSE));
    RECT direct;
    DWORD size = sizeof(direct);
    EXPECT_TRUE(key.ReadBinary(u"AstroDict", &direct, &size));
  }

  enginetest::SetRegistryString(HKEY_CURRENT_USER, u"Software\\NUX\\Viewer", u"AsText", u"0123456");
  const struct {
    const char* what;
    const char16_t* name;
    DWORD count;
  } failures[] = {
      {"other size", u"AstroDict", 8}, {"other type", u"AsText", 16}, {"missing", u"Search", 16}};
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    unsigned char buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    EXPECT_FALSE(config.GetBinary(f.name, buffer, f.count));
    for (DWORD i = 0; i < f.count; ++i) EXPECT_EQ(buffer[i], 0);
  }

  // Another application name has no rectangles yet.
  Write("Host/NUX.INI", "[Setup]\r\nApp=Other\r\n");
  CEngineConfig other;
  std::memset(&read, 0xAB, sizeof(read));
  EXPECT_FALSE(other.GetBinary(u"AstroDict", &read, sizeof(read)));
  EXPECT_EQ(read.left, 0);
  EXPECT_EQ(read.bottom, 0);
}

TEST_F(EngineConfigTest, CursorFallbackOrder) {
  Write("Host/NUX.INI", "[Paths]\r\nUI=..\\Prog\\UI\r\n");
  const std::string cur = enginetest::CursorFileBytes();
  const std::string ani = enginetest::AnimatedCursorFileBytes();
  ASSERT_TRUE(nux::ui::ParseCursorFile(std::vector<unsigned char>(cur.begin(), cur.end()), nullptr));
  ASSERT_TRUE(nux::ui::ParseCursorFile(std::vector<unsigned char>(ani.begin(), ani.end()), nullptr));
  Write("Prog/UI/Cursor/Wait.cur", cur);
  Write("Prog/UI/Cursor/Wait.ani", ani);
  Write("Prog/UI/Cursor/Cross.ani", ani);
  Write("Prog/UI/Cursor/Broken.cur", "not a cursor");
  Write("Prog/UI/Cursor/Broken.ani", ani);

  CEngineConfig config;
  ASSERT_EQ(S(config.m_strCursor), u"C:\\Prog\\UI\\Cursor\\");
  EXPECT_EQ(nux::ui::CursorSource(config.LoadCursor(u"Wait")), u"C:\\Prog\\UI\\Cursor\\Wait.cur");
  EXPECT_EQ(nux::ui::CursorSource(config.LoadCursor(u"Cross")), u"C:\\Prog\\UI\\Cursor\\Cross.ani");
  EXPECT_TRUE(nux::ui::IsSystemCursor(config.LoadCursor(u"Pointer"), IDC_ARROW));
  // A file that exists but does not load gives no cursor, and no fallback.
  EXPECT_EQ(config.LoadCursor(u"Broken"), nullptr);

  // A Cursor path of its own is used as it stands.
  Write("Host/NUX.INI", "[Paths]\r\nUI=..\\Prog\\UI\r\nCursor=C:\\Prog\\UI\\Cursor\\Other\r\n");
  Write("Prog/UI/Cursor/Other/Pointer.cur", cur);
  CEngineConfig other;
  EXPECT_EQ(nux::ui::CursorSource(other.LoadCursor(u"Pointer")), u"C:\\Prog\\UI\\Cursor\\Other\\Pointer.cur");
}

TEST_F(EngineConfigTest, FolderOrArchiveExists) {
  const struct {
    const char* what;
    const char* ui;  // the [Paths] UI value
    const char* folder;
    const char* file;
    BOOL exists;
  } cases[] = {
      {"folder", "C:\\Prog\\UI", "Prog/UI", nullptr, TRUE},
      {"archive beside it", "C:\\Prog\\UI", nullptr, "Prog/UI.nux", TRUE},
      {"neither", "C:\\Prog\\UI", nullptr, "Prog/UI.zip", FALSE},
      {"archive name taken by a folder", "C:\\Prog\\UI", "Prog/UI.nux", nullptr, FALSE},
      {"UI not set, an archive named only .nux in the current folder", "", "Prog/UI", "Work/.nux", FALSE},
      {"UI is a file", "C:\\Prog\\UI.txt", nullptr, "Prog/UI.txt", FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nuxtest::ScopedPlatformRoot root;
    enginetest::WriteDriveC(root.DriveC(), "Host/NUX.INI", std::string("[Paths]\r\nUI=") + c.ui + "\r\n");
    if (c.folder != nullptr) fs::create_directories(root.DriveC() + "/" + c.folder);
    if (c.file != nullptr) enginetest::WriteDriveC(root.DriveC(), c.file, "PK");
    fs::create_directories(root.DriveC() + "/Work");
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
    WCHAR before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);

    CEngineConfig config;
    EXPECT_EQ(config.FolderOrArchiveExists(), c.exists);
    WCHAR after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(std::u16string(after), std::u16string(before));
  }
}

}  // namespace

namespace {

TEST_F(EngineConfigTest, LongValuesAreRefusedAndHideNothing) {
  // A long comment in the engine key does not hide the values written after it.
  Write("Engine/NUX.INI", "[Setup]\r\nApp=FromEngine\r\n");
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, u"Comment", std::u16string(300, u'c'));
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, u"enabled", u"1");
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, u"INI", u"C:\\Engine");
  {
    CEngineConfig config;
    EXPECT_EQ(config.m_bLoaded, 1);
    EXPECT_EQ(S(config.m_strApp), u"FromEngine");
  }
  // A path longer than its field is refused, not cut into another path; the configuration is
  // then not loaded, which the start-up check reports.
  const std::string longName = "C:\\" + std::string(250, 'd') + "\\Content.mdb";
  Write("Engine/NUX.INI", "[Setup]\r\nApp=FromEngine\r\n[Paths]\r\nMDB=" + longName + "\r\nHTML=Html\r\n");
  {
    CEngineConfig config;
    EXPECT_EQ(config.m_bLoaded, 0);
    EXPECT_EQ(S(config.m_strMDB), u"");
    EXPECT_EQ(S(config.m_strRefused), u"[Paths] MDB");
    EXPECT_EQ(S(config.m_strHTML), u"C:\\Engine\\Html\\");  // the other settings are read as usual
  }
  // A value of exactly 255 characters still fits.
  const std::string fits = "C:\\" + std::string(255 - 3 - 4, 'e') + ".mdb";
  Write("Engine/NUX.INI", "[Paths]\r\nMDB=" + fits + "\r\n");
  {
    CEngineConfig config;
    EXPECT_EQ(config.m_bLoaded, 1);
    EXPECT_EQ(config.m_strMDB.GetLength(), 255);
  }
  // The INI value itself too long: refused as well.
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kEngineKey, u"INI", u"C:\\" + std::u16string(300, u'f'));
  CEngineConfig config;
  EXPECT_EQ(config.m_bLoaded, 0);
  EXPECT_EQ(S(config.m_strIniPath), u"C:\\Host\\NUX.INI");
}

TEST_F(EngineConfigTest, IniFilesFromOtherEditors) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBF[Setup]\r\nApp=Gr\xC3\xB6\xC3\x9F" "e\r\n[Strings]\r\nNotice=\xC3\x84quator\r\n"},
      {"lone CR line ends", "[Setup]\rApp=Gr\xF6\xDF" "e\r[Strings]\rNotice=\xC4quator\r"},
      {"ANSI with LF", "[Setup]\nApp=Gr\xF6\xDF" "e\n[Strings]\nNotice=\xC4quator\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("Host/NUX.INI", c.bytes);
    CEngineConfig config;
    EXPECT_EQ(S(config.m_strApp), u"Größe");
    EXPECT_EQ(S(config.GetString(u"Notice")), u"Äquator");
  }
}

}  // namespace
