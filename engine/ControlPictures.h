// Where the pictures of the library's controls come from: every picture name of a button,
// check box or image (the title of its dialog-template item, or a name the library sets later)
// is taken relative to the configuration's UI folder, unless it is absolute, and read through
// CResourceFile: a loose file, or else an entry of the nearest ".nux" archive up its path. So
// "TitleDict.bmp" is UI\TitleDict.bmp or the entry TitleDict.bmp of UI.nux, and
// "Controls\Back.bmp" is UI\Controls\Back.bmp or the entry Back.bmp of UI\Controls.nux.
// Never the process's current folder: without a UI folder a relative name finds nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EngineConfig.h"

// The path that a picture name stands for under the configuration; "" when there is none.
CString ControlPicturePath(const CEngineConfig& config, const std::u16string& name);

// Reads the named picture whole; false, with `bytes` empty, when it cannot be read (a missing
// file or entry, a damaged archive, a picture over 64 MiB).
bool ReadControlPicture(const CEngineConfig& config, const std::u16string& name, std::vector<uint8_t>& bytes);
