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
#include "ui/msgbox.h"
#include "ui/window.h"
