#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/process.h"

namespace {

std::string makeTempDir()
{
    char tmpl[] = "/tmp/platform_process_XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? d : "";
}

// Waits for a file the child writes; the child runs on its own, so there is
// no process to wait for.
std::string waitForFile(const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        std::ifstream f(path);
        std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!s.empty() && s.back() == '\n')
            return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

}  // namespace

// The child gets its arguments verbatim, runs in the given folder, in a
// session of its own, without our open files.
TEST(StartDetached, RunsWithArgumentsInFolder)
{
    const std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    const std::string script = dir + "/child.sh";
    {
        std::ofstream s(script);
        s << "#!/bin/sh\nprintf '%s|%s|%s|' \"$1\" \"$2\" \"$(pwd)\" > out.tmp\n"
             "if [ -e /proc/$$/fd/$3 ]; then printf 'inherited|' >> out.tmp; fi\n"
             "ps -o sid= -p $$ | tr -d ' \\n' >> out.tmp\necho >> out.tmp\nmv out.tmp out.txt\n";
    }
    ASSERT_EQ(chmod(script.c_str(), 0700), 0);
    const int fd = open(script.c_str(), O_RDONLY);  // not close-on-exec
    ASSERT_GE(fd, 3);
    ASSERT_TRUE(platform::start_detached(script, {"a b", "ü&;", std::to_string(fd)}, dir));
    close(fd);
    const std::string out = waitForFile(dir + "/out.txt");
    const std::string sid = std::to_string(getsid(0));
    EXPECT_EQ(out.rfind("a b|ü&;|" + dir + "|", 0), 0u) << out;
    EXPECT_EQ(out.find("inherited"), std::string::npos) << out;
    EXPECT_EQ(out.find("|" + sid + "\n"), std::string::npos) << "still in our session: " << out;
    std::system(("rm -rf " + dir).c_str());
}

TEST(StartDetached, ReportsWhatCannotStart)
{
    const std::string dir = makeTempDir();
    const std::string plain = dir + "/plain";
    std::ofstream(plain) << "not a program\n";
    chmod(plain.c_str(), 0600);
    EXPECT_FALSE(platform::start_detached(dir + "/missing", {}));
    EXPECT_FALSE(platform::start_detached(plain, {}));
    EXPECT_FALSE(platform::start_detached("/bin/true", {}, dir + "/no-such-folder"));
    EXPECT_FALSE(platform::start_detached("", {}));
    EXPECT_TRUE(platform::start_detached("/bin/true", {}, dir));
    std::system(("rm -rf " + dir).c_str());
}
