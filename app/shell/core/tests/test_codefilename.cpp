// File names built from a stock code: plain codes pass, anything that could
// reach outside the data directory or name another file gives no name.
#include <gtest/gtest.h>

#include <string>

#include "shell/core/codefilename.h"

TEST(CodeFileName, DrawingFileNames)
{
    struct Row {
        std::string code;
        int market;
        int cycle;
        const char* name;
    };
    const Row rows[] = {
        {"600001", 1, 33, "600001-1-33.json"},
        {"1A0001", 1, 40, "1A0001-1-40.json"},
        {"000001", 2, 0, "000001-2-0.json"},
        {"abcdefghij012345", 2, 35, "abcdefghij012345-2-35.json"},  // 16 characters
        {"abcdefghij0123456", 2, 35, ""},                           // 17
        {"", 1, 33, ""},
        {"../x", 1, 33, ""},
        {"a/b", 1, 33, ""},
        {"a\\b", 1, 33, ""},
        {"60 01", 1, 33, ""},
        {"6000.1", 1, 33, ""},
        {"600001-2", 1, 33, ""},  // would read as another code's file
        {std::string("60\0001", 4), 1, 33, ""},
        {"\xe6\xb2\xaa", 1, 33, ""},  // a Chinese character in UTF-8
        {"600001", -1, 33, ""},
        {"600001", 1, -33, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.name, shellcore::drawingFileName(r.code, r.market, r.cycle)) << "code '" << r.code << "'";
        const bool numbersValid = r.market >= 0 && r.cycle >= 0;
        if (numbersValid)
            EXPECT_EQ(*r.name != '\0', shellcore::isFileSafeCode(r.code)) << "code '" << r.code << "'";
    }
}
