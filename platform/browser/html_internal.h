// Parsing and serialisation helpers shared by the files of the document model.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browser/dom.h"

namespace nux::browser::detail {

// Tag code (GumboTag) of a name in any case; GUMBO_TAG_UNKNOWN for others.
int TagOf(std::u16string_view name);
// The capitalised name of a known tag code.
const std::u16string& TagName(int tag);

bool IsVoidTag(int tag);
bool IsRawTextTag(int tag);     // text written as it stands (SCRIPT, STYLE, ...)
bool IsBlockTag(int tag);       // a block boundary in the text model
bool IsHiddenTag(int tag);      // not part of the rendered text
bool IsPreformattedTag(int tag);  // white space kept in the text model

// Text file bytes as UTF-8 for the parser (see Document::Parse).
std::string DecodeToUtf8(std::string_view bytes);

// The <HTML> element of a parsed document (a HEAD and a BODY always present); the document's
// quirks mode (GumboQuirksModeEnum: 0 none, 1 quirks, 2 limited quirks) when asked for.
Ref<Element> ParseDocument(std::string_view utf8, int* quirksMode = nullptr);
// The nodes of a fragment parsed in the context of an element with the given tag, in the
// quirks mode of the document they go into.
std::vector<Ref<Node>> ParseFragment(std::u16string_view html, int contextTag, int quirksMode = 0);

void SerializeNode(const Node& node, std::u16string& out);
void SerializeChildren(const Element& element, std::u16string& out);
void AppendEscapedText(std::u16string_view text, std::u16string& out);
void AppendOpenTag(const Element& element, std::u16string& out);
void AppendCloseTag(const Element& element, std::u16string& out);  // nothing for void elements

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace nux::browser::detail
