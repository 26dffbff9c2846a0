// A small file system mounted over a folder and filled to the last byte, for
// tests of writers on a full disk. Mounting needs the rights (root, or a user
// allowed to mount); where they are missing, mounted() is false and the test
// skips itself.
#pragma once

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

class FullDisk {
public:
    // Mounts a 64 KiB file system over `folder` (made when missing).
    explicit FullDisk(const std::string& folder) : folder_(folder)
    {
        ::mkdir(folder_.c_str(), 0755);
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k,mode=0755") == 0)
            mounted_ = true;
        else
            why_ = std::strerror(errno);
    }
    ~FullDisk()
    {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

    // Writes a filler file until not one byte more fits; true when the file
    // system said it is full.
    bool fill()
    {
        const int fd = ::open(filler().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const std::string block(4096, 'x');
        int err = 0;
        for (int i = 0; i < 10000 && err == 0; ++i) {
            if (::write(fd, block.data(), block.size()) < 0)
                err = errno;
        }
        for (int i = 0; i < 8192 && err == 0; ++i) {
            if (::write(fd, "x", 1) < 0)
                err = errno;
        }
        ::close(fd);
        return err == ENOSPC;
    }
    // Makes room again.
    bool free() { return ::unlink(filler().c_str()) == 0; }
    std::string filler() const { return folder_ + "/.filler"; }

private:
    std::string folder_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace testsupport
