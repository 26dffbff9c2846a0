// Tests of unreadable files run as root, which reads and writes any file
// whatever its mode. While a WithoutFileOverride lives, the calling thread
// has put down the capabilities behind that override (CAP_DAC_OVERRIDE,
// CAP_DAC_READ_SEARCH, CAP_FOWNER), so a file of mode 000 is as closed to it
// as to a user's own program; they are taken up again at the end. Threads
// started meanwhile inherit the lowered set. Under an ordinary user the
// object changes nothing. active() tells whether a mode-000 file is really
// closed now: a test skips itself when it is not.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <linux/capability.h>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

class WithoutFileOverride {
public:
    WithoutFileOverride()
    {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
        changed_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutFileOverride()
    {
        if (changed_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

    // Whether a file of mode 000 cannot be opened now.
    static bool active()
    {
        char path[] = "/tmp/nofileoverride_XXXXXX";
        const int fd = ::mkstemp(path);
        if (fd < 0)
            return false;
        ::close(fd);
        ::chmod(path, 0);
        const int probe = ::open(path, O_RDONLY | O_CLOEXEC);
        if (probe >= 0)
            ::close(probe);
        ::unlink(path);
        return probe < 0;
    }

    // The command that starts a program without the override (a root
    // process's children take up every capability again): setpriv with
    // those capabilities out of the bounding set, then the program and its
    // arguments.
    static std::vector<std::string> childPrefix()
    {
        return {"setpriv", "--bounding-set=-dac_override,-dac_read_search,-fowner", "--"};
    }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

}  // namespace testsupport
