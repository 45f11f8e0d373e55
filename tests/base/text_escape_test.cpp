#include "base/text_escape.h"

#include <gtest/gtest.h>

TEST(TextEscape, ControlBytesAndNonAsciiBecomeEscapesAndPrintableTextStays) {
    EXPECT_EQ(EscapeControls("ZR3"), "ZR3");
    EXPECT_EQ(EscapeControls("Pt100 (DIN)"), "Pt100 (DIN)");
    EXPECT_EQ(EscapeControls("ZR3\x1b[2J"), "ZR3\\x1b[2J");
    EXPECT_EQ(EscapeControls(std::string_view("A\0B", 3)), "A\\x00B");
    EXPECT_EQ(EscapeControls("\r\n\t\x7f"), "\\x0d\\x0a\\x09\\x7f");
    EXPECT_EQ(EscapeControls("\x9b\xff"), "\\x9b\\xff");
    // The backslash itself is escaped, so an escape in the text cannot pass for one made here.
    EXPECT_EQ(EscapeControls("a\\x1b"), "a\\\\x1b");
}
