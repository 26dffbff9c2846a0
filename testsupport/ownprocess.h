// RUN_IN_OWN_PROCESS(): the first line of a test case that needs a process of
// its own. The quote engine runs once per process (it cannot start again after
// its shutdown), and some cases change state that lives as long as the process
// (the library's code tables, the program's data folder and stores), so such a
// case cannot share its process with another one. When the test program runs
// this case alone (as ctest does), the line does nothing; when it runs several
// cases (a developer running the whole program, shuffled or not), the case is
// run again in a child process of the same program with a filter naming only
// it, and its result is this case's. Cases that share no such state keep
// running in one process.
//
// TARVOLIN_TEST_WHOLE=1 (CI's run of each program whole, beside ctest's one
// case per process) skips these cases instead: ctest runs each of them alone,
// and the whole run is there to catch state leaking between the others.
#ifndef TESTSUPPORT_OWNPROCESS_H
#define TESTSUPPORT_OWNPROCESS_H

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace own_process {

inline constexpr const char* kChildVariable = "TARVOLIN_TEST_OWN_PROCESS";
inline constexpr const char* kWholeVariable = "TARVOLIN_TEST_WHOLE";

enum class Where {
    here,  // run the case in this process
    skip,  // a whole run: ctest runs the case alone
    done,  // it ran in a child; its result is recorded
};

inline Where decide()
{
    if (std::getenv(kChildVariable))
        return Where::here;
    const ::testing::UnitTest* unit = ::testing::UnitTest::GetInstance();
    if (unit->test_to_run_count() <= 1)
        return Where::here;
    if (std::getenv(kWholeVariable))
        return Where::skip;
    const ::testing::TestInfo* info = unit->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(kChildVariable, "1", 1);
        char* const argv[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(filter.c_str()),
                              const_cast<char*>("--gtest_brief=1"), nullptr};
        ::execv("/proc/self/exe", argv);
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "could not run " << filter << " in a process of its own";
        return Where::done;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ADD_FAILURE() << "the case failed in its own process (" << filter << "; status " << status
                      << "): its report is above";
    return Where::done;
}

}  // namespace own_process

#define TARVOLIN_OWN_PROCESS_SKIP_TEXT "runs in a process of its own (ctest runs it alone)"

// The switch behind both macros below; `on_done` is what the case does when a
// child ran it.
#define TARVOLIN_OWN_PROCESS_DECIDE(on_done)                \
    do {                                                    \
        switch (own_process::decide()) {                    \
        case own_process::Where::here:                      \
            break;                                          \
        case own_process::Where::skip:                      \
            GTEST_SKIP() << TARVOLIN_OWN_PROCESS_SKIP_TEXT; \
        case own_process::Where::done:                      \
            on_done;                                        \
        }                                                   \
    } while (0)

#define RUN_IN_OWN_PROCESS() TARVOLIN_OWN_PROCESS_DECIDE(return )

// The same for a fixture whose SetUp starts the engine: its first line. A case
// run in a child shows here as skipped, with the child's result.
#define SET_UP_IN_OWN_PROCESS() TARVOLIN_OWN_PROCESS_DECIDE(GTEST_SKIP() << "ran in a process of its own")

#endif
