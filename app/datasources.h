// Where the viewer's data comes from, and its own settings.
#pragma once

// Mounts the game's archives in the viewer's order (add-on archives, then
// .UFO archives, then the game's own and the viewer's archive) and marks the
// shadowed entries.
void MountDataSources();
