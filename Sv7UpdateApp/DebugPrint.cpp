#include "DebugPrint.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

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

void OutputDebugStringA(LPCSTR text) {
  if (text == nullptr) return;
  // Both threads of the program write diagnostics; one at a time keeps their lines whole.
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  const char* target = std::getenv("NUX_DEBUG_OUTPUT");
  if (target != nullptr && *target != '\0') {
    if (FILE* f = std::fopen(target, "ab")) {
      std::fputs(text, f);
      std::fclose(f);
      return;
    }
  }
  std::fputs(text, stderr);
  std::fflush(stderr);
}
