// The exports of the reference-viewer library, as the host sees them. Plain C names, in the
// order of their ordinals (1 to 15, alphabetical). Object ids, names and addresses are the
// class library's wide strings; a CString argument is passed by value.
//
// Calling order: load the library (its start-up check runs inside the load and may fail it),
// NUXSV_Init until it returns 1, then the look-ups, NUXSV_SetActive and the window exports in
// any order, and NUXSV_Term as the last call before the library is freed.
#pragma once

#include <type_traits>

#include "base/types.h"
#include "mfc/collections.h"
#include "mfc/cstring.h"

class CWnd;

static_assert(std::is_same_v<CString, CStringW>, "the exports take wide strings: build with UNICODE and _UNICODE");

#define NUXSV_EXPORT extern "C" __attribute__((visibility("default")))

// The access token NUXSV_Init accepts (compared exactly, letter case included).
#define NUXSV_ACCESS_TOKEN u"NUXSV-HOST-ACCESS-01"

// 1: the main reference window, or NULL.
NUXSV_EXPORT CWnd* NUXSV_GetAstroDictCWnd();
// 2: always NULL: the library has no encyclopaedia window.
NUXSV_EXPORT CWnd* NUXSV_GetEncyclopCWnd();
// 3: what the look-up table knows of an object; 1 when it names a kind or any number.
NUXSV_EXPORT int NUXSV_GetLookupTableRef(CString strId, CString* pKind, int* pSkyView, int* pDict, int* pPGal,
                                         int* pRecB, int* pHelp, int* pSpare);
// 4: the numbers alone; 1 when any is non-zero.
NUXSV_EXPORT int NUXSV_GetLookupTableRef2(CString strId, int* pSkyView, int* pDict, int* pPGal, int* pRecB,
                                          int* pHelp);
// 5: the display name of an object or page id ("" when there is none).
NUXSV_EXPORT void NUXSV_GetProperNamebySVID(CString strId, CString* pName);
// 6: NUXSV_GetLookupTableRef's result alone.
NUXSV_EXPORT int NUXSV_HasLookupTableRef(CString strId);
// 7: checks the access token, stores the module switches and opens the content database;
// 1 when it is open, 0 when the token is refused or the database cannot be opened.
NUXSV_EXPORT int NUXSV_Init(LPCWSTR pszToken, int nDict, int nRecB, int nPGal);
// 8: shows the first page the condition on SV_MODULE selects (NULL or "": the first dictionary
// page by name) in the main reference window, with the search words marked (NULL: none); opens
// the window when there is none. A page of a switched-off module shows its notice instead.
NUXSV_EXPORT void NUXSV_OpenAstroDict(CWnd* pParent, LPCWSTR pszCondition, CStringArray* pWords);
// 9: the big picture of an address "<path>?ws=<width>&hs=<height>"; always 0.
NUXSV_EXPORT int NUXSV_OpenBigImage(CWnd* pParent, CString strAddress);
// 10: opens the dictionary word list at its remembered place; nothing when it is open.
NUXSV_EXPORT void NUXSV_OpenDictionary(CWnd* pParent);
// 11: the encyclopaedia is not part of this version: a message box says so; its result.
NUXSV_EXPORT int NUXSV_OpenEncyclop();
// 12: the object popup menu at the screen point (x, y): the object's pages and the commands
// of its kind; a chosen command is posted to the host window (2024 to 2030, wParam the
// object's number, lParam the library's buffer holding its kind). 1 when a page was chosen.
NUXSV_EXPORT int NUXSV_OpenLinkMenubySVID(CWnd* pHost, int x, int y, CString strId, int nOwnPage);
// 13: opens the search window at its remembered place; nothing when it is open.
NUXSV_EXPORT void NUXSV_OpenSearch(CWnd* pParent);
// 14: stores the three module switches (non-zero: on), at any time after the load.
NUXSV_EXPORT void NUXSV_SetActive(int nDict, int nRecB, int nPGal);
// 15: closes the reference windows and the content database and ends the database use.
NUXSV_EXPORT void NUXSV_Term();
