#include "platform/processcontrol.h"

#include "platform/process.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The executable's path with links resolved; the path as given when it no
// longer exists (a running program whose file was removed still names it).
std::string resolvedPath(const std::string& path)
{
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf))
        return buf;
    return path;
}

bool sameUser(int pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 4, "Uid:") == 0)
            return std::strtoul(line.c_str() + 4, nullptr, 10) == ::getuid();
    }
    return false;
}

// True while `pid` runs `target`; a zombie or a reused pid no longer does.
bool runs(int pid, const std::string& target)
{
    char buf[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return false;
    const std::string exe(buf, static_cast<size_t>(n));
    return exe == target || exe == target + " (deleted)";
}

int openPidfd(int pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

struct Target {
    int pid;
    int pidfd;  // -1 when pidfds are unavailable
    bool gone = false;
};

void sendSignal(Target& t, int sig)
{
#ifdef SYS_pidfd_send_signal
    if (t.pidfd >= 0) {
        ::syscall(SYS_pidfd_send_signal, t.pidfd, sig, nullptr, 0);
        return;
    }
#endif
    ::kill(t.pid, sig);
}

// Waits until every target has ended or the deadline passed; true when all ended.
bool waitGone(std::vector<Target>& targets, const std::string& exe, Clock::time_point deadline)
{
    for (;;) {
        bool all = true;
        std::vector<pollfd> fds;
        for (Target& t : targets) {
            if (!t.gone && !runs(t.pid, exe))
                t.gone = true;
            if (t.gone)
                continue;
            all = false;
            if (t.pidfd >= 0)
                fds.push_back({t.pidfd, POLLIN, 0});
        }
        if (all)
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        // A pidfd wakes us as soon as its process ends; without one, look again
        // every 20 ms.
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        int timeout = static_cast<int>(left < 20 ? left + 1 : 20);
        if (fds.size() == targets.size())
            timeout = static_cast<int>(left + 1);
        ::poll(fds.data(), fds.size(), timeout);
        for (const pollfd& p : fds) {
            if (p.revents == 0)
                continue;
            for (Target& t : targets) {
                if (t.pidfd == p.fd)
                    t.gone = true;
            }
        }
    }
}

class LinuxProcessControl : public ProcessControl {
public:
    StopResult stop(const std::string& executable, std::chrono::milliseconds grace) override
    {
        const std::string exe = resolvedPath(executable);
        std::vector<Target> targets;
        for (int pid : findProcesses(exe)) {
            const int fd = openPidfd(pid);
            // The pid may have been reused between the scan and the open.
            if (fd >= 0 && !runs(pid, exe)) {
                ::close(fd);
                continue;
            }
            targets.push_back({pid, fd});
        }
        StopResult result;
        result.found = static_cast<int>(targets.size());
        for (Target& t : targets)
            sendSignal(t, SIGTERM);
        if (!waitGone(targets, exe, Clock::now() + grace)) {
            for (Target& t : targets) {
                if (!t.gone) {
                    sendSignal(t, SIGKILL);
                    ++result.killed;
                }
            }
            result.allGone = waitGone(targets, exe, Clock::now() + std::chrono::seconds(2));
        }
        for (Target& t : targets) {
            if (t.pidfd >= 0)
                ::close(t.pidfd);
        }
        return result;
    }

    bool restart(const std::string& executable, const std::vector<std::string>& args,
                 const std::string& workingDirectory) override
    {
        struct stat st;
        if (::stat(executable.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        const mode_t mode = st.st_mode & 07777;
        if ((mode & S_IRUSR) && !(mode & S_IXUSR)) {
            // Execute wherever read is allowed: r-- -> r-x for owner, group, others.
            if (::chmod(executable.c_str(), mode | ((mode & 0444) >> 2)) != 0)
                return false;
        }
        return start_detached(executable, args, workingDirectory);
    }
};

}  // namespace

std::vector<int> findProcesses(const std::string& executable)
{
    const std::string exe = resolvedPath(executable);
    std::vector<int> pids;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    const int self = ::getpid();
    while (dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        if (runs(static_cast<int>(pid), exe) && sameUser(static_cast<int>(pid)))
            pids.push_back(static_cast<int>(pid));
    }
    ::closedir(proc);
    return pids;
}

std::unique_ptr<ProcessControl> makeProcessControl()
{
    return std::make_unique<LinuxProcessControl>();
}

}  // namespace platform
