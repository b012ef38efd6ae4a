#include "Startup.h"

#include <vector>

#include "ControlVersion.h"
#include "EngineConfig.h"
#include "FieldSplitter.h"
#include "Globals.h"
#include "NUXTreeCtrl.h"
#include "NUXUtils.h"
#include "com/com.h"
#include "fs/profile.h"
#include "mfc/afxwin.h"
#include "ui/cursor.h"
#include "ui/msgbox.h"

namespace {

// A text of section "Errors" as the profile functions read it (512 characters), not trimmed
// or otherwise treated as the texts of "Strings" are.
CString ErrorText(LPCWSTR key, LPCWSTR defaultText) {
  std::vector<WCHAR> buffer(512, 0);
  GetPrivateProfileStringW(u"Errors", key, defaultText, buffer.data(), DWORD(buffer.size()),
                           theEngineConfig.m_strIniPath.GetString());
  return CString(buffer.data());
}

// The texts of "Errors" are formats with one placeholder; the value goes in literally, so that
// a "%" elsewhere in a text someone edited is shown as it stands.
CString FillPlaceholder(const CString& format, const CString& value) {
  int at = format.Find(u"%s");
  if (at < 0) return format;
  return format.Left(at) + value + format.Mid(at + 2);
}

CString WithLineBreaks(CString text) {
  ReplaceAll(text, CString(u"<BR>"), CString(u"\n"));
  return text;
}

// A version field read as a decimal integer, as the run-time library's wide atoi reads it.
int DecimalField(const CString& field) {
  int i = 0;
  const int n = field.GetLength();
  while (i < n && (field[i] == u' ' || field[i] == u'\t')) ++i;
  bool negative = false;
  if (i < n && (field[i] == u'+' || field[i] == u'-')) negative = field[i++] == u'-';
  long long value = 0;
  for (; i < n && field[i] >= u'0' && field[i] <= u'9'; ++i) {
    value = value * 10 + (field[i] - u'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  }
  return int(negative ? -value : value);
}

}  // namespace

void ShowInstallError(LPCWSTR reason) {
  CString text = ErrorText(u"Install",
                           u"Das Produkt wurde nicht ordnungsgemäß installiert.<BR>Bitte führen Sie die Installation von "
                           u"der original CD aus und starten Sie das Programm erneut.<BR><BR>(%s)");
  text = WithLineBreaks(FillPlaceholder(text, CString(reason ? reason : u"")));
  AfxMessageBox(text.GetString(), MB_ICONHAND);
}

int CheckEngineComponents(LPCWSTR requiredVersion) {
  nuxsv::Globals& g = nuxsv::G();
  if (!theEngineConfig.m_bLoaded) {
    ShowInstallError(u"Error initializing NUX engine!");
    return 0;
  }
  if (!theEngineConfig.FolderOrArchiveExists()) {
    ShowInstallError(u"Error loading NUX engine UI components!");
    return 0;
  }

  CFieldSplitter fields{CString(requiredVersion)};
  fields.SetSeparator(CString(u"."));
  if (!CheckControlVersion(NUXSV_IMAGE_CONTROL_PROGID, DecimalField(fields.GetField(1)),
                           DecimalField(fields.GetField(2)), DecimalField(fields.GetField(3)),
                           DecimalField(fields.GetField(4)))) {
    CString reason = ErrorText(u"ZAROrezo", u"Engine Komponente ZAROrezo ab %s benötigt");
    reason = WithLineBreaks(FillPlaceholder(reason, CString(u"v") + requiredVersion));
    ShowInstallError(reason.GetString());
    return 0;
  }

  g.arrowCursor = LoadCursorW(nullptr, IDC_ARROW);
  g.pointerCursor = theEngineConfig.LoadCursor(u"Pointer");
  g.waitCursor = theEngineConfig.LoadCursor(u"Wait");
  g.crossCursor = theEngineConfig.LoadCursor(u"Cross");
  if (!g.pointerCursor || !g.waitCursor || !g.crossCursor) {
    ShowInstallError(u"Error loading NUX engine cursor components!");
    return 0;
  }
  // The database tree shows these around its refills (the engine cannot reach the globals).
  CNUXTreeCtrl::SetCursors(g.arrowCursor, g.waitCursor);

  if (!AfxOleInit()) {
    CString reason = WithLineBreaks(ErrorText(u"OleInit", u"Fehler beim Initialisieren der OLE Bibliotheken"));
    ShowInstallError(reason.GetString());
    return 0;
  }
  CoInitialize(nullptr);
  return 1;
}
