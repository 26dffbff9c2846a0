#include "platform/savefile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<int> injectedFailure{0};
std::atomic<unsigned> tempCounter{0};

// Writes all of [data, data + size) or returns the errno that stopped it.
int writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= std::size_t(n);
    }
    return 0;
}

// Writes, flushes to the disk and closes; the first errno that stopped it.
int fillAndClose(int fd, const char* data, std::size_t size)
{
    int err = 0;
    if (const int injected = injectedFailure.load()) {
        // As a disk filling up: part of the content lands, then the error.
        writeAll(fd, data, size / 2);
        err = injected;
    } else {
        err = writeAll(fd, data, size);
    }
    if (err == 0)
        err = sync_to_disk(fd);
    if (::close(fd) != 0 && err == 0 && errno != EINTR)
        err = errno;
    return err;
}

// The file a path names: a link is followed, so the link itself stays.
std::string resolved(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) ? std::string(buf) : path;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

// Any thread.
int replace_file(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty())
        return EINVAL;
    const std::string target = resolved(path);
    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return EISDIR;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + '.' + std::to_string(::getpid()) + '-' + std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    if (hadOld && ::fchmod(fd, old.st_mode & 07777) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return err;
    }
    int err = fillAndClose(fd, static_cast<const char*>(data), size);
    if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temp.c_str());
    return err;
}

// Any thread. A file that cannot be synced (a pipe, some special files) has
// nothing to lose.
int sync_to_disk(int fd)
{
    if (::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS)
        return 0;
    return errno;
}

// Any thread.
std::string save_error_text(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "保存失败：磁盘空间不足";
    case EACCES:
    case EPERM:
    case EROFS:
        return "保存失败：没有写入权限";
    case ENOENT:
    case ENOTDIR:
        return "保存失败：找不到保存的文件夹";
    case EIO:
        return "保存失败：磁盘读写错误";
    default:
        break;
    }
    char buf[256] = {0};
    // The GNU form returns the text, which may not be in buf.
    const char* reason = ::strerror_r(error, buf, sizeof buf);
    return std::string("保存失败：") + (reason ? reason : "未知错误");
}

// Any thread. A hard link claims a free name without the race of a check
// followed by a rename; where links are not supported the check has to do.
std::string keep_bad_copy(const std::string& path)
{
    if (path.empty() || !exists(path))
        return std::string();
    for (int n = 1; n < 10000; ++n) {
        const std::string copy = n == 1 ? path + ".bad" : path + '.' + std::to_string(n) + ".bad";
        if (::link(path.c_str(), copy.c_str()) == 0) {
            ::unlink(path.c_str());
            return copy;
        }
        if (errno == EEXIST)
            continue;
        if (errno != EPERM && errno != ENOTSUP && errno != EXDEV && errno != EMLINK && errno != ENOSYS)
            return std::string();
        if (exists(copy))
            continue;
        return ::rename(path.c_str(), copy.c_str()) == 0 ? copy : std::string();
    }
    return std::string();
}

// Any thread.
void set_write_failure(int error) { injectedFailure.store(error); }

}  // namespace platform
