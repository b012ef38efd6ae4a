#include "mfc/treectrl.h"

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)
