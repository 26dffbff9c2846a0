#include "platform/savefile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

// Opens a regular file for reading without waiting on a pipe or a device;
// the descriptor, or -1 with errno set (EISDIR for anything not a regular
// file).
int openToRead(const std::string& path, struct stat* st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    int err = ::fstat(fd, st) != 0 ? errno : 0;
    if (err == 0 && !S_ISREG(st->st_mode))
        err = EISDIR;
    if (err != 0) {
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

// Whether a file is at `path` that this process cannot read; errno of the
// refusal in *error.
bool unreadable(const std::string& path, int* error)
{
    struct stat st;
    const int fd = openToRead(path, &st);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    *error = errno;
    return errno != ENOENT;
}

// Puts a rename in `dir` on the disk; 0 or the errno of the sync. A folder
// that cannot be opened has its rename synced by the file system's own
// schedule.
int syncFolder(const std::string& dir)
{
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int err = sync_to_disk(fd);
    ::close(fd);
    return err;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether `name` is "<something>.<digits>-<digits>.tmp"; the digits before
// the dash in *pid.
bool isTempName(const std::string& name, long* pid)
{
    static const std::string suffix = ".tmp";
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::size_t end = name.size() - suffix.size();
    std::size_t i = end;
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9')
        --i;
    if (i == end || i == 0 || name[i - 1] != '-')
        return false;
    end = i - 1;
    i = end;
    while (i > 0 && name[i - 1] >= '0' && name[i - 1] <= '9')
        --i;
    if (i == end || end - i > 9 || i < 2 || name[i - 1] != '.')
        return false;
    *pid = std::strtol(name.substr(i, end - i).c_str(), nullptr, 10);
    return true;
}

}  // namespace

// Any thread.
int replace_file(const std::string& path, const void* data, std::size_t size, std::string* keptAs)
{
    if (keptAs)
        keptAs->clear();
    if (path.empty())
        return EINVAL;
    const std::string target = resolved(path);
    struct stat old;
    const bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return EISDIR;
    int readError = 0;
    const bool oldUnreadable = hadOld && unreadable(target, &readError);

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
    // The permissions of a file that could not be read are not taken over:
    // the new content has to be readable again.
    const mode_t mode = hadOld && !oldUnreadable ? (old.st_mode & 07777) | S_IRUSR | S_IWUSR : S_IRUSR | S_IWUSR;
    if (::fchmod(fd, mode) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return err;
    }
    int err = fillAndClose(fd, static_cast<const char*>(data), size);
    std::string kept;
    if (err == 0 && oldUnreadable) {
        kept = keep_bad_copy(target);
        if (kept.empty())
            err = errno != 0 ? errno : EACCES;
    }
    if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        if (!kept.empty() && ::rename(kept.c_str(), target.c_str()) == 0)
            kept.clear();
    }
    if (err != 0) {
        ::unlink(temp.c_str());
        return err;
    }
    if (keptAs)
        *keptAs = kept;
    return syncFolder(folderOf(target));
}

// Any thread.
int read_file(const std::string& path, std::string* bytes, std::size_t limit)
{
    bytes->clear();
    if (path.empty())
        return ENOENT;
    struct stat st;
    const int fd = openToRead(path, &st);
    if (fd < 0)
        return errno == ENOTDIR ? ENOENT : errno;
    if (std::uint64_t(st.st_size) > limit) {
        ::close(fd);
        return EFBIG;
    }
    std::string out;
    out.reserve(std::size_t(st.st_size));
    char buf[65536];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno == EAGAIN ? EIO : errno;
            break;
        }
        if (n == 0)
            break;
        if (out.size() + std::size_t(n) > limit) {
            err = EFBIG;
            break;
        }
        out.append(buf, std::size_t(n));
    }
    ::close(fd);
    if (err == 0)
        bytes->swap(out);
    return err;
}

// Any thread.
std::string read_error_text(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return "没有读取权限";
    case EISDIR:
        return "不是普通文件";
    case EIO:
        return "磁盘读写错误";
    case EFBIG:
        return "文件过大";
    default:
        break;
    }
    char buf[256] = {0};
    const char* reason = ::strerror_r(error, buf, sizeof buf);
    return reason ? reason : "未知错误";
}

// Any thread.
int remove_stale_temp_files(const std::string& dir)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (const dirent* e = ::readdir(d)) {
        long pid = 0;
        if (!isTempName(e->d_name, &pid))
            continue;
        // A process still running may be finishing its save: the program
        // restarting itself starts the next one before it ends.
        if (pid <= 0 || pid > INT_MAX || ::kill(pid_t(pid), 0) == 0 || errno == EPERM)
            continue;
        const std::string path = dir + '/' + e->d_name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(d);
    return removed;
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
void set_write_failure(int error)
{
    injectedFailure.store(error);
}

}  // namespace platform
