// Document addresses: file URLs and the resolution of links.
#include "browser/url.h"

#include <vector>

namespace nux::browser {

namespace {

bool IsAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsDrivePath(std::u16string_view s) {
  return s.size() >= 2 && IsAlpha(s[0]) && s[1] == u':' && (s.size() == 2 || s[2] == u'\\' || s[2] == u'/');
}

// A scheme of two or more characters followed by ':' ("mailto:", "http:", "file:").
bool HasScheme(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && (IsAlpha(s[i]) || (i > 0 && ((s[i] >= u'0' && s[i] <= u'9') || s[i] == u'+' ||
                                                     s[i] == u'-' || s[i] == u'.'))))
    ++i;
  return i >= 2 && i < s.size() && s[i] == u':';
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string Trim(std::u16string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == u' ' || s[a] == u'\t' || s[a] == u'\r' || s[a] == u'\n')) ++a;
  while (b > a && (s[b - 1] == u' ' || s[b - 1] == u'\t' || s[b - 1] == u'\r' || s[b - 1] == u'\n')) --b;
  return std::u16string(s.substr(a, b - a));
}

// "/a/b/../c/./d" -> "/a/c/d"; the leading part up to `keep` (a drive "/C:") is never removed.
std::u16string RemoveDotSegments(const std::u16string& path, size_t keep) {
  std::vector<std::u16string> parts;
  size_t i = keep;
  std::u16string head = path.substr(0, keep);
  while (i <= path.size()) {
    size_t j = path.find(u'/', i);
    if (j == std::u16string::npos) j = path.size();
    std::u16string seg = path.substr(i, j - i);
    bool last = j == path.size();
    if (seg == u"..") {
      if (parts.size() > 1) parts.pop_back();
      if (last) parts.push_back(u"");
    } else if (seg == u".") {
      if (last) parts.push_back(u"");
    } else {
      parts.push_back(seg);
    }
    i = j + 1;
  }
  std::u16string out = head;
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out += u'/';
    out += parts[k];
  }
  return out;
}

}  // namespace

std::u16string FileUrlFromPath(std::u16string_view winPath) {
  std::u16string url = u"file:///";
  for (char16_t c : winPath) {
    if (c == u'\\')
      url += u'/';
    else if (c == u' ')
      url += u"%20";
    else
      url += c;
  }
  return url;
}

std::u16string PathFromFileUrl(std::u16string_view url) {
  std::u16string_view rest;
  if (url.size() >= 8 && (url.substr(0, 8) == u"file:///" || url.substr(0, 8) == u"FILE:///"))
    rest = url.substr(8);
  else if (url.size() >= 5 && (url.substr(0, 5) == u"file:" || url.substr(0, 5) == u"FILE:"))
    rest = url.substr(5);
  else
    return {};
  std::u16string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    char16_t c = rest[i];
    if (c == u'#' || c == u'?') break;
    if (c == u'%' && i + 2 < rest.size() + 0 && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
      path += char16_t(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      path += c == u'/' ? u'\\' : c;
    }
  }
  return path;
}

std::u16string ResolveUrl(std::u16string_view baseIn, std::u16string_view hrefIn) {
  std::u16string href = Trim(hrefIn);
  std::u16string base(baseIn);
  if (href.empty()) return base;
  if (IsDrivePath(href)) return FileUrlFromPath(href);
  if (HasScheme(href)) return href;
  size_t sep = base.find(u"://");
  if (sep == std::u16string::npos) return href;
  for (char16_t& c : href)
    if (c == u'\\') c = u'/';
  std::u16string rel;
  for (char16_t c : href) {
    if (c == u' ')
      rel += u"%20";
    else
      rel += c;
  }
  size_t pathStart = base.find(u'/', sep + 3);
  if (pathStart == std::u16string::npos) {
    base += u'/';
    pathStart = base.size() - 1;
  }
  std::u16string prefix = base.substr(0, pathStart);
  std::u16string path = base.substr(pathStart);
  size_t cut = path.find_first_of(u"?#");
  std::u16string pathNoQuery = cut == std::u16string::npos ? path : path.substr(0, cut);
  if (rel[0] == u'#') {
    size_t hash = path.find(u'#');
    return prefix + (hash == std::u16string::npos ? path : path.substr(0, hash)) + rel;
  }
  if (rel[0] == u'?') return prefix + pathNoQuery + rel;
  std::u16string scheme = base.substr(0, sep + 1);
  if (rel.size() >= 2 && rel[0] == u'/' && rel[1] == u'/') return scheme + rel;
  // A file URL keeps its drive ("/C:") as the root of the path.
  size_t keep = 0;
  if (pathNoQuery.size() >= 3 && pathNoQuery[0] == u'/' && IsAlpha(pathNoQuery[1]) && pathNoQuery[2] == u':') keep = 3;
  std::u16string joined;
  if (rel[0] == u'/')
    joined = pathNoQuery.substr(0, keep) + rel;
  else
    joined = pathNoQuery.substr(0, pathNoQuery.rfind(u'/') + 1) + rel;
  size_t tail = joined.find_first_of(u"?#", keep);
  std::u16string p = tail == std::u16string::npos ? joined : joined.substr(0, tail);
  std::u16string q = tail == std::u16string::npos ? u"" : joined.substr(tail);
  return prefix + RemoveDotSegments(p, keep) + q;
}

}  // namespace nux::browser
