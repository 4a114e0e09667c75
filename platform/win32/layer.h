// What the Windows files of the layer share among themselves.
#pragma once

#include "platform/win32/native.h"

namespace platform {

// Drops the record of what was copied into a window (it is being destroyed,
// and its handle may be reused).
void ForgetPresented(NativeHWND window);

}  // namespace platform
