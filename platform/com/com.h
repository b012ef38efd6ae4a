// The component layer in one include: automation values, interfaces and class ids,
// COleVariant, the shared-library version blocks and OLE drag and drop.
#pragma once

#include "com/oleauto.h"
#include "com/unknown.h"
#include "com/olevariant.h"
#include "com/libversion.h"
#include "com/dragdrop.h"
