#pragma once
// The window-side helpers as pure functions, so the windows only wire them:
// where a window is centred, which keystrokes a text box accepts, and what a
// message box shows. The windows own the calls into the toolkit
// (QMessageBox, QDesktopServices::openUrl for OpenWithShell).

#include <cstdint>
#include <string>
#include <string_view>

namespace vendrik {

struct FormPosition {
    int left = 0;
    int top = 0;
};

// Centres a window on the screen, a little above the middle: top is
// round(0.95 × screen height) / 2 − window height / 2, left is
// screen width / 2 − window width / 2, each division rounding toward zero,
// neither below 0. Sizes in any one unit.
[[nodiscard]] FormPosition CenterForm(int screenWidth, int screenHeight, int windowWidth,
                                      int windowHeight);

// Key filter modes of the text boxes.
enum class KeyFilterMode : std::int16_t {
    Names = 1,        // tag text, new folder name: no characters a file name cannot hold
    Numbers = 2,      // own size fields: digits, "." and ","
    Letters = 3,      // A–Z, a–z
    Hexadecimal = 4,  // 0–9, A–F; a–f become upper case
    UpperCase = 5,    // a–z become upper case
    LowerCase = 6,    // A–Z become lower case
};

// Filters one keystroke of a text box: `keyAscii` becomes 0 to swallow the
// key, or is changed. Backspace, Ctrl+C, Ctrl+V and Enter always pass; an
// unknown mode passes every key.
void FilterKey(std::int16_t& keyAscii, std::int16_t mode);

// A text typed or pasted into a filtered text box (UTF-8): each character as
// FilterKey passes, changes or swallows it as a keystroke. Characters above
// the one-byte codes share the verdict of code 255 (a letter no mode
// changes). Control characters are swallowed in every mode: in a text they
// are no keystrokes but line breaks and the like, which no box takes.
[[nodiscard]] std::string filterTypedText(std::string_view text, std::int16_t mode);

// The icons a message box can show; the numbers are ShowMessage's kinds.
enum class MessageIcon : std::int16_t {
    None = 0,
    Information = 1,
    Exclamation = 2,
    Error = 3,
    Question = 4,
};

// What ShowMessage(text, kind, title) puts on screen: an OK box with this
// icon and title. Any kind other than 1 to 4 shows no icon; an empty title
// becomes the product title.
struct MessageBoxContent {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::string title;
};
[[nodiscard]] MessageBoxContent messageBoxContent(std::string_view text, std::int16_t kind,
                                                  std::string_view title);

}  // namespace vendrik
