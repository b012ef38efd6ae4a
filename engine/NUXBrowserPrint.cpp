// Printing through the control's print engine: the library's header, footer and margins go
// into the engine's page setup at print start, and the user's own values come back at the end.
#include "NUXBrowser.h"
#include "RegistryKey.h"

namespace {

const WCHAR kPageSetupKey[] = u"Software\\Microsoft\\Internet Explorer\\PageSetup";

struct SetupValue {
  LPCWSTR name;
  LPCWSTR library;  // the library's value at print start; null: the print header or footer
};
// In the order they are written.
const SetupValue kSetup[6] = {
    {u"header", nullptr},           {u"footer", nullptr},          {u"margin_bottom", u"0.3937"},
    {u"margin_left", u"0.98425"},   {u"margin_right", u"0.3937"},  {u"margin_top", u"0.3937"},
};

// A string value of the key, whatever its length; FALSE when it is missing or no string.
BOOL ReadString(HKEY key, LPCWSTR name, CString& value) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) return FALSE;
  std::u16string buffer(size / sizeof(WCHAR) + 1, u'\0');
  DWORD room = DWORD(buffer.size() * sizeof(WCHAR));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &room) != ERROR_SUCCESS)
    return FALSE;
  size_t n = std::min<size_t>(room / sizeof(WCHAR), buffer.size());
  while (n > 0 && buffer[n - 1] == 0) --n;
  value = CString(buffer.data(), int(n));
  return TRUE;
}

}  // namespace

BOOL CNUXBrowser::Print(BOOL bPreview) {
  if (m_bPrinting || m_wndBrowser.GetSafeHwnd() == nullptr) return FALSE;
  try {
    if (bPreview && (m_wndBrowser.QueryStatusWB(OLECMDID_PRINTPREVIEW) & OLECMDF_SUPPORTED)) {
      m_wndBrowser.ExecWB(OLECMDID_PRINTPREVIEW, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
      return TRUE;
    }
    if (m_wndBrowser.QueryStatusWB(OLECMDID_PRINT) & OLECMDF_SUPPORTED) {
      m_wndBrowser.ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
      return TRUE;
    }
  } catch (CException* e) {
    e->Delete();
  }
  return FALSE;
}

void CNUXBrowser::OnPrintTemplateInstantiation(LPDISPATCH) {
  m_bPrinting = TRUE;
  WritePageSetup();
  if (CWnd* parent = GetNotifyParent()) parent->SendMessage(WM_BROWSER_PRINTSTART, m_nControlID, 0);
}

void CNUXBrowser::OnPrintTemplateTeardown(LPDISPATCH) {
  m_bPrinting = FALSE;
  RestorePageSetup();
  if (CWnd* parent = GetNotifyParent()) parent->PostMessage(WM_BROWSER_PRINTEND, m_nControlID, 0);
}

void CNUXBrowser::WritePageSetup() {
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, kPageSetupKey, TRUE)) return;
  // The user's own values first, so that the end of the print can give them back.
  if (!m_bSetupSaved) {
    for (int i = 0; i < 6; ++i) {
      m_savedSetup[i].bPresent = ReadString(key.m_hKey, kSetup[i].name, m_savedSetup[i].strValue);
      if (!m_savedSetup[i].bPresent) m_savedSetup[i].strValue.Empty();
    }
    m_bSetupSaved = TRUE;
  }
  for (int i = 0; i < 6; ++i) {
    LPCWSTR value = kSetup[i].library;
    if (value == nullptr) value = i == 0 ? static_cast<LPCWSTR>(m_strPrintHeader) : static_cast<LPCWSTR>(m_strPrintFooter);
    key.WriteString(kSetup[i].name, value);
  }
  key.Close();
}

void CNUXBrowser::RestorePageSetup() {
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, kPageSetupKey, TRUE)) return;
  for (int i = 0; i < 6; ++i) {
    const SavedSetupValue& saved = m_savedSetup[i];
    if (m_bSetupSaved && saved.bPresent) {
      key.WriteString(kSetup[i].name, saved.strValue);
    } else if (i == 0) {
      key.WriteString(kSetup[i].name, BROWSER_STANDARD_HEADER);
    } else if (i == 1) {
      key.WriteString(kSetup[i].name, BROWSER_STANDARD_FOOTER);
    } else if (m_bSetupSaved) {
      // The user had no value of this margin: the engine's own default applies again.
      RegDeleteValueW(key.m_hKey, kSetup[i].name);
    }
  }
  m_bSetupSaved = FALSE;
  key.Close();
}
