// The class library's window layer in one include: command targets and message maps, windows,
// dialogs and data exchange, threads and the application object, module states, device
// contexts and drawing objects, menus, the standard controls, the tree control and ActiveX
// containment.
#pragma once

#include "mfc/afxmsg.h"
#include "mfc/cmdtarget.h"
#include "mfc/collections.h"
#include "mfc/cstring.h"
#include "mfc/ctrls.h"
#include "mfc/dc.h"
#include "mfc/dialog.h"
#include "mfc/exceptions.h"
#include "mfc/gdiobj.h"
#include "mfc/geometry.h"
#include "mfc/menu.h"
#include "mfc/modstate.h"
#include "mfc/msgthunks.h"
#include "mfc/object.h"
#include "mfc/olecontrol.h"
#include "mfc/treectrl.h"
#include "mfc/winapp.h"
#include "mfc/wnd.h"
