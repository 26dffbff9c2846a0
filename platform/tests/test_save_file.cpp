#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fulldisk.h"
#include "nofileoverride.h"
#include "platform/savefile.h"

namespace {

std::string makeTempDir()
{
    char tmpl[] = "/tmp/platform_savefile_XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? d : "";
}

std::string readAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void writePlain(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

std::set<std::string> entries(const std::string& dir)
{
    std::set<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..")
                out.insert(n);
        }
        closedir(d);
    }
    return out;
}

std::string names(const std::set<std::string>& s)
{
    std::string out;
    for (const std::string& n : s)
        out += n + " ";
    return out;
}

// A folder of its own; the injected failure never outlives a test.
class SaveFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        platform::set_write_failure(0);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string dir;
};

// A small file system over a folder, filled to the last byte, where one may
// be mounted; elsewhere the test is skipped.
class FullDisk : public SaveFile {
protected:
    void SetUp() override
    {
        SaveFile::SetUp();
        mnt = dir + "/mnt";
        disk = std::make_unique<testsupport::FullDisk>(mnt);
        if (!disk->mounted())
            GTEST_SKIP() << "cannot mount a small file system here (" << disk->why() << ")";
        writePlain(mnt + "/doc.json", kOld);
        ASSERT_TRUE(disk->fill());
    }
    void TearDown() override
    {
        disk.reset();
        SaveFile::TearDown();
    }
    static constexpr const char* kOld = R"({"paintArray":[{"type":"CPaintLine"},{"type":"CPaintRect"}]})";
    std::string mnt;
    std::unique_ptr<testsupport::FullDisk> disk;
};

mode_t modeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

TEST_F(SaveFile, ReplacesWholeAndKeepsPermissions)
{
    const std::string path = dir + "/doc.json";
    ::umask(022);
    ASSERT_EQ(platform::replace_file(path, std::string("first")), 0);
    EXPECT_EQ(readAll(path), "first");
    EXPECT_EQ(modeOf(path), 0600u) << "a new file is the owner's only";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(platform::replace_file(path, std::string("second, longer")), 0);
    EXPECT_EQ(readAll(path), "second, longer");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(platform::replace_file(path, std::string()), 0);
    EXPECT_EQ(readAll(path), "");
    EXPECT_EQ(entries(dir), std::set<std::string>{"doc.json"}) << names(entries(dir));
}

// A replaced file keeps its permissions, but its owner can always read and
// write the new content; one that could not be read is moved aside first.
TEST_F(SaveFile, AnUnreadableOldFileIsKeptAsideAndTheNewOneIsReadable)
{
    testsupport::WithoutFileOverride asUser;
    if (!asUser.active())
        GTEST_SKIP() << "mode 000 files stay readable here";
    struct Case {
        mode_t before;
        mode_t after;
        bool keptAside;
    };
    const Case cases[] = {
        {0640, 0640, false}, {0400, 0600, false}, {0, 0600, true}, {0200, 0600, true}, {0044, 0600, true}};
    const std::string path = dir + "/Quorvex.json";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.before));
        ::unlink((path + ".bad").c_str());
        writePlain(path, "old results");
        ASSERT_EQ(chmod(path.c_str(), c.before), 0);
        std::string kept = "?";
        ASSERT_EQ(platform::replace_file(path, std::string("new results"), &kept), 0);
        EXPECT_EQ(readAll(path), "new results");
        EXPECT_EQ(modeOf(path), c.after);
        EXPECT_EQ(kept, c.keptAside ? path + ".bad" : "");
        if (c.keptAside) {
            EXPECT_EQ(modeOf(path + ".bad"), c.before) << "the copy is the old file itself";
            ASSERT_EQ(chmod((path + ".bad").c_str(), 0600), 0);
            EXPECT_EQ(readAll(path + ".bad"), "old results");
        }
        std::set<std::string> expected{"Quorvex.json"};
        if (c.keptAside)
            expected.insert("Quorvex.json.bad");
        EXPECT_EQ(entries(dir), expected) << names(entries(dir));
    }
    // A save that fails leaves the unreadable file where it was.
    writePlain(path, "old results");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ::unlink((path + ".bad").c_str());
    platform::set_write_failure(ENOSPC);
    EXPECT_EQ(platform::replace_file(path, std::string("new results")), ENOSPC);
    platform::set_write_failure(0);
    EXPECT_EQ(entries(dir), std::set<std::string>{"Quorvex.json"}) << names(entries(dir));
    EXPECT_EQ(modeOf(path), 0u);
}

