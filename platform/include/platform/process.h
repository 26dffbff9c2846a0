// Starting a program detached from this process, where the original asked the
// system to start a process with no parent tie: the child runs in its own
// session, outlives this process and is never waited for.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts `program` (a path; not searched in PATH) with `args` in the folder
// `workdir` (the current folder when empty), detached. True once the program
// has been executed; false when it could not be started (missing, not
// executable, bad folder), with nothing left running.
bool start_detached(const std::string& program, const std::vector<std::string>& args,
                    const std::string& workdir = std::string());

}  // namespace platform
