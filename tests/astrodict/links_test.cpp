// The text work behind a clicked link and a big-picture address.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BigImageAddress.h"
#include "LinkRequest.h"
#include "base/wstr.h"

namespace {

std::string U8(const CString& text) { return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength()))); }

const CString kHtml = u"C:\\Programme\\Starvane7\\Content\\HTML\\";

TEST(LinkRequestBlock, FieldsReadUpToTheirTerminatorOrTheirEnd) {
  WCHAR block[LINK_BLOCK_CHARS];
  // Neither field terminated: each is read to the end of its own field, never beyond.
  for (int i = 0; i < LINK_BLOCK_CHARS; ++i) block[i] = i < LINK_TARGET_OFFSET ? u'a' : u'e';
  LinkRequest full = ReadLinkRequest(block);
  EXPECT_EQ(full.strAddress.GetLength(), 256);
  EXPECT_EQ(U8(full.strTarget), std::string(128, 'E'));

  std::memset(block, 0, sizeof block);
  std::u16string address = u"dict_sirius.htm#daten";
  std::memcpy(block, address.c_str(), address.size() * sizeof(WCHAR));
  std::u16string target = u"Engine";
  std::memcpy(block + LINK_TARGET_OFFSET, target.c_str(), target.size() * sizeof(WCHAR));
  LinkRequest request = ReadLinkRequest(block);
  EXPECT_EQ(U8(request.strAddress), "dict_sirius.htm#daten");
  EXPECT_EQ(U8(request.strTarget), "ENGINE");
}

TEST(InternalAddress, RewrittenAndTheHtmlFolderCutOnlyFromItsFront) {
  const struct {
    const char16_t* address;
    const char* expected;
  } cases[] = {
      {u"file:///C:/Programme/Starvane7/Content/HTML/dict_sirius.htm", "dict_sirius.htm"},
      // Other case, backslashes, blanks written as %20.
      {u"file:///c:/programme/STARVANE7/content/html/my%20page.htm#a", "my page.htm#a"},
      {u"C:\\Programme\\Starvane7\\Content\\HTML\\SVID,NSTR1234", "SVID,NSTR1234"},
      // Elsewhere: the address stays whole instead of losing as many characters.
      {u"file:///D:/Other/Place/With/A/Long/Name/page.htm", "D:/Other/Place/With/A/Long/Name/page.htm"},
      {u"page.htm", "page.htm"},
      {u"", ""},
      // "file:///" goes wherever it stands.
      {u"C:/Programme/Starvane7/Content/HTML/file:///x.htm", "x.htm"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(RewriteInternalAddress(CString(c.address), kHtml)), c.expected) << U8(CString(c.address));
}

TEST(LinkAction, WhatALinkAsksFor) {
  const CString base = u"file:///C:/Programme/Starvane7/Content/HTML/";
  const struct {
    CString address;
    const char16_t* target;
    LinkAction::Kind kind;
    const char* value;  // object id, or file
    const char* anchor; // nullptr: none
  } cases[] = {
      {u"mailto:support@starvane.example", u"", LinkAction::Shell, "", nullptr},
      {u"HTTP://www.starvane.example/", u"", LinkAction::Shell, "", nullptr},
      {u"ftp://ftp.starvane.example/pub/", u"_BLANK", LinkAction::Shell, "", nullptr},
      {u"https://www.starvane.example/", u"OTHER", LinkAction::None, "", nullptr},
      {base + u"dict_sirius.htm", u"OTHER", LinkAction::None, "", nullptr},
      {base + u"dict_sirius.htm", u"", LinkAction::Page, "dict_sirius.htm", nullptr},
      {base + u"dict_sirius.htm#daten", u"ENGINE", LinkAction::Page, "dict_sirius.htm", "daten"},
      {base + u"page.jpg#top", u"", LinkAction::Page, "page.jpg", "top"},
      {base + u"a.htm#b#c", u"", LinkAction::Page, "a.htm", nullptr},
      {base + u"SVID,NSTR42", u"ENGINE", LinkAction::ObjectMenu, "NSTR42", nullptr},
      {base + u"svid%20,%20NSTR42", u"", LinkAction::ObjectMenu, "NSTR42", nullptr},
      {base + u"LINK,NSTR42", u"", LinkAction::None, "", nullptr},
      {base + u"a,b,c.htm", u"", LinkAction::Page, "a,b,c.htm", nullptr},
  };
  for (const auto& c : cases) {
    LinkRequest request{c.address, c.target};
    LinkAction action = ClassifyLink(request, kHtml);
    SCOPED_TRACE(U8(c.address));
    EXPECT_EQ(action.kind, c.kind);
    if (c.kind == LinkAction::ObjectMenu) {
      EXPECT_EQ(U8(action.strObjectId), c.value);
    }
    if (c.kind == LinkAction::Page) {
      EXPECT_EQ(U8(action.strFile), c.value);
    }
    EXPECT_EQ(action.bAnchor != FALSE, c.anchor != nullptr);
    if (c.anchor) {
      EXPECT_EQ(U8(action.strAnchor), c.anchor);
    }
  }
}

TEST(LinkAction, FileConditionDoublesQuotes) {
  EXPECT_EQ(U8(FileCondition(u"page.jpg")), "FILE like 'page.jpg'");
  EXPECT_EQ(U8(FileCondition(u"o'neil.htm")), "FILE like 'o''neil.htm'");
}

TEST(BigImageAddress, PathAndSizesInEitherOrder) {
  const struct {
    const char16_t* address;
    bool shown;
    const char* path;
    int width, height;
  } cases[] = {
      {u"pics\\m31.jpg?ws=800&hs=600", true, "pics\\m31.jpg", 800, 600},
      {u"pics\\m31.jpg?hs=600&ws=800", true, "pics\\m31.jpg", 800, 600},
      {u"pics\\m31.jpg?ws=800&x=1&hs=600&y=2", true, "pics\\m31.jpg", 800, 600},
      {u"a.jpg?ws=&hs=12", true, "a.jpg", 0, 12},
      {u"a.jpg?ws=99999999999&hs=-5", true, "a.jpg", 0x7FFFFFFF, -5},
      {u"pics\\m31.jpg", false, "", 0, 0},
      {u"pics\\m31.jpg?ws=800", false, "", 0, 0},
      {u"pics\\m31.jpg?hs=600", false, "", 0, 0},
      {u"", false, "", 0, 0},
  };
  for (const auto& c : cases) {
    CString path;
    int width = 0, height = 0;
    SCOPED_TRACE(U8(CString(c.address)));
    EXPECT_EQ(ParseBigImageAddress(c.address, path, width, height) != FALSE, c.shown);
    if (!c.shown) continue;
    EXPECT_EQ(U8(path), c.path);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

}  // namespace
