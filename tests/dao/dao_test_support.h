// Shared pieces of the database tests: Windows paths of temporary files, catching the layer's
// exceptions, and a small content database like the library's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "com/com.h"
#include "dao/dao.h"
#include "test_support.h"

namespace daotest {

// The Windows path (Z:\...) of a Linux path.
std::u16string Win(const std::string& linuxPath);

struct DaoError {
  long code = 0;  // 0: nothing was thrown
  std::u16string message;
};
// Runs the body; the error it threw as CDaoException (deleted), or code 0.
DaoError Catch(const std::function<void()>& body);

// A value's text for comparisons ("" for NULL).
std::u16string Text(const COleVariant& v);
std::string Utf8(std::u16string_view s);

// Reads one column of every record of a recordset, in order.
std::vector<std::string> Column(CDaoRecordset& rs, const char16_t* column);

// Creates the content fixture: SV_MODULE, the two look-up tables and the three navigation
// trees, with a few rows each (see the .cpp), protected by the password when it is not empty.
void CreateContentDatabase(const std::u16string& path, const std::u16string& password);

}  // namespace daotest
