// The controls' entries in HKEY_CLASSES_ROOT: class ids with their in-process server and
// ProgID, and each ProgID with its class id. The reference library's start-up check follows
// "ZAROREZO.ImageCtrl.1" to its class id and reads the version of the server file there.
#include <string>

#include "base/codepage.h"
#include "com/unknown.h"
#include "controls/controls.h"
#include "registry/registry.h"

namespace nux::controls {
namespace {

struct Class {
  const CLSID* clsid;
  const char16_t* progId;
  const char* name;
};

const Class kClasses[] = {
    {&CLSID_ZrImage, kImageProgId, "ZAROrezo Image Control"},
    {&CLSID_ZrImageButton, kButtonProgId, "ZAROrezo Image Button"},
    {&CLSID_ZrCheckbox, kCheckboxProgId, "ZAROrezo Check Box"},
};

std::string ClsidText(const CLSID& clsid) {
  WCHAR text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return nux::ToUtf8(text);
}

// A .reg text value: backslashes and quotes escaped.
std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string RegistrationText(const std::u16string& serverFile) {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const Class& c : kClasses) {
    const std::string id = ClsidText(*c.clsid);
    const std::string progId = nux::ToUtf8(c.progId);
    text += "\r\n[HKEY_CLASSES_ROOT\\" + progId + "]\r\n@=" + Quoted(c.name) + "\r\n";
    text += "\r\n[HKEY_CLASSES_ROOT\\" + progId + "\\CLSID]\r\n@=" + Quoted(id) + "\r\n";
    text += "\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + id + "]\r\n@=" + Quoted(c.name) + "\r\n";
    text += "\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + id + "\\InprocServer32]\r\n@=" + Quoted(nux::ToUtf8(serverFile)) +
            "\r\n\"ThreadingModel\"=\"Apartment\"\r\n";
    text += "\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + id + "\\ProgID]\r\n@=" + Quoted(progId) + "\r\n";
    text += "\r\n[HKEY_CLASSES_ROOT\\CLSID\\" + id + "\\Version]\r\n@=" + Quoted(kServerVersion) + "\r\n";
  }
  return text;
}

bool RegisterServer(const std::u16string& serverFile) { return nux::registry::ImportRegText(RegistrationText(serverFile)); }

bool UnregisterServer() {
  std::string text = "Windows Registry Editor Version 5.00\r\n";
  for (const Class& c : kClasses) {
    text += "\r\n[-HKEY_CLASSES_ROOT\\" + nux::ToUtf8(c.progId) + "]\r\n";
    text += "\r\n[-HKEY_CLASSES_ROOT\\CLSID\\" + ClsidText(*c.clsid) + "]\r\n";
  }
  return nux::registry::ImportRegText(text);
}

}  // namespace nux::controls
