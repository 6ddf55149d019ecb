#include "optimiser/size_target.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "common/ascii_case.h"

namespace vendrik {
namespace {

// How much a file grows from one quality step to the next in the middle of
// the range, used until the search has seen two sizes: about 3 % a step
// between 50 and 90 on photographs.
constexpr double kTypicalLogGrowthPerStep = 0.03;

class Search {
public:
    Search(std::uint64_t maxBytes, QualityRange range, const EncodeAtQuality& encode)
        : m_max(maxBytes), m_range(range), m_encode(encode) {}

    Result<SizedEncoding> run(int start) {
        int q = std::clamp(start, m_range.lowest, m_range.highest);
        for (;;) {
            if (Result<void> tried = tryQuality(q); !tried) {
                return tried.failure();
            }
            const auto lo = fitting();
            const auto hi = tooLargeAbove(lo);
            if ((lo && *lo == m_range.highest) || (!lo && hi == m_range.lowest) ||
                (lo && hi && *hi - *lo == 1)) {
                break;
            }
            q = next(lo, hi);
        }
        SizedEncoding out;
        out.trials = m_trials;
        const auto lo = fitting();
        out.quality = lo.value_or(m_range.lowest);
        out.fits = lo.has_value();
        out.file = lo ? std::move(m_bestFile) : std::move(m_lowestFile);
        return out;
    }

private:
    Result<void> tryQuality(int q) {
        Result<EncodedFile> encoded = m_encode(q);
        if (!encoded) {
            return encoded.failure();
        }
        EncodedFile file = std::move(*encoded);
        ++m_trials;
        const bool fits = file.bytes.size() <= m_max;
        m_sizes[q] = file.bytes.size();
        const auto best = fitting();
        if (fits && best == q) {
            m_bestFile = std::move(file);  // only the best fitting file is kept
        } else if (q == m_range.lowest) {
            m_lowestFile = std::move(file);  // written with a note if nothing fits
        }
        m_sidesFitted.push_back(fits);
        return {};
    }

    [[nodiscard]] bool fits(int q) const { return m_sizes.at(q) <= m_max; }

    // The highest quality seen to fit.
    [[nodiscard]] std::optional<int> fitting() const {
        for (auto it = m_sizes.rbegin(); it != m_sizes.rend(); ++it) {
            if (it->second <= m_max) {
                return it->first;
            }
        }
        return std::nullopt;
    }

    // The lowest quality seen not to fit above `lo` (anywhere without one).
    // Should sizes not grow with the quality somewhere, a fitting quality
    // above a failing one moves the search above both.
    [[nodiscard]] std::optional<int> tooLargeAbove(std::optional<int> lo) const {
        for (const auto& [q, size] : m_sizes) {
            if (size > m_max && (!lo || q > *lo)) {
                return q;
            }
        }
        return std::nullopt;
    }

    [[nodiscard]] double logSize(int q) const {
        return std::log(static_cast<double>(std::max<std::uint64_t>(m_sizes.at(q), 1)));
    }

    [[nodiscard]] int next(std::optional<int> lo, std::optional<int> hi) const {
        const double target = std::log(static_cast<double>(m_max));
        if (lo && hi) {
            // The same side moved twice in a row while the range is still
            // wide: aiming converges from one side only; halve instead.
            const std::size_t n = m_sidesFitted.size();
            const bool stuck = n >= 2 && m_sidesFitted[n - 1] == m_sidesFitted[n - 2] &&
                               *hi - *lo > 4;
            double q = (*lo + *hi) / 2.0;
            if (!stuck && logSize(*hi) > logSize(*lo)) {
                q = *lo + (target - logSize(*lo)) * (*hi - *lo) / (logSize(*hi) - logSize(*lo));
            }
            return std::clamp(static_cast<int>(std::floor(q)), *lo + 1, *hi - 1);
        }
        // Only one side seen so far: step towards the limit with the slope
        // between the two nearest qualities seen, or the typical one.
        const int from = lo ? *lo : *hi;
        double growth = kTypicalLogGrowthPerStep;
        const auto it = m_sizes.find(from);
        const auto other = lo ? (it == m_sizes.begin() ? m_sizes.end() : std::prev(it))
                              : std::next(it);
        if (other != m_sizes.end()) {
            const double slope = (logSize(from) - logSize(other->first)) / (from - other->first);
            if (slope > 0.005) {
                growth = slope;
            }
        }
        const double steps = (target - logSize(from)) / growth;
        if (lo) {
            return std::clamp(from + std::max(1, static_cast<int>(std::floor(steps))), from + 1,
                              m_range.highest);
        }
        return std::clamp(from + std::min(-1, static_cast<int>(std::floor(steps))), m_range.lowest,
                          from - 1);
    }

