// The display set-up shared by the window-system tests.
#include "tests/platform/display_env.inc"
