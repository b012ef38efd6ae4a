// Starting the programs an install runs (the plug-in's pre-install program, its patch tool, the
// registration of a host component) and waiting for them to end.
#pragma once

#include <string>

enum class ProcessWindow {
  kShown,     // STARTF_USESHOWWINDOW with SW_SHOW
  kHidden,    // STARTF_USESHOWWINDOW with SW_HIDE
  kNoWindow,  // CREATE_NO_WINDOW
};

// Starts the command line (CreateProcessA), waits without limit for the process to end and
// closes its handles; false when the process cannot be started.
bool RunProcessAndWait(const std::string& commandLine, ProcessWindow window);
