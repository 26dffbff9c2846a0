// TempDir: a fresh folder under the temporary directory ($TMPDIR or /tmp),
// removed with everything in it when the object goes. path() is empty when
// the folder could not be made.
#ifndef PELMAR_TESTS_TEMPDIR_H
#define PELMAR_TESTS_TEMPDIR_H

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TempDir {
public:
    // The folder's name starts with prefix, e.g. "pelmar-demo-".
    explicit TempDir(const std::string& prefix)
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
        if (::mkdtemp(&pattern[0]))
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

#endif
