// The start-up check that runs inside the library's load: its order, its reasons and the
// install-error box.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "com/com.h"
#include "fs/fs.h"
#include "nuxsv_env.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

const std::string kInstallDefault =
    "Das Produkt wurde nicht ordnungsgem\u00e4\u00df installiert.\nBitte f\u00fchren Sie die Installation von der "
    "original CD aus und starten Sie das Programm erneut.\n\n(";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::ui::ClearMessageBoxAnswers();
    nux::ui::ClearMessageBoxLog();
  }
  void TearDown() override { nux::com::SetOleInitFailure(false); }

  // Loads the library; returns the text of the one box the load showed ("" for none).
  std::string LoadAndTakeBox(bool expectLoaded) {
    nux::ui::ClearMessageBoxLog();
    Library lib;
    EXPECT_EQ(lib.loaded(), expectLoaded);
    if (!expectLoaded) {
      EXPECT_EQ(lib.loadError, DWORD(ERROR_DLL_INIT_FAILED));
      // The library is gone again.
      EXPECT_EQ(GetModuleHandleW(LibraryPath().c_str()), nullptr);
    }
    auto log = nux::ui::MessageBoxLog();
    if (log.empty()) return "";
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(nux::ToUtf8(log[0].caption), "NUXSV");
    EXPECT_EQ(log[0].type, UINT(MB_ICONHAND));
    return nux::ToUtf8(log[0].text);
  }

  static void RemoveUi(Installation& i) { std::filesystem::remove_all(i.ContentFolder() + "/UI"); }
};

const char kZarorezo[] = "Engine Komponente ZAROrezo ab v2.0.7.6 ben\u00f6tigt";

TEST_F(StartupTest, EachBrokenInstallationFailsTheLoadWithItsReason) {
  const struct {
    const char* what;
    std::function<void(Installation&)> breakIt;
    const char* reason;  // nullptr: the load succeeds
  } cases[] = {
      {"complete", [](Installation&) {}, nullptr},
      {"no user-interface folder", RemoveUi, "Error loading NUX engine UI components!"},
      {"the user-interface content as an archive",
       [](Installation& i) {
         RemoveUi(i);
         i.root.Write("drive_c/Content/UI.nux", "PK\x05\x06" + std::string(18, '\0'));
       },
       nullptr},
      {"image control not registered", [](Installation& i) { i.RegisterControl(""); }, kZarorezo},
      {"server without a default value",
       [](Installation& i) { i.RegisterControl("libZrImageCtrl.so.2.0.7.6", false); }, kZarorezo},
      {"server file missing",
       [](Installation& i) { std::filesystem::remove(i.root.DriveC() + "/Controls/libZrImageCtrl.so.2.0.7.6"); },
       kZarorezo},
      {"control 2.0.7.5", [](Installation& i) { i.RegisterControl("libZrImageCtrl.so.2.0.7.5"); }, kZarorezo},
      {"control 2.1.0.0", [](Installation& i) { i.RegisterControl("libZrImageCtrl.so.2.1.0.0"); }, nullptr},
      {"control 3.0.0.0", [](Installation& i) { i.RegisterControl("libZrImageCtrl.so.3.0.0.0"); }, nullptr},
      {"a damaged cursor", [](Installation& i) { i.root.Write("drive_c/Content/UI/Cursor/Wait.cur", "not a cursor"); },
       "Error loading NUX engine cursor components!"},
      {"a damaged animated cursor",
       [](Installation& i) { i.root.Write("drive_c/Content/UI/Cursor/Cross.ani", "RIFF"); },
       "Error loading NUX engine cursor components!"},
      {"OLE cannot start", [](Installation&) { nux::com::SetOleInitFailure(true); },
       "Fehler beim Initialisieren der OLE Bibliotheken"},
      // The first check that fails gives the reason.
      {"no folder and an old control",
       [](Installation& i) {
         RemoveUi(i);
         i.RegisterControl("libZrImageCtrl.so.1.0");
       },
       "Error loading NUX engine UI components!"},
      {"an old control and a damaged cursor",
       [](Installation& i) {
         i.RegisterControl("libZrImageCtrl.so.1.0");
         i.root.Write("drive_c/Content/UI/Cursor/Pointer.cur", "");
       },
       kZarorezo},
      {"a damaged cursor and no OLE",
       [](Installation& i) {
         i.root.Write("drive_c/Content/UI/Cursor/Pointer.cur", "x");
         nux::com::SetOleInitFailure(true);
       },
       "Error loading NUX engine cursor components!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    c.breakIt(install);
    std::string box = LoadAndTakeBox(c.reason == nullptr);
    if (c.reason == nullptr) {
      EXPECT_EQ(box, "");
    } else {
      EXPECT_EQ(box, kInstallDefault + c.reason + ")");
    }
    nux::com::SetOleInitFailure(false);
  }
}

TEST_F(StartupTest, ErrorTextsComeFromTheIniAndTakeTheirValueLiterally) {
  const struct {
    const char* what;
    std::string errors;  // the [Errors] section
    bool oldControl;
    std::string box;
  } cases[] = {
      {"one line", "Install=Installation fehlerhaft: %s\r\n", false,
       "Installation fehlerhaft: Error loading NUX engine UI components!"},
      {"percent signs stay", "Install=100% sicher? (%s) %d %n\r\n", false,
       "100% sicher? (Error loading NUX engine UI components!) %d %n"},
      {"only the first placeholder", "Install=%s<BR>%s\r\n", false, "Error loading NUX engine UI components!\n%s"},
      {"no placeholder", "Install=Bitte neu installieren.<BR>\r\n", false, "Bitte neu installieren.\n"},
      {"the control's text", "Install=[%s]\r\nZAROrezo=ZAROrezo %s fehlt<BR>100%\r\n", true,
       "[ZAROrezo v2.0.7.6 fehlt\n100%]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation install;
    install.WriteIni("[Errors]\r\n" + c.errors);
    if (c.oldControl) {
      install.RegisterControl("libZrImageCtrl.so.2.0.7.5");
    } else {
      RemoveUi(install);
    }
    EXPECT_EQ(LoadAndTakeBox(false), c.box);
  }
}

TEST_F(StartupTest, OleTextFromTheIni) {
  Installation install;
  install.WriteIni("[Errors]\r\nInstall=%s\r\nOleInit=OLE fehlt<BR>%s\r\n");
  nux::com::SetOleInitFailure(true);
  EXPECT_EQ(LoadAndTakeBox(false), "OLE fehlt\n%s");
}

TEST_F(StartupTest, LoadAfterAFailedOneStartsAfresh) {
  Installation install;
  RemoveUi(install);
  EXPECT_NE(LoadAndTakeBox(false), "");
  install.root.Write("drive_c/Content/UI/readme.txt", "back\n");
  EXPECT_EQ(LoadAndTakeBox(true), "");
  // Loaded and initialised again and again, each time from the start.
  for (int i = 0; i < 2; ++i) {
    Library lib;
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(lib.Init(kToken, 1, 1, 1), 1);
    EXPECT_EQ(lib.HasLookupTableRef(CString(u"NSTR1234")), 1);
  }
}

}  // namespace
}  // namespace nuxsvtest
