// The library's frame exports: initialisation with the access token, the module switches,
// the window getters, the encyclopaedia notice and the end.
#include <string_view>

#include "ContentDatabase.h"
#include "EngineConfig.h"
#include "Globals.h"
#include "NUXSV.h"
#include "mfc/afxwin.h"
#include "ui/msgbox.h"
#include "ui/window.h"

NUXSV_EXPORT int NUXSV_Init(LPCWSTR pszToken, int nDict, int nRecB, int nPGal) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // The token is tested before anything is stored; a missing one is refused like a wrong one.
  if (pszToken == nullptr || std::u16string_view(pszToken) != std::u16string_view(NUXSV_ACCESS_TOKEN)) return 0;

  nuxsv::Globals& g = nuxsv::G();
  g.dictActive = nDict;
  g.recbActive = nRecB;
  g.pgalActive = nPGal;

  if (g.contentDatabase) {
    // Open reference windows read the old database; they go before it does.
    nuxsv::DestroyReferenceWindows();
    nuxsv::DeleteContentDatabase();
  }

  try {
    g.contentDatabase = new CDaoDatabase;
    g.contentDatabase->Open(theEngineConfig.m_strMDB.GetString(), TRUE, TRUE, NUXSV_CONTENT_CONNECT);
  } catch (CException* e) {
    WCHAR message[256] = {};
    if (e->GetErrorMessage(message, 255)) {
      CString text;
      text.Format(u"*** DAO Error *** InitInstance *** %s\n", message);
      MessageBoxW(GetFocus(), text.GetString(), u"NUXSV ERROR", MB_OK);
    }
    e->Delete();
    nuxsv::DeleteContentDatabase();
    return 0;
  }
  return 1;
}

// Runs in the caller's module state.
NUXSV_EXPORT void NUXSV_SetActive(int nDict, int nRecB, int nPGal) {
  nuxsv::Globals& g = nuxsv::G();
  g.dictActive = nDict;
  g.recbActive = nRecB;
  g.pgalActive = nPGal;
}

NUXSV_EXPORT void NUXSV_Term() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  nuxsv::DestroyReferenceWindows();
  nuxsv::DeleteContentDatabase();
  AfxDaoTerm();
}

NUXSV_EXPORT CWnd* NUXSV_GetAstroDictCWnd() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return nuxsv::G().astroDict;
}

NUXSV_EXPORT CWnd* NUXSV_GetEncyclopCWnd() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return nullptr;
}

// Runs in the caller's module state.
NUXSV_EXPORT int NUXSV_OpenEncyclop() {
  return MessageBoxW(GetFocus(), u"NUXSV_OpenEncyclop - NOT SUPPORTED IN THIS VERSION", u"E R R O R", MB_ICONERROR);
}
