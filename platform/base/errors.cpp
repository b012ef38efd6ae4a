// The calling thread's last error, the English system message texts and the local heap.
#include "base/errors.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/codepage.h"
#include "base/wstr.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct MessageText {
  DWORD id;
  const char* text;
};

// English system texts, as Windows gives them (without the trailing line break).
const MessageText kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {7, "The storage control blocks were destroyed."},
    {8, "Not enough memory resources are available to process this command."},
    {9, "The storage control block address is invalid."},
    {11, "An attempt was made to load a program with an incorrect format."},
    {12, "The access code is invalid."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {16, "The directory cannot be removed."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {20, "The system cannot find the device specified."},
    {21, "The device is not ready."},
    {22, "The device does not recognize the command."},
    {23, "Data error (cyclic redundancy check)."},
    {24, "The program issued a command but the command length is incorrect."},
    {25, "The drive cannot locate a specific area or track on the disk."},
    {26, "The specified disk or diskette cannot be accessed."},
    {27, "The drive cannot find the sector requested."},
    {28, "The printer is out of paper."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {36, "Too many files opened for sharing."},
    {38, "Reached the end of the file."},
    {39, "The disk is full."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {54, "The network is busy."},
    {55, "The specified network resource or device is no longer available."},
    {65, "Network access is denied."},
    {67, "The network name cannot be found."},
    {80, "The file exists."},
    {82, "The directory or file cannot be created."},
    {87, "The parameter is incorrect."},
    {108, "The disk is in use or locked by another process."},
    {109, "The pipe has been ended."},
    {110, "The system cannot open the device or file specified."},
    {111, "The file name is too long."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {124, "The system call level is not correct."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {131, "An attempt was made to move the file pointer before the beginning of the file."},
    {132, "The file pointer cannot be set on the specified device or file."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {193, "%1 is not a valid Win32 application."},
    {203, "The system could not find the environment option that was entered."},
    {206, "The filename or extension is too long."},
    {232, "The pipe is being closed."},
    {233, "No process is on the other end of the pipe."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {299, "Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {487, "Attempt to access invalid address."},
    {1004, "Invalid flags."},
    {1006, "The volume for a file has been externally altered so that the opened file is no longer valid."},
    {1008, "An attempt was made to reference a token that does not exist."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1060, "The specified service does not exist as an installed service."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1114, "A dynamic link library (DLL) initialization routine failed."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1314, "A required privilege is not held by the client."},
    {1400, "Invalid window handle."},
    {1401, "Invalid menu handle."},
    {1402, "Invalid cursor handle."},
    {1410, "Class already exists."},
    {1411, "Class does not exist."},
    {1460, "This operation returned because the timeout period expired."},
    {1804, "The specified datatype is invalid."},
    {1812, "The specified image file did not contain a resource section."},
    {1813, "The specified resource type cannot be found in the image file."},
    {1814, "The specified resource name cannot be found in the image file."},
    {1815, "The specified resource language ID cannot be found in the image file."},
    // Common HRESULTs.
    {0x80004001u, "Not implemented"},
    {0x80004002u, "No such interface supported"},
    {0x80004003u, "Invalid pointer"},
    {0x80004004u, "Operation aborted"},
    {0x80004005u, "Unspecified error"},
    {0x8000FFFFu, "Catastrophic failure"},
};

// The message text as the message file holds it: the text and its line break.
bool LookUpMessage(DWORD id, std::string* text) {
  const char* t = nux::SystemErrorText(id);
  if (t == nullptr) return false;
  *text = t;
  *text += "\r\n";
  return true;
}

// Expands the escapes and inserts of a message. Inserts %1..%99 (with an optional !fmt!
// printf format) take their values from the argument list in order; with
// FORMAT_MESSAGE_IGNORE_INSERTS they stay as written. Returns false when an insert has no
// argument list or an unterminated format.
template <typename CharT>
bool Expand(const std::basic_string<CharT>& in, DWORD flags, va_list* args,
            std::basic_string<CharT>* out) {
  const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
  const DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
  std::basic_string<CharT> result;
  for (size_t i = 0; i < in.size(); ++i) {
    CharT c = in[i];
    if (width != 0 && (c == CharT('\r') || c == CharT('\n'))) {
      // With a width the message's own line breaks are dropped.
      if (c == CharT('\r') && i + 1 < in.size() && in[i + 1] == CharT('\n')) ++i;
      if (!result.empty() && result.back() != CharT(' ') && i + 1 < in.size()) result += CharT(' ');
      continue;
    }
    if (c != CharT('%') || i + 1 >= in.size()) {
      result += c;
      continue;
    }
    CharT d = in[i + 1];
    if (d >= CharT('1') && d <= CharT('9')) {
      size_t j = i + 2;
      if (j < in.size() && in[j] >= CharT('0') && in[j] <= CharT('9')) ++j;
      size_t fmtEnd = j;
      std::basic_string<CharT> fmt;
      if (j < in.size() && in[j] == CharT('!')) {
        size_t close = in.find(CharT('!'), j + 1);
        if (close == std::basic_string<CharT>::npos) return false;
        fmt = in.substr(j + 1, close - j - 1);
        fmtEnd = close + 1;
      }
      if (ignoreInserts) {
        result.append(in, i, fmtEnd - i);
      } else {
        // Inserts take their arguments in order; the format between the ! marks is a printf
        // conversion, a string by default.
        if (args == nullptr) return false;
        std::basic_string<CharT> spec(1, CharT('%'));
        spec += fmt.empty() ? std::basic_string<CharT>(1, CharT('s')) : fmt;
        result += nux::FormatFromList(spec.c_str(), args);
      }
      i = fmtEnd - 1;
      continue;
    }
    ++i;
    switch (d) {
      case CharT('0'):
        *out = result;
        return true;
      case CharT('n'):
        result += CharT('\r');
        result += CharT('\n');
        break;
      case CharT('r'):
        result += CharT('\r');
        break;
      case CharT('t'):
        result += CharT('\t');
        break;
      case CharT('b'):
        result += CharT(' ');
        break;
      default:
        result += d;  // %% %. %! and any other character stand for themselves
        break;
    }
  }
  if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) {
    // Wrap at spaces so that no line is longer than the width.
    std::basic_string<CharT> wrapped;
    size_t lineStart = 0;
    size_t lastSpace = std::basic_string<CharT>::npos;
    for (size_t i = 0; i < result.size(); ++i) {
      if (result[i] == CharT(' ')) lastSpace = i;
      if (i - lineStart >= width && lastSpace != std::basic_string<CharT>::npos && lastSpace >= lineStart) {
        wrapped.append(result, lineStart, lastSpace - lineStart);
        wrapped += CharT('\r');
        wrapped += CharT('\n');
        lineStart = lastSpace + 1;
        lastSpace = std::basic_string<CharT>::npos;
      }
    }
    wrapped.append(result, lineStart, std::basic_string<CharT>::npos);
    result = wrapped;
  }
  *out = result;
  return true;
}

template <typename CharT>
DWORD Deliver(const std::basic_string<CharT>& text, DWORD flags, CharT* buffer, DWORD size) {
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    if (buffer == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    size_t chars = text.size() + 1;
    if (chars < size) chars = size;
    auto* block = static_cast<CharT*>(LocalAlloc(LMEM_FIXED, chars * sizeof(CharT)));
    if (block == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(CharT));
    *reinterpret_cast<CharT**>(buffer) = block;
    return DWORD(text.size());
  }
  if (buffer == nullptr || text.size() + 1 > size) {
    SetLastError(buffer == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(CharT));
  return DWORD(text.size());
}

// The message before its inserts are expanded, in the wide form.
bool Source(DWORD flags, LPCVOID source, bool wideSource, DWORD messageId, std::u16string* wide,
            std::string* narrow) {
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    if (source == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    if (wideSource) {
      *wide = static_cast<const char16_t*>(source);
    } else {
      *narrow = static_cast<const char*>(source);
    }
    return true;
  }
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
    // Message tables of modules are not supported.
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return false;
  }
  std::string text;
  if (!LookUpMessage(messageId, &text)) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return false;
  }
  if (wideSource) {
    *wide = nux::AnsiToWide(text);
  } else {
    *narrow = text;
  }
  return true;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD error) { t_lastError = error; }

DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                     DWORD size, va_list* arguments) {
  (void)languageId;
  std::u16string raw;
  std::string unused;
  if (!Source(flags, source, true, messageId, &raw, &unused)) return 0;
  std::u16string text;
  if (!Expand(raw, flags, arguments, &text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Deliver(text, flags, buffer, size);
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments) {
  (void)languageId;
  std::u16string unused;
  std::string raw;
  if (!Source(flags, source, false, messageId, &unused, &raw)) return 0;
  std::string text;
  if (!Expand(raw, flags, arguments, &text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Deliver(text, flags, buffer, size);
}

namespace {
// Each local block carries its size in front of the caller's bytes.
struct LocalHeader {
  SIZE_T size;
  SIZE_T pad;  // keeps the caller's bytes 16-byte aligned
};
}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  void* raw = (flags & LMEM_ZEROINIT) ? std::calloc(1, sizeof(LocalHeader) + bytes)
                                      : std::malloc(sizeof(LocalHeader) + bytes);
  if (raw == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* header = static_cast<LocalHeader*>(raw);
  header->size = bytes;
  return header + 1;
}

HLOCAL LocalFree(HLOCAL memory) {
  if (memory != nullptr) std::free(static_cast<LocalHeader*>(memory) - 1);
  return nullptr;
}

SIZE_T LocalSize(HLOCAL memory) {
  if (memory == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return (static_cast<LocalHeader*>(memory) - 1)->size;
}

LPVOID LocalLock(HLOCAL memory) { return memory; }

BOOL LocalUnlock(HLOCAL memory) {
  (void)memory;
  SetLastError(NO_ERROR);  // fixed blocks are never locked
  return FALSE;
}

namespace nux {

const char* SystemErrorText(DWORD error) {
  // HRESULTs of the Win32 facility carry a Win32 code in their low word.
  if ((error & 0xFFFF0000u) == 0x80070000u) error &= 0xFFFFu;
  for (const MessageText& m : kMessages) {
    if (m.id == error) return m.text;
  }
  return nullptr;
}

}  // namespace nux
