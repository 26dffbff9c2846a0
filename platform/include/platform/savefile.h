// Replacing a whole file so that a full disk, a write error or a crash never
// leaves it short: the new bytes go into a fresh file beside the old one,
// which is written completely, flushed to the disk and closed before it is
// renamed over the old one. Every writer of the program, the screening
// dialog and the updater goes through here.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Any thread. Replaces the file at `path` (a link is followed to its target)
// with `size` bytes of `data`. Returns 0 when the new content is in place,
// otherwise the errno of the step that failed (ENOSPC for a full disk); the
// old file then stays as it was and no temporary file is left behind. The
// rename is synced with the folder, so a power cut keeps it.
// A new file is the owner's only (0600); a replaced one keeps its own
// permissions, always readable and writable by its owner. An old file that
// is there but cannot be read (mode 000 after a restore, say) is never lost
// under the new one: once the new content is wholly on the disk the old file
// is moved aside (keep_bad_copy) and its new name stored in `*keptAs`; when
// it cannot be moved the save fails and both stay as they were.
int replace_file(const std::string& path, const void* data, std::size_t size, std::string* keptAs = nullptr);
inline int replace_file(const std::string& path, const std::string& data, std::string* keptAs = nullptr)
{
    return replace_file(path, data.data(), data.size(), keptAs);
}

// Any thread. Reads the whole regular file at `path` into `*bytes`. Returns 0
// when it was read, ENOENT when there is no file (nothing at the path), and
// any other errno when a file is there but cannot be read: EACCES for one the
// user may not read, EISDIR for a folder or anything else that is not a
// regular file, EIO for a read error, EFBIG for a file over `limit` bytes.
// `*bytes` is empty unless the file was read.
int read_file(const std::string& path, std::string* bytes, std::size_t limit = std::size_t(256) << 20);

// Any thread. The reason a read failed with `error`, for "无法读取…" texts:
// "没有读取权限", "不是普通文件", "磁盘读写错误", "文件过大" or the system's
// reason (UTF-8).
std::string read_error_text(int error);

// Any thread. Removes from the folder `dir` the temporary files of saves
// that a process cut short ("<name>.<pid>-<n>.tmp" of a process that is no
// longer running; a live one may still be finishing its save). Called at
// start for the program's own folders. Returns how many were removed.
int remove_stale_temp_files(const std::string& dir);

// Any thread. Puts what was written to the open file `fd` on the disk, for
// writers that fill a file of their own before renaming it into place; 0 or
// the errno (a file system that reserves space late reports a full disk
// only here).
int sync_to_disk(int fd);

// Any thread. The text the user sees for a save that failed with `error`:
// "保存失败：磁盘空间不足" for a full disk or quota, "保存失败：没有写入权限"
// for a refused or read-only place, "保存失败：" and the system's reason
// otherwise (UTF-8).
std::string save_error_text(int error);

// Any thread. Moves a file that could not be read out of the way before
// anything is written in its place: to "<path>.bad", or to "<path>.2.bad",
// "<path>.3.bad", ... when earlier copies are there, so no copy is ever
// written over. Returns the name it now has, or "" when it was missing or
// could not be moved.
std::string keep_bad_copy(const std::string& path);

// Any thread. A writer-level injection point for tests: while `error` is not
// 0, every replace_file fails with it once part of the new content is
// written, as on a disk that fills up. 0 ends it.
void set_write_failure(int error);

}  // namespace platform
