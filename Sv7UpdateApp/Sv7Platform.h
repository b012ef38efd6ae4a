// The platform calls the update program uses.
#pragma once

#include "base/codepage.h"
#include "base/errors.h"
#include "base/types.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "process/process.h"
#include "registry/registry.h"
#include "res/resources.h"
#include "res/version.h"

// ---- shell folders ----------------------------------------------------------------
// Declared weak: a platform build without it still links, and the caller treats a missing
// function as a failed call (no documents folder, so no user folders are created).
#ifndef CSIDL_PERSONAL
#define CSIDL_PERSONAL 0x0005
#endif
#ifndef CSIDL_FLAG_CREATE
#define CSIDL_FLAG_CREATE 0x8000
#endif

HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE token, DWORD flags, LPSTR path) __attribute__((weak));
