// The object commands and their texts, and the object-kind buffer.
#include <cstring>

#include "ObjectMenu.h"
#include "ui/window.h"

namespace {

WCHAR g_szObjectKind[OBJECT_KIND_CHARS] = {};

// The kinds each command is offered for, by command id.
const std::vector<std::vector<const char16_t*>>& CommandKinds() {
  static const std::vector<std::vector<const char16_t*>> kinds = {
      {u"cnst", u"scft", u"moon", u"plnt", u"NCMT", u"NAST", u"NSTR", u"NDSO"},  // 1 Center
      {u"moon", u"plnt"},                                                       // 2 Stay
      {u"moon", u"plnt"},                                                       // 3 FollowS
      {u"scft", u"moon", u"plnt", u"NCMT", u"NAST"},                            // 4 FollowC
      {u"scft", u"moon", u"plnt", u"NCMT", u"NAST", u"NSTR", u"NDSO"},          // 5 Info
      {u"scft", u"NSTR", u"NDSO"},                                              // 6 Favorites
  };
  return kinds;
}

WCHAR Upper(WCHAR c) { return c >= u'a' && c <= u'z' ? WCHAR(c - u'a' + u'A') : c; }

BOOL StartsWithNoCase(const CString& text, const char16_t* prefix) {
  int i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.GetLength() || Upper(text[i]) != Upper(prefix[i])) return FALSE;
  }
  return TRUE;
}

}  // namespace

const std::vector<ObjectCommand>& ObjectCommands() {
  static const std::vector<ObjectCommand> commands = {
      {1, u"Center", WM_SV_OBJECT_CENTER}, {2, u"Stay", WM_SV_OBJECT_STAY},
      {3, u"FollowS", WM_SV_OBJECT_FOLLOW}, {4, u"FollowC", WM_SV_OBJECT_FOLLOW_END},
      {5, u"Info", WM_SV_OBJECT_INFO},     {6, u"Favorites", WM_SV_OBJECT_FAVORITES},
  };
  return commands;
}

BOOL KindOffersCommand(const CString& kind, UINT nCommand) {
  if (nCommand < 1 || nCommand > CommandKinds().size()) return FALSE;
  for (const char16_t* offered : CommandKinds()[nCommand - 1]) {
    if (StartsWithNoCase(kind, offered)) return TRUE;
  }
  return FALSE;
}

CString FormatEntryText(const CString& format, const CString& name) {
  const int at = format.Find(u"%s");
  if (at < 0) return format;
  return format.Left(at) + name + format.Mid(at + 2);
}

const WCHAR* GetObjectKindBuffer() { return g_szObjectKind; }

void SetObjectKindBuffer(const CString& kind) {
  std::memset(g_szObjectKind, 0, sizeof(g_szObjectKind));
  int length = kind.GetLength();
  if (length > OBJECT_KIND_CHARS - 1) length = OBJECT_KIND_CHARS - 1;
  std::memcpy(g_szObjectKind, kind.GetString(), size_t(length) * sizeof(WCHAR));
}

