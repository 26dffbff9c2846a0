// Which keys typed in a web page the tab area takes: those the page does not
// use (digits and letters outside an editable field, Esc, the program's tab
// keys); everything else stays with the page.
#include <gtest/gtest.h>

#include "shell/pagekeys.h"

namespace {

TEST(PageKeys, TakesWhatThePageDoesNotUse)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier,
                                alt = Qt::AltModifier;
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        const char* text;
        bool editable;
        bool taken;
    } cases[] = {
        {"a digit outside a field", Qt::Key_6, none, "6", false, true},
        {"a letter outside a field", Qt::Key_P, none, "p", false, true},
        {"a capital letter", Qt::Key_P, shift, "P", false, true},
        {"a digit in a field", Qt::Key_6, none, "6", true, false},
        {"a letter in a field", Qt::Key_A, none, "a", true, false},
        {"Esc outside a field", Qt::Key_Escape, none, "\x1b", false, true},
        {"Esc in a field", Qt::Key_Escape, none, "\x1b", true, true},
        {"Ctrl+W", Qt::Key_W, ctrl, "\x17", false, true},
        {"Ctrl+W in a field", Qt::Key_W, ctrl, "\x17", true, true},
        {"Ctrl+Tab", Qt::Key_Tab, ctrl, "\t", false, true},
        {"Ctrl+Shift+Tab", Qt::Key_Backtab, ctrl | shift, "", false, true},
        {"Tab moves within the page", Qt::Key_Tab, none, "\t", false, false},
        {"Return stays with the page", Qt::Key_Return, none, "\r", false, false},
        {"Space scrolls the page", Qt::Key_Space, none, " ", false, false},
        {"arrows scroll the page", Qt::Key_Down, none, "", false, false},
        {"Ctrl+C copies in the page", Qt::Key_C, ctrl, "\x03", false, false},
        {"Alt+digit", Qt::Key_6, alt, "6", false, false},
        {"Ctrl+Alt+W", Qt::Key_W, ctrl | alt, "", false, false},
        {"punctuation", Qt::Key_Period, none, ".", false, false},
        {"a letter beyond ASCII", Qt::Key_unknown, none, "\xc3\xa9", false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageKeys::tabAreaTakes(c.key, c.mods, QString::fromUtf8(c.text), c.editable), c.taken) << c.what;
}

}  // namespace
