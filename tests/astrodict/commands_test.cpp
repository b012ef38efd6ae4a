// The object commands each kind is offered, their texts and the object-kind buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ObjectMenu.h"
#include "base/wstr.h"

namespace {

std::string U8(const CString& text) { return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength()))); }

std::vector<UINT> Offered(const char16_t* kind) {
  std::vector<UINT> ids;
  for (const ObjectCommand& c : ObjectCommands()) {
    if (KindOffersCommand(kind, c.nID)) ids.push_back(c.nID);
  }
  return ids;
}

TEST(ObjectCommands, OfferedByKindComparedWithTheKindsStartWithoutCase) {
  const struct {
    const char16_t* kind;
    std::vector<UINT> ids;
  } cases[] = {
      {u"cnst", {1}},          {u"scft", {1, 4, 5, 6}},    {u"moon", {1, 2, 3, 4, 5}},
      {u"plnt", {1, 2, 3, 4, 5}}, {u"NCMT", {1, 4, 5}},    {u"NAST", {1, 4, 5}},
      {u"NSTR", {1, 5, 6}},    {u"nstr", {1, 5, 6}},       {u"NDSO", {1, 5, 6}},
      {u"PLNTX", {1, 2, 3, 4, 5}}, {u"pln", {}},           {u"xyz", {}},
      {u"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Offered(c.kind), c.ids) << U8(CString(c.kind));
}

TEST(ObjectCommands, MessagesToTheHost) {
  std::vector<UINT> messages;
  for (const ObjectCommand& c : ObjectCommands()) messages.push_back(c.nMessage);
  EXPECT_EQ(messages, (std::vector<UINT>{2025, 2027, 2028, 2029, 2024, 2030}));
}

TEST(ObjectCommands, EntryTextReplacesTheFirstPercentSLiterally) {
  const struct {
    const char16_t* format;
    const char16_t* name;
    const char* text;
  } cases[] = {
      {u"Lexikon: %s", u"Sirius", "Lexikon: Sirius"},
      {u"Info", u"Sirius", "Info"},
      {u"%s %s", u"A", "A %s"},
      {u"100% %d %s", u"M31", "100% %d M31"},
      {u"%s", u"50% %s", "50% %s"},
      {u"Strings - Info not found in NUX.ini", u"X", "Strings - Info not found in NUX.ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(FormatEntryText(c.format, c.name)), c.text);
}

TEST(ObjectCommands, KindBufferBounded) {
  SetObjectKindBuffer(u"NSTR");
  EXPECT_EQ(std::u16string(GetObjectKindBuffer()), u"NSTR");
  SetObjectKindBuffer(CString(u'k', 200));
  EXPECT_EQ(std::u16string(GetObjectKindBuffer()), std::u16string(63, u'k'));
  SetObjectKindBuffer(u"plnt");
  EXPECT_EQ(std::u16string(GetObjectKindBuffer()), u"plnt");
}

}  // namespace
