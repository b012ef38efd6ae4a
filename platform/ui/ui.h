// The whole window system in one include.
#pragma once

#include "ui/window.h"
#include "ui/sysparams.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/menu.h"
#include "ui/msgbox.h"
#include "ui/caret.h"
#include "ui/cursor.h"
#include "ui/icon.h"
#include "ui/clipboard.h"
