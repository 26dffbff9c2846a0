#include "platform/crashreporter.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Filled at install time: the handler only copies from these.
char g_folder[1024];
char g_header[2048];
size_t g_headerLength = 0;
char g_altStack[64 * 1024];

// Async-signal-safe helpers.
void appendText(char* out, size_t cap, size_t* len, const char* text)
{
    while (*text && *len + 1 < cap)
        out[(*len)++] = *text++;
    out[*len] = '\0';
}

void appendNumber(char* out, size_t cap, size_t* len, long long value, int width)
{
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long long v =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && n < 20);
    while (n < width)
        digits[n++] = '0';
    if (negative)
        appendText(out, cap, len, "-");
    while (n > 0 && *len + 1 < cap)
        out[(*len)++] = digits[--n];
    out[*len] = '\0';
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(long long z, long long* y, unsigned* m, unsigned* d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

void formatName(long long seconds, char* out, size_t cap)
{
    size_t len = 0;
    out[0] = '\0';
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    long long y;
    unsigned m, d;
    civilFromDays(days, &y, &m, &d);
    appendNumber(out, cap, &len, y, 4);
    appendNumber(out, cap, &len, m, 2);
    appendNumber(out, cap, &len, d, 2);
    appendText(out, cap, &len, "-");
    appendNumber(out, cap, &len, rest / 3600, 2);
    appendNumber(out, cap, &len, rest / 60 % 60, 2);
    appendNumber(out, cap, &len, rest % 60, 2);
    appendText(out, cap, &len, ".txt");
}

void writeAll(int fd, const char* data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
}

void onCrash(int sig)
{
    const int savedErrno = errno;
    char path[1200];
    size_t len = 0;
    path[0] = '\0';
    appendText(path, sizeof(path), &len, g_folder);
    appendText(path, sizeof(path), &len, "/");
    char name[64];
    formatName(static_cast<long long>(::time(nullptr)), name, sizeof(name));
    appendText(path, sizeof(path), &len, name);
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        writeAll(fd, g_header, g_headerLength);
        char line[64];
        size_t n = 0;
        line[0] = '\0';
        appendText(line, sizeof(line), &n, "signal ");
        appendNumber(line, sizeof(line), &n, sig, 1);
        appendText(line, sizeof(line), &n, "\nbacktrace:\n");
        writeAll(fd, line, n);
        void* frames[64];
        const int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    // Default action again, then the same signal: the process ends as it
    // would have without the reporter (core dump, exit status).
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof(dfl));
    dfl.sa_handler = SIG_DFL;
    ::sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    errno = savedErrno;
    ::raise(sig);
}

}  // namespace

std::string crash_report_name(long long unixSeconds)
{
    char name[64];
    formatName(unixSeconds, name, sizeof(name));
    return name;
}

bool install_crash_reporter(const CrashReporterInfo& info)
{
    const std::string folder = info.directory + "/crash";
    if (folder.size() + 64 >= sizeof(g_folder))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    std::memcpy(g_folder, folder.c_str(), folder.size() + 1);

    const std::string header = info.appName + " " + info.appVersion + "\nendpoint " + info.endpoint + "\n";
    g_headerLength = header.size() < sizeof(g_header) ? header.size() : sizeof(g_header) - 1;
    std::memcpy(g_header, header.data(), g_headerLength);

    // backtrace() loads its unwinder on first use; do that now, not in the handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    stack_t stack;
    std::memset(&stack, 0, sizeof(stack));
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof(g_altStack);
    ::sigaltstack(&stack, nullptr);  // a stack overflow still gets its report

    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = &onCrash;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    bool ok = true;
    for (int sig : kSignals)
        ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

}  // namespace platform
