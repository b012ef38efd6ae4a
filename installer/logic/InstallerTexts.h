// The installer's texts from the string resources of the running program.
#pragma once

#include <string>

#include "base/types.h"

// The text of string resource id (Windows-1252); empty when the program has none.
std::string LoadInstallerText(UINT id);
