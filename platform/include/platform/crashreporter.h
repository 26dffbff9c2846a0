// Crash reporting. Where the original installed a reporter that collected a
// minidump and uploaded it, this one writes a text report (signal and
// backtrace) into <directory>/crash/<time>.txt, restores the signal's default
// action and raises it again, so the process still ends as it would have.
// Nothing is uploaded; the endpoint is kept for the report only.
#pragma once

#include <string>

namespace platform {

struct CrashReporterInfo {
    std::string appName;
    std::string appVersion;
    std::string endpoint;   // where a report would go; written into the report
    std::string directory;  // the program's data directory
};

// Installs handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT. Returns
// false when the crash folder or a handler cannot be set up; callers go on
// without a reporter.
bool install_crash_reporter(const CrashReporterInfo& info);

// The report file name for a time: "YYYYMMDD-HHMMSS.txt" (UTC).
std::string crash_report_name(long long unixSeconds);

}  // namespace platform
