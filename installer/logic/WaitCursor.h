// The application's wait cursor for the life of the object: BeginWaitCursor of the application
// object, or without one the system's wait cursor and the one before it put back afterwards.
#pragma once

#include "base/types.h"

class CWinApp;

class ScopedWaitCursor {
 public:
  ScopedWaitCursor();
  ~ScopedWaitCursor();
  ScopedWaitCursor(const ScopedWaitCursor&) = delete;
  ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

 private:
  CWinApp* app_ = nullptr;
  HCURSOR previous_ = nullptr;
};
