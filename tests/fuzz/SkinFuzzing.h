#pragma once

#include <QString>

// Reads the package's name as the catalogue does, loads it, and composes a frame with the
// skin it loaded. Checks that the catalogue and the load agree and that a loaded skin lies
// within the package limits.
void LoadAndCompose(const QString& path, bool rotate);
