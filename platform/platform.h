// The window-system layer: everything the viewer and the GRIB display and
// input code need from the desktop.
#pragma once

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/system.h"
#include "platform/window.h"
