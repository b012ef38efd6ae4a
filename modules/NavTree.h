// What the three tree panels (help, picture gallery, reference book) share: the set-up of
// their navigation tree, the selection of the entry of the page shown, and the page behind a
// chosen entry. Each navigation table has the columns ID, PID, Title and ID_TA_HTML (the
// object identifier of the entry's page).
#pragma once

#include "NUXTreeCtrl.h"
#include "mfc/cstring.h"

// Item pictures, colours, font and table of a panel's tree; the tree is filled.
void InitNavTree(CNUXTreeCtrl& tree, LPCWSTR lpszTable);

// Selects the entry whose page is the object identifier (its branch opened) without telling
// the panel; clears the selection when no entry has that page. Database failures are
// reported with the context.
void UpdateNavTree(CNUXTreeCtrl& tree, LPCWSTR lpszTable, const CString& strObjectID, LPCWSTR lpszContext);

// The condition that displays the page of the entry the query (by the selected id) finds;
// empty when it finds none or the database fails.
CString NavTreeCondition(LPCWSTR lpszQueryFormat, long nID, LPCWSTR lpszContext);
