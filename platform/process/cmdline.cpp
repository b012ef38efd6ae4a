// The process's command line in Windows form, built once from /proc/self/cmdline.
#include <unistd.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <list>
#include <mutex>

#include "base/codepage.h"
#include "fs/path.h"
#include "process/process.h"

namespace nux::process {
namespace {

struct CommandLineState {
  std::mutex mutex;
  bool built = false;
  // Every text handed out stays alive for the life of the process, so a pointer from
  // GetCommandLineW/A never dangles after SetCommandLine.
  std::list<std::u16string> wide;
  std::list<std::string> ansi;
};

CommandLineState& S() {
  static CommandLineState* state = new CommandLineState;
  return *state;
}

bool NeedsQuotes(std::u16string_view s) {
  return s.empty() || s.find_first_of(u" \t\n\v") != std::u16string_view::npos;
}

std::string ProgramPath(const std::string& argv0) {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n > 0) return std::string(buf, size_t(n));
  return argv0;
}

std::u16string StartupCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  std::string argv0 = args.empty() ? std::string() : args.front();
  if (!args.empty()) args.erase(args.begin());
  return BuildCommandLine(ProgramPath(argv0), args);
}

void Install(CommandLineState& s, std::u16string line) {
  s.ansi.push_back(WideToAnsi(line));
  s.wide.push_back(std::move(line));
  s.built = true;
}

void EnsureBuilt(CommandLineState& s) {
  if (!s.built) Install(s, StartupCommandLine());
}

}  // namespace

std::u16string QuoteArgument(std::u16string_view argument) {
  const bool quote = NeedsQuotes(argument);
  if (!quote && argument.find(u'"') == std::u16string_view::npos) return std::u16string(argument);
  // Backslashes are literal except before a double quote: there 2n backslashes stand for n,
  // and 2n+1 for n followed by a literal quote.
  std::u16string out;
  if (quote) out += u'"';
  size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(backslashes * 2 + 1, u'\\');
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out += c;
  }
  if (quote) {
    out.append(backslashes * 2, u'\\');
    out += u'"';
  } else {
    out.append(backslashes, u'\\');
  }
  return out;
}

std::u16string BuildCommandLine(const std::string& programLinuxPath, const std::vector<std::string>& arguments) {
  // The program name is read without escapes: it is only quoted, and Windows paths hold no quote.
  std::u16string program = nux::fs::ToWindowsPath(programLinuxPath);
  std::u16string line = NeedsQuotes(program) ? u"\"" + program + u"\"" : program;
  for (const std::string& arg : arguments) {
    line += u' ';
    line += QuoteArgument(FromUtf8(arg));
  }
  return line;
}

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
  std::vector<std::u16string> args;
  size_t i = 0;
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (i < line.size() && blank(line[i])) ++i;
  if (i >= line.size()) return args;
  // The program's name: quotes group, backslashes are plain characters.
  std::u16string program;
  bool quoted = false;
  for (; i < line.size() && (quoted || !blank(line[i])); ++i) {
    if (line[i] == u'"') {
      quoted = !quoted;
    } else {
      program += line[i];
    }
  }
  args.push_back(std::move(program));
  for (;;) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i >= line.size()) break;
    std::u16string arg;
    quoted = false;
    while (i < line.size() && (quoted || !blank(line[i]))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == u'\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == u'"') {
        // 2n backslashes before a quote stand for n and the quote groups; 2n+1 for n and a quote.
        arg.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          arg += u'"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
          arg += u'"';  // "" inside quotes is one quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
        continue;
      }
      arg.append(backslashes, u'\\');
      if (i < line.size() && (quoted || !blank(line[i]))) arg += line[i++];
    }
    args.push_back(std::move(arg));
  }
  return args;
}

void SetCommandLine(std::u16string commandLine) {
  CommandLineState& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  Install(s, std::move(commandLine));
}

void ResetCommandLine() {
  CommandLineState& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  Install(s, StartupCommandLine());
}

}  // namespace nux::process

LPWSTR GetCommandLineW() {
  auto& s = nux::process::S();
  std::lock_guard<std::mutex> lock(s.mutex);
  nux::process::EnsureBuilt(s);
  return s.wide.back().data();
}

LPSTR GetCommandLineA() {
  auto& s = nux::process::S();
  std::lock_guard<std::mutex> lock(s.mutex);
  nux::process::EnsureBuilt(s);
  return s.ansi.back().data();
}
