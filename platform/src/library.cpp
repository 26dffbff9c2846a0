#include "platform/library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace platform {

namespace {
thread_local std::string lastError;

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool endsWithNoCase(const std::string& s, const std::string& tail)
{
    if (s.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char a = s[s.size() - tail.size() + i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (a != tail[i])
            return false;
    }
    return true;
}
}  // namespace

std::string library_file_name(const std::string& windowsName)
{
    if (windowsName.find('/') != std::string::npos || endsWith(windowsName, ".so") ||
        windowsName.find(".so.") != std::string::npos)
        return windowsName;
    std::string stem = windowsName;
    if (endsWithNoCase(stem, ".dll"))
        stem.resize(stem.size() - 4);
    return "lib" + stem + ".so";
}

std::string program_directory()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, size_t(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

LibraryHandle load_library(const std::string& windowsName)
{
    lastError.clear();
    if (windowsName.empty()) {
        lastError = "empty library name";
        return nullptr;
    }
    const std::string file = library_file_name(windowsName);
    if (file.find('/') == std::string::npos) {
        const std::string dir = program_directory();
        if (!dir.empty()) {
            const std::string beside = dir + "/" + file;
            if (access(beside.c_str(), F_OK) == 0) {
                if (void* h = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
                    return h;
                lastError = dlerror();
                return nullptr;
            }
        }
    }
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* e = dlerror();
        lastError = e ? e : "cannot load " + file;
    }
    return h;
}

void* library_symbol(LibraryHandle lib, const char* name)
{
    if (!lib || !name)
        return nullptr;
    return dlsym(lib, name);
}

void free_library(LibraryHandle lib)
{
    if (lib)
        dlclose(lib);
}

std::string last_library_error()
{
    return lastError;
}

}  // namespace platform
