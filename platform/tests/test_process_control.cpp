// Stopping by exact executable and restarting detached, with real processes:
// copies of /bin/sleep in temporary folders stand in for the installed program.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/processcontrol.h"

namespace {

struct TempDir {
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/proccontrolXXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

std::string copySleep(const std::string& dir, const std::string& name)
{
    const std::string target = dir + "/" + name;
    std::ifstream in("/bin/sleep", std::ios::binary);
    std::ofstream out(target, std::ios::binary);
    out << in.rdbuf();
    out.close();
    ::chmod(target.c_str(), 0755);
    return target;
}

// Starts `program 60` as our child; with ignoreTerm the child ignores SIGTERM
// (the disposition survives exec).
pid_t spawn(const std::string& program, bool ignoreTerm = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (ignoreTerm)
            ::signal(SIGTERM, SIG_IGN);
        ::execl(program.c_str(), program.c_str(), "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Wait until the child has exec'd the program.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (platform::findProcesses(program).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return pid;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool waitForFile(const std::string& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = readFile(path);
        if (!text.empty() && text.back() == '\n')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

TEST(ProcessControl, StopsOnlyTheExactExecutableWithSigterm)
{
    TempDir a, b;
    const std::string appA = copySleep(a.path, "app");
    const std::string appB = copySleep(b.path, "app");
    const pid_t pa = spawn(appA);
    const pid_t pb = spawn(appB);
    ASSERT_EQ(platform::findProcesses(appA), std::vector<int>{pa});

    // A path through a symbolic link names the same file.
    const std::string link = b.path + "/link";
    ASSERT_EQ(::symlink(appA.c_str(), link.c_str()), 0);
    const platform::StopResult r = platform::makeProcessControl()->stop(link);
    EXPECT_EQ(r.found, 1);
    EXPECT_EQ(r.killed, 0);
    EXPECT_TRUE(r.allGone);

    int status = 0;
    ASSERT_EQ(::waitpid(pa, &status, 0), pa);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    // The other copy, same name in another folder, still runs.
    EXPECT_EQ(::waitpid(pb, &status, WNOHANG), 0);
    EXPECT_EQ(platform::findProcesses(appB), std::vector<int>{pb});
    ::kill(pb, SIGKILL);
    ::waitpid(pb, &status, 0);
}

TEST(ProcessControl, KillsWhatOutlivesTheGracePeriod)
{
    TempDir d;
    const std::string app = copySleep(d.path, "stubborn");
    const pid_t pid = spawn(app, true);
    const auto started = std::chrono::steady_clock::now();
    const platform::StopResult r = platform::makeProcessControl()->stop(app, std::chrono::milliseconds(200));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_EQ(r.found, 1);
    EXPECT_EQ(r.killed, 1);
    EXPECT_TRUE(r.allGone);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
}

TEST(ProcessControl, StopWithNothingRunningFindsNothing)
{
    TempDir d;
    const std::string app = copySleep(d.path, "idle");
    const platform::StopResult r = platform::makeProcessControl()->stop(app);
    EXPECT_EQ(r.found, 0);
    EXPECT_TRUE(r.allGone);
}

TEST(ProcessControl, RestartStartsDetachedInTheFolderAndRestoresExecute)
{
    TempDir d;
    const std::string script = d.path + "/prog";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\npwd > cwd\necho \"$1\" > arg\necho $$ > pid\nexec /bin/sleep 30\n";
    }
    ::chmod(script.c_str(), 0644);
    auto control = platform::makeProcessControl();
    ASSERT_TRUE(control->restart(script, {"x y"}, d.path));
    ASSERT_TRUE(waitForFile(d.path + "/pid"));
    const int pid = std::atoi(readFile(d.path + "/pid").c_str());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(readFile(d.path + "/cwd"), d.path + "\n");
    EXPECT_EQ(readFile(d.path + "/arg"), "x y\n");
    struct stat st;
    ASSERT_EQ(::stat(script.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    // Not our child, and in a session of its own.
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), -1);
    EXPECT_NE(::getsid(pid), ::getsid(0));
    ::kill(pid, SIGKILL);

    EXPECT_FALSE(control->restart(d.path + "/missing", {}, d.path));
    EXPECT_FALSE(control->restart(d.path, {}, d.path));
}