    const std::uint64_t m_max;
    const QualityRange m_range;
    const EncodeAtQuality& m_encode;
    std::map<int, std::uint64_t> m_sizes;  // every quality tried, with its size
    EncodedFile m_bestFile;
    EncodedFile m_lowestFile;
    std::vector<bool> m_sidesFitted;
    int m_trials = 0;
};

}  // namespace

Result<SizedEncoding> encodeWithinSize(std::uint64_t maxBytes, QualityRange range, int start,
                                       const EncodeAtQuality& encode) {
    if (range.highest < range.lowest) {
        range.highest = range.lowest;
    }
    return Search(maxBytes, range, encode).run(start);
}

Result<SizedEncoding> encodeWithinLimit(const OutputFormat& format, const Surface& picture,
                                        int quality, std::optional<Sampling> chosen,
                                        JpegCompression compression,
                                        const MetadataSegments& metadata, std::uint64_t maxBytes,
                                        const std::function<void()>& onTrial) {
    const QualityRange range{kSizeSearchLowest, quality};
    const auto search = [&](Sampling sampling, int start) {
        return encodeWithinSize(maxBytes, range, start, [&](int tried) {
            Result<EncodedFile> file =
                format.encode(picture, EncodeSettings{tried, sampling, compression}, metadata,
                              {});
            if (file && onTrial) {
                onTrial();
            }
            return file;
        });
    };
    const Sampling first = samplingOf(format, chosen, quality, compression);
    Result<SizedEncoding> sized = search(first, quality);
    if (!sized || chosen || first != Sampling::Best || !format.choosesSampling() ||
        (sized->fits &&
         samplingOf(format, chosen, sized->quality, compression) == Sampling::Best)) {
        return sized;
    }
    // Below its switch (70; with the strong compression 90) the slider
    // itself chooses 4:2:0, which gives the higher quality for the same
    // bytes.
    Result<SizedEncoding> reduced = search(Sampling::Faster, sized->quality);
    if (!reduced) {
        return reduced;
    }
    const bool better = reduced->fits
                            ? !sized->fits || reduced->quality > sized->quality
                            : !sized->fits && reduced->file.bytes.size() < sized->file.bytes.size();
    return better ? std::move(reduced) : std::move(sized);
}

std::optional<std::uint64_t> parseSizeLimit(std::string_view text) {
    std::size_t i = 0;
    double value = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        digits = true;
        ++i;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
            value += (text[i] - '0') * scale;
            digits = true;
        }
    }
    if (!digits || value > 1e9) {
        return std::nullopt;
    }
    const std::string_view suffix = text.substr(i);
    double unit = 0;
    if (suffix.empty() || equalsIgnoringCase(suffix, "k") || equalsIgnoringCase(suffix, "kb")) {
        unit = 1024;
    } else if (equalsIgnoringCase(suffix, "m") || equalsIgnoringCase(suffix, "mb")) {
        unit = 1024.0 * 1024;
    } else {
        return std::nullopt;
    }
    const double bytes = std::floor(value * unit);
    if (bytes < 1 || bytes > 1024.0 * 1024 * 1024) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(bytes);
}

std::string kiloBytesText(std::uint64_t bytes) {
    const std::uint64_t kb = std::max<std::uint64_t>(bytes == 0 ? 0 : 1, (bytes + 512) / 1024);
    return std::to_string(kb) + " KB";
}

}  // namespace vendrik
