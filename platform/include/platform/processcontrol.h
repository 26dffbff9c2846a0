// Stopping and restarting an installed program (the updater's work around an
// install).
//
// Stopping never goes by name: only processes whose executable
// (/proc/<pid>/exe) is exactly the given file and whose real user is ours are
// signalled, SIGTERM first and SIGKILL for those still running after the grace
// period. Restarting starts the file detached (its own session, not our child),
// in a given working directory.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct StopResult {
    int found = 0;   // matching processes when the stop began
    int killed = 0;  // of those, the ones that needed SIGKILL
    bool allGone = true;
};

class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    // Stops every process of ours running `executable` (an absolute path;
    // symbolic links are resolved). Blocks up to `grace` plus a short wait
    // after SIGKILL.
    virtual StopResult stop(const std::string& executable,
                            std::chrono::milliseconds grace = std::chrono::seconds(5)) = 0;

    // Starts `executable` detached (start_detached) with `args` in
    // `workingDirectory`. When its owner may read but not execute it, execute
    // is first allowed wherever read is (a file put in place by a plain copy
    // may have lost its execute bits). False when it could not be started.
    virtual bool restart(const std::string& executable, const std::vector<std::string>& args,
                         const std::string& workingDirectory) = 0;
};

// The implementation over /proc and pidfds.
std::unique_ptr<ProcessControl> makeProcessControl();

// Pids of the processes of our real user whose executable is exactly
// `executable` (the calling process excluded).
std::vector<int> findProcesses(const std::string& executable);

}  // namespace platform
