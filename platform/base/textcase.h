// Letter case, case folding and the order of text for every letter, over ICU. This is the
// one place where people's words meet case rules: the database's comparisons and sorting,
// CString's case functions, the page's search marks and the typed-letter searches of lists
// and trees all go through it, so they agree with each other.
//
// Three kinds of operation, each with its own rule:
//  - case mapping (UpperChar, ToUpper, ...): the simple one-to-one mapping of each character,
//    as Windows maps case: the length never changes and "ß" stays "ß" when upper-cased;
//  - case folding (FoldCase, EqualNoCase, CompareNoCase): for matching without case. FoldCase
//    is the full folding ("Straße" and "STRASSE" fold alike to "strasse"), and may change the
//    length; CompareNoCase and EqualNoCase compare the full foldings code unit by code unit;
//  - collation (Collate): the general language order, case-insensitive and accent-sensitive:
//    "Äquator" sorts beside "Aquator" and before "B", "a" equals "A" but not "ä".
// Every function is safe to call from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nux {

// ---- case mapping (one to one, length kept) --------------------------------------------
char16_t UpperChar(char16_t c);  // a lone surrogate comes back unchanged
char16_t LowerChar(char16_t c);
char32_t UpperCodePoint(char32_t c);
char32_t LowerCodePoint(char32_t c);
// Map a UTF-16 run in place; a surrogate pair is mapped as its code point when its mapping
// keeps the length, else left as it is.
void UpperInPlace(char16_t* s, size_t n);
void LowerInPlace(char16_t* s, size_t n);
std::u16string ToUpper(std::u16string_view s);
std::u16string ToLower(std::u16string_view s);
// Letter classes of a character, as Unicode has them.
bool IsUpperCodePoint(char32_t c);
bool IsLowerCodePoint(char32_t c);
bool IsLetterCodePoint(char32_t c);
// The same mapping for one byte of the ANSI code page (Windows-1252): "ä" and "Ä", "ÿ" and
// "Ÿ"; a letter whose other case the code page lacks ("µ", "ß") stays as it is.
char UpperAnsiChar(char c);
char LowerAnsiChar(char c);
// The same for UTF-8 text (the database layer's form).
std::string ToUpperUtf8(std::string_view s);
std::string ToLowerUtf8(std::string_view s);

// ---- case folding (for matching) -------------------------------------------------------
std::u16string FoldCase(std::u16string_view s);
// FoldCase that also tells, for each unit of the result, the index of the source unit it came
// from (sourceIndex gets result.size() + 1 entries; the last is s.size()), so that a match in
// the folded text can be mapped back onto the original characters.
std::u16string FoldCase(std::u16string_view s, std::vector<size_t>* sourceIndex);
std::string FoldCaseUtf8(std::string_view s);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
// <0, 0, >0 by the full foldings' code units.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
// Is this character a letter, a digit, a letter's combining mark (for word bounds)?
bool IsLetterOrDigit(char32_t c);
// The simple (one to one) folding of one unit, for matching a character at a time: "Ä" and
// "ä" fold alike, "ß" stays itself. A lone surrogate comes back unchanged.
char16_t FoldChar(char16_t c);

// ---- collation (the order of text) -----------------------------------------------------
// <0, 0, >0 in the general order, case-insensitive and accent-sensitive.
int Collate(std::u16string_view a, std::u16string_view b);
int CollateUtf8(std::string_view a, std::string_view b);
// The collation's sort key of a text: keys compare (as byte strings, memcmp order) exactly as
// Collate compares their texts.
std::string CollationKey(std::u16string_view s);
// A text that sorts after every text that begins with `prefix`, and before every text that does
// not and sorts after it: the end of the range that a prefix search covers.
std::u16string CollationPrefixEnd(std::u16string_view prefix);

}  // namespace nux
