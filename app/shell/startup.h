// The program's entry function: crash reporter, version check, single
// instance, the login window, then (after a sign-in) the quote side and the
// main window; on exit the quote engine is stopped and its thread joined.
#pragma once

struct StartupOptions {
    // The market-data library's version check; replaceable for tests.
    int (*versionCheck)(int major, int minor, int patch) = nullptr;  // null: __quote_version_check
};

// Before the first window: a window's frame after an update request starts at
// once, not after Qt's idle wait of 5 ms, so input shows that much sooner (the
// replies of a push still draw one frame: the quote frame gate holds them). A
// value of QT_QPA_UPDATE_IDLE_TIME the user set is kept.
void startFramesAtOnce();

// Returns the process exit code: 1 when the version check fails, else 0.
int runTarvolin(int argc, char** argv, const StartupOptions& options = StartupOptions());
