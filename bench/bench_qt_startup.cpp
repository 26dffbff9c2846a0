// Time from starting the program to its first QML window being exposed:
// build/bin/Tarvolin runs with a plain window as its login document and
// reports (and ends) at that window's first expose. Each iteration is one
// whole process start in a fresh home. Offscreen unless a display is set
// (run under xvfb-run for an X server).
#include <benchmark/benchmark.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string makeHome()
{
    char tmpl[] = "/tmp/tarvolin-bench-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    return dir ? dir : "";
}

// Starts the program, reads its output until the "exposed" line; true when
// it came. The process is then reaped.
bool runToFirstExpose(const std::string& home, const std::string& document)
{
    int out[2];
    if (::pipe(out) != 0)
        return false;
    const pid_t pid = ::fork();
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
        const std::string program = std::string(TARVOLIN_BIN_DIR) + "/Tarvolin";
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[256];
    bool exposed = false;
    ssize_t n;
    while (!exposed && (n = ::read(out[0], buf, sizeof(buf))) > 0) {
        text.append(buf, static_cast<size_t>(n));
        exposed = text.find("exposed\n") != std::string::npos;
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return exposed;
}

void BM_ProcessStartToFirstWindowExposed(benchmark::State& state)
{
    const std::string home = makeHome();
    const std::string document = home + "/window.qml";
    std::ofstream(document) << "import QtQuick 2.15\nimport QtQuick.Window 2.15\n"
                               "Window { visible: true; width: 640; height: 480 }\n";
    for (auto _ : state) {
        if (!runToFirstExpose(home, document)) {
            state.SkipWithError("the program did not report its first expose");
            break;
        }
    }
    std::remove(document.c_str());
}
BENCHMARK(BM_ProcessStartToFirstWindowExposed)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
