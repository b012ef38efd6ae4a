// The road of a link clicked in a reference page: the request block the browser host sends,
// the rewrite of an internal address and what the address asks for (the shell, an object's
// menu, or a page with an optional anchor). Pure text work, shared by the main reference window.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

// The link request block: the address in the first 256 characters, the target frame name in
// the last 128 of its 384 characters.
enum { LINK_BLOCK_CHARS = 384, LINK_ADDRESS_CHARS = 256, LINK_TARGET_OFFSET = 256, LINK_TARGET_CHARS = 128 };

struct LinkRequest {
  CString strAddress;
  CString strTarget;  // upper-cased
};

// Reads the block's two fields, each up to its terminator or the end of its field, whichever
// comes first: a block whose fields are not terminated gives their full length, never more.
LinkRequest ReadLinkRequest(const WCHAR* pBlock);

// TRUE for the addresses the shell opens: beginning with "mailto:", "ftp://" or "http://", in
// any case.
BOOL IsShellAddress(const CString& address);

// An internal address as a page names it: every "%20" becomes a blank, every backslash "/",
// every "file:///" goes; then the HTML folder is cut off the front, but only when the address
// begins with it (compared without case, "/" and "\" alike). An address elsewhere stays whole.
CString RewriteInternalAddress(const CString& address, const CString& htmlFolder);

struct LinkAction {
  enum Kind { None, Shell, ObjectMenu, Page };
  Kind kind = None;
  CString strObjectId;  // ObjectMenu: the object's identifier
  CString strFile;      // Page: the file whose record is shown
  CString strAnchor;    // Page: the anchor to jump to
  BOOL bAnchor = FALSE;
};

// What a link asks for: the shell for mail, FTP and web addresses whatever their target; for
// the target "ENGINE" or none, the object menu ("SVID,<id>", the word in any case, the fields
// trimmed) or a page ("<file>" or "<file>#<anchor>"); nothing for another target, or for two
// comma fields whose first is not "SVID".
LinkAction ClassifyLink(const LinkRequest& request, const CString& htmlFolder);

// The condition that shows the record of a file: "FILE like '<file>'", the file's quotes doubled.
CString FileCondition(const CString& file);
