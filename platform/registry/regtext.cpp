// The .reg export format: reading it into changes, and writing a hive in it.
#include <cstdio>

#include "base/codepage.h"
#include "registry/hive.h"

namespace nux::registry::detail {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "..." with \\ and \" inside; s starts at the opening quote. Returns the text and moves s past
// the closing quote.
bool ReadQuoted(std::string_view& s, std::string& out) {
  if (s.empty() || s.front() != '"') return false;
  size_t i = 1;
  out.clear();
  while (i < s.size()) {
    char c = s[i];
    // Only \\ and \" are escapes; any other backslash stands for itself.
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[i + 1];
      i += 2;
      continue;
    }
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    out += c;
    ++i;
  }
  return false;
}

bool ReadHexBytes(std::string_view s, std::vector<BYTE>& out) {
  out.clear();
  s = Trim(s);
  if (s.empty()) return true;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    int hi = i < s.size() ? HexDigit(s[i]) : -1;
    int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (hi < 0) return false;
    if (lo < 0) {  // a single digit
      out.push_back(BYTE(hi));
      i += 1;
    } else {
      out.push_back(BYTE(hi * 16 + lo));
      i += 2;
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size()) break;
    if (s[i] != ',') return false;
    ++i;
  }
  return true;
}

std::vector<BYTE> WideBytes(std::u16string_view text, bool withNul) {
  std::vector<BYTE> data;
  data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    data.push_back(BYTE(c & 0xFF));
    data.push_back(BYTE(c >> 8));
  }
  if (withNul) {
    data.push_back(0);
    data.push_back(0);
  }
  return data;
}

// Reads the data part of a value line (after '='). Returns false when it cannot be read.
bool ReadData(std::string_view s, RegOp& op) {
  s = Trim(s);
  if (s == "-") {
    op.kind = RegOp::kDeleteValue;
    return true;
  }
  op.kind = RegOp::kSetValue;
  if (!s.empty() && s.front() == '"') {
    std::string text;
    if (!ReadQuoted(s, text) || !Trim(s).empty()) return false;
    op.type = REG_SZ;
    op.data = WideBytes(FromUtf8(text), true);
    return true;
  }
  if (StartsWithNoCase(s, "dword:")) {
    std::string_view digits = Trim(s.substr(6));
    if (digits.empty() || digits.size() > 8) return false;
    DWORD v = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + DWORD(d);
    }
    op.type = REG_DWORD;
    op.data = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
    return true;
  }
  if (StartsWithNoCase(s, "hex:")) {
    op.type = REG_BINARY;
    return ReadHexBytes(s.substr(4), op.data);
  }
  if (StartsWithNoCase(s, "hex(")) {
    size_t close = s.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    DWORD type = 0;
    for (char c : s.substr(4, close - 4)) {
      int d = HexDigit(c);
      if (d < 0) return false;
      type = type * 16 + DWORD(d);
    }
    op.type = type;
    return ReadHexBytes(s.substr(close + 2), op.data);
  }
  return false;
}

