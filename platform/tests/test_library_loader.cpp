#include "platform/library.h"

#include <gtest/gtest.h>

TEST(LibraryName, MapsWindowsNamesToLinuxOnes)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Ostrilug.dll", "libOstrilug.so"},
        {"Stock.DLL", "libStock.so"},
        {"cl.dll", "libcl.so"},
        {"libz.so", "libz.so"},
        {"libz.so.1", "libz.so.1"},
        {"/opt/x/Plug.dll", "/opt/x/Plug.dll"},
        {"NoSuffix", "libNoSuffix.so"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::library_file_name(c.in), c.out) << "input " << c.in;
}

TEST(LibraryLoader, MissingLibraryFailsWithReason)
{
    EXPECT_EQ(platform::load_library("cl.dll"), nullptr);
    EXPECT_FALSE(platform::last_library_error().empty());
    EXPECT_EQ(platform::load_library(""), nullptr);
    platform::free_library(nullptr);  // accepted
    EXPECT_EQ(platform::library_symbol(nullptr, "x"), nullptr);
}

TEST(LibraryLoader, LoadsFromTheSearchPathAndResolves)
{
    // zlib is on every machine that builds this project.
    auto h = platform::load_library("libz.so.1");
    ASSERT_NE(h, nullptr) << platform::last_library_error();
    EXPECT_NE(platform::library_symbol(h, "zlibVersion"), nullptr);
    EXPECT_EQ(platform::library_symbol(h, "no_such_symbol_here"), nullptr);
    platform::free_library(h);
}

TEST(LibraryLoader, ProgramDirectoryIsWhereTheTestRuns)
{
    EXPECT_EQ(platform::program_directory(), TARVOLIN_BIN_DIR);
}
