// Dialogs from templates (the module's RT_DIALOG resources or parsed templates): the dialog
// class "#32770" with DefDlgProc, modeless and modal creation, EndDialog, the dialog manager's
// keyboard handling (IsDialogMessage: Tab, Enter, Escape) and the dialog-item helpers.
//
// Dialog units come from the template's font as Windows computes them: the font's height
// (tmHeight) and the average width of "A".."Z" "a".."z" measured through the drawing layer,
// rounded as (width / 26 + 1) / 2. A template without a font uses the system font's 8 x 16.
#pragma once

#include <functional>

#include "base/types.h"
#include "rc/nuxres.h"  // the style, control and key constants shared with resource scripts
#include "res/templates.h"
#include "ui/controls.h"
#include "ui/window.h"

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DM_REPOSITION (WM_USER + 2)
#define DC_HASDEFID 0x534B
#define DLGWINDOWEXTRA 24

// `name` is an integer resource or a name, as FindResource takes it.
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
#define CreateDialogW(i, n, p, f) CreateDialogParamW(i, n, p, f, 0)
#define CreateDialogA(i, n, p, f) CreateDialogParamA(i, n, p, f, 0)
// Runs the modal loop until EndDialog; the owner is disabled meanwhile. -1 when the dialog
// cannot be created.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM initParam);
#define DialogBoxW(i, n, p, f) DialogBoxParamW(i, n, p, f, 0)
#define DialogBoxA(i, n, p, f) DialogBoxParamA(i, n, p, f, 0)
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefDlgProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL IsDialogMessageW(HWND dialog, LPMSG msg);
BOOL IsDialogMessageA(HWND dialog, LPMSG msg);
BOOL MapDialogRect(HWND dialog, LPRECT rect);
LONG GetDialogBaseUnits();
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int maxCount);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);

#ifdef _UNICODE
#define CreateDialogParam CreateDialogParamW
#define CreateDialog CreateDialogW
#define DialogBoxParam DialogBoxParamW
#define DialogBox DialogBoxW
#define DefDlgProc DefDlgProcW
#define IsDialogMessage IsDialogMessageW
#define SetDlgItemText SetDlgItemTextW
#define GetDlgItemText GetDlgItemTextW
#define SendDlgItemMessage SendDlgItemMessageW
#else
#define CreateDialogParam CreateDialogParamA
#define CreateDialog CreateDialogA
#define DialogBoxParam DialogBoxParamA
#define DialogBox DialogBoxA
#define DefDlgProc DefDlgProcA
#define IsDialogMessage IsDialogMessageA
#define SetDlgItemText SetDlgItemTextA
#define GetDlgItemText GetDlgItemTextA
#define SendDlgItemMessage SendDlgItemMessageA
#endif

namespace nux::ui {

// Creates a modeless dialog from a parsed template. `ansiProc`: the dialog procedure takes
// Windows-1252 text. NULL when a control cannot be created (its class unknown and the item
// factory declines), unless the template has DS_NOFAILCREATE.
HWND CreateDialogFromTemplate(HINSTANCE instance, const nux::res::DialogTemplate& tpl, HWND parent, DLGPROC proc,
                              LPARAM initParam, bool ansiProc = false);

// Runs the modal loop of a dialog that already exists (disabling its owner) until EndDialog,
// then destroys it and returns the EndDialog result.
INT_PTR RunDialogModal(HWND dialog);

// Whether EndDialog was called for the dialog, and with which result.
bool DialogEnded(HWND dialog, INT_PTR* result);

// The dialog base units (average character width, height) a template font gives.
SIZE DialogBaseUnitsFor(const std::u16string& face, int pointSize, int weight, bool italic);

// Items whose class is not a registered window class (ActiveX controls named by a class id
// such as "{...}") are handed to this factory, which may create their window (as a child of
// `dialog` with the given rectangle in pixels) and return it, or return NULL.
using DialogItemFactory = std::function<HWND(HWND dialog, const nux::res::DialogItem& item, const RECT& rect)>;
void SetDialogItemFactory(DialogItemFactory factory);

}  // namespace nux::ui
