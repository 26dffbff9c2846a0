#include "shell/core/webengineswitches.h"

namespace shellcore {

std::vector<std::string> webEngineSwitches(bool disableWebSecurity)
{
    std::vector<std::string> switches;
    if (disableWebSecurity)
        switches.emplace_back("--disable-web-security");
    return switches;
}

ExtendedArguments::ExtendedArguments(int argc, char** argv, const std::vector<std::string>& switches)
{
    strings_.reserve(static_cast<size_t>(argc) + switches.size());
    for (int i = 0; i < argc; ++i)
        strings_.emplace_back(argv[i] ? argv[i] : "");
    strings_.insert(strings_.end(), switches.begin(), switches.end());
    pointers_.reserve(strings_.size() + 1);
    for (std::string& s : strings_)
        pointers_.push_back(&s[0]);
    pointers_.push_back(nullptr);
    argc_ = static_cast<int>(strings_.size());
}

}  // namespace shellcore
