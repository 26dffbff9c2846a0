#include "platform/machineid.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace platform {

namespace {

std::string trim(std::string s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    return s.substr(i);
}

std::string read_first_line(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    if (in)
        std::getline(in, line);
    return trim(line);
}

std::string compute_processor_id()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        char text[17];
        std::snprintf(text, sizeof text, "%08X%08X", edx, eax);
        return text;
    }
#endif
    std::string id = read_first_line("/etc/machine-id");
    if (id.size() < 16)
        return std::string();
    id.resize(16);
    for (char& c : id)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return id;
}

// The serial of one block device by its sysfs name ("sda", "nvme0n1", "vda").
std::string serial_of(const std::string& disk)
{
    std::string serial = read_first_line("/sys/block/" + disk + "/device/serial");
    if (!serial.empty())
        return serial;
    serial = read_first_line("/sys/block/" + disk + "/serial");  // virtio
    if (!serial.empty())
        return serial;
    const std::string dev = read_first_line("/sys/block/" + disk + "/dev");  // "major:minor"
    if (dev.empty())
        return std::string();
    std::ifstream udev("/run/udev/data/b" + dev);
    std::string line;
    while (std::getline(udev, line)) {
        const std::string key = "E:ID_SERIAL_SHORT=";
        if (line.compare(0, key.size(), key) == 0)
            return trim(line.substr(key.size()));
    }
    return std::string();
}

// The whole-disk sysfs name of the device that holds "/", or "".
std::string root_disk()
{
    struct stat st;
    if (::stat("/", &st) != 0)
        return std::string();
    std::ostringstream link;
    link << "/sys/dev/block/" << major(st.st_dev) << ":" << minor(st.st_dev);
    char buf[4096];
    const ssize_t n = ::readlink(link.str().c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    std::string target(buf, static_cast<size_t>(n));
    // ".../block/sda/sda1" for a partition, ".../block/sda" for a whole disk.
    const size_t pos = target.find("/block/");
    if (pos == std::string::npos)
        return std::string();
    std::string rest = target.substr(pos + 7);
    return rest.substr(0, rest.find('/'));
}

std::string compute_disk_serial()
{
    const std::string root = root_disk();
    if (!root.empty()) {
        const std::string s = serial_of(root);
        if (!s.empty())
            return s;
    }
    DIR* dir = ::opendir("/sys/block");
    if (!dir)
        return std::string();
    std::string found;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        if (n.compare(0, 4, "loop") == 0 || n.compare(0, 3, "ram") == 0)
            continue;
        found = serial_of(n);
        if (!found.empty())
            break;
    }
    return found;
}

}  // namespace

const std::string& processor_id()
{
    static const std::string id = compute_processor_id();
    return id;
}

const std::string& disk_serial()
{
    static const std::string serial = compute_disk_serial();
    return serial;
}

}  // namespace platform
