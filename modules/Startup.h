// The start-up check that decides whether the library's load succeeds, and the install-error
// box that reports why it did not.
#pragma once

#include "base/types.h"

// The image control version the library needs.
#define NUXSV_REQUIRED_CONTROL_VERSION u"2.0.7.6"
#define NUXSV_IMAGE_CONTROL_PROGID u"ZAROREZO.ImageCtrl.1"

// Runs, in order: configuration loaded, user-interface content location present, image
// control registered in at least `requiredVersion`, the cursors (system arrow, then "Pointer",
// "Wait" and "Cross"), OLE. Stops at the first that fails: shows the install error with its
// reason and returns 0. Returns 1 when all pass.
int CheckEngineComponents(LPCWSTR requiredVersion);

// The "Install" text of section "Errors" of NUX.INI (or its built-in default) with its first
// "%s" replaced by the reason and every "<BR>" by a line feed, in a message box with
// MB_ICONHAND.
void ShowInstallError(LPCWSTR reason);
