// Printing of documents: the print engine's header and footer codes, and print jobs written
// into the platform's spool folder (<platform root>/spool), where tests and hosts read them.
//
// A job is a UTF-8 text file "job-NNNN.prn": the title, address and margins, then each page
// with its header line, its lines of the document's rendered text and its footer line. A page
// holds (11 - top - bottom margin in inches) * 6 - 2 lines of text, at least one; a line holds
// (8.5 - left - right margin) * 12 characters, at least ten (longer lines wrap at a blank
// where there is one).
#pragma once

#include <string>
#include <vector>

#include "browser/dom.h"

namespace nux::browser {

struct PageSetup {
  std::u16string header;
  std::u16string footer;
  // Margins in inches, as text (the page-setup values are stored so).
  std::u16string marginLeft = u"0.75", marginTop = u"0.75", marginRight = u"0.75", marginBottom = u"0.75";
};

struct HeaderParts {
  std::u16string left, centre, right;
};

// Expands the codes: &w the title, &u the address, &d the date (M/D/YYYY, local time), &p the
// page number, &P the number of pages, && an ampersand; &b breaks into the next part: text
// before the first &b is left-aligned, with one &b the rest is right-aligned, with two the
// middle part is centred and the rest right-aligned. Other codes stay as they are.
HeaderParts ExpandPrintCodes(std::u16string_view codes, std::u16string_view title, std::u16string_view address,
                             int page, int pages);

struct PrintJob {
  std::string path;  // Linux path of the job file
  int pages = 0;
  // Each printed page as a picture beside the job file ("job-NNNN-pK.png"): the page laid out
  // at the paper's width (8.5 x 11 inches at 96 dots per inch) inside the margins, with its
  // header and footer in the top and bottom margins.
  std::vector<std::string> pagePictures;
};

// Lays out the document's rendered text (document's title and address for the codes) and
// writes the job and its page pictures. False when the spool folder or a file cannot be
// written.
bool PrintDocument(const Document& doc, const PageSetup& setup, PrintJob* job = nullptr);

std::string SpoolFolder();
// Writes the page pictures of a print (see PrintJob); the paths of the files written, empty
// when one could not be written.
std::vector<std::string> PrintPagePictures(const Document& doc, const PageSetup& setup, const std::string& jobPath);
// Linux paths of the jobs in the spool folder, oldest first.
std::vector<std::string> SpoolJobs();

}  // namespace nux::browser
