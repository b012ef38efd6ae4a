#include "DebugPrint.h"

#include <cstdarg>
#include <cstdio>

void DebugPrint(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  // vsnprintf always terminates; a longer text is cut at the buffer's end.
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  OutputDebugStringA(buffer);
}
