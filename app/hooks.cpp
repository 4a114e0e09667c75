#include "app/hooks.h"

ViewerHooks g_viewerHooks;
