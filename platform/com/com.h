// The component layer in one include: automation values, interfaces and class ids,
// COleVariant and the shared-library version blocks.
#pragma once

#include "com/oleauto.h"
#include "com/unknown.h"
#include "com/olevariant.h"
#include "com/libversion.h"
