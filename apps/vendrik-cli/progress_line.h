#pragma once
// The progress line of `vendrik-cli optimise` on a terminal, and numbers
// written the way the user's locale writes them.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace vendrik::cli {

// "[ 33%] 2 von 6 Bildern fertig": it counts pictures finished, not pictures
// started, so it shows 100% only when the last one is written. A terminal
// is redrawn at most ten times a second, whatever the number of progress
// reports; a report that changes nothing draws nothing.
class ProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kMinInterval{100};

    // Draws nothing at all when `enabled` is false.
    ProgressLine(
        std::FILE* out, bool enabled, std::size_t total,
        Clock clock = [] { return std::chrono::steady_clock::now(); });

    // `finished` pictures are done; draws when due.
    void update(std::size_t finished);
    // Something progressed: draws a count not shown yet when due.
    void refresh();
    // Removes the line, before other output and at the end.
    void clear();

    [[nodiscard]] std::size_t redraws() const {
        return m_redraws;
    }

private:
    [[nodiscard]] std::string text() const;

    std::FILE* m_out;
    bool m_enabled;
    std::size_t m_total;
    Clock m_clock;
    std::size_t m_finished = 0;
    std::string m_shown;  // the text on the terminal now; empty when none
    std::chrono::steady_clock::time_point m_lastDraw{};
    bool m_drawnOnce = false;
    std::size_t m_redraws = 0;
};

// `value` with `places` decimals and the decimal separator of the user's
// locale (LC_ALL, LC_NUMERIC, LANG): "935,8" under de_DE.UTF-8, "935.8"
// under C. Nothing else of the process's locale changes.
[[nodiscard]] std::string localeDecimal(double value, int places);

}  // namespace vendrik::cli
