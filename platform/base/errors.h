// Error codes of the calling thread (GetLastError), system message texts (FormatMessage) and
// the local heap that FormatMessage allocates its buffers from.
#pragma once

#include <cstdarg>

#include "base/types.h"

// The last error of the calling thread; each thread has its own.
DWORD GetLastError();
void SetLastError(DWORD error);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

// Sources: FORMAT_MESSAGE_FROM_SYSTEM gives the English system text of the error code, ending
// in "\r\n"; FORMAT_MESSAGE_FROM_STRING formats `source`. Inserts %1..%99 (optionally with a
// printf format between ! marks, "%1!d!") take the arguments in order from `arguments`, or
// stay as written with FORMAT_MESSAGE_IGNORE_INSERTS. Message tables of modules are not
// supported. With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really a pointer to
// a pointer that receives a LocalAlloc'ed buffer (free it with LocalFree). Returns the number
// of characters written without the terminating NUL, 0 on failure (unknown code:
// ERROR_MR_MID_NOT_FOUND; buffer too small: ERROR_INSUFFICIENT_BUFFER).
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                     DWORD size, va_list* arguments);
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);
#ifdef _UNICODE
#define FormatMessage FormatMessageW
#else
#define FormatMessage FormatMessageA
#endif

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// The local heap: plain malloc'ed blocks. LMEM_MOVEABLE is treated as fixed (the handle is
// the block's address). LocalFree returns NULL on success.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);
SIZE_T LocalSize(HLOCAL memory);
LPVOID LocalLock(HLOCAL memory);
BOOL LocalUnlock(HLOCAL memory);

namespace nux {
// The English system text of an error code without the trailing "\r\n"; nullptr if unknown.
const char* SystemErrorText(DWORD error);
}  // namespace nux
