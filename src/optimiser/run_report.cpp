#include "optimiser/run_report.h"

#include "common/path_text.h"

namespace vendrik {

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
