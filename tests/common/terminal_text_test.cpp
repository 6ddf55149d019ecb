// Texts from outside bound for a terminal: nothing in them may act on it.

#include "common/terminal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrik {
namespace {

struct EscapeCase {
    const char* name;
    std::string_view text;
    std::string_view shown;
};

class TerminalText : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TerminalText, ControlCharactersAreShownEscaped) {
    EXPECT_EQ(terminalText(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TerminalText,
    ::testing::Values(
        EscapeCase{"PlainStays", "Urlaub 2024.jpg", "Urlaub 2024.jpg"},
        EscapeCase{"UmlautsStay", "M\u00FCnchen \u00A9 \u20AC", "M\u00FCnchen \u00A9 \u20AC"},
        EscapeCase{"WindowTitle", "Cam\033]0;PWNED\007", "Cam\\033]0;PWNED\\a"},
        EscapeCase{"ForgedLine", "a\r\nVendrik: ok", "a\\r\\nVendrik: ok"},
        EscapeCase{"TabBackspaceDel", "a\tb\bc\x7F", "a\\tb\\bc\\177"},
        EscapeCase{"NulByte", std::string_view("a\0b", 3), "a\\000b"},
        EscapeCase{"C1ControlAsUtf8", "a\xC2\x9B" "31m", "a\\302\\23331m"},
        EscapeCase{"BrokenUtf8", "a\x9B" "31m\xFF", "a\\23331m\\377"},
        EscapeCase{"BackslashDoubled", "C:\\temp\\033", "C:\\\\temp\\\\033"}),
    [](const auto& info) { return std::string(info.param.name); });

// Whatever bytes a name or an EXIF text holds, what is shown holds no byte a
// terminal acts on: no C0 control, no DEL, no C1 control as UTF-8.
TEST(TerminalTextProperty, NoControlByteSurvives) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        all += "\xC2";
        all += static_cast<char>(b);
    }
    const std::string shown = terminalText(all);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto b = static_cast<unsigned char>(shown[i]);
        ASSERT_FALSE(b < 0x20 || b == 0x7F) << "byte " << int(b) << " at " << i;
        if (b == 0xC2 && i + 1 < shown.size()) {
            const auto next = static_cast<unsigned char>(shown[i + 1]);
            ASSERT_FALSE(next >= 0x80 && next <= 0x9F) << "C1 control at " << i;
        }
    }
}

}  // namespace
}  // namespace vendrik
