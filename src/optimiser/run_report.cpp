#include "optimiser/run_report.h"

#include "common/path_text.h"

namespace vendrik {

RunCounts countResults(const std::vector<PictureResult>& results) {
    RunCounts c;
    for (const PictureResult& r : results) {
        c.withoutWatermark += r.watermarkError.empty() ? 0 : 1;
        switch (r.status) {
            case PictureStatus::Written:
                ++c.written;
                c.bytes += r.bytes;
                c.overLimit += r.reason.empty() ? 0 : 1;
                c.sourceKept += r.sourceKept ? 1 : 0;
                break;
            case PictureStatus::Skipped:
                ++c.skipped;
                break;
            case PictureStatus::Failed:
                ++c.failed;
                break;
            case PictureStatus::Cancelled:
                ++c.cancelled;
                break;
        }
    }
    return c;
}

std::string shortSize(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = kKilo * kKilo;
    if (bytes < kMega) {
        // Whole kilobytes, rounded up: a small file shows as "1 KB", not "0 KB".
        return std::to_string((bytes + kKilo - 1) / kKilo) + " KB";
    }
    // Tenths of a megabyte, rounded to nearest, in whole numbers so that no
    // locale decides the separator.
    const std::uint64_t tenths = (bytes * 10 + kMega / 2) / kMega;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " MB";
}

std::string runSummary(const RunCounts& counts, std::uint64_t sourceBytes, bool stopped) {
    const std::size_t total =
        counts.written + counts.skipped + counts.failed + counts.cancelled;
    std::string text = stopped ? "Abgebrochen: " + std::to_string(counts.written) + " von " +
                                     std::to_string(total) + " geschrieben"
                               : std::to_string(counts.written) + " geschrieben";
    text += ", " + std::to_string(counts.skipped) + " übersprungen, " +
            std::to_string(counts.failed) + " fehlgeschlagen";
    if (counts.written > 0) {
        text += " – " + shortSize(counts.bytes) + " statt " + shortSize(sourceBytes);
    }
    return text;
}

std::string failedPicturesMessage(const std::vector<PictureResult>& results) {
    std::vector<std::string> lines;
    for (const PictureResult& r : results) {
        const std::string name(lastPathName(r.source));
        if (r.status == PictureStatus::Failed) {
            lines.push_back(name + ": " + r.reason);
        } else if (r.status == PictureStatus::Written && !r.watermarkError.empty()) {
            lines.push_back(name + ": ohne Wasserzeichen geschrieben (" + r.watermarkError + ")");
        }
    }
    if (lines.empty()) {
        return {};
    }
    std::string text = lines.size() == 1 ? "Ein Bild wurde nicht wie gewünscht verarbeitet:"
                                         : std::to_string(lines.size()) +
                                               " Bilder wurden nicht wie gewünscht verarbeitet:";
    text += "\n";
    for (std::size_t i = 0; i < lines.size() && i < kReportedFailures; ++i) {
        text += "\n" + lines[i];
    }
    if (lines.size() > kReportedFailures) {
        text += "\n… und " + std::to_string(lines.size() - kReportedFailures) + " weitere";
    }
    return text;
}

}  // namespace vendrik
