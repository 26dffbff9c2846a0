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
// old file then stays as it was and no temporary file is left behind. A new
// file gets the usual permissions (0666 less the umask), a replaced one keeps
// its own.
int replace_file(const std::string& path, const void* data, std::size_t size);
inline int replace_file(const std::string& path, const std::string& data)
{
    return replace_file(path, data.data(), data.size());
}

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