bool ParseSection(std::string_view line, RegOp& op) {
  // [HKEY_...\a\b] or [-HKEY_...\a\b]; the name runs to the last ']'.
  size_t close = line.rfind(']');
  if (close == std::string_view::npos || !Trim(line.substr(close + 1)).empty()) return false;
  std::string_view inner = line.substr(1, close - 1);
  op = RegOp{};
  op.kind = RegOp::kCreateKey;
  if (!inner.empty() && inner.front() == '-') {
    op.kind = RegOp::kDeleteKey;
    inner.remove_prefix(1);
  }
  std::u16string path = FromUtf8(inner);
  size_t start = 0;
  bool first = true;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    std::u16string part = path.substr(start, end - start);
    if (first) {
      op.hive = HiveFromName(part);
      if (op.hive < 0) return false;
      first = false;
    } else if (!part.empty()) {
      op.path.push_back(part);
    } else if (end != path.size()) {
      return false;  // an empty name between two backslashes
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

bool ParseRegText(std::string_view text, std::vector<RegOp>& ops, bool strict) {
  std::string converted;
  if (text.size() >= 2 && BYTE(text[0]) == 0xFF && BYTE(text[1]) == 0xFE) {
    std::u16string wide;
    for (size_t i = 2; i + 1 < text.size(); i += 2)
      wide += char16_t(BYTE(text[i]) | (char16_t(BYTE(text[i + 1])) << 8));
    converted = ToUtf8(wide);
    text = converted;
  } else if (text.size() >= 3 && BYTE(text[0]) == 0xEF && BYTE(text[1]) == 0xBB && BYTE(text[2]) == 0xBF) {
    text.remove_prefix(3);
  }

  // Split into lines, joining hex data continued with a trailing backslash.
  std::vector<std::string> lines;
  size_t pos = 0;
  bool continuing = false;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (continuing) {
      lines.back() += std::string(raw);
    } else {
      lines.emplace_back(raw);
    }
    std::string& last = lines.back();
    const bool isHexValue = !last.empty() && (last.front() == '"' || last.front() == '@') &&
                            last.find("=hex") != std::string::npos;
    continuing = isHexValue && !last.empty() && last.back() == '\\';
    if (continuing) last.pop_back();
    if (end == text.size()) break;
  }

  bool haveSection = false;
  RegOp section;
  bool sectionDeletes = false;
  for (const std::string& lineText : lines) {
    std::string_view line = lineText;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4") continue;
    if (line.front() == '[') {
      RegOp op;
      if (!ParseSection(line, op)) {
        if (strict) return false;
        haveSection = false;
        continue;
      }
      haveSection = true;
      sectionDeletes = op.kind == RegOp::kDeleteKey;
      section = op;
      ops.push_back(std::move(op));
      continue;
    }
    if (line.front() == '"' || line.front() == '@') {
      RegOp op;
      std::string name;
      std::string_view rest = line;
      if (rest.front() == '@') {
        rest.remove_prefix(1);
      } else if (!ReadQuoted(rest, name)) {
        if (strict) return false;
        continue;
      }
      rest = Trim(rest);
      if (rest.empty() || rest.front() != '=' || !haveSection || sectionDeletes) {
        if (strict) return false;
        continue;
      }
      if (!ReadData(rest.substr(1), op)) {
        if (strict) return false;
        continue;
      }
      op.hive = section.hive;
      op.path = section.path;
      op.name = FromUtf8(name);
      ops.push_back(std::move(op));
      continue;
    }
    if (strict) return false;
  }
  return true;
}

void ApplyOp(Key& root, const RegOp& op) {
  switch (op.kind) {
    case RegOp::kCreateKey: {
      Key* k = &root;
      for (const auto& part : op.path) k = k->AddSubkey(part);
      break;
    }
    case RegOp::kDeleteKey: {
      if (op.path.empty()) {  // the whole hive
        root.subkeys.clear();
        root.values.clear();
        break;
      }
      Path parent(op.path.begin(), op.path.end() - 1);
      if (Key* p = Walk(root, parent)) p->RemoveSubkey(op.path.back());
      break;
    }
    case RegOp::kSetValue: {
      Key* k = &root;
      for (const auto& part : op.path) k = k->AddSubkey(part);
      k->SetValue(op.name, op.type, op.data);
      break;
    }
    case RegOp::kDeleteValue: {
      if (Key* k = Walk(root, op.path)) k->RemoveValue(op.name);
      break;
    }
  }
}

namespace {

std::string Escape(std::u16string_view text) {
  std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 2);
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// A REG_SZ value that reads back exactly from "text": whole UTF-16 units ending in one NUL, no
// NUL or line break before it, no unpaired surrogate.
bool PlainString(const Value& v, std::u16string& text) {
  if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  text.clear();
  for (size_t i = 0; i + 1 < v.data.size(); i += 2) text += char16_t(v.data[i] | (v.data[i + 1] << 8));
  if (text.back() != 0) return false;
  text.pop_back();
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == 0 || c == u'\r' || c == u'\n') return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

void AppendHex(std::string& out, const std::vector<BYTE>& data, size_t lineStart) {
  // Lines are kept below 80 columns, continued with a trailing backslash, as the export does.
  char buf[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", data[i]);
    out += buf;
    if (i + 1 < data.size()) {
      out += ',';
      if (out.size() - lineStart > 75) {
        out += "\\\r\n  ";
        lineStart = out.size() - 2;
      }
    }
  }
}

void AppendValue(std::string& out, const Value& v) {
  size_t lineStart = out.size();
  if (v.name.empty())
    out += '@';
  else
    out += '"' + Escape(v.name) + '"';
  out += '=';
  std::u16string text;
  if (PlainString(v, text)) {
    out += '"' + Escape(text) + '"';
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    DWORD d = DWORD(v.data[0]) | (DWORD(v.data[1]) << 8) | (DWORD(v.data[2]) << 16) | (DWORD(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    out += buf;
  } else {
    if (v.type == REG_BINARY) {
      out += "hex:";
    } else {
      char buf[24];
      std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(v.type));
      out += buf;
    }
    AppendHex(out, v.data, lineStart);
  }
  out += "\r\n";
}

void AppendKey(std::string& out, const Key& key, const std::string& path, bool isRoot) {
  if (!isRoot || !key.values.empty()) {
    out += "\r\n[" + path + "]\r\n";
    for (const auto& v : key.values) AppendValue(out, v);
  }
  for (const auto& sub : key.subkeys) AppendKey(out, *sub, path + "\\" + ToUtf8(sub->name), false);
}

}  // namespace

std::string SerializeHive(const Key& root, int hive) {
  std::string out = "Windows Registry Editor Version 5.00\r\n";
  AppendKey(out, root, HiveLongName(hive), true);
  return out;
}

}  // namespace nux::registry::detail
