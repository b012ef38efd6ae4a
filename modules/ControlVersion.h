// The version test of a registered control: the version of the in-process server file that
// the registry names for a ProgID.
#pragma once

#include "base/types.h"
#include "res/version.h"

// TRUE when the in-process server file registered for the ProgID has at least the version.
BOOL CheckControlVersion(LPCWSTR progId, int major, int minor, int build, int revision);

// The fixed file-version record of a file; 1 on success, 0 when it has no version.
int ReadFileVersion(LPCWSTR path, VS_FIXEDFILEINFO* info);

// TRUE when the record's file version is at least major.minor.build.revision.
BOOL CompareVersions(const VS_FIXEDFILEINFO& info, int major, int minor, int build, int revision);
