#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Writes errno to the report pipe and leaves the forked child.
[[noreturn]] void failChild(int fd)
{
    const int err = errno;
    ssize_t n = write(fd, &err, sizeof err);
    (void)n;
    _exit(127);
}

}  // namespace

// Any thread. Double fork: the middle child starts a new session and forks the
// real child, then exits at once so that we can reap it; the grandchild is
// adopted by init. A close-on-exec pipe tells us whether exec succeeded: it
// closes without data on success and carries errno otherwise.
bool start_detached(const std::string& program, const std::vector<std::string>& args, const std::string& workdir)
{
    if (program.empty())
        return false;
    // Everything the child needs is built before fork: only async-signal-safe
    // calls happen after it.
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t middle = fork();
    if (middle < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (middle == 0) {
        close(fds[0]);
        if (setsid() < 0)
            failChild(fds[1]);
        const pid_t child = fork();
        if (child < 0)
            failChild(fds[1]);
        if (child > 0)
            _exit(0);
        // Default signal handling and an empty mask for the new program.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        // The new program must not hold our sockets and files open (the
        // single-instance socket above all).
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (!workdir.empty() && chdir(workdir.c_str()) != 0)
            failChild(fds[1]);
        execv(program.c_str(), argv.data());
        failChild(fds[1]);
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = read(fds[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
