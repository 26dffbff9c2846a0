#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/core/theme.h"

// The colour texts the models hand to QML: six digits when opaque, eight
// with the alpha first otherwise, upper case.
TEST(ThemeNames, HexNames)
{
    const struct {
        uint32_t argb;
        const char* name;
    } cases[] = {
        {0xFFFF3D3Du, "#FF3D3D"},   {0xFF0FC351u, "#0FC351"},   {0xFFFFFFFFu, "#FFFFFF"},   {0xFF000000u, "#000000"},
        {0x66FF3D3Du, "#66FF3D3D"}, {0x00000000u, "#00000000"}, {0x0A000000u, "#0A000000"}, {0xFE00000Fu, "#FE00000F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(theme::hexName(c.argb), c.name) << std::hex << c.argb;
    EXPECT_EQ(theme::hexName(0xFFFFFFFFu, true), "#FFFFFFFF");
    EXPECT_EQ(theme::hexName(0x80000000u, true), "#80000000");
}

// Every role has one name, so the QML theme can be matched to it by name.
TEST(ThemeNames, RoleNamesAreUnique)
{
    std::set<std::string> names;
    for (const auto& r : theme::kColourRoles)
        EXPECT_TRUE(names.insert(r.name).second) << "role named twice: " << r.name;
    EXPECT_EQ(theme::kColourRoles[0].argb, theme::kUpColor);
}
