// The argument vector handed to the application object: the process's own
// arguments, then the switches the embedded web engine reads.
#pragma once

#include <string>
#include <vector>

namespace shellcore {

// The web-engine switches. The original also named a browser plug-in's file
// and version; that plug-in has no Linux form, so those two switches are not
// passed here. "--disable-web-security" turns the same-origin policy off for
// every embedded page, so it is passed only when asked for.
std::vector<std::string> webEngineSwitches(bool disableWebSecurity);

// Owns the strings; argv() points into them and ends with a null entry (the
// count excludes it), as QApplication and Chromium expect.
class ExtendedArguments {
public:
    ExtendedArguments(int argc, char** argv, const std::vector<std::string>& switches);
    ExtendedArguments(const ExtendedArguments&) = delete;
    ExtendedArguments& operator=(const ExtendedArguments&) = delete;

    // The count QApplication takes by reference (it may shrink it).
    int& argc() { return argc_; }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
    int argc_ = 0;
};

}  // namespace shellcore