// "Missing" and "cannot be read" are different answers.
TEST_F(SaveFile, ReadTellsMissingFromUnreadable)
{
    testsupport::WithoutFileOverride asUser;
    if (!asUser.active())
        GTEST_SKIP() << "mode 000 files stay readable here";
    writePlain(dir + "/plain", "text");
    writePlain(dir + "/closed", "text");
    ASSERT_EQ(chmod((dir + "/closed").c_str(), 0), 0);
    writePlain(dir + "/empty", "");
    writePlain(dir + "/big", std::string(100, 'x'));
    ASSERT_EQ(mkdir((dir + "/folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
    struct Case {
        const char* name;
        int error;
        const char* bytes;
    };
    const Case cases[] = {
        {"plain", 0, "text"},   {"empty", 0, ""},       {"missing", ENOENT, ""}, {"plain/below", ENOENT, ""},
        {"closed", EACCES, ""}, {"folder", EISDIR, ""}, {"pipe", EISDIR, ""},    {"big", EFBIG, ""},
    };
    for (const Case& c : cases) {
        std::string bytes = "left over";
        EXPECT_EQ(platform::read_file(dir + "/" + c.name, &bytes, 99), c.error) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
    EXPECT_EQ(platform::read_error_text(EACCES), "没有读取权限");
    EXPECT_EQ(platform::read_error_text(EISDIR), "不是普通文件");
    EXPECT_EQ(platform::read_error_text(EFBIG), "文件过大");
}

// The id of a process that has ended.
std::string endedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return std::to_string(child);
}

// What a save cut short by a kill leaves beside its file is removed at the
// next start; a running process's own and everything else stay.
TEST_F(SaveFile, StaleTemporaryFilesAreRemoved)
{
    const std::string self = std::to_string(getpid());
    const std::string ended = endedProcess();
    const std::string stale[] = {"Quorvex.json." + ended + "-0.tmp", "index.param." + ended + "-41.tmp",
                                 "600000-1-33.json." + ended + "-3.tmp"};
    const std::string kept[] = {"Quorvex.json",
                                "Quorvex.json.bad",
                                "x.tmp",
                                "a.1-.tmp",
                                "a.-1.tmp",
                                "a-1.tmp",
                                "a." + ended + "-2.tmp.bad",
                                "notes." + ended + "-3.txt",
                                "doc.json." + self + "-0.tmp",
                                "doc.json.1-0.tmp"};
    for (const std::string& n : stale)
        writePlain(dir + "/" + n, "part");
    for (const std::string& n : kept)
        writePlain(dir + "/" + n, "keep");
    ASSERT_EQ(mkdir((dir + "/sub." + ended + "-5.tmp").c_str(), 0755), 0);
    EXPECT_EQ(platform::remove_stale_temp_files(dir), 3);
    std::set<std::string> expected(std::begin(kept), std::end(kept));
    expected.insert("sub." + ended + "-5.tmp");
    EXPECT_EQ(entries(dir), expected) << names(entries(dir));
    EXPECT_EQ(platform::remove_stale_temp_files(dir + "/missing"), 0);
}

// Each rename is put on the disk with its folder (a power cut after the
// save must not bring the old file back): traced by strace on the saves of
// another test of this program.
TEST_F(SaveFile, TheRenameIsSyncedWithItsFolder)
{
    if (std::system("strace -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed";
    char self[PATH_MAX] = {0};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string log = dir + "/trace.log";
    // LeakSanitizer cannot run under a tracer: a sanitizer build leaves it off for the traced run.
    const std::string cmd =
        "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace -f -qq -e trace=openat,rename,fdatasync,fsync -o '" +
        log + "' '" + self + "' --gtest_filter=SaveFile.ReplacesWholeAndKeepsPermissions >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(log);
    std::string line, folder, fd;
    int renames = 0, synced = 0;
    while (std::getline(in, line)) {
        if (line.find("rename(") != std::string::npos && line.find("doc.json\") = 0") != std::string::npos) {
            ++renames;
            const std::size_t to = line.find(", \"") + 3;
            const std::string target = line.substr(to, line.find('"', to) - to);
            folder = target.substr(0, target.rfind('/'));
            fd.clear();
        } else if (!folder.empty() && line.find("openat(AT_FDCWD, \"" + folder + "\"") != std::string::npos &&
                   line.find("O_DIRECTORY") != std::string::npos) {
            fd = line.substr(line.rfind("= ") + 2);
        } else if (!fd.empty() && (line.find("fdatasync(" + fd + ")") != std::string::npos ||
                                   line.find("fsync(" + fd + ")") != std::string::npos)) {
            ++synced;
            folder.clear();
            fd.clear();
        }
    }
    EXPECT_EQ(renames, 3);
    EXPECT_EQ(synced, renames) << "renames not followed by a sync of their folder";
}

TEST_F(SaveFile, FollowsALinkAndKeepsIt)
{
    const std::string real = dir + "/real.json";
    const std::string link = dir + "/link.json";
    writePlain(real, "old");
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(platform::replace_file(link, std::string("new")), 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readAll(real), "new");
}

// Each way a save can fail: the old content stays and nothing is left over.
TEST_F(SaveFile, FailureLeavesTheOldFile)
{
    struct Case {
        const char* what;
        std::string path;
        int injected;
        int expected;
    };
    const std::string doc = dir + "/doc.json";
    const Case cases[] = {
        {"full disk", doc, ENOSPC, ENOSPC},
        {"quota", doc, EDQUOT, EDQUOT},
        {"write error", doc, EIO, EIO},
        {"missing folder", dir + "/no/such/doc.json", 0, ENOENT},
        {"a folder in the way", dir + "/sub", 0, EISDIR},
        {"empty path", "", 0, EINVAL},
    };
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    for (const Case& c : cases) {
        writePlain(doc, "old content");
        platform::set_write_failure(c.injected);
        EXPECT_EQ(platform::replace_file(c.path, std::string(10000, 'n')), c.expected) << c.what;
        platform::set_write_failure(0);
        EXPECT_EQ(readAll(doc), "old content") << c.what;
        EXPECT_EQ(entries(dir), (std::set<std::string>{"doc.json", "sub"})) << c.what << ": " << names(entries(dir));
    }
    // The disk has room again: the next save goes through.
    ASSERT_EQ(platform::replace_file(doc, std::string("new")), 0);
    EXPECT_EQ(readAll(doc), "new");
}

TEST_F(SaveFile, ReadOnlyFolderIsRefused)
{
    testsupport::WithoutFileOverride asUser;
    if (!asUser.active())
        GTEST_SKIP() << "this user writes into read-only folders";
    const std::string doc = dir + "/doc.json";
    writePlain(doc, "old");
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    EXPECT_EQ(platform::replace_file(doc, std::string("new")), EACCES);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    EXPECT_EQ(readAll(doc), "old");
}

TEST_F(FullDisk, OldFileStaysWhole)
{
    // Small enough to sit in a write buffer: only a checked write sees the
    // full disk.
    const std::string small = R"({"paintArray":[]})";
    const std::string path = mnt + "/doc.json";
    EXPECT_EQ(platform::replace_file(path, small), ENOSPC);
    EXPECT_EQ(readAll(path), kOld);
    EXPECT_EQ(platform::replace_file(mnt + "/new.json", small), ENOSPC);
    EXPECT_EQ(entries(mnt), (std::set<std::string>{"doc.json", ".filler"})) << names(entries(mnt));
    // Room again: the same save goes through.
    ASSERT_TRUE(disk->free());
    EXPECT_EQ(platform::replace_file(path, small), 0);
    EXPECT_EQ(readAll(path), small);
}

// On a full disk an unreadable old file is not moved: the save fails before.
TEST_F(FullDisk, AnUnreadableOldFileStaysInPlace)
{
    testsupport::WithoutFileOverride asUser;
    if (!asUser.active())
        GTEST_SKIP() << "mode 000 files stay readable here";
    const std::string path = mnt + "/doc.json";
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    std::string kept = "?";
    EXPECT_EQ(platform::replace_file(path, std::string(8192, 'n'), &kept), ENOSPC);
    EXPECT_EQ(kept, "");
    EXPECT_EQ(entries(mnt), (std::set<std::string>{"doc.json", ".filler"})) << names(entries(mnt));
    EXPECT_EQ(modeOf(path), 0u);
    ASSERT_TRUE(disk->free());
    EXPECT_EQ(platform::replace_file(path, std::string("new"), &kept), 0);
    EXPECT_EQ(kept, path + ".bad");
    EXPECT_EQ(readAll(path), "new");
}

TEST(SaveErrorText, NamesTheCause)
{
    struct Case {
        int error;
        const char* text;
    };
    const Case cases[] = {
        {ENOSPC, "保存失败：磁盘空间不足"}, {EDQUOT, "保存失败：磁盘空间不足"},
        {EACCES, "保存失败：没有写入权限"}, {EROFS, "保存失败：没有写入权限"},
        {EPERM, "保存失败：没有写入权限"},  {ENOENT, "保存失败：找不到保存的文件夹"},
        {EIO, "保存失败：磁盘读写错误"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::save_error_text(c.error), c.text) << c.error;
    const std::string other = platform::save_error_text(EBADF);
    EXPECT_EQ(other.rfind("保存失败：", 0), 0u) << other;
    EXPECT_GT(other.size(), std::string("保存失败：").size()) << other;
}

// Every damaged copy is kept: a later one takes the next free number.
TEST_F(SaveFile, BadCopiesAreNumbered)
{
    const std::string path = dir + "/Quorvex.json";
    const char* expected[] = {"Quorvex.json.bad", "Quorvex.json.2.bad", "Quorvex.json.3.bad"};
    for (int i = 0; i < 3; ++i) {
        writePlain(path, "damaged " + std::to_string(i));
        EXPECT_EQ(platform::keep_bad_copy(path), dir + "/" + expected[i]) << i;
        EXPECT_NE(access(path.c_str(), F_OK), 0) << "still there after copy " << i;
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readAll(dir + "/" + expected[i]), "damaged " + std::to_string(i)) << expected[i];
    // A gap left by a removed copy is filled before a higher number.
    ASSERT_EQ(unlink((dir + "/Quorvex.json.2.bad").c_str()), 0);
    writePlain(path, "damaged 3");
    EXPECT_EQ(platform::keep_bad_copy(path), dir + "/Quorvex.json.2.bad");
    EXPECT_EQ(platform::keep_bad_copy(dir + "/missing.json"), "");
    EXPECT_EQ(platform::keep_bad_copy(""), "");
}

}  // namespace
