#include "UpdateFlags.h"

std::atomic<BYTE> DialogClosed{0};
std::atomic<BYTE> UpdateDone{0};
std::atomic<BYTE> CancelRequested{0};
