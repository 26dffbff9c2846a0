/* Preloaded into the updater by the kill tests: counts every rename and link
 * of the process (appending "<n> <call> <from> <to>" to $UPDATER_STEP_LOG) and
 * kills the process with SIGKILL just before step $UPDATER_KILL_AT_STEP. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static int counter;

static void step(const char* call, const char* from, const char* to)
{
    const int n = __atomic_add_fetch(&counter, 1, __ATOMIC_SEQ_CST);
    const char* log = getenv("UPDATER_STEP_LOG");
    if (log) {
        const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            dprintf(fd, "%d %s %s %s\n", n, call, from, to);
            close(fd);
        }
    }
    const char* at = getenv("UPDATER_KILL_AT_STEP");
    if (at && atoi(at) == n)
        kill(getpid(), SIGKILL);
}

__attribute__((visibility("default"))) int rename(const char* from, const char* to)
{
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    step("rename", from, to);
    return real(from, to);
}

__attribute__((visibility("default"))) int link(const char* from, const char* to)
{
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "link");
    step("link", from, to);
    return real(from, to);
}
