// Time from starting the program to its first QML window being exposed:
// build/bin/Tarvolin runs with a plain window as its login document and
// reports (and ends) at that window's first expose. Each iteration is one
// whole process start in a fresh home. Offscreen unless a display is set
// (run under xvfb-run for an X server). A start counts only when the program
// then ends normally; TARVOLIN_BENCH_PROGRAM names another program to start.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string makeHome()
{
    char tmpl[] = "/tmp/tarvolin-bench-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    return dir ? dir : "";
}

// Starts the program and reads its output to the end, then reaps it. Empty
// when it reported its first expose and ended normally; otherwise what went
// wrong, so that a crash on the way is never counted as a start.
std::string runToFirstExpose(const std::string& home, const std::string& document)
{
    int out[2];
    if (::pipe(out) != 0)
        return "could not make a pipe";
    const char* other = ::getenv("TARVOLIN_BENCH_PROGRAM");
    const std::string program = other && *other ? other : std::string(TARVOLIN_BIN_DIR) + "/Tarvolin";
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return "could not start a process";
    }
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        if (!::getenv("DISPLAY") && !::getenv("QT_QPA_PLATFORM"))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("TARVOLIN_TEST_LOGIN_QML", document.c_str(), 1);
        ::setenv("TARVOLIN_TEST_QUIT", "exposed", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    // Read to the end: a pipe closed early would end the program by SIGPIPE.
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof(buf))) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    const bool exposed = text.find("exposed\n") != std::string::npos;
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != pid)
        return program + ": could not wait for the process";
    const std::string when = exposed ? " after its first expose" : " before its first expose";
    if (WIFSIGNALED(status))
        return program + ": ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
               ::strsignal(WTERMSIG(status)) + ")" + when;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return program + ": exited with status " + std::to_string(WEXITSTATUS(status)) + when;
    if (!exposed)
        return program + ": ended without reporting its first expose";
    return {};
}

void BM_ProcessStartToFirstWindowExposed(benchmark::State& state)
{
    const std::string home = makeHome();
    const std::string document = home + "/window.qml";
    std::ofstream(document) << "import QtQuick 2.15\nimport QtQuick.Window 2.15\n"
                               "Window { visible: true; width: 640; height: 480 }\n";
    for (auto _ : state) {
        const std::string failure = runToFirstExpose(home, document);
        if (!failure.empty()) {
            std::fprintf(stderr, "start-up measurement failed: %s\n", failure.c_str());
            state.SkipWithError(failure.c_str());
            break;
        }
    }
    std::remove(document.c_str());
}
BENCHMARK(BM_ProcessStartToFirstWindowExposed)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
