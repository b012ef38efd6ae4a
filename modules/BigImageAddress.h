// The address of a big picture as pages write it: "<path>?ws=<width>&hs=<height>", the two
// sizes in either order.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

// Splits the address at its first "?" into the picture's path and the query, and reads the
// width after "ws=" and the height after "hs=" of the query, each up to the next "&" or the
// end. FALSE (nothing to show) without a "?" or when either size is missing.
BOOL ParseBigImageAddress(const CString& address, CString& path, int& width, int& height);
