// Class ids through HKEY_CLASSES_ROOT, GUID text and apartment counting.
#include <gtest/gtest.h>

#include <thread>

#include "com/com.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

void SetDefault(const char16_t* key, const char16_t* value) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
  if (value) {
    ASSERT_EQ(RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             DWORD((std::u16string(value).size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
  }
  RegCloseKey(h);
}

TEST(ClassIds, ProgIdLooksUpTheRegisteredClassId) {
  nuxtest::ScopedPlatformRoot root;
  SetDefault(u"ZAROREZO.ImageCtrl.1\\CLSID", u"{4a1b2c3d-0001-4e5f-8a9b-0c1d2e3f4a5b}");
  SetDefault(u"Broken.Prog.1\\CLSID", u"not a guid");
  SetDefault(u"Empty.Prog.1\\CLSID", nullptr);
  SetDefault(u"CLSID\\{4A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A5B}\\ProgID", u"ZAROREZO.ImageCtrl.1");

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"zarorezo.imagectrl.1", &clsid), S_OK);
  EXPECT_EQ(clsid.Data1, 0x4a1b2c3du);
  EXPECT_EQ(clsid.Data4[7], 0x5b);
  LPOLESTR text = nullptr;
  ASSERT_EQ(StringFromCLSID(clsid, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"{4A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A5B}");
  CLSID back;
  ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
  EXPECT_TRUE(IsEqualCLSID(back, clsid));
  CoTaskMemFree(text);
  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(clsid, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"ZAROREZO.ImageCtrl.1");
  CoTaskMemFree(progId);

  for (const char16_t* missing : {u"Unknown.Prog.1", u"Broken.Prog.1", u"Empty.Prog.1", u""}) {
    EXPECT_EQ(CLSIDFromProgID(missing, &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(IsEqualGUID(clsid, GUID_NULL));
  }
  EXPECT_EQ(CLSIDFromString(u"{4A1B2C3D-0001-4E5F-8A9B-0C1D2E3F4A5}", &clsid), CO_E_CLASSSTRING);
}

TEST(Apartments, FirstInitialisationIsSOkThenSFalse) {
  std::thread([] {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_TRUE(AfxOleInit());
    EXPECT_EQ(nux::com::ApartmentInitCount(), 3);
    CoUninitialize();
    CoUninitialize();
    AfxOleTerm();
    EXPECT_EQ(nux::com::ApartmentInitCount(), 0);
  }).join();
  AfxEnableControlContainer();
  EXPECT_TRUE(nux::com::ControlContainerEnabled());
  nux::com::SetOleInitFailure(true);
  EXPECT_FALSE(AfxOleInit());
  nux::com::SetOleInitFailure(false);
}

}  // namespace
