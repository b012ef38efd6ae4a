// Addresses of documents: Windows paths as "file:///" URLs and back, and links resolved
// against a document's address.
#pragma once

#include <string>
#include <string_view>

namespace nux::browser {

// "C:\Program Files\x.htm" -> "file:///C:/Program%20Files/x.htm": backslashes become slashes
// and blanks "%20"; nothing else is escaped.
std::u16string FileUrlFromPath(std::u16string_view winPath);
// The Windows path of a "file:" URL ("%XX" escapes decoded, slashes turned back); "" for
// other addresses.
std::u16string PathFromFileUrl(std::u16string_view url);
// An address relative to `base` made absolute. Absolute addresses ("mailto:", "http://",
// "file:///...") stay as they are; a drive path becomes its file URL; "#x" and "?x" attach to
// the base; other references resolve against the base's folder with "." and ".." removed,
// backslashes as slashes and blanks as "%20". A base without "//" leaves the reference as is.
std::u16string ResolveUrl(std::u16string_view base, std::u16string_view href);

}  // namespace nux::browser
