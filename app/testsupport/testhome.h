// A fresh home for one test process: HOME and XDG_DATA_HOME point into a
// temporary folder made before the QApplication exists, so the program's data
// directory ($XDG_DATA_HOME/Tarvolin) never touches the user's own files.
#pragma once

#include <QString>

namespace testsupport {

// Makes the temporary home and sets HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and
// XDG_RUNTIME_DIR under it (once per process); returns its path.
QString setUpTestHome();

// The folder setUpTestHome made.
QString testHome();

// $XDG_DATA_HOME/Tarvolin of the test home.
QString testDataDir();

}  // namespace testsupport
