#pragma once
// What the fronts tell the user after a run: the counts of what became of
// the pictures, the window's one-line summary of them, and the message
// after a run in which pictures failed. The run itself never stops for a
// failure; that one message afterwards is where the user learns which
// pictures were not written, and why.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "optimiser/batch_engine.h"

namespace vendrik {

struct RunCounts {
    std::size_t written = 0;
    std::size_t overLimit = 0;  // written at the lowest quality, still above the size limit
    std::size_t skipped = 0;
    std::size_t failed = 0;
    std::size_t cancelled = 0;         // not started: the run was stopped first
    std::size_t withoutWatermark = 0;  // written, but the asked-for watermark is missing
    std::size_t sourceKept = 0;        // written as the source's own bytes ("nie größer")
    std::uint64_t bytes = 0;           // of the written files
};

[[nodiscard]] RunCounts countResults(const std::vector<PictureResult>& results);

// The window's summary after a run, one line: "3 geschrieben,
// 0 übersprungen, 1 fehlgeschlagen – 4,2 MB statt 96,0 MB", where the second
// figure is `sourceBytes`, the size of the written pictures' sources. After
// a stop ("Abbrechen") it starts "Abgebrochen: 12 von 500 geschrieben".
// The byte part is left out when nothing was written.
[[nodiscard]] std::string runSummary(const RunCounts& counts, std::uint64_t sourceBytes,
                                     bool stopped);

// A size as the window shows it: "85 KB" below one megabyte, else "4,2 MB"
// (1024-based, one decimal, a decimal comma).
[[nodiscard]] std::string shortSize(std::uint64_t bytes);

// At most this many pictures are named one by one; the rest are counted, so
// that the message still fits on a screen after a run over a whole folder.
inline constexpr std::size_t kReportedFailures = 15;

// Empty when every picture was written, skipped on request or not started
// after a stop. Otherwise a heading, then one line per failed picture with
// its file name and reason, and a line for each picture written without its
// watermark, in list order.
[[nodiscard]] std::string failedPicturesMessage(const std::vector<PictureResult>& results);

}  // namespace vendrik
