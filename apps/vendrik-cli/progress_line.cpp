#include "progress_line.h"

#include <langinfo.h>
#include <locale.h>

#include <array>
#include <charconv>

namespace vendrik::cli {

ProgressLine::ProgressLine(std::FILE* out, bool enabled, std::size_t total, Clock clock)
    : m_out(out), m_enabled(enabled), m_total(total), m_clock(std::move(clock)) {}

std::string ProgressLine::text() const {
    const std::size_t percent = m_total == 0 ? 100 : m_finished * 100 / m_total;
    std::array<char, 96> buf{};
    std::snprintf(buf.data(), buf.size(), "[%3zu%%] %zu von %zu Bildern fertig", percent,
                  m_finished, m_total);
    return buf.data();
}

void ProgressLine::update(std::size_t finished) {
    m_finished = finished;
    refresh();
}

void ProgressLine::refresh() {
    if (!m_enabled) {
        return;
    }
    const std::string now = text();
    if (now == m_shown) {
        return;
    }
    const auto time = m_clock();
    if (m_drawnOnce && time - m_lastDraw < kMinInterval) {
        return;
    }
    std::fprintf(m_out, "\r\033[K%s", now.c_str());
    std::fflush(m_out);
    m_shown = now;
    m_lastDraw = time;
    m_drawnOnce = true;
    ++m_redraws;
}

void ProgressLine::clear() {
    if (m_enabled && !m_shown.empty()) {
        std::fputs("\r\033[K", m_out);
        std::fflush(m_out);
        m_shown.clear();
    }
}

std::string localeDecimal(double value, int places) {
    std::array<char, 64> buf{};
    const auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, places);
    std::string text(buf.data(), r.ec == std::errc() ? r.ptr : buf.data());
    std::string separator = ".";
    if (const locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr))) {
        if (const char* radix = ::nl_langinfo_l(RADIXCHAR, user); radix != nullptr && *radix) {
            separator = radix;
        }
        ::freelocale(user);
    }
    if (const auto point = text.find('.'); point != std::string::npos) {
        text.replace(point, 1, separator);
    }
    return text;
}

}  // namespace vendrik::cli
