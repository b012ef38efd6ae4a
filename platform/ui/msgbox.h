// Message boxes without a display: the caption, text and buttons go to standard error; the
// answer is the next one queued by a test or host (QueueMessageBoxAnswer), else, when standard
// input and standard error are a terminal, the key the user types, else (nobody can answer) the
// choice that changes nothing: No, Cancel or Abort; OK for a box with OK alone.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"
#include "rc/nuxres.h"  // the style, control and key constants shared with resource scripts

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFBUTTON4 0x00000300L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_HELP 0x00004000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define MB_RIGHT 0x00080000L

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxExW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type, WORD language);
int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD language);
BOOL MessageBeep(UINT type);

#ifdef _UNICODE
#define MessageBox MessageBoxW
#define MessageBoxEx MessageBoxExW
#else
#define MessageBox MessageBoxA
#define MessageBoxEx MessageBoxExA
#endif

namespace nux::ui {

// The next message box answers with this button id (IDOK, IDYES ...). An answer that is not
// one of the box's buttons gives the box's default button instead.
void QueueMessageBoxAnswer(int id);
void ClearMessageBoxAnswers();

struct MessageBoxRecord {
  std::u16string caption;
  std::u16string text;
  UINT type = 0;
  int answer = 0;
};
// Every box shown since the last ClearMessageBoxLog, oldest first.
std::vector<MessageBoxRecord> MessageBoxLog();
void ClearMessageBoxLog();

// Whether the terminal may be asked (default: when stdin and stderr are terminals). Tests and
// CI switch it off so that an unanswered box takes its default button.
void SetMessageBoxTerminal(bool allowed);

}  // namespace nux::ui
