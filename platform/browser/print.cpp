// Print jobs: header and footer codes, page layout of the rendered text, the spool folder.
#include "browser/print.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/codepage.h"
#include "browser/textmodel.h"
#include "fs/root.h"
#include "process/clock.h"

namespace nux::browser {

namespace {

double Inches(const std::u16string& text, double fallback) {
  std::string s = nux::ToUtf8(text);
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || v < 0 || v > 5) return fallback;
  return v;
}

std::u16string Number(long n) { return nux::FromUtf8(std::to_string(n)); }

std::vector<std::u16string> Lines(const std::u16string& text, size_t width) {
  std::vector<std::u16string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find(u"\r\n", start);
    std::u16string line = text.substr(start, nl == std::u16string::npos ? std::u16string::npos : nl - start);
    while (line.size() > width) {
      size_t cut = line.rfind(u' ', width);
      if (cut == std::u16string::npos || cut == 0) cut = width;
      out.push_back(line.substr(0, cut));
      line.erase(0, cut < line.size() && line[cut] == u' ' ? cut + 1 : cut);
    }
    out.push_back(line);
    if (nl == std::u16string::npos) break;
    start = nl + 2;
  }
  return out;
}

std::string PartsLine(const char* tag, const HeaderParts& p) {
  return std::string(tag) + " " + nux::ToUtf8(p.left) + " | " + nux::ToUtf8(p.centre) + " | " + nux::ToUtf8(p.right) +
         "\n";
}

}  // namespace

HeaderParts ExpandPrintCodes(std::u16string_view codes, std::u16string_view title, std::u16string_view address,
                             int page, int pages) {
  std::vector<std::u16string> parts(1);
  for (size_t i = 0; i < codes.size(); ++i) {
    char16_t c = codes[i];
    if (c != u'&' || i + 1 >= codes.size()) {
      parts.back() += c;
      continue;
    }
    char16_t code = codes[++i];
    switch (code) {
      case u'w': parts.back() += title; break;
      case u'u': parts.back() += address; break;
      case u'p': parts.back() += Number(page); break;
      case u'P': parts.back() += Number(pages); break;
      case u'&': parts.back() += u'&'; break;
      case u'd': {
        SYSTEMTIME st;
        GetLocalTime(&st);
        parts.back() += Number(st.wMonth) + u"/" + Number(st.wDay) + u"/" + Number(st.wYear);
        break;
      }
      case u'b':
        if (parts.size() < 3)
          parts.emplace_back();
        break;
      default:
        parts.back() += u'&';
        parts.back() += code;
    }
  }
  HeaderParts out;
  out.left = parts[0];
  if (parts.size() == 2) out.right = parts[1];
  if (parts.size() == 3) {
    out.centre = parts[1];
    out.right = parts[2];
  }
  return out;
}

std::string SpoolFolder() { return nux::PlatformRoot() + "/spool"; }

std::vector<std::string> SpoolJobs() {
  std::vector<std::string> jobs;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(SpoolFolder(), ec)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with("job-") && name.ends_with(".prn")) jobs.push_back(entry.path().string());
  }
  std::sort(jobs.begin(), jobs.end());
  return jobs;
}

bool PrintDocument(const Document& doc, const PageSetup& setup, PrintJob* job) {
  const double left = Inches(setup.marginLeft, 0.75), right = Inches(setup.marginRight, 0.75);
  const double top = Inches(setup.marginTop, 0.75), bottom = Inches(setup.marginBottom, 0.75);
  const size_t perPage = size_t(std::max(1.0, (11.0 - top - bottom) * 6 - 2));
  const size_t width = size_t(std::max(10.0, (8.5 - left - right) * 12));
  std::vector<std::u16string> lines = Lines(doc.Text().text(), width);
  const int pages = int(std::max<size_t>(1, (lines.size() + perPage - 1) / perPage));
  const std::u16string title = doc.title(), address = doc.url();

  std::string out = "NUX PRINT JOB\nTitle: " + nux::ToUtf8(title) + "\nAddress: " + nux::ToUtf8(address) +
                    "\nMargins: left=" + nux::ToUtf8(setup.marginLeft) + " top=" + nux::ToUtf8(setup.marginTop) +
                    " right=" + nux::ToUtf8(setup.marginRight) + " bottom=" + nux::ToUtf8(setup.marginBottom) +
                    "\nPages: " + std::to_string(pages) + "\n";
  for (int p = 1; p <= pages; ++p) {
    out += "=== Page " + std::to_string(p) + " ===\n";
    out += PartsLine("[H]", ExpandPrintCodes(setup.header, title, address, p, pages));
    for (size_t i = size_t(p - 1) * perPage; i < lines.size() && i < size_t(p) * perPage; ++i)
      out += nux::ToUtf8(lines[i]) + "\n";
    out += PartsLine("[F]", ExpandPrintCodes(setup.footer, title, address, p, pages));
  }

  std::error_code ec;
  std::filesystem::create_directories(SpoolFolder(), ec);
  int next = 1;
  for (const std::string& j : SpoolJobs()) {
    std::string name = std::filesystem::path(j).filename().string();
    next = std::max(next, std::atoi(name.c_str() + 4) + 1);
  }
  char name[32];
  std::snprintf(name, sizeof name, "job-%04d.prn", next);
  std::string path = SpoolFolder() + "/" + name;
  std::string temp = path + ".tmp";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f << out;
    f.flush();
    if (!f) {
      f.close();
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::vector<std::string> pictures = PrintPagePictures(doc, setup, path);
  if (pictures.empty()) return false;
  if (job) {
    job->path = path;
    job->pages = pages;
    job->pagePictures = std::move(pictures);
  }
  return true;
}

}  // namespace nux::browser
