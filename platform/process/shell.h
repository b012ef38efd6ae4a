// The shell: opening a file or address with whatever the user's desktop opens it with, and the
// user's shell folders.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/types.h"

// ---- ShellExecute -------------------------------------------------------------------
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#ifndef ERROR_NO_ASSOCIATION
#define ERROR_NO_ASSOCIATION 1155L
#endif

// Opens a file or an address ("open", or no verb) through the platform's shell handler and does
// not wait for what it starts. A file is given to the handler as its Linux path and must exist
// (else SE_ERR_FNF, ERROR_FILE_NOT_FOUND); an address with a scheme ("http://...", "mailto:...")
// is given as it is. Without a shell handler, or for another verb, nothing is started and the
// result is SE_ERR_NOASSOC with ERROR_NO_ASSOCIATION. Success returns a value above 32 (42).
// Programs are opened like any other file: the handler decides what to do with them.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd);
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd);
#ifdef _UNICODE
#define ShellExecute ShellExecuteW
#else
#define ShellExecute ShellExecuteA
#endif

// ---- shell folders ------------------------------------------------------------------
#define CSIDL_PERSONAL 0x0005
#define CSIDL_MYDOCUMENTS CSIDL_PERSONAL
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_DONT_VERIFY 0x4000
#define CSIDL_FLAG_MASK 0xFF00
#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

// The user's documents folder (CSIDL_PERSONAL) is C:\users\user\Documents under the platform
// root; it is created on first use, as a user's profile always holds it. Other folders:
// E_INVALIDARG. path receives at most MAX_PATH characters.
HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);
HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);
#ifdef _UNICODE
#define SHGetFolderPath SHGetFolderPathW
#else
#define SHGetFolderPath SHGetFolderPathA
#endif

namespace nux::process {

// What ShellExecute hands to the shell handler.
struct ShellRequest {
  std::string verb;        // "open"
  std::string target;      // Linux path of the file (UTF-8), or the address as given
  std::u16string file;     // the file or address as the caller gave it
  std::string parameters;  // UTF-8; empty when none
  std::string directory;   // Linux path of the folder given, empty when none
  int show = 0;
};

// The shell handler: a function (tests: it records the request; false makes ShellExecute fail
// with SE_ERR_NOASSOC), or a command the target is handed to (NUX_SHELL_HANDLER, e.g.
// "xdg-open": started without waiting). Neither: ShellExecute fails (SE_ERR_NOASSOC).
using ShellHandler = std::function<bool(const ShellRequest& request)>;
void SetShellHandler(ShellHandler handler);
void SetShellCommand(std::vector<std::string> command);
// Forgets both calls (the environment decides again).
void ResetShellHandler();

}  // namespace nux::process
