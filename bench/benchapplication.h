// The application object of a benchmark program (QCoreApplication,
// QGuiApplication or QApplication), made on first use and kept to the end.
#pragma once

#include <string>

template <typename App>
App* benchApplication(const char* programName)
{
    static int argc = 1;
    static std::string name = programName;
    static char* argv[] = {&name[0], nullptr};
    static App app(argc, argv);
    return &app;
}
