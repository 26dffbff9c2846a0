// The program's per-user data directory: $XDG_DATA_HOME/Tarvolin
// (~/.local/share/Tarvolin), readable by the user only.
#pragma once

#include <QString>

// The directory, created (mode 0700) when missing; no trailing '/'. Every
// caller gets the same path, whatever the executable is called.
QString dataDirectory();
