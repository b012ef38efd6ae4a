// Creating one-field indexes on a table definition that is being built (the bookmark store
// makes its table this way).
#pragma once

#include "base/types.h"
#include "dao/dao.h"

class NUXUtils {
 public:
  // Appends to `tableDef` an index named like `fieldName` on that one field, ascending, with
  // the given primary and unique flags (clustered, ignore-nulls, required and foreign all off).
  // TRUE on success; a database error is swallowed and gives FALSE, the table staying without
  // the index.
  static BOOL CreateIndex(CDaoTableDef& tableDef, LPCWSTR fieldName, BOOL primary, BOOL unique);
};
