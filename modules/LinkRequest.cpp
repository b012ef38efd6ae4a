#include "LinkRequest.h"

#include "ContentDatabase.h"
#include "NUXUtils.h"

namespace {

CString ReadField(const WCHAR* p, int limit) {
  int length = 0;
  while (length < limit && p[length] != 0) ++length;
  return CString(p, length);
}

// Folds a path character for comparison: ASCII letters upper-cased, "\" as "/".
WCHAR FoldPathChar(WCHAR c) {
  if (c == u'\\') return u'/';
  if (c >= u'a' && c <= u'z') return WCHAR(c - u'a' + u'A');
  return c;
}

}  // namespace

LinkRequest ReadLinkRequest(const WCHAR* pBlock) {
  LinkRequest request;
  if (pBlock == nullptr) return request;
  request.strAddress = ReadField(pBlock, LINK_ADDRESS_CHARS);
  request.strTarget = ReadField(pBlock + LINK_TARGET_OFFSET, LINK_TARGET_CHARS);
  request.strTarget.MakeUpper();
  return request;
}

BOOL IsShellAddress(const CString& address) {
  return FindFirstOfNoCase(address, 0, 3, u"mailto:", u"ftp://", u"http://") == 0 ? TRUE : FALSE;
}

CString RewriteInternalAddress(const CString& address, const CString& htmlFolder) {
  CString text = address;
  text.Replace(u"%20", u" ");
  text.Replace(u"\\", u"/");
  text.Replace(u"file:///", u"");
  const int n = htmlFolder.GetLength();
  if (n == 0 || text.GetLength() < n) return text;
  for (int i = 0; i < n; ++i) {
    if (FoldPathChar(text[i]) != FoldPathChar(htmlFolder[i])) return text;
  }
  return text.Mid(n);
}

LinkAction ClassifyLink(const LinkRequest& request, const CString& htmlFolder) {
  LinkAction action;
  if (IsShellAddress(request.strAddress)) {
    action.kind = LinkAction::Shell;
    return action;
  }
  if (!request.strTarget.IsEmpty() && request.strTarget != u"ENGINE") return action;

  CFieldSplitter hash(RewriteInternalAddress(request.strAddress, htmlFolder));
  hash.SetSeparator(u"#");
  const CString file = hash.GetField(1);
  CFieldSplitter comma(file);
  comma.SetSeparator(u",");
  if (comma.GetCount() == 2) {
    CString word = comma.GetField(1);
    word.MakeUpper();
    if (word == u"SVID") {
      action.kind = LinkAction::ObjectMenu;
      action.strObjectId = comma.GetField(2);
    }
    return action;
  }
  action.kind = LinkAction::Page;
  action.strFile = file;
  if (hash.GetCount() == 2) {
    action.bAnchor = TRUE;
    action.strAnchor = hash.GetField(2);
  }
  return action;
}

CString FileCondition(const CString& file) { return u"FILE like '" + SqlLikeValue(file) + u"'"; }
