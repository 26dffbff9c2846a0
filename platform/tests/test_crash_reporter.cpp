// The crash reporter writes its report and the process still dies of the
// signal it got.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/crashreporter.h"

namespace {

std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        }
        ::closedir(d);
    }
    return names;
}

}  // namespace

// Names worked out by hand: 0 is 1970-01-01 00:00:00; 1765000000 is
// 2025-12-06 05:46:40 UTC (20427 days and 20800 s).
TEST(CrashReporter, ReportNameIsUtcTime)
{
    EXPECT_EQ(platform::crash_report_name(0), "19700101-000000.txt");
    EXPECT_EQ(platform::crash_report_name(1765000000), "20251206-054640.txt");
    EXPECT_EQ(platform::crash_report_name(951782400), "20000229-000000.txt");
}

TEST(CrashReporter, WritesReportThenDiesOfTheSameSignal)
{
    char tmpl[] = "/tmp/crashrep-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    for (int sig : {SIGSEGV, SIGABRT}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (!platform::install_crash_reporter({"Tarvolin", "v1", "http://127.0.0.1:7710/crash-reporter/", dir}))
                ::_exit(3);
            ::raise(sig);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), sig);
        const std::vector<std::string> reports = filesIn(dir + "/crash");
        ASSERT_EQ(reports.size(), 1u);
        std::ifstream in(dir + "/crash/" + reports[0]);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str().rfind("Tarvolin v1\nendpoint http://127.0.0.1:7710/crash-reporter/\n", 0), 0u)
            << text.str();
        EXPECT_NE(text.str().find("signal " + std::to_string(sig) + "\nbacktrace:\n"), std::string::npos) << text.str();
        ::unlink((dir + "/crash/" + reports[0]).c_str());
    }
    ::rmdir((dir + "/crash").c_str());
    ::rmdir(dir.c_str());
}

TEST(CrashReporter, UnusableDirectoryIsReportedNotFatal)
{
    EXPECT_FALSE(platform::install_crash_reporter({"Tarvolin", "v1", "", "/proc/no-such-dir"}));
}
